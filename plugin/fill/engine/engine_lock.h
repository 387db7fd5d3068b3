// The engine's own recursive lock: pad switches on the host's MIDI thread,
// and persistence and fill rebuilds on the window thread, run one at a time.
// Lock order: the module's engine-list lock, then an engine's lock, then the
// pattern library's, then a looper's.
#pragma once

#include "base/critical_section.h"

namespace Quorvane {

using EngineLock = CriticalSection;
using EngineLockGuard = CriticalSectionGuard;

} // namespace Quorvane
