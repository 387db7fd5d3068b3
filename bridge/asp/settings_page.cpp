#include "bridge/asp/settings_page.h"

#include "base/message_box.h"
#include "bridge/asp/program_control.h"
#include "bridge/asp/shared_channels.h"
#include "bridge/common/dialog_owner.h"
#include "bridge/common/this_module.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <new>

namespace Halvorin {

namespace {

const int sampleRates[] = {22050, 32000, 44100, 48000, 88200, 96000};
// The buffer size a page starts with (512 frames).
constexpr int kDefaultSizePosition = 3;
const char kCaption[] = "Halvorin";

// Shows the wait cursor while it lives.
class WaitCursor {
public:
    WaitCursor() : old_(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(old_); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;

private:
    HCURSOR old_;
};

// Selects the entry whose item data is value; none when no entry has it.
void selectByData(HWND list, LRESULT value)
{
    const LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    for (LRESULT i = 0; i < count; ++i) {
        if (SendMessageA(list, CB_GETITEMDATA, i, 0) == value) {
            SendMessageA(list, CB_SETCURSEL, i, 0);
            return;
        }
    }
}

bool addEntry(HWND list, const char *text, LPARAM data)
{
    const LRESULT at = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    return at >= 0 && SendMessageA(list, CB_SETITEMDATA, at, data) != CB_ERR;
}

// The track bar position of a buffer size, -1 when the table lacks it.
int sizePosition(int frames)
{
    for (int i = 0; i < kBlockSizeCount; ++i)
        if (kBlockSizes[i] == frames)
            return i;
    return -1;
}

// The selected entry's item data, or -1 without a selection.
LRESULT selectedData(HWND list)
{
    const LRESULT at = SendMessageA(list, CB_GETCURSEL, 0, 0);
    return at == CB_ERR ? -1 : SendMessageA(list, CB_GETITEMDATA, at, 0);
}

} // namespace

CHalvorinSettingsPage *CHalvorinSettingsPage::Create(const Quorvane::ASPSETTINGS &settings)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    auto *page = new (std::nothrow) CHalvorinSettingsPage;
    if (!page)
        return nullptr;
    CreateDialogParamA(ThisModule(), MAKEINTRESOURCEA(kSettingsDialog), Quorvane::AspParentWindow(settings),
                       dialogProc, reinterpret_cast<LPARAM>(page));
    if (!page->window_ || !page->fill(settings)) {
        delete page;
        return nullptr;
    }
    ShowWindow(page->window_, SW_SHOW);
    return page;
}

CHalvorinSettingsPage::~CHalvorinSettingsPage()
{
    if (window_)
        DestroyWindow(window_);
}

INT_PTR CALLBACK CHalvorinSettingsPage::dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *page = DialogOwner(window, message, lParam, &CHalvorinSettingsPage::window_);
    if (!page)
        return message == WM_INITDIALOG;
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case kChannelList:
            if (HIWORD(wParam) == CBN_SELCHANGE)
                page->applyPreferred();
            return TRUE;
        case kPreferredButton:
            if (HIWORD(wParam) == BN_CLICKED)
                page->applyPreferred();
            return TRUE;
        case IDOK:
        case IDCANCEL:
            // The page lives inside another dialog: it never closes itself.
            return TRUE;
        }
        return FALSE;
    case WM_HSCROLL:
        if (LOWORD(wParam) != TB_ENDTRACK)
            page->showBufferSize();
        return TRUE;
    }
    return FALSE;
}

bool CHalvorinSettingsPage::fill(const Quorvane::ASPSETTINGS &settings)
{
    WaitCursor wait;
    HWND channels = item(kChannelList);
    HWND rates = item(kRateList);
    HWND bar = item(kBufferSizeBar);
    if (!channels || !rates || !bar)
        return false;
    char text[32];
    for (int channel = 0; channel < kChannels; ++channel) {
        std::snprintf(text, sizeof text, "Halvorin channel %i", channel + 1);
        if (!addEntry(channels, text, channel))
            return false;
    }
    selectByData(channels, settings.channel);
    for (int rate : sampleRates) {
        std::snprintf(text, sizeof text, "%i", rate);
        if (!addEntry(rates, text, rate))
            return false;
    }
    selectByData(rates, settings.sampleRate);
    SetDlgItemTextA(window_, kFormatText, "32-FLOAT");
    SendMessageA(bar, TBM_SETRANGE, TRUE, MAKELPARAM(0, kBlockSizeCount - 1));
    SendMessageA(bar, TBM_SETPOS, TRUE, kDefaultSizePosition);
    if (const int position = sizePosition(settings.bufferFrames); position >= 0)
        SendMessageA(bar, TBM_SETPOS, TRUE, position);
    showBufferSize();
    if (settings.sampleFormat != Quorvane::kAspFloat)
        applyPreferred();
    return true;
}

void CHalvorinSettingsPage::applyPreferred()
{
    WaitCursor wait;
    HWND channels = item(kChannelList);
    if (SendMessageA(channels, CB_GETCURSEL, 0, 0) == CB_ERR)
        SendMessageA(channels, CB_SETCURSEL, 0, 0);
    const LRESULT channel = selectedData(channels);
    if (channel < 0) {
        Quorvane::showMessageBox(nullptr, "No valid Halvorin channel was found.", kCaption,
                                 MB_OK | MB_ICONERROR);
        return;
    }
    const HalvorinChannel *shared = SharedChannel(static_cast<int>(channel));
    if (!shared) {
        Quorvane::showMessageBox(nullptr, "Can't get prefered settings for selected channel.", kCaption,
                                 MB_OK | MB_ICONERROR);
        return;
    }
    int rate = 44100;
    int frames = 256;
    if (shared->client == 0) {
        Quorvane::showMessageBox(nullptr, "Halvorin Plug-in was not started.\nThis is default values.",
                                 kCaption, MB_OK | MB_ICONWARNING);
    } else {
        rate = shared->sampleRate;
        frames = NearestBlockSize(shared->blockSize);
    }
    selectByData(item(kRateList), rate);
    HWND bar = item(kBufferSizeBar);
    SendMessageA(bar, TBM_SETPOS, TRUE, kDefaultSizePosition);
    SendMessageA(bar, TBM_SETPOS, TRUE, sizePosition(frames));
    showBufferSize();
}

void CHalvorinSettingsPage::showBufferSize()
{
    const LRESULT position = SendMessageA(item(kBufferSizeBar), TBM_GETPOS, 0, 0);
    const int frames = position >= 0 && position < kBlockSizeCount ? kBlockSizes[position] : 0;
    SetDlgItemInt(window_, kBufferSizeText, frames, FALSE);
}

int CHalvorinSettingsPage::Read(Quorvane::ASPSETTINGS &settings) const
{
    std::memset(&settings, 0, sizeof settings);
    if (!window_)
        return 0;
    const LRESULT channel = selectedData(item(kChannelList));
    if (channel < 0)
        return 0;
    settings.channel = static_cast<int32_t>(channel);
    const LRESULT rate = selectedData(item(kRateList));
    if (rate < 0)
        return 0;
    settings.sampleRate = static_cast<int32_t>(rate);
    settings.sampleFormat = Quorvane::kAspFloat;
    const LRESULT position = SendMessageA(item(kBufferSizeBar), TBM_GETPOS, 0, 0);
    settings.bufferFrames = position >= 0 && position < kBlockSizeCount ? kBlockSizes[position] : 0;
    return 1;
}

} // namespace Halvorin
