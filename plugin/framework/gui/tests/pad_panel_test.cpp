#include "plugin/framework/gui/pad_panel.h"

#include "plugin/framework/gui/tests/gui_test_support.h"
#include "plugin/framework/gui/tests/test_panel.h"

#include "testing/screenshot.h"

#include <gtest/gtest.h>

namespace {

using gui_test::TestRoot;
using namespace Quorvane;

struct Pads {
    void clicked(int index) { indices.push_back(index); }
    std::vector<int> indices;
};

TEST(PadPanelTest, TenPadsInOneLine)
{
    TestRoot root(400, 50);
    PadPanel panel(10, 1);
    panel.setBounds(&root, {0, 0, 305, 20});
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(panel.pad(i).getText(), std::to_string((i + 1) % 10));
        EXPECT_EQ(panel.pad(i).bounds(), (Rect{30 * i, 0, 30, 20})) << i;
    }
    EXPECT_EQ(panel.pad(9).getText(), "0");
    root.paintAll();
    EXPECT_EQ(root.canvas().pixel(30, 0), 0xFFFFFFu) << "pads are always framed";
}

TEST(PadPanelTest, GridLayouts)
{
    const struct {
        int pads;
        int lines;
        Rect area;
        int probe;
        Rect expected;
    } cases[] = {
        {10, 3, {0, 0, 80, 30}, 9, {20, 20, 20, 10}}, // 4 per line, the third line holds 2
        {10, 3, {0, 0, 80, 30}, 8, {0, 20, 20, 10}},  {10, 2, {0, 0, 100, 40}, 5, {0, 20, 20, 20}},
        {10, 0, {0, 0, 100, 40}, 9, {90, 0, 10, 40}}, // no lines: one
        {10, -3, {0, 0, 100, 40}, 0, {0, 0, 10, 40}},
    };
    for (const auto &c : cases) {
        TestRoot root;
        PadPanel panel(c.pads, c.lines);
        panel.setBounds(&root, c.area);
        EXPECT_EQ(panel.pad(c.probe).bounds(), c.expected)
            << c.pads << " in " << c.lines << ", pad " << c.probe;
    }
}

TEST(PadPanelTest, ClicksAndTheCurrentPad)
{
    TestRoot root(400, 50);
    PadPanel panel(10, 1);
    panel.setBounds(&root, {0, 0, 300, 20});
    root.press(45, 10);
    root.release(45, 10); // nobody listens yet
    Pads pads;
    auto listener = MemberDelegate<Pads, int>::create(&pads, &Pads::clicked);
    panel.setPadListener(listener.get());
    root.press(45, 10);
    root.release(45, 10);
    root.press(295, 10);
    root.release(295, 10);
    EXPECT_EQ(pads.indices, (std::vector<int>{1, 9}));
    panel.setCurrentPad(3);
    EXPECT_TRUE(panel.pad(3).isSelected());
    panel.setCurrentPad(10);
    for (int i = 0; i < 10; ++i)
        EXPECT_FALSE(panel.pad(i).isSelected());
}

TEST(PadPanelTest, LaidOutAgainThePadsStayOnce)
{
    TestRoot root;
    PadPanel panel(4, 1);
    panel.setBounds(&root, {0, 0, 40, 10});
    panel.Pane::setBounds(nullptr, {0, 0, 80, 10});
    panel.setBounds(nullptr, {0, 0, 80, 10});
    EXPECT_EQ(panel.children()->size(), 4u);
    EXPECT_EQ(panel.pad(3).bounds(), (Rect{60, 0, 20, 10}));
}

} // namespace

namespace {

using namespace gui_test;

TEST(PadPanelWindowTest, RealClicksChoosePads)
{
    PanelFixture fixture;
    PadPanel pads(10, 1);
    Pads heard;
    auto listener = MemberDelegate<Pads, int>::create(&heard, &Pads::clicked);
    fixture.panel.build = [&](TestPanel &panel) {
        pads.setBounds(&panel, {10, 10, 400, 24});
        pads.setPadListener(listener.get());
    };
    fixture.open();
    ASSERT_TRUE(IsWindow(fixture.panelWindow())) << "windows need a display";
    for (int x : {25, 385}) {
        postMouse(fixture.panelWindow(), WM_MOUSEMOVE, x, 20);
        postMouse(fixture.panelWindow(), WM_LBUTTONDOWN, x, 20, MK_LBUTTON);
        postMouse(fixture.panelWindow(), WM_LBUTTONUP, x, 20);
    }
    postMouse(fixture.panelWindow(), WM_RBUTTONDOWN, 65, 20, MK_RBUTTON); // the right button picks nothing
    postMouse(fixture.panelWindow(), WM_RBUTTONUP, 65, 20);
    pump();
    EXPECT_EQ(heard.indices, (std::vector<int>{0, 9}));
    pads.setCurrentPad(0);
    EXPECT_FALSE(testing_support::writeWindowPicture(fixture.panelWindow(), "pad_panel").empty());
}

} // namespace
