// Answers the modal dialog a test opens: once a visible dialog holding the
// control shows on the test's thread, act runs with it (and ends it).
#pragma once

#include <windows.h>

#include <functional>

namespace rallimoth_test {

class DialogAnswer {
public:
    DialogAnswer(int controlId, std::function<void(HWND)> act);
    ~DialogAnswer();
    DialogAnswer(const DialogAnswer &) = delete;
    DialogAnswer &operator=(const DialogAnswer &) = delete;

    bool answered() const { return answered_; }

private:
    static void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD);
    static BOOL CALLBACK findDialog(HWND window, LPARAM self);

    int controlId_;
    std::function<void(HWND)> act_;
    UINT_PTR timer_;
    HWND found_ = nullptr;
    bool answered_ = false;
};

// Clicks a button of the dialog as the user would.
void press(HWND dialog, int id);
// Selects an item of a drop list and tells the dialog.
void choose(HWND dialog, int id, int index);

} // namespace rallimoth_test
