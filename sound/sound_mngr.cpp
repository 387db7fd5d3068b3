// The sound manager's song tracts, transport and engine start and stop.
#include "sound/sound_mngr.h"

#include "data/evnt_trans.h"
#include "data/lock.h"
#include "data/song.h"
#include "data/strings.h"
#include "sound/song_tract.h"

#include <cstdlib>
#include <new>

namespace Quorvane {

namespace {

// Holds the choice section for one read or write.
class ChoiceGuard {
public:
    explicit ChoiceGuard(CRITICAL_SECTION &section) : section_(section) { EnterCriticalSection(&section_); }
    ~ChoiceGuard() { LeaveCriticalSection(&section_); }
    ChoiceGuard(const ChoiceGuard &) = delete;
    ChoiceGuard &operator=(const ChoiceGuard &) = delete;

private:
    CRITICAL_SECTION &section_;
};

} // namespace

CSoundMngr::CSoundMngr(const char *client) : clientName(CreateString(client))
{
    params.Clear(0);
    InitializeCriticalSection(&transport);
    InitializeCriticalSection(&choice);
    leftEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

CSoundMngr::~CSoundMngr()
{
    EngineStop();
    std::free(clientName);
    params.Clear(0);
    CChain::Clear(nullptr);
    if (leftEvent)
        CloseHandle(leftEvent);
    DeleteCriticalSection(&choice);
    DeleteCriticalSection(&transport);
}

int CSoundMngr::Init(IOPARAMS *newParams)
{
    if (!newParams)
        return 0;
    const int framesChanged = newParams->bufferFrames != params.bufferFrames;
    const int rateChanged = newParams->sampleRate != params.sampleRate;
    params = *newParams;
    if (!framesChanged && !rateChanged)
        return 1;
    int ok = 1;
    for (auto *tract = static_cast<CSongTract *>(first); tract;
         tract = static_cast<CSongTract *>(tract->next))
        if (!tract->UpdateIOParams(framesChanged, rateChanged))
            ok = 0;
    return ok;
}

void CSoundMngr::Release()
{
    delete this;
}

CSongTract *CSoundMngr::ours(IQuorvaneSongTract *tract)
{
    for (auto *t = static_cast<CSongTract *>(first); t; t = static_cast<CSongTract *>(t->next))
        if (static_cast<IQuorvaneSongTract *>(t) == tract)
            return t;
    return nullptr;
}

IQuorvaneSongTract *CSoundMngr::CreateSongTract(CSong *song)
{
    if (!song)
        return nullptr;
    auto *tract = new (std::nothrow) CSongTract(this, song);
    if (!tract)
        return nullptr;
    if (!tract->Init()) {
        delete tract;
        return nullptr;
    }
    InsertAfter(tract, nullptr);
    SetFrontSongTract(tract);
    return tract;
}

void CSoundMngr::waitUntilLeft(CSongTract *tract)
{
    for (;;) {
        {
            ChoiceGuard guard(choice);
            if (mixing != tract) {
                releaseWaiting = 0;
                return;
            }
            releaseWaiting = 1;
            ResetEvent(leftEvent);
        }
        WaitForSingleObject(leftEvent, INFINITE);
    }
}

void CSoundMngr::ReleaseSongTract(IQuorvaneSongTract *handle)
{
    CSongTract *tract = ours(handle);
    if (!tract)
        return;
    InactiveSongTract(tract);
    waitUntilLeft(tract);
    Unlink(tract);
    delete tract;
}

void CSoundMngr::SetFrontSongTract(IQuorvaneSongTract *handle)
{
    CSongTract *tract = ours(handle);
    if (!tract)
        return;
    ChoiceGuard guard(choice);
    frontTract = tract;
}

void CSoundMngr::InactiveSongTract(IQuorvaneSongTract *handle)
{
    CSongTract *tract = ours(handle);
    if (!tract)
        return;
    bool playing;
    {
        ChoiceGuard guard(choice);
        playing = activeTract == tract;
    }
    if (playing)
        StopPlayback();
    ChoiceGuard guard(choice);
    if (frontTract == tract)
        frontTract = nullptr;
}

CSongTract *CSoundMngr::GetActiveSongTract()
{
    ChoiceGuard guard(choice);
    return activeTract ? activeTract : frontTract;
}

CSong *CSoundMngr::GetActiveSong()
{
    CSongTract *tract = GetActiveSongTract();
    return tract ? tract->GetSong() : nullptr;
}

bool CSoundMngr::enterTransport()
{
    if (renderThreadId && GetCurrentThreadId() == renderThreadId)
        return TryEnterCriticalSection(&transport) != 0;
    EnterCriticalSection(&transport);
    return true;
}

void CSoundMngr::HoldTransport(int hold)
{
    if (hold)
        EnterCriticalSection(&transport);
    else
        LeaveCriticalSection(&transport);
}

void CSoundMngr::StartPlayback(IQuorvaneSongTract *handle)
{
    // The start is one turn: a stop from another thread comes before it or
    // after the tract is active, never while its effects hear of it.
    if (!enterTransport())
        return;
    CSongTract *tract = ours(handle);
    if (IsPlayed())
        StopPlayback();
    // The song prepares its tracks under its lock and tells their effects
    // after it, before it plays.
    if (tract && IsWorked() && tract->GetSong()->OnStartPlayback()) {
        // The tract tells its synthesizers of the start, and they ask the
        // song's maps: under the song's lock, as the render thread does.
        CLock songLock(tract->GetSong()->GetSyncObj());
        tract->StartPlayback();
        ChoiceGuard guard(choice);
        activeTract = tract;
    }
    LeaveCriticalSection(&transport);
}

// Playback may stop on any thread (the render thread stops it at the song's
// end): stoppers take turns, and the second finds nothing to stop. The
// render thread, holding the song's mutex, only tries its turn: when a start
// or stop has it, that one decides, and the next buffer tries again.
void CSoundMngr::StopPlayback()
{
    if (!enterTransport())
        return;
    CSongTract *tract;
    {
        ChoiceGuard guard(choice);
        tract = activeTract;
    }
    CSong *song = tract ? tract->GetSong() : nullptr;
    if (song) {
        {
            CLock songLock(song->GetSyncObj());
            // The render thread asks the song for nothing more from here on.
            {
                ChoiceGuard guard(choice);
                lastPlayed = song;
                activeTract = nullptr;
            }
            tract->StopPlayback();
        }
        // Its tracks stop under its lock, their effects after it.
        song->OnStopPlayback();
    }
    LeaveCriticalSection(&transport);
}

CSong *CSoundMngr::stoppedFrontSong()
{
    CSongTract *front;
    bool playing;
    {
        ChoiceGuard guard(choice);
        front = frontTract;
        playing = front && activeTract == front;
    }
    if (playing)
        StopPlayback();
    return front ? front->GetSong() : nullptr;
}

void CSoundMngr::RewPlayback()
{
    if (CSong *song = stoppedFrontSong())
        song->OnRewPlayback();
}

void CSoundMngr::FFPlayback()
{
    if (CSong *song = stoppedFrontSong())
        song->OnFFPlayback();
}

int CSoundMngr::IsWorked()
{
    return started && engineOK.load() ? 1 : 0;
}

int CSoundMngr::IsPlayed(CSong *song)
{
    ChoiceGuard guard(choice);
    return activeTract && activeTract->GetSong() == song;
}

int CSoundMngr::IsPlayed()
{
    ChoiceGuard guard(choice);
    return activeTract != nullptr;
}

int CSoundMngr::IsLastPlayed(CSong *song)
{
    ChoiceGuard guard(choice);
    return song && lastPlayed == song;
}

int CSoundMngr::CanUsePorts(CSong *song)
{
    ChoiceGuard guard(choice);
    return !activeTract || activeTract->GetSong() == song;
}

char *CSoundMngr::GetMIDIPortName(int direction, long index)
{
    return midiPortName ? midiPortName(direction, index) : nullptr;
}

long CSoundMngr::GetMIDIPortID(int direction, char *name)
{
    return midiPortID ? midiPortID(direction, name) : 0;
}

ISysExPort *CSoundMngr::GetMIDIOutPort(long index)
{
    return midiOutPort && index >= 0 ? midiOutPort(index) : nullptr;
}

void CSoundMngr::SetNotify(ASPNotifyProc callback, ULONG_PTR user)
{
    if (provider)
        provider->SetCallback(callback, user);
}

// With the song's lock held.
void CSoundMngr::askSong(CSongTract *tract, long frames)
{
    CSong *song = tract->GetSong();
    {
        ChoiceGuard guard(choice);
        if (activeTract != tract)
            return;
    }
    song->AskPlayback(frames);
}

int CSoundMngr::FillAccum(float *buffer, long frames, int holdsSound)
{
    CSongTract *tract;
    bool playing;
    {
        ChoiceGuard guard(choice);
        tract = activeTract ? activeTract : frontTract;
        playing = activeTract != nullptr;
        mixing = tract;
    }
    int sound = 0;
    if (tract) {
        // The whole pass holds the song's lock (and the tract's after it):
        // the tract's synthesizers ask the song's tempo, meter and key maps
        // while they render, and the window thread rebuilds those under
        // this lock.
        CLock songLock(tract->GetSong()->GetSyncObj());
        if (playing)
            askSong(tract, frames);
        sound = tract->FillAccum(buffer, frames, holdsSound, GetSamplePosition(), 0);
    }
    samplePosition.fetch_add(frames, std::memory_order_acq_rel);
    bool wake;
    {
        ChoiceGuard guard(choice);
        mixing = nullptr;
        wake = releaseWaiting != 0;
    }
    if (wake)
        SetEvent(leftEvent);
    return sound;
}

bool CSoundMngr::loadMidiModule()
{
    midiModule = LoadLibraryA("Velmarin.dll");
    if (!midiModule)
        return false;
    auto entry = [this](const char *name) {
        return reinterpret_cast<void (*)()>(GetProcAddress(midiModule, name));
    };
    midiStepSignal = reinterpret_cast<MIDIOutStepSignalProc>(entry("MIDIOutStepSignal"));
    midiPortName = reinterpret_cast<GetMIDIPortNameProc>(entry("GetMIDIPortName"));
    midiPortID = reinterpret_cast<GetMIDIPortIDProc>(entry("GetMIDIPortID"));
    // A module without SysEx still plays; its ports then take none.
    midiOutPort = reinterpret_cast<GetMIDIOutPortProc>(entry("GetMIDIOutPort"));
    return midiStepSignal && midiPortName && midiPortID;
}

int CSoundMngr::EngineStart()
{
    if (started)
        return 1;
    StartMessage(1);
    if (ConnectASP()) {
        samplePosition = 0;
        engineOK = 1;
        if (loadMidiModule() && CEvntTransElem::ReservePool(kPlaybackMessages)) {
            renderThread = CreateThread(nullptr, 0, EngineThreadProc, this, 0, &renderThreadId);
            if (renderThread) {
                SetThreadPriority(renderThread, THREAD_PRIORITY_TIME_CRITICAL);
                WaitForSingleObject(events[kAspBuffers + 1], INFINITE);
                started = 1;
                if (engineOK) {
                    StartMessage(0);
                    return 1;
                }
            }
        }
    }
    EngineStop();
    StartMessage(0);
    return 0;
}

void CSoundMngr::EngineStop()
{
    if (IsPlayed())
        StopPlayback();
    if (renderThread) {
        SetEvent(events[0]);
        WaitForSingleObject(renderThread, INFINITE);
        CloseHandle(renderThread);
        renderThread = nullptr;
        renderThreadId = 0;
    }
    // Nothing renders now, and the next start counts frames from 0 again:
    // what the outputs still hold goes (their note-offs sent), and with it
    // the message blocks it took.
    for (auto *tract = static_cast<CSongTract *>(first); tract;
         tract = static_cast<CSongTract *>(tract->next))
        tract->DropQueues();
    if (midiModule) {
        FreeLibrary(midiModule);
        midiModule = nullptr;
    }
    midiStepSignal = nullptr;
    midiPortName = nullptr;
    midiPortID = nullptr;
    midiOutPort = nullptr;
    DisconnectASP();
    started = 0;
    samplePosition = 0;
}

} // namespace Quorvane

extern "C" Quorvane::IQuorvaneSoundMngr *TindrelGetSoundMngrInterface(const char *clientName)
{
    return new (std::nothrow) Quorvane::CSoundMngr(clientName);
}
