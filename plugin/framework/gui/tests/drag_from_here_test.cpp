#include "plugin/framework/gui/drag_from_here.h"

#include "plugin/framework/gui/tests/gui_test_support.h"
#include "plugin/framework/gui/tests/test_panel.h"

#include "testing/screenshot.h"

#include <gtest/gtest.h>

namespace {

using gui_test::TestRoot;
using namespace Quorvane;

struct Drags {
    void dragged() { ++count; }
    int count = 0;
};

class DragFromHereTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RECT rect{10, 10, 110, 30};
        field.create(rect, &root, "Drag from here");
        field.setColor(0xC8D0D4, false);
        listener = MemberDelegate<Drags>::create(&drags, &Drags::dragged);
    }
    TestRoot root{200, 100};
    DragFromHere field;
    Drags drags;
    RefPtr<Delegate> listener;
};

TEST_F(DragFromHereTest, RightButtonNeverArms)
{
    field.setDragDelegate(listener.get());
    root.press(20, 20, 2);
    EXPECT_FALSE(field.isArmed());
    root.drag(90, 25, ButtonBit::Right);
    root.release(90, 25, 2);
    EXPECT_EQ(drags.count, 0);
}

TEST_F(DragFromHereTest, DragStartsOnePixelPastTheSystemDistanceOnce)
{
    field.setDragDelegate(listener.get());
    const int distance = GetSystemMetrics(SM_CXDRAG);
    root.press(20, 20);
    root.drag(20 + distance, 20);
    EXPECT_EQ(drags.count, 0) << "exactly the distance is no drag";
    root.drag(20 + distance + 1, 20);
    EXPECT_EQ(drags.count, 1);
    root.drag(80, 20);
    EXPECT_EQ(drags.count, 1) << "once per press";
    root.release(80, 20);
    root.move(20, 20);
    root.move(60, 20);
    EXPECT_EQ(drags.count, 1) << "moves without a press start nothing";
}

TEST_F(DragFromHereTest, WithoutDelegateADragOnlyDisarms)
{
    root.press(20, 20);
    EXPECT_TRUE(field.isArmed());
    root.drag(20, 20 + GetSystemMetrics(SM_CYDRAG) + 1);
    EXPECT_FALSE(field.isArmed());
}

TEST_F(DragFromHereTest, PaintsFrameFaceAndCaption)
{
    root.paintAll();
    EXPECT_EQ(root.canvas().pixel(10, 10), 0xFFFFFFu);
    EXPECT_EQ(root.canvas().pixel(12, 12), 0xC8D0D4u);
    EXPECT_TRUE(root.canvas().rowHasOtherThan(20, 11, 109, 0xC8D0D4)) << "the caption";
}

} // namespace

namespace {

using namespace gui_test;

TEST(DragFromHereWindowTest, MovingWithTheButtonHeldStartsTheDrag)
{
    PanelFixture fixture;
    DragFromHere field;
    Drags drags;
    auto listener = MemberDelegate<Drags>::create(&drags, &Drags::dragged);
    fixture.panel.build = [&](TestPanel &panel) {
        field.create(RECT{10, 10, 110, 30}, &panel, "Drag from here");
        field.setColor(0xC8D0D4, false);
        field.setFont(panel.panelFont(), false);
        field.setDragDelegate(listener.get());
    };
    fixture.open();
    ASSERT_TRUE(IsWindow(fixture.panelWindow())) << "windows need a display";
    postMouse(fixture.panelWindow(), WM_LBUTTONDOWN, 30, 20, MK_LBUTTON);
    postMouse(fixture.panelWindow(), WM_MOUSEMOVE, 31, 20, MK_LBUTTON);
    pump();
    EXPECT_EQ(drags.count, 0);
    postMouse(fixture.panelWindow(), WM_MOUSEMOVE, 60, 20, MK_LBUTTON);
    postMouse(fixture.panelWindow(), WM_MOUSEMOVE, 90, 20, MK_LBUTTON);
    postMouse(fixture.panelWindow(), WM_LBUTTONUP, 90, 20);
    pump();
    EXPECT_EQ(drags.count, 1);
    EXPECT_FALSE(testing_support::writeWindowPicture(fixture.panelWindow(), "drag_from_here").empty());
}

} // namespace
