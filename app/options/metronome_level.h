// The metronome's level: the preview synthesizer's parameter 0, set with
// the level slider, when that synthesizer is the song's first output.
#pragma once

#include <windows.h>

namespace Quorvane {

class IQuorvaneSongTract;

// Shows the slider at the point and sets the level while it moves; false
// (nothing shown) when the tract's first output is not "Default Preview".
bool RunMetronomeLevel(HWND owner, POINT at, IQuorvaneSongTract &tract);

} // namespace Quorvane
