// A song's timing and audio settings, and the descriptor that names an output
// port, effect module or stream provider (by name or by GUID) with an opaque
// parameter or state block. Both copy deeply and move cheaply (Pump).
#pragma once

#include "data/corvadel_api.h"

#include <guiddef.h>

namespace Quorvane {

enum : long { PORT_NONE = -1, PORT_BY_NAME = 0, PORT_BY_GUID = 1 };

struct CORVADEL_API PORTDESCR {
    PORTDESCR() = default;
    explicit PORTDESCR(long descriptorKind) : kind(descriptorKind) {}
    PORTDESCR(const PORTDESCR &other);
    PORTDESCR &operator=(const PORTDESCR &other);
    ~PORTDESCR() { Clear(0); }

    // Copies (null for a null or empty text); 0 when the copy failed, and
    // SetName also for an empty text.
    int SetName(const char *text);
    int SetData(const char *text);
    int SetData(const GUID *guid);
    // Replaces the parameter block with a copy; 0 when memory runs out.
    int SetParams(const void *bytes, long size);
    // Frees everything unless keep (the memory went elsewhere), then zeroes
    // and sets kind -1.
    void Clear(int keep);
    // Same kind and byte-equal data (name and parameters not compared).
    int IsEqual(const PORTDESCR &other) const;
    // IsEqual and a byte-equal parameter block.
    int IsEqualParams(const PORTDESCR &other) const;
    // Takes the other's content over; the other is left empty.
    void Pump(PORTDESCR &other);

    char *name = nullptr;
    long kind = PORT_NONE;
    void *data = nullptr;
    long dataSize = 0;
    void *params = nullptr;
    long paramsSize = 0;
};

// Defaults set by Clear.
constexpr long kDefaultTimeBase = 960;
constexpr long kDefaultSampleRate = 44100;
constexpr long kDefaultBitsPerSample = 16;
constexpr long kDefaultBufferFrames = 512;
// Bits per sample of 32-bit float samples.
constexpr long kFloatSamples = 0x8020;

// What positions are computed with: a time base or sample rate below 1
// (from a damaged record) counts as the default, so nothing divides by 0.
constexpr long UsableTimeBase(long timeBase)
{
    return timeBase > 0 ? timeBase : kDefaultTimeBase;
}
constexpr long UsableSampleRate(long sampleRate)
{
    return sampleRate > 0 ? sampleRate : kDefaultSampleRate;
}

enum : int { IOSTR_WAVEDIR = 0, IOSTR_VSTDIR1 = 1, IOSTR_VSTDIR2 = 2, IOSTR_VSTDIR3 = 3, IOSTR_COUNT = 4 };

struct CORVADEL_API IOPARAMS {
    IOPARAMS() { Clear(1); }
    IOPARAMS(const IOPARAMS &other);
    IOPARAMS &operator=(const IOPARAMS &other);
    ~IOPARAMS() { Clear(0); }

    // Defaults back; the strings freed unless keep.
    void Clear(int keep);
    void Pump(IOPARAMS &other);
    // Replaces one of the four strings with a copy; 0 when memory runs out.
    int SetString(int which, const char *text);

    long timeBase;      // "Timebase": ticks per quarter note
    long sampleRate;    // "SPS"
    long bitsPerSample; // "BPS": 16, 24, 32 or kFloatSamples
    long bufferFrames;  // "Samples"
    long asp;           // "ASP": stream provider index
    long aspPort;       // "ASPPort"
    PORTDESCR port1;
    PORTDESCR port2;
    // "WDir" (the audio tracks' working folder) and the three "VSTDirX".
    char *strings[IOSTR_COUNT];

private:
    void CopyNumbers(const IOPARAMS &other);
};

} // namespace Quorvane
