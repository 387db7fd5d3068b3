#include "plugin/framework/drums/output_velocity_dynamics.h"

#include <algorithm>

namespace {

// Clamps into lo..hi, whichever of the two is the larger.
int32_t clampBetween(int32_t value, int32_t a, int32_t b)
{
    return std::clamp(value, std::min(a, b), std::max(a, b));
}

} // namespace

OutputVelocityDynamics::OutputVelocityDynamics(int32_t min, int32_t max)
{
    setMin(min);
    setMax(max);
}

void OutputVelocityDynamics::setMin(int32_t value)
{
    min_ = std::clamp(value, 1, 127);
    const int32_t lim = min_ + 2;
    if (lim > 127)
        max_ = clampBetween(max_, 127, lim);
    else
        max_ = std::min(std::max(max_, lim), 127);
    recompute();
}

void OutputVelocityDynamics::setMax(int32_t value)
{
    max_ = std::clamp(value, 1, 127);
    const int32_t lim = max_ - 2;
    if (lim < 1)
        min_ = clampBetween(min_, lim, 1);
    else if (min_ < 1)
        min_ = 1;
    else
        min_ = std::min(min_, lim);
    recompute();
}

void OutputVelocityDynamics::setLevel(int32_t value)
{
    userLevel_ = std::clamp(value, 0, 127);
    recompute();
}

void OutputVelocityDynamics::setGain(int32_t value)
{
    gain_ = value < -8191 ? 1 : std::min(value, 8191) + kUnityGain;
}

void OutputVelocityDynamics::setPercent(int32_t value)
{
    percent_ = std::clamp(value, 0, 100);
    recompute();
}

void OutputVelocityDynamics::recompute()
{
    centre_ = max_ * 100 / 127;
    if (centre_ <= min_)
        centre_ = (min_ + max_) / 2;
    factor_ = 1024;
    level_ = userLevel_;
    if (level_ != 0) {
        // Levels below the centre are squeezed into 64..centre.
        if (level_ < centre_)
            level_ = (centre_ - 64) * level_ / centre_ + 64;
        level_ = centre_ + (level_ - centre_) * percent_ / 100;
        factor_ = level_ * 1024 / centre_;
    }
}

int32_t OutputVelocityDynamics::apply(int32_t velocity) const
{
    // 64-bit, so no input can overflow on its way to the limits.
    int64_t v = velocity;
    if (level_ != 0)
        v = (v - centre_) * factor_ / 1024 + level_;
    if (gain_ != 0)
        v = gain_ * v / kUnityGain;
    const int32_t lo = std::min(min_, max_);
    const int32_t hi = std::max(min_, max_);
    return static_cast<int32_t>(std::clamp<int64_t>(v, lo, hi));
}
