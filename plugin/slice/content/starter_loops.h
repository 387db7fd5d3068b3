// The starter loop library: three collections of one-measure patterns (one
// for a sixteenth grid, one for swung eighths, one straight), each with its
// kick, snare, cymbal and percussion folders and their sub-collections, and
// a "Default.mid" loop record naming a combination the composer's rules
// find clean. Pattern names carry what the slices filter and the composer
// reads: first number, strokes, step signature, level. One collection is a
// volume file.
#pragma once

#include "plugin/framework/midi/midi_track.h"
#include "plugin/slice/engine/loop_records.h"
#include "plugin/slice/engine/rhythm_rules.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace Quorvane::LoopSlice::StarterLoops {

constexpr int32_t kResolution = 480;
constexpr int32_t kStepTicks = kResolution / 4;
constexpr uint8_t kDrumChannel = 9;

struct Collection {
    std::string name;
    bool volume; // written as one volume file named like the collection
};

struct PatternDefinition {
    std::string collection;
    std::string instrument; // "1.Kick", "2.Snare", "3.Cymbal", "4.Percussion"
    std::string sub;        // the sub-collection: "Kick", "HH_Cl", "universal"...
    int number;             // the name's first number
    std::string steps;      // 16 steps: '0' rest, '1' stroke, '2' second sound
    int level;

    int strokes() const;
    // "07_4_1000100010001000_0#Kick.mid".
    std::string fileName() const;
    // In the stored form: "16 Funk\\1.Kick\\Kick\\".
    std::string folder() const;
};

const std::vector<Collection> &starterCollections();
const std::vector<PatternDefinition> &starterPatterns();

// The notes a sub-collection plays for a '1' and a '2' step; false for an
// unknown sub-collection.
bool soundOf(const std::string &sub, uint8_t &first, uint8_t &second);

// A pattern's track: one 4/4 measure at 480 ticks per quarter on the drum
// channel, a note per stroke. False with a message for a malformed row.
bool buildPattern(const PatternDefinition &pattern, CMidiTrack &track, std::string *error = nullptr);

// The sub-collection each slice starts in (slices 0..5).
const std::array<const char *, kSliceCount> &defaultSubFolders();

// The collection's default combination: for every slice the first level-0
// patterns of its default folder, in name order, that the rules find clean
// with every slice sounding; the percussion layers are stored muted. False
// when the catalogue offers none.
bool defaultLoop(const std::string &collection, LoopRecord &record, std::string *error = nullptr);

// Writes every collection below the patterns folder (created when missing),
// replacing what is there. False with a message at the first failure.
bool writeStarterLibrary(const std::string &patternsFolder, std::string *error = nullptr);

} // namespace Quorvane::LoopSlice::StarterLoops
