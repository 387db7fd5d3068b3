#include "data/wave.h"
#include "data/levels.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace Quorvane {

namespace {

// Opened for reading and writing, not shared, sequential, and deleted when
// closed: nothing is left behind, whatever way the program ends.
HANDLE CreateTempFile(const char *folder, const char *prefix)
{
    char dir[MAX_PATH];
    if (folder && *folder) {
        if (std::strlen(folder) >= sizeof(dir))
            return INVALID_HANDLE_VALUE;
        std::strcpy(dir, folder);
    } else if (!GetTempPathA(sizeof(dir), dir)) {
        return INVALID_HANDLE_VALUE;
    }
    char path[MAX_PATH];
    if (!GetTempFileNameA(dir, prefix, 0, path))
        return INVALID_HANDLE_VALUE;
    HANDLE file = CreateFileA(
        path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        DeleteFileA(path);
    return file;
}

void CloseFile(HANDLE &file)
{
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    file = INVALID_HANDLE_VALUE;
}

void CloseObject(HANDLE &object)
{
    if (object)
        CloseHandle(object);
    object = nullptr;
}

int Truncate(HANDLE file)
{
    LARGE_INTEGER zero{};
    return file != INVALID_HANDLE_VALUE && SetFilePointerEx(file, zero, nullptr, FILE_BEGIN) &&
           SetEndOfFile(file);
}

int Seek(HANDLE file, uint64_t byte)
{
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(byte);
    return byte <= uint64_t(INT64_MAX) && SetFilePointerEx(file, to, nullptr, FILE_BEGIN);
}

// Reads up to bytes; fewer only at the end of the file. -1 on failure.
int64_t ReadRaw(HANDLE file, void *data, uint64_t bytes)
{
    auto *to = static_cast<unsigned char *>(data);
    uint64_t got = 0;
    while (got < bytes) {
        const DWORD piece = static_cast<DWORD>(std::min<uint64_t>(bytes - got, 1u << 30));
        DWORD done = 0;
        if (!ReadFile(file, to + got, piece, &done, nullptr))
            return -1;
        got += done;
        if (done < piece)
            break;
    }
    return static_cast<int64_t>(got);
}

int WriteRaw(HANDLE file, const void *data, uint64_t bytes)
{
    const auto *from = static_cast<const unsigned char *>(data);
    for (uint64_t put = 0; put < bytes;) {
        const DWORD piece = static_cast<DWORD>(std::min<uint64_t>(bytes - put, 1u << 30));
        DWORD done = 0;
        if (!WriteFile(file, from + put, piece, &done, nullptr) || done != piece)
            return 0;
        put += done;
    }
    return 1;
}

} // namespace

CWave::CWave(int playbackWave, long rate, const char *place) : playback(playbackWave), sampleRate(rate)
{
    for (int i = 0; i < kPlayBuffers; ++i)
        buffers[i].index = i;
    if (place && std::strlen(place) < sizeof(folder))
        std::strcpy(folder, place);
    sync = CLock::PrepareSyncObject();
    sampleFile = CreateTempFile(place, "AT_");
    if (sampleFile != INVALID_HANDLE_VALUE)
        filePosition = 0;
    if (!playback)
        return;
    peakFile = CreateTempFile(place, "AG_");
    requestEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    readyEvent = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    if (requestEvent && readyEvent)
        readerThread = CreateThread(nullptr, 0, ReaderMain, this, 0, nullptr);
}

CWave::~CWave()
{
    if (readerThread) {
        stopReader = 1;
        SetEvent(requestEvent);
        WaitForSingleObject(readerThread, INFINITE);
        CloseObject(readerThread);
    }
    CloseObject(requestEvent);
    CloseObject(readyEvent);
    CloseFile(sampleFile);
    CloseFile(peakFile);
    CLock::UnprepareSyncObject(sync);
    for (PLAYHDR &buffer : buffers)
        std::free(buffer.buffer);
    std::free(fadeBuffer);
}

int CWave::IsStateOk() const
{
    if (!sync || sampleFile == INVALID_HANDLE_VALUE)
        return 0;
    return !playback || (peakFile != INVALID_HANDLE_VALUE && requestEvent && readyEvent && readerThread);
}

void CWave::Clear()
{
    CLock lock(sync);
    length = 0;
    peakLength = 0;
    changed = 1;
    Truncate(sampleFile);
    Truncate(peakFile);
    filePosition = -1;
}

int CWave::SetPosition(int64_t frame)
{
    if (frame < 0 || frame > INT64_MAX / bytesPerFrame)
        return 0;
    CLock lock(sync);
    if (frame == filePosition)
        return 1;
    if (!Seek(sampleFile, uint64_t(frame) * bytesPerFrame)) {
        filePosition = -1;
        return 0;
    }
    filePosition = frame;
    return 1;
}

int CWave::Read(float *buffer, int64_t position, unsigned long frames)
{
    if (!frames)
        return 1;
    if (!buffer)
        return 0;
    CLock lock(sync);
    const unsigned long silent =
        position < 0 ? static_cast<unsigned long>(std::min<uint64_t>(frames, uint64_t(-(position + 1)) + 1))
                     : 0;
    std::memset(buffer, 0, uint64_t(silent) * bytesPerFrame);
    const unsigned long wanted = frames - silent;
    if (!wanted)
        return 1;
    position += silent;
    if (!SetPosition(position))
        return 0;
    auto *to = reinterpret_cast<unsigned char *>(buffer + uint64_t(silent) * channels);
    const uint64_t bytes = uint64_t(wanted) * bytesPerFrame;
    const int64_t got = ReadRaw(sampleFile, to, bytes);
    if (got < 0) {
        filePosition = -1;
        return 0;
    }
    std::memset(to + got, 0, bytes - got);
    filePosition = got % bytesPerFrame ? -1 : position + got / bytesPerFrame;
    return 1;
}

int CWave::Write(const float *buffer, int64_t position, unsigned long frames)
{
    if (!frames)
        return 1;
    if (!buffer || position < 0)
        return 0;
    CLock lock(sync);
    if (!SetPosition(position))
        return 0;
    changed = 1;
    if (!WriteRaw(sampleFile, buffer, uint64_t(frames) * bytesPerFrame)) {
        filePosition = -1;
        return 0;
    }
    filePosition = position + frames;
    return 1;
}

int CWave::Delta(float *buffer, unsigned long frames, int forward)
{
    if (!buffer)
        return frames == 0;
    const uint64_t samples = uint64_t(frames) * channels;
    if (forward) {
        for (uint64_t i = samples; i-- > uint64_t(channels);)
            buffer[i] -= buffer[i - channels];
    } else {
        for (uint64_t i = channels; i < samples; ++i)
            buffer[i] += buffer[i - channels];
    }
    return 1;
}

int CWave::CreateGraphics()
{
    if (!playback)
        return 1;
    CLock lock(sync);
    peakLength = 0;
    if (!Truncate(peakFile))
        return 0;
    const std::unique_ptr<float[]> frames(new (std::nothrow) float[kChunkFrames * channels]);
    const std::unique_ptr<float[]> pairs(new (std::nothrow) float[2 * kPeakPairsPerWrite]);
    if (!frames || !pairs)
        return 0;
    unsigned long pending = 0; // floats
    for (int64_t at = 0; at < length; at += kChunkFrames) {
        const auto n = static_cast<unsigned long>(std::min<int64_t>(kChunkFrames, length - at));
        if (!Read(frames.get(), at, n))
            return 0;
        for (unsigned long group = 0; group < n; group += kPeakFrames) {
            const unsigned long count = std::min(kPeakFrames, n - group) * channels;
            GetMinMax1(frames.get() + group * channels, count, pairs[pending], pairs[pending + 1]);
            pending += 2;
            if (pending == 2 * kPeakPairsPerWrite) {
                if (!WriteRaw(peakFile, pairs.get(), pending * sizeof(float)))
                    return 0;
                peakLength += pending;
                pending = 0;
            }
        }
    }
    if (pending && !WriteRaw(peakFile, pairs.get(), pending * sizeof(float)))
        return 0;
    peakLength += pending;
    return 1;
}

int CWave::ReadGraphics(float *buffer, int64_t pairIndex, unsigned long count)
{
    if (!count)
        return 1;
    if (!buffer || pairIndex < 0 || peakFile == INVALID_HANDLE_VALUE)
        return 0;
    CLock lock(sync);
    std::memset(buffer, 0, uint64_t(count) * 2 * sizeof(float));
    const int64_t available = peakLength / 2 - pairIndex;
    if (available <= 0)
        return 1;
    const uint64_t pairs = std::min<uint64_t>(count, uint64_t(available));
    return Seek(peakFile, uint64_t(pairIndex) * 2 * sizeof(float)) &&
           ReadRaw(peakFile, buffer, pairs * 2 * sizeof(float)) >= 0;
}

int CWave::CopyFrom(CWave &source)
{
    if (&source == this || !IsStateOk())
        return 0;
    const std::unique_ptr<float[]> frames(new (std::nothrow) float[kChunkFrames * source.channels]);
    if (!frames)
        return 0;
    // The two waves' locks are never held together.
    {
        CLock lock(sync);
        Clear();
        sampleRate = source.sampleRate;
        channels = source.channels;
        bytesPerFrame = source.bytesPerFrame;
    }
    const int64_t total = source.length;
    for (int64_t at = 0; at < total; at += kChunkFrames) {
        const auto n = static_cast<unsigned long>(std::min<int64_t>(kChunkFrames, total - at));
        if (!source.Read(frames.get(), at, n) || !Write(frames.get(), at, n))
            return 0;
        CLock lock(sync);
        length = at + n;
    }
    return CreateGraphics();
}

} // namespace Quorvane
