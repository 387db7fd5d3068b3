// The provider's settings page, shown inside the program's dialogs: the
// output device (the wave output devices the provider plays through, the
// system's default first), the sample rate, the sample format and the buffer
// size in frames. Without any device the page says that the program plays
// without sound.
#pragma once

#include "sound/audio_stream_provider.h"

#include <windows.h>

#include <string>
#include <vector>

// Resource and control ids of the page.
constexpr int kDirectSoundPage = 25000;
constexpr int kDeviceList = 25001;
constexpr int kRateList = 25002;
constexpr int kFormatList = 25003;
constexpr int kBufferList = 25004;
constexpr int kNoDeviceText = 25005;
constexpr int kDeviceLabel = 25006;

// The name of port 0, the system's default device.
constexpr char kPrimaryDevice[] = "Primary Sound Driver";

// The devices by port: port 0 the system's default, port n the wave output
// device n - 1; empty when the system has no wave output device.
std::vector<std::string> OutputDevices();

class DirectSoundSettingsPage {
public:
    // The page as a child of the settings' parent window, filled from the
    // settings and shown, with the devices by port; null when it cannot be
    // made.
    static DirectSoundSettingsPage *Create(const Quorvane::ASPSETTINGS &settings,
                                           const std::vector<std::string> &devices);
    ~DirectSoundSettingsPage();
    DirectSoundSettingsPage(const DirectSoundSettingsPage &) = delete;
    DirectSoundSettingsPage &operator=(const DirectSoundSettingsPage &) = delete;

    // The chosen settings into the zeroed record; 0 when the page is gone.
    int Read(Quorvane::ASPSETTINGS &settings) const;
    HWND Window() const { return window_; }

private:
    DirectSoundSettingsPage() = default;
    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool fill(const Quorvane::ASPSETTINGS &settings, const std::vector<std::string> &devices);
    HWND item(int id) const { return GetDlgItem(window_, id); }

    HWND window_ = nullptr;
};
