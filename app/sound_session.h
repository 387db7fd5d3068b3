// The program's sound: the I/O parameter record it shares with the song and
// the sound engine, and the sound manager. It starts the engine, and
// restarts it when the bridge hands the program a channel or lets go of it.
#pragma once

#include "data/io_params.h"
#include "data/sound_interfaces.h"
#include "sound/audio_stream_provider.h"

#include <basetsd.h>

#include <functional>
#include <memory>

namespace Quorvane {

class CHalvorinApp;
class CSong;
class ProgramDatabase;

// The sound engine's entry (TindrelGetSoundMngrInterface), replaceable for
// tests.
using SoundManagerSource = std::function<IQuorvaneSoundMngr *(const char *client)>;

// What the bridge callbacks need of the parts window.
class SoundSessionClient {
public:
    virtual ~SoundSessionClient() = default;
    // Stops playback through the window's own play toggle when it plays.
    virtual void StopIfPlaying() = 0;
    // The menu command "Audio Stream...".
    virtual void EnableAudioStreamCommand(bool enable) = 0;
    virtual CSong *Song() = 0;
    // The host notification the sound manager passes to the provider.
    virtual ASPNotifyProc HostNotifyProc() = 0;
    virtual ULONG_PTR HostNotifyUser() = 0;
};

class SoundSession {
public:
    SoundSession(ProgramDatabase &database, CHalvorinApp &bridge);
    ~SoundSession();
    SoundSession(const SoundSession &) = delete;
    SoundSession &operator=(const SoundSession &) = delete;

    // The record, cleared; false when it cannot be made.
    bool CreateParams();
    // Fills the record from the database (message 500 when it fails, the
    // cleared record stays), lets the bridge adapt it, then gets, sets up
    // and starts the sound manager (message 501 once when any of that
    // fails: the program runs without sound). When its stream provider
    // plays to no device, the user is told once (message 517, after the
    // provider's name), as at every restart that leaves it so.
    void Start(const SoundManagerSource &source);
    // Message 517 when the running engine's stream provider plays to no
    // device now (its device failed while it played); the user is told
    // once, at the start or later, whatever the restarts.
    void TellIfStreamSilent();

    // The bridge handed a channel over: stop, let the bridge point the
    // record at it, and start again on it.
    void OnBridgeParamsChanged(SoundSessionClient &client, long channel);
    // The bridge let go: back to the database's parameters, with its
    // default provider when they name the bridge's own.
    void OnBridgeReleased(SoundSessionClient &client);

    // Stops playback and the engine before the I/O parameters change.
    void StopEngine(SoundSessionClient &client);
    // Song, engine and notification on the present record (after the user
    // or the bridge changed it); false when it stopped on a failure.
    bool Restart(SoundSessionClient &client);
    // The engine started again on unchanged parameters.
    void Resume(SoundSessionClient &client);

    // Gives the sound manager back and deletes the record.
    void Shutdown();

    IOPARAMS *Params() const { return params_.get(); }
    IQuorvaneSoundMngr *SoundManager() const { return soundManager_; }

private:
    // Looks up the started provider's silence and tells the user once if
    // it plays to no device.
    void watchStream();

    ProgramDatabase &database_;
    CHalvorinApp &bridge_;
    std::unique_ptr<IOPARAMS> params_;
    IQuorvaneSoundMngr *soundManager_ = nullptr;
    // The running provider's "ASPPlaysSilent", null while none runs.
    AspPlaysSilentProc streamSilent_ = nullptr;
    bool silentTold_ = false;
};

} // namespace Quorvane
