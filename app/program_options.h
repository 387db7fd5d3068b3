// The options of the parts window, read from the program's profile when the
// window starts and written back, each to its own key, as soon as one
// changes.
#pragma once

#include "app/program_profile.h"

#include <string>

namespace Quorvane {

// Profile keys.
namespace option {
constexpr const char NameW[] = "NameW";
constexpr const char PosX[] = "PosX";
constexpr const char PosY[] = "PosY";
constexpr const char OLEMidi[] = "OLEMidi";
constexpr const char ToolTips[] = "ToolTips";
constexpr const char Notes[] = "Notes";
constexpr const char AutoSwitch[] = "AutoSwitch";
constexpr const char Latch[] = "Latch";
constexpr const char TrgVelo[] = "TrgVelo";
constexpr const char VeloStat[] = "VeloStat";
constexpr const char Strength[] = "Strength";
constexpr const char ExtPitch[] = "ExtPitch";
constexpr const char Accent[] = "Accent";
constexpr const char AccTrshld[] = "AccTrshld";
constexpr const char AccNote1[] = "AccNote1";
constexpr const char AccNote2a[] = "AccNote2a";
constexpr const char AccNote2b[] = "AccNote2b";
constexpr const char AccVel[] = "AccVel";
constexpr const char AccDur[] = "AccDur";
constexpr const char SaveState[] = "SaveState";
constexpr const char StylePath[] = "StylePath";
constexpr const char DBCommitDialog[] = "DBCommitDialog";
} // namespace option

// The name column's width range.
constexpr int kMinNameWidth = 26;
constexpr int kMaxNameWidth = 600;

struct ProgramOptions {
    int nameWidth = 156;
    int posX = 10;
    int posY = 10;
    int oleMidi = 1;
    int toolTips = 1;
    int notes = 0;
    int autoSwitch = 1;
    int latch = 0;
    int trgVelo = 1;
    int veloStat = 100;
    int strength = 100;
    int extPitch = 1;
    int accent = 0;
    int accThreshold = 120;
    int accNote1 = 36;
    int accNote2a = 49;
    int accNote2b = 49;
    int accVelocity = 110;
    int accDuration = 2;
    int saveState = 1;

    // Every option from the profile, each brought into its range (flags
    // 0/1, velocities 1..127, notes 0..127, strength 0..100, the accent's
    // duration code 0..3, the name column 26..600).
    static ProgramOptions Read(const ProgramProfile &profile);
    // The window's position, reset to 10, 10 when it would lie off the
    // work area of that size.
    void placeWithin(int workWidth, int workHeight);
};

} // namespace Quorvane
