#include "app/sound_session.h"

#include "app/program_database.h"
#include "app/program_identity.h"
#include "app/program_messages.h"
#include "base/message_box.h"
#include "data/song.h"
#include "outside/halvorinapp/halvorin_app.h"
#include "sound/asp_registry.h"
#include "sound/audio_stream_provider.h"

#include <windows.h>

#include <new>
#include <string>

namespace Quorvane {

namespace {

// The engine's stream provider needs a moment after stopping before it
// opens again.
constexpr DWORD kEngineRestPause = 100;

// The running engine's stream provider's word on whether it plays to no
// device; null for a provider that cannot tell (it is taken to play). Valid
// while the engine runs: it holds the module.
AspPlaysSilentProc StreamSilentEntry(long provider)
{
    char path[kAspPathSize] = {};
    if (!SndGetASPModuleName(provider, path))
        return nullptr;
    HMODULE module = GetModuleHandleA(path);
    return module ? reinterpret_cast<AspPlaysSilentProc>(
                        reinterpret_cast<void (*)()>(GetProcAddress(module, kAspPlaysSilentEntry)))
                  : nullptr;
}

// Tells the user that the stream plays to no device: which provider it is,
// and where to choose another.
void ReportSilentStream(long provider)
{
    std::string text = ProgramMessageText(MsgNoSoundDevice);
    char name[kAspPathSize] = {};
    if (SndGetASPProductName(provider, name) && *name)
        text = "\"" + std::string(name) + "\": " + text;
    showMessageBox(nullptr, text.c_str(), kProgramTitle, MB_OK | MB_ICONWARNING);
}

} // namespace

SoundSession::SoundSession(ProgramDatabase &database, CHalvorinApp &bridge)
    : database_(database), bridge_(bridge)
{
}

SoundSession::~SoundSession()
{
    Shutdown();
}

bool SoundSession::CreateParams()
{
    params_.reset(new (std::nothrow) IOPARAMS);
    return params_ != nullptr;
}

void SoundSession::Start(const SoundManagerSource &source)
{
    if (!params_)
        return;
    if (!database_.GetIOParams(params_.get()))
        ShowProgramMessage(MsgDatabaseError);
    bridge_.CheckIOParams(params_.get(), -1);
    soundManager_ = source ? source(kProgramTitle) : nullptr;
    if (!soundManager_ || !soundManager_->Init(params_.get()) || !soundManager_->EngineStart()) {
        ShowProgramMessage(MsgEngineNotStarted);
        return;
    }
    watchStream();
}

void SoundSession::watchStream()
{
    streamSilent_ = StreamSilentEntry(params_->asp);
    silentTold_ = false;
    TellIfStreamSilent();
}

void SoundSession::TellIfStreamSilent()
{
    if (silentTold_ || !streamSilent_ || !streamSilent_() || !params_)
        return;
    // Before the box: its modal loop goes on dispatching what asks again.
    silentTold_ = true;
    ReportSilentStream(params_->asp);
}

void SoundSession::OnBridgeParamsChanged(SoundSessionClient &client, long channel)
{
    if (!params_ || !soundManager_)
        return;
    StopEngine(client);
    bridge_.CheckIOParams(params_.get(), channel);
    // The bridge now supplies the audio stream.
    if (Restart(client))
        client.EnableAudioStreamCommand(false);
}

void SoundSession::OnBridgeReleased(SoundSessionClient &client)
{
    if (!params_ || !soundManager_)
        return;
    client.EnableAudioStreamCommand(true);
    StopEngine(client);
    IOPARAMS fresh;
    // Parameters that still name the bridge's provider would stream to a
    // host that is gone.
    if (!database_.GetIOParams(&fresh) || fresh.asp == params_->asp)
        database_.GetDefaultASP(&fresh);
    *params_ = fresh;
    Restart(client);
}

void SoundSession::StopEngine(SoundSessionClient &client)
{
    if (!soundManager_)
        return;
    client.StopIfPlaying();
    // Stopping frees the provider's module.
    streamSilent_ = nullptr;
    soundManager_->EngineStop();
    Sleep(kEngineRestPause);
}

bool SoundSession::Restart(SoundSessionClient &client)
{
    if (!params_ || !soundManager_)
        return false;
    CSong *song = client.Song();
    if (!song || !song->UpdateIOParams(params_.get())) {
        ShowProgramMessage(MsgUnexpectedError);
        ShowProgramMessage(MsgRestartNeeded);
        return false;
    }
    if (!soundManager_->Init(params_.get())) {
        ShowProgramMessage(MsgRestartNeeded);
        return false;
    }
    Resume(client);
    return true;
}

void SoundSession::Resume(SoundSessionClient &client)
{
    if (!soundManager_)
        return;
    if (!soundManager_->EngineStart())
        ShowProgramMessage(MsgEngineNotStarted);
    else if (params_)
        watchStream();
    soundManager_->SetNotify(client.HostNotifyProc(), client.HostNotifyUser());
}

void SoundSession::Shutdown()
{
    streamSilent_ = nullptr;
    if (soundManager_) {
        soundManager_->Release();
        soundManager_ = nullptr;
    }
    params_.reset();
}

} // namespace Quorvane
