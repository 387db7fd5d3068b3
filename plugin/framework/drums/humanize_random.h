// A drummer's own random numbers (0..32767), for velocity humanizing and
// pattern draws: a small linear congruential generator, so the real-time
// thread touches no C library state and a seed reproduces a run exactly.
#pragma once

#include <cstdint>

namespace Quorvane {

class HumanizeRandom {
public:
    explicit HumanizeRandom(uint32_t seed = 1) : state_(seed) {}

    void seed(uint32_t seed) { state_ = seed; }

    // 0..32767.
    int32_t next()
    {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int32_t>((state_ >> 16) & 0x7FFF);
    }

    // Uniform in -range..range; 0 for a range of 0 or less.
    int32_t spread(int32_t range)
    {
        if (range <= 0)
            return 0;
        return next() % (2 * range + 1) - range;
    }

private:
    uint32_t state_;
};

} // namespace Quorvane
