// The class ids of the fill drummer module's COM objects.
#pragma once

#include <guiddef.h>

namespace Quorvane {

// The drummer: {70781444-08F0-5C91-8DF7-9AECBDB9E7C5}.
extern const GUID CLSID_GrindelvosketMFX;
// Its property page: {604A9C27-B0F9-547F-A08B-7BE80F175A5A}.
extern const GUID CLSID_GrindelvosketPropertyPage;

} // namespace Quorvane
