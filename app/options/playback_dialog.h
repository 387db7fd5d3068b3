// The playback velocity dialog: the velocity the drummers play with when
// the trigger note's velocity is not used, and whether and how strongly
// the pitch bender drives the velocity.
#pragma once

#include "app/program_options.h"

#include <windows.h>

namespace Quorvane {

// The modal dialog over a copy of the playback options; true on OK with
// them changed.
bool RunPlaybackDialog(HWND owner, ProgramOptions &options);

} // namespace Quorvane
