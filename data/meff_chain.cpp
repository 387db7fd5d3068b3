#include "data/meff_chain.h"

#include "data/event_array.h"
#include "data/lock.h"
#include "data/song.h"
#include "data/sound_interfaces.h"
#include "data/track_midi.h"

#include <climits>
#include <new>

namespace Quorvane {

namespace {

std::atomic<unsigned long> walks{0};
// Threads waiting for an element to be let go.
std::atomic<long> waiting{0};

HANDLE letGoEvent()
{
    static const HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    return event;
}

} // namespace

CMEffChain::~CMEffChain()
{
    // The track has left its song, so no walk takes its elements any more;
    // one may still hold some.
    for (auto *e = GetFirstElem(); e; e = static_cast<CMEffElem *>(e->next))
        WaitUntilLetGo(e);
    Clear(nullptr);
}

unsigned long CMEffChain::NewWalk()
{
    return ++walks;
}

int CMEffChain::HoldUntold(CMEffElem **held, int room, unsigned long walk)
{
    int count = 0;
    for (auto *e = GetFirstElem(); e && count < room; e = static_cast<CMEffElem *>(e->next)) {
        if (!e->effect || e->walkMark == walk)
            continue;
        e->walkMark = walk;
        ++e->holds;
        held[count++] = e;
    }
    return count;
}

void CMEffChain::TellPlayState(CMEffElem *const *held, int count, long state, long tick1, long tick2)
{
    for (int i = 0; i < count; ++i)
        if (!held[i]->effect->SetPlayState(state, tick1, tick2))
            return;
}

void CMEffChain::LetGo(CMEffElem *const *held, int count)
{
    for (int i = 0; i < count; ++i) {
        // The element may be destroyed as soon as it is let go.
        if (--held[i]->holds == 0 && waiting.load() > 0)
            SetEvent(letGoEvent());
    }
}

void CMEffChain::WaitUntilLetGo(CMEffElem *elem)
{
    if (elem->holds.load() == 0)
        return;
    ++waiting;
    // Reset, look, wait: a let-go between the look and the wait is not
    // missed; the bound covers another waiter's reset.
    while (elem->holds.load() != 0) {
        ResetEvent(letGoEvent());
        if (elem->holds.load() == 0)
            break;
        WaitForSingleObject(letGoEvent(), 20);
    }
    --waiting;
}

bool CMEffChain::SongPlays() const
{
    CSong *song = track ? track->song : nullptr;
    IQuorvaneSoundMngr *manager = song ? song->GetSoundMngr() : nullptr;
    return manager && manager->IsPlayed(song);
}

long CMEffChain::NowTick() const
{
    // The render thread moves the song's tick under the lock.
    CLock lock(songLock());
    return track && track->song ? track->song->currentTick - track->timeOffset : 0;
}

void CMEffChain::CheckActive()
{
    active = 0;
    for (auto *e = GetFirstElem(); e && !active; e = static_cast<CMEffElem *>(e->next))
        active = e->IsActive();
}

void CMEffChain::Reprocess()
{
    if (!online && track)
        track->UpdateEdition();
}

SYNCOBJECT *CMEffChain::songLock() const
{
    return track && track->song ? track->song->GetSyncObj() : nullptr;
}

void CMEffChain::AddNewMEffElem(CMEffElem *elem, CMEffElem *after)
{
    if (!elem)
        return;
    // The effect is the chain's, and told of the mode and of a running
    // song, before playback can reach it: its code never runs under the
    // song's lock, which is taken only to link it in.
    if (IQuorvaneMIDIEffect *effect = elem->effect) {
        effect->paramChanged = &CTrackMIDI::OnParamChanged;
        effect->paramChangedUser = track;
        effect->SetOnline(online);
        effect->AddRef();
        elem->chained = 1;
        if (online && elem->active && SongPlays())
            effect->SetPlayState(MEFF_START, NowTick(), INT_MAX);
    }
    {
        CLock lock(songLock());
        InsertAfter(elem, after);
        CheckActive();
    }
    if (!online)
        Reprocess();
}

void CMEffChain::DeleteMEffElem(CMEffElem *elem)
{
    if (!elem)
        return;
    {
        // Playback walks the chain under the song's lock: the element
        // leaves under it, and its effect (a drummer, a module) goes after.
        CLock lock(songLock());
        if (elem->effect) {
            elem->effect->paramChanged = nullptr;
            elem->effect->paramChangedUser = nullptr;
        }
        Unlink(elem);
        CheckActive();
    }
    // A walk telling the effects without the lock (a host's stop on the
    // stream provider's thread) may hold it still.
    WaitUntilLetGo(elem);
    delete elem;
    Reprocess();
}

void CMEffChain::ActiveMEffElem(CMEffElem *elem)
{
    if (!elem)
        return;
    const int on = !elem->active;
    // While the song plays, an effect hears of its start before playback
    // reaches it and of its stop once playback has left it, with the song's
    // lock let go.
    const bool tell = online && elem->effect && SongPlays();
    if (tell && on)
        elem->effect->SetPlayState(MEFF_START, NowTick(), INT_MAX);
    {
        CLock lock(songLock());
        elem->active = on;
        CheckActive();
    }
    if (tell && !on)
        elem->effect->SetPlayState(MEFF_STOP, 0, NowTick());
    if (!online) {
        Reprocess();
        return;
    }
    if (track && track->song)
        track->song->SongSetModified();
}

void CMEffChain::MoveMEffElem(CMEffElem *elem, int up)
{
    if (!elem)
        return;
    int moved;
    {
        CLock lock(songLock());
        moved = Rearrange(elem, up);
    }
    if (moved)
        Reprocess();
}

void CMEffChain::SetOnline(int on)
{
    on = on ? 1 : 0;
    // Going online, the effects hear of it (and of a running song) before
    // playback runs them; going offline, after it stopped. Only the flag
    // and the cached result change under the song's lock.
    if (on)
        tellOnline(1);
    CEventArray *cached = nullptr;
    {
        CLock lock(songLock());
        online = on;
        if (on && track) {
            cached = track->offlineResult;
            track->offlineResult = nullptr;
        }
    }
    delete cached;
    if (!on)
        tellOnline(0);
    Reprocess();
}

void CMEffChain::tellOnline(int on)
{
    const bool plays = on && track && SongPlays();
    const unsigned long walk = NewWalk();
    for (;;) {
        CMEffElem *held[kWalkRoom];
        int count;
        long tick = 0;
        {
            CLock lock(songLock());
            count = HoldUntold(held, kWalkRoom, walk);
            if (plays)
                tick = NowTick();
        }
        if (!count)
            return;
        for (int i = 0; i < count; ++i)
            held[i]->effect->SetOnline(on);
        if (plays)
            TellPlayState(held, count, MEFF_START, tick, INT_MAX);
        LetGo(held, count);
    }
}

int CMEffChain::SetPlayState(long state, long tick1, long tick2)
{
    for (auto *e = GetFirstElem(); e; e = static_cast<CMEffElem *>(e->next)) {
        if (e->effect && !e->effect->SetPlayState(state, tick1, tick2))
            return 0;
    }
    return 1;
}

CEventArray *CMEffChain::Process(CEventArray *source, long from, long to)
{
    return run(source, from, to, false);
}

const CEventArray *CMEffChain::ProcessPlaying(CEventArray *source, long from, long to)
{
    return run(source, from, to, true);
}

int CMEffChain::ReservePlaying(long events)
{
    return playing[0].Reserve(events) && playing[1].Reserve(events) && sortRoom.Reserve(events);
}

// Each active effect makes a new array from what the one before made: one
// from the heap (the caller owns the last), or, while playing, the chain's
// two own arrays in turn.
CEventArray *CMEffChain::run(CEventArray *source, long from, long to, bool reuse)
{
    if (!active)
        return nullptr;
    fromTick = from;
    toTick = to;
    CEventArray *current = source;
    int next = 0;
    for (auto *e = GetFirstElem(); e; e = static_cast<CMEffElem *>(e->next)) {
        if (!e->IsActive())
            continue;
        CEventArray *made = reuse ? &playing[next++ % 2] : new (std::nothrow) CEventArray;
        if (!made) {
            if (current != source)
                delete current;
            current = nullptr;
            break;
        }
        made->Clear();
        input = current;
        output = made;
        const int ok = e->effect->Process(this, this);
        if (reuse)
            made->Sort(sortRoom.data, sortRoom.capacity);
        else
            made->Sort();
        if (!reuse && current != source)
            delete current;
        current = made;
        if (!ok)
            break;
    }
    input = output = nullptr;
    return current == source ? nullptr : current;
}

long CMEffChain::GetNumb()
{
    return input ? input->GetNumb() : 0;
}

EVENT *CMEffChain::GetEvent(long index)
{
    return input && index >= 0 && index < input->GetNumb() ? input->GetEvent(index) : nullptr;
}

void CMEffChain::GetTimeBounds(long &from, long &to)
{
    from = fromTick;
    to = toTick;
}

int CMEffChain::AddEvent(EVENT *events, long count)
{
    if (!output || !events || count < 0)
        return 0;
    return count == 0 || output->AddToTail(events, count);
}

} // namespace Quorvane
