// Modules found by name: the MIDI effects of the data model and the soft
// synths and audio effects of the sound engine. A module's path is the
// string value of its name under its kind's key below HKEY_LOCAL_MACHINE,
// else the name with ".zql" in the running program's folder (a registered
// path that does not load is not looked for there). The name comes from
// stored data, so it is a name and never a path.
#pragma once

#include "data/corvadel_api.h"

#include <windows.h>

namespace Quorvane {

// Whether a module name from stored data is a plain name: not empty, no
// path separators, no drive, no "..".
CORVADEL_API int IsPlainModuleName(const char *name);

// The path LoadModuleByName would load the named module from, into path
// (size bytes); 1 when that file exists, 0 when the name is not plain or no
// file is there.
CORVADEL_API int FindModuleByName(const char *key, const char *name, char *path, DWORD size);

// Loads the module; a null or empty name means the running program's own
// file name without its extension. The name used goes into *usedName as a
// CreateString copy (freed with free) when usedName is given. Null when the
// name is not plain or the library does not load.
CORVADEL_API HMODULE LoadModuleByName(const char *key, const char *name, char **usedName);

} // namespace Quorvane
