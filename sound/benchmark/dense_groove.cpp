#include "sound/benchmark/dense_groove.h"

#include "plugin/framework/midi/midi_track.h"

namespace render_benchmark {

using Quorvane::FillContent::FillDefinition;
using Quorvane::FillContent::Voice;

namespace {

constexpr int kBars = 32;
constexpr int kPhraseBars = 4;

// General MIDI drum notes.
constexpr uint8_t Kick = 36;
constexpr uint8_t Snare = 38;
constexpr uint8_t FloorTom = 41;
constexpr uint8_t ClosedHat = 42;
constexpr uint8_t Crash = 49;
constexpr uint8_t HighTom = 50;

// A row of the whole groove: the phrase's first bar, its middle bars and
// its last bar, sixteen steps each.
std::string row(const char *first, const char *middle, const char *last)
{
    std::string steps;
    for (int bar = 0; bar < kBars; ++bar) {
        const int inPhrase = bar % kPhraseBars;
        steps += inPhrase == 0 ? first : inPhrase == kPhraseBars - 1 ? last : middle;
        steps += '|';
    }
    return steps;
}

FillDefinition compose()
{
    FillDefinition groove;
    groove.folder = "Benchmark";
    groove.name = "Dense groove";
    groove.comment = "32 bars";
    groove.bars = kBars;
    groove.tempo = 120;
    groove.voices = {
        {Crash, row("X...............", "................", "................")},
        {ClosedHat, row("..o.x.o.x.o.x.o.", "x.o.x.o.x.o.x.o.", "x.o.x.o.x.o.....")},
        {Kick, row("X..x..x.X.x.....", "X..x..x.X.x.....", "X..x..x.X.x.....")},
        {Snare, row("....X..g.g..X..g", "....X..g.g..X..g", "....X..g.g......")},
        {HighTom, row("................", "................", "............xx..")},
        {FloorTom, row("................", "................", "..............xX")},
    };
    return groove;
}

} // namespace

const FillDefinition &denseGroove()
{
    static const FillDefinition groove = compose();
    return groove;
}

bool writeDenseGroove(const std::string &path, std::string *error)
{
    Quorvane::CMidiTrack track;
    if (!Quorvane::FillContent::buildFill(denseGroove(), track, error))
        return false;
    if (track.saveSmfFile(path) != 0) {
        if (error)
            *error = path + ": cannot be written";
        return false;
    }
    return true;
}

} // namespace render_benchmark
