// The last velocity stage of every note a drummer emits: an optional level
// that rescales velocities around a centre, an optional 14-bit gain, and
// lower and upper limits. Runs on the host's processing thread: apply only
// reads.
#pragma once

#include <cstdint>

class OutputVelocityDynamics {
public:
    static constexpr int32_t kUnityGain = 8192;

    OutputVelocityDynamics(int32_t min, int32_t max);

    // Lower limit 1..127; the upper limit keeps 2 above it where it can.
    void setMin(int32_t value);
    // Upper limit 1..127; the lower limit keeps 2 below it where it can.
    void setMax(int32_t value);
    // Level 0..127, 0 = off.
    void setLevel(int32_t value);
    // Gain -8191..8191 around unity; below -8191 silences to the minimum.
    void setGain(int32_t value);
    // How much of the level applies, 0..100.
    void setPercent(int32_t value);

    // The output velocity of an input velocity.
    int32_t apply(int32_t velocity) const;

    // The adjusted level the mapping uses (0 = off).
    int32_t level() const { return level_; }
    // The level as the user set it.
    int32_t userLevel() const { return userLevel_; }
    // Kept gain: gain + 8192, 0 while no gain was set.
    int32_t gain() const { return gain_; }
    int32_t min() const { return min_; }
    int32_t max() const { return max_; }
    int32_t centre() const { return centre_; }
    int32_t factor() const { return factor_; }
    int32_t percent() const { return percent_; }

private:
    void recompute();

    int32_t gain_ = 0;
    int32_t level_ = 0;
    int32_t min_ = 1;
    int32_t max_ = 127;
    int32_t centre_ = 0;
    int32_t factor_ = 1024;
    int32_t percent_ = 100;
    // Every recompute derives level_ from this, so settings never drift.
    int32_t userLevel_ = 0;
};
