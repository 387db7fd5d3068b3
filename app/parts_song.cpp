#include "app/parts_song.h"

#include "app/program_guids.h"
#include "app/program_messages.h"
#include "data/io_params.h"
#include "data/lock.h"
#include "data/meff_chain.h"
#include "data/song.h"
#include "data/sound_interfaces.h"
#include "data/track_master.h"
#include "data/track_midi.h"

#include <new>

namespace Quorvane {

CTrackMIDI *PartTrack(CSong &song, int part)
{
    CTrack *track = song.GetTrack(part + 1);
    return track && track->kind == TRACK_MIDI ? static_cast<CTrackMIDI *>(track) : nullptr;
}

bool AddDrummerElement(CSong &song, CTrackMIDI &track, PORTDESCR &descriptor, bool active)
{
    auto *elem = new (std::nothrow) CMEffElem(&descriptor, song.GetITembriSong(), &track);
    if (!elem)
        return false;
    if (!elem->effect) {
        delete elem;
        return false;
    }
    track.effects.AddNewMEffElem(elem);
    if (!active)
        track.effects.ActiveMEffElem(elem);
    return true;
}

int BuildFreshParts(CSong &song, int selectedPart)
{
    PORTDESCR slice(PORT_BY_GUID);
    PORTDESCR fill(PORT_BY_GUID);
    if (!slice.SetName(kSliceDrummerName) || !slice.SetData(&CLSID_SliceDrummer) ||
        !fill.SetName(kFillDrummerName) || !fill.SetData(&CLSID_FillDrummer))
        return MsgNoMemory;
    for (int part = 0; part < kPartCount; ++part) {
        auto *track = static_cast<CTrackMIDI *>(song.InsertNewTrack(TRACK_MIDI, part + 1, 0));
        if (!track)
            return MsgUnexpectedError;
        if (!AddDrummerElement(song, *track, slice, true))
            return MsgCantLoadSliceDrummer;
        if (!AddDrummerElement(song, *track, fill, true) || !AddDrummerElement(song, *track, fill, true))
            return MsgCantLoadFillDrummer;
    }
    ApplyPartMutes(song, selectedPart);
    return 0;
}

void *RoutePartsToFirstOutput(CSong &song)
{
    IQuorvaneSongTract *tract = song.GetSongTract();
    void *first = tract ? tract->GetNextOut(nullptr) : nullptr;
    CTrackMIDI *firstPart = PartTrack(song, 0);
    void *separate = firstPart ? firstPart->output : nullptr;
    {
        CLock lock(song.GetSyncObj(), 1);
        for (int part = 0; part < kPartCount; ++part)
            if (CTrackMIDI *track = PartTrack(song, part)) {
                track->SetPrePlayFn(nullptr, nullptr);
                track->output = first;
                track->UpdateEdition();
            }
    }
    if (separate && separate != first)
        song.DeleteOutPort(separate);
    return first;
}

namespace {

CMEffElem *elementOf(CTrackMIDI *track, int element)
{
    CMEffElem *elem = track ? track->effects.GetFirstElem() : nullptr;
    for (int i = 0; elem && i < element; ++i)
        elem = static_cast<CMEffElem *>(elem->next);
    return elem;
}

IUnknown *drummerOf(CMEffElem *elem)
{
    IUnknown *object = nullptr;
    if (!elem || !elem->effect || !elem->effect->GuidOperation(MEFF_GET_OBJECT, &object, sizeof(object)))
        return nullptr;
    return object;
}

} // namespace

CMEffElem *PartElement(CSong &song, int part, int element)
{
    return elementOf(PartTrack(song, part), element);
}

IUnknown *PartDrummerObject(CSong &song, int part, int element)
{
    return drummerOf(PartElement(song, part, element));
}

bool HoldsPartTracks(const CTrack *first)
{
    for (int part = 0; part < kPartCount; ++part) {
        const CTrack *track = first;
        while (track && track->id != static_cast<unsigned long>(part + 1))
            track = static_cast<const CTrack *>(track->next);
        if (!track || track->kind != TRACK_MIDI)
            return false;
        // Read only: each drummer is only asked whether it is one.
        auto *midi = static_cast<CTrackMIDI *>(const_cast<CTrack *>(track));
        for (int element = 0; element < kDrummerElements; ++element) {
            IUnknown *drummer = drummerOf(elementOf(midi, element));
            IQN3Request *request = nullptr;
            if (!drummer ||
                FAILED(drummer->QueryInterface(IID_IQN3Request, reinterpret_cast<void **>(&request))) ||
                !request)
                return false;
            request->Release();
        }
    }
    return true;
}

bool AttachPartDrummers(CSong &song, PartDrummers &drummers, IDrummerSink *sink, int *failedElement)
{
    for (int part = 0; part < kPartCount; ++part)
        for (int element = 0; element < kDrummerElements; ++element) {
            IUnknown *drummer = PartDrummerObject(song, part, element);
            if (!drummer || !drummers.Attach(part, element, drummer, sink)) {
                if (failedElement)
                    *failedElement = element;
                return false;
            }
        }
    return true;
}

void ApplyPartMutes(CSong &song, int selectedPart)
{
    for (int part = 0; part < kPartCount; ++part)
        if (CTrackMIDI *track = PartTrack(song, part))
            track->SetMute(part != selectedPart);
}

long LoopTicks(CSong &song, int measures)
{
    return song.GetITembriSong()->SongGetTimeFromMBT(measures, 0, 0);
}

void RelayoutPartTracks(CSong &song, const int (&lengths)[kPartCount])
{
    CLock lock(song.GetSyncObj(), 1);
    for (int part = 0; part < kPartCount; ++part) {
        CTrackMIDI *track = PartTrack(song, part);
        if (!track)
            continue;
        for (long i = track->GetNumb() - 1; i >= 0; --i)
            if (track->GetEvent(i)->time != 0)
                track->Delete(i, 1);
        if (!track->IsMute()) {
            EVENT bend;
            bend.setWheel(0, 0);
            bend.time = static_cast<int32_t>(LoopTicks(song, lengths[part]) - 1);
            track->AddToTail(&bend, 1);
        }
        track->UpdateLastTime();
    }
    song.Update();
}

namespace {

EVENT *firstTempo(CSong &song)
{
    CTrackMaster *master = song.GetTrackMaster();
    if (!master)
        return nullptr;
    for (long i = 0; i < master->GetNumb(); ++i)
        if (master->GetEvent(i)->IsTempo())
            return master->GetEvent(i);
    return nullptr;
}

} // namespace

float ReadSongTempo(CSong &song)
{
    const EVENT *tempo = firstTempo(song);
    return tempo ? tempo->getTempoVal() : 100.0f;
}

bool WriteFirstTempo(CSong &song, float beatsPerMinute)
{
    CLock lock(song.GetSyncObj(), 1);
    EVENT *tempo = firstTempo(song);
    if (!tempo || !tempo->setTempoVal(beatsPerMinute))
        return false;
    song.GetTrackMaster()->UpdateParams(0);
    return true;
}

} // namespace Quorvane
