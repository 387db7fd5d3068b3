#include "app/value_editor.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace Quorvane {

namespace {

constexpr int kEditorHeight = 26;
// The height of the field's text the editor centres on.
constexpr int kTextHeight = 14;

} // namespace

bool ValueEditor::Create(HWND parent, HFONT font)
{
    edit_ =
        CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_BORDER | ES_AUTOHSCROLL, 0, 0, 10, kEditorHeight, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kValueEditorId)), nullptr, nullptr);
    if (!edit_)
        return false;
    if (font)
        SendMessageA(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SetWindowSubclass(edit_, &ValueEditor::EditProc, 0, reinterpret_cast<DWORD_PTR>(this));
    return true;
}

void ValueEditor::Start(int x, int y, int width, long value, long minimum, long maximum)
{
    if (!edit_)
        return;
    minimum_ = minimum;
    maximum_ = maximum;
    char text[24];
    std::snprintf(text, sizeof(text), "%li", value);
    SetWindowTextA(edit_, text);
    SetWindowPos(edit_, HWND_TOP, x, y + kTextHeight / 2 - kEditorHeight / 2, width, kEditorHeight,
                 SWP_SHOWWINDOW);
    SendMessageA(edit_, EM_SETSEL, 0, -1);
    editing_ = true;
    SetFocus(edit_);
    SetCapture(edit_);
}

void ValueEditor::Commit()
{
    if (!editing_)
        return;
    char text[24] = {};
    GetWindowTextA(edit_, text, sizeof(text));
    char *end = nullptr;
    const long number = std::strtol(text, &end, 10);
    const bool isNumber = end != text;
    finish();
    if (!isNumber)
        return;
    value_ = std::clamp(number, minimum_, maximum_);
    SendMessageA(GetParent(edit_), WM_COMMAND, MAKEWPARAM(kValueEditorId, 0),
                 reinterpret_cast<LPARAM>(edit_));
}

void ValueEditor::Cancel()
{
    if (editing_)
        finish();
}

void ValueEditor::finish()
{
    editing_ = false;
    if (GetCapture() == edit_)
        ReleaseCapture();
    ShowWindow(edit_, SW_HIDE);
    SetFocus(GetParent(edit_));
}

LRESULT CALLBACK ValueEditor::EditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR self)
{
    auto *editor = reinterpret_cast<ValueEditor *>(self);
    switch (message) {
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS | DefSubclassProc(edit, message, wParam, lParam);
    case WM_KEYDOWN:
        if (wParam == VK_RETURN || wParam == VK_TAB) {
            editor->Commit();
            return 0;
        }
        if (wParam == VK_ESCAPE) {
            editor->Cancel();
            return 0;
        }
        break;
    case WM_CHAR:
        // Enter, Tab and Esc were handled as keys.
        if (wParam == '\r' || wParam == '\t' || wParam == 27)
            return 0;
        break;
    case WM_LBUTTONDOWN: {
        // A click outside the field commits (the editor holds the mouse).
        RECT client;
        GetClientRect(edit, &client);
        const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (!PtInRect(&client, at)) {
            editor->Commit();
            return 0;
        }
        break;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(edit, &ValueEditor::EditProc, 0);
        break;
    }
    return DefSubclassProc(edit, message, wParam, lParam);
}

} // namespace Quorvane
