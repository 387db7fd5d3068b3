// The identity a plug-in object of this framework answers besides its COM
// interfaces: the property page asks for it to reach the plug-in object
// itself, so it answers only objects that really are framework plug-ins.
#pragma once

#include <guiddef.h>

namespace Quorvane {

// {BBEA91F6-5762-5501-83FD-A7909FBB2AC7}; answered with the
// IMfxEventFilter face of a Quorvane::MfxPlugin.
extern const GUID IID_MfxPluginIdentity;

} // namespace Quorvane
