// The starter fills. Each is written out step by step; the rows of one fill
// share its bars but may use different grids.
#include "plugin/fill/content/fill_content.h"

namespace Quorvane::FillContent {

namespace {

// General MIDI drum notes.
constexpr uint8_t Kick = 36;
constexpr uint8_t SideStick = 37;
constexpr uint8_t Snare = 38;
constexpr uint8_t FloorTom = 41;
constexpr uint8_t ClosedHat = 42;
constexpr uint8_t PedalHat = 44;
constexpr uint8_t LowTom = 45;
constexpr uint8_t OpenHat = 46;
constexpr uint8_t MidTom = 47;
constexpr uint8_t Crash = 49;
constexpr uint8_t HighTom = 50;
constexpr uint8_t Ride = 51;
constexpr uint8_t Cowbell = 56;

constexpr int RockTempo = 120;
constexpr int FunkTempo = 100;
constexpr int ShuffleTempo = 110;
constexpr int BossaTempo = 130;
constexpr int SambaTempo = 100;

std::vector<FillDefinition> compose()
{
    return {
        // clang-format off
        // ---- Rock: straight eighths, fills on the second half of the bar.
        {"", "Rock", "Rock 01", "Tom run down", 1, RockTempo,
         {{ClosedHat, "x.o.|x.o.|....|...."},
          {Kick,      "X...|....|x...|x..."},
          {Snare,     "....|X...|....|...."},
          {HighTom,   "....|....|xx..|...."},
          {MidTom,    "....|....|..xx|...."},
          {LowTom,    "....|....|....|xx.."},
          {FloorTom,  "....|....|....|..xX"}}},
        {"", "Rock", "Rock 02", "Snare build", 1, RockTempo,
         {{ClosedHat, "x.o.|x.o.|....|...."},
          {Kick,      "X...|..x.|X...|X..."},
          {Snare,     "....|X...|4567|789X"}}},
        {"", "Rock", "Rock 03", "Around the kit", 1, RockTempo,
         {{Snare,    "Xxxx|....|....|...."},
          {HighTom,  "....|Xxxx|....|...."},
          {MidTom,   "....|....|Xxxx|...."},
          {FloorTom, "....|....|....|XxxX"},
          {Kick,     "X...|X...|X...|X..."}}},
        {"", "Rock", "Rock 04", "Triplet toms", 1, RockTempo,
         {{ClosedHat, "x..|x..|...|..."},
          {Kick,      "X..|...|X..|X.."},
          {Snare,     "...|X..|xxx|..."},
          {HighTom,   "...|...|...|x.."},
          {MidTom,    "...|...|...|.x."},
          {FloorTom,  "...|...|...|..X"}}},
        {"", "Rock", "Rock 05", "Groove and fill", 2, RockTempo,
         {{Crash,     "X...|....|....|....|....|....|....|...."},
          {ClosedHat, "..x.|x.o.|x.o.|x.o.|x.o.|x.o.|....|...."},
          {Kick,      "X...|....|X.x.|....|X...|....|X...|X..."},
          {Snare,     "....|X...|....|X...|....|X...|xoxx|...."},
          {HighTom,   "....|....|....|....|....|....|....|x..."},
          {MidTom,    "....|....|....|....|....|....|....|.x.."},
          {FloorTom,  "....|....|....|....|....|....|....|..xX"}}},
        {"", "Rock", "Rock 06", "Open hat push", 2, RockTempo,
         {{ClosedHat, "x.o.|x.o.|x.o.|x...|x.o.|x.o.|....|...."},
          {OpenHat,   "....|....|....|..x.|....|....|....|...."},
          {Kick,      "X...|..x.|X.x.|....|X...|..x.|X...|X..."},
          {Snare,     "....|X...|....|X...|....|X..g|X.xX|...."},
          {HighTom,   "....|....|....|....|....|....|....|x..."},
          {LowTom,    "....|....|....|....|....|....|....|.x.."},
          {FloorTom,  "....|....|....|....|....|....|....|..x."},
          {Crash,     "....|....|....|....|....|....|....|...X"}}},
        // ---- Funk: sixteenth grooves with ghost notes.
        {"", "Funk", "Funk 01", "Ghost notes to toms", 1, FunkTempo,
         {{ClosedHat, "x.o.|x.o.|x.o.|...."},
          {Kick,      "X..x|..x.|.x..|X..."},
          {Snare,     "..g.|X.gg|.g.g|...."},
          {HighTom,   "....|....|....|Xx.."},
          {FloorTom,  "....|....|....|..xX"}}},
        // Linear: never two drums on one step.
        {"", "Funk", "Funk 02", "Linear sixteenths", 1, FunkTempo,
         {{Kick,      "X..x|..x.|x...|...x"},
          {ClosedHat, ".x..|.x.o|..x.|...."},
          {Snare,     "..g.|X...|.g.X|...."},
          {HighTom,   "....|....|....|xx.."},
          {FloorTom,  "....|....|....|..x."}}},
        {"", "Funk", "Funk 03", "Open hat lift", 1, FunkTempo,
         {{ClosedHat, "x.o.|x.o.|x.o.|x..."},
          {OpenHat,   "....|....|....|..x."},
          {Kick,      "X.x.|...x|..x.|...."},
          {Snare,     "....|X..g|.g..|X..g"}}},
        {"", "Funk", "Funk 04", "Groove and break", 2, FunkTempo,
         {{ClosedHat, "x.o.|x.o.|x.o.|x.o.|x.o.|x.o.|....|...."},
          {Kick,      "X..x|..x.|..x.|.x..|X..x|..x.|X...|...."},
          {Snare,     "....|X..g|.g..|X...|....|X..g|X...|..gx"},
          {Crash,     "....|....|....|....|....|....|X...|...."}}},
        {"", "Funk", "Funk 05", "Syncopated toms", 2, FunkTempo,
         {{ClosedHat, "x.o.|x.o.|x.o.|x.o.|x.o.|x...|....|...."},
          {Kick,      "X...|..x.|.x..|X...|X..x|....|x..x|...."},
          {Snare,     "....|X..g|....|X..g|....|X.g.|....|...."},
          {HighTom,   "....|....|....|....|....|..x.|.x..|x..."},
          {MidTom,    "....|....|....|....|....|...x|..x.|.x.."},
          {FloorTom,  "....|....|....|....|....|....|...x|..xX"}}},
        // ---- Shuffle: eighth-note triplets, the middle one left out.
        {"", "Shuffle", "Shuffle 01", "Triplet snare", 1, ShuffleTempo,
         {{ClosedHat, "x.o|x.o|...|..."},
          {Kick,      "X..|...|X..|X.."},
          {Snare,     "...|X..|456|789"}}},
        {"", "Shuffle", "Shuffle 02", "Triplet toms down", 1, ShuffleTempo,
         {{ClosedHat, "x.o|x.o|...|..."},
          {Kick,      "X..|...|X..|..X"},
          {Snare,     "...|X.g|...|..."},
          {HighTom,   "...|...|xx.|..."},
          {MidTom,    "...|...|..x|x.."},
          {LowTom,    "...|...|...|.x."},
          {FloorTom,  "...|...|...|..X"}}},
        {"", "Shuffle", "Shuffle 03", "Ride shuffle and fill", 2, ShuffleTempo,
         {{Ride,     "x.o|x.o|x.o|x.o|x.o|x.o|...|..."},
          {PedalHat, "...|x..|...|x..|...|x..|...|..."},
          {Kick,     "X..|...|X.x|...|X..|...|X..|..X"},
          {Snare,    "...|X..|...|X.g|...|X..|x.x|..."},
          {HighTom,  "...|...|...|...|...|...|...|x.."},
          {MidTom,   "...|...|...|...|...|...|...|.x."},
          {FloorTom, "...|...|...|...|...|...|...|..X"}}},
        {"", "Shuffle", "Shuffle 04", "Half time fill", 2, ShuffleTempo,
         {{Crash,     "X..|...|...|...|...|...|...|..."},
          {ClosedHat, "..x|x.o|x.o|x.o|x.o|x.o|x.o|..."},
          {Kick,      "X..|..x|...|...|X..|..x|...|..X"},
          {Snare,     "...|...|X..|..g|...|...|X.g|x.."},
          {LowTom,    "...|...|...|...|...|...|...|.x."},
          {FloorTom,  "...|...|...|...|...|...|...|..X"}}},
        // ---- Latin, packed in a volume: bossa nova and samba.
        {"Latin.vol", "Bossa Nova", "Bossa 01", "Cross stick to toms", 1, BossaTempo,
         {{ClosedHat, "o.o.|o.o.|o.o.|...."},
          {SideStick, "x..x|..x.|....|...."},
          {Kick,      "X..x|X..x|X...|...."},
          {HighTom,   "....|....|..x.|x..."},
          {LowTom,    "....|....|....|..x."},
          {FloorTom,  "....|....|....|...X"}}},
        {"Latin.vol", "Bossa Nova", "Bossa 02", "Groove and fill", 2, BossaTempo,
         {{ClosedHat, "o.o.|o.o.|o.o.|o.o.|o.o.|o.o.|....|...."},
          {SideStick, "x..x|..x.|..x.|.x..|x..x|..x.|....|...."},
          {Kick,      "X..x|X..x|X..x|X..x|X..x|X..x|X...|...."},
          {Snare,     "....|....|....|....|....|....|ggxg|x..."},
          {MidTom,    "....|....|....|....|....|....|....|.x.."},
          {FloorTom,  "....|....|....|....|....|....|....|..xX"}}},
        {"Latin.vol", "Samba", "Samba 01", "Surdo toms", 1, SambaTempo,
         {{Kick,     "X..x|X..x|X..x|X..x"},
          {PedalHat, "..x.|..x.|..x.|..x."},
          {Snare,    "xggx|gxgg|xggx|g..."},
          {FloorTom, "....|X...|....|.xxX"}}},
        {"Latin.vol", "Samba", "Samba 02", "Groove and fill", 2, SambaTempo,
         {{Crash,    "X...|....|....|....|....|....|....|...."},
          {Cowbell,  "x.xx|.x.x|x.xx|.x.x|x.xx|.x.x|....|...."},
          {Kick,     "X..x|X..x|X..x|X..x|X..x|X..x|X..x|X..."},
          {PedalHat, "..x.|..x.|..x.|..x.|..x.|..x.|....|...."},
          {Snare,    "g.gx|g.gx|g.gx|g.gx|g.gx|g.gx|5678|...."},
          {HighTom,  "....|....|....|....|....|....|....|x..."},
          {MidTom,   "....|....|....|....|....|....|....|.x.."},
          {FloorTom, "....|....|....|....|....|....|....|..xX"}}},
        // clang-format on
    };
}

} // namespace

std::string FillDefinition::relativePath() const
{
    std::string path;
    for (const std::string *part : {&volume, &folder}) {
        if (!part->empty())
            path += *part + "\\";
    }
    return path + fileName();
}

const std::vector<FillDefinition> &starterFills()
{
    static const std::vector<FillDefinition> fills = compose();
    return fills;
}

} // namespace Quorvane::FillContent
