#include "db/songfile/song_db.h"

#include "base/message_box.h"
#include "data/song.h"
#include "data/storage.h"
#include "data/strings.h"
#include "data/track.h"
#include "data/track_audio.h"
#include "data/track_master.h"
#include "data/track_meltext.h"
#include "db/equipment/equipment_records.h"
#include "db/equipment/items_impl.h"
#include "db/records/rollback_journal.h"
#include "db/songfile/song_audio.h"
#include "db/songfile/song_events.h"
#include "db/songfile/song_notes.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace Quorvane {

namespace {

// The time base and sample rate a New Song template's blob holds.
struct TemplateRates {
    uint32_t timeBase = 0;
    uint32_t sampleRate = 0;
};

int ReadTemplateRates(CSDB &db, const SDBNOTE *note, TemplateRates &rates)
{
    TEMPLATENOTE record(RT_TEMPLATE_NEWSONG, note->id);
    if (!db.ReadNote(&record) || record.blobSize != sizeof rates)
        return 0;
    std::memcpy(&rates, record.blob, sizeof rates);
    return 1;
}

bool SameId(const DBUID &uid, const GUID &kept)
{
    return std::memcmp(uid.m_words, &kept, sizeof kept) == 0;
}

// Record ids of the tracks before a save, put back when it fails: the ids of
// a failed save name records that the file will not keep.
class TrackIdSnapshot {
public:
    explicit TrackIdSnapshot(CSong &song)
    {
        for (CTrack *t = song.GetNextTrack(nullptr); t; t = song.GetNextTrack(t))
            m_ids.emplace_back(t, t->GetDBID());
    }
    bool StoredBefore(CTrack *track) const
    {
        for (const auto &[t, id] : m_ids)
            if (t == track)
                return id != -1;
        return false;
    }
    void Restore()
    {
        for (auto &[t, id] : m_ids)
            t->SetDBID(id);
    }

private:
    std::vector<std::pair<CTrack *, long>> m_ids;
};

// Whether the file can be opened for writing (also when it is missing).
bool Writable(const char *file)
{
    if (GetFileAttributesA(file) == INVALID_FILE_ATTRIBUTES)
        return true;
    CXFile probe;
    return probe.Open(file, 1) != 0;
}

} // namespace

CTembriSongDB::CTembriSongDB(CSong *song, uint32_t version, const char *tag)
    : CTembriDB(version), m_song(song), m_tag(tag ? CreateString(tag) : nullptr)
{
}

CTembriSongDB::~CTembriSongDB()
{
    Close(0);
    std::free(m_tag);
}

int CTembriSongDB::Store(CSDBInterpretator *codec, const SDBNOTE *existing)
{
    if (!existing)
        return AddNewNote(codec);
    codec->id = existing->id;
    codec->parent = existing->parent;
    return ChangeNote(codec);
}

// ---- open

int CTembriSongDB::OpenSong(const char *file, CStorage *appData)
{
    if (!m_song)
        return 0;
    if (Open(file, SONGFILE_MAGIC, 0))
        return ReadOpenSong(appData);
    // A save that a crash or a power cut ended left its journal: only an
    // open for writing plays it back, giving the song of before.
    return RefusedForJournal() ? OpenThroughJournal(file, appData) : 0;
}

int CTembriSongDB::ReadOpenSong(CStorage *appData)
{
    Lock();
    const DBUID uid = GetDataBaseUID();
    const int ok = ReadSong(appData);
    Unlock();
    Close(0);
    if (ok)
        std::memcpy(&m_song->songFileId, uid.m_words, sizeof m_song->songFileId);
    return ok;
}

// The journal is played back into a copy first, and the song read from it:
// only a song that reads there is played back into the file itself, so a
// journal that gives back no song leaves the file and the journal as they
// are. Without write access nothing is played back, and the user is told.
int CTembriSongDB::OpenThroughJournal(const char *file, CStorage *appData)
{
    if (!Writable(file) || !Writable(RollbackJournal::NameOf(file).c_str())) {
        const std::string text = std::string("Cannot open the song ") + file +
                                 ": it holds a save that did not finish, and giving back the song of "
                                 "before that save needs write access to it. The file is left as it is.";
        showMessageBox(nullptr, text.c_str(), "Open Song", MB_OK | MB_ICONSTOP);
        return 0;
    }
    char folder[MAX_PATH], copy[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, folder);
    if (length == 0 || length >= MAX_PATH || !GetTempFileNameA(folder, "sng", 0, copy))
        return 0;
    const std::string copyJournal = RollbackJournal::NameOf(copy);
    int ok = CopyFileA(file, copy, FALSE) &&
             CopyFileA(RollbackJournal::NameOf(file).c_str(), copyJournal.c_str(), FALSE) &&
             Open(copy, SONGFILE_MAGIC, 1) && Close(0) && Open(copy, SONGFILE_MAGIC, 0) &&
             ReadOpenSong(appData);
    Close(0);
    DeleteFileA(copyJournal.c_str());
    DeleteFileA(copy);
    // The song read: the file takes the same playback. Should that fail,
    // its journal stays for the next open, which gives back the same song.
    if (ok && Open(file, SONGFILE_MAGIC, 1))
        Close(0);
    return ok;
}

int CTembriSongDB::ReadSong(CStorage *appData)
{
    SDBNOTE *templateNote = GetFirstNote(SDB_NO_PARENT, SONG_TEMPLATE);
    TemplateRates rates;
    if (!templateNote || !ReadTemplateRates(*this, templateNote, rates))
        return 0;
    const uint32_t templateId = templateNote->id;
    CTemplateNewSong songTemplate(this, 0);
    if (!songTemplate.Load(m_song, templateId) || !BindTrackRecords(templateId) || !ReadInfo())
        return 0;
    for (CTrack *t = m_song->GetNextTrack(nullptr); t; t = m_song->GetNextTrack(t))
        if (!ReadTrack(t))
            return 0;
    const long timeBase = m_song->GetTimeBase(), sampleRate = m_song->GetSPS();
    if (long(rates.timeBase) != timeBase || long(rates.sampleRate) != sampleRate) {
        for (CTrack *t = m_song->GetNextTrack(nullptr); t; t = m_song->GetNextTrack(t)) {
            if (t->GetKind() == TRACK_AUDIO)
                static_cast<CTrackAudio *>(t)->wave.sampleRate = long(rates.sampleRate);
            if (!t->ChangeTimebase(long(rates.timeBase), timeBase) ||
                !t->ChangeSPS(long(rates.sampleRate), sampleRate))
                return 0;
        }
    }
    if (CTrackMaster *master = m_song->GetTrackMaster())
        master->UpdateParams(0);
    for (CTrack *t = m_song->GetNextTrack(nullptr); t; t = m_song->GetNextTrack(t)) {
        t->UpdateLastTime();
        t->UpdateEdition();
        if (t->GetKind() == TRACK_AUDIO)
            static_cast<CTrackAudio *>(t)->wave.changed = 0;
    }
    m_song->UpdateEdition();
    m_song->Update();
    m_song->UpdateNodes();
    ReadApp(appData);
    return 1;
}

int CTembriSongDB::BindTrackRecords(uint32_t templateId)
{
    for (CTrack *t = m_song->GetNextTrack(nullptr); t; t = m_song->GetNextTrack(t))
        t->SetDBID(-1);
    for (SDBNOTE *note = GetFirstNote(templateId, SONG_TRACK); note; note = GetNextNote(note, SONG_TRACK)) {
        CXFile *file;
        uint32_t trackId;
        if (!PrepareReadNote(note, &file, nullptr) || !file->Read32(&trackId))
            return 0;
        if (CTrack *t = m_song->GetTrack(long(trackId)))
            t->SetDBID(long(note->id));
    }
    return 1;
}

int CTembriSongDB::ReadInfo()
{
    m_song->songInfo.Clear(0);
    SDBNOTE *note = GetFirstNote(SDB_NO_PARENT, SONG_INFO);
    if (!note)
        return 1;
    SONGINFONOTE info(note->id);
    if (!ReadNote(&info))
        return 0;
    for (int i = 0; i < SONGINFONOTE::Items; ++i)
        if (!m_song->songInfo.SetItemText(i, info.texts[i]))
            return 0;
    return 1;
}

int CTembriSongDB::ReadTrack(CTrack *track)
{
    const long record = track->GetDBID();
    if (record == -1)
        return 1;
    if (SDBNOTE *note = GetFirstNote(uint32_t(record), SONG_EVENTS)) {
        SONGBLOBNOTE events(SONG_EVENTS, note->id, 0);
        CMemStorage storage;
        if (!ReadNote(&events) || !storage.PutBuffer(events.data, long(events.size)) ||
            storage.SetPos(0) != 0 || !TakeEventBlock(*track, storage))
            return 0;
    }
    if (track->GetKind() == TRACK_MELTEXT) {
        if (SDBNOTE *note = GetFirstNote(uint32_t(record), SONG_MELTEXT)) {
            SONGBLOBNOTE text(SONG_MELTEXT, note->id, 0);
            CMemStorage storage;
            CText &lines = static_cast<CTrackMelText *>(track)->text;
            lines.Clear();
            if (!ReadNote(&text) || !storage.PutBuffer(text.data, long(text.size)) ||
                storage.SetPos(0) != 0 || !lines.Load(&storage))
                return 0;
        }
    }
    if (track->GetKind() == TRACK_AUDIO) {
        auto *audio = static_cast<CTrackAudio *>(track);
        if (!ReadAudioChain(*this, *audio, uint32_t(record)) || !audio->wave.CreateGraphics() ||
            !audio->wave.IsStateOk())
            return 0;
    }
    return 1;
}

void CTembriSongDB::ReadApp(CStorage *appData)
{
    SDBNOTE *note = GetFirstNote(SDB_NO_PARENT, SONG_APP);
    if (!m_tag || !note)
        return;
    SONGAPPNOTE app(note->id);
    if (!ReadNote(&app) || CompareStringA(app.tag, m_tag) != 0)
        return;
    std::memcpy(m_song->appFields, app.words, sizeof m_song->appFields);
    if (appData && app.size)
        appData->PutBuffer(app.data, long(app.size));
}

// ---- save

int CTembriSongDB::SaveSong(const char *file, CStorage *appData)
{
    if (!m_song)
        return 0;
    TrackIdSnapshot before(*m_song);
    int ok;
    if (Open(file, SONGFILE_MAGIC, 1)) {
        Lock();
        if (SameId(GetDataBaseUID(), m_song->songFileId) && RootMatches()) {
            ok = UpdateSong(appData);
        } else {
            for (CTrack *t = m_song->GetNextTrack(nullptr); t; t = m_song->GetNextTrack(t))
                t->SetDBID(-1);
            ok = DeleteAll() && WriteRoot() && SaveNewSong(appData);
        }
    } else {
        if (!Create(file, SONGFILE_MAGIC))
            return 0;
        Lock();
        for (CTrack *t = m_song->GetNextTrack(nullptr); t; t = m_song->GetNextTrack(t))
            t->SetDBID(-1);
        ok = WriteRoot() && SaveNewSong(appData);
    }
    ok = ok && UpdateDBUID();
    const DBUID uid = GetDataBaseUID();
    Unlock();
    // The song takes the file's new id only once the file holds the song.
    ok = ok && Close(1);
    if (!ok) {
        Close(0);
        before.Restore();
        return 0;
    }
    std::memcpy(&m_song->songFileId, uid.m_words, sizeof m_song->songFileId);
    for (CTrack *t = m_song->GetNextTrack(nullptr); t; t = m_song->GetNextTrack(t))
        if (t->GetKind() == TRACK_AUDIO)
            static_cast<CTrackAudio *>(t)->wave.changed = 0;
    return 1;
}

int CTembriSongDB::RootMatches()
{
    SDBNOTE *note = GetFirstNote(SDB_NO_PARENT, SONG_ROOT);
    if (!note)
        return 0;
    SONGROOTNOTE root(note->id);
    return ReadNote(&root) && root.version == version &&
           root.fields[0] == uint32_t(m_song->templateTimeBase) &&
           root.fields[1] == uint32_t(m_song->templateSampleRate);
}

int CTembriSongDB::WriteRoot()
{
    SONGROOTNOTE root;
    root.SetTitle(version);
    root.version = version;
    root.fields[0] = uint32_t(m_song->templateTimeBase);
    root.fields[1] = uint32_t(m_song->templateSampleRate);
    return root.title && AddNewNote(&root);
}

int CTembriSongDB::SaveNewSong(CStorage *appData)
{
    CTemplateNewSong songTemplate(this, 0);
    uint32_t templateId;
    if (!songTemplate.Save(m_song, kNoReplace, nullptr, &templateId) || !WriteInfo())
        return 0;
    for (CTrack *t = m_song->GetNextTrack(nullptr); t; t = m_song->GetNextTrack(t))
        if (!WriteTrack(t, false))
            return 0;
    return WriteApp(appData);
}

int CTembriSongDB::UpdateSong(CStorage *appData)
{
    SDBNOTE *templateNote = GetFirstNote(SDB_NO_PARENT, SONG_TEMPLATE);
    if (!templateNote)
        return 0;
    const uint32_t templateId = templateNote->id;
    // Records of tracks the song no longer has go, with all below them.
    for (SDBNOTE *note = GetFirstNote(templateId, SONG_TRACK); note;) {
        SDBNOTE *next = GetNextNote(note, SONG_TRACK);
        bool held = false;
        for (CTrack *t = m_song->GetNextTrack(nullptr); t && !held; t = m_song->GetNextTrack(t))
            held = t->GetDBID() == long(note->id);
        if (!held && !DeleteNoteByID(note->id))
            return 0;
        note = next;
    }
    // A track holding the id of a record this file lacks is stored anew.
    for (CTrack *t = m_song->GetNextTrack(nullptr); t; t = m_song->GetNextTrack(t)) {
        SDBNOTE *record = t->GetDBID() == -1 ? nullptr : GetNoteByID(uint32_t(t->GetDBID()));
        if (!record || record->type != SONG_TRACK || record->parent != templateId)
            t->SetDBID(-1);
    }
    TrackIdSnapshot stored(*m_song);
    CTemplateNewSong songTemplate(this, 0);
    if (!songTemplate.Update(m_song, templateId) || !WriteInfo())
        return 0;
    for (CTrack *t = m_song->GetNextTrack(nullptr); t; t = m_song->GetNextTrack(t))
        if (!WriteTrack(t, stored.StoredBefore(t)))
            return 0;
    return WriteApp(appData);
}

int CTembriSongDB::WriteInfo()
{
    SONGINFONOTE info;
    for (int i = 0; i < SONGINFONOTE::Items; ++i)
        if (!info.SetText(i, m_song->songInfo.GetItemText(i)))
            return 0;
    return Store(&info, GetFirstNote(SDB_NO_PARENT, SONG_INFO));
}

int CTembriSongDB::WriteTrack(CTrack *track, bool storedBefore)
{
    const long record = track->GetDBID();
    if (record == -1)
        return 0;
    const auto parent = uint32_t(record);
    CMemStorage events;
    if (!track->CEventArray::Save(&events))
        return 0;
    SONGBLOBNOTE eventsNote(SONG_EVENTS, 0, parent);
    eventsNote.data = events.GetData();
    eventsNote.size = uint32_t(events.GetLength());
    if (!Store(&eventsNote, GetFirstNote(parent, SONG_EVENTS)))
        return 0;
    if (track->GetKind() == TRACK_MELTEXT) {
        CMemStorage text;
        if (!static_cast<CTrackMelText *>(track)->text.Save(&text))
            return 0;
        SONGBLOBNOTE textNote(SONG_MELTEXT, 0, parent);
        textNote.data = text.GetData();
        textNote.size = uint32_t(text.GetLength());
        if (!Store(&textNote, GetFirstNote(parent, SONG_MELTEXT)))
            return 0;
    }
    if (track->GetKind() == TRACK_AUDIO) {
        auto *audio = static_cast<CTrackAudio *>(track);
        if (storedBefore && !audio->wave.changed && GetFirstNote(parent, SONG_AUDIO))
            return 1;
        if (SDBNOTE *first = GetFirstNote(parent, SONG_AUDIO))
            if (!DeleteNoteByID(first->id))
                return 0;
        return WriteAudioChain(*this, *audio, parent);
    }
    return 1;
}

int CTembriSongDB::WriteApp(CStorage *appData)
{
    SONGAPPNOTE app;
    if (!app.SetTag(m_tag))
        return 0;
    for (int i = 0; i < SONG_APP_FIELDS; ++i)
        app.words[i] = uint32_t(m_song->appFields[i]);
    CMemStorage blob;
    if (appData && !appData->Copy(&blob))
        return 0;
    app.data = blob.GetData();
    app.size = uint32_t(blob.GetLength());
    return Store(&app, GetFirstNote(SDB_NO_PARENT, SONG_APP));
}

} // namespace Quorvane
