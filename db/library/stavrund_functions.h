// The equipment database functions the program calls. They work on the
// library's one database, opened or created beside the program when the
// library loads; each answers 0 or null when that database does not exist.
#pragma once

#include "data/io_params.h"
#include "data/storage.h"
#include "db/equipment/items.h"
#include "db/equipment/new_song_check.h"
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

// Reads a song record file into the song, or writes the song into one; the
// version goes into a new file's root record, the tag selects the
// application record and appData (may be null) carries its data.
STAVRUND_API int CDBOpenSong(Quorvane::CSong *song, const char *file, uint32_t version, const char *tag,
                             Quorvane::CStorage *appData);
STAVRUND_API int CDBSaveSong(Quorvane::CSong *song, const char *file, uint32_t version, const char *tag,
                             Quorvane::CStorage *appData);

namespace Quorvane {

class IQuorvaneSongTract;

STAVRUND_API ITembriPort *CDBGetITembriPort(long type, int lock);
// The "DirectSound" stream provider, port 0; 0 when there is none.
STAVRUND_API int CDBGetDefaultASP(IOPARAMS *params);
// The stored parameters, else defaults (not stored).
STAVRUND_API int CDBGetIOParams(IOPARAMS *params);
STAVRUND_API int CDBSetIOParams(IOPARAMS *params);
// Runs the first-time set-up once after the database was created; 1 then,
// 0 afterwards.
STAVRUND_API int CDBCheckFirstTime(uint32_t mask);

// The equipment tree in output, audio effect or MIDI effect mode: the
// chosen port's or preset's descriptor goes into descriptor; 1 for OK, 0 at
// once for a null descriptor.
STAVRUND_API int CDBChooseOut(PORTDESCR *descriptor, IQuorvaneSongTract *tract);
STAVRUND_API int CDBChooseAEff(PORTDESCR *descriptor);
STAVRUND_API int CDBChooseMEff(PORTDESCR *descriptor);
// The preset chooser of one output or effect (item and context as its
// preset kind takes them; parent: a window whose title names it when the
// name is empty).
STAVRUND_API void CDBChoosePreset(uint32_t portId, void *item, IQuorvaneSongTract *tract,
                                  const char *itemName, void *parent);
// The template chooser of a TYPE; the data block (when data and size are
// given) goes to the dialog, and after OK the chosen template's block comes
// back (the caller frees it); 1 for OK.
STAVRUND_API int CDBChooseTemplate(uint32_t type, CSong *song, int (*callback)(uint32_t), uint32_t argument,
                                   void **data, uint32_t *size);
// The check every New Song template load asks from now on (null: none), so
// that a template the program cannot use is refused before the song's
// tracks go.
STAVRUND_API void CDBSetNewSongCheck(NewSongTracksCheck check, void *user);

} // namespace Quorvane
