// Drives a modal dialog of this thread as a user would: a timer on the
// test's thread runs one step of a script per tick while the dialog is open.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace dialogs_test {

using Step = std::function<void(HWND dialog)>;

// Runs `run` (which shows the modal dialog titled `caption` and answers when
// it closed) with the steps played one per tick; a script that leaves the
// dialog open fails the test and the dialog is cancelled. A step may run
// another scripted dialog.
INT_PTR runScripted(const std::string &caption, const std::function<INT_PTR()> &run, std::vector<Step> steps,
                    UINT tickMs = 50);

// Lets the dialog handle what is queued.
void pump();
// Handles the dialog's messages for a while (its timers run meanwhile).
void pumpFor(DWORD ms);
// Handles the dialog's messages until done() holds; false if it did not
// within the generous bound `ms`.
bool pumpUntil(const std::function<bool()> &done, DWORD ms = 10000);
// Handles its messages until the dialog closed by itself, at most `ms`.
void waitUntilClosed(HWND dialog, DWORD ms);
// A click on a button or check box of the dialog, as the user makes it.
void click(HWND dialog, int id);
// A picture of the dialog in the build's screenshots folder.
void picture(HWND dialog, const std::string &name);

} // namespace dialogs_test
