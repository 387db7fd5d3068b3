#include "app/files/result_export.h"

#include "data/smf.h"
#include "data/song.h"
#include "data/storage.h"
#include "data/track_audio.h"
#include "data/track_midi.h"

#include <memory>

namespace Quorvane {

namespace {

void clearEvents(CTrackMIDI &track)
{
    // Erasing marked events frees what they carry.
    for (long i = 0; i < track.GetNumb(); ++i)
        track.GetEvent(i)->SetDelt();
    track.Erase();
}

void updateTrack(CSong &song, CTrackMIDI &track)
{
    track.UpdateLastTime();
    track.UpdateEdition();
    song.Update();
}

} // namespace

bool ExportPartMidi(CSong &song, CTrackMIDI &track, long end, bool format0, CStorage &storage)
{
    song.playStartTick = 0;
    song.CheckSolo();
    // The drummers play by themselves: they are given no events.
    CEventArray nothing;
    std::unique_ptr<CEventArray> played(track.effects.Process(&nothing, 0, end));
    bool ok = true;
    if (played && played->GetNumb() > 0) {
        ok = track.AddToTail(played->GetEvent(0), played->GetNumb()) != 0;
        for (long i = 0; i < track.GetNumb(); ++i)
            if (track.GetEvent(i)->IsShort() && LeftOutOfPart(track.GetEvent(i)->status))
                track.GetEvent(i)->SetDelt();
        track.Erase();
        track.Sort();
    }
    updateTrack(song, track);
    if (ok) {
        CSMFCoder coder(&song, format0 ? static_cast<unsigned long>(SMF_FORMAT0) : 0ul, 0);
        coder.SetEndTime(end);
        ok = coder.ExportSMF(&storage) != 0;
    }
    clearEvents(track);
    updateTrack(song, track);
    return ok;
}

bool ExportPartWave(CSong &song, CTrackMIDI &track, unsigned format, CStorage &storage)
{
    for (CTrack *t = song.GetNextTrack(nullptr); t; t = song.GetNextTrack(t))
        t->SetSlct(t == &track);
    song.Update();
    const long metronome = song.metronome;
    song.metronome = 0;
    CTrackAudio *audio = song.RenderSelectedTracks();
    song.metronome = metronome;
    if (!audio)
        return false;
    const bool ok = audio->wave.ExportWave(&storage, format) != 0;
    song.DeleteTrack(audio, 1);
    song.Update();
    return ok;
}

} // namespace Quorvane
