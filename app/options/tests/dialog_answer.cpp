#include "app/options/tests/dialog_answer.h"

#include <string>

namespace rallimoth_test {

namespace {

DialogAnswer *current = nullptr;

} // namespace

DialogAnswer::DialogAnswer(int controlId, std::function<void(HWND)> act)
    : controlId_(controlId), act_(std::move(act)), timer_(SetTimer(nullptr, 0, 50, onTimer))
{
    current = this;
}

DialogAnswer::~DialogAnswer()
{
    KillTimer(nullptr, timer_);
    current = nullptr;
}

BOOL CALLBACK DialogAnswer::findDialog(HWND window, LPARAM self)
{
    auto *answer = reinterpret_cast<DialogAnswer *>(self);
    char className[16] = {};
    GetClassNameA(window, className, sizeof(className));
    if (std::string(className) == "#32770" && IsWindowVisible(window) &&
        GetDlgItem(window, answer->controlId_)) {
        answer->found_ = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK DialogAnswer::onTimer(HWND, UINT, UINT_PTR, DWORD)
{
    DialogAnswer *answer = current;
    if (!answer || answer->answered_)
        return;
    answer->found_ = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), findDialog, reinterpret_cast<LPARAM>(answer));
    if (!answer->found_)
        return;
    answer->answered_ = true;
    KillTimer(nullptr, answer->timer_);
    answer->act_(answer->found_);
}

void press(HWND dialog, int id)
{
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void choose(HWND dialog, int id, int index)
{
    HWND list = GetDlgItem(dialog, id);
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

} // namespace rallimoth_test
