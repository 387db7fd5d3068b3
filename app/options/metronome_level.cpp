#include "app/options/metronome_level.h"

#include "app/options/level_slider.h"
#include "data/sound_interfaces.h"
#include "sound/soft_synth.h"

#include <cmath>
#include <cstring>

namespace Quorvane {

bool RunMetronomeLevel(HWND owner, POINT at, IQuorvaneSongTract &tract)
{
    void *first = tract.GetNextOut(nullptr);
    const char *name = first ? tract.GetZQSoftSynthName(first) : nullptr;
    IQuorvaneSoftSynth *synth =
        name && std::strcmp(name, "Default Preview") == 0 ? tract.GetISoftSynth(first) : nullptr;
    if (!synth)
        return false;
    const int level = static_cast<int>(std::lround(static_cast<double>(synth->GetParam(0))));
    RunLevelSlider(owner, at, level, [synth](int value) { synth->SetParam(0, static_cast<float>(value)); });
    return true;
}

} // namespace Quorvane
