#include "app/frame_dialog.h"

#include "app/parts_window.h"
#include "app/program_identity.h"
#include "app/resource_ids.h"
#include "base/message_box.h"

namespace Quorvane {

namespace {

struct Frame {
    HINSTANCE instance;
    PartsWindow &parts;
    HICON icon = nullptr;
};

void showAbout(HWND frame)
{
    showMessageBox(frame, "Rallimoth Omvel\nDrum performance program, version 1.0", kProgramTitle,
                   MB_OK | MB_ICONINFORMATION);
}

INT_PTR CALLBACK frameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *frame = reinterpret_cast<Frame *>(GetWindowLongPtrA(window, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        frame = reinterpret_cast<Frame *>(lParam);
        if (HMENU system = GetSystemMenu(window, FALSE)) {
            char entry[64] = {};
            LoadStringA(frame->instance, IDS_ABOUT_ENTRY, entry, sizeof(entry));
            AppendMenuA(system, MF_SEPARATOR, 0, nullptr);
            AppendMenuA(system, MF_STRING, IDM_ABOUT, entry);
        }
        frame->icon = LoadIconA(frame->instance, MAKEINTRESOURCEA(IDI_PROGRAM));
        SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(frame->icon));
        SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(frame->icon));
        ShowWindow(window, SW_MINIMIZE);
        if (HWND parts = frame->parts.Create(frame->instance, window))
            ShowWindow(parts, SW_SHOW);
        else
            EndDialog(window, 0);
        return TRUE;
    }
    case WM_SIZE:
        // Only the parts window and the editors show.
        if (wParam == SIZE_RESTORED || wParam == SIZE_MAXIMIZED)
            ShowWindow(window, SW_MINIMIZE);
        return TRUE;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_MAXIMIZE:
        case SC_RESTORE:
            SetWindowLongPtrA(window, DWLP_MSGRESULT, 0);
            return TRUE;
        case SC_CLOSE:
            // Not under a chooser or dialog of the parts window.
            if (!frame || !frame->parts.IsBusy())
                EndDialog(window, IDOK);
            return TRUE;
        default:
            if (wParam == IDM_ABOUT) {
                showAbout(window);
                return TRUE;
            }
            return FALSE;
        }
    case WM_CLOSE:
        if (frame && frame->parts.IsBusy())
            return TRUE;
        if (frame)
            frame->parts.CloseSequence();
        EndDialog(window, IDCANCEL);
        return TRUE;
    case WM_QUERYDRAGICON:
        return frame ? reinterpret_cast<INT_PTR>(frame->icon) : 0;
    case WM_PAINT:
        if (IsIconic(window) && frame) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            RECT r;
            GetClientRect(window, &r);
            DrawIcon(dc, (r.right - GetSystemMetrics(SM_CXICON)) / 2,
                     (r.bottom - GetSystemMetrics(SM_CYICON)) / 2, frame->icon);
            EndPaint(window, &ps);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

INT_PTR RunFrameDialog(HINSTANCE instance, PartsWindow &parts)
{
    Frame frame{instance, parts};
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_FRAME), nullptr, frameProc,
                           reinterpret_cast<LPARAM>(&frame));
}

} // namespace Quorvane
