// The sound-card stream provider registered as "DirectSound": it plays the
// engine's buffers through the Windows wave output. Where no device opens
// it asks for buffers paced by a timer and plays nothing; with a capture it
// also hands every buffer on (see directsound_capture.h). Its settings page
// chooses the device, the sample rate and format and the buffer size.
#pragma once

#include "outside/directsound/directsound_capture.h"
#include "outside/directsound/settings_page.h"
#include "outside/directsound/wave_capture_file.h"
#include "sound/audio_stream_provider.h"

#include <mmsystem.h>

#include <array>
#include <string>

class DirectSoundProvider final : public Quorvane::IAudioStreamProvider {
public:
    static constexpr int kBuffers = 4;

    explicit DirectSoundProvider(const DSCAPTURE *captureSettings, const std::string &capturePath);

    int Open(Quorvane::ASPOPENPARAMS *params, const char *clientName) override;
    void Release() override;
    int Start() override;
    int BufferDone(int index) override;
    int ShowSettings(Quorvane::ASPSETTINGS *settings) override;
    int GetSettings(Quorvane::ASPSETTINGS *settings) override;
    int CloseSettings() override;
    void SetCallback(Quorvane::ASPNotifyProc callback, ULONG_PTR user) override;

private:
    ~DirectSoundProvider();
    static DWORD WINAPI threadProc(void *self);
    // Which buffers the engine has been asked for and not handed back.
    using InFlight = std::array<bool, kBuffers>;
    void serveDevice();
    void servePaced(InFlight inFlight, int next);
    void serveUnpaced();
    // Asks the engine for buffer i.
    void request(int i);
    // Hands buffer i to the capture; false once enough were captured.
    bool capture(int i, int32_t frames);
    bool openDevice();
    void closeDevice();
    uint8_t *buffer(int i) const;

    Quorvane::ASPOPENPARAMS *block = nullptr;
    int bytesPerFrame = 0;
    HANDLE stopEvent = nullptr;
    HANDLE doneEvents[kBuffers] = {};
    HANDLE thread = nullptr;
    HWAVEOUT device = nullptr;
    HANDLE deviceEvent = nullptr;
    WAVEHDR headers[kBuffers] = {};
    bool capturing = false;
    DSCAPTURE settings = {};
    WaveCaptureFile file;
    long captured = 0;
    Quorvane::ASPNotifyProc notify = nullptr;
    ULONG_PTR notifyUser = 0;
    DirectSoundSettingsPage *page = nullptr;
};

// 1 when the provider opened last runs without a device (it plays nothing:
// none opened, or its device failed while it played), 0 when it plays or
// captures, or none was opened yet.
int DirectSoundPlaysSilent();
