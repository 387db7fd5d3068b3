// Note names as the editor's menus and combos offer them: the notes of the
// current note-name set in a popup menu, and the note-name sets in a combo.
#include "plugin/fill/engine/grindelvosket.h"

#include "plugin/framework/gui/note_name_menus.h"

namespace Quorvane {

void Grindelvosket::fillNoteMenu(FlatCombo::Menu &menu, int source, int selected)
{
    NoteNameMenus::fillNoteMenu(menu, noteNames(), source, selected);
}

int Grindelvosket::noteMenuId(int source, int target)
{
    return NoteNameMenus::noteMenuId(source, target);
}

std::vector<std::string> Grindelvosket::noteNameSets() const
{
    return NoteNameMenus::setNames(noteNamesProvider_);
}

void Grindelvosket::fillNoteNameCombo(FlatCombo &combo)
{
    NoteNameMenus::fillSetCombo(combo, noteNamesProvider_, noteNames().getName());
}

void Grindelvosket::fillNoteNameCombo(HWND combo)
{
    NoteNameMenus::fillSetCombo(combo, noteNamesProvider_, noteNames().getName());
}

} // namespace Quorvane
