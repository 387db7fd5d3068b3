// The I/O parameters a database answers: the stored ones, else defaults.
#pragma once

#include "data/io_params.h"
#include "db/stavrund_api.h"

namespace Quorvane {

class CTembriDB;

// The first registered stream provider named "DirectSound", port 0; 0 when
// there is none.
STAVRUND_API int GetDefaultASP(IOPARAMS *params);
// The stored parameters; when none are stored: the "DirectSound" provider,
// the program's folder (the database's) + "Audio\" as the working folder
// (created) and the usual VST folder, not stored. 0 when there is no "DirectSound" provider,
// a string cannot be had or the folder cannot be created.
STAVRUND_API int GetIOParamsOrDefaults(CTembriDB *db, IOPARAMS *params);
// Creates a folder and any missing parents; 1 when it exists afterwards.
STAVRUND_API int CreateFolderPath(const char *path);

} // namespace Quorvane
