#include "db/equipment/out_sharing.h"

#include "data/lock.h"
#include "data/song.h"
#include "data/sound_interfaces.h"
#include "data/track.h"
#include "db/equipment/cant_load.h"
#include "db/equipment/equipment_records.h"

namespace Quorvane {

void PORTSHARING::Clear()
{
    descr.Clear(0);
    out = nullptr;
    existed = claimed = 0;
}

void PORTSHARING::Spoil()
{
    descr.Clear(1);
    out = nullptr;
    existed = claimed = 0;
}

COutSharing::COutSharing(CSong *song, int &ok) : CStructArray(sizeof(PORTSHARING), 16), song(song)
{
    ok = 0;
    IQuorvaneSongTract *tract = song ? song->GetSongTract() : nullptr;
    if (!tract)
        return;
    for (void *out = tract->GetNextOut(nullptr); out; out = tract->GetNextOut(out)) {
        PORTSHARING element;
        element.out = out;
        element.existed = 1;
        if (!tract->GetOutDescr(out, &element.descr, 0) || !Insert(GetNumb(), 1, &element))
            return;
    }
    ok = 1;
}

long COutSharing::find(void *out) const
{
    for (long i = 0; i < GetNumb(); ++i)
        if (GetAt(i)->out == out)
            return i;
    return -1;
}

int COutSharing::ProcessOut(PORTDESCR *descriptor, long bus)
{
    IQuorvaneSongTract *tract = song ? song->GetSongTract() : nullptr;
    lastOut = nullptr;
    if (!tract || !descriptor)
        return 0;
    void *out = nullptr;
    for (long i = 0; i < GetNumb() && !out; ++i) {
        PORTSHARING *e = GetAt(i);
        if (e->existed && !e->claimed && e->descr.IsEqual(*descriptor)) {
            e->claimed = 1;
            if (!tract->SetOutState(e->out, descriptor))
                return 0;
            out = e->out;
        }
    }
    if (!out) {
        if (descriptor->kind == kAudioOutKind)
            return 1;
        out = tract->AddNewOut(descriptor);
        if (!out) {
            if (!CantLoadQuestion(RT_PRESET_OUT, descriptor))
                return 0;
            descriptor->kind = 3;
            if (!descriptor->SetData("Default Preview") || !(out = tract->AddNewOut(descriptor)))
                return 0;
        }
        PORTSHARING element;
        element.out = out;
        element.descr.Pump(*descriptor);
        element.claimed = 1;
        if (!Insert(GetNumb(), 1, &element)) {
            descriptor->Pump(element.descr);
            return 0;
        }
    }
    if (bus > 0) {
        void *main = tract->GetBusByNumb(0);
        void *other = tract->GetBusByNumb(bus);
        if (main && other && !tract->ReconnectOutAndBus(out, main, other))
            return 0;
    }
    lastOut = out;
    return 1;
}

int COutSharing::Commit()
{
    IQuorvaneSongTract *tract = song ? song->GetSongTract() : nullptr;
    void *preview = tract ? tract->GetOutPreview() : nullptr;
    if (!preview)
        return 0;
    {
        CLock lock(song->GetSyncObj());
        for (CTrack *t = song->GetNextTrack(nullptr); t; t = song->GetNextTrack(t)) {
            if (!t->output)
                continue;
            const long index = find(t->output);
            if (index < 0)
                return 0;
            const PORTSHARING *e = GetAt(index);
            if (e->claimed || e->descr.kind == kAudioOutKind || e->out == preview)
                continue;
            void *replacement = preview;
            for (long i = 0; i < GetNumb(); ++i)
                if (GetAt(i)->claimed && GetAt(i)->descr.IsEqual(e->descr)) {
                    replacement = GetAt(i)->out;
                    break;
                }
            t->output = replacement;
        }
    }
    // Through the song, so that no track or SysEx entry keeps a deleted
    // output: it moves them under its mutex and frees the output's module
    // after letting go of it.
    for (long i = 0; i < GetNumb(); ++i) {
        PORTSHARING *e = GetAt(i);
        if (e->claimed || e->descr.kind == kAudioOutKind || e->out == preview)
            continue;
        song->DeleteOutPort(e->out);
        e->out = nullptr;
    }
    return 1;
}

} // namespace Quorvane
