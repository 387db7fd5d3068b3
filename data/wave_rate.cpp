// Changing the sample rate of a whole CWave.
#include "data/resample.h"
#include "data/sample_conv.h"
#include "data/wave.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <utility>

namespace Quorvane {

namespace {

// The largest finite magnitude of the wave, at least 1.0.
int PeakOf(CWave &wave, float *frames, float &peak)
{
    peak = 1.0f;
    for (int64_t at = 0; at < wave.length; at += CWave::kChunkFrames) {
        const auto n = static_cast<unsigned long>(std::min<int64_t>(CWave::kChunkFrames, wave.length - at));
        if (!wave.Read(frames, at, n))
            return 0;
        for (unsigned long i = 0; i < n * wave.channels; ++i)
            if (std::isfinite(frames[i]))
                peak = std::max(peak, std::fabs(frames[i]));
    }
    return 1;
}

} // namespace

// The resampler works on integer frames: each block goes to 24 bits scaled
// to the peak, through the resampler and back. The new frames build up in
// a wave of their own, whose file this one takes over at the end.
int CWave::ChangeSampleRate(long rate)
{
    if (rate == sampleRate)
        return 1;
    if (rate <= 0 || sampleRate <= 0 || !IsStateOk())
        return 0;
    const double ratio = double(sampleRate) / double(rate);
    const long outFrames = ResampledFrames(ratio, kChunkFrames);
    if (outFrames < 0)
        return 0;
    CWave target(0, rate, folder);
    target.channels = channels;
    target.bytesPerFrame = bytesPerFrame;
    CSampleConv conv;
    const size_t bytesPerFrame24 = size_t(3) * channels;
    const std::unique_ptr<float[]> in(new (std::nothrow) float[kChunkFrames * channels]);
    const std::unique_ptr<unsigned char[]> in24(
        new (std::nothrow) unsigned char[kChunkFrames * bytesPerFrame24]);
    const std::unique_ptr<unsigned char[]> out24(
        new (std::nothrow) unsigned char[outFrames * bytesPerFrame24]);
    const std::unique_ptr<float[]> out(new (std::nothrow) float[size_t(outFrames) * channels]);
    float peak = 1.0f;
    if (!target.IsStateOk() || !conv.IsOk() || !in || !in24 || !out24 || !out ||
        !PeakOf(*this, in.get(), peak))
        return 0;
    for (int i = 0; i < 4; ++i) {
        conv.params->maxima[i] = peak;
        conv.params->minima[i] = -peak;
    }
    const SAMPLECONVTABLE &table = SampleConverters();
    for (int64_t at = 0; at < length; at += kChunkFrames) {
        const auto n = static_cast<unsigned long>(std::min<int64_t>(kChunkFrames, length - at));
        long count = 0;
        if (!Read(in.get(), at, n))
            return 0;
        conv.Run(table.floatToInt24, kScale24 / peak, in.get(), in24.get(), n * channels);
        Resample(ratio, in24.get(), long(n), out24.get(), int(bytesPerFrame24), resampleMode, count);
        if (count < 0)
            return 0;
        conv.Run(table.int24ToFloat, peak / kScale24, out24.get(), out.get(), count * channels);
        if (!target.Write(out.get(), target.length, static_cast<unsigned long>(count)))
            return 0;
        target.length += count;
    }
    {
        CLock lock(sync);
        std::swap(sampleFile, target.sampleFile);
        filePosition = -1;
        length = target.length;
        sampleRate = rate;
        changed = 1;
    }
    return CreateGraphics();
}

} // namespace Quorvane
