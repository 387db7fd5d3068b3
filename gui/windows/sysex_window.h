// The song's list of system-exclusive messages as a table: number, name,
// mute mark, output port and the first bytes. The user selects, renames,
// mutes and routes entries, edits their properties, adds, deletes and
// reorders them, and sends one or all to their ports. The host's dialogs
// and in-place editors are reached through the client's requests: 1 the
// name editor (row, QUAD* of the cell), 2 the port chooser (row, QUAD* of
// the cell; the chosen port), 3 the properties dialog (SYSEX* shown,
// SYSEX* to fill; nonzero when confirmed).
#pragma once

#include "gui/windows/abst_window.h"
#include "gui/windows/table_columns.h"

namespace Quorvane {

struct SYSEX;
class CSysEx;

// Requests of the SysEx window.
enum : long { SXREQ_EDIT_NAME = 1, SXREQ_CHOOSE_PORT = 2, SXREQ_PROPERTIES = 3 };

constexpr long kNoSysExItem = 0x0fffffff;

class PANNIKEL_API CSysExWindow : public CAbstWindow {
public:
    CSysExWindow();

    void Resize() override;
    void Render(CGUIContext *ctx) override;
    void ModifyScrollQuad(long axis, QUAD *quad) override;
    // A table of the whole song: no song pointer to show.
    void ShowSongPtr(int, CGUIContext *) override {}
    void UpdateSongPtr(int) override {}
    void OnLButtonDown(long x, long y, int flag1, int flag2) override;
    void OnLButtonDblClk(long x, long y, int flag1, int flag2) override;
    void OnLButtonUp(long x, long y, int flag1, int flag2) override;
    void OnMouseMove(long x, long y, int flag1, int flag2) override;

    int CanAddItem() { return 1; }
    int CanDelItem();
    int CanPropItem();
    int CanMoveItem(int up);
    int CanSend();
    int CanSendAll();
    int CanReceive() { return 0; }
    int OnReceive() { return 0; }
    int OnAddItem();
    int OnDelItem();
    int OnPropItem();
    int OnMoveItem(int up);
    int OnSend();
    int OnSendAll();
    int OnNameChanged(long row, const char *text);
    int OnCancelEditItem(long row);
    void SetEditItem(long row, long column)
    {
        editRow = row;
        editColumn = column;
    }
    int HaveSelection() const;

    // The first ten bytes in hex, and " ..." after them for a longer entry.
    static char *ContentText(const SYSEX &entry, char *text, long size);
    // -1 in the header.
    long GetRow(long y) const;
    // 1 when the entry went to its port, or had nothing to send.
    int SendSysEx(long row);

    // Fields in their order.
    long columnWidths[5];
    long selected = -1;
    long editRow = kNoSysExItem;
    long editColumn = kNoSysExItem;

private:
    CSysEx &List() const;
    TableColumns Columns();
    long RowTop(long row) const { return TableRowTop(row, scrollPosY); }
    QUAD CellQuad(long row, long column);
    void UpdateRow(long row);
    void Select(long row);
    void EnsureVisible(long row);
    void ToggleMute(long row);
    void ChoosePort(long row);
    void DrawRow(CGUIContext *ctx, long row, const TableColumns &cols);
    void SetHoverStatus(long x, long y);
};

} // namespace Quorvane
