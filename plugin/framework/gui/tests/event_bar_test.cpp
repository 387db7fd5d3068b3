#include "plugin/framework/gui/event_bar.h"

#include "plugin/framework/gui/tests/gui_test_support.h"
#include "plugin/framework/gui/tests/test_panel.h"
#include "plugin/framework/gui/tests/gui_tests_resources.h"

#include "testing/screenshot.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using gui_test::TestRoot;
using namespace Quorvane;

struct EditorCall {
    std::string what;
    unsigned state;
    int x;
    int y;
    bool operator==(const EditorCall &) const = default;
};

class RecordingEditor : public LooperEditor {
public:
    explicit RecordingEditor(std::vector<EditorCall> &log) : log_(log) {}
    void press(unsigned state, int x, int y) override { log_.push_back({"press", state, x, y}); }
    void doubleClick(unsigned state, int x, int y) override { log_.push_back({"double", state, x, y}); }
    void drag(unsigned state, int x, int y) override { log_.push_back({"drag", state, x, y}); }
    void release(unsigned state, int x, int y) override { log_.push_back({"release", state, x, y}); }

private:
    std::vector<EditorCall> &log_;
};

// A looper of a few lanes with notes at (position, lane, velocity).
class FakeLooper : public EventBarLooper {
public:
    struct Note {
        int32_t position;
        int lane;
        int velocity;
    };

    int laneCount() const override { return lanes; }
    Timing barTiming() const override { return timing; }
    bool isMuted() const override { return muted; }
    void paintEvents(GraphicsContext &gc, const LaneLayout &layout, const EventPicture &picture) override
    {
        painted.push_back(layout);
        PicturePainter painter(picture, gc);
        for (const Note &note : notes)
            painter.drawCentered(layout.x(note.position), layout.y(note.lane),
                                 picture.frameForValue(note.velocity, 20, 127), 0);
    }
    std::unique_ptr<LooperEditor> createEditTool(int width, int height, int divisions) override
    {
        tools.push_back({width, height, divisions});
        return std::make_unique<RecordingEditor>(calls);
    }

    int lanes = 3;
    Timing timing{1920, 0, 1920, 480};
    bool muted = false;
    std::vector<Note> notes;
    std::vector<LaneLayout> painted;
    std::vector<std::array<int, 3>> tools;
    std::vector<EditorCall> calls;
};

class View : public EventBarOwner {
public:
    bool isHighlighted() const override { return highlighted; }
    bool highlighted = false;
};

class EventBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        view.setBounds(&root, {0, 0, 300, 100});
        image = RefPtr<OpaqueBitmap>::adopt(OpaqueBitmap::load(MAKEINTRESOURCEA(IDB_TEST_EVENT_IMAGE)));
        mask = RefPtr<OpaqueBitmap>::adopt(OpaqueBitmap::load(MAKEINTRESOURCEA(IDB_TEST_EVENT_MASK)));
    }
    // A bar of inner size 200 x height - 2 at (0, 0).
    void place(int height, bool withPicture)
    {
        RECT rect{0, 0, 202, height};
        bar.create(rect, &view, 4009);
        if (withPicture)
            bar.picture().setBitmaps(image.get(), mask.get());
        bar.setLooper(&looper);
    }
    COLORREF at(int x, int y)
    {
        root.paintAll();
        return root.canvas().pixel(x, y);
    }

    TestRoot root{320, 120};
    View view;
    EventBar bar;
    FakeLooper looper;
    RefPtr<OpaqueBitmap> image, mask;
};

TEST_F(EventBarTest, RegionsGridAndOffsets)
{
    place(22, false);                       // no picture: the events run from x 1 to 201
    looper.timing = {1920, 480, 1440, 480}; // one bar; plays from beat 2 to beat 4
    EXPECT_EQ(at(25, 5), EventBar::kColours[0]) << "before the start offset";
    EXPECT_EQ(at(75, 5), EventBar::kColours[2]) << "the playing part";
    EXPECT_EQ(at(175, 5), EventBar::kColours[0]) << "after the end offset";
    EXPECT_EQ(at(51, 5), EventBar::kOffsetColour);
    EXPECT_EQ(at(151, 5), EventBar::kOffsetColour);
    EXPECT_EQ(at(101, 5), EventBar::kBeatColour);
    EXPECT_EQ(at(0, 0), 0x808080u) << "the frame";
    EXPECT_EQ(at(201, 21), 0xFFFFFFu);
    bar.setDisplayValue(8);
    EXPECT_EQ(at(26, 5), EventBar::kGridColour);
    looper.muted = true;
    EXPECT_EQ(at(75, 5), EventBar::kColours[0]) << "a muted looper plays in the base colour";
    view.highlighted = true;
    bar.setFlagAndRepaint(true);
    EXPECT_EQ(at(75, 5), EventBar::kColours[5]);
    looper.muted = false;
    EXPECT_EQ(at(75, 5), EventBar::kColours[7]);
}

TEST_F(EventBarTest, OneLaneLiesInTheMiddleWithoutLaneLines)
{
    place(32, true);
    looper.lanes = 1;
    bar.setFlagAndRepaint(true);
    const LaneLayout layout = bar.laneLayout();
    EXPECT_EQ(layout.top, 1 + 30 / 2);
    EXPECT_EQ(at(80, layout.top), EventBar::kColours[6]);
    looper.lanes = 3;
    const LaneLayout three = bar.laneLayout();
    EXPECT_EQ(three.step, 5);
    EXPECT_EQ(three.top, 11);
    EXPECT_EQ(at(80, three.y(1)), EventBar::kBeatColour) << "lane lines in edit mode";
    bar.setFlagAndRepaint(false);
    EXPECT_EQ(at(80, three.y(1)), EventBar::kColours[2]) << "none outside it";
}

TEST_F(EventBarTest, EventsArePaintedInTheirLanes)
{
    place(32, true);
    looper.notes = {{960, 2, 127}, {0, 0, 20}};
    root.paintAll();
    ASSERT_FALSE(looper.painted.empty());
    const LaneLayout layout = looper.painted.back();
    EXPECT_EQ(layout.x0, 3);
    EXPECT_EQ(layout.x1, 199);
    EXPECT_EQ(root.canvas().pixel(layout.x(960), layout.y(2)), 0x0000FFu) << "the loudest cell, red";
    EXPECT_EQ(root.canvas().pixel(layout.x(0), layout.y(0)), 0x00FFFFu) << "the softest, yellow";
}

TEST_F(EventBarTest, CursorStepsAndErasesItself)
{
    place(22, false);
    root.paintAll();
    const COLORREF background = root.canvas().pixel(40, 10);
    // Cursor area from x 7, 199 pixels wide: time t of 199 lies at 7 + t.
    bar.locateTime(0, 199, true);
    EXPECT_EQ(bar.cursorX(), 7);
    bar.locateTime(2, 199, true);
    EXPECT_EQ(bar.cursorX(), 8) << "2 pixels ahead: one step";
    bar.locateTime(4, 199, true);
    EXPECT_EQ(bar.cursorX(), 9) << "3 pixels ahead: one step";
    bar.locateTime(33, 199, true);
    EXPECT_EQ(bar.cursorX(), 40) << "4 or more: lands exactly";
    EXPECT_EQ(root.canvas().pixel(40, 10), background ^ 0xFFFFFF) << "drawn in XOR";
    EXPECT_EQ(root.canvas().pixel(9, 10), root.canvas().pixel(6, 10)) << "the old line is gone";
    bar.locateTime(20, 199, true);
    EXPECT_EQ(bar.cursorX(), 27) << "backwards: lands exactly";
    EXPECT_EQ(root.canvas().pixel(40, 10), background) << "erased by drawing it again";
    bar.locateTime(50, 0, true);
    EXPECT_EQ(bar.cursorX(), 27) << "no loop, no move";
    bar.locateTime(60, 199, false);
    EXPECT_TRUE(bar.isCursorHidden());
    EXPECT_EQ(root.canvas().pixel(27, 10), root.canvas().pixel(28, 10));
}

TEST_F(EventBarTest, EditGesturesReachTheEditor)
{
    place(32, true);
    bar.setDisplayValue(4);
    bar.setFlagAndRepaint(true);
    // Lanes from x 3 and y 11, 5 pixels apart.
    root.press(50, 16);
    ASSERT_EQ(looper.tools.size(), 1u);
    EXPECT_EQ(looper.tools[0], (std::array<int, 3>{196, 15, 4}));
    root.drag(51, 16); // less than half the drag rectangle: no drag
    const int distance = GetSystemMetrics(SM_CXDRAG);
    root.drag(50 + distance, 20);
    root.drag(250, 90); // beyond the bar: still handed on, not clamped
    root.release(250, 90);
    const std::vector<EditorCall> expected = {{"press", MK_LBUTTON, 47, 5},
                                              {"drag", MK_LBUTTON, 47 + distance, 9},
                                              {"drag", MK_LBUTTON, 247, 79},
                                              {"release", 0, 250, 90}};
    EXPECT_EQ(looper.calls, expected);

    looper.calls.clear();
    {
        gui_test::ControlKeyHeld control;
        root.press(60, 11, 1, 2);
    }
    EXPECT_EQ(looper.tools.size(), 2u) << "a new tool for each press";
    EXPECT_EQ(looper.calls, (std::vector<EditorCall>{{"double", MK_LBUTTON | MK_CONTROL, 57, 0}}));
    root.release(60, 11);
}

TEST_F(EventBarTest, NoGestureOutsideEditModeOrTheLanes)
{
    place(32, true);
    root.press(50, 16);
    root.drag(150, 16);
    root.release(150, 16);
    EXPECT_TRUE(looper.tools.empty()) << "not in edit mode";
    bar.setFlagAndRepaint(true);
    root.press(201, 16); // on the frame
    root.release(201, 16);
    EXPECT_TRUE(looper.tools.empty());
}

TEST_F(EventBarTest, EmptyLoopOrCrampedLanesDrawAndEditNothing)
{
    place(32, true);
    bar.setFlagAndRepaint(true);
    looper.timing.length = 0;
    looper.notes = {{0, 0, 127}};
    EXPECT_EQ(at(100, 16), EventBar::kColours[4]);
    EXPECT_TRUE(looper.painted.empty());
    root.press(50, 16);
    root.release(50, 16);
    EXPECT_TRUE(looper.tools.empty());
    bar.locateTime(10, 0, true);

    looper.timing.length = 1920;
    bar.setRect({0, 0, 202, 8}); // 6 pixels for 3 lanes of 5
    EXPECT_EQ(bar.laneLayout().lanes, 0);
    root.press(50, 4);
    root.release(50, 4);
    EXPECT_TRUE(looper.tools.empty());
    root.paintAll();
    EXPECT_TRUE(looper.painted.empty());
}

} // namespace

namespace {

using namespace gui_test;

class EventBarWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        image = RefPtr<OpaqueBitmap>::adopt(OpaqueBitmap::load(MAKEINTRESOURCEA(IDB_TEST_EVENT_IMAGE)));
        mask = RefPtr<OpaqueBitmap>::adopt(OpaqueBitmap::load(MAKEINTRESOURCEA(IDB_TEST_EVENT_MASK)));
        fixture.panel.build = [this](TestPanel &panel) {
            view.setBounds(&panel, {20, 20, 300, 100});
            bar.create(RECT{0, 0, 202, 32}, &view, 4009);
            bar.picture().setBitmaps(image.get(), mask.get());
            bar.setLooper(&looper);
            bar.setDisplayValue(4);
            bar.setFlagAndRepaint(true);
        };
        looper.notes = {{0, 0, 127}, {480, 1, 90}, {960, 2, 40}};
        fixture.open();
        ASSERT_TRUE(IsWindow(fixture.panelWindow())) << "windows need a display";
    }
    HWND window() const { return fixture.panelWindow(); }

    PanelFixture fixture;
    RefPtr<OpaqueBitmap> image, mask;
    View view;
    EventBar bar;
    FakeLooper looper;
};

TEST_F(EventBarWindowTest, GesturesOfRealMessagesReachTheEditor)
{
    // The lanes start at x 3, y 11 of the bar, which sits at (20, 20).
    postMouse(window(), WM_LBUTTONDOWN, 70, 36, MK_LBUTTON);
    postMouse(window(), WM_MOUSEMOVE, 90, 36, MK_LBUTTON);
    postMouse(window(), WM_LBUTTONUP, 90, 36);
    pump();
    ASSERT_EQ(looper.calls.size(), 3u);
    EXPECT_EQ(looper.calls[0], (EditorCall{"press", MK_LBUTTON, 47, 5}));
    EXPECT_EQ(looper.calls[1], (EditorCall{"drag", MK_LBUTTON, 67, 5}));
    EXPECT_EQ(looper.calls[2], (EditorCall{"release", 0, 70, 16}));
    EXPECT_TRUE(bar.isFocused()) << "a left press takes the focus";

    looper.calls.clear();
    Sleep(GetDoubleClickTime() + 50); // what follows is no double click of the first press
    ControlKeyHeld control;
    postMouse(window(), WM_LBUTTONDOWN, 100, 31, MK_LBUTTON);
    postMouse(window(), WM_LBUTTONUP, 100, 31);
    postMouse(window(), WM_LBUTTONDOWN, 100, 31, MK_LBUTTON); // the second press of a double click
    postMouse(window(), WM_LBUTTONUP, 100, 31);
    pump();
    ASSERT_EQ(looper.calls.size(), 4u);
    EXPECT_EQ(looper.calls[0].what, "press");
    EXPECT_EQ(looper.calls[0].state, static_cast<unsigned>(MK_LBUTTON | MK_CONTROL));
    EXPECT_EQ(looper.calls[2].what, "double");
    EXPECT_EQ(looper.tools.size(), 3u);
}

TEST_F(EventBarWindowTest, PictureOfTheBar)
{
    const testing_support::WindowPicture picture = testing_support::printWindow(window());
    const LaneLayout layout = bar.laneLayout();
    EXPECT_EQ(picture.at(20 + layout.x(0), 20 + layout.y(0)), 0x0000FFu);
    EXPECT_FALSE(testing_support::writePicture(picture, "event_bar").empty());
}

} // namespace
