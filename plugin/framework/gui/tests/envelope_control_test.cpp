#include "plugin/framework/gui/envelope_control.h"

#include "plugin/framework/drums/velocity_envelope.h"
#include "plugin/framework/gui/tests/gui_test_support.h"
#include "plugin/framework/gui/tests/test_panel.h"

#include "testing/screenshot.h"

#include <gtest/gtest.h>

namespace {

using gui_test::TestRoot;
using namespace Quorvane;

struct Heard {
    void changed(const EnvelopeControl::ChangedArgs &args)
    {
        kinds.push_back(args.kind);
        texts.push_back(args.text ? args.text : "");
    }
    std::vector<int> kinds;
    std::vector<std::string> texts;
};

class EnvelopeControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A plot of 200 x 200 at (4, 4).
        control.setBounds(&root, {0, 0, 208, 208});
        envelope.setAbsolute(1);
        envelope.setPoint(0, 0, 127);
        envelope.setPoint(1, 481, 65); // between pixels: it does not map back to itself
        envelope.setPoint(2, 959, 20);
        control.setEnvelope(&envelope);
        listener =
            MemberDelegate<Heard, const EnvelopeControl::ChangedArgs &>::create(&heard, &Heard::changed);
        control.addListener(listener.get());
    }
    TestRoot root{220, 220};
    VelocityEnvelope envelope;
    EnvelopeControl control;
    Heard heard;
    RefPtr<Delegate1<const EnvelopeControl::ChangedArgs &>> listener;
};

TEST_F(EnvelopeControlTest, PointsMapOntoThePlot)
{
    EXPECT_EQ(control.plot(), (Rect{4, 4, 200, 200}));
    EXPECT_EQ(control.handle(0), (Point{4, 4})) << "127 on the top row";
    EXPECT_EQ(control.handle(1), (Point{104, 4 + 62 * 200 / 126}));
    root.paintAll();
    EXPECT_EQ(root.canvas().pixel(4, 4), 0xC8D0D4u) << "the handle's inside";
    EXPECT_EQ(root.canvas().pixel(1, 1), 0xFFFFFFu) << "its frame";
    EXPECT_EQ(root.canvas().pixel(150, 190), 0x9CE4D4u) << "plot of an envelope that is on";
}

TEST_F(EnvelopeControlTest, PointDraggedToTheBottomRowTakesTwo)
{
    root.press(4, 4);
    EXPECT_TRUE(control.isDragging());
    root.drag(4, 203);
    EXPECT_EQ(envelope.value(0), 2) << "127 - 126 * 199 / 200";
    root.release(4, 203);
    ASSERT_FALSE(heard.kinds.empty());
    EXPECT_EQ(heard.kinds.front(), EnvelopeControl::Dragged);
    EXPECT_EQ(heard.texts.front(), "Velocity Envelope: velo = 2");
    EXPECT_EQ(heard.kinds.back(), EnvelopeControl::DragEnded);
    EXPECT_EQ(envelope.value(1), 65) << "the other points stay exact";
    EXPECT_EQ(envelope.position(1), 481);
}

TEST_F(EnvelopeControlTest, PointStopsBeforeItsNeighbourAndWaitsForThePointer)
{
    const Point middle = control.handle(1);
    const Point last = control.handle(2);
    root.press(middle.x, middle.y);
    root.drag(last.x + 20, middle.y);
    EXPECT_EQ(control.handle(1).x, last.x - 1);
    root.drag(last.x + 10, middle.y); // back, but not yet past where it stopped
    EXPECT_EQ(control.handle(1).x, last.x - 1);
    root.drag(last.x - 1, middle.y);
    EXPECT_EQ(control.handle(1).x, last.x - 1);
    root.drag(last.x - 11, middle.y);
    EXPECT_EQ(control.handle(1).x, last.x - 11);
    root.drag(middle.x, middle.y - 500);
    EXPECT_EQ(control.handle(1).y, 4) << "the top row at most";
    root.release(middle.x, middle.y - 500);
}

TEST_F(EnvelopeControlTest, PressFourPixelsAwayDragsTheCurve)
{
    const Point first = control.handle(0);
    const Point middle = control.handle(1);
    root.press(middle.x + 3, middle.y + 3); // within the handle's square
    root.drag(middle.x + 3, middle.y + 13);
    EXPECT_EQ(control.handle(0), first) << "a point drag moves one point";
    root.release(middle.x + 3, middle.y + 13);

    control.refresh();
    const Point moved = control.handle(1);
    root.press(moved.x + 4, moved.y);
    root.drag(moved.x + 4, moved.y + 10);
    EXPECT_EQ(control.handle(0).y, first.y + 10) << "a curve drag moves them all";
    EXPECT_EQ(control.handle(1).y, moved.y + 10);
    root.release(moved.x + 4, moved.y + 10);
}

TEST_F(EnvelopeControlTest, CurveMovesAsAWholeWithinThePlot)
{
    envelope.setPoint(0, 0, 100);
    control.refresh();
    const Point before[3] = {control.handle(0), control.handle(1), control.handle(2)};
    root.press(50, 150);
    root.drag(50, 130); // 20 pixels up
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(control.handle(i).y, before[i].y - 20) << i;
    EXPECT_EQ(heard.texts.back(), "Velocity Envelope: velo change = +12");
    root.drag(50, -500); // far up: the highest point stops on the top row
    EXPECT_EQ(control.handle(0).y, 4);
    root.release(50, -500);
    EXPECT_EQ(envelope.value(0), 127);
}

TEST_F(EnvelopeControlTest, MenuSwitchesModesAndIgnoresTheModeInForce)
{
    root.menuAnswer = EnvelopeControl::kMenuAbsolute;
    root.press(150, 150, 2);
    root.release(150, 150, 2);
    ASSERT_EQ(root.lastMenu.size(), 4u);
    EXPECT_EQ(root.lastMenu[0].text, "Disable");
    EXPECT_EQ(root.lastMenu[0].id, 999);
    EXPECT_EQ(root.lastMenu[1].text, "");
    EXPECT_EQ(root.lastMenu[1].id, 0);
    EXPECT_EQ(root.lastMenu[2].text, "Velo+");
    EXPECT_FALSE(root.lastMenu[2].flags & MF_CHECKED);
    EXPECT_TRUE(root.lastMenu[3].flags & MF_CHECKED);
    EXPECT_EQ(root.lastMenuRect.topLeft(), (Point{150, 150}));
    EXPECT_TRUE(heard.kinds.empty()) << "already absolute: nothing";

    root.menuAnswer = EnvelopeControl::kMenuRelative;
    root.press(150, 150, 2);
    root.release(150, 150, 2);
    EXPECT_FALSE(envelope.isAbsolute());
    EXPECT_EQ(heard.kinds, (std::vector<int>{EnvelopeControl::MenuChanged}));
    EXPECT_EQ(control.valueRange(), 2 * envelope.range());

    root.menuAnswer = EnvelopeControl::kMenuToggle;
    root.press(150, 150, 2);
    root.release(150, 150, 2);
    EXPECT_FALSE(envelope.isOn());
    root.paintAll();
    EXPECT_EQ(root.canvas().pixel(150, 190), 0x81B3A8u);
    root.menuAnswer = 0;
    root.press(150, 150, 2);
    root.release(150, 150, 2);
    EXPECT_EQ(root.lastMenu[0].text, "Enable");
    EXPECT_EQ(heard.kinds.size(), 2u) << "a dismissed menu changes nothing";
}

TEST_F(EnvelopeControlTest, RelativeModeDrawsTheZeroLine)
{
    envelope.setAbsolute(0);
    control.refresh();
    root.paintAll();
    // Value 0 sits in the middle of a range of +-64.
    const int zero = 4 + 200 * envelope.range() / (2 * envelope.range());
    EXPECT_EQ(root.canvas().pixel(150, zero), 0x75AB9Fu);
}

TEST(EnvelopeControlEdgeTest, NothingToDragWithoutRangeOrRoom)
{
    TestRoot root(100, 100);
    VelocityEnvelope envelope; // relative
    envelope.setRange(0);
    EnvelopeControl control;
    control.setBounds(&root, {0, 0, 60, 60});
    control.setEnvelope(&envelope);
    root.press(10, 10);
    EXPECT_FALSE(control.isDragging());
    root.release(10, 10);
    root.paintAll();

    VelocityEnvelope other;
    EnvelopeControl tiny;
    tiny.setBounds(&root, {70, 70, 8, 8}); // a plot of 0 x 0
    tiny.setEnvelope(&other);
    root.press(74, 74);
    EXPECT_FALSE(tiny.isDragging());
    root.release(74, 74);
    root.paintAll();
}

} // namespace

namespace {

using namespace gui_test;

// Shows the envelope editor's news in the panel's status line.
struct StatusLine {
    void changed(const EnvelopeControl::ChangedArgs &args)
    {
        if (args.text)
            panel->setStatusText(args.text);
        kinds.push_back(args.kind);
    }
    TestPanel *panel;
    std::vector<int> kinds;
};

class EnvelopeWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        envelope.setAbsolute(1);
        envelope.setPoint(0, 0, 100);
        envelope.setPoint(1, 480, 64);
        envelope.setPoint(2, 959, 20);
        fixture.panel.build = [this](TestPanel &panel) {
            control.setBounds(&panel, {20, 20, 208, 208});
            control.setEnvelope(&envelope);
            panel.statusControl().create(TextControl::kSunkenFrame, {0, 280, 420, 20}, &panel);
            status.panel = &panel;
            listener = MemberDelegate<StatusLine, const EnvelopeControl::ChangedArgs &>::create(
                &status, &StatusLine::changed);
            control.addListener(listener.get());
        };
        fixture.open();
        ASSERT_TRUE(IsWindow(fixture.panelWindow())) << "windows need a display";
    }
    HWND window() const { return fixture.panelWindow(); }
    Point onPanel(Point local) const { return {local.x + 20, local.y + 20}; }

    PanelFixture fixture;
    VelocityEnvelope envelope;
    EnvelopeControl control;
    StatusLine status;
    RefPtr<Delegate1<const EnvelopeControl::ChangedArgs &>> listener;
};

TEST_F(EnvelopeWindowTest, PointDragShowsItsValueAndLeavesTheCursorOnThePoint)
{
    const int shown = pointerCount();
    const Point middle = onPanel(control.handle(1));
    postMouse(window(), WM_LBUTTONDOWN, middle.x, middle.y, MK_LBUTTON);
    pump();
    EXPECT_LT(pointerCount(), 0) << "hidden while dragging";
    postMouse(window(), WM_MOUSEMOVE, middle.x, middle.y - 40, MK_LBUTTON);
    pump();
    EXPECT_EQ(fixture.panel.statusControl().text(), "Velocity Envelope: velo = 90");
    EXPECT_EQ(envelope.value(1), 90);
    postMouse(window(), WM_LBUTTONUP, middle.x + 7, middle.y - 40);
    pump();
    EXPECT_EQ(pointerCount(), shown);
    EXPECT_EQ(status.kinds.back(), EnvelopeControl::DragEnded);
    POINT cursor{};
    GetCursorPos(&cursor);
    POINT expected{middle.x, middle.y - 40};
    ClientToScreen(window(), &expected);
    EXPECT_EQ(cursor.x, expected.x) << "the cursor is put back on the point";
    EXPECT_EQ(cursor.y, expected.y);
}

TEST_F(EnvelopeWindowTest, CurveDragShowsTheChange)
{
    postMouse(window(), WM_LBUTTONDOWN, 70, 170, MK_LBUTTON);
    postMouse(window(), WM_MOUSEMOVE, 70, 150, MK_LBUTTON);
    pump();
    EXPECT_EQ(fixture.panel.statusControl().text(), "Velocity Envelope: velo change = +12");
    postMouse(window(), WM_LBUTTONUP, 70, 150);
    pump();
    EXPECT_EQ(envelope.value(2), 34);
}

TEST_F(EnvelopeWindowTest, MenuThroughThePanel)
{
    PopupAnswer answer([](const std::vector<MenuItem> &menu) { return static_cast<int>(menu[2].id); });
    postMouse(window(), WM_RBUTTONDOWN, 100, 100, MK_RBUTTON);
    postMouse(window(), WM_RBUTTONUP, 100, 100);
    pump();
    ASSERT_EQ(answer.menus.size(), 1u);
    const std::vector<MenuItem> &menu = answer.menus[0];
    ASSERT_EQ(menu.size(), 4u);
    EXPECT_EQ(menu[0].text, "Disable");
    EXPECT_TRUE(menu[1].state & MF_SEPARATOR);
    EXPECT_EQ(menu[2].text, "Velo+");
    EXPECT_TRUE(menu[3].state & MF_CHECKED);
    EXPECT_FALSE(envelope.isAbsolute()) << "Velo+ chosen";
    EXPECT_EQ(status.kinds, (std::vector<int>{EnvelopeControl::MenuChanged}));
    EXPECT_FALSE(testing_support::writeWindowPicture(window(), "envelope").empty());
}

} // namespace
