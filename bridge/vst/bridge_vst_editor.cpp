#include "bridge/vst/bridge_vst_editor.h"

#include "bridge/common/dialog_owner.h"
#include "bridge/common/this_module.h"
#include "bridge/vst/bridge_vst_effect.h"

#include <cstdio>
#include <cstring>

namespace Halvorin {

namespace {

constexpr UINT_PTR kTimerId = 1000;
constexpr UINT kTimerMs = 500;

// A dialog that is not shown to the user: only its size is wanted.
INT_PTR CALLBACK measureProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

} // namespace

CBridgeVstEditor::~CBridgeVstEditor()
{
    Close();
}

intptr_t CBridgeVstEditor::GetRect(vst2::EditorRect **rect)
{
    if (!rect)
        return 0;
    RECT bounds;
    if (window_) {
        GetWindowRect(window_, &bounds);
    } else {
        HWND measured = CreateDialogParamA(ThisModule(), MAKEINTRESOURCEA(kVstEditorDialog),
                                           GetDesktopWindow(), measureProc, 0);
        if (!measured)
            return 0;
        GetWindowRect(measured, &bounds);
        DestroyWindow(measured);
    }
    rect_.top = 0;
    rect_.left = 0;
    rect_.bottom = static_cast<int16_t>(bounds.bottom - bounds.top);
    rect_.right = static_cast<int16_t>(bounds.right - bounds.left);
    *rect = &rect_;
    return 1;
}

intptr_t CBridgeVstEditor::Open(HWND parent)
{
    Close();
    CreateDialogParamA(ThisModule(), MAKEINTRESOURCEA(kVstEditorDialog), parent, dialogProc,
                       reinterpret_cast<LPARAM>(this));
    if (!window_)
        return 0;
    ShowWindow(window_, SW_SHOW);
    SendMessageA(window_, kVstUpdateMessage, ~WPARAM(0), 0);
    SetTimer(window_, kTimerId, kTimerMs, nullptr);
    return 1;
}

void CBridgeVstEditor::Close()
{
    if (!window_)
        return;
    KillTimer(window_, kTimerId);
    DestroyWindow(window_);
    window_ = nullptr;
}

void CBridgeVstEditor::Idle()
{
    if (!updatePending_ || !window_)
        return;
    updatePending_ = false;
    PostMessageA(window_, kVstUpdateMessage, kVstUpdateProgram, 0);
}

INT_PTR CALLBACK CBridgeVstEditor::dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *editor = DialogOwner(window, message, lParam, &CBridgeVstEditor::window_);
    if (!editor)
        return message == WM_INITDIALOG;
    switch (message) {
    case kVstUpdateMessage:
        editor->update(wParam);
        return TRUE;
    case WM_TIMER:
        if (wParam == kTimerId)
            editor->updatePending_ = true;
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == kVstConnectButton && HIWORD(wParam) == BN_CLICKED)
            editor->connectClicked();
        return TRUE;
    }
    return FALSE;
}

void CBridgeVstEditor::update(WPARAM what)
{
    const HalvorinConnection &provider = plugin_.Provider();
    if (what & kVstUpdateChannel) {
        const int channel = provider.Channel();
        char text[40] = "No channel was assigned.";
        if (channel >= 0 && channel < kChannels)
            std::snprintf(text, sizeof text, "Halvorin channel %i", channel + 1);
        SetDlgItemTextA(window_, kVstChannelText, text);
        EnableWindow(GetDlgItem(window_, kVstConnectButton), channel >= 0 && channel < kChannels);
    }
    if (what & kVstUpdateProgram) {
        char name[kProgramNameSize] = {};
        const bool ours = provider.Request(kOpProgramName, name) == 1 && std::strcmp(name, kProgramName) == 0;
        CheckDlgButton(window_, kVstConnectButton, ours ? BST_CHECKED : BST_UNCHECKED);
    }
}

void CBridgeVstEditor::connectClicked()
{
    const bool checked = IsDlgButtonChecked(window_, kVstConnectButton) == BST_CHECKED;
    plugin_.Provider().Request(kOpProgram, const_cast<char *>(checked ? kProgramName : ""));
    SetFocus(window_);
}

} // namespace Halvorin
