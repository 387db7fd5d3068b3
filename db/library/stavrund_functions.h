// The equipment database functions the program calls. They work on the
// library's one database, opened or created beside the program when the
// library loads; each answers 0 or null when that database does not exist.
#pragma once

#include "data/io_params.h"
#include "db/equipment/items.h"
#include "db/stavrund_api.h"

#include <cstdint>

// Commits the database's pending changes (asking first through the commit
// dialog unless the program's option "DBCommitDialog" is 0), with a new
// database id; the database stays closed afterwards.
STAVRUND_API void CDBCommitModifications();
// A template item of the kind (ITembriTemplate::TYPE); null for another.
STAVRUND_API Quorvane::ITembriTemplate *CDBGetITembriTemplate(uint32_t type, uint32_t lock);
// A preset item for the presets of a top-level port record; null when the
// record is missing or not a port record.
STAVRUND_API Quorvane::ITembriPreset *CDBGetITembriPreset(uint32_t portId, uint32_t lock);

namespace Quorvane {

STAVRUND_API ITembriPort *CDBGetITembriPort(long type, int lock);
// The "DirectSound" stream provider, port 0; 0 when there is none.
STAVRUND_API int CDBGetDefaultASP(IOPARAMS *params);
// The stored parameters, else defaults (not stored).
STAVRUND_API int CDBGetIOParams(IOPARAMS *params);
STAVRUND_API int CDBSetIOParams(IOPARAMS *params);
// Runs the first-time set-up once after the database was created; 1 then,
// 0 afterwards.
STAVRUND_API int CDBCheckFirstTime(uint32_t mask);

} // namespace Quorvane
