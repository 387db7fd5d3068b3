#include "db/songfile/tests/track_list_template.h"

#include "data/song.h"
#include "data/track.h"
#include "data/track_master.h"
#include "db/equipment/equipment_records.h"
#include "db/records/sdb.h"
#include "db/songfile/song_notes.h"

#include <cstdlib>
#include <cstring>
#include <string>

using namespace Quorvane;

namespace {

void put32(std::string &bytes, uint32_t value)
{
    bytes.append(reinterpret_cast<const char *>(&value), 4);
}

// Track body: id, kind, name, flags, output, eight settings, blob (the
// master track's four defaults).
std::string trackBody(const CTrack *t)
{
    std::string body;
    put32(body, t->id);
    put32(body, uint32_t(t->kind));
    const uint32_t nameLength = ShortStringSize(t->name) - 1;
    body += char(nameLength);
    body.append(t->name ? t->name : "", nameLength);
    put32(body, t->flags);
    put32(body, 0);
    for (long setting :
         {t->channel, t->bank, t->bankMode, t->program, t->volume, t->pan, t->transpose, t->timeOffset})
        put32(body, uint32_t(setting));
    if (t->kind == TRACK_MASTER) {
        put32(body, 16);
        for (uint32_t value : {4u, 2u, 15u, 100u})
            put32(body, value);
    } else {
        put32(body, 0);
    }
    return body;
}

int writeTrack(CSDB *db, CTrack *t, uint32_t templateId)
{
    const std::string body = trackBody(t);
    SDBNOTE note;
    note.type = SONG_TRACK;
    note.parent = templateId;
    note.size = uint32_t(body.size());
    if (t->GetDBID() == -1) {
        if (!db->AddNewNote(&note, body.data()))
            return 0;
        t->SetDBID(long(note.id));
        return 1;
    }
    note.id = uint32_t(t->GetDBID());
    return db->ChangeNote(&note, body.data());
}

} // namespace

int TrackListTemplate::Save(CSDB *db, CSong *song, uint32_t *templateId)
{
    ++saves;
    std::string body(1, '\0'); // no name
    put32(body, 8);
    put32(body, uint32_t(song->templateTimeBase));
    put32(body, uint32_t(song->templateSampleRate));
    SDBNOTE note;
    note.type = SONG_TEMPLATE;
    note.parent = SDB_NO_PARENT;
    note.size = uint32_t(body.size());
    if (!db->AddNewNote(&note, body.data()))
        return 0;
    *templateId = note.id;
    for (CTrack *t = song->GetNextTrack(nullptr); t; t = song->GetNextTrack(t)) {
        t->SetDBID(-1);
        if (!writeTrack(db, t, note.id))
            return 0;
    }
    return 1;
}

int TrackListTemplate::Update(CSDB *db, CSong *song, uint32_t templateId)
{
    ++updates;
    for (CTrack *t = song->GetNextTrack(nullptr); t; t = song->GetNextTrack(t))
        if (!writeTrack(db, t, templateId))
            return 0;
    return 1;
}

int TrackListTemplate::Load(CSDB *db, CSong *song, uint32_t templateId)
{
    ++loads;
    song->ZeroSong();
    for (SDBNOTE *note = db->GetFirstNote(templateId, SONG_TRACK); note;
         note = db->GetNextNote(note, SONG_TRACK)) {
        CXFile *file;
        uint32_t id, kind;
        char *name = nullptr;
        if (!db->PrepareReadNote(note, &file, nullptr) || !file->Read32(&id) || !file->Read32(&kind) ||
            !file->ReadString(&name))
            return 0;
        CTrack *t = kind == TRACK_MASTER ? song->GetTrackMaster() : CreateTrack(long(kind), id, song);
        if (!t || (kind != TRACK_MASTER && (!t->SetDefault() || !song->InsertTrack(t, 0)))) {
            std::free(name);
            if (kind != TRACK_MASTER)
                delete t;
            return 0;
        }
        t->SetName(name);
        std::free(name);
    }
    return 1;
}
