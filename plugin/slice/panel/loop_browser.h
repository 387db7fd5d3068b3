// The small dialog in the editor panel through which the user keeps a
// library of loop files: a drop-down tree of the loops folder, a save and a
// delete button. Choosing a loop file loads it into the engine; saving
// (with the save button, or by typing a name into the combo and pressing
// Enter) writes the engine's combination as a loop file, which replaces the
// old file only once it is complete. A file that cannot be read or written is
// reported and changes nothing.
#pragma once

#include "plugin/framework/gui/gone_notice.h"
#include "plugin/framework/gui/options_dialog.h"
#include "plugin/framework/gui/tree_combo.h"
#include "plugin/slice/engine/vostrapellin.h"

#include <windows.h>

#include <string>

namespace Quorvane::LoopSlice {

class LoopBrowser {
public:
    static constexpr COLORREF kBackground = 0x7C948C;

    // Makes the loops folder when it does not exist.
    LoopBrowser(Vostrapellin &engine, std::string loopsFolder, std::string extension = ".vpl");
    ~LoopBrowser();
    LoopBrowser(const LoopBrowser &) = delete;
    LoopBrowser &operator=(const LoopBrowser &) = delete;

    // Creates the modeless dialog inside parent at placement; shown.
    bool createWindow(HWND parent, const RECT &placement);
    HWND handle() const { return window_; }
    // The dialog's size as its template makes it.
    SIZE preferredSize();

    FlatTreeCombo &combo() { return combo_; }
    // The tooltips of the combo and the two buttons.
    HWND toolTipWindow() const { return toolTip_; }
    const std::string &loopsFolder() const { return folder_; }

    // The buttons: save (with Shift into the selected file, else as a new
    // file) and delete (after the user's yes).
    void saveClicked();
    void deleteClicked();
    // Loads the selected loop file; false when none is selected, the user
    // keeps the edits, or the file cannot be read (which is reported).
    bool load();
    // Into the selected file; with none selected, as a new file.
    bool saveIntoSelected();
    // The edits, before another loop replaces them: into the file their
    // loop was loaded from or last saved to, whatever the combo shows now;
    // a loop from no file (a mode's loop, another pad's, the host's) asks
    // for a name.
    bool saveEdits();
    // The loop file the engine's loop came from; empty when none.
    std::string loopFile() const;
    // The engine's loop no longer comes from a file.
    void forgetLoopFile() { loopFile_.clear(); }
    // Asks for a file name; false when the user cancels or the file cannot
    // be written.
    bool saveAs();
    // Into the name typed in the combo (the loop extension may be typed
    // with it), in the selected folder; a file of that name is replaced
    // only after the user's yes. False when the name cannot name a file
    // (reported, nothing written), the user keeps the old file, or it
    // cannot be written.
    bool saveIntoTypedName();
    // Writes the combination as a loop file at path and selects it in the
    // tree; false (reported, the old file and the edits as they were) when
    // it cannot be written.
    bool saveTo(const std::string &path);

private:
    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR onMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void initialise();
    void layout(int width, int height);
    bool command(WORD id, WORD code);
    void report(const char *format, const std::string &path);
    // The save dialog, proposing the name in the selected folder.
    bool saveAsNamed(const std::string &proposed);
    void addToolTips();
    // A key pressed in a button: the panel's accelerators first, then the
    // panel as a key-down; false leaves it to the button.
    bool forwardKey(WPARAM key, LPARAM lParam);
    static LRESULT CALLBACK buttonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR browser);

    FlatTreeCombo combo_;
    OptionsDlgBase::SaveButton save_;
    OptionsDlgBase::DeleteButton delete_;
    std::string folder_;
    std::string extension_;
    Vostrapellin &engine_;
    RECT placement_{};
    // The file the engine's loop was loaded from or last saved to, and the
    // quick pad it was under then.
    std::string loopFile_;
    int loopFilePad_ = -1;
    HWND window_ = nullptr;
    HWND toolTip_ = nullptr;
    HBRUSH background_ = nullptr;
    // Questions and the save dialog wait in modal loops.
    GoneNotice gone_;
};

} // namespace Quorvane::LoopSlice
