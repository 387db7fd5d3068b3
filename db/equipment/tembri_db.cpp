// Opening the equipment database and its stored I/O parameters.
#include "db/equipment/tembri_db.h"

#include "db/equipment/db_lock.h"
#include "db/equipment/equipment_records.h"
#include "db/equipment/items_impl.h"

#include <new>

namespace Quorvane {

namespace {

enum class Root { Whole, NoRecords, Damaged, Unreadable };

// The root record must stand at the top level and its body read whole. A
// body that could not be read is no damage.
Root CheckRoot(CSDB &db)
{
    DBLock lock(&db);
    const SDBNOTE *note = db.GetFirstNote(SDB_NO_PARENT, RT_ROOT);
    if (!note)
        return db.GetNoteByType(nullptr, SDB_ANY_TYPE) ? Root::Damaged : Root::NoRecords;
    const uint32_t bodyEnd = note->position + SDB_HEADER_SIZE + note->size;
    ROOTNOTE root(0, note->id);
    uint32_t at = 0;
    CXFile *file = db.GetXFile();
    file->ClearReadError();
    if (db.ReadNote(&root) && file->GetCurrentPos(&at) && at == bodyEnd)
        return Root::Whole;
    return file->ReadError() ? Root::Unreadable : Root::Damaged;
}

// A missing file is made; one that stands there and could not be opened is
// left alone (the open of a missing file may fail for another reason: the
// mutex of its empty id can be held by another open of a missing file).
bool Missing(const char *fileName)
{
    return GetFileAttributesA(fileName) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND;
}

} // namespace

CTembriDB::CTembriDB(const char *fileName, uint32_t version, long &result, KeptAsideNotice notice)
    : version(version)
{
    result = 0;
    // A look that writes nothing comes first: a damaged database is kept
    // aside exactly as the user had it, before an open for writing could
    // cut or discard anything of it. Only a file that a journal must give
    // back first is looked at after the writable open has done that. A file
    // that could not be read is no damage: the open fails with the reason
    // (OpenError) and nothing is moved or made.
    bool damaged = false;
    if (Open(fileName, kEquipmentMagic, 0)) {
        const Root root = CheckRoot(*this);
        if (root == Root::Unreadable) {
            FailUnread();
            return;
        }
        damaged = root == Root::Damaged;
        Close(0);
    } else if (RefusedAsDamaged()) {
        damaged = true;
    } else if (!RefusedForJournal() && !Missing(fileName)) {
        return;
    }
    if (!damaged) {
        if (Open(fileName, kEquipmentMagic, 1)) {
            const Root root = CheckRoot(*this);
            if (root == Root::Whole) {
                result = 1;
                return;
            }
            if (root == Root::Unreadable) {
                FailUnread();
                return;
            }
            damaged = root == Root::Damaged;
        } else if (RefusedAsDamaged()) {
            damaged = true;
        } else if (!Missing(fileName) || !Create(fileName, kEquipmentMagic)) {
            return;
        }
    }
    if (damaged) {
        Close(0);
        char keptAs[MAX_PATH];
        if (!KeepXFileAside(fileName, keptAs, sizeof(keptAs)))
            return;
        if (notice)
            notice(keptAs);
        if (!Create(fileName, kEquipmentMagic))
            return;
    }
    ROOTNOTE rootRecord(version);
    Lock();
    const int added = AddNewNote(&rootRecord);
    Unlock();
    if (added)
        result = 2;
}

// The open worked but a read of the file did not: the file stays as it is.
void CTembriDB::FailUnread()
{
    const uint32_t error = GetXFile()->ReadError();
    Close(0);
    OpenFailed(error);
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
