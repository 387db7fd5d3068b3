#include "db/dialogs/tests/dialog_driver.h"

#include "testing/screenshot.h"

#include <gtest/gtest.h>

namespace dialogs_test {

namespace {

struct Script {
    std::string caption;
    std::vector<Step> steps;
    size_t next = 0;
    bool running = false;
    bool done = false;
};
Script *current = nullptr;

HWND findDialog(const std::string &caption)
{
    struct Search {
        const std::string *caption;
        HWND found;
    } search{&caption, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM data) {
            auto *s = reinterpret_cast<Search *>(data);
            char text[128] = {};
            GetWindowTextA(window, text, sizeof text);
            if (IsWindowVisible(window) && *s->caption == text) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void CALLBACK tick(HWND, UINT, UINT_PTR timer, DWORD)
{
    Script *script = current;
    if (!script || script->running || script->done)
        return;
    HWND dialog = findDialog(script->caption);
    if (!dialog)
        return;
    script->running = true;
    if (script->next < script->steps.size())
        script->steps[script->next++](dialog);
    script->running = false;
    if (script->next < script->steps.size())
        return;
    KillTimer(nullptr, timer);
    script->done = true;
    pump();
    if (IsWindow(dialog) && IsWindowVisible(dialog)) {
        ADD_FAILURE() << "the script left \"" << script->caption << "\" open";
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }
}

} // namespace

INT_PTR runScripted(const std::string &caption, const std::function<INT_PTR()> &run, std::vector<Step> steps,
                    UINT tickMs)
{
    // A step may run a dialog of its own: its script runs meanwhile.
    Script *outer = current;
    Script script{caption, std::move(steps)};
    current = &script;
    const UINT_PTR timer = SetTimer(nullptr, 0, tickMs, &tick);
    const INT_PTR result = run();
    KillTimer(nullptr, timer);
    current = outer;
    EXPECT_TRUE(script.done || script.steps.empty())
        << "\"" << caption << "\" closed before its script ended";
    return result;
}

void pump()
{
    MSG message;
    for (int round = 0; round < 5; ++round) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(10);
    }
}

void pumpFor(DWORD ms)
{
    const DWORD start = GetTickCount();
    MSG message;
    while (GetTickCount() - start < ms) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(5);
    }
}

bool pumpUntil(const std::function<bool()> &done, DWORD ms)
{
    const DWORD start = GetTickCount();
    MSG message;
    while (!done()) {
        if (GetTickCount() - start >= ms)
            return false;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(5);
    }
    return true;
}

void waitUntilClosed(HWND dialog, DWORD ms)
{
    const DWORD start = GetTickCount();
    MSG message;
    while (IsWindow(dialog) && IsWindowVisible(dialog) && GetTickCount() - start < ms) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(5);
    }
}

void click(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    ASSERT_NE(control, nullptr) << "no control " << id;
    ASSERT_TRUE(IsWindowEnabled(control)) << "control " << id << " is disabled";
    SendMessageA(control, BM_CLICK, 0, 0);
}

void picture(HWND dialog, const std::string &name)
{
    pump();
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    EXPECT_FALSE(testing_support::writeWindowPicture(dialog, name).empty()) << name;
}

} // namespace dialogs_test
