// The program's side of a channel: the stream provider object the sound
// engine gets from "GetASPInterface". Its thread turns the plug-in's
// requests into the engine's buffer events and its notifications into
// calls of the program's notify callback; BufferDone puts the engine's
// audio into the channel.
#pragma once

#include "bridge/asp/shared_channels.h"
#include "sound/audio_stream_provider.h"

#include <windows.h>

namespace Halvorin {

class CHalvorinSettingsPage;

class CHalvorinProvider final : public Quorvane::IAudioStreamProvider {
public:
    CHalvorinProvider();

    int Open(Quorvane::ASPOPENPARAMS *params, const char *programName) override;
    void Release() override;
    int Start() override;
    int BufferDone(int index) override;
    int ShowSettings(Quorvane::ASPSETTINGS *settings) override;
    int GetSettings(Quorvane::ASPSETTINGS *settings) override;
    int CloseSettings() override;
    void SetCallback(Quorvane::ASPNotifyProc callback, ULONG_PTR user) override;

private:
    ~CHalvorinProvider();

    struct BufferDescriptor {
        const void *buffer;
        HANDLE event;        // the engine's, for this buffer
        int32_t *framesCell; // where the engine reads the frames wanted
        uint32_t request;    // the host's number of the request it serves
    };

    static DWORD WINAPI threadProc(void *self);
    void serve();
    // Each takes what the host handed over since the last time, if anything.
    void askBuffer();
    void notifyProgram();
    // Everything Open took, given back; the object stays.
    void letGo();

    int bufferCount_ = 0;
    int framesPerBuffer_ = 0;
    int bytesPerBuffer_ = 0;
    BufferDescriptor *descriptors_ = nullptr;
    int nextIndex_ = 0;
    // The host's last request handed to the engine.
    uint32_t served_ = 0;
    int channel_ = -1;
    HalvorinChannel *shared_ = nullptr;
    HalvorinChannelExtra *extra_ = nullptr;
    HANDLE request_ = nullptr;
    HANDLE notify_ = nullptr;
    HANDLE stop_ = nullptr;
    HANDLE ready_ = nullptr;
    HANDLE notifyReady_ = nullptr;
    HANDLE thread_ = nullptr;
    // Set on the program's thread, read on the provider thread.
    CRITICAL_SECTION callbackLock_;
    Quorvane::ASPNotifyProc callback_ = nullptr;
    ULONG_PTR user_ = 0;
    CHalvorinSettingsPage *settings_ = nullptr;
};

} // namespace Halvorin
