#include "app/program_options.h"

#include <algorithm>

namespace Quorvane {

namespace {

int flag(const ProgramProfile &profile, const char *name, int defaultValue)
{
    return profile.getInt(name, defaultValue) ? 1 : 0;
}

int ranged(const ProgramProfile &profile, const char *name, int defaultValue, int low, int high)
{
    return std::clamp(profile.getInt(name, defaultValue), low, high);
}

} // namespace

ProgramOptions ProgramOptions::Read(const ProgramProfile &profile)
{
    ProgramOptions o;
    o.nameWidth = ranged(profile, option::NameW, o.nameWidth, kMinNameWidth, kMaxNameWidth);
    o.posX = profile.getInt(option::PosX, o.posX);
    o.posY = profile.getInt(option::PosY, o.posY);
    o.oleMidi = flag(profile, option::OLEMidi, o.oleMidi);
    o.toolTips = flag(profile, option::ToolTips, o.toolTips);
    o.notes = flag(profile, option::Notes, o.notes);
    o.autoSwitch = flag(profile, option::AutoSwitch, o.autoSwitch);
    o.latch = flag(profile, option::Latch, o.latch);
    o.trgVelo = flag(profile, option::TrgVelo, o.trgVelo);
    o.veloStat = ranged(profile, option::VeloStat, o.veloStat, 1, 127);
    o.strength = ranged(profile, option::Strength, o.strength, 0, 100);
    o.extPitch = flag(profile, option::ExtPitch, o.extPitch);
    o.accent = flag(profile, option::Accent, o.accent);
    o.accThreshold = ranged(profile, option::AccTrshld, o.accThreshold, 1, 127);
    o.accNote1 = ranged(profile, option::AccNote1, o.accNote1, 0, 127);
    o.accNote2a = ranged(profile, option::AccNote2a, o.accNote2a, 0, 127);
    o.accNote2b = ranged(profile, option::AccNote2b, o.accNote2b, 0, 127);
    o.accVelocity = ranged(profile, option::AccVel, o.accVelocity, 1, 127);
    o.accDuration = ranged(profile, option::AccDur, o.accDuration, 0, 3);
    o.saveState = flag(profile, option::SaveState, o.saveState);
    return o;
}

void ProgramOptions::placeWithin(int workWidth, int workHeight)
{
    if (posX < -544 || posX > workWidth - 10 || posY < 0 || posY > workHeight - 10) {
        posX = 10;
        posY = 10;
    }
}

} // namespace Quorvane
