#include "plugin/framework/gui/tests/test_panel.h"

namespace gui_test {

using namespace Quorvane;

TestPanel::~TestPanel()
{
    destroyView();
}

void TestPanel::paintSelf(GraphicsContext &gc)
{
    gc.fillRectInColor(getLocalBounds(), 0xC8D0D4);
}

void TestPanel::initPanel()
{
    DrummerPanel::initPanel();
    if (build)
        build(*this);
}

int TestPanel::toolHitTest(int x, int y)
{
    for (const auto &[area, id] : toolRegions)
        if (area.contains(x, y))
            return id;
    return 0;
}

LRESULT TestPanel::toolText(NMTTDISPINFOA *info)
{
    const auto found = toolTexts.find(static_cast<int>(info->hdr.idFrom));
    if (found == toolTexts.end())
        return 0;
    toolTextBuffer_ = found->second;
    info->lpszText = toolTextBuffer_.data();
    setStatusText(toolTextBuffer_.c_str());
    return 1;
}

void TestPanel::stopTimer()
{
    ++timerStops;
    DrummerPanel::stopTimer();
}

void TestPanel::setLoopIndex(int index)
{
    loopIndices.push_back(index);
    loopThreads.push_back(GetCurrentThreadId());
}

LRESULT TestPanel::windowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    messages.push_back(message);
    if (message == WM_COMMAND)
        commands.push_back(LOWORD(wParam));
    return DrummerPanel::windowProc(message, wParam, lParam);
}

PanelFixture::PanelFixture() = default;

PanelFixture::~PanelFixture()
{
    panel.destroyView();
}

void PanelFixture::open()
{
    const RECT place{10, 10, 10 + TestPanel::kSize.cx, 10 + TestPanel::kSize.cy};
    panel.createView(host.handle(), place);
    pump();
}

} // namespace gui_test
