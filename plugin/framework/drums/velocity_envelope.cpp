#include "plugin/framework/drums/velocity_envelope.h"

#include <algorithm>

namespace {

int64_t clampBetween(int64_t value, int64_t a, int64_t b)
{
    return std::clamp(value, std::min(a, b), std::max(a, b));
}

// A bar counts four quarters.
constexpr int64_t kQuartersPerBar = 4;

} // namespace

VelocityEnvelope::VelocityEnvelope()
{
    reset();
}

void VelocityEnvelope::reset()
{
    positions_[0] = 0;
    // 959 * 1 / 2, as whole numbers.
    positions_[1] = (kCycleSteps - 1) / 2;
    positions_[2] = kCycleSteps - 1;
    for (int32_t &value : values_)
        value = 0;
    absolute_ = 0;
    on_ = 1;
}

void VelocityEnvelope::setBars(int32_t n)
{
    bars_ = std::max(n, 1);
}

void VelocityEnvelope::setStartBar(int32_t n)
{
    startBar_ = n >= 1 ? n - 1 : 0;
}

bool VelocityEnvelope::setAbsolute(int32_t mode)
{
    const int32_t wanted = mode != 0 ? 1 : 0;
    if (wanted == absolute_)
        return false;
    const int32_t range = std::max(range_, 0);
    for (int32_t &value : values_) {
        if (wanted)
            value = static_cast<int32_t>(std::clamp<int64_t>(int64_t(value) + centre_, 1, 127));
        else
            value = static_cast<int32_t>(std::clamp<int64_t>(int64_t(value) - centre_, -range, range));
    }
    absolute_ = wanted;
    return true;
}

void VelocityEnvelope::setPoint(int i, int32_t position, int32_t value)
{
    positions_[index(i)] = position;
    values_[index(i)] = value;
}

int64_t VelocityEnvelope::valueAt(int64_t p) const
{
    if (p <= positions_[0])
        return values_[0];
    for (int k = 1; k < kPointCount; ++k) {
        if (positions_[k] >= p) {
            // positions_[k - 1] < p here, so the span is never 0.
            const int64_t from = positions_[k - 1];
            const int64_t span = positions_[k] - from;
            return values_[k - 1] + (p - from) * (int64_t(values_[k]) - values_[k - 1]) / span;
        }
    }
    return values_[kPointCount - 1];
}

int32_t VelocityEnvelope::apply(int32_t velocity, int32_t time, int32_t ticksPerQuarter) const
{
    if (!on_)
        return velocity;
    const int64_t quarter = ticksPerQuarter;
    const int64_t cycle = int64_t(bars_) * kQuartersPerBar * quarter;
    int64_t p = 0;
    if (cycle > 0) {
        p = (int64_t(time) - int64_t(startBar_) * kQuartersPerBar * quarter) * kCycleSteps / cycle;
        p %= kCycleSteps;
        if (p < 0)
            p += kCycleSteps;
    }
    int64_t result = valueAt(p);
    if (!absolute_)
        result += velocity;
    return static_cast<int32_t>(clampBetween(result, 1, 127));
}

bool VelocityEnvelope::save(Quorvane::OutputStream &out) const
{
    bool ok = out.write(kStreamVersion);
    for (int i = 0; i < kPointCount; ++i)
        ok = ok && out.writeInt32(positions_[i]) && out.writeInt32(values_[i]);
    return ok && out.write(absolute_) && out.write(int32_t(on_ ? 1 : 0)) && out.write(range_) &&
           out.write(centre_);
}

bool VelocityEnvelope::load(Quorvane::InputStream &in)
{
    int32_t version = 0;
    int32_t points[kPointCount * 2];
    int32_t absolute = 0, on = 0, range = 0, centre = 0;
    // The version is read and not checked: there has been one layout.
    bool ok = in.read(version);
    for (int32_t &field : points)
        ok = ok && in.read(field);
    ok = ok && in.read(absolute) && in.read(on) && in.read(range) && in.read(centre);
    if (!ok)
        return false;
    for (int i = 0; i < kPointCount; ++i) {
        positions_[i] = points[2 * i];
        values_[i] = points[2 * i + 1];
    }
    absolute_ = absolute != 0 ? 1 : 0;
    on_ = on != 0 ? 1 : 0;
    range_ = range;
    centre_ = centre;
    return true;
}
