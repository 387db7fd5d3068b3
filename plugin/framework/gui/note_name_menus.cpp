#include "plugin/framework/gui/note_name_menus.h"

namespace Quorvane::NoteNameMenus {

int noteMenuId(int source, int target)
{
    return source * 128 + target + 1;
}

void fillNoteMenu(FlatCombo::Menu &menu, const NoteNames &names, int source, int selected)
{
    int count = 0;
    for (int note = 0; note < NoteNames::kNoteCount; ++note) {
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

std::vector<std::string> setNames(const NoteNamesProvider &provider)
{
    std::vector<std::string> sets;
    std::string name;
    for (int i = 0; i < provider.getSetCount(); ++i)
        if (provider.getSetName(i, name))
            sets.push_back(name);
    return sets;
}

void fillSetCombo(FlatCombo &combo, const NoteNamesProvider &provider, const std::string &current)
{
    // Refilled only when the sets changed: an open list draws its entries.
    combo.setItems(setNames(provider));
    combo.setSelectedIndex(combo.indexOfText(current));
}

void fillSetCombo(HWND comboBox, const NoteNamesProvider &provider, const std::string &current)
{
    SendMessageA(comboBox, CB_RESETCONTENT, 0, 0);
    for (const std::string &name : setNames(provider)) {
        const LRESULT index = SendMessageA(comboBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        if (name == current)
            SendMessageA(comboBox, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
}

std::string selectedText(HWND comboBox)
{
    const LRESULT index = SendMessageA(comboBox, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR)
        return {};
    const LRESULT length = SendMessageA(comboBox, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR)
        return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(comboBox, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

} // namespace Quorvane::NoteNameMenus
