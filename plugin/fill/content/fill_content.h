// The starter fill library: a few styles of one- and two-bar drum fills,
// composed here as step patterns and written as the library expects them
// (style folders of ".mid" patterns, and one ".vol" volume).
#pragma once

#include "plugin/framework/midi/midi_track.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Quorvane::FillContent {

// Ticks per quarter note of the written patterns.
constexpr int32_t kResolution = 480;
constexpr int32_t kTicksPerBar = 4 * kResolution;
constexpr uint8_t kDrumChannel = 9;

// One drum of a fill: its note and a row of steps over the fill's bars. A
// step is '.' (rest), 'g' (ghost), 'o' (soft), 'x' (normal), 'X' (accent) or
// a digit 1..9 (rising loudness, for rolls); '|' and ' ' only help reading.
// The row's length fixes its grid: 16 steps to the bar are sixteenths, 12
// are eighth triplets, and so on.
struct Voice {
    uint8_t note;
    std::string steps;
};

struct FillDefinition {
    std::string volume;  // volume file in the library ("Latin.vol"), empty on disk
    std::string folder;  // folder, inside the volume when there is one
    std::string name;    // the file name's part before "_"
    std::string comment; // the part after it
    int bars;
    int tempo; // beats per minute
    std::vector<Voice> voices;

    std::string fileName() const { return name + "_" + comment + ".mid"; }
    // Volume, folder and file below the library folder, joined by
    // backslashes.
    std::string relativePath() const;
};

// The fills of the starter library, in a fixed order.
const std::vector<FillDefinition> &starterFills();

// The velocity of a step character; 0 for a rest, -1 for no step at all.
int stepVelocity(char step);

// Builds a fill's track: every step on the drum channel, in time order. False
// with a message when a row is malformed (unknown step, a length that does
// not divide into the bars or a grid that does not divide the bar, a note
// outside the General MIDI drums).
bool buildFill(const FillDefinition &fill, CMidiTrack &track, std::string *error = nullptr);

// Writes every starter fill below the library folder (created with its
// parents when missing), replacing files of the same names. False with a
// message at the first failure.
bool writeStarterLibrary(const std::string &fillsFolder, std::string *error = nullptr);

} // namespace Quorvane::FillContent
