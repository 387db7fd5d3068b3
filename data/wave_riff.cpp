// RIFF WAVE import and export of CWave.
#include "data/resample.h"
#include "data/sample_conv.h"
#include "data/storage.h"
#include "data/wave.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace Quorvane {

namespace {

constexpr uint16_t kTagPcm = 1;
constexpr uint16_t kTagFloat = 3;
constexpr uint16_t kTagExtensible = 0xFFFE;

// The sub-format GUID of an extensible format chunk after its first two
// bytes, which are the format tag proper.
constexpr unsigned char kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                              0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

bool Is(const char *id, const char *tag)
{
    return std::memcmp(id, tag, 4) == 0;
}

uint16_t Get16(const unsigned char *p)
{
    return uint16_t(p[0] | p[1] << 8);
}

uint32_t Get32(const unsigned char *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void Put16(unsigned char *p, uint32_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

void Put32(unsigned char *p, uint32_t v)
{
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

struct WaveFormat {
    uint16_t tag; // PCM or float, also behind an extensible chunk
    int channels;
    long rate;
    int bits;
};

// Reads a format chunk of size bytes, all of it. The block alignment and
// byte rate of the file are not used: both follow from channels and bits.
bool ReadFormat(CStorage *storage, uint32_t size, WaveFormat &format)
{
    unsigned char b[40];
    if (size < 16 || !storage->GetBuffer(b, 16))
        return false;
    uint32_t read = 16;
    format.tag = Get16(b);
    format.channels = Get16(b + 2);
    format.rate = static_cast<long>(std::min<uint32_t>(Get32(b + 4), 0x7FFFFFFF));
    format.bits = Get16(b + 14);
    if (format.tag == kTagExtensible) {
        if (size < 40 || !storage->GetBuffer(b + 16, 24))
            return false;
        read = 40;
        if (Get16(b + 16) < 22 || std::memcmp(b + 26, kSubFormatTail, sizeof(kSubFormatTail)) != 0)
            return false;
        format.tag = Get16(b + 24);
    }
    if (!storage->Skip(static_cast<long>(size - read)))
        return false;
    if (format.channels != 1 && format.channels != 2)
        return false;
    if (format.tag == kTagPcm)
        return format.bits == 16 || format.bits == 24 || format.bits == 32;
    return format.tag == kTagFloat && format.bits == 32;
}

// Frames are read 4096 at a time, resampled when the file's rate is not the
// wave's, converted to float and appended to the wave.
int ImportData(CWave &wave, CStorage *storage, uint32_t bytes, const WaveFormat &format)
{
    // The rate may differ by a factor of four at most, and only integer
    // samples of 16 or 24 bits are resampled.
    if (int64_t(format.rate) * 4 < wave.sampleRate || format.rate > int64_t(wave.sampleRate) * 4)
        return 0;
    const bool resample = format.rate != wave.sampleRate;
    if (resample && format.bits == 32)
        return 0;
    const double ratio = double(format.rate) / double(wave.sampleRate);
    const unsigned long align = static_cast<unsigned long>(format.channels * format.bits / 8);
    const long outFrames = resample ? ResampledFrames(ratio, CWave::kChunkFrames) : long(CWave::kChunkFrames);
    if (outFrames < 0)
        return 0;

    CSampleConv conv;
    const std::unique_ptr<unsigned char[]> raw(new (std::nothrow) unsigned char[CWave::kChunkFrames * align]);
    const std::unique_ptr<unsigned char[]> resampled(new (std::nothrow) unsigned char[outFrames * align]);
    const std::unique_ptr<float[]> frames(new (std::nothrow) float[outFrames * format.channels]);
    if (!conv.IsOk() || !raw || !resampled || !frames)
        return 0;
    const SAMPLECONVTABLE &table = SampleConverters();
    const SAMPLECONVFN convert = format.bits == 16   ? table.int16ToFloat
                                 : format.bits == 24 ? table.int24ToFloat
                                                     : table.int32ToFloat;
    const float scale = 1.0f / (format.bits == 16 ? kScale16 : format.bits == 24 ? kScale24 : kScale32);

    {
        // The wave takes the file's channels, unless it already holds
        // frames of other ones.
        CLock lock(wave.sync);
        if (wave.length > 0 && wave.channels != format.channels)
            return 0;
        wave.channels = format.channels;
        wave.bytesPerFrame = format.channels * int(sizeof(float));
    }
    const uint32_t total = bytes / align;
    for (uint32_t done = 0; done < total;) {
        const unsigned long n = std::min<unsigned long>(CWave::kChunkFrames, total - done);
        if (!storage->GetBuffer(raw.get(), long(n * align)))
            return 0;
        const unsigned char *source = raw.get();
        long count = long(n);
        if (resample) {
            Resample(ratio, raw.get(), long(n), resampled.get(), int(align), wave.resampleMode, count);
            if (count < 0)
                return 0;
            source = resampled.get();
        }
        if (format.tag == kTagFloat)
            std::memcpy(frames.get(), source, size_t(count) * align);
        else
            conv.Run(convert, scale, source, frames.get(),
                     static_cast<unsigned long>(count) * format.channels);
        CLock lock(wave.sync);
        if (!wave.Write(frames.get(), wave.length, static_cast<unsigned long>(count)))
            return 0;
        wave.length += count;
        done += n;
    }
    // Bytes of a last partial frame.
    return storage->Skip(long(bytes - total * align));
}

} // namespace

int CWave::ImportWave(CStorage *storage)
{
    if (!storage || !IsStateOk())
        return 0;
    char id[4];
    uint32_t riffSize = 0;
    if (!storage->GetBuffer(id, 4) || !Is(id, "RIFF") || !storage->Get32(&riffSize))
        return 0;
    const long afterSize = storage->GetPos();
    if (afterSize < 0 || riffSize < 4 || riffSize > uint32_t(storage->GetRemaining()))
        return 0;
    if (!storage->GetBuffer(id, 4) || !Is(id, "WAVE"))
        return 0;
    const int64_t riffEnd = int64_t(afterSize) + riffSize;

    WaveFormat format{};
    bool haveFormat = false;
    for (;;) {
        const long at = storage->GetPos();
        uint32_t size = 0;
        if (at < 0 || riffEnd - at < 8 || !storage->GetBuffer(id, 4) || !storage->Get32(&size))
            return 0; // no data chunk
        if (size > riffEnd - (at + 8))
            return 0;
        if (Is(id, "fmt ")) {
            if (haveFormat || !ReadFormat(storage, size, format))
                return 0;
            haveFormat = true;
        } else if (Is(id, "data")) {
            if (!haveFormat || size < 2)
                return 0;
            return ImportData(*this, storage, size, format) && CreateGraphics();
        } else if (!storage->Skip(static_cast<long>(size))) {
            return 0;
        }
        // A chunk of odd size is followed by a pad byte.
        if ((size & 1) && storage->GetPos() < riffEnd && !storage->Skip(1))
            return 0;
    }
}

int CWave::ExportWave(CStorage *storage, unsigned format)
{
    int bits = 0;
    uint16_t tag = kTagPcm;
    SAMPLECONVFN convert = nullptr;
    float scale = 0.0f;
    const SAMPLECONVTABLE &table = SampleConverters();
    switch (format) {
    case 16:
        bits = 16, convert = table.floatToInt16, scale = kScale16;
        break;
    case 24:
        bits = 24, convert = table.floatToInt24, scale = kScale24;
        break;
    case 32:
        bits = 32, convert = table.floatToInt32, scale = kScale32;
        break;
    case kWaveFloat32:
        bits = 32, tag = kTagFloat;
        break;
    default:
        return 0;
    }
    if (!storage || !IsStateOk() || length <= 0 || sampleRate <= 0)
        return 0;
    const uint32_t align = uint32_t(bits / 8 * channels);
    const uint64_t dataSize = uint64_t(align) * uint64_t(length);
    const uint32_t pad = dataSize & 1;
    // Every size of the file must fit its 32-bit field.
    if (36 + dataSize + pad > 0xFFFFFFFFu || uint64_t(align) * uint64_t(sampleRate) > 0xFFFFFFFFu)
        return 0;
    const long start = storage->GetPos();
    if (start < 0)
        return 0;

    unsigned char header[44];
    std::memcpy(header, "RIFF", 4);
    Put32(header + 4, 0); // patched at the end
    std::memcpy(header + 8, "WAVEfmt ", 8);
    Put32(header + 16, 16);
    Put16(header + 20, tag);
    Put16(header + 22, uint32_t(channels));
    Put32(header + 24, uint32_t(sampleRate));
    Put32(header + 28, align * uint32_t(sampleRate));
    Put16(header + 32, align);
    Put16(header + 34, uint32_t(bits));
    std::memcpy(header + 36, "data", 4);
    Put32(header + 40, uint32_t(dataSize));
    if (!storage->PutBuffer(header, sizeof(header)))
        return 0;

    CSampleConv conv;
    const std::unique_ptr<float[]> frames(new (std::nothrow) float[kChunkFrames * channels]);
    const std::unique_ptr<unsigned char[]> samples(new (std::nothrow) unsigned char[kChunkFrames * align]);
    if (!conv.IsOk() || !frames || !samples)
        return 0;
    for (int64_t at = 0; at < length; at += kChunkFrames) {
        const auto n = static_cast<unsigned long>(std::min<int64_t>(kChunkFrames, length - at));
        if (!Read(frames.get(), at, n))
            return 0;
        const void *out = frames.get();
        if (convert) {
            conv.Run(convert, scale, frames.get(), samples.get(), n * channels);
            out = samples.get();
        }
        if (!storage->PutBuffer(out, long(n * align)))
            return 0;
    }
    const unsigned char zero = 0;
    if (pad && !storage->Put8(&zero))
        return 0;
    const long end = storage->GetPos();
    const uint32_t riffSize = uint32_t(end - start - 8);
    return end >= 0 && storage->SetPos(start + 4) == start + 4 && storage->Put32(&riffSize) &&
           storage->SetPos(end) == end;
}

} // namespace Quorvane
