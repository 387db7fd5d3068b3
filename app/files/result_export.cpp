#include "app/files/result_export.h"

#include "data/smf.h"
#include "data/song.h"
#include "data/storage.h"
#include "data/track_audio.h"
#include "data/track_master.h"
#include "data/track_midi.h"

#include <algorithm>
#include <memory>
#include <vector>

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

namespace {

// Makes the wave exactly frames long, as a loop that is laid end to end:
// what sounds on past its end (the last notes dying out) is added to its
// start, where the next pass begins; a shorter wave is filled with silence.
bool foldIntoLoop(CWave &wave, int64_t frames)
{
    if (frames <= 0)
        return false;
    constexpr unsigned long kChunk = 4096;
    std::vector<float> tail(2 * kChunk), start(2 * kChunk);
    for (int64_t at = frames; at < wave.length;) {
        const int64_t into = (at - frames) % frames;
        const auto count = static_cast<unsigned long>(std::min<int64_t>({kChunk, wave.length - at, frames - into}));
        if (!wave.Read(tail.data(), at, count) || !wave.Read(start.data(), into, count))
            return false;
        for (size_t i = 0; i < 2 * count; ++i)
            start[i] += tail[i];
        if (!wave.Write(start.data(), into, count))
            return false;
        at += count;
    }
    std::fill(start.begin(), start.end(), 0.0f);
    for (int64_t at = wave.length; at < frames;) {
        const auto count = static_cast<unsigned long>(std::min<int64_t>(kChunk, frames - at));
        if (!wave.Write(start.data(), at, count))
            return false;
        at += count;
    }
    wave.length = frames;
    return true;
}

} // namespace

bool ExportPartWave(CSong &song, CTrackMIDI &track, long end, unsigned format, CStorage &storage)
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
    CTrackMaster *master = song.GetTrackMaster();
    const bool ok = master && foldIntoLoop(audio->wave, master->GetSampleFromTime(end)) &&
                    audio->wave.ExportWave(&storage, format) != 0;
    song.DeleteTrack(audio, 1);
    song.Update();
    return ok;
}

} // namespace Quorvane
