#include "plugin/framework/gui/tests/dialog_steps.h"

namespace gui_test {

namespace {

int markerItem = 0;
std::vector<DialogStep> *pendingSteps = nullptr;

struct Search {
    int markerId;
    HWND found;
};

BOOL CALLBACK findDialog(HWND window, LPARAM search)
{
    auto &s = *reinterpret_cast<Search *>(search);
    if (IsWindowVisible(window) && GetDlgItem(window, s.markerId)) {
        s.found = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK runStep(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dialog = findDialogWith(markerItem);
    if (!dialog || !pendingSteps || pendingSteps->empty())
        return;
    const DialogStep step = pendingSteps->front();
    pendingSteps->erase(pendingSteps->begin());
    step(dialog);
}

} // namespace

HWND findDialogWith(int markerId)
{
    Search search{markerId, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), findDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

size_t runDialogSteps(int markerId, UINT period, std::vector<DialogStep> steps,
                      const std::function<void()> &open)
{
    markerItem = markerId;
    pendingSteps = &steps;
    const UINT_PTR timer = SetTimer(nullptr, 0, period, runStep);
    open();
    KillTimer(nullptr, timer);
    pendingSteps = nullptr;
    return steps.size();
}

int comboSelection(HWND dialog, int id)
{
    return static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0));
}

void chooseComboItem(HWND dialog, int id, int index)
{
    SendDlgItemMessageA(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

} // namespace gui_test
