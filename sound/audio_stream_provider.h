// The audio stream provider interface: a module registered by name that
// owns a device (or a channel to another process) and asks the sound
// engine for audio buffer by buffer. The engine hands it its buffers and
// events in one parameter block. Providers are separate modules, so the
// slot order and the block's layout are the contract; the block holds
// pointers and is only ever shared inside one process.
#pragma once

#include "data/sound_interfaces.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace Quorvane {

// Sample format of 32-bit float samples.
constexpr int32_t kAspFloat = 0x8020;

struct ASPOPENPARAMS {
    int32_t port;            // the provider port to open
    int32_t sampleRate;      // frames per second
    int32_t sampleFormat;    // 16, 24, 32 (integer) or kAspFloat
    int32_t bufferCount;     // always 4
    int32_t framesPerBuffer; // the most frames a buffer request may ask for
    // bufferCount contiguous buffers in the sample format, interleaved
    // stereo, framesPerBuffer frames each.
    void *sampleBuffers;
    // The same buffers as floats, before conversion.
    float *floatBuffers;
    // Where the program's main window handle is kept (0 when none).
    HWND *mainWindow;
    // bufferCount auto-reset events, one per buffer.
    HANDLE *bufferEvents;
    // Made by the provider's Open with malloc (bufferCount counts), filled
    // before it sets a buffer's event; freed by the engine with free.
    int32_t *framesWanted;
};

// The provider's settings page record (40 bytes, zero-filled by its
// reader; the engine does not use it). Providers are built apart, so the
// layout is the 32-bit one: the parent window's handle takes 32 bits at
// offset 28 (window handles fit them); AspWindowValue and AspParentWindow
// convert.
#pragma pack(push, 4)
struct ASPSETTINGS {
    int32_t channel;
    int32_t sampleRate;
    uint16_t sampleFormat;
    uint8_t reserved1[6];
    int32_t bufferFrames;
    uint8_t reserved2[8];
    uint32_t parentWindow;
    uint8_t reserved3[8];
};
#pragma pack(pop)
static_assert(sizeof(ASPSETTINGS) == 40);
static_assert(offsetof(ASPSETTINGS, sampleRate) == 4);
static_assert(offsetof(ASPSETTINGS, sampleFormat) == 8);
static_assert(offsetof(ASPSETTINGS, bufferFrames) == 16);
static_assert(offsetof(ASPSETTINGS, parentWindow) == 28);

// A window handle as the record keeps it.
inline uint32_t AspWindowValue(HWND window)
{
    return HandleToULong(window);
}

// The page's parent window; the 32 bits are sign-extended, as handles
// widen on this system.
inline HWND AspParentWindow(const ASPSETTINGS &settings)
{
    return static_cast<HWND>(LongToHandle(static_cast<LONG>(settings.parentWindow)));
}

class IAudioStreamProvider {
public:
    // Takes the engine's buffers and events for the port named in the
    // block; 1, or 0 with everything released.
    virtual int Open(ASPOPENPARAMS *params, const char *clientName) = 0;
    // Stops, lets go of the port and deletes the object.
    virtual void Release() = 0;
    // From now on buffer events may be set; 1.
    virtual int Start() = 0;
    // The engine filled the buffer; 1, or 0 when the provider failed.
    virtual int BufferDone(int index) = 0;
    virtual int ShowSettings(ASPSETTINGS *settings) = 0;
    virtual int GetSettings(ASPSETTINGS *settings) = 0;
    virtual int CloseSettings() = 0;
    // The provider calls it on its own thread with what its host reports.
    virtual void SetCallback(ASPNotifyProc callback, ULONG_PTR user) = 0;

protected:
    ~IAudioStreamProvider() = default;
};

// The entry every provider module exports.
using GetASPInterfaceProc = IAudioStreamProvider *(*)();

// An entry a provider module that plays to a device may export: 1 when the
// provider it opened last plays nothing because no device took its stream,
// else 0.
constexpr char kAspPlaysSilentEntry[] = "ASPPlaysSilent";
using AspPlaysSilentProc = int (*)();

// Bytes of one sample of a format; 0 for a format the engine does not know.
constexpr int AspBytesPerSample(int32_t format)
{
    return format == 16 ? 2 : format == 24 ? 3 : (format == 32 || format == kAspFloat) ? 4 : 0;
}

} // namespace Quorvane
