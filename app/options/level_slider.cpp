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
        SetFocus(slider);
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
            EndDialog(dialog, IDOK);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
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
    RunModalDialog(owner, IDD_LEVEL_SLIDER, sliderProc, &state);
    return state.value;
}

} // namespace Quorvane
