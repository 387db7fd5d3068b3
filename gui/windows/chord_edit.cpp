#include "gui/windows/chord_edit.h"

#include "data/event.h"
#include "data/song.h"
#include "data/track_chords.h"
#include "gui/windows/edit_step.h"
#include "gui/windows/gui_client.h"
#include "gui/windows/liaison.h"

namespace Quorvane {

int EnterChordAt(CSong *song, CGUIClient *client, CTrackChords *track, long time, long key)
{
    if (!song || !client || !track)
        return 0;
    const long index = track->GetChordAtTime(time, time);
    EVENT *sounding = index >= 0 ? track->GetEvent(index) : nullptr;
    const long value = sounding ? sounding->value : 0;
    const bool startsHere = sounding && sounding->time == time;
    const long result = static_cast<long>(client->GUICLRequest(1, value, key));
    if (result == -1)
        return 0;
    if (result == value && (!sounding || startsHere))
        return 0;
    const bool replace = startsHere;
    EditStep step(song, client, replace ? "Edit Chord" : "New Chord", static_cast<long>(track->GetID()));
    if (replace) {
        sounding->value = result;
        sounding->SetSlct(1);
    } else {
        EVENT chord;
        chord.setChord(result);
        chord.time = time;
        chord.SetSlct(1);
        if (!track->AddToTail(&chord, 1))
            return 0;
        track->Sort();
    }
    step.Done();
    return 1;
}

void ChordsChanged(CSong *song, CLiason *liason, CTrackChords *track, long from)
{
    track->UpdateEdition();
    if (track->UpdateLastTime() && song->Update() && liason)
        liason->CallUpdate(0, 1, kAnyKey, kAnyKey);
    song->UpdateNodes();
    if (liason) {
        liason->CallUpdateTrack(track, UPDATE_MEASURES_ROW | UPDATE_TRACK_WINDOWS);
        liason->CallUpdateChords(from);
    }
}

} // namespace Quorvane
