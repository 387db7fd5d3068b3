// Note names as the drummers' editors offer them: the notes of a note-name
// set as popup-menu entries, and the names of the note-name sets in a combo.
#pragma once

#include "plugin/framework/drums/note_names.h"
#include "plugin/framework/drums/note_names_provider.h"
#include "plugin/framework/gui/flat_combo.h"

#include <windows.h>

#include <string>
#include <vector>

namespace Quorvane::NoteNameMenus {

// The id of a note's entry in a menu made for source: source * 128 +
// target + 1.
int noteMenuId(int source, int target);

// The names of notes 0..127 of the set as entries with the ids
// noteMenuId(source, note): the selected note checked, the source note the
// default entry, a new column every twelve entries. Notes without a name
// are left out unless they are the source or the selected note, which then
// show their default names.
void fillNoteMenu(FlatCombo::Menu &menu, const NoteNames &names, int source, int selected);

// The provider's note-name sets, in its order.
std::vector<std::string> setNames(const NoteNamesProvider &provider);
// A combo of the provider's sets with current selected.
void fillSetCombo(FlatCombo &combo, const NoteNamesProvider &provider, const std::string &current);
void fillSetCombo(HWND comboBox, const NoteNamesProvider &provider, const std::string &current);
// The text of a combo box's selected entry; empty without one.
std::string selectedText(HWND comboBox);

} // namespace Quorvane::NoteNameMenus
