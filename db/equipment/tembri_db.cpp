// Opening the equipment database and its stored I/O parameters.
#include "db/equipment/tembri_db.h"

#include "db/equipment/db_lock.h"
#include "db/equipment/equipment_records.h"

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

} // namespace Quorvane
