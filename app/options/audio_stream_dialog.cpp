#include "app/options/audio_stream_dialog.h"

#include "app/options/dialog_controls.h"
#include "app/options/option_dialog_ids.h"
#include "sound/asp_registry.h"
#include "sound/audio_stream_provider.h"

namespace Quorvane {

namespace {

// The provider whose page shows, with its module.
class ProviderPage {
public:
    ~ProviderPage() { close(); }

    bool show(long index, StreamSettings &settings, HWND placeholder)
    {
        close();
        char path[kAspPathSize] = {};
        if (!SndGetASPModuleName(index, path))
            return false;
        module_ = LoadLibraryA(path);
        auto entry = module_ ? reinterpret_cast<GetASPInterfaceProc>(
                                   reinterpret_cast<void (*)()>(GetProcAddress(module_, "GetASPInterface")))
                             : nullptr;
        provider_ = entry ? entry() : nullptr;
        if (!provider_) {
            close();
            return false;
        }
        ASPSETTINGS record{};
        record.channel = static_cast<int32_t>(settings.port);
        record.sampleRate = static_cast<int32_t>(settings.sampleRate);
        record.sampleFormat = static_cast<uint16_t>(settings.bitsPerSample);
        record.bufferFrames = static_cast<int32_t>(settings.bufferFrames);
        record.parentWindow = AspWindowValue(placeholder);
        provider_->ShowSettings(&record);
        return true;
    }

    // What the page holds now; false without a page that answers.
    bool read(StreamSettings &settings)
    {
        ASPSETTINGS record{};
        if (!provider_ || !provider_->GetSettings(&record))
            return false;
        settings.port = record.channel;
        settings.sampleRate = record.sampleRate;
        settings.bitsPerSample = record.sampleFormat;
        settings.bufferFrames = record.bufferFrames;
        return true;
    }

    void close()
    {
        if (provider_) {
            provider_->CloseSettings();
            provider_->Release();
            provider_ = nullptr;
        }
        if (module_)
            FreeLibrary(module_);
        module_ = nullptr;
    }

private:
    HMODULE module_ = nullptr;
    IAudioStreamProvider *provider_ = nullptr;
};

struct StreamDialog {
    StreamSettings settings;
    ProviderPage page;
};

void showSelected(HWND dialog, StreamDialog &state)
{
    HWND list = GetDlgItem(dialog, IDC_STREAM_LIST);
    const LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (selected < 0)
        return;
    state.settings.provider = static_cast<long>(SendMessageA(list, LB_GETITEMDATA, selected, 0));
    state.page.show(state.settings.provider, state.settings, GetDlgItem(dialog, IDC_STREAM_PAGE));
}

void initialise(HWND dialog, StreamDialog &state)
{
    HWND list = GetDlgItem(dialog, IDC_STREAM_LIST);
    for (const StreamProviderEntry &entry : ListedStreamProviders()) {
        const LRESULT item =
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.name.c_str()));
        SendMessageA(list, LB_SETITEMDATA, item, entry.index);
        if (entry.index == state.settings.provider)
            SendMessageA(list, LB_SETCURSEL, item, 0);
    }
    showSelected(dialog, state);
}

INT_PTR CALLBACK streamProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *state = DialogState<StreamDialog>(dialog, message, lParam);
    switch (message) {
    case WM_INITDIALOG:
        initialise(dialog, *state);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_STREAM_LIST:
            if (HIWORD(wParam) == LBN_SELCHANGE) {
                // Another provider starts without the last one's port and
                // sample format.
                state->settings.port = 0;
                state->settings.bitsPerSample = 0;
                showSelected(dialog, *state);
            }
            return TRUE;
        case IDOK:
            state->page.read(state->settings);
            state->page.close();
            EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            state->page.close();
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace

std::vector<StreamProviderEntry> ListedStreamProviders()
{
    std::vector<StreamProviderEntry> entries;
    const long count = SndGetNumASP();
    for (long i = 0; i < count; ++i) {
        char name[kAspNameSize] = {};
        if (!SndGetASPProductName(i, name) || lstrcmpiA(name, "Halvorin") == 0)
            continue;
        entries.push_back({i, name});
    }
    return entries;
}

StreamSettings StreamSettingsOf(const IOPARAMS &params)
{
    return {params.asp, params.aspPort, params.sampleRate, params.bitsPerSample, params.bufferFrames};
}

void ApplyStreamSettings(const StreamSettings &settings, IOPARAMS &params)
{
    params.asp = settings.provider;
    params.aspPort = settings.port;
    params.sampleRate = settings.sampleRate;
    params.bitsPerSample = settings.bitsPerSample;
    params.bufferFrames = settings.bufferFrames;
}

bool RunAudioStreamDialog(HWND owner, StreamSettings &settings)
{
    StreamDialog state{settings, {}};
    if (!RunModalDialog(owner, IDD_AUDIO_STREAM, streamProc, &state))
        return false;
    settings = state.settings;
    return true;
}

} // namespace Quorvane
