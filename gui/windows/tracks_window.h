// The song's track list: one row per track (row r shows the track with id
// r; the master track, row 0, lies under the header) with a fixed number
// column and fourteen scrollable header columns in which the user selects,
// mutes and solos tracks, renames them, picks their output, channel, bank
// and program, drags volume and panning, shifts key and time, adds and
// deletes tracks and opens their editors. Registered under key1 -2; it
// keeps the measures window scrolled to the same rows.
#pragma once

#include "gui/windows/abst_window.h"
#include "gui/windows/window_globals.h"

namespace Quorvane {

class CTrack;

// Columns of the tracks window.
enum : long {
    TRCOL_NUMBER,
    TRCOL_KIND,
    TRCOL_NAME,
    TRCOL_MUTE,
    TRCOL_SOLO,
    TRCOL_USE,
    TRCOL_OUT,
    TRCOL_CHANNEL,
    TRCOL_BANK,
    TRCOL_PROGRAM,
    TRCOL_VOLUME,
    TRCOL_PAN,
    TRCOL_KEY,
    TRCOL_TIME,
    TRCOL_EFFECTS,
};

// Requests of the tracks window to its client.
enum : long {
    TRREQ_NEW_TRACK_KIND = 1,
    TRREQ_OPEN_EDITOR = 2,
    TRREQ_CHORD_PORT = 3,
    TRREQ_PORT = 4,
    TRREQ_CHANNEL = 5,
    TRREQ_BANK = 6,
    TRREQ_PROGRAM = 7,
    TRREQ_EDIT_NAME = 8,
    TRREQ_EDIT_BANK = 9,
    TRREQ_EDIT_KEY = 10,
    TRREQ_EDIT_TIME = 11,
    TRREQ_PROPERTIES = 12,
    TRREQ_SHOW_EFFECTS = 13,
};

// What the properties dialog (request 12) changed.
enum : unsigned long {
    PROP_NAME = 0x1,
    PROP_MUTE = 0x2,
    PROP_SOLO = 0x4,
    PROP_USE = 0x8,
    PROP_PORT = 0x10,
    PROP_CHANNEL = 0x20,
    PROP_BANK = 0x40,
    PROP_BANK_LSB = 0x80,
    PROP_PROGRAM = 0x100,
    PROP_VOLUME = 0x200,
    PROP_PAN = 0x400,
    PROP_KEY = 0x800,
    PROP_TIME = 0x1000,
    PROP_BANK_MODE = 0x80000000,
};

constexpr long kNoEditItem = 0x0fffffff;

class PANNIKEL_API CTracksWindow : public CAbstWindow {
public:
    CTracksWindow();

    void Resize() override;
    void Render(CGUIContext *ctx) override;
    void ModifyScrollQuad(long axis, QUAD *quad) override;
    void OnLButtonDown(long x, long y, int flag1, int flag2) override;
    void OnLButtonDblClk(long x, long y, int flag1, int flag2) override;
    void OnLButtonUp(long x, long y, int flag1, int flag2) override;
    void OnMouseMove(long x, long y, int flag1, int flag2) override;
    void OnMouseWheel(float delta, int vertical) override;

    // 0 for x at or left of column 0's edge, -1 past the last column.
    long GetColumn(long x) const;
    // -1 in the header (y < 49).
    long GetRow(long y) const;
    // The column whose right border is at x (its last pixel or the next
    // column's first), else -1.
    long GetColumnBorder(long x) const;
    // The cell's rectangle; column 15 reaches to the far right. clip:
    // within the visible rows and columns.
    QUAD GetItemQuad(long row, long column, int clip) const;
    // row -2: all below the header; -1: the header and every row from the
    // column's left edge on; row with column -2: that row and all below;
    // column -1: the whole row; else the cell.
    void UpdateTrack(long row, long column, int erase);
    void SetEditItem(long row, long column)
    {
        editRow = row;
        editColumn = column;
    }
    // Scrolls this window and the measures window to show the row.
    void EnsureVisible(long row);

    // The host's in-place editors and dialogs end here. Unless force, an
    // unchanged value does nothing.
    void OnNameChanged(CTrack *track, const char *text);
    int OnBankChanged(CTrack *track, long value, int force);
    int OnProgChanged(CTrack *track, long value, int force);
    int OnVolChanged(CTrack *track, long value, int force);
    int OnPanChanged(CTrack *track, long value, int force);
    int OnKeyPlChanged(CTrack *track, long value, int force);
    int OnTimePlChanged(CTrack *track, long value, int force);
    void OnCancelEditItem(CTrack *track);
    // A track of the kind at the row (-1: after the last); 0 when the song
    // refused it.
    int OnAddNewTrack(long kind, long row);
    int OnDeleteSelTracks();
    void OnTrackProperties();

    // The selection gesture of the number column: flag2 a range up to the
    // nearest selected track above, flag1 a toggle, else only this track.
    void SelectTrack(CTrack *track, int flag1, int flag2);

    // Fields in their order.
    long columnWidths[kTracksColumns];
    long editRow = kNoEditItem;
    long editColumn = kNoEditItem;
    // The dragged value as it was at the press.
    long pressValue = 0;

private:
    long ColumnLeft(long column) const;
    long ContentWidth() const;
    long RowCount() const;
    long RowTop(long row) const { return 22 + 26 * row - scrollPosY; }
    void FillHeader(CGUIContext *ctx);
    void DrawRow(CGUIContext *ctx, CTrack *track);
    void DrawCell(CGUIContext *ctx, CTrack *track, long column, QUAD cell);
    void DrawNumbers(CGUIContext *ctx);
    void DrawSlider(CGUIContext *ctx, QUAD cell, long value, long gradient);
    void DrawUpDown(CGUIContext *ctx, QUAD cell, long value);
    void DrawDisabled(CGUIContext *ctx, QUAD cell);
    long ResizableColumnLeftOf(long column) const;
    void EditHeader(long x, long column);
    void OnPressSlider(CTrack *track, long row, long column);
    void OnPressUpDown(CTrack *track, long row, long column, long x);
    void EditSlider(CTrack *track, long x);
    void EditUpDown(CTrack *track, long y);
    long SliderEnd(QUAD cell, long value) const;
    long ClampShift(const CTrack *track, long column, long value) const;
    void OnPressCell(CTrack *track, long row, long column, long x, int flag1, int flag2);
    void SetTrackSelection(CTrack *track, int on);
    void EndGesture();
    void ScrollBoth(long dy);
    void CopyProperties(CTrack *from, CTrack *to, unsigned long mask);
    // Stores a setting (a column's) and sends and shows it.
    int ChangeSetting(CTrack *track, long column, long value, int force);
};

} // namespace Quorvane
