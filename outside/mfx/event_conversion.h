// The song's channel messages as MFX events and back.
#pragma once

#include "plugin/framework/mfx/mfx_event.h"

namespace Quorvane {
struct EVENT;
}

namespace tembri_mfx {

// false for an event that is not a channel message an MFX event can carry.
bool toMfxEvent(const Quorvane::EVENT &from, MfxEvent &to);
// false for an MFX event of a kind the song has no message for.
bool fromMfxEvent(const MfxEvent &from, Quorvane::EVENT &to);

} // namespace tembri_mfx
