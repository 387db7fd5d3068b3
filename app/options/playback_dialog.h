// The playback velocity dialog: the velocity the drummers play with when
// the trigger note's velocity is not used, and whether and how strongly
// the pitch bender drives the velocity.
#pragma once

#include "app/options/option_settings.h"

#include <windows.h>

namespace Quorvane {

// The modal dialog over a copy of the settings; true on OK with the
// settings changed.
bool RunPlaybackDialog(HWND owner, PlaybackSettings &settings);

} // namespace Quorvane
