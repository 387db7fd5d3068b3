// The option values the accent and playback dialogs edit, and the writing
// back of those that changed, each to its key in the program's options.
#pragma once

#include <functional>

namespace Quorvane {

struct AccentSettings {
    int on = 0;          // "Accent"
    int threshold = 120; // "AccTrshld"
    int note1 = 36;      // "AccNote1"
    int note2a = 49;     // "AccNote2a": white-key parts
    int note2b = 49;     // "AccNote2b": black-key parts
    int velocity = 110;  // "AccVel"
    // "AccDur": the accent lasts a quarter shifted right by this code (0..3).
    int duration = 2;
};

struct PlaybackSettings {
    int triggerVelocity = 1;    // "TrgVelo": use the trigger note's velocity
    int internalVelocity = 100; // "VeloStat"
    int strength = 100;         // "Strength" %
    int bendToVelocity = 1;     // "ExtPitch"
};

using OptionWriter = std::function<void(const char *key, int value)>;

// Each value that differs from before goes to its key; returns how many.
int WriteChanged(const AccentSettings &before, const AccentSettings &after, const OptionWriter &write);
int WriteChanged(const PlaybackSettings &before, const PlaybackSettings &after, const OptionWriter &write);

} // namespace Quorvane
