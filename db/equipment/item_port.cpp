// The item objects' common part and the port items: walking the port
// records of one kind and bringing them in line with what is installed.
#include "data/simple_string.h"
#include "db/equipment/db_lock.h"
#include "db/equipment/io_defaults.h"
#include "db/equipment/items_impl.h"
#include "db/equipment/tembri_db.h"
#include "sound/equipment/port_enum.h"
#include "sound/equipment/vst_lists.h"

#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

namespace Quorvane {

CTembriItem::CTembriItem(CTembriDB *db, int lock, uint8_t type) : db(db), locked(lock), type(type)
{
    if (locked)
        db->Lock();
}

CTembriItem::~CTembriItem()
{
    if (locked)
        db->Unlock();
}

SDBNOTE *CTembriItem::nextBelow(SDBNOTE *prev, uint32_t parent) const
{
    return prev ? db->GetNextNote(prev, type) : db->GetFirstNote(parent, type);
}

char *CTembriItem::takeName(char *&owned)
{
    char *name = owned;
    owned = nullptr;
    return name;
}

int CTembriItem::readDescr(uint32_t id, PORTDESCR *out) const
{
    if (!out)
        return 0;
    out->Clear(0);
    PORTNOTE record(type, id);
    if (!db->ReadNote(&record))
        return 0;
    out->Pump(record.descr);
    return 1;
}

int CTembriItem::deleteRecord(uint32_t id) const
{
    const SDBNOTE *note = db->GetNoteByID(id);
    return note && note->type == type && db->DeleteNoteByID(id);
}

SDBNOTE *CTembriPort::GetNext(SDBNOTE *prev, uint32_t &id, long &kind, char *&name, void **data,
                              uint32_t *size)
{
    SDBNOTE *note = nextBelow(prev, SDB_NO_PARENT);
    name = nullptr;
    if (!note)
        return nullptr;
    id = note->id;
    PORTNOTE record(type, note->id);
    if (db->ReadNote(&record)) {
        kind = record.descr.kind;
        name = takeName(record.descr.name);
        if (data && size) {
            *data = record.descr.data;
            *size = uint32_t(record.descr.dataSize);
            record.descr.data = nullptr;
        }
    }
    return note;
}

namespace {

// The sound engine's class and kind of each port record type.
bool enumerationOf(uint8_t type, long &group, long &kind)
{
    struct Map {
        uint8_t type;
        long group, kind;
    };
    static const Map maps[] = {{0x50, 0, 0}, {0x51, 0, 4}, {0x52, 0, 5}, {0x53, 0, 6}, {0x54, 0, 7},
                               {0x60, 1, 0}, {0x61, 1, 1}, {0x62, 1, 2}, {0x70, 2, 0}, {0x71, 2, 1}};
    for (const Map &m : maps)
        if (m.type == type) {
            group = m.group;
            kind = m.kind;
            return true;
        }
    return false;
}

bool appendEntry(CStructArray &list, const char *text, long value, uint32_t recordId)
{
    SIMPLE_STRING entry;
    if ((text && !entry.SetText(text)) || !list.Insert(list.GetNumb(), 1, &entry))
        return false;
    auto *added = static_cast<SIMPLE_STRING *>(list.GetElementAt(list.GetNumb() - 1));
    added->SetParam1(value);
    added->SetParam2(long(recordId));
    return true;
}

// Known plug-ins (name, record id) and the scan cache (file, value, record
// id) as the VST scan takes them.
bool buildVstLists(CTembriDB *db, uint8_t type, CStructArray &known, CStructArray &scan)
{
    for (SDBNOTE *n = db->GetFirstNote(SDB_NO_PARENT, type); n; n = db->GetNextNote(n, type)) {
        PORTNOTE record(type, n->id);
        if (db->ReadNote(&record) && !appendEntry(known, record.descr.name, 0, n->id))
            return false;
    }
    for (SDBNOTE *n = db->GetFirstNote(SDB_NO_PARENT, RT_SCAN); n; n = db->GetNextNote(n, RT_SCAN)) {
        SCANNOTE record(n->id);
        if (db->ReadNote(&record) && !appendEntry(scan, record.file, long(record.value), n->id))
            return false;
    }
    return true;
}

// Writes back what the scan made of its cache.
bool storeScanList(CTembriDB *db, CStructArray &scan)
{
    for (long i = 0; i < scan.GetNumb(); ++i) {
        auto *e = static_cast<SIMPLE_STRING *>(scan.GetElementAt(i));
        const uint32_t value = uint32_t(e->GetParam1());
        const uint32_t recordId = uint32_t(e->GetParam2());
        SCANNOTE record(recordId);
        record.file = e->text;
        record.value = value & ~kVstChangedBit;
        bool ok = true;
        if (recordId == kVstNoRecord)
            ok = value != kVstDropEntry && db->AddNewNote(&record);
        else if (value == kVstDropEntry)
            ok = db->DeleteNoteByID(recordId);
        else if (value & kVstChangedBit)
            ok = db->ChangeNote(&record);
        record.file = nullptr;
        if (!ok && !(recordId == kVstNoRecord && value == kVstDropEntry))
            return false;
    }
    return true;
}

} // namespace

int CTembriPort::Refresh()
{
    long group = 0, kind = 0;
    if (!enumerationOf(type, group, kind))
        return 0;
    const bool vst = type == 0x51 || type == 0x61;
    CStructArray known(sizeof(SIMPLE_STRING), 16), scan(sizeof(SIMPLE_STRING), 16);
    if (vst) {
        DBLock lock(db);
        if (!buildVstLists(db, type, known, scan))
            return 0;
    }
    IOPARAMS params;
    if (!GetIOParamsOrDefaults(db, &params))
        return 0;
    std::unique_ptr<CStructArray> found(
        TindrelEnumPorts(group, kind, &params, vst ? &known : nullptr, vst ? &scan : nullptr));
    if (!found)
        return 0;
    std::vector<bool> claimed(size_t(found->GetNumb()), false);
    auto entry = [&](long i) { return static_cast<PORTENUM *>(found->GetElementAt(i)); };

    std::vector<uint32_t> stale;
    for (SDBNOTE *n = db->GetFirstNote(SDB_NO_PARENT, type); n; n = db->GetNextNote(n, type)) {
        PORTNOTE record(type, n->id);
        bool kept = false;
        if (db->ReadNote(&record))
            for (long i = 0; i < found->GetNumb() && !kept; ++i)
                if (!claimed[size_t(i)] && entry(i)->descr.IsEqual(record.descr))
                    kept = claimed[size_t(i)] = true;
        if (!kept)
            stale.push_back(n->id);
    }
    for (uint32_t id : stale)
        if (!db->DeleteNoteByID(id))
            return 0;
    for (long i = 0; i < found->GetNumb(); ++i) {
        if (claimed[size_t(i)])
            continue;
        PORTNOTE record(type);
        record.descr.Pump(entry(i)->descr);
        if (!db->AddNewNote(&record))
            return 0;
    }
    if (vst) {
        DBLock lock(db);
        if (!storeScanList(db, scan))
            return 0;
    }
    return 1;
}

} // namespace Quorvane
