// The provider's settings page, shown inside the program's dialogs: the
// channel to stream to, the sample rate and the buffer size, and a button
// that takes the values the host plug-in on the channel last reported.
#pragma once

#include "sound/audio_stream_provider.h"

#include <windows.h>

namespace Halvorin {

// Resource and control ids of the page.
constexpr int kSettingsDialog = 23000;
constexpr int kChannelList = 23000;
constexpr int kBufferSizeText = 23003;
constexpr int kBufferSizeBar = 23005;
constexpr int kFormatText = 23006;
constexpr int kRateList = 23007;
constexpr int kPreferredButton = 23008;

class CHalvorinSettingsPage {
public:
    // The page as a child of the settings' parent window, filled from the
    // settings and shown; null when it cannot be made or filled.
    static CHalvorinSettingsPage *Create(const Quorvane::ASPSETTINGS &settings);
    ~CHalvorinSettingsPage();
    CHalvorinSettingsPage(const CHalvorinSettingsPage &) = delete;
    CHalvorinSettingsPage &operator=(const CHalvorinSettingsPage &) = delete;

    // The chosen settings; 0 when no channel or no rate is chosen.
    int Read(Quorvane::ASPSETTINGS &settings) const;
    HWND Window() const { return window_; }

private:
    CHalvorinSettingsPage() = default;
    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool fill(const Quorvane::ASPSETTINGS &settings);
    void applyPreferred();
    void showBufferSize();
    HWND item(int id) const { return GetDlgItem(window_, id); }

    HWND window_ = nullptr;
};

} // namespace Halvorin
