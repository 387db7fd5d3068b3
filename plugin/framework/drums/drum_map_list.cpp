// The options dialog's list of input notes and their mapped notes.
#include "plugin/framework/drums/drum_map.h"

#include "plugin/framework/drums/note_names.h"

#include <commctrl.h>

namespace {

constexpr int kDrumColumn = 0;
constexpr int kMappedColumn = 1;

void setItemText(HWND list, int row, int column, const std::string &text)
{
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = const_cast<char *>(text.c_str());
    SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

// The input note a row stands for; -1 for a row outside the list.
int rowInputNote(HWND list, int row)
{
    const int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    if (row < 0 || row >= rows)
        return -1;
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
        return -1;
    const LPARAM note = item.lParam;
    return note >= 0 && note < DrumMap::kNoteCount ? static_cast<int>(note) : -1;
}

} // namespace

const std::vector<int> &DrumMap::listedNotes()
{
    static const std::vector<int> notes = {57, 55, 53, 52, 51, 50, 49, 48, 47, 46,
                                           45, 44, 43, 42, 41, 40, 38, 37, 36, 35};
    return notes;
}

void DrumMap::fillNoteList(HWND list, const Quorvane::NoteNames &names) const
{
    for (const int note : listedNotes()) {
        const std::string drum = Quorvane::NoteNames::drumNoteName(note);
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
        item.iSubItem = kDrumColumn;
        item.pszText = const_cast<char *>(drum.c_str());
        item.lParam = note;
        const int row =
            static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        if (row >= 0)
            setItemText(list, row, kMappedColumn, names.getNoteNameOrDefault(map_[note]));
    }
}

bool DrumMap::shiftRowNote(HWND list, int row, int delta)
{
    const int note = rowInputNote(list, row);
    if (note < 0)
        return false;
    setNote(note, map_[note] + delta);
    return true;
}

int DrumMap::getRowNote(HWND list, int row) const
{
    const int note = rowInputNote(list, row);
    return note < 0 ? -1 : map_[note];
}

void DrumMap::updateRowText(HWND list, int row, const Quorvane::NoteNames &names) const
{
    const int note = rowInputNote(list, row);
    if (note >= 0)
        setItemText(list, row, kMappedColumn, names.getNoteNameOrDefault(map_[note]));
}
