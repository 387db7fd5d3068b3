#include "gui/windows/tests/test_window.h"

#include "gui/draw/gui_context.h"
#include "gui/draw/shared_objects.h"

namespace windows_test {

using namespace Quorvane;

TestWindow::TestWindow(std::vector<std::string> *calls, const char *windowName) : log(calls), name(windowName)
{
    bkgndColour = &colWhite;
    leftBand = 40;
    topBand = 20;
    rightMargin = 10;
    bottomMargin = 10;
}

int TestWindow::InitLocal()
{
    if (log)
        log->push_back(name + " init");
    return initResult;
}

void TestWindow::DestroyLocal()
{
    ++destroyLocalCalls;
}

void TestWindow::Resize()
{
    CalcScroll(width, leftBand + rightMargin, contentWidth, scrollMaxX, scrollPageX, scrollPosX);
    CalcScroll(height, topBand + bottomMargin, contentHeight, scrollMaxY, scrollPageY, scrollPosY);
}

// The bands are white like the data area.
void TestWindow::Render(CGUIContext *ctx)
{
    ++renders;
    ctx->FillQuad(QUAD(0, 0, width, topBand), &colWhite);
    ctx->FillQuad(QUAD(0, 0, leftBand, height), &colWhite);
    ctx->FillQuad(QUAD(width - rightMargin, 0, width, height), &colWhite);
    ctx->FillQuad(QUAD(0, height - bottomMargin, width, height), &colWhite);
}

void TestWindow::OnTimer()
{
    if (log)
        log->push_back(name + " timer");
}

void TestWindow::UpdateSongPtr(int ensureVisible)
{
    if (log)
        log->push_back(name + " songptr");
    CAbstWindow::UpdateSongPtr(ensureVisible);
}

void TestWindow::UpdateChords(long time)
{
    if (log)
        log->push_back(name + " chords " + std::to_string(time));
}

void TestWindow::ShowCursor(int, CGUIContext *)
{
    ++cursorCalls;
    if (bandOn)
        DrawFrame(band, QUAD(0, 0, width, height), nullptr, 1);
    else if (dragState)
        ShowFrame();
}

} // namespace windows_test
