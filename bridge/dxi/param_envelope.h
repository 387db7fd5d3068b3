// One automatable parameter of the DXi bridge: its description, its value
// set directly (an override) or by envelope segments over time, and the
// evaluation of the envelope at a time. Each envelope has its own lock.
#pragma once

#include "base/critical_section.h"
#include "platform/media_params.h"

#include <vector>

namespace Halvorin {

// What describes a parameter: the published record, the range of the
// internal value, and an optional comma-separated enumeration text.
struct ParamDescription {
    MP_PARAMINFO info;
    float internalMin;
    float internalMax;
    const WCHAR *enumeration; // null for none
};

class CBridgeParamEnvelope {
public:
    explicit CBridgeParamEnvelope(const ParamDescription &description);

    const ParamDescription &Description() const { return description_; }

    // The parameter's value as the outside sees it.
    float GetParam();
    void SetParam(float value);
    // Appends segments (times in 100 ns units); sampleRate snaps them.
    void AddSegments(DWORD count, const MP_ENVELOPE_SEGMENT *segments, double sampleRate);
    // Removes every segment that overlaps [start, end].
    void Flush(REFERENCE_TIME start, REFERENCE_TIME end, double sampleRate);
    // Moves the value to what the envelope says at the time.
    void ValueAt(REFERENCE_TIME time);
    void SetCapturing(bool capturing);

    // The segments as they stand.
    std::vector<MP_ENVELOPE_SEGMENT> Segments();
    bool HasSegments();
    // Adds the segments' starts and ends, in samples at the rate, that lie
    // in [from, to) to points (which keeps its room between calls).
    void AddSegmentPoints(int64_t from, int64_t to, double sampleRate, std::vector<int64_t> &points);
    bool Overriding();
    bool Valid();

    // The internal value of an outside value, and back.
    float Internal(float outside) const;
    float Outside(float internal) const;

private:
    Quorvane::CriticalSection lock_;
    ParamDescription description_;
    std::vector<MP_ENVELOPE_SEGMENT> segments_;
    float value_; // internal
    // Rates of change; kept for the envelope's state, nothing reads them.
    float rate_ = 0.0f;
    float rateChange_ = 0.0f;
    bool valid_ = false;
    bool override_ = false;
    float overrideValue_ = 0.0f;
    bool capturing_ = false;
    REFERENCE_TIME latest_ = 0;
};

} // namespace Halvorin
