// A WAVE file written buffer by buffer in a device's sample format: 16, 24
// or 32-bit PCM, or 32-bit float; the sizes are written when it closes.
#pragma once

#include <windows.h>

#include <cstdint>

class WaveCaptureFile {
public:
    WaveCaptureFile() = default;
    WaveCaptureFile(const WaveCaptureFile &) = delete;
    WaveCaptureFile &operator=(const WaveCaptureFile &) = delete;
    ~WaveCaptureFile() { Close(); }

    // Stereo at the rate; format 16, 24, 32 or 0x8020 (float). False when
    // the file cannot be made.
    bool Open(const char *path, int32_t sampleRate, int32_t format);
    bool Write(const void *bytes, uint32_t count);
    // Patches the sizes and closes.
    void Close();
    bool IsOpen() const { return file_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
    uint32_t headerBytes_ = 0;
    uint32_t frameBytes_ = 0;
    uint32_t dataBytes_ = 0;
    // Where the frame count and the data size are patched (0: no count).
    LONG factAt_ = 0;
    LONG dataSizeAt_ = 0;
};
