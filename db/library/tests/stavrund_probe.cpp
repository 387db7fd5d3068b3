// A program that uses the equipment database library: it checks the first
// time, stores I/O parameters and commits. The exit code tells the test
// what happened: 1 for a first time, plus 2 when the parameters stored,
// plus 4 when they read back, plus 8 when the set-up dialog showed (its
// user cancels it).
#include "db/library/stavrund_functions.h"

#include <windows.h>

#include <cstring>

namespace {

int dialogShown = 0;

void CALLBACK cancelSetUp(HWND, UINT, UINT_PTR, DWORD)
{
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM) {
            char caption[64] = {};
            GetWindowTextA(window, caption, sizeof caption);
            if (IsWindowVisible(window) && std::strcmp(caption, "Equipment DataBase") == 0) {
                dialogShown = 8;
                PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
            }
            return TRUE;
        },
        0);
}

} // namespace

int main()
{
    using namespace Quorvane;
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, &cancelSetUp);
    int code = CDBCheckFirstTime(30) ? 1 : 0;
    KillTimer(nullptr, timer);
    code |= dialogShown;
    IOPARAMS params;
    params.sampleRate = 48000;
    params.SetString(IOSTR_VSTDIR1, "C:\\Probe\\Vst");
    if (CDBSetIOParams(&params))
        code |= 2;
    IOPARAMS read;
    if (CDBGetIOParams(&read) && read.sampleRate == 48000)
        code |= 4;
    CDBCommitModifications();
    return code;
}
