// The exported database functions over the library's one database.
#include "base/registry.h"
#include "db/equipment/equipment_records.h"
#include "db/equipment/io_defaults.h"
#include "db/library/dialogs.h"
#include "db/library/library_state.h"
#include "db/library/stavrund_functions.h"

#include <string>

using namespace Quorvane;

void CDBCommitModifications()
{
    CTembriDB *db = StavrundDatabase();
    if (!db || !db->IsOpened() || !db->IsModified())
        return;
    const std::string options = "Software\\Quorvane\\" + StavrundProgramName() + "\\Options";
    if (readRegistryDword(options.c_str(), "DBCommitDialog", 1, true) != 0 && !RunCommitDialog())
        return;
    db->UpdateDBUID();
    db->Close(1);
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
    RunFirstTimeDialog(mask);
    StavrundFirstTime() = 0;
    return 1;
}

} // namespace Quorvane
