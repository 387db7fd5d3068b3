// Template items, the part every kind shares: listing, saving and loading
// frames, data blocks; and the song-tract and SysEx templates.
#include "data/song.h"
#include "data/sound_interfaces.h"
#include "db/equipment/items_impl.h"
#include "db/equipment/out_sharing.h"
#include "db/equipment/tembri_db.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace Quorvane {

SDBNOTE *CTembriTemplate::GetNext(SDBNOTE *prev, uint32_t &id, char *&name)
{
    SDBNOTE *note = nextBelow(prev, parent);
    name = nullptr;
    if (!note)
        return nullptr;
    id = note->id;
    TEMPLATENOTE record(type, note->id);
    if (db->ReadNote(&record))
        name = takeName(record.name);
    return note;
}

int CTembriTemplate::GetData(uint32_t id, void **data, uint32_t *size)
{
    if (!data || !size)
        return 0;
    const SDBNOTE *note = db->GetFirstNote(id, RT_TEMPLATE_DATA);
    TEMPLATEDATANOTE record(note ? note->id : 0);
    if (!note || !db->ReadNote(&record))
        return 0;
    *data = record.blob;
    *size = record.blobSize;
    record.blob = nullptr;
    return 1;
}

int CTembriTemplate::SetData(uint32_t id, const void *data, uint32_t size)
{
    const SDBNOTE *note = db->GetNoteByID(id);
    if (!note || note->type != type)
        return 0;
    TEMPLATEDATANOTE record(0, id);
    if (size) {
        if (!data || !(record.blob = std::malloc(size)))
            return 0;
        std::memcpy(record.blob, data, size);
        record.blobSize = size;
    }
    return db->AddNewNote(&record);
}

int CTembriTemplate::Save(CSong *song, uint32_t replaceId, const char *name, uint32_t *newId)
{
    if (!song)
        return 0;
    TEMPLATENOTE record(type, 0, parent);
    if (replaceId != kNoReplace) {
        TEMPLATENOTE old(type, replaceId);
        if (!db->ReadNote(&old))
            return 0;
        record.name = takeName(old.name);
    } else if (name && *name && !record.SetName(name)) {
        return 0;
    }
    if (!SetBlob(song, record) || !db->AddNewNote(&record))
        return 0;
    // A half-saved template goes again; a replaced one only once the new one
    // is whole.
    if (!SaveContent(song, record.id) || (replaceId != kNoReplace && !db->DeleteNoteByID(replaceId))) {
        db->DeleteNoteByID(record.id);
        return 0;
    }
    lastSaved = record.id;
    if (newId)
        *newId = record.id;
    return 1;
}

int CTembriTemplate::Load(CSong *song, uint32_t id)
{
    TEMPLATENOTE record(type, id);
    if (!song || !db->ReadNote(&record) || !CheckContent(song, record))
        return 0;
    std::string caption = UndoCaption();
    CUndoAccount undo(song, caption.data(), UNDO_ALL_TRACKS);
    // The content takes the song's mutex itself, only to put in place what
    // it made without it: the render thread plays under that mutex.
    if (!LoadContent(song, id))
        return 0;
    undo.Commit();
    return 1;
}

// --- song-tract templates

namespace {

template <typename Each> int forEachBelow(CTembriDB *db, uint32_t parent, uint8_t type, Each each)
{
    for (SDBNOTE *n = db->GetFirstNote(parent, type); n; n = db->GetNextNote(n, type))
        if (!each(n->id))
            return 0;
    return 1;
}

} // namespace

int CTemplateSongTract::SaveContent(CSong *song, uint32_t templateId)
{
    IQuorvaneSongTract *tract = song->GetSongTract();
    const long buses = tract ? tract->GetNumBuses() : 0;
    if (buses < 1)
        return 0;
    for (long number = 0; number < buses; ++number) {
        void *bus = tract->GetBusByNumb(number);
        BUSNOTE record(0, templateId);
        long effects = 0;
        tract->GetBusInfo(bus, record.volume, record.pan, effects);
        record.number = uint32_t(number);
        if (!db->AddNewNote(&record))
            return 0;
        CTembriPreset presets(db, 0, RT_PRESET_AEFF, record.id);
        for (void *e = tract->GetNextSEffect(bus, nullptr); e; e = tract->GetNextSEffect(bus, e))
            if (!presets.Save(e, tract, kNoReplace, nullptr))
                return 0;
    }
    CTembriPreset outputs(db, 0, RT_PRESET_OUT, templateId);
    for (void *out = tract->GetNextOut(nullptr); out; out = tract->GetNextOut(out))
        if (!outputs.Save(out, tract, kNoReplace, nullptr))
            return 0;
    return 1;
}

int CTemplateSongTract::LoadContent(CSong *song, uint32_t templateId)
{
    IQuorvaneSongTract *tract = song->GetSongTract();
    if (!tract)
        return 0;
    for (long number = tract->GetNumBuses() - 1; number >= 0; --number) {
        void *bus = tract->GetBusByNumb(number);
        while (void *effect = tract->GetNextSEffect(bus, nullptr))
            if (!tract->DeleteSEffect(bus, effect))
                return 0;
        if (number > 0 && !tract->DeleteBus(bus))
            return 0;
    }
    const int busesLoaded = forEachBelow(db, templateId, RT_BUS, [&](uint32_t id) {
        BUSNOTE record(id);
        if (!db->ReadNote(&record))
            return 0;
        if (record.number != 0 && !tract->AddNewBus())
            return 0;
        void *bus = tract->GetBusByNumb(long(record.number));
        if (record.number != 0 && !bus)
            return 0;
        tract->SetBusInfo(bus, record.volume, record.pan);
        CTembriPreset effects(db, 0, RT_PRESET_AEFF, id);
        return forEachBelow(db, id, RT_PRESET_AEFF,
                            [&](uint32_t preset) { return effects.Apply(bus, tract, preset, 0); });
    });
    if (!busesLoaded)
        return 0;
    int ok = 0;
    COutSharing sharing(song, ok);
    if (!ok)
        return 0;
    CTembriPreset outputs(db, 0, RT_PRESET_OUT, templateId);
    outputs.sharing = &sharing;
    loadedOuts.clear();
    return forEachBelow(db, templateId, RT_PRESET_OUT,
                        [&](uint32_t preset) {
                            if (!outputs.Apply(nullptr, tract, preset, 0))
                                return 0;
                            loadedOuts.push_back(sharing.LastOut());
                            return 1;
                        }) &&
           sharing.Commit();
}

// --- SysEx templates

namespace {

// The identifying data of an output as a SysEx record keeps it: the
// descriptor's data up to its terminator.
std::string outIdentifier(IQuorvaneSongTract *tract, void *out, bool &ok)
{
    PORTDESCR d;
    ok = tract->GetOutDescr(out, &d, 0) != 0;
    if (!ok || !d.data || d.dataSize <= 0)
        return {};
    const char *bytes = static_cast<const char *>(d.data);
    return std::string(bytes, strnlen(bytes, size_t(d.dataSize)));
}

} // namespace

int CTemplateSysEx::SaveContent(CSong *song, uint32_t templateId)
{
    IQuorvaneSongTract *tract = song->GetSongTract();
    for (long i = 0; i < song->sysEx.GetNumb(); ++i) {
        const SYSEX *entry = song->sysEx.GetAt(i);
        SYSEXNOTE record(0, templateId);
        record.setting = uint32_t(entry->muted);
        // An entry without an output saves an empty identifier.
        bool ok = true;
        const std::string port = entry->port && tract ? outIdentifier(tract, entry->port, ok) : std::string();
        if (!ok || !record.SetName(entry->name) || !record.SetPortId(port.c_str()) ||
            !record.SetData(entry->data, uint32_t(entry->data ? entry->length : 0)) ||
            !db->AddNewNote(&record))
            return 0;
    }
    return 1;
}

int CTemplateSysEx::LoadContent(CSong *song, uint32_t templateId)
{
    IQuorvaneSongTract *tract = song->GetSongTract();
    song->sysEx.Clear();
    void *fallback = nullptr;
    for (void *out = tract ? tract->GetNextOut(nullptr) : nullptr; out && !fallback;
         out = tract->GetNextOut(out))
        if (tract->GetOutType(out) == 7)
            fallback = out;
    return forEachBelow(db, templateId, RT_SYSEX, [&](uint32_t id) {
        SYSEXNOTE record(id);
        if (!db->ReadNote(&record))
            return 0;
        SYSEX entry;
        entry.muted = long(record.setting);
        entry.port = fallback;
        if (record.port && tract)
            for (void *out = tract->GetNextOut(nullptr); out; out = tract->GetNextOut(out)) {
                bool ok = true;
                if (outIdentifier(tract, out, ok) == record.port && ok) {
                    entry.port = out;
                    break;
                }
            }
        if ((record.name && !entry.SetName(record.name)) || !entry.SetData(record.data, long(record.size)) ||
            !song->sysEx.Add(entry)) {
            entry.Clear();
            return 0;
        }
        return 1;
    });
}

} // namespace Quorvane
