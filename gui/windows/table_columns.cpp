#include "gui/windows/table_columns.h"

#include "gui/draw/gui_context.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/abst_window.h"
#include "gui/windows/gui_client.h"

#include <algorithm>
#include <cstdio>

namespace Quorvane {

namespace {

constexpr unsigned long kAlignCentreMiddle = 5;
constexpr unsigned long kAlignRightMiddle = 6;

// A border between two columns: dark grey, then white.
void drawBorder(CGUIContext *ctx, long x, long top, long bottom)
{
    ctx->SelectPen(&sharedPen, 3);
    ctx->DrawLine(x - 1, top, x - 1, bottom);
    ctx->SelectPen(&sharedPen, 0);
    ctx->DrawLine(x, top, x, bottom);
}

} // namespace

long TableColumns::Left(long column, long scrollX) const
{
    if (firstFixed && column <= 0)
        return 0;
    long left = -scrollX;
    for (long c = 0; c < column && c < count; ++c)
        left += widths[c];
    return left;
}

long TableColumns::ScrolledWidth() const
{
    long sum = 0;
    for (long c = FirstScrolled(); c < count; ++c)
        sum += widths[c];
    return sum;
}

long TableColumns::ColumnAt(long x, long scrollX) const
{
    if (firstFixed && x < widths[0])
        return 0;
    for (long c = FirstScrolled(); c < count; ++c)
        if (x < Right(c, scrollX))
            return c;
    return -1;
}

long TableColumns::BorderAt(long x, long scrollX) const
{
    for (long c = 0; c < count; ++c) {
        const long border = Right(c, scrollX);
        if (c >= FirstScrolled() && border <= FixedWidth())
            continue; // scrolled under column 0 or off the window
        if (x == border - 1 || x == border) {
            while (c > 0 && columns[c].minimum == 0)
                --c;
            return columns[c].minimum > 0 ? c : -1;
        }
    }
    return -1;
}

long TableColumns::Drag(long column, long dx)
{
    if (column < 0 || column >= count)
        return 0;
    const long wanted = std::max(widths[column] + dx, columns[column].minimum);
    const long change = wanted - widths[column];
    widths[column] = wanted;
    if (shared)
        shared[column] = wanted;
    return change;
}

void TableColumns::DrawHeader(CGUIContext *ctx, long width, long scrollX, long resizing) const
{
    ctx->DrawHorzGradient(&sharedGradient, 17, 0, 0, width);
    ctx->SelectPen(&sharedPen, 1);
    ctx->DrawLine(0, kTableHeader - 1, width, kTableHeader - 1);
    ctx->SelectFont(&sharedFont, 0);
    ctx->SelectFontColor(&colBlack);
    for (long c = 0; c < count; ++c) {
        const long left = Left(c, scrollX);
        const long right = left + widths[c];
        // the scrolled columns stay right of a fixed column 0
        const long clipLeft = firstFixed ? widths[0] + 1 : 0;
        if (c >= FirstScrolled() && (right <= FixedWidth() || left >= width ||
                                     !ctx->SetDrawingQuad(QUAD(clipLeft, 0, width, kTableHeader - 2))))
            continue;
        if (c == resizing)
            ctx->DrawHorzGradient(&sharedGradient, 19, left, 0, right - left);
        ctx->DrawTextA(QUAD(left, 0, right, kTableHeader - 1), kAlignCentreMiddle, 2, columns[c].caption, -1);
        ctx->SelectPen(&sharedPen, 3);
        ctx->DrawLine(right - 2, 0, right - 2, kTableHeader - 1);
        ctx->SelectPen(&sharedPen, 1);
        ctx->DrawLine(right - 1, 0, right - 1, kTableHeader - 1);
        ctx->SelectPen(&sharedPen, 0);
        ctx->DrawLine(right, 0, right, kTableHeader - 1);
        if (c >= FirstScrolled())
            ctx->ResetDrawingQuad();
    }
}

void TableColumns::DrawBorders(CGUIContext *ctx, long top, long bottom, long scrollX) const
{
    for (long c = FirstScrolled(); c < count; ++c) {
        const long border = Right(c, scrollX);
        if (border > FixedWidth())
            drawBorder(ctx, border, top, bottom);
    }
    if (!firstFixed)
        return;
    ctx->SelectPen(&sharedPen, 0);
    ctx->DrawLine(widths[0], top, widths[0], bottom);
}

void TableColumns::DrawNumber(CGUIContext *ctx, long rowTop, const char *text, int selected) const
{
    ctx->DrawHorzGradient(&sharedGradient, selected ? 13 : 12, 0, rowTop, widths[0]);
    ctx->SelectFont(&sharedFont, 0);
    ctx->SelectFontColor(selected ? &colWhite : &colBlack);
    ctx->DrawTextA(QUAD(0, rowTop, widths[0], rowTop + kTableRow), kAlignRightMiddle, 4, text, -1);
    ctx->SelectFontColor(&colBlack);
}

void TableColumns::CloseNumbers(CGUIContext *ctx, long top, long bottom) const
{
    ctx->SelectPen(&sharedPen, 3);
    ctx->DrawLine(widths[0] - 1, top, widths[0] - 1, bottom);
}

// --- the column resize gesture

bool StartColumnResize(CAbstWindow &window, const TableColumns &cols, long x)
{
    const long column = cols.BorderAt(x, window.scrollPosX);
    CGUIClient *client = window.client;
    if (column < 0 || !client)
        return false;
    window.dragState = kColumnResize + column;
    window.dragX = x;
    char text[64];
    std::snprintf(text, sizeof text, "Resize '%s'", cols.columns[column].caption);
    client->GUICLSetStatusText(0, text);
    client->GUICLSetCapture(1);
    QUAD header(0, 0, window.width, kTableHeader);
    window.Update(&header, 0);
    return true;
}

bool DragColumnResize(CAbstWindow &window, TableColumns &cols, long x)
{
    if (!IsColumnResize(window.dragState))
        return false;
    const long column = ResizedColumn(window.dragState);
    window.dragX += cols.Drag(column, x - window.dragX);
    const long left = cols.Left(column, window.scrollPosX);
    // a scrolled column repaints only right of the fixed one
    QUAD from(std::max(left, column >= cols.FirstScrolled() ? cols.FixedWidth() : 0L), 0, window.width,
              window.height);
    window.Update(&from, 0);
    return true;
}

bool EndColumnResize(CAbstWindow &window)
{
    if (!IsColumnResize(window.dragState))
        return false;
    window.dragState = 0;
    QUAD header(0, 0, window.width, kTableHeader);
    window.Update(&header, 0);
    window.OnSize(kTimeMax, kTimeMax);
    if (CGUIClient *client = window.client) {
        client->GUICLSetCapture(0);
        client->GUICLClearStatusText(0);
    }
    return true;
}

void UpdateTableRow(CAbstWindow &window, long row)
{
    const long top = TableRowTop(row, window.scrollPosY);
    QUAD q(0, std::max(top, kTableHeader), window.width, top + kTableRow);
    if (q.bottom > q.top)
        window.Update(&q, 0);
}

long ScrollToShowRow(long row, long height, long scrollY)
{
    const long top = kTableRow * row;
    const long page = height - kTableHeader;
    if (top < scrollY)
        return top;
    if (top + kTableRow > scrollY + page)
        return top + kTableRow - page;
    return scrollY;
}

} // namespace Quorvane
