#include "plugin/framework/gui/sliders.h"

#include "plugin/framework/gui/tests/gui_test_support.h"
#include "plugin/framework/gui/tests/test_panel.h"
#include "plugin/framework/gui/tests/gui_tests_resources.h"

#include "testing/screenshot.h"

#include <gtest/gtest.h>

namespace {

using gui_test::TestRoot;
using namespace Quorvane;
namespace Id = EventId;

struct Told {
    void told(bool going) { values.push_back(going); }
    std::vector<bool> values;
};

KeyEvent typed(char c)
{
    KeyEvent e(Id::KeyTyped);
    e.keyCode = c;
    return e;
}

class FlatSliderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        track = RefPtr<OpaqueBitmap>::adopt(OpaqueBitmap::load(MAKEINTRESOURCEA(IDB_TEST_SLIDER_TRACK)));
        thumb = RefPtr<OpaqueBitmap>::adopt(OpaqueBitmap::load(MAKEINTRESOURCEA(IDB_TEST_SLIDER_THUMB)));
        focused = RefPtr<OpaqueBitmap>::adopt(OpaqueBitmap::load(MAKEINTRESOURCEA(IDB_TEST_SLIDER_FOCUSED)));
        listener = MemberDelegate<Told, bool>::create(&told, &Told::told);
    }
    TestRoot root{200, 60};
    RefPtr<OpaqueBitmap> track, thumb, focused;
    Told told;
    RefPtr<Delegate1<bool>> listener;
};

TEST_F(FlatSliderTest, ThumbSitsWhereTheValueSays)
{
    FlatSlider slider;
    slider.create({10, 10, 0, 0}, &root, 1, track.get(), focused.get(), thumb.get());
    EXPECT_EQ(slider.bounds(), (Rect{10, 10, 100, 12})) << "sized to its background";
    slider.setRange(0, 92);
    slider.setValue(46);
    root.paintAll();
    // Free space 100 - 8 = 92: value 46 puts the thumb's left edge at 46.
    EXPECT_EQ(slider.thumbCentre(), (Point{50, 6}));
    EXPECT_EQ(root.canvas().pixel(10 + 46, 15), 0x0000FFu);
    EXPECT_EQ(root.canvas().pixel(10 + 45, 15), 0x808080u);
    root.windowFocus = true;
    slider.requestFocus();
    root.paintAll();
    EXPECT_EQ(root.canvas().pixel(10 + 46, 15), 0xFF0000u) << "the focused thumb";
}

TEST_F(FlatSliderTest, VerticalSliderPutsLargeValuesHigh)
{
    FlatSlider slider(true);
    slider.create({10, 10, 12, 100}, &root, 1, nullptr, thumb.get(), nullptr);
    slider.setRange(0, 100);
    slider.setValue(100);
    root.paintAll();
    EXPECT_EQ(slider.thumbCentre().y, 6) << "at the top";
}

TEST_F(FlatSliderTest, DragFollowsThePointerAndClamps)
{
    FlatSlider slider;
    slider.create({0, 0, 0, 0}, &root, 1, track.get(), thumb.get(), nullptr);
    slider.setRange(0, 50);
    slider.setListener(listener.get());
    slider.setValue(10);
    root.press(20, 5);
    root.drag(40, 5); // 20 of 100 pixels: 10 of the range
    EXPECT_EQ(slider.value(), 20);
    root.drag(400, 5);
    EXPECT_EQ(slider.value(), 50);
    root.release(400, 5);
    EXPECT_EQ(told.values, (std::vector<bool>{true, true, false}));
}

TEST_F(FlatSliderTest, KeyStepThatChangesNothingTellsNobody)
{
    FlatSlider slider;
    slider.create({0, 0, 0, 0}, &root, 1, track.get(), thumb.get(), nullptr);
    slider.setRange(0, 5);
    slider.setListener(listener.get());
    slider.setValue(5);
    for (char c : {'+', ';', '=', '^'}) {
        KeyEvent e = typed(c);
        slider.dispatchEvent(e);
    }
    EXPECT_EQ(slider.value(), 5);
    EXPECT_TRUE(told.values.empty());
    KeyEvent minus = typed('_');
    slider.dispatchEvent(minus);
    EXPECT_EQ(slider.value(), 4);
    EXPECT_EQ(told.values, (std::vector<bool>{true}));
}

TEST_F(FlatSliderTest, NoTrackMovesNothing)
{
    // A slider of no width: no pointer lands on it, but its events may
    // still come straight to it.
    FlatSlider slider;
    slider.create({0, 0, 0, 10}, &root, 1, nullptr, thumb.get(), nullptr);
    slider.setRange(0, 100);
    slider.setValue(7);
    for (int id : {Id::MousePressed, Id::MouseDragged, Id::MouseReleased}) {
        MouseEvent e(id);
        e.button = id == Id::MouseDragged ? 0 : 1;
        e.x = id == Id::MousePressed ? 0 : 50;
        slider.dispatchEvent(e);
    }
    EXPECT_EQ(slider.value(), 7);
    root.paintAll();
}

class TwinSliderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        slider.setBounds(&root, {0, 0, 813, 20}); // a track of 800 pixels
        slider.setRange(0, 800);
        slider.setEnd(800);
    }
    TestRoot root{900, 40};
    TwinSlider slider;
};

TEST_F(TwinSliderTest, StartAndEndStayApart)
{
    slider.setStart(800);
    EXPECT_EQ(slider.low(), 799);
    EXPECT_EQ(slider.high(), 800);
    slider.setEnd(0);
    EXPECT_EQ(slider.high(), 1);
    EXPECT_EQ(slider.low(), 0);
    slider.setRange(5, 2);
    EXPECT_EQ(slider.minimum(), 0);
    EXPECT_EQ(slider.maximum(), 1);
}

TEST_F(TwinSliderTest, UnitRangeCannotMove)
{
    slider.setRange(0, 1);
    slider.setStart(0);
    slider.setEnd(1);
    root.press(6, 10);
    root.drag(400, 10);
    root.release(400, 10);
    EXPECT_EQ(slider.low(), 0);
    EXPECT_EQ(slider.high(), 1);
}

TEST_F(TwinSliderTest, RightButtonDragsAnEighthAsFar)
{
    root.press(6, 10, 1); // the low handle
    EXPECT_EQ(slider.draggedHandle(), 1);
    root.drag(86, 10);
    EXPECT_EQ(slider.low(), 80);
    root.release(86, 10, 1);
    root.press(86, 10, 2);
    root.drag(166, 10, ButtonBit::Right);
    EXPECT_EQ(slider.low(), 90);
    root.release(166, 10, 2);
    EXPECT_EQ(slider.draggedHandle(), 0);
}

TEST_F(TwinSliderTest, SmallMovesAccumulateUntilTheValueChanges)
{
    slider.setRange(0, 80); // 10 pixels per step
    slider.setEnd(80);
    root.press(6, 10);
    for (int x = 7; x <= 15; ++x)
        root.drag(x, 10);
    EXPECT_EQ(slider.low(), 0);
    root.drag(16, 10);
    EXPECT_EQ(slider.low(), 1);
    root.release(16, 10);
}

TEST_F(TwinSliderTest, PointerHiddenOnlyWhileDragging)
{
    const int shown = gui_test::pointerCount();
    root.press(6, 10, 2);
    EXPECT_LT(gui_test::pointerCount(), 0);
    root.drag(100, 10, ButtonBit::Right);
    root.release(100, 10, 2);
    EXPECT_GE(gui_test::pointerCount(), 0);
    EXPECT_EQ(gui_test::pointerCount(), shown);
    root.press(6, 10);
    root.mouse(Id::MouseExited, 900, 10);
    EXPECT_EQ(slider.draggedHandle(), 0) << "leaving the slider ends the drag";
    EXPECT_GE(gui_test::pointerCount(), 0);
}

TEST_F(TwinSliderTest, HandlesArePaintedAtTheirPoints)
{
    slider.setStart(200);
    slider.setEnd(600);
    root.paintAll();
    const Point low = slider.pointOf(200);
    EXPECT_EQ(low, (Point{206, 10}));
    EXPECT_EQ(root.canvas().pixel(low.x - 7, low.y - 4), 0xFFFFFFu) << "the low box's top-left";
    EXPECT_EQ(root.canvas().pixel(low.x, low.y + 3), 0x808080u) << "its bottom-right";
    const Point high = slider.pointOf(600);
    EXPECT_EQ(root.canvas().pixel(high.x, high.y - 4), 0xFFFFFFu);
    EXPECT_EQ(root.canvas().pixel(high.x + 3, high.y), 0xC8D0D4u);
}

TEST(TwinSliderEdgeTest, NoTrackMovesNothing)
{
    TestRoot root;
    TwinSlider slider;
    slider.setBounds(&root, {0, 0, 13, 20});
    slider.setRange(0, 100);
    slider.setEnd(50);
    root.press(2, 10);
    root.drag(12, 10);
    root.release(12, 10);
    EXPECT_EQ(slider.low(), 0);
    root.paintAll();
}

class DoubleSliderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        slider.setBounds(&root, {0, 0, 811, 811}); // an area of 800 x 800
        slider.setFirstRange(0, 800);
        slider.setSecondRange(0, 800);
        listener = MemberDelegate<Told, bool>::create(&told, &Told::told);
        slider.setListener(listener.get());
    }
    TestRoot root{820, 820};
    DoubleSlider slider;
    Told told;
    RefPtr<Delegate1<bool>> listener;
};

TEST_F(DoubleSliderTest, InvertedRangesBecomeEmpty)
{
    slider.setFirstRange(10, 5);
    slider.setSecondRange(3, -3);
    slider.setFirstValue(7);
    slider.setSecondValue(-2);
    EXPECT_EQ(slider.firstValue(), 0);
    EXPECT_EQ(slider.secondValue(), 0);
    root.press(400, 400);
    root.drag(500, 300);
    root.release(500, 300);
    EXPECT_EQ(slider.firstValue(), 0);
}

TEST_F(DoubleSliderTest, KnobFollowsBothAxesAndRightButtonIsSlow)
{
    const Point start = slider.knobPoint();
    EXPECT_EQ(start, (Point{5, 805})) << "values 0, 0 at the bottom left";
    // Drags move the knob from where it stands: press on it.
    root.press(5, 805);
    root.drag(85, 725);
    EXPECT_EQ(slider.firstValue(), 80);
    EXPECT_EQ(slider.secondValue(), 80) << "up is larger";
    root.release(85, 725);
    EXPECT_EQ(told.values, (std::vector<bool>{true, false}));
    root.press(85, 725, 2);
    root.drag(165, 645, ButtonBit::Right);
    EXPECT_EQ(slider.firstValue(), 90);
    EXPECT_EQ(slider.secondValue(), 90);
    root.release(165, 645, 2);
}

TEST_F(DoubleSliderTest, KnobIsPaintedAtItsPoint)
{
    slider.setFirstValue(400);
    slider.setSecondValue(200);
    root.paintAll();
    const Point knob = slider.knobPoint();
    EXPECT_EQ(knob, (Point{405, 605}));
    EXPECT_EQ(root.canvas().pixel(knob.x, knob.y), 0xC8D0D4u);
    EXPECT_EQ(root.canvas().pixel(knob.x - 4, knob.y - 4), 0xFFFFFFu);
    EXPECT_EQ(root.canvas().pixel(knob.x + 4, knob.y + 4), 0x808080u);
    EXPECT_EQ(root.canvas().pixel(100, 100), 0x9CE4D4u);
    slider.setActiveLook(false);
    root.paintAll();
    EXPECT_EQ(root.canvas().pixel(100, 100), 0x81B3A8u);
}

TEST(DoubleSliderEdgeTest, NoAreaMovesNothing)
{
    TestRoot root;
    DoubleSlider slider;
    slider.setBounds(&root, {0, 0, 11, 11});
    slider.setFirstRange(0, 10);
    slider.setSecondRange(0, 10);
    root.press(5, 5);
    root.drag(10, 0);
    root.release(10, 0);
    EXPECT_EQ(slider.firstValue(), 0);
    root.paintAll();
}

} // namespace

namespace {

using namespace gui_test;

class SliderWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fixture.panel.build = [this](TestPanel &panel) {
            twin.setBounds(&panel, {20, 20, 813, 20}); // a track of 800 pixels
            twin.setRange(0, 800);
            twin.setEnd(800);
            pad.setBounds(&panel, {20, 60, 111, 111}); // an area of 100 x 100
            pad.setFirstRange(0, 800);
            pad.setSecondRange(0, 800);
        };
        fixture.open();
        ASSERT_TRUE(IsWindow(fixture.panelWindow())) << "windows need a display";
    }
    HWND window() const { return fixture.panelWindow(); }

    PanelFixture fixture;
    TwinSlider twin;
    DoubleSlider pad;
};

TEST_F(SliderWindowTest, SlowRightButtonDragHidesThePointerOnlyMeanwhile)
{
    const int shown = pointerCount();
    postMouse(window(), WM_RBUTTONDOWN, 26, 30, MK_RBUTTON); // on the low handle
    pump();
    EXPECT_LT(pointerCount(), 0);
    postMouse(window(), WM_MOUSEMOVE, 106, 30, MK_RBUTTON);
    pump();
    EXPECT_EQ(twin.low(), 10) << "80 pixels at an eighth";
    postMouse(window(), WM_RBUTTONUP, 106, 30);
    pump();
    EXPECT_EQ(pointerCount(), shown);

    postMouse(window(), WM_LBUTTONDOWN, 25, 165, MK_LBUTTON); // on the knob at 0, 0
    pump();
    EXPECT_TRUE(pad.isDragging());
    EXPECT_LT(pointerCount(), 0);
    postMouse(window(), WM_MOUSEMOVE, 35, 155, MK_LBUTTON);
    pump();
    EXPECT_EQ(pad.firstValue(), 80);
    EXPECT_EQ(pad.secondValue(), 80);
    postMouse(window(), WM_LBUTTONUP, 35, 155);
    pump();
    EXPECT_FALSE(pad.isDragging());
    EXPECT_EQ(pointerCount(), shown);
    EXPECT_FALSE(testing_support::writeWindowPicture(window(), "sliders").empty());
}

} // namespace
