// A small modal warning with a "Don't show this message again" box. The
// answer is remembered per key in the registry ("Warnings" below the
// module's settings), so a suppressed warning never shows again.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace Quorvane {

// Answers a warning in place of the user (tests): gets the message and key,
// returns IDOK or IDCANCEL and sets whether "don't show again" was ticked.
using WarningDialogHook =
    std::function<INT_PTR(const std::string &message, const std::string &key, bool *tick)>;
// Installs a hook (an empty one restores the real dialog); returns the old.
WarningDialogHook setWarningDialogHook(WarningDialogHook hook);

class CWarningDlg {
public:
    // The message is the string resource messageId of the plug-in module;
    // an empty key shows no check box and remembers nothing.
    CWarningDlg(UINT messageId, const char *profileKey, HWND parent = nullptr);
    CWarningDlg(const CWarningDlg &) = delete;
    CWarningDlg &operator=(const CWarningDlg &) = delete;
    // Stores the answer again.
    ~CWarningDlg();

    // IDOK at once when suppressed; else runs the dialog and returns IDOK or
    // IDCANCEL (-1 when it cannot be shown). Only the dialog's own window
    // is disabled while it runs, the host's stay enabled.
    INT_PTR DoModal();

    bool suppressed() const { return suppressed_; }
    const std::string &message() const { return message_; }

    // The registry key (below HKEY_CURRENT_USER) that holds the answers.
    static std::string profilePath();

private:
    static INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    void initDialog(HWND dialog);
    void finish(INT_PTR result);
    void answered(INT_PTR result, bool tick);
    void storeAnswer() const;

    std::string message_;
    std::string key_;
    HWND parent_;
    bool suppressed_ = false;
    HWND dialog_ = nullptr;
    bool done_ = false;
    INT_PTR result_ = IDCANCEL;
};

} // namespace Quorvane
