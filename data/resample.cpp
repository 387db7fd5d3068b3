#include "data/resample.h"
#include "data/sample_conv_variants.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>

namespace Quorvane {

namespace {

constexpr int kFracBits = 15;
constexpr int64_t kOne = int64_t(1) << kFracBits;
// Table entries per source frame: the table step is the phase >> 7.
constexpr int kTableShift = 7;
constexpr int kEntriesPerFrame = int(kOne >> kTableShift);

// The four kernels: windowed sinc (Kaiser window) of these half widths in
// source frames, coefficients in 14 fractional bits (16384 at the centre).
constexpr int kHalfWidths[4] = {4, 8, 16, 32};
constexpr double kWindowBeta[4] = {5.0, 6.0, 7.5, 9.0};
constexpr int kMaxEntries = 32 * kEntriesPerFrame + 1;

struct KernelTables {
    int16_t coefficients[4][kMaxEntries];

    KernelTables()
    {
        for (int k = 0; k < 4; ++k) {
            const int entries = kHalfWidths[k] * kEntriesPerFrame + 1;
            for (int e = 0; e < kMaxEntries; ++e)
                coefficients[k][e] = e < entries ? Coefficient(k, double(e) / kEntriesPerFrame) : 0;
        }
    }

    static int16_t Coefficient(int kernel, double x)
    {
        const double half = kHalfWidths[kernel];
        const double sinc = x == 0.0 ? 1.0 : std::sin(std::numbers::pi * x) / (std::numbers::pi * x);
        const double edge = 1.0 - (x / half) * (x / half);
        const double window =
            BesselI0(kWindowBeta[kernel] * std::sqrt(std::max(0.0, edge))) / BesselI0(kWindowBeta[kernel]);
        return static_cast<int16_t>(std::lround(16384.0 * sinc * window));
    }

    // Modified Bessel function of the first kind, order 0 (its series).
    static double BesselI0(double x)
    {
        double sum = 1.0, term = 1.0;
        for (int k = 1; k < 50 && term > 1e-12 * sum; ++k) {
            term *= (x / (2.0 * k)) * (x / (2.0 * k));
            sum += term;
        }
        return sum;
    }
};

// Built when the library loads.
const KernelTables kernels;

int64_t StepOf(double ratio)
{
    if (!std::isfinite(ratio) || ratio <= 0.0)
        return 0;
    const double step = std::round(ratio * double(kOne));
    return step >= 1.0 && step <= double(INT32_MAX) ? int64_t(step) : 0;
}

// Frames of 16- or 24-bit samples; a frame index outside the block reads
// the nearest frame inside it.
template <int Bytes> struct Frames {
    const unsigned char *source;
    long frames;
    int channels;

    int32_t At(int64_t frame, int channel) const
    {
        const int64_t f = std::clamp<int64_t>(frame, 0, frames - 1);
        const unsigned char *p = source + (f * channels + channel) * Bytes;
        if constexpr (Bytes == 2) {
            int16_t v;
            std::memcpy(&v, p, 2);
            return v;
        } else {
            return Load24(p);
        }
    }
};

template <int Bytes> void Put(unsigned char *destination, int64_t sample, int64_t index)
{
    constexpr int64_t high = Bytes == 2 ? 32767 : 8388607;
    const auto v = static_cast<int32_t>(std::clamp(sample, -high - 1, high));
    unsigned char *p = destination + index * Bytes;
    if constexpr (Bytes == 2) {
        const auto s = static_cast<int16_t>(v);
        std::memcpy(p, &s, 2);
    } else {
        Store24(p, v);
    }
}

template <int Bytes> int64_t Linear(const Frames<Bytes> &in, int64_t i, int64_t phase, int c)
{
    const int64_t s0 = in.At(i, c), s1 = in.At(i + 1, c);
    return s0 + (((s1 - s0) * phase) >> kFracBits);
}

// Catmull-Rom through the frames before, at, after and two after.
template <int Bytes> int64_t Cubic(const Frames<Bytes> &in, int64_t i, int64_t t, int c)
{
    const int64_t before = in.At(i - 1, c), s0 = in.At(i, c), s1 = in.At(i + 1, c), s2 = in.At(i + 2, c);
    const int64_t c1 = s1 - before;
    const int64_t c2 = 2 * before - 5 * s0 + 4 * s1 - s2;
    const int64_t c3 = 3 * (s0 - s1) + s2 - before;
    int64_t v = (((c3 * t) >> kFracBits) + c2) * t >> kFracBits;
    v = ((v + c1) * t) >> (kFracBits + 1);
    return s0 + v;
}

struct KernelUse {
    const int16_t *table;
    int64_t lastEntry;
    int64_t reach;   // source frames on each side
    int64_t stretch; // 15 fractional bits, 32768 unless downsampling
    int64_t gain;    // 14 fractional bits
};

KernelUse KernelFor(int mode, int64_t step)
{
    const int kernel = (mode >> 1) & 3;
    KernelUse use;
    use.table = kernels.coefficients[kernel];
    use.lastEntry = int64_t(kHalfWidths[kernel]) * kEntriesPerFrame;
    use.gain = (mode & 4) ? 14746 : 14732;
    use.stretch = kOne;
    use.reach = kHalfWidths[kernel];
    if (step > 0x7FFF) {
        use.stretch = (kOne * kOne) / step;
        use.gain = use.gain * use.stretch >> kFracBits;
        use.reach = (int64_t(kHalfWidths[kernel]) * step + kOne - 1) >> kFracBits;
    }
    return use;
}

template <int Bytes>
int64_t Filtered(const Frames<Bytes> &in, int64_t i, int64_t phase, int c, const KernelUse &k)
{
    int64_t sum = 0;
    for (int64_t j = 1 - k.reach; j <= k.reach; ++j) {
        const int64_t distance = std::llabs(j * kOne - phase) * k.stretch >> kFracBits;
        const int64_t entry = distance >> kTableShift;
        if (entry <= k.lastEntry)
            sum += in.At(i + j, c) * k.table[entry];
    }
    const int64_t unity = (sum + 8192) >> 14;
    return (unity * k.gain + 8192) >> 14;
}

template <int Bytes>
long Run(int64_t step, const void *source, long sourceFrames, void *destination, int channels, int mode)
{
    const Frames<Bytes> in{static_cast<const unsigned char *>(source), sourceFrames, channels};
    auto *out = static_cast<unsigned char *>(destination);
    const KernelUse kernel = KernelFor(mode, step);
    long written = 0;
    for (int64_t position = 0; (position >> kFracBits) < sourceFrames; position += step, ++written) {
        const int64_t i = position >> kFracBits, phase = position & (kOne - 1);
        for (int c = 0; c < channels; ++c) {
            int64_t v;
            if (mode == 0)
                v = Linear(in, i, phase, c);
            else if (mode == 2)
                v = Cubic(in, i, phase, c);
            else
                v = Filtered(in, i, phase, c, kernel);
            Put<Bytes>(out, v, int64_t(written) * channels + c);
        }
    }
    return written;
}

} // namespace

long ResampledFrames(double ratio, long sourceFrames)
{
    const int64_t step = StepOf(ratio);
    if (!step)
        return -1;
    if (sourceFrames <= 0)
        return 0;
    const int64_t frames = (int64_t(sourceFrames) * kOne + step - 1) / step;
    return frames <= INT32_MAX ? long(frames) : -1;
}

void Resample(double ratio, const void *source, long sourceFrames, void *destination, int bytesPerFrame,
              int mode, long &outFrames)
{
    const bool sixteen = bytesPerFrame == 2 || bytesPerFrame == 4;
    const bool twentyFour = bytesPerFrame == 3 || bytesPerFrame == 6;
    const int64_t step = StepOf(ratio);
    if (!step || (!sixteen && !twentyFour) || ResampledFrames(ratio, sourceFrames) < 0)
        outFrames = -1;
    else if (sourceFrames <= 0 || !source || !destination)
        outFrames = 0;
    else if (sixteen)
        outFrames = Run<2>(step, source, sourceFrames, destination, bytesPerFrame / 2, mode);
    else
        outFrames = Run<3>(step, source, sourceFrames, destination, bytesPerFrame / 3, mode);
}

} // namespace Quorvane
