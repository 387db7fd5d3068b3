// New Song templates: the song's tracks with their MIDI effects, and below
// them a song-tract and a SysEx template.
#include "data/event.h"
#include "data/lock.h"
#include "data/meff_chain.h"
#include "data/song.h"
#include "data/sound_interfaces.h"
#include "data/track_master.h"
#include "data/track_midi.h"
#include "db/equipment/items_impl.h"
#include "db/equipment/new_song_check.h"
#include "db/equipment/tembri_db.h"

#include <memory>
#include <set>
#include <vector>

namespace Quorvane {

namespace {

// The first meter, key and tempo at tick 0 of the master track.
MASTERSETTINGS masterSettings(const CTrack *master)
{
    MASTERSETTINGS m;
    bool meter = false, key = false, tempo = false;
    for (long i = 0; i < master->GetNumb(); ++i) {
        const EVENT *e = master->GetEvent(i);
        if (e->time != 0)
            break;
        if (e->IsTSign() && !meter) {
            m.numerator = uint32_t(e->getTSignVal1());
            m.denominator = uint32_t(e->getTSignVal2());
            meter = true;
        } else if (e->IsKSign() && !key) {
            m.key = uint32_t(e->getKSignVal());
            key = true;
        } else if (e->IsTempo() && !tempo) {
            m.tempo = uint32_t(60000000 / e->getTempoMicros());
            tempo = true;
        }
    }
    // A tempo of 0 counts as 100.
    if (m.tempo == 0)
        m.tempo = 100;
    return m;
}

// The meter, key and tempo events a master record gives; 0 for values no
// event takes.
int masterEvents(const MASTERSETTINGS &m, EVENT (&events)[3])
{
    if (!events[0].setTSign(long(m.numerator), long(m.denominator)) || !events[1].setKSign(long(m.key)) ||
        !events[2].setTempo(float(m.tempo)))
        return 0;
    for (EVENT &e : events)
        e.time = 0;
    return 1;
}

// The master's events give way to the made ones; 0 when they cannot be
// added (the master keeps its own) or its maps cannot be made.
int restoreMaster(CTrackMaster *master, EVENT (&events)[3])
{
    const long old = master->GetNumb();
    if (!master->AddToTail(events, 3))
        return 0;
    // Erasing marked events frees what they carry.
    for (long i = 0; i < old; ++i)
        master->GetEvent(i)->SetDelt();
    master->Erase();
    master->Sort();
    return master->UpdateParams(0);
}

NewSongTracksCheck tracksCheck = nullptr;
void *tracksCheckUser = nullptr;

void fillTrackRecord(TRACKNOTE &record, CTrack *track)
{
    IQuorvaneSongTract *tract = track->song->GetSongTract();
    record.trackId = uint32_t(track->id);
    record.trackKind = uint32_t(track->kind);
    record.flags = uint32_t(track->flags);
    record.output = uint32_t(tract && track->output ? tract->GetOutNumb(track->output) : 0);
    const long settings[8] = {track->channel, track->bank, track->bankMode,  track->program,
                              track->volume,  track->pan,  track->transpose, track->timeOffset};
    for (int i = 0; i < 8; ++i)
        record.settings[i] = int32_t(settings[i]);
}

} // namespace

int NewSongTracksPass(const CTrack *first)
{
    return !tracksCheck || tracksCheck(first, tracksCheckUser);
}

void SetNewSongTracksCheck(NewSongTracksCheck check, void *user)
{
    tracksCheck = check;
    tracksCheckUser = user;
}

int CTemplateNewSong::SetBlob(CSong *song, TEMPLATENOTE &record)
{
    const uint32_t fields[2] = {uint32_t(song->templateTimeBase), uint32_t(song->templateSampleRate)};
    return record.SetBlob(fields, sizeof(fields));
}

int CTemplateNewSong::saveTrack(CTrack *track, uint32_t templateId, uint32_t replaceId)
{
    TRACKNOTE record(replaceId, templateId);
    fillTrackRecord(record, track);
    if (!record.SetName(track->name))
        return 0;
    if (track->kind == TRACK_MASTER && !record.SetMaster(masterSettings(track)))
        return 0;
    if (replaceId != SDB_NO_PARENT) {
        // The old MIDI effect presets go; they are saved anew below.
        for (SDBNOTE *n; (n = db->GetFirstNote(replaceId, RT_PRESET_MEFF));)
            if (!db->DeleteNoteByID(n->id))
                return 0;
        if (!db->ChangeNote(&record))
            return 0;
    } else if (!db->AddNewNote(&record)) {
        return 0;
    }
    track->SetDBID(long(record.id));
    if (track->kind != TRACK_MIDI)
        return 1;
    CTembriPreset presets(db, 0, RT_PRESET_MEFF, record.id);
    for (CMEffElem *e = static_cast<CTrackMIDI *>(track)->effects.GetFirstElem(); e;
         e = static_cast<CMEffElem *>(e->next))
        if (!presets.Save(e, track, kNoReplace, nullptr))
            return 0;
    return 1;
}

int CTemplateNewSong::saveSubTemplates(CSong *song, uint32_t templateId)
{
    CTemplateSongTract tract(db, 0);
    CTemplateSysEx sysex(db, 0);
    tract.parent = sysex.parent = templateId;
    return tract.Save(song, kNoReplace, nullptr, nullptr) && sysex.Save(song, kNoReplace, nullptr, nullptr);
}

int CTemplateNewSong::SaveContent(CSong *song, uint32_t templateId)
{
    for (CTrack *t = song->GetNextTrack(nullptr); t; t = song->GetNextTrack(t))
        if (!saveTrack(t, templateId, SDB_NO_PARENT))
            return 0;
    return saveSubTemplates(song, templateId);
}

int CTemplateNewSong::Update(CSong *song, uint32_t templateId)
{
    const SDBNOTE *note = song ? db->GetNoteByID(templateId) : nullptr;
    if (!note || note->type != type)
        return 0;
    for (CTrack *t = song->GetNextTrack(nullptr); t; t = song->GetNextTrack(t)) {
        const uint32_t recordId = uint32_t(t->GetDBID());
        const SDBNOTE *old = db->GetNoteByID(recordId);
        const bool mine = old && old->type == RT_TRACK && old->parent == templateId;
        if (!saveTrack(t, templateId, mine ? recordId : SDB_NO_PARENT))
            return 0;
    }
    for (uint8_t sub : {RT_TEMPLATE_SONGTRACT, RT_TEMPLATE_SYSEX})
        if (const SDBNOTE *n = db->GetFirstNote(templateId, sub); n && !db->DeleteNoteByID(n->id))
            return 0;
    return saveSubTemplates(song, templateId);
}

int CTemplateNewSong::CheckContent(CSong *, TEMPLATENOTE &record)
{
    if (record.blobSize != 8)
        return 0;
    // Track records that would break the song fail before it is touched.
    std::set<uint32_t> ids;
    int masters = 0, chords = 0, tracks = 0;
    for (SDBNOTE *n = db->GetFirstNote(record.id, RT_TRACK); n; n = db->GetNextNote(n, RT_TRACK)) {
        TRACKNOTE track(n->id);
        if (!db->ReadNote(&track) || track.trackKind > uint32_t(TRACK_PATTSR) ||
            !ids.insert(track.trackId).second)
            return 0;
        const bool master = track.trackKind == uint32_t(TRACK_MASTER);
        if (master != (track.trackId == 0))
            return 0;
        masters += master;
        chords += track.trackKind == uint32_t(TRACK_CHORDS);
        ++tracks;
    }
    return tracks > 0 && masters <= 1 && chords <= 1;
}

namespace {

// The settings a track record gives every track, the master too.
int applyTrackRecord(CTrack *track, const TRACKNOTE &record)
{
    if (!track->SetName(record.name))
        return 0;
    track->flags = record.flags;
    long *fields[8] = {&track->channel, &track->bank, &track->bankMode,  &track->program,
                       &track->volume,  &track->pan,  &track->transpose, &track->timeOffset};
    for (int i = 0; i < 8; ++i)
        *fields[i] = long(record.settings[i]);
    track->SetDBID(long(record.id));
    return 1;
}

// Tracks made for the song but not (yet) its own: destroyed with the
// outputs made for their audio, unless the song took them.
class TracksAside : public CChain {
public:
    explicit TracksAside(IQuorvaneSongTract *tract) : tract_(tract) {}
    ~TracksAside() override
    {
        for (CTrack *t = static_cast<CTrack *>(first); t; t = static_cast<CTrack *>(t->next))
            if (t->kind == TRACK_AUDIO && t->output)
                tract_->DeleteOut(t->output);
    }
    TracksAside(const TracksAside &) = delete;
    TracksAside &operator=(const TracksAside &) = delete;

    // The first track, now the caller's; null when none is left.
    CTrack *Take()
    {
        auto *track = static_cast<CTrack *>(first);
        if (track)
            Unlink(track);
        return track;
    }

private:
    IQuorvaneSongTract *tract_;
};

} // namespace

// Everything slow is done before the song changes: the records are read,
// the tracks made with their MIDI effects (the drummers: modules loaded,
// objects created, states read) and the song-tract template loaded, whose
// tract edits hold only the tract's lock, each for a moment. Then, under the
// song's mutex, the song's tracks give way to the made ones, and they are
// destroyed (drummers released, modules freed) after it is let go. What can
// refuse the template is asked before the song's tracks go; should a made
// track still not go in, the song's own come back.
int CTemplateNewSong::LoadContent(CSong *song, uint32_t templateId)
{
    IQuorvaneSongTract *tract = song->GetSongTract();
    CTrackMaster *master = song->GetTrackMaster();
    if (!tract || !master)
        return 0;
    TracksAside made(tract);
    std::unique_ptr<TRACKNOTE> masterRecord;
    std::vector<std::pair<uint32_t, CTrack *>> restored;
    for (SDBNOTE *n = db->GetFirstNote(templateId, RT_TRACK); n; n = db->GetNextNote(n, RT_TRACK)) {
        TRACKNOTE record(n->id);
        if (!db->ReadNote(&record))
            return 0;
        if (record.trackKind == uint32_t(TRACK_MASTER)) {
            // Read now; the song's own master takes it under the mutex.
            masterRecord = std::make_unique<TRACKNOTE>(n->id);
            if (!db->ReadNote(masterRecord.get()))
                return 0;
            continue;
        }
        CTrack *track = CreateTrack(long(record.trackKind), record.trackId, song);
        if (!track)
            return 0;
        made.InsertAfter(track, nullptr);
        if (!track->SetDefault())
            return 0;
        if (!track->output)
            track->output = tract->GetOutPreview();
        if (!applyTrackRecord(track, record))
            return 0;
        restored.push_back({record.id, track});
    }
    for (auto &[recordId, track] : restored) {
        if (track->kind != TRACK_MIDI)
            continue;
        CTembriPreset effects(db, 0, RT_PRESET_MEFF, recordId);
        for (SDBNOTE *n = db->GetFirstNote(recordId, RT_PRESET_MEFF); n;
             n = db->GetNextNote(n, RT_PRESET_MEFF))
            if (!effects.Apply(track, song, n->id, 0))
                return 0;
    }
    // What the master record gives, and what the program asks of the
    // tracks, is checked before anything of the song changes.
    EVENT masterMade[3];
    if ((masterRecord && !masterEvents(masterRecord->GetMaster(), masterMade)) ||
        !NewSongTracksPass(static_cast<const CTrack *>(made.first)))
        return 0;
    CTemplateSongTract tractTemplate(db, 0);
    CTemplateSysEx sysexTemplate(db, 0);
    const SDBNOTE *tractNote = db->GetFirstNote(templateId, RT_TEMPLATE_SONGTRACT);
    const SDBNOTE *sysexNote = db->GetFirstNote(templateId, RT_TEMPLATE_SYSEX);
    if ((tractNote && !tractTemplate.LoadContent(song, tractNote->id)) ||
        (sysexNote && !sysexTemplate.LoadContent(song, sysexNote->id)))
        return 0;
    // Each track gets the output its stored number names. The numbers are
    // the saved tract's: the output its preset went to stands for it, as
    // shared outputs and new ones can sit elsewhere in the tract now. An
    // audio track keeps the output of its own.
    const std::vector<void *> &outs = tractTemplate.loadedOuts;
    for (auto &[recordId, track] : restored) {
        TRACKNOTE record(recordId);
        if (!db->ReadNote(&record))
            return 0;
        if (track->kind == TRACK_AUDIO)
            continue;
        void *out =
            record.output < outs.size() ? outs[record.output] : tract->GetOutByNum(long(record.output));
        if (out)
            track->output = out;
    }
    CChain leaving;
    CLock lock(song->GetSyncObj());
    leaving.first = song->DetachAfter(master);
    bool inserted = true;
    for (CTrack *track; inserted && (track = made.Take());)
        if (!(inserted = song->InsertTrack(track, 0) != 0))
            made.InsertAfter(track, nullptr);
    if (inserted && !masterRecord) {
        master->CStructArray::Clear();
        master->UpdateParams(0);
    }
    if (!inserted ||
        (masterRecord && (!restoreMaster(master, masterMade) || !applyTrackRecord(master, *masterRecord)))) {
        // The song's own tracks come back; the made ones go with the rest.
        made.InsertAfter(song->DetachAfter(master), nullptr);
        song->InsertAfter(leaving.first, master);
        leaving.first = nullptr;
        song->Update();
        return 0;
    }
    song->UpdateEdition();
    song->Update();
    song->UpdateNodes();
    lock.Unlock();
    return 1;
}

} // namespace Quorvane
