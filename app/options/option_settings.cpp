#include "app/options/option_settings.h"

namespace Quorvane {

int WriteChangedOptions(const ProgramOptions &before, const ProgramOptions &after,
                        const ProgramProfile &profile)
{
    static const struct {
        const char *key;
        int ProgramOptions::*value;
    } fields[] = {
        {option::NameW, &ProgramOptions::nameWidth},
        {option::PosX, &ProgramOptions::posX},
        {option::PosY, &ProgramOptions::posY},
        {option::OLEMidi, &ProgramOptions::oleMidi},
        {option::ToolTips, &ProgramOptions::toolTips},
        {option::Notes, &ProgramOptions::notes},
        {option::AutoSwitch, &ProgramOptions::autoSwitch},
        {option::Latch, &ProgramOptions::latch},
        {option::TrgVelo, &ProgramOptions::trgVelo},
        {option::VeloStat, &ProgramOptions::veloStat},
        {option::Strength, &ProgramOptions::strength},
        {option::ExtPitch, &ProgramOptions::extPitch},
        {option::Accent, &ProgramOptions::accent},
        {option::AccTrshld, &ProgramOptions::accThreshold},
        {option::AccNote1, &ProgramOptions::accNote1},
        {option::AccNote2a, &ProgramOptions::accNote2a},
        {option::AccNote2b, &ProgramOptions::accNote2b},
        {option::AccVel, &ProgramOptions::accVelocity},
        {option::AccDur, &ProgramOptions::accDuration},
        {option::SaveState, &ProgramOptions::saveState},
    };
    int written = 0;
    for (const auto &f : fields)
        if (before.*f.value != after.*f.value && profile.writeInt(f.key, after.*f.value))
            ++written;
    return written;
}

} // namespace Quorvane
