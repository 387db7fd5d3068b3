#include "plugin/framework/gui/buttons.h"

#include "plugin/framework/gui/tests/gui_test_support.h"
#include "plugin/framework/gui/tests/gui_tests_resources.h"

#include <gtest/gtest.h>

namespace {

using gui_test::TestRoot;
using namespace Quorvane;
namespace Id = EventId;

// Hears clicks and commands.
struct Clicks {
    void clicked(unsigned button) { buttons.push_back(button); }
    void command() { ++commands; }
    void state(bool selected) { states.push_back(selected); }
    std::vector<unsigned> buttons;
    int commands = 0;
    std::vector<bool> states;
};

class ButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        button.create(1, {10, 10, 20, 20}, &root);
        auto click = MemberDelegate<Clicks, unsigned>::create(&clicks, &Clicks::clicked);
        auto command = MemberDelegate<Clicks>::create(&clicks, &Clicks::command);
        button.addClickListener(click.get());
        button.addCommandListener(command.get());
    }
    TestRoot root;
    Button button;
    Clicks clicks;
};

TEST_F(ButtonTest, ReleaseOutsideIsNoClick)
{
    root.press(15, 15);
    root.drag(50, 50);
    root.release(50, 50);
    EXPECT_TRUE(clicks.buttons.empty());
    EXPECT_EQ(clicks.commands, 0);
}

TEST_F(ButtonTest, LeavingAndComingBackStillClicksOnce)
{
    root.press(15, 15);
    root.drag(50, 50);
    root.drag(16, 16);
    root.release(16, 16);
    EXPECT_EQ(clicks.buttons, (std::vector<unsigned>{1}));
    EXPECT_EQ(clicks.commands, 1);
}

TEST_F(ButtonTest, RightClickTellsOnlyTheClickListeners)
{
    root.press(15, 15, 2);
    root.release(15, 15, 2);
    EXPECT_EQ(clicks.buttons, (std::vector<unsigned>{2}));
    EXPECT_EQ(clicks.commands, 0);
}

TEST_F(ButtonTest, PressWithoutHoverDoesNotArm)
{
    // Pressed while another pane held the capture: no hover, no armed bit.
    MouseEvent press(Id::MousePressed);
    press.button = 1;
    button.dispatchEvent(press);
    EXPECT_EQ(button.pressedButtons(), 0u);
    root.move(15, 15);
    root.press(15, 15);
    EXPECT_EQ(button.pressedButtons(), 1u);
    EXPECT_TRUE(button.isHovered());
}

TEST(SelectableButtonTest, ToggleTellsOncePerChange)
{
    TestRoot root;
    SelectableButton button;
    button.Button::create(1, {0, 0, 10, 10}, &root);
    Clicks clicks;
    auto state = MemberDelegate<Clicks, bool>::create(&clicks, &Clicks::state);
    button.setStateListener(state.get());
    root.press(5, 5);
    root.release(5, 5);
    EXPECT_TRUE(button.isSelected());
    root.press(5, 5);
    root.release(5, 5);
    EXPECT_FALSE(button.isSelected());
    button.setSelected(false);
    button.setSelected(true);
    button.setSelected(true);
    EXPECT_EQ(clicks.states, (std::vector<bool>{true, false, true}));
}

// The test picture's four cells are red, green, blue and yellow.
constexpr COLORREF kCellColour[4] = {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF};

template <typename B> COLORREF shownCell(TestRoot &root, B &button)
{
    root.paintAll();
    return root.canvas().pixel(button.bounds().x + 4, button.bounds().y + 4);
}

TEST(FlatButtonTest, EachStateShowsItsCell)
{
    TestRoot root(60, 30);
    RefPtr<OpaqueBitmap> cells =
        RefPtr<OpaqueBitmap>::adopt(OpaqueBitmap::load(MAKEINTRESOURCEA(IDB_TEST_CELLS)));
    FlatButton button;
    button.setPicture(cells.get(), 8, 0, 0);
    RECT place{10, 10, 0, 0};
    button.create(place, &root, 1);
    EXPECT_EQ(button.bounds(), (Rect{10, 10, 8, 8})) << "sized to one cell";
    EXPECT_EQ(shownCell(root, button), kCellColour[0]);
    root.move(12, 12);
    EXPECT_EQ(shownCell(root, button), kCellColour[1]) << "hover";
    root.press(12, 12);
    EXPECT_EQ(shownCell(root, button), kCellColour[2]) << "hover and pressed";
    root.drag(40, 20);
    EXPECT_EQ(shownCell(root, button), kCellColour[1]) << "pressed only";
    root.release(40, 20);
    button.setEnabled(false);
    EXPECT_EQ(shownCell(root, button), kCellColour[3]) << "disabled";
}

TEST(SelectableButtonTest, VisualStates)
{
    TestRoot root(60, 30);
    RefPtr<OpaqueBitmap> cells =
        RefPtr<OpaqueBitmap>::adopt(OpaqueBitmap::load(MAKEINTRESOURCEA(IDB_TEST_CELLS)));
    SelectableButton button;
    button.setPicture(cells.get(), 8, 0, 0);
    RECT place{10, 10, 0, 0};
    button.create(place, &root, 1);
    button.setSelected(true);
    EXPECT_EQ(button.getVisualState(), 2) << "selected, idle";
    root.move(12, 12);
    EXPECT_EQ(button.getVisualState(), 2) << "selected, hover";
    root.press(12, 12);
    EXPECT_EQ(button.getVisualState(), 0) << "selected, hover and pressed";
    root.release(12, 12); // toggles off
    EXPECT_EQ(button.getVisualState(), 1) << "not selected, hover";
    root.move(50, 20);
    EXPECT_EQ(button.getVisualState(), 0);
    button.setEnabled(false);
    EXPECT_EQ(button.getVisualState(), 3);
}

TEST(SmartButtonTest, FrameFollowsHoverAndPress)
{
    TestRoot root(60, 40);
    SmartTextButton button;
    button.create(1, {10, 10, 30, 20}, &root);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    root.paintAll();
    EXPECT_EQ(root.canvas().pixel(10, 10), face) << "flat";
    root.move(20, 20);
    root.paintAll();
    EXPECT_EQ(root.canvas().pixel(10, 10), 0xFFFFFFu) << "raised";
    EXPECT_EQ(root.canvas().pixel(39, 29), 0x404040u);
    root.press(20, 20);
    root.paintAll();
    EXPECT_EQ(root.canvas().pixel(10, 10), 0x404040u) << "sunken";
    EXPECT_EQ(root.canvas().pixel(39, 29), 0xFFFFFFu);
}

TEST(SmartButtonTest, SelectedButtonsUseTheirOwnFace)
{
    TestRoot root(60, 40);
    SelSmartTextButton button;
    button.create(1, {10, 10, 30, 20}, &root);
    button.setSelected(true);
    root.paintAll();
    EXPECT_EQ(root.canvas().pixel(20, 12), 0xE6EEF2u);
    EXPECT_EQ(root.canvas().pixel(10, 10), 0xFFFFFFu) << "selected looks pressed: raised without hover";
}

TEST(SmartButtonTest, CaptionAmpersandIsLiteral)
{
    RefPtr<Font> font = RefPtr<Font>::adopt(Font::create("Tahoma", 14, 0, Font::kPixels));
    TestRoot root(80, 30);
    SmartTextButton button;
    button.create(1, {0, 0, 80, 30}, &root);
    button.setFont(font.get());
    button.setText("A&B");
    root.paintAll();
    // The same caption drawn with no prefix handling, in the content area.
    gui_test::Canvas expected(80, 30, GetSysColor(COLOR_BTNFACE));
    {
        GraphicsContext gc(expected.dc());
        gc.setFont(font.get());
        RECT content{2, 2, 78, 28};
        DrawTextA(expected.dc(), "A&B", -1, &content, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    for (int y = 4; y < 26; ++y)
        for (int x = 4; x < 76; ++x)
            ASSERT_EQ(root.canvas().pixel(x, y), expected.pixel(x, y)) << x << "," << y;
}

} // namespace
