// What the sound engine costs, in four scenarios that each print one line
// of figures (see render_figures.h):
// - live: one part of the program (a loop-slice drummer and two fill
//   drummers playing their starter content) at 256 frames and 44.1 kHz,
//   through the render thread into the "DirectSound" provider's unpaced
//   capture;
// - stress: twelve such parts at once;
// - churn: the live part playing while the window thread loads the
//   hibernated song with its parts, changes the output, opens and closes a
//   drummer's editor and edits the tempo map, round after round; its line
//   adds the render thread's longest wait for a lock;
// - file: a Standard MIDI File (General MIDI drums on channel 10, format 0
//   or 1) imported into a song whose track plays on the preview
//   synthesizer and rendered off line as Export Audio renders a part, the
//   WAVE kept with --out.
// usage: render_benchmark [--short] [--scenario live|stress|churn|file]
//                         [--smf FILE.mid [--out FILE.wav]]
// live, stress and churn run by default, file when --smf is given; --short
// plays four bars and one round of churn. Exits non-zero when a scenario
// cannot run or finds an error.
// Run it with scripts/wine-run.sh; it finds the engine's libraries beside
// it and the modules in the build's dist folder.
#include "app/benchmark/render_scenarios.h"
#include "testing/benchmark_options.h"

#include <ole2.h>

#include <cstdio>
#include <cstring>
#include <string>

using namespace render_benchmark;

namespace {

struct Options {
    bool quick = false;
    std::string scenario;
    std::string smf;
    std::string out;
};

bool parse(int argc, char **argv, Options &options)
{
    options.quick = testing_support::shortRun(argc, argv);
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--short")
            continue;
        if (argument == "--scenario" && hasValue)
            options.scenario = argv[++i];
        else if (argument == "--smf" && hasValue)
            options.smf = argv[++i];
        else if (argument == "--out" && hasValue)
            options.out = argv[++i];
        else
            return false;
    }
    if (!options.scenario.empty() && options.scenario != "live" && options.scenario != "stress" &&
        options.scenario != "churn" && options.scenario != "file")
        return false;
    // The file scenario needs its file; --out belongs to it.
    if (options.scenario == "file" && options.smf.empty())
        return false;
    return options.out.empty() || !options.smf.empty();
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr, "usage: render_benchmark [--short] [--scenario live|stress|churn|file] "
                             "[--smf FILE.mid [--out FILE.wav]]\n");
        return 2;
    }
    // The modules the engine loads from the dist folder find their own
    // libraries there.
    SetDllDirectoryA(drummer_song::distFolder().c_str());
    const long bars = options.quick ? 4 : 32;
    const long rounds = options.quick ? 1 : 8;
    const auto runs = [&options](const char *name) {
        return options.scenario.empty() ? std::strcmp(name, "file") != 0 || !options.smf.empty()
                                        : options.scenario == name;
    };
    OleInitialize(nullptr);
    bool ok = true;
    {
        drummer_song::PlaybackEnvironment environment;
        if (!environment.ok()) {
            std::fprintf(stderr, "the modules could not be had\n");
            ok = false;
        }
        if (ok && runs("live"))
            ok = runParts(environment, "live", 1, bars);
        if (ok && runs("stress"))
            ok = runParts(environment, "stress", 12, bars);
        if (ok && runs("churn"))
            ok = runChurn(environment, rounds);
        if (ok && runs("file"))
            ok = runFile(environment, options.smf, options.out, options.quick ? bars : 0);
    }
    OleUninitialize();
    return ok ? 0 : 1;
}
