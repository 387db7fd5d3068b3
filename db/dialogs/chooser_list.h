// What the preset and template choosers share: the editable list of names
// (a missing name shows as "Unknown %i"), the rules that enable the
// buttons, the button icons and the "Loading, wait please..." note.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace Quorvane {

class ChooserList {
public:
    // The dialog's buttons: choose (OK), store and delete.
    ChooserList(HINSTANCE resources, HWND dialog, int storeId, int deleteId);
    ~ChooserList();
    ChooserList(const ChooserList &) = delete;
    ChooserList &operator=(const ChooserList &) = delete;

    // Icons on the four buttons (OK, store, delete, Cancel).
    void SetIcons();
    // Empties the list; Add appends a record (null or empty names are
    // numbered "Unknown 1", "Unknown 2" in list order).
    void Clear();
    void Add(const char *name, uint32_t id);
    // Selects the item of the id, if listed.
    void Select(uint32_t id);
    void SelectName(const std::string &name);
    // The text in the edit field.
    std::string Text() const;
    // The id of the listed item named by the text; 0 when none is.
    int Named(uint32_t &id) const;
    // Empty text: nothing; a listed name: choose, store and delete; any
    // other text: store only.
    void UpdateButtons();
    // After a pick from the list: all three.
    void EnableAll();
    // Shrinks the list to half its height and shows the loading note.
    void ShowLoading();

private:
    HINSTANCE m_resources;
    HWND m_dialog;
    int m_storeId, m_deleteId;
    int m_unknown = 0;
    HICON m_icons[4] = {};
};

} // namespace Quorvane
