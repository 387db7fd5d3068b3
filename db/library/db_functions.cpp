// The exported database functions over the library's one database.
#include "db/equipment/equipment_records.h"
#include "db/equipment/io_defaults.h"
#include "db/dialogs/commit_dialog.h"
#include "db/dialogs/first_time_dialog.h"
#include "db/dialogs/program_options.h"
#include "db/library/library_state.h"
#include "db/library/stavrund_functions.h"

#include <string>

using namespace Quorvane;

void CDBCommitModifications()
{
    CTembriDB *db = StavrundDatabase();
    if (!db || !db->IsOpened() || !db->IsModified())
        return;
    const char *program = StavrundProgramName().c_str();
    if (ReadProgramInt(program, kOptionsSection, kCommitDialogOption, 1) != 0 &&
        RunCommitDialog(StavrundResources(), program) != IDOK)
        return;
    db->UpdateDBUID();
    // The user confirmed the commit: one that failed (the disk full, the
    // journal not writable) is rolled back and must not pass in silence.
    if (!db->Close(1))
        DBErrorBox(IDS_DATABASE_ERROR);
}

ITembriTemplate *CDBGetITembriTemplate(uint32_t type, uint32_t lock)
{
    CTembriDB *db = StavrundDatabase();
    if (!db)
        return nullptr;
    switch (type) {
    case ITembriTemplate::TT_NEWSONG:
        return db->GetITembriTemplateNewSong(int(lock));
    case ITembriTemplate::TT_SONGTRACT:
        return db->GetITembriTemplateSongTract(int(lock));
    case ITembriTemplate::TT_SYSEX:
        return db->GetITembriTemplateSysEx(int(lock));
    }
    return nullptr;
}

ITembriPreset *CDBGetITembriPreset(uint32_t portId, uint32_t lock)
{
    CTembriDB *db = StavrundDatabase();
    if (!db)
        return nullptr;
    db->Lock();
    const SDBNOTE *note = db->GetNoteByID(portId);
    const uint8_t type = note && note->parent == SDB_NO_PARENT ? note->type : 0;
    db->Unlock();
    switch (PresetTypeOfPort(type)) {
    case RT_PRESET_OUT:
        return db->GetITembriPresetOut(portId, int(lock));
    case RT_PRESET_AEFF:
        return db->GetITembriPresetAEff(portId, int(lock));
    case RT_PRESET_MEFF:
        return db->GetITembriPresetMEff(portId, int(lock));
    }
    return nullptr;
}

namespace Quorvane {

ITembriPort *CDBGetITembriPort(long type, int lock)
{
    CTembriDB *db = StavrundDatabase();
    return db ? db->GetITembriPort(type, lock) : nullptr;
}

int CDBGetDefaultASP(IOPARAMS *params)
{
    return StavrundDatabase() && params && GetDefaultASP(params);
}

int CDBGetIOParams(IOPARAMS *params)
{
    CTembriDB *db = StavrundDatabase();
    return db && GetIOParamsOrDefaults(db, params);
}

int CDBSetIOParams(IOPARAMS *params)
{
    CTembriDB *db = StavrundDatabase();
    return db && db->SetIOParams(params);
}

int CDBCheckFirstTime(uint32_t mask)
{
    if (!StavrundDatabase() || !StavrundFirstTime())
        return 0;
    RunFirstTimeDialog(StavrundResources(), StavrundDatabase(), mask);
    StavrundFirstTime() = 0;
    return 1;
}

} // namespace Quorvane
