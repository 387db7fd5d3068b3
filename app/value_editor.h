// The parts list's in-place value editor: a child edit control over a
// field that takes a number between a minimum and a maximum. Enter, Tab or
// a click anywhere commit, Esc cancels; a committed number is clamped and
// told to the parent as a command with the editor's id.
#pragma once

#include <windows.h>

namespace Quorvane {

// The editor's control id, and the command the parent gets on a commit.
constexpr int kValueEditorId = 10000;

class ValueEditor {
public:
    ValueEditor() = default;
    ValueEditor(const ValueEditor &) = delete;
    ValueEditor &operator=(const ValueEditor &) = delete;

    // The hidden edit control in the parent; false when it cannot be made.
    bool Create(HWND parent, HFONT font);
    HWND Handle() const { return edit_; }
    bool Editing() const { return editing_; }

    // Shows the value over the field (x, y its text's top-left), selected,
    // with the focus and the mouse.
    void Start(int x, int y, int width, long value, long minimum, long maximum);
    // Reads the number and tells the parent; text that is no number cancels.
    void Commit();
    void Cancel();
    // The last committed value.
    long Value() const { return value_; }

private:
    static LRESULT CALLBACK EditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR self);
    void finish();

    HWND edit_ = nullptr;
    bool editing_ = false;
    long value_ = 0;
    long minimum_ = 0;
    long maximum_ = 0;
};

} // namespace Quorvane
