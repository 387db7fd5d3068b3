// Note names as the editor's menus and combos offer them: the notes of the
// current note-name set in a popup menu, and the note-name sets in a combo.
#include "plugin/fill/engine/grindelvosket.h"

#include "plugin/framework/gui/flat_combo.h"

#include <windows.h>

namespace Quorvane {

void Grindelvosket::fillNoteMenu(FlatCombo::Menu &menu, int source, int selected)
{
    NoteNames &names = noteNames();
    int count = 0;
    for (int note = 0; note < 128; ++note) {
        const bool marked = note == source || note == selected;
        std::string name = names.getNoteName(note);
        if (name.empty()) {
            if (!marked)
                continue;
            name = NoteNames::defaultNoteName(note);
        }
        UINT flags = MF_STRING;
        if (note == selected)
            flags |= MF_CHECKED;
        // A new column before every twelfth entry.
        if (count > 0 && count % 12 == 0)
            flags |= MF_MENUBARBREAK;
        if (note == source)
            menu.setSelectedId(count);
        menu.appendItem(flags, noteMenuId(source, note), name);
        ++count;
    }
}

int Grindelvosket::noteMenuId(int source, int target)
{
    return source * 128 + target + 1;
}

std::vector<std::string> Grindelvosket::noteNameSets() const
{
    std::vector<std::string> sets;
    std::string name;
    for (int i = 0; i < noteNamesProvider_.getSetCount(); ++i)
        if (noteNamesProvider_.getSetName(i, name))
            sets.push_back(name);
    return sets;
}

void Grindelvosket::fillNoteNameCombo(FlatCombo &combo)
{
    combo.removeAll();
    const std::string &current = noteNames().getName();
    int selected = -1;
    for (const std::string &name : noteNameSets()) {
        const int index = combo.addItem(name);
        if (name == current)
            selected = index;
    }
    combo.setSelectedIndex(selected);
}

void Grindelvosket::fillNoteNameCombo(HWND combo)
{
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    const std::string &current = noteNames().getName();
    for (const std::string &name : noteNameSets()) {
        const LRESULT index = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        if (name == current)
            SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
}

} // namespace Quorvane
