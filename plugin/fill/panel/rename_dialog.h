// The dialog that renames the chosen patterns: one row per list column, its
// title and an edit with the text all chosen patterns share ("---" where they
// differ). Only the name and the comment can be changed; an edit shows grey
// text until the user changes it.
#pragma once

#include "plugin/framework/gui/modal_dialog.h"

#include <string>
#include <vector>

namespace Quorvane {

class RenameDlg : public ModalDialog {
public:
    static constexpr int kRowTop = 4;
    static constexpr int kRowStep = 18;
    static constexpr int kRowHeight = 16;
    static constexpr int kEditableRows = 2;
    static constexpr COLORREF kUnchangedText = 0x808080;

    RenameDlg(HWND parent, std::vector<std::string> titles, std::vector<std::string> texts);

    // After OK: whether row i was changed, and its text.
    bool changed(int row) const
    {
        return row >= 0 && row < static_cast<int>(changed_.size()) && changed_[row];
    }
    const std::string &text(int row) const { return texts_[row]; }

protected:
    INT_PTR dialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL onInitDialog() override;
    void onOK() override;

private:
    void moveDown(int id, int pixels);

    std::vector<std::string> titles_;
    std::vector<std::string> texts_;
    std::vector<bool> changed_;
    bool filling_ = false;
};

} // namespace Quorvane
