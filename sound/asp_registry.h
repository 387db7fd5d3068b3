// The registered stream providers: one string value each under
// HKEY_LOCAL_MACHINE "Software\Quorvane\AudioStreamProviders", the product
// name naming the module path. Providers are addressed by their position.
#pragma once

#include "sound/tindrel_api.h"

namespace Quorvane {

// Buffers the product names and module paths are read into.
constexpr int kAspNameSize = 128;
constexpr int kAspPathSize = 260;

// Number of registered providers; 0 when the key cannot be opened.
TINDREL_API long SndGetNumASP();
// The product name (into kAspNameSize bytes) at the index; 0 when none.
TINDREL_API int SndGetASPProductName(long index, char *out);
// The module path (into kAspPathSize bytes) at the index; 0 when none.
TINDREL_API int SndGetASPModuleName(long index, char *out);
// The first provider named "Halvorin" with a readable path: its index and
// path; 0 when there is none.
TINDREL_API int SndGetASPHalvorin(long &index, char *out);

} // namespace Quorvane
