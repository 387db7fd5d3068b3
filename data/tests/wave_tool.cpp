// Writes and reads WAVE files through CWave, so that a script can check
// them against the sox command.
//
//   wave_tool export <format> <channels> <rate> <frames> <out.wav> <samples.f32>
//       exports a test signal (values beyond +-1.0 among them) and writes
//       the float samples it exported beside it
//   wave_tool import <in.wav> <rate> <samples.f32>
//       imports into a wave of that rate, prints "<channels> <frames>" and
//       writes the float samples
#include "data/storage.h"
#include "data/wave.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace Quorvane;

namespace {

bool writeSamples(const char *path, const std::vector<float> &samples)
{
    CFileStorage out(path, "wb");
    return out.IsOpen() && out.PutBuffer(samples.data(), long(samples.size() * sizeof(float))) &&
           !out.WasError();
}

int exportSignal(unsigned format, int channels, long rate, long frames, const char *wav, const char *raw)
{
    CWave wave(0, rate, nullptr);
    wave.channels = channels;
    wave.bytesPerFrame = 4 * channels;
    std::vector<float> samples;
    for (long i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            samples.push_back(float((i * 37 + c * 101) % 2001 - 1000) * 0.0012f);
    if (!wave.Write(samples.data(), 0, static_cast<unsigned long>(frames)))
        return 1;
    wave.length = frames;
    CFileStorage out(wav, "wb");
    if (!out.IsOpen() || !wave.ExportWave(&out, format) || out.WasError())
        return 1;
    return writeSamples(raw, samples) ? 0 : 1;
}

int importFile(const char *wav, long rate, const char *raw)
{
    CWave wave(0, rate, nullptr);
    CFileStorage in(wav, "rb");
    if (!in.IsOpen() || !wave.ImportWave(&in))
        return 1;
    std::vector<float> samples(size_t(wave.length) * wave.channels);
    if (!wave.Read(samples.data(), 0, static_cast<unsigned long>(wave.length)))
        return 1;
    std::printf("%d %lld\n", wave.channels, static_cast<long long>(wave.length));
    return writeSamples(raw, samples) ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 8 && std::strcmp(argv[1], "export") == 0)
        return exportSignal(unsigned(std::strtoul(argv[2], nullptr, 0)), std::atoi(argv[3]),
                            std::atol(argv[4]), std::atol(argv[5]), argv[6], argv[7]);
    if (argc == 5 && std::strcmp(argv[1], "import") == 0)
        return importFile(argv[2], std::atol(argv[3]), argv[4]);
    std::fprintf(stderr, "usage: wave_tool export <format> <channels> <rate> <frames> <wav> <f32>\n"
                         "       wave_tool import <wav> <rate> <f32>\n");
    return 2;
}
