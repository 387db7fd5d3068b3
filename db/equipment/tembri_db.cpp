// Opening the equipment database and its stored I/O parameters.
#include "db/equipment/tembri_db.h"

#include "db/equipment/db_lock.h"
#include "db/equipment/equipment_records.h"
#include "db/equipment/items_impl.h"

#include <new>

namespace Quorvane {

CTembriDB::CTembriDB(const char *fileName, uint32_t version, long &result) : version(version)
{
    result = 0;
    if (Open(fileName, kEquipmentMagic, 1)) {
        Lock();
        const bool hasRoot = GetFirstNote(SDB_NO_PARENT, RT_ROOT) != nullptr;
        const int emptied = hasRoot || DeleteAll();
        Unlock();
        if (hasRoot) {
            result = 1;
            return;
        }
        if (!emptied)
            return;
    } else if (!Create(fileName, kEquipmentMagic)) {
        return;
    }
    ROOTNOTE root(version);
    Lock();
    const int added = AddNewNote(&root);
    Unlock();
    if (added)
        result = 2;
}

CTembriDB::~CTembriDB() = default;

int CTembriDB::GetIOParams(IOPARAMS *params)
{
    if (!params)
        return 0;
    DBLock lock(this);
    const SDBNOTE *note = GetFirstNote(SDB_NO_PARENT, RT_IOPARAMS);
    IOPARAMSNOTE record(note ? note->id : 0);
    if (!note || !ReadNote(&record))
        return 0;
    params->Pump(record.params);
    return 1;
}

int CTembriDB::SetIOParams(IOPARAMS *params)
{
    if (!params)
        return 0;
    IOPARAMSNOTE record;
    record.params = *params;
    if (!record.FoldersFit())
        return 0;
    DBLock lock(this);
    if (const SDBNOTE *note = GetFirstNote(SDB_NO_PARENT, RT_IOPARAMS)) {
        record.id = note->id;
        return ChangeNote(&record);
    }
    return AddNewNote(&record);
}

ITembriTemplate *CTembriDB::GetITembriTemplateNewSong(int lock)
{
    return new (std::nothrow) CTemplateNewSong(this, lock);
}

ITembriTemplate *CTembriDB::GetITembriTemplateSongTract(int lock)
{
    return new (std::nothrow) CTemplateSongTract(this, lock);
}

ITembriTemplate *CTembriDB::GetITembriTemplateSysEx(int lock)
{
    return new (std::nothrow) CTemplateSysEx(this, lock);
}

ITembriPreset *CTembriDB::GetITembriPresetOut(uint32_t portId, int lock)
{
    return new (std::nothrow) CTembriPreset(this, lock, RT_PRESET_OUT, portId);
}

ITembriPreset *CTembriDB::GetITembriPresetAEff(uint32_t portId, int lock)
{
    return new (std::nothrow) CTembriPreset(this, lock, RT_PRESET_AEFF, portId);
}

ITembriPreset *CTembriDB::GetITembriPresetMEff(uint32_t portId, int lock)
{
    return new (std::nothrow) CTembriPreset(this, lock, RT_PRESET_MEFF, portId);
}

ITembriPort *CTembriDB::GetITembriPort(long type, int lock)
{
    const uint8_t recordType = PortRecordType(int(type));
    return recordType ? new (std::nothrow) CTembriPort(this, lock, recordType) : nullptr;
}

} // namespace Quorvane
