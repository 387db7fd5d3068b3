#include "outside/directsound/settings_page.h"

#include "bridge/common/dialog_owner.h"
#include "bridge/common/this_module.h"

#include <mmsystem.h>

#include <cstring>
#include <new>

namespace {

struct Choice {
    const char *text;
    int32_t value;
};

const Choice kRates[] = {{"22050", 22050}, {"32000", 32000}, {"44100", 44100},
                         {"48000", 48000}, {"88200", 88200}, {"96000", 96000}};
const Choice kFormats[] = {{"16", 16}, {"24", 24}, {"32", 32}, {"32-FLOAT", Quorvane::kAspFloat}};
const Choice kBufferSizes[] = {{"64", 64},     {"128", 128},   {"256", 256},  {"512", 512},
                               {"1024", 1024}, {"2048", 2048}, {"4096", 4096}};
// What a value the lists do not hold (a record never set, say) becomes.
constexpr int32_t kDefaultRate = 44100;
constexpr int32_t kDefaultFormat = 16;
constexpr int32_t kDefaultFrames = 512;

bool addEntry(HWND list, const char *text, LPARAM data)
{
    const LRESULT at = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    return at >= 0 && SendMessageA(list, CB_SETITEMDATA, at, data) != CB_ERR;
}

// Selects the entry whose item data is value, else the one of fallback.
void selectByData(HWND list, LRESULT value, LRESULT fallback)
{
    const LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
    for (const LRESULT wanted : {value, fallback})
        for (LRESULT i = 0; i < count; ++i)
            if (SendMessageA(list, CB_GETITEMDATA, i, 0) == wanted) {
                SendMessageA(list, CB_SETCURSEL, i, 0);
                return;
            }
}

template <size_t N> bool fillList(HWND list, const Choice (&choices)[N], int32_t value, int32_t fallback)
{
    for (const Choice &choice : choices)
        if (!addEntry(list, choice.text, choice.value))
            return false;
    selectByData(list, value, fallback);
    return true;
}

// The selected entry's item data, or fallback without a selection.
int32_t selectedData(HWND list, int32_t fallback)
{
    const LRESULT at = SendMessageA(list, CB_GETCURSEL, 0, 0);
    return at == CB_ERR ? fallback : static_cast<int32_t>(SendMessageA(list, CB_GETITEMDATA, at, 0));
}

} // namespace

std::vector<std::string> OutputDevices()
{
    std::vector<std::string> devices;
    const UINT count = waveOutGetNumDevs();
    if (count == 0)
        return devices;
    devices.push_back(kPrimaryDevice);
    for (UINT id = 0; id < count; ++id) {
        WAVEOUTCAPSA caps = {};
        // A device that does not answer keeps its place: ports count devices.
        if (waveOutGetDevCapsA(id, &caps, sizeof caps) != MMSYSERR_NOERROR)
            std::strcpy(caps.szPname, "?");
        devices.push_back(caps.szPname);
    }
    return devices;
}

DirectSoundSettingsPage *DirectSoundSettingsPage::Create(const Quorvane::ASPSETTINGS &settings,
                                                         const std::vector<std::string> &devices)
{
    auto *page = new (std::nothrow) DirectSoundSettingsPage;
    if (!page)
        return nullptr;
    CreateDialogParamA(Halvorin::ThisModule(), MAKEINTRESOURCEA(kDirectSoundPage),
                       Quorvane::AspParentWindow(settings), dialogProc, reinterpret_cast<LPARAM>(page));
    if (!page->window_ || !page->fill(settings, devices)) {
        delete page;
        return nullptr;
    }
    ShowWindow(page->window_, SW_SHOW);
    return page;
}

DirectSoundSettingsPage::~DirectSoundSettingsPage()
{
    if (window_)
        DestroyWindow(window_);
}

INT_PTR CALLBACK DirectSoundSettingsPage::dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *page = Halvorin::DialogOwner(window, message, lParam, &DirectSoundSettingsPage::window_);
    if (!page)
        return message == WM_INITDIALOG;
    // The page lives inside another dialog: Enter and Escape never close it.
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL))
        return TRUE;
    return FALSE;
}

bool DirectSoundSettingsPage::fill(const Quorvane::ASPSETTINGS &settings,
                                   const std::vector<std::string> &devices)
{
    HWND deviceList = item(kDeviceList);
    if (!deviceList || !item(kNoDeviceText))
        return false;
    for (size_t port = 0; port < devices.size(); ++port)
        if (!addEntry(deviceList, devices[port].c_str(), static_cast<LPARAM>(port)))
            return false;
    selectByData(deviceList, settings.channel, 0);
    // Without a device the list gives way to the page's word on it.
    const bool none = devices.empty();
    ShowWindow(item(kDeviceLabel), none ? SW_HIDE : SW_SHOW);
    ShowWindow(deviceList, none ? SW_HIDE : SW_SHOW);
    ShowWindow(item(kNoDeviceText), none ? SW_SHOW : SW_HIDE);
    return fillList(item(kRateList), kRates, settings.sampleRate, kDefaultRate) &&
           fillList(item(kFormatList), kFormats, settings.sampleFormat, kDefaultFormat) &&
           fillList(item(kBufferList), kBufferSizes, settings.bufferFrames, kDefaultFrames);
}

int DirectSoundSettingsPage::Read(Quorvane::ASPSETTINGS &settings) const
{
    std::memset(&settings, 0, sizeof settings);
    if (!window_)
        return 0;
    settings.channel = selectedData(item(kDeviceList), 0);
    settings.sampleRate = selectedData(item(kRateList), kDefaultRate);
    settings.sampleFormat = static_cast<uint16_t>(selectedData(item(kFormatList), kDefaultFormat));
    settings.bufferFrames = selectedData(item(kBufferList), kDefaultFrames);
    return 1;
}
