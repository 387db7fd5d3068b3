#include "db/dialogs/first_time_dialog.h"

#include "data/io_params.h"
#include "db/dialogs/db_messages.h"
#include "db/dialogs/dialog_ids.h"
#include "db/equipment/io_defaults.h"
#include "db/equipment/items.h"
#include "db/equipment/tembri_db.h"
#include "sound/asp_registry.h"
#include "sound/audio_stream_provider.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstring>
#include <string>

namespace Quorvane {

namespace {

constexpr long kTimeBases[] = {48, 72, 96, 120, 144, 168, 192, 216, 240, 360, 384, 480, 600, 720, 960};
constexpr int kPortKinds = 10;
constexpr uint32_t kVstMask = (1u << 1) | (1u << 6);
constexpr uint32_t kMidiInputMask = 1u << 26;

struct FirstTimeState {
    HINSTANCE resources = nullptr;
    CTembriDB *db = nullptr;
    uint32_t mask = 0;
    IOPARAMS params;
    HMODULE providerModule = nullptr;
    IAudioStreamProvider *provider = nullptr;
};

FirstTimeState *StateOf(HWND dialog)
{
    return reinterpret_cast<FirstTimeState *>(GetWindowLongPtrA(dialog, DWLP_USER));
}

void ClosePage(HWND dialog, FirstTimeState &state)
{
    if (state.provider) {
        state.provider->CloseSettings();
        state.provider->Release();
        state.provider = nullptr;
        InvalidateRect(GetDlgItem(dialog, IDC_FIRST_PROVIDER_PAGE), nullptr, TRUE);
    }
    if (state.providerModule) {
        FreeLibrary(state.providerModule);
        state.providerModule = nullptr;
    }
}

// The settings page of the selected provider inside static 2019.
void ShowPage(HWND dialog, FirstTimeState &state)
{
    ClosePage(dialog, state);
    const long index = state.params.asp;
    char path[kAspPathSize] = {};
    if (index < 0 || index >= SndGetNumASP() || !SndGetASPModuleName(index, path))
        return;
    state.providerModule = LoadLibraryA(path);
    const auto entry = state.providerModule ? reinterpret_cast<GetASPInterfaceProc>(reinterpret_cast<void *>(
                                                  GetProcAddress(state.providerModule, "GetASPInterface")))
                                            : nullptr;
    state.provider = entry ? entry() : nullptr;
    ASPSETTINGS settings;
    std::memset(&settings, 0, sizeof settings);
    settings.channel = int32_t(state.params.aspPort);
    settings.sampleRate = int32_t(state.params.sampleRate);
    settings.sampleFormat = 0;
    settings.bufferFrames = int32_t(state.params.bufferFrames);
    settings.parentWindow = AspWindowValue(GetDlgItem(dialog, IDC_FIRST_PROVIDER_PAGE));
    if (!state.provider || !state.provider->ShowSettings(&settings))
        ClosePage(dialog, state);
}

void FillTimeBases(HWND dialog, long timeBase)
{
    HWND list = GetDlgItem(dialog, IDC_FIRST_TIMEBASE);
    for (long value : kTimeBases) {
        const std::string text = std::to_string(value);
        const LRESULT item = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        SendMessageA(list, CB_SETITEMDATA, WPARAM(item), value);
        if (value == timeBase)
            SendMessageA(list, CB_SETCURSEL, WPARAM(item), 0);
    }
}

void FillProviders(HWND dialog, long selected)
{
    HWND list = GetDlgItem(dialog, IDC_FIRST_PROVIDER);
    for (long i = 0, n = SndGetNumASP(); i < n; ++i) {
        char name[kAspNameSize] = {};
        if (!SndGetASPProductName(i, name) || _stricmp(name, "Halvorin") == 0)
            continue;
        const LRESULT item = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
        SendMessageA(list, CB_SETITEMDATA, WPARAM(item), i);
        if (i == selected)
            SendMessageA(list, CB_SETCURSEL, WPARAM(item), 0);
    }
}

void InitDialog(HWND dialog, FirstTimeState &state)
{
    for (int kind = 0; kind < kPortKinds; ++kind) {
        const bool offered = (state.mask >> kind) & 1;
        CheckDlgButton(dialog, IDC_FIRST_KIND_FIRST + kind, offered ? BST_CHECKED : BST_UNCHECKED);
        EnableWindow(GetDlgItem(dialog, IDC_FIRST_KIND_FIRST + kind), offered);
    }
    GetIOParamsOrDefaults(state.db, &state.params);
    FillTimeBases(dialog, state.params.timeBase);
    FillProviders(dialog, state.params.asp);
    ShowPage(dialog, state);
    for (int i = 0; i < 3; ++i) {
        const char *folder = state.params.strings[IOSTR_VSTDIR1 + i];
        SetDlgItemTextA(dialog, IDC_FIRST_VST_FOLDER1 + i, folder ? folder : "");
    }
    if (!(state.mask & kVstMask))
        for (int i = 0; i < 3; ++i) {
            EnableWindow(GetDlgItem(dialog, IDC_FIRST_VST_FOLDER1 + i), FALSE);
            EnableWindow(GetDlgItem(dialog, IDC_FIRST_VST_BROWSE1 + i), FALSE);
        }
    if (!(state.mask & kMidiInputMask))
        EnableWindow(GetDlgItem(dialog, IDC_FIRST_MIDI_INPUT), FALSE);
}

void Browse(HWND dialog, FirstTimeState &state, int field)
{
    BROWSEINFOA browse = {};
    browse.hwndOwner = dialog;
    browse.lpszTitle = "Select VST Directory";
    browse.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST chosen = SHBrowseForFolderA(&browse);
    if (!chosen)
        return;
    char path[MAX_PATH] = {};
    if (SHGetPathFromIDListA(chosen, path))
        SetDlgItemTextA(dialog, field, path);
    else
        ShowDBError(state.resources, dialog, IDS_DB_SHELL_ERROR);
    CoTaskMemFree(chosen);
}

int TakeFolders(HWND dialog, IOPARAMS &params)
{
    for (int i = 0; i < 3; ++i) {
        char text[MAX_PATH + 1] = {};
        GetDlgItemTextA(dialog, IDC_FIRST_VST_FOLDER1 + i, text, sizeof text);
        size_t length = std::strlen(text);
        if (length && (text[length - 1] == '\\' || text[length - 1] == '/'))
            text[--length] = '\0';
        if (!params.SetString(IOSTR_VSTDIR1 + i, length ? text : nullptr))
            return 0;
    }
    return 1;
}

void Accept(HWND dialog, FirstTimeState &state)
{
    HCURSOR cursor = SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514))); // the wait cursor
    IOPARAMS &params = state.params;
    ASPSETTINGS settings;
    std::memset(&settings, 0, sizeof settings);
    if (state.provider && state.provider->GetSettings(&settings)) {
        params.aspPort = settings.channel;
        params.sampleRate = settings.sampleRate;
        params.bitsPerSample = settings.sampleFormat;
        params.bufferFrames = settings.bufferFrames;
    }
    const LRESULT item = SendDlgItemMessageA(dialog, IDC_FIRST_TIMEBASE, CB_GETCURSEL, 0, 0);
    if (item != CB_ERR)
        params.timeBase =
            long(SendDlgItemMessageA(dialog, IDC_FIRST_TIMEBASE, CB_GETITEMDATA, WPARAM(item), 0));
    TakeFolders(dialog, params);
    if (params.bitsPerSample == 0)
        params.bitsPerSample = 16;
    state.db->SetIOParams(&params);
    HWND progress = GetDlgItem(dialog, IDC_FIRST_PROGRESS);
    SendMessageA(progress, PBM_SETRANGE, 0, MAKELPARAM(0, kPortKinds - 1));
    SendMessageA(progress, PBM_SETPOS, kPortKinds - 1, 0);
    for (int kind = 0; kind < kPortKinds; ++kind) {
        if (IsDlgButtonChecked(dialog, IDC_FIRST_KIND_FIRST + kind) == BST_CHECKED) {
            // A kind that fails to refresh does not stop the others.
            if (ITembriPort *ports = state.db->GetITembriPort(kind, 1)) {
                ports->Refresh();
                ports->Release();
            }
            RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            Sleep(200);
        }
        SendMessageA(progress, PBM_DELTAPOS, WPARAM(-1), 0);
    }
    EndDialog(dialog, IDOK);
    SetCursor(cursor);
}

INT_PTR CALLBACK FirstTimeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        InitDialog(dialog, *reinterpret_cast<FirstTimeState *>(lParam));
        return TRUE;
    }
    FirstTimeState *state = StateOf(dialog);
    if (!state)
        return FALSE;
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id == IDC_FIRST_PROVIDER && HIWORD(wParam) == CBN_SELCHANGE) {
            const LRESULT item = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
            if (item != CB_ERR) {
                state->params.asp = long(SendDlgItemMessageA(dialog, id, CB_GETITEMDATA, WPARAM(item), 0));
                ShowPage(dialog, *state);
            }
            return TRUE;
        }
        if (id >= IDC_FIRST_VST_BROWSE1 && id < IDC_FIRST_VST_BROWSE1 + 3 && HIWORD(wParam) == BN_CLICKED) {
            Browse(dialog, *state, IDC_FIRST_VST_FOLDER1 + (id - IDC_FIRST_VST_BROWSE1));
            return TRUE;
        }
        if (id == IDOK) {
            Accept(dialog, *state);
            return TRUE;
        }
        if (id == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    case WM_DESTROY:
        ClosePage(dialog, *state);
        return FALSE;
    }
    return FALSE;
}

} // namespace

INT_PTR RunFirstTimeDialog(HINSTANCE resources, CTembriDB *db, uint32_t mask)
{
    if (!db)
        return IDCANCEL;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    FirstTimeState state;
    state.resources = resources;
    state.db = db;
    state.mask = mask;
    return DialogBoxParamA(resources, MAKEINTRESOURCEA(IDD_DB_FIRST_TIME), nullptr, FirstTimeDialogProc,
                           reinterpret_cast<LPARAM>(&state));
}

} // namespace Quorvane
