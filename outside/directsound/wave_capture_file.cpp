#include "outside/directsound/wave_capture_file.h"

#include "sound/audio_stream_provider.h"

namespace {

void put16(uint8_t *at, uint32_t value)
{
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

void put32(uint8_t *at, uint32_t value)
{
    put16(at, value);
    put16(at + 2, value >> 16);
}

constexpr uint32_t kHeaderBytes = 44;

} // namespace

bool WaveCaptureFile::Open(const char *path, int32_t sampleRate, int32_t format)
{
    Close();
    const uint32_t bytes = static_cast<uint32_t>(Quorvane::AspBytesPerSample(format));
    if (!bytes)
        return false;
    file_ = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                        nullptr);
    if (file_ == INVALID_HANDLE_VALUE)
        return false;
    dataBytes_ = 0;
    const uint32_t channels = 2;
    uint8_t header[kHeaderBytes] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
    put32(header + 16, 16);
    put16(header + 20, format == Quorvane::kAspFloat ? 3 : 1);
    put16(header + 22, channels);
    put32(header + 24, static_cast<uint32_t>(sampleRate));
    put32(header + 28, static_cast<uint32_t>(sampleRate) * channels * bytes);
    put16(header + 32, channels * bytes);
    put16(header + 34, bytes * 8);
    header[36] = 'd';
    header[37] = 'a';
    header[38] = 't';
    header[39] = 'a';
    if (!Write(header, kHeaderBytes)) {
        Close();
        return false;
    }
    dataBytes_ = 0;
    return true;
}

bool WaveCaptureFile::Write(const void *bytes, uint32_t count)
{
    DWORD written = 0;
    if (!IsOpen() || !WriteFile(file_, bytes, count, &written, nullptr) || written != count)
        return false;
    dataBytes_ += count;
    return true;
}

void WaveCaptureFile::Close()
{
    if (!IsOpen())
        return;
    uint8_t size[4];
    DWORD written = 0;
    put32(size, kHeaderBytes - 8 + dataBytes_);
    SetFilePointer(file_, 4, nullptr, FILE_BEGIN);
    WriteFile(file_, size, 4, &written, nullptr);
    put32(size, dataBytes_);
    SetFilePointer(file_, 40, nullptr, FILE_BEGIN);
    WriteFile(file_, size, 4, &written, nullptr);
    CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
}
