// The drum instrument groups that fill preparation, the input mask and the
// automatic transformation reason with: which notes belong together, which
// groups may stand in for which, cymbal alternatives and the note sets that
// must not sound at once.
#pragma once

#include "plugin/framework/midi/midi_track.h"

#include <cstdint>

namespace Quorvane::InstrumentGroups {

constexpr int kGroupCount = 7;
constexpr int kMaxGroupNotes = 9;
constexpr int kMaxPreferences = 9;
constexpr uint8_t kEndOfPreferences = 255;

// Kind 1: drums, kind 2: cymbals; group 0 ("All") has none.
struct Preference {
    uint8_t group;
    int8_t placement; // -1 low end, 0 middle, 1 high end of the target group
};

struct Group {
    const char *name;
    int kind;
    uint8_t noteCount;
    uint8_t notes[kMaxGroupNotes];
    uint8_t preferenceCount;
    Preference preferences[kMaxPreferences];
};

const Group &group(int index);

// Weight of the n-th entry of a preference list.
int positionWeight(int position);

// Group of a note, 0 for none (and outside 0..127).
int noteGroup(int note);
// Lowest and highest note of a group (0, 0 for group 0).
int groupLow(int group);
int groupHigh(int group);

// The cymbal row of a note, -1 for none; a row holds the cymbal and then its
// alternatives in order of preference.
int cymbalRow(int note);
constexpr int kCymbalAlternatives = 4;
const uint8_t *cymbalAlternatives(int row);

// The collision groups, ended by a record of limit 0.
const CMidiTrack::CollisionGroup *collisionGroups();

} // namespace Quorvane::InstrumentGroups
