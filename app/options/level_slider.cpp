#include "app/options/level_slider.h"

#include "app/options/dialog_controls.h"
#include "app/options/option_dialog_ids.h"

#include <commctrl.h>

#include <algorithm>

namespace Quorvane {

namespace {

constexpr int kTop = 127;

struct SliderState {
    POINT centre;
    int value;
    const std::function<void(int)> &onChange;
    bool done = false;
};

// The slider's top is the loudest.
int valueAt(HWND slider)
{
    return kTop - static_cast<int>(SendMessageA(slider, TBM_GETPOS, 0, 0));
}

void place(HWND dialog, POINT centre)
{
    RECT frame{};
    GetWindowRect(dialog, &frame);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoA(MonitorFromPoint(centre, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT at = PlacePopup(centre, {frame.right - frame.left, frame.bottom - frame.top}, monitor.rcWork);
    SetWindowPos(dialog, HWND_TOP, at.left, at.top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
}

INT_PTR CALLBACK sliderProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *state = DialogState<SliderState>(dialog, message, lParam);
    switch (message) {
    case WM_INITDIALOG: {
        HWND slider = GetDlgItem(dialog, IDC_LEVEL_SLIDER);
        SendMessageA(slider, TBM_SETRANGE, FALSE, MAKELPARAM(0, kTop));
        SendMessageA(slider, TBM_SETPOS, TRUE, kTop - std::clamp(state->value, 0, kTop));
        place(dialog, state->centre);
        return FALSE;
    }
    case WM_VSCROLL: {
        const int value = valueAt(GetDlgItem(dialog, IDC_LEVEL_SLIDER));
        if (value != state->value) {
            state->value = value;
            if (state->onChange)
                state->onChange(value);
        }
        if (LOWORD(wParam) == TB_ENDTRACK)
            state->done = true;
        return TRUE;
    }
    case WM_ACTIVATE:
        // Another window became active: the popup goes.
        if (LOWORD(wParam) == WA_INACTIVE && state)
            state->done = true;
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK) {
            state->done = true;
            return TRUE;
        }
        break;
    }
    return FALSE;
}

// A press of a mouse button outside the popup, or Esc, closes it; the
// press does nothing else, as with a menu.
bool closesPopup(HWND popup, const MSG &msg)
{
    switch (msg.message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
        return msg.hwnd != popup && !IsChild(popup, msg.hwnd);
    case WM_KEYDOWN:
        return msg.wParam == VK_ESCAPE;
    default:
        return false;
    }
}

} // namespace

RECT PlacePopup(POINT centre, SIZE size, const RECT &area)
{
    LONG left = centre.x - size.cx / 2;
    LONG top = centre.y - size.cy / 2;
    left = std::max(area.left, std::min(left, area.right - size.cx));
    top = std::max(area.top, std::min(top, area.bottom - size.cy));
    return {left, top, left + size.cx, top + size.cy};
}

int RunLevelSlider(HWND owner, POINT centre, int value, const std::function<void(int)> &onChange)
{
    SliderState state{centre, std::clamp(value, 0, kTop), onChange};
    HWND popup = CreateDialogParamA(DialogModule(), MAKEINTRESOURCEA(IDD_LEVEL_SLIDER), owner, sliderProc,
                                    reinterpret_cast<LPARAM>(&state));
    if (!popup)
        return state.value;
    ShowWindow(popup, SW_SHOW);
    SetActiveWindow(popup);
    SetFocus(GetDlgItem(popup, IDC_LEVEL_SLIDER));
    // The popup's own loop, as a menu runs one: the other windows stay as
    // they are (nothing is disabled) and take no click meanwhile.
    MSG msg;
    while (!state.done) {
        if (!GetMessageA(&msg, nullptr, 0, 0)) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (closesPopup(popup, msg))
            break;
        if (!IsDialogMessageA(popup, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    // No answer of the slider after it closed.
    state.done = true;
    DestroyWindow(popup);
    return state.value;
}

} // namespace Quorvane
