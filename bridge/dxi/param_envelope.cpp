#include "bridge/dxi/param_envelope.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Halvorin {

namespace {

constexpr double kReferenceUnits = 10000000.0;

// A time on the sample grid of the rate.
REFERENCE_TIME snap(REFERENCE_TIME time, double sampleRate)
{
    if (sampleRate <= 0.0)
        return time;
    const double factor = sampleRate / kReferenceUnits;
    return static_cast<REFERENCE_TIME>(std::llround(std::trunc(time * factor) / factor));
}

bool sameSegment(const MP_ENVELOPE_SEGMENT &a, const MP_ENVELOPE_SEGMENT &b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

CBridgeParamEnvelope::CBridgeParamEnvelope(const ParamDescription &description) : description_(description)
{
    value_ = Internal(description.info.mpdNeutralValue);
    override_ = true;
    overrideValue_ = value_;
}

float CBridgeParamEnvelope::Internal(float outside) const
{
    const MP_PARAMINFO &info = description_.info;
    if (info.mpType == MPT_BOOL)
        return outside >= 0.5f ? 1.0f : 0.0f;
    const float span = info.mpdMaxValue - info.mpdMinValue;
    const float scaled =
        span == 0.0f ? description_.internalMin
                     : description_.internalMin + (outside - info.mpdMinValue) / span *
                                                      (description_.internalMax - description_.internalMin);
    return info.mpType == MPT_FLOAT ? scaled : std::floor(scaled + 0.5f);
}

float CBridgeParamEnvelope::Outside(float internal) const
{
    const MP_PARAMINFO &info = description_.info;
    if (info.mpType == MPT_BOOL)
        return internal;
    const float span = description_.internalMax - description_.internalMin;
    return span == 0.0f ? info.mpdMinValue
                        : info.mpdMinValue + (internal - description_.internalMin) / span *
                                                 (info.mpdMaxValue - info.mpdMinValue);
}

float CBridgeParamEnvelope::GetParam()
{
    Quorvane::CriticalSectionGuard guard(lock_);
    return Outside(override_ || capturing_ ? overrideValue_ : value_);
}

void CBridgeParamEnvelope::SetParam(float value)
{
    Quorvane::CriticalSectionGuard guard(lock_);
    override_ = true;
    overrideValue_ = value_ = Internal(value);
    rate_ = rateChange_ = 0.0f;
}

void CBridgeParamEnvelope::AddSegments(DWORD count, const MP_ENVELOPE_SEGMENT *segments, double sampleRate)
{
    if (count == 0)
        return;
    Quorvane::CriticalSectionGuard guard(lock_);
    REFERENCE_TIME earliest = segments[0].rtStart;
    for (DWORD i = 0; i < count; ++i) {
        segments_.push_back(segments[i]);
        earliest = std::min(earliest, segments[i].rtStart);
    }
    earliest = snap(earliest, sampleRate);
    const auto byStart = [](const MP_ENVELOPE_SEGMENT &a, const MP_ENVELOPE_SEGMENT &b) {
        return a.rtStart < b.rtStart;
    };
    std::stable_sort(segments_.begin(), segments_.end(), byStart);
    // The envelope already went past the new segments' start: what lies
    // before the segment that holds that time is over.
    if (latest_ > earliest) {
        auto holding =
            std::upper_bound(segments_.begin(), segments_.end(), earliest,
                             [](REFERENCE_TIME t, const MP_ENVELOPE_SEGMENT &s) { return t < s.rtStart; });
        if (holding != segments_.begin())
            segments_.erase(segments_.begin(), holding - 1);
    }
    segments_.erase(std::unique(segments_.begin(), segments_.end(), sameSegment), segments_.end());
}

void CBridgeParamEnvelope::Flush(REFERENCE_TIME start, REFERENCE_TIME end, double sampleRate)
{
    Quorvane::CriticalSectionGuard guard(lock_);
    start = snap(start, sampleRate);
    end = snap(end, sampleRate);
    std::erase_if(segments_, [start, end](const MP_ENVELOPE_SEGMENT &s) {
        return s.rtEnd >= start && s.rtStart <= end;
    });
    latest_ = 0;
    if (segments_.empty()) {
        override_ = true;
        overrideValue_ = value_;
    }
}

void CBridgeParamEnvelope::ValueAt(REFERENCE_TIME time)
{
    Quorvane::CriticalSectionGuard guard(lock_);
    latest_ = std::max(latest_, time);
    const auto holding =
        std::upper_bound(segments_.begin(), segments_.end(), time,
                         [](REFERENCE_TIME t, const MP_ENVELOPE_SEGMENT &s) { return t < s.rtStart; });
    valid_ = true;
    if (holding == segments_.begin())
        return;
    const MP_ENVELOPE_SEGMENT &segment = *(holding - 1);
    if (time > segment.rtEnd) {
        value_ = Internal(segment.valEnd);
        return;
    }
    override_ = false;
    const double length = static_cast<double>(segment.rtEnd - segment.rtStart);
    const float u = length > 0.0 ? static_cast<float>((time - segment.rtStart) / length) : 1.0f;
    const float e = Internal(segment.valStart);
    const float f = Internal(segment.valEnd);
    switch (segment.iCurve) {
    case MP_CURVE_JUMP:
        value_ = e;
        break;
    case MP_CURVE_LINEAR:
        value_ = e + u * (f - e);
        break;
    case MP_CURVE_SQUARE:
        value_ = e + u * u * (f - e);
        break;
    case MP_CURVE_INVSQUARE:
        value_ = f - (1.0f - u) * (1.0f - u) * (f - e);
        break;
    default:
        // A sine, or a curve the parameter does not offer: no value.
        valid_ = false;
        break;
    }
}

void CBridgeParamEnvelope::SetCapturing(bool capturing)
{
    Quorvane::CriticalSectionGuard guard(lock_);
    capturing_ = capturing;
}

std::vector<MP_ENVELOPE_SEGMENT> CBridgeParamEnvelope::Segments()
{
    Quorvane::CriticalSectionGuard guard(lock_);
    return segments_;
}

bool CBridgeParamEnvelope::HasSegments()
{
    Quorvane::CriticalSectionGuard guard(lock_);
    return !segments_.empty();
}

void CBridgeParamEnvelope::AddSegmentPoints(int64_t from, int64_t to, double sampleRate,
                                            std::vector<int64_t> &points)
{
    Quorvane::CriticalSectionGuard guard(lock_);
    for (const MP_ENVELOPE_SEGMENT &segment : segments_) {
        for (const REFERENCE_TIME time : {segment.rtStart, segment.rtEnd}) {
            const int64_t sample = std::llround(time * sampleRate / kReferenceUnits);
            if (sample >= from && sample < to)
                points.push_back(sample);
        }
    }
}

bool CBridgeParamEnvelope::Overriding()
{
    Quorvane::CriticalSectionGuard guard(lock_);
    return override_;
}

bool CBridgeParamEnvelope::Valid()
{
    Quorvane::CriticalSectionGuard guard(lock_);
    return valid_;
}

} // namespace Halvorin
