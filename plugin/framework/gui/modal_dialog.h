// A modal dialog over a dialog template of this module, its messages going
// to a virtual procedure: the small dialog base of the options dialogs.
#pragma once

#include <windows.h>

namespace Quorvane {

class ModalDialog {
public:
    ModalDialog(UINT templateId, HWND parent) : templateId_(templateId), parent_(parent) {}
    virtual ~ModalDialog() = default;
    ModalDialog(const ModalDialog &) = delete;
    ModalDialog &operator=(const ModalDialog &) = delete;

    // Runs the dialog; IDOK, IDCANCEL or what endDialog was given (-1 when
    // it cannot be shown).
    INT_PTR doModal();
    void endDialog(INT_PTR result);
    HWND handle() const { return handle_; }

protected:
    // Answers like a dialog procedure: TRUE when handled.
    virtual INT_PTR dialogProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL onInitDialog();
    virtual void onOK();
    virtual void onCancel();

private:
    static INT_PTR CALLBACK staticProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

    UINT templateId_;
    HWND parent_;
    HWND handle_ = nullptr;
};

} // namespace Quorvane
