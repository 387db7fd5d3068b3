// The sound manager: the one object through which the program drives audio.
// It keeps the I/O parameters, owns the song tracts (one per open song),
// starts and stops the engine (the stream provider and the render thread),
// decides which tract is heard and passes transport commands to the song.
//
// Which tract the render thread mixes (front, active) and the tract it is
// mixing now are guarded by the choice section. Starts and stops of
// playback (from the window thread, from a host on the stream provider's
// thread) take turns through the transport section. Lock order: the
// transport section, then a song's mutex, then the choice section; the
// choice section is held only to read or write those fields, never while
// waiting for anything else. The render thread, which stops playback at the
// song's end holding the song's mutex, only tries the transport section. A tract is deleted only
// after the render thread has left it, so its tract must not be released
// by a thread that holds the song's mutex.
#pragma once

#include "data/chain.h"
#include "data/io_params.h"
#include "data/sound_interfaces.h"
#include "sound/audio_stream_provider.h"
#include "sound/tindrel_api.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

namespace Quorvane {

class CSongTract;

// Entries of the MIDI output module.
using MIDIOutStepSignalProc = void (*)();
using GetMIDIPortNameProc = char *(*)(int direction, long index);
using GetMIDIPortIDProc = long (*)(int direction, char *name);
// The module's object that sends SysEx to output port index (the module
// owns it); null when there is no such port.
using GetMIDIOutPortProc = ISysExPort *(*)(long index);

// Buffers the engine hands a stream provider.
constexpr int kAspBuffers = 4;
// Messages reserved for the song's playback before the render thread runs.
constexpr long kPlaybackMessages = 16384;

class TINDREL_API CSoundMngr : public IQuorvaneSoundMngr, public CChain {
public:
    explicit CSoundMngr(const char *client);
    ~CSoundMngr() override;
    CSoundMngr(const CSoundMngr &) = delete;
    CSoundMngr &operator=(const CSoundMngr &) = delete;

    int Init(IOPARAMS *newParams) override;
    void Release() override;
    int EngineStart() override;
    void EngineStop() override;
    IQuorvaneSongTract *CreateSongTract(CSong *song) override;
    void ReleaseSongTract(IQuorvaneSongTract *tract) override;
    void SetFrontSongTract(IQuorvaneSongTract *tract) override;
    void InactiveSongTract(IQuorvaneSongTract *tract) override;
    CSong *GetActiveSong() override;
    void StartPlayback(IQuorvaneSongTract *tract) override;
    void StopPlayback() override;
    void RewPlayback() override;
    void FFPlayback() override;
    int IsWorked() override;
    int IsPlayed(CSong *song) override;
    int IsPlayed() override;
    int IsLastPlayed(CSong *song) override;
    int CanUsePorts(CSong *song) override;
    char *GetMIDIPortName(int direction, long index) override;
    long GetMIDIPortID(int direction, char *name) override;
    void SetNotify(ASPNotifyProc callback, ULONG_PTR user) override;
    void HoldTransport(int hold) override;
    // The MIDI output module's SysEx object of output port index; null
    // while the engine is stopped or when the module has none for it.
    ISysExPort *GetMIDIOutPort(long index);

    // The active tract, else the front tract.
    CSongTract *GetActiveSongTract();
    // Mixes one buffer on the render thread; nonzero with sound.
    int FillAccum(float *buffer, long frames, int holdsSound);
    // Buffers, events and the provider's Open; 1 only when it opened.
    int ConnectASP();
    // Releases whatever ConnectASP acquired; safe on a half-made connection.
    void DisconnectASP();
    // The "starting" window over the main window (1), or away (0).
    static void StartMessage(int show);
    // Frames rendered since the engine started.
    int64_t GetSamplePosition() const { return samplePosition.load(std::memory_order_acquire); }

    char *clientName;
    IOPARAMS params;
    IAudioStreamProvider *provider = nullptr;
    ASPOPENPARAMS openParams = {};
    long started = 0;
    std::atomic<long> engineOK{1};
    std::atomic<int64_t> samplePosition{0};
    CSongTract *frontTract = nullptr;
    CSongTract *activeTract = nullptr;
    CSong *lastPlayed = nullptr;
    HMODULE providerModule = nullptr;
    HWND mainWindow = nullptr;
    HANDLE *events = nullptr;
    HANDLE renderThread = nullptr;
    HMODULE midiModule = nullptr;
    MIDIOutStepSignalProc midiStepSignal = nullptr;
    GetMIDIPortNameProc midiPortName = nullptr;
    GetMIDIPortIDProc midiPortID = nullptr;
    GetMIDIOutPortProc midiOutPort = nullptr;

private:
    friend DWORD WINAPI EngineThreadProc(void *manager);
    CSongTract *ours(IQuorvaneSongTract *tract);
    // Asks the tract's song for the buffer's events, if it still plays.
    void askSong(CSongTract *tract, long frames);
    // The front tract's song, its playback stopped; null without a front.
    CSong *stoppedFrontSong();
    // Returns once the render thread is not mixing the tract.
    void waitUntilLeft(CSongTract *tract);
    bool loadMidiModule();

    // Takes the transport turn (only tries on the render thread); whether
    // taken.
    bool enterTransport();

    CRITICAL_SECTION transport;
    DWORD renderThreadId = 0;
    CRITICAL_SECTION choice;
    CSongTract *mixing = nullptr;
    int releaseWaiting = 0;
    HANDLE leftEvent = nullptr;
};

// The render thread (time critical): serves the provider's buffer events.
DWORD WINAPI EngineThreadProc(void *manager);

} // namespace Quorvane

extern "C" TINDREL_API Quorvane::IQuorvaneSoundMngr *TindrelGetSoundMngrInterface(const char *clientName);
