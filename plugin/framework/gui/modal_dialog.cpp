#include "plugin/framework/gui/modal_dialog.h"

#include "plugin/framework/plugin/com_object.h"

namespace Quorvane {

INT_PTR ModalDialog::doModal()
{
    const INT_PTR result = DialogBoxParamA(com::thisModule(), MAKEINTRESOURCEA(templateId_), parent_,
                                           staticProc, reinterpret_cast<LPARAM>(this));
    handle_ = nullptr;
    return result;
}

void ModalDialog::endDialog(INT_PTR result)
{
    if (handle_)
        EndDialog(handle_, result);
}

BOOL ModalDialog::onInitDialog()
{
    return TRUE;
}

void ModalDialog::onOK()
{
    endDialog(IDOK);
}

void ModalDialog::onCancel()
{
    endDialog(IDCANCEL);
}

INT_PTR ModalDialog::dialogProc(UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return onInitDialog();
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            onOK();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            onCancel();
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

INT_PTR CALLBACK ModalDialog::staticProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *self = reinterpret_cast<ModalDialog *>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<ModalDialog *>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        self->handle_ = dialog;
    }
    return self ? self->dialogProc(message, wParam, lParam) : FALSE;
}

} // namespace Quorvane
