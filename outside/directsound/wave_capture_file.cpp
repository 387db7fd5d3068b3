#include "outside/directsound/wave_capture_file.h"

#include "sound/audio_stream_provider.h"

#include <vector>

namespace {

void put16(std::vector<uint8_t> &out, uint32_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void put32(std::vector<uint8_t> &out, uint32_t value)
{
    put16(out, value);
    put16(out, value >> 16);
}

void putId(std::vector<uint8_t> &out, const char *id)
{
    out.insert(out.end(), id, id + 4);
}

bool writeAt(HANDLE file, LONG position, uint32_t value)
{
    std::vector<uint8_t> bytes;
    put32(bytes, value);
    DWORD written = 0;
    return SetFilePointer(file, position, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
           WriteFile(file, bytes.data(), 4, &written, nullptr) && written == 4;
}

} // namespace

// PCM: "fmt " of 16 bytes. Float: "fmt " of 18 bytes (no extra bytes) and a
// "fact" chunk with the frame count, as readers of non-PCM data expect.
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
    const bool isFloat = format == Quorvane::kAspFloat;
    const uint32_t channels = 2;
    frameBytes_ = channels * bytes;
    std::vector<uint8_t> header;
    putId(header, "RIFF");
    put32(header, 0);
    putId(header, "WAVE");
    putId(header, "fmt ");
    put32(header, isFloat ? 18 : 16);
    put16(header, isFloat ? 3 : 1);
    put16(header, channels);
    put32(header, static_cast<uint32_t>(sampleRate));
    put32(header, static_cast<uint32_t>(sampleRate) * frameBytes_);
    put16(header, frameBytes_);
    put16(header, bytes * 8);
    if (isFloat) {
        put16(header, 0);
        putId(header, "fact");
        put32(header, 4);
        factAt_ = static_cast<LONG>(header.size());
        put32(header, 0);
    } else {
        factAt_ = 0;
    }
    putId(header, "data");
    dataSizeAt_ = static_cast<LONG>(header.size());
    put32(header, 0);
    headerBytes_ = static_cast<uint32_t>(header.size());
    dataBytes_ = 0;
    DWORD written = 0;
    if (!WriteFile(file_, header.data(), headerBytes_, &written, nullptr) || written != headerBytes_) {
        Close();
        return false;
    }
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
    writeAt(file_, 4, headerBytes_ - 8 + dataBytes_);
    if (factAt_)
        writeAt(file_, factAt_, dataBytes_ / frameBytes_);
    writeAt(file_, dataSizeAt_, dataBytes_);
    CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
}
