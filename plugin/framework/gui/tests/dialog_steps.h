// Driving a modal dialog from a test as a user would: steps run one per
// timer tick on the open dialog while the call that opened it waits in the
// dialog's own loop; and the combo and field helpers such steps use.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

namespace gui_test {

// One step, given the open dialog.
using DialogStep = std::function<void(HWND dialog)>;

// Runs open (which shows the modal dialog and returns when it closed) with
// the steps run one per tick of a period-ms timer on the visible window of
// this thread that holds item markerId; the last step must close it.
// Returns how many steps never ran.
size_t runDialogSteps(int markerId, UINT period, std::vector<DialogStep> steps,
                      const std::function<void()> &open);

// The visible window of this thread that holds item markerId; null when
// none.
HWND findDialogWith(int markerId);

// The selected index of a combo item; -1 for none.
int comboSelection(HWND dialog, int id);
// Selects index in a combo item and tells the dialog, as a user's choice.
void chooseComboItem(HWND dialog, int id, int index);

} // namespace gui_test
