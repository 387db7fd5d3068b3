// The class ids of the loop-slice drummer module's COM objects.
#pragma once

#include <guiddef.h>

namespace Quorvane::LoopSlice {

// The drummer: {12685FD8-4060-592B-A817-B5BE3370C134}.
extern const GUID CLSID_VostrapellinMFX;
// Its property page: {45175193-BE20-54DA-BB04-D765D61D41F4}.
extern const GUID CLSID_VostrapellinPropertyPage;

} // namespace Quorvane::LoopSlice
