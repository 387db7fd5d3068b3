// What the "DirectSound" stream provider can do besides playing: hand every
// buffer the engine fills to a capture (a WAVE file, a function or both),
// paced as a device would ask for them or unpaced, as fast as the engine
// fills them (for tests and benchmarks).
#pragma once

#include <windows.h>

#include <cstdint>

extern "C" {

using DirectSoundCaptureProc = void (*)(void *user, const void *bytes, int32_t frames, int32_t bytesPerFrame);

struct DSCAPTURE {
    // 1: no device and no timer; the next buffer is asked for as soon as
    // the engine hands back the last.
    int32_t unpaced;
    // After this many buffers no more are asked for (0: no limit).
    int32_t maxBuffers;
    // Every buffer goes into this WAVE file, in the engine's sample format
    // (null: none).
    const char *wavePath;
    // Called with every buffer on the provider's thread (null: none).
    DirectSoundCaptureProc onBuffer;
    void *user;
    // Set once the last of maxBuffers buffers was captured (null: none).
    HANDLE finished;
};

// The export "DirectSoundSetCapture": the capture of the providers opened
// from now on; null turns it off. 1, or 0 for a path too long.
using DirectSoundSetCaptureProc = int (*)(const DSCAPTURE *capture);
}
