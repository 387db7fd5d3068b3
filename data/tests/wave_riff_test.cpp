#include "data/storage.h"
#include "data/wave.h"

#include "data/tests/wave_support.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace Quorvane;
using namespace wave_test;
using testing_support::TempFolder;

namespace {

class WaveRiffTest : public ::testing::Test {
protected:
    // Imports bytes into a new wave of the given rate.
    int import(CWave &wave, const std::string &bytes)
    {
        CMemStorage storage;
        storage.PutBuffer(bytes.data(), static_cast<long>(bytes.size()));
        storage.SetPos(0);
        return wave.ImportWave(&storage);
    }

    std::string exported(CWave &wave, unsigned format, int *result = nullptr)
    {
        CMemStorage storage;
        const int ok = wave.ExportWave(&storage, format);
        if (result)
            *result = ok;
        return std::string(reinterpret_cast<const char *>(storage.GetData()), storage.GetLength());
    }

    TempFolder folder;
};

std::string floats(const std::vector<float> &v)
{
    return std::string(reinterpret_cast<const char *>(v.data()), v.size() * sizeof(float));
}

// The layout pinned byte by byte.
TEST_F(WaveRiffTest, ExportWritesTheHeaderAndTheConvertedSamples)
{
    CWave wave(0, 44100, folder.path().c_str());
    wave.channels = 1;
    wave.bytesPerFrame = 4;
    ASSERT_TRUE(append(wave, {0.5f, -1.0f, 2.0f}));
    int ok = 0;
    const std::string pcm = exported(wave, 16, &ok);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(pcm,
              std::string("RIFF\x2A\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x44\xAC\0\0\x88\x58\x01\0\x02\0\x10\0"
                          "data\x06\0\0\0\x00\x40\x01\x80\xFF\x7F",
                          50));

    // 24-bit mono of three frames: nine bytes and a pad byte, which the
    // RIFF size counts.
    const std::string odd = exported(wave, 24);
    EXPECT_EQ(odd,
              std::string("RIFF\x2E\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x44\xAC\0\0\xCC\x04\x02\0\x03\0\x18\0"
                          "data\x09\0\0\0\x00\x00\x40\x01\x00\x80\xFF\xFF\x7F\0",
                          54));

    const std::string int32 = exported(wave, 32);
    EXPECT_EQ(int32.substr(20, 16), fmtBody(1, 1, 44100, 32));
    EXPECT_EQ(int32.substr(44), le32(0x40000000) + le32(0x80000000) + le32(0x7FFFFFFF));
}

TEST_F(WaveRiffTest, FloatExportWritesTag3And32BitsUnchanged)
{
    CWave wave(0, 48000, folder.path().c_str());
    const std::vector<float> s = {0.5f, -0.25f, 1.5f, -3.0f};
    ASSERT_TRUE(append(wave, s));
    const std::string f = exported(wave, kWaveFloat32);
    EXPECT_EQ(f, riff(chunk("fmt ", fmtBody(3, 2, 48000, 32)) + chunk("data", floats(s))));
}

TEST_F(WaveRiffTest, ExportRefusesUnknownFormatsAndEmptyWaves)
{
    CWave wave(0, 44100, folder.path().c_str());
    int ok = 1;
    EXPECT_EQ(exported(wave, 16, &ok), "");
    EXPECT_EQ(ok, 0);
    ASSERT_TRUE(append(wave, {0.1f, 0.2f}));
    for (unsigned format : {0u, 8u, 20u, 64u, 0x8010u, 0x8040u}) {
        EXPECT_EQ(exported(wave, format, &ok), "") << format;
        EXPECT_EQ(ok, 0) << format;
    }
    wave.sampleRate = 0;
    EXPECT_EQ(exported(wave, 16, &ok), "");
    EXPECT_EQ(ok, 0);
}

// Export and import again: 16-bit samples come back exactly (-32768 reads
// as a little below -1.0, which writes as -32767).
TEST_F(WaveRiffTest, SixteenBitSamplesSurviveImportAndExport)
{
    std::vector<int16_t> samples;
    for (int i = 0; i < 9000; ++i)
        samples.push_back(static_cast<int16_t>((i * 7919) % 65535 - 32767));
    samples[1] = -32768;
    CWave wave(1, 44100, folder.path().c_str());
    ASSERT_EQ(import(wave, riff(chunk("fmt ", fmtBody(1, 2, 44100, 16)) + chunk("data", pcm16(samples)))), 1);
    EXPECT_EQ(wave.length, 4500);
    EXPECT_EQ(wave.channels, 2);
    EXPECT_GT(wave.peakLength, 0);
    samples[1] = -32767;
    EXPECT_EQ(exported(wave, 16),
              riff(chunk("fmt ", fmtBody(1, 2, 44100, 16)) + chunk("data", pcm16(samples))));
}

struct FormatCase {
    const char *name;
    std::string fmt;
    std::string data;
    int channels;
    std::vector<float> expected;
};

TEST_F(WaveRiffTest, ImportReadsEveryFormatOfTheFileKind)
{
    const std::string i24 = std::string("\xFF\xFF\x7F\x01\x00\x80\x00\x00\x40", 9);
    const std::string i32 = le32(0x40000000) + le32(0x80000000);
    const FormatCase cases[] = {
        {"16-bit stereo",
         fmtBody(1, 2, 44100, 16),
         pcm16({32767, -32767, 0, 16384}),
         2,
         {1.0f, -1.0f, 0.0f, 16384.0f / 32767.0f}},
        {"24-bit mono", fmtBody(1, 1, 44100, 24), i24, 1, {1.0f, -1.0f, 4194304.0f / 8388607.0f}},
        {"32-bit mono", fmtBody(1, 1, 44100, 32), i32, 1, {0.5f, -1.0f}},
        {"float stereo", fmtBody(3, 2, 44100, 32), floats({0.5f, -2.0f}), 2, {0.5f, -2.0f}},
        {"extensible 24-bit",
         extensibleBody(1, 1, 44100, 24),
         i24,
         1,
         {1.0f, -1.0f, 4194304.0f / 8388607.0f}},
        {"extensible float", extensibleBody(3, 2, 44100, 32), floats({0.25f, 0.75f}), 2, {0.25f, 0.75f}},
        // The header's block alignment and byte rate are not trusted.
        {"align 0",
         fmtBody(1, 2, 44100, 16, 0),
         pcm16({100, 200, 300, 400}),
         2,
         {100 / 32767.0f, 200 / 32767.0f, 300 / 32767.0f, 400 / 32767.0f}},
        {"align 1", fmtBody(1, 1, 44100, 24, 1), i24, 1, {1.0f, -1.0f, 4194304.0f / 8388607.0f}},
        {"align 7",
         fmtBody(1, 2, 44100, 16, 7),
         pcm16({1, 2, 3, 4}),
         2,
         {1 / 32767.0f, 2 / 32767.0f, 3 / 32767.0f, 4 / 32767.0f}},
    };
    for (const FormatCase &c : cases) {
        CWave wave(0, 44100, folder.path().c_str());
        ASSERT_EQ(import(wave, riff(chunk("fmt ", c.fmt) + chunk("data", c.data))), 1) << c.name;
        EXPECT_EQ(wave.channels, c.channels) << c.name;
        EXPECT_EQ(wave.bytesPerFrame, 4 * c.channels) << c.name;
        const std::vector<float> got = readAll(wave);
        ASSERT_EQ(got.size(), c.expected.size()) << c.name;
        for (size_t i = 0; i < got.size(); ++i)
            EXPECT_FLOAT_EQ(got[i], c.expected[i]) << c.name << " sample " << i;
    }
}

// Chunks of odd size are followed by a pad byte that is not part of them.
TEST_F(WaveRiffTest, ThePadByteAfterAnOddChunkIsSkipped)
{
    const std::string file = riff(chunk("LIST", "abc") + chunk("fmt ", fmtBody(1, 1, 44100, 16)) +
                                  chunk("junk", "x") + chunk("data", pcm16({1000, 2000, 3000})));
    CWave wave(0, 44100, folder.path().c_str());
    ASSERT_EQ(import(wave, file), 1);
    EXPECT_EQ(wave.length, 3);
    EXPECT_FLOAT_EQ(readAll(wave)[2], 3000 / 32767.0f);

    // An odd data chunk at the very end may lack its pad.
    std::string last = riff(chunk("fmt ", fmtBody(1, 1, 44100, 24)) + chunk("data", "\x01\x02\x03"));
    last.pop_back();
    last.replace(4, 4, le32(static_cast<uint32_t>(last.size() - 8)));
    CWave odd(0, 44100, folder.path().c_str());
    ASSERT_EQ(import(odd, last), 1);
    EXPECT_EQ(odd.length, 1);
}

TEST_F(WaveRiffTest, AFileAtAnotherRateIsResampledToTheWaves)
{
    std::vector<int16_t> mono;
    for (int i = 0; i < 5000; ++i)
        mono.push_back(static_cast<int16_t>(i * 13 % 20000 - 10000));
    CWave wave(0, 44100, folder.path().c_str());
    ASSERT_EQ(import(wave, riff(chunk("fmt ", fmtBody(1, 1, 22050, 16)) + chunk("data", pcm16(mono)))), 1);
    EXPECT_EQ(wave.channels, 1);
    EXPECT_EQ(wave.length, 10000);
    const std::vector<float> got = readAll(wave);
    for (size_t i = 0; i < mono.size(); ++i)
        ASSERT_FLOAT_EQ(got[2 * i], mono[i] / 32767.0f) << i;

    // Integer samples of 32 bits and float are not resampled.
    for (const std::string &fmt : {fmtBody(1, 1, 22050, 32), fmtBody(3, 1, 22050, 32)}) {
        CWave other(0, 44100, folder.path().c_str());
        EXPECT_EQ(import(other, riff(chunk("fmt ", fmt) + chunk("data", std::string(16, '\0')))), 0);
        EXPECT_EQ(other.length, 0);
    }
}

// Every one fails cleanly, without touching the wave's content.
TEST_F(WaveRiffTest, DamagedFilesFailCleanly)
{
    const std::string fmt16 = chunk("fmt ", fmtBody(1, 2, 44100, 16));
    const std::string data = chunk("data", pcm16({1, 2, 3, 4}));
    std::string bigRiff = riff(fmt16 + data);
    bigRiff.replace(4, 4, le32(1000));
    std::string longData = riff(fmt16 + "data" + le32(100) + pcm16({1, 2}));
    std::string hugeData = riff(fmt16 + "data" + le32(0xFFFFFFFF) + pcm16({1, 2}));
    std::string hugeChunk = riff("LIST" + le32(0xFFFFFFF0) + fmt16 + data);
    std::string badGuid = extensibleBody(1, 2, 44100, 16);
    badGuid[30] = 0x11;
    const struct {
        const char *name;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"not RIFF", "RIFX" + le32(4) + "WAVE"},
        {"not WAVE", riff(fmt16 + data).replace(8, 4, "AVI ")},
        {"only the header", riff("")},
        {"RIFF size beyond the file", bigRiff},
        {"RIFF size below 4", "RIFF" + le32(2) + "WAVE"},
        {"no data chunk", riff(fmt16)},
        {"no format chunk", riff(data)},
        {"data before format", riff(data + fmt16)},
        {"two format chunks", riff(fmt16 + fmt16 + data)},
        {"format too short", riff(chunk("fmt ", fmtBody(1, 2, 44100, 16).substr(0, 14)) + data)},
        {"format tag 2", riff(chunk("fmt ", fmtBody(2, 2, 44100, 16)) + data)},
        {"8-bit", riff(chunk("fmt ", fmtBody(1, 2, 44100, 8)) + data)},
        {"12-bit", riff(chunk("fmt ", fmtBody(1, 2, 44100, 12)) + data)},
        {"64-bit float", riff(chunk("fmt ", fmtBody(3, 1, 44100, 64)) + data)},
        {"16-bit float", riff(chunk("fmt ", fmtBody(3, 1, 44100, 16)) + data)},
        {"no channels", riff(chunk("fmt ", fmtBody(1, 0, 44100, 16)) + data)},
        {"three channels", riff(chunk("fmt ", fmtBody(1, 3, 44100, 16)) + data)},
        {"rate 0", riff(chunk("fmt ", fmtBody(1, 2, 0, 16)) + data)},
        {"rate below a quarter", riff(chunk("fmt ", fmtBody(1, 2, 11024, 16)) + data)},
        {"rate above four times", riff(chunk("fmt ", fmtBody(1, 2, 176401, 16)) + data)},
        {"rate 0xFFFFFFFF", riff(chunk("fmt ", fmtBody(1, 2, 0xFFFFFFFF, 16)) + data)},
        {"extensible too short", riff(chunk("fmt ", fmtBody(0xFFFE, 2, 44100, 16) + le16(0)) + data)},
        {"extensible of another kind", riff(chunk("fmt ", badGuid) + data)},
        {"extensible of tag 2", riff(chunk("fmt ", extensibleBody(2, 2, 44100, 16)) + data)},
        {"data of one byte", riff(fmt16 + chunk("data", "\x01"))},
        {"data beyond the file", longData},
        {"data of 4 GB", hugeData},
        {"a chunk beyond the file", hugeChunk},
    };
    for (const auto &c : cases) {
        CWave wave(1, 44100, folder.path().c_str());
        EXPECT_EQ(import(wave, c.bytes), 0) << c.name;
        EXPECT_EQ(wave.length, 0) << c.name;
    }
    // Every cut of a good file fails too, whether the RIFF size tells of
    // the cut or not.
    const std::string good = riff(chunk("LIST", "abc") + fmt16 + data);
    for (size_t cut = 0; cut < good.size(); ++cut) {
        std::string shorter = good.substr(0, cut);
        CWave wave(0, 44100, folder.path().c_str());
        EXPECT_EQ(import(wave, shorter), 0) << "cut at " << cut;
        if (cut >= 8) {
            shorter.replace(4, 4, le32(static_cast<uint32_t>(cut - 8)));
            EXPECT_EQ(import(wave, shorter), 0) << "cut at " << cut << ", size patched";
        }
    }
    CWave whole(0, 44100, folder.path().c_str());
    EXPECT_EQ(import(whole, good), 1);
}

// Bytes changed at random in a good file: the import answers, whatever it
// answers, and a success holds what the data chunk could give.
TEST_F(WaveRiffTest, CorruptedFilesNeverCrashOrHang)
{
    const std::string good = riff(chunk("LIST", "abc") + chunk("fmt ", fmtBody(1, 2, 44100, 16)) +
                                  chunk("data", pcm16(std::vector<int16_t>(64, 1000))));
    uint32_t x = 99;
    CWave wave(0, 44100, folder.path().c_str());
    for (int round = 0; round < 400; ++round) {
        std::string bytes = good;
        for (int k = 0; k < 3; ++k) {
            x = x * 1664525u + 1013904223u;
            bytes[(x >> 8) % bytes.size()] = static_cast<char>(x >> 24);
        }
        wave.Clear();
        if (import(wave, bytes)) {
            EXPECT_LE(wave.length, 4 * 64) << "round " << round;
        }
    }
}

TEST_F(WaveRiffTest, ImportAppendsOnlyFramesOfTheSameChannels)
{
    const std::string stereo =
        riff(chunk("fmt ", fmtBody(1, 2, 44100, 16)) + chunk("data", pcm16({1, 2, 3, 4})));
    const std::string mono = riff(chunk("fmt ", fmtBody(1, 1, 44100, 16)) + chunk("data", pcm16({5, 6})));
    CWave wave(0, 44100, folder.path().c_str());
    ASSERT_EQ(import(wave, stereo), 1);
    ASSERT_EQ(import(wave, stereo), 1);
    EXPECT_EQ(wave.length, 4);
    EXPECT_EQ(import(wave, mono), 0);
    EXPECT_EQ(wave.length, 4);
    EXPECT_EQ(wave.channels, 2);
    EXPECT_FLOAT_EQ(readAll(wave)[7], 4 / 32767.0f);
}

} // namespace
