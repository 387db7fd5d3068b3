#include "gui/windows/pattern_windows.h"

#include "data/lock.h"
#include "data/pattern.h"
#include "data/song.h"
#include "gui/draw/gui_context.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/edit_step.h"
#include "gui/windows/gui_client.h"
#include "gui/windows/window_globals.h"

#include <algorithm>
#include <cstdio>

namespace Quorvane {

namespace {

constexpr TableColumn kColumns[] = {{"N", 39},     {"T", 26},        {"Name", 130}, {"Sign.", 78},
                                    {"Meas.", 52}, {"Content", 208}, {"Used", 39}};
// The band beside a shown pattern.
constexpr long kPatternBand = 52;

} // namespace

CPattChnWindow::CPattChnWindow()
{
    std::copy(tabPattChnClmn, tabPattChnClmn + 7, columnWidths);
    bkgndColour = &colBkgndPattern;
    topBand = kTableHeader;
}

TableColumns CPattChnWindow::Columns()
{
    // this window never changes its widths
    return {kColumns, columnWidths, nullptr, 7};
}

int CPattChnWindow::InitLocal()
{
    CountPatterns();
    SetShowType(showPattern);
    return 1;
}

void CPattChnWindow::CountPatterns()
{
    numPatterns = song ? song->patterns.GetNumb() : 0;
}

void CPattChnWindow::SetShowType(CPattern *pattern)
{
    showPattern = pattern;
    leftBand = showPattern ? kPatternBand : 0;
    Update(nullptr, 0);
}

void CPattChnWindow::Resize()
{
    if (showPattern) {
        scrollMaxX = scrollMaxY = scrollPageX = scrollPageY = scrollPosX = scrollPosY = 0;
        return;
    }
    CalcScroll(width, columnWidths[0], Columns().ScrolledWidth(), scrollMaxX, scrollPageX, scrollPosX);
    CalcScroll(height, kTableHeader, kTableRow * numPatterns, scrollMaxY, scrollPageY, scrollPosY);
}

void CPattChnWindow::ModifyScrollQuad(long axis, QUAD *quad)
{
    if (axis == 0)
        quad->left = columnWidths[0] + 1;
    else
        quad->top = kTableHeader;
}

void CPattChnWindow::Render(CGUIContext *ctx)
{
    const TableColumns cols = Columns();
    if (showPattern) {
        ctx->DrawHorzGradient(&sharedGradient, 17, 0, 0, width);
        ctx->SelectPen(&sharedPen, 1);
        ctx->DrawLine(0, kTableHeader - 1, width, kTableHeader - 1);
        return;
    }
    cols.DrawHeader(ctx, width, scrollPosX, -1);
    const long first = std::max(scrollPosY / kTableRow, 0L);
    const long last = std::min((scrollPosY + height - kTableHeader) / kTableRow, numPatterns - 1);
    if (last < first || !ctx->SetDrawingQuad(QUAD(0, kTableHeader, width, height)))
        return;
    for (long row = first; row <= last; ++row)
        ctx->DrawHorzGradient(&sharedGradient, 5, columnWidths[0], TableRowTop(row, scrollPosY),
                              width - columnWidths[0]);
    cols.DrawBorders(ctx, kTableHeader, height, scrollPosX);
    char number[16];
    for (long row = first; row <= last; ++row) {
        std::snprintf(number, sizeof number, "%ld", row + 1);
        cols.DrawNumber(ctx, TableRowTop(row, scrollPosY), number, row == selItem);
    }
    cols.CloseNumbers(ctx, kTableHeader, height);
    ctx->ResetDrawingQuad();
}

int CPattChnWindow::OnAddItem()
{
    if (!CanAddItem() || !client || !song)
        return 0;
    auto *pattern = reinterpret_cast<CPattern *>(client->GUICLRequest(PCREQ_NEW_PATTERN, 0, 0));
    if (!pattern)
        return 1;
    {
        // playback reads the pool
        CLock lock(song->GetSyncObj());
        song->patterns.InsertSort(pattern);
        MarkModified(song, client);
    }
    // the new pattern gets its row at once
    CountPatterns();
    OnSize(kTimeMax, kTimeMax);
    Update(nullptr, 0);
    return 1;
}

// --- the pattern track windows

namespace {

// Pattern tracks are laid out in whole bars.
void asPatternTrackWindow(CAbstWindow &window)
{
    window.bkgndColour = &colBkgndPattern;
    window.grid = 0;
}

} // namespace

CPattDrumsWindow::CPattDrumsWindow()
{
    asPatternTrackWindow(*this);
}

CPattMIDIWindow::CPattMIDIWindow()
{
    asPatternTrackWindow(*this);
}

CPattSRWindow::CPattSRWindow()
{
    asPatternTrackWindow(*this);
}

} // namespace Quorvane
