// The layout the table windows share (song tract, song information, SysEx,
// pattern channels): a 21-pixel header strip with a black line under it,
// 26-pixel rows from y 22, a row-number column 0 that stays in place while
// the other columns scroll, and column widths that a window copies from a
// library table when it is made and writes back when the user resizes one.
#pragma once

#include "gui/draw/draw_types.h"

namespace Quorvane {

class CGUIContext;
class CAbstWindow;

constexpr long kTableHeader = 22; // the rows start here
constexpr long kTableRow = 26;

// The top of a row in a table scrolled down by scrollY.
inline long TableRowTop(long row, long scrollY)
{
    return kTableHeader + kTableRow * row - scrollY;
}

// The gesture state of a column resize: these high bits and the column.
constexpr long kColumnResize = static_cast<long>(0xFFFF0000u);
inline int IsColumnResize(long state)
{
    return (static_cast<unsigned long>(state) & 0xFFFF0000u) == 0xFFFF0000u;
}
inline long ResizedColumn(long state)
{
    return static_cast<long>(static_cast<unsigned long>(state) & 0xFFFFu);
}

struct TableColumn {
    const char *caption;
    // 0: not resizable; its left border resizes the column before.
    long minimum;
};

// A window's view of its columns: the captions, its own widths and the
// library table they go back to (null: never written). Column 0 is fixed
// unless firstFixed is 0; the others are scrolled by scrollX.
struct TableColumns {
    const TableColumn *columns;
    long *widths;
    long *shared;
    long count;
    int firstFixed = 1;

    // The first scrolled column, and the width that stays in place.
    long FirstScrolled() const { return firstFixed ? 1 : 0; }
    long FixedWidth() const { return firstFixed ? widths[0] : 0; }

    // The left edge of a column in the window.
    long Left(long column, long scrollX) const;
    long Right(long column, long scrollX) const { return Left(column, scrollX) + widths[column]; }
    // A cell of a table scrolled by scrollX and scrollY.
    QUAD Cell(long row, long column, long scrollX, long scrollY) const
    {
        const long top = TableRowTop(row, scrollY);
        return QUAD(Left(column, scrollX), top, Right(column, scrollX), top + kTableRow);
    }
    // The widths of the scrolled columns together.
    long ScrolledWidth() const;
    // 0 left of a fixed column 0's right edge, else the column by the
    // scrolled edges; -1 past the last.
    long ColumnAt(long x, long scrollX) const;
    // The column whose right border lies at x or x - 1, passed back to the
    // resizable column it belongs to; -1 for none.
    long BorderAt(long x, long scrollX) const;
    // The column's width dragged by dx, not below its minimum, also into
    // the library's table; the change made.
    long Drag(long column, long dx);

    // The header strip across width: its gradient and black line, and each
    // column's caption with its three-line edge; resizing (a column or -1)
    // gets the header's highlight.
    void DrawHeader(CGUIContext *ctx, long width, long scrollX, long resizing) const;
    // Column borders over the rows from y top down to bottom, and the white
    // line right of a fixed column 0.
    void DrawBorders(CGUIContext *ctx, long top, long bottom, long scrollX) const;
    // The row number cell of column 0 (its text right-aligned), selected or
    // not.
    void DrawNumber(CGUIContext *ctx, long rowTop, const char *text, int selected) const;
    // The dark line that closes column 0.
    void CloseNumbers(CGUIContext *ctx, long top, long bottom) const;
};

// The column resize gesture of a table window (its dragState and dragX).
// A press in the header on a column border starts it: the status names the
// column, the mouse is captured and the header repaints; false elsewhere.
bool StartColumnResize(CAbstWindow &window, const TableColumns &cols, long x);
// While resizing, the column follows the pointer and repaints from its left
// edge; false without the gesture.
bool DragColumnResize(CAbstWindow &window, TableColumns &cols, long x);
// The release: the header repaints, the scroll ranges follow the widths,
// the capture and the status go; false without the gesture.
bool EndColumnResize(CAbstWindow &window);

// Repaints a row of a table window, as far as it lies below the header.
void UpdateTableRow(CAbstWindow &window, long row);

// The vertical scroll position that shows a row wholly in a window of
// height (the header included) scrolled to scrollY.
long ScrollToShowRow(long row, long height, long scrollY);

} // namespace Quorvane
