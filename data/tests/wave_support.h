// Helpers of the wave tests: filling and reading whole waves, holding up
// its reader, the files a folder holds, and WAVE files built byte by byte.
#pragma once

#include "data/lock.h"
#include "data/wave.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace wave_test {

// Appends interleaved frames (channels as the wave has them).
inline bool append(Quorvane::CWave &wave, const std::vector<float> &samples)
{
    const auto frames = static_cast<unsigned long>(samples.size() / wave.channels);
    if (!wave.Write(samples.data(), wave.length, frames))
        return false;
    wave.length += frames;
    return true;
}

inline std::vector<float> readAll(Quorvane::CWave &wave)
{
    std::vector<float> samples(static_cast<size_t>(wave.length) * wave.channels);
    if (!wave.Read(samples.data(), 0, static_cast<unsigned long>(wave.length)))
        samples.clear();
    return samples;
}

// The wave's reader has read all it was asked for: a reader on time (the
// player itself never waits for it).
inline void readerDone(Quorvane::CWave &wave)
{
    for (Quorvane::CWave::PLAYHDR &buffer : wave.buffers)
        ASSERT_EQ(wave.WaitForReady(&buffer), 1);
}

// Runs play on another thread while the wave's reader cannot read (its lock
// is held); whether play came back without the reader (within 10 s).
inline bool playsWithoutTheReader(Quorvane::CWave &wave, const std::function<void()> &play)
{
    std::atomic<bool> finished{false};
    Quorvane::CLock hold(wave.sync);
    std::thread player([&] {
        play();
        finished = true;
    });
    for (int i = 0; i < 1000 && !finished; ++i)
        Sleep(10);
    const bool without = finished;
    hold.Unlock();
    player.join();
    return without;
}

// Names in a folder that begin with prefix.
inline std::vector<std::string> filesIn(const std::string &folder, const std::string &prefix)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\" + prefix + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

inline std::string le16(uint32_t v)
{
    return std::string{char(v & 0xFF), char((v >> 8) & 0xFF)};
}

inline std::string le32(uint32_t v)
{
    return le16(v & 0xFFFF) + le16(v >> 16);
}

// A chunk: id, size and body, with the pad byte after an odd body.
inline std::string chunk(const std::string &id, const std::string &body)
{
    return id + le32(static_cast<uint32_t>(body.size())) + body +
           (body.size() % 2 ? std::string(1, '\0') : "");
}

// A format chunk's body; align and byte rate follow the format unless given.
inline std::string fmtBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, int align = -1)
{
    const uint16_t blockAlign = align >= 0 ? uint16_t(align) : uint16_t(channels * bits / 8);
    return le16(tag) + le16(channels) + le32(rate) + le32(rate * blockAlign) + le16(blockAlign) + le16(bits);
}

// The body of an extensible format chunk with a sub-format of tag.
inline std::string extensibleBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits)
{
    static const char tail[14] = {0, 0, 0,          0, 0x10, 0,          char(0x80),
                                  0, 0, char(0xAA), 0, 0x38, char(0x9B), 0x71};
    return fmtBody(0xFFFE, channels, rate, bits) + le16(22) + le16(bits) + le32(channels == 2 ? 3 : 4) +
           le16(tag) + std::string(tail, 14);
}

// One block of a stereo wave's playback, as a player takes it: the frames
// it was given (none when it got no data), taken before a switch the wave
// asks for is followed, as the switch hands the used buffer back to the
// reader. asked becomes the frames given; switched tells of the switch.
inline std::vector<float> playBlock(Quorvane::CWave &wave, long &asked, int &switched)
{
    switched = 0;
    const float *data = wave.GetPlaybackData(asked, switched);
    std::vector<float> got = data ? std::vector<float>(data, data + 2 * asked) : std::vector<float>();
    if (switched)
        wave.ChangePlaybackBuffer();
    return got;
}

// "RIFF", the size of what follows, "WAVE" and the chunks.
inline std::string riff(const std::string &chunks)
{
    return "RIFF" + le32(static_cast<uint32_t>(chunks.size() + 4)) + "WAVE" + chunks;
}

inline std::string pcm16(const std::vector<int16_t> &samples)
{
    std::string s;
    for (int16_t v : samples)
        s += le16(static_cast<uint16_t>(v));
    return s;
}

} // namespace wave_test
