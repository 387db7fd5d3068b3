// The song's five information texts (title, subtitle, author, copyright,
// comments) as a two-column table. The user resizes the columns and edits
// a text in place: a double click on it asks the host (request 1: the
// row, the QUAD* of the cell) to open its editor there, which answers with
// OnItemChanged or OnCancelEditItem.
#pragma once

#include "gui/windows/abst_window.h"
#include "gui/windows/table_columns.h"

namespace Quorvane {

// Request of the song information window: edit a text in place.
enum : long { SIREQ_EDIT_TEXT = 1 };

constexpr long kNoInfoItem = 0x0fffffff;

class PANNIKEL_API CSongInfoWindow : public CAbstWindow {
public:
    CSongInfoWindow();

    void Resize() override;
    void Render(CGUIContext *ctx) override;
    void ShowCursor(int, CGUIContext *) override {}
    void ShowSongPtr(int, CGUIContext *) override {}
    void OnLButtonDown(long x, long y, int flag1, int flag2) override;
    void OnLButtonDblClk(long x, long y, int flag1, int flag2) override;
    void OnLButtonUp(long x, long y, int flag1, int flag2) override;
    void OnMouseMove(long x, long y, int flag1, int flag2) override;
    void OnMouseWheel(float, int) override {}
    void UpdateChords(long) override {}
    void UpdateSongPtr(int) override {}

    void SetEditItem(long row) { editItem = row; }
    // The host's editor closed with a text: stored when it differs. 1
    // unless it could not be stored.
    int OnItemChanged(long row, const char *text);
    void OnCancelEditItem(long row);

    // -1 in the header, -2 below the last row.
    long GetRow(long y) const;

    long columnWidths[2];
    long editItem = kNoInfoItem;

private:
    TableColumns Columns();
    QUAD GetItemQuad(long row, long column);
    void EnsureVisible(long row);
    void SetHoverStatus(long x, long y);
};

} // namespace Quorvane
