#include "plugin/framework/gui/root_pane.h"

#include "plugin/framework/gui/tests/gui_test_support.h"
#include "plugin/framework/gui/tests/gui_tests_resources.h"

#include <gtest/gtest.h>

namespace {

using gui_test::RecordingPane;
using gui_test::Seen;
using gui_test::TestRoot;
using namespace Quorvane;
namespace Id = EventId;

class RootPaneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        a.setBounds(&root, {10, 10, 20, 20});
        b.setBounds(&root, {50, 10, 20, 20});
    }
    TestRoot root;
    RecordingPane a;
    RecordingPane b;
};

TEST_F(RootPaneTest, DragOutsideAndBackStaysWithThePressedPane)
{
    root.move(15, 15);
    root.press(15, 15);
    EXPECT_TRUE(root.capture);
    root.drag(16, 16); // over it, inside flag still clear: entered again
    root.drag(55, 15); // over b
    root.drag(-5, 12); // outside everything
    root.drag(20, 20); // back
    root.release(60, 15);
    EXPECT_FALSE(root.capture);
    const std::vector<Seen> expected = {
        {Id::MouseEntered, 5, 5, 0},   {Id::MouseMoved, 5, 5, 0},     {Id::MousePressed, 5, 5, 1},
        {Id::MouseEntered, 6, 6, 0},   {Id::MouseDragged, 6, 6, 0},   {Id::MouseExited, 45, 5, 0},
        {Id::MouseDragged, 45, 5, 0},  {Id::MouseDragged, -15, 2, 0}, {Id::MouseEntered, 10, 10, 0},
        {Id::MouseDragged, 10, 10, 0}, {Id::MouseExited, 50, 5, 1},   {Id::MouseReleased, 50, 5, 1}};
    EXPECT_EQ(a.seen, expected);
    EXPECT_TRUE(b.seen.empty()) << "b hears nothing while a holds the capture";

    // Moving on after a release outside: a is left again, b entered.
    root.move(61, 15);
    EXPECT_EQ(a.seen.back().id, Id::MouseExited);
    EXPECT_EQ(b.ids(), (std::vector<int>{Id::MouseEntered, Id::MouseMoved}));
}

TEST_F(RootPaneTest, CaptureEndsWithTheLastButton)
{
    root.press(15, 15, 1);
    root.mouse(Id::MousePressed, 15, 15, ButtonBit::Left | ButtonBit::Right, 2);
    root.mouse(Id::MouseReleased, 15, 15, ButtonBit::Right, 1);
    EXPECT_TRUE(root.capture) << "the right button is still down";
    root.release(15, 15, 2);
    EXPECT_FALSE(root.capture);
    EXPECT_EQ(root.captures, 1);
}

TEST_F(RootPaneTest, WheelWithoutFocusIsDroppedKeysGoToTheRoot)
{
    MouseEvent wheel(Id::MouseWheel);
    wheel.wheelDelta = 120;
    root.dispatchWheelEvent(wheel);
    EXPECT_TRUE(a.seen.empty());
    KeyEvent key(Id::KeyPressed);
    key.keyCode = 'A';
    root.dispatchKeyToFocus(key); // to the root, which has no parent: nothing
    root.windowFocus = true;
    a.requestFocus();
    root.dispatchWheelEvent(wheel);
    root.dispatchKeyToFocus(key);
    EXPECT_EQ(a.seen.back().id, Id::MouseWheel);
    EXPECT_EQ(a.keys, (std::vector<int>{'A'}));
}

TEST_F(RootPaneTest, FocusRequestWithTheWindowFocused)
{
    root.windowFocus = true;
    a.requestFocus();
    EXPECT_EQ(a.ids(), (std::vector<int>{Id::FocusGained}));
    b.requestFocus();
    EXPECT_EQ(a.ids(), (std::vector<int>{Id::FocusGained, Id::FocusLost}));
    EXPECT_EQ(b.ids(), (std::vector<int>{Id::FocusGained}));
    EXPECT_TRUE(b.isFocused());
    EXPECT_FALSE(a.isFocused());
}

TEST_F(RootPaneTest, FocusRequestWaitsForTheWindowFocus)
{
    a.requestFocus();
    EXPECT_TRUE(a.seen.empty());
    EXPECT_EQ(root.getFocusOwner(), nullptr);
    root.fireWindowFocusGained();
    EXPECT_EQ(a.ids(), (std::vector<int>{Id::FocusGained}));
}

TEST_F(RootPaneTest, RegainedWindowFocusReturnsToTheSamePane)
{
    root.windowFocus = true;
    b.requestFocus();
    root.fireWindowFocusLost();
    EXPECT_EQ(root.getFocusOwner(), nullptr);
    root.fireWindowFocusGained();
    EXPECT_EQ(b.ids(), (std::vector<int>{Id::FocusGained, Id::FocusLost, Id::FocusGained}));
    EXPECT_TRUE(a.seen.empty());
}

TEST_F(RootPaneTest, WindowFocusWithoutAnyPaneGoesToTheRoot)
{
    root.fireWindowFocusGained();
    EXPECT_EQ(root.getFocusOwner(), &root);
}

TEST_F(RootPaneTest, DetachedPaneIsForgotten)
{
    RecordingPane inner;
    inner.setBounds(&a, {0, 0, 5, 5});
    root.windowFocus = true;
    inner.requestFocus();
    root.press(11, 11); // on inner: it becomes the mouse pane and holds the capture
    ASSERT_EQ(root.getMousePane(), &inner);
    ASSERT_TRUE(root.capture);
    root.fireWindowFocusLost(); // inner is the focus to give back
    a.detach();                 // inner goes with its parent
    EXPECT_EQ(root.getMousePane(), nullptr);
    EXPECT_FALSE(root.capture) << "the capture it held is released";
    root.drag(12, 12);
    root.release(12, 12);
    root.fireWindowFocusGained();
    EXPECT_EQ(root.getFocusOwner(), &root) << "the focus does not go back to a pane out of the tree";
    EXPECT_EQ(inner.ids(),
              (std::vector<int>{Id::FocusGained, Id::MouseEntered, Id::MousePressed, Id::FocusLost}));
}

TEST_F(RootPaneTest, DestroyedPaneIsForgotten)
{
    root.windowFocus = true;
    {
        RecordingPane shortLived;
        shortLived.setBounds(&root, {100, 100, 10, 10});
        shortLived.requestFocus();
        root.move(105, 105);
        root.fireWindowFocusLost(); // it becomes the previous focus
        root.windowFocus = false;
        shortLived.requestFocus(); // and the requested one
    }
    EXPECT_EQ(root.getMousePane(), nullptr);
    root.fireWindowFocusGained();
    EXPECT_EQ(root.getFocusOwner(), &root);
    root.move(106, 106); // no dangling mouse pane to tell
}

TEST(AcceleratorTableTest, MissingResourceKeepsTheHeldTable)
{
    AcceleratorTable table;
    EXPECT_FALSE(table.translate(nullptr, WM_KEYDOWN, VK_F5, 1)) << "no table";
    ASSERT_TRUE(table.load(IDR_TEST_ACCELERATORS));
    HACCEL held = table.handle();
    EXPECT_FALSE(table.load(7299));
    EXPECT_EQ(table.handle(), held);
    table.destroy();
    EXPECT_EQ(table.handle(), nullptr);
}

} // namespace
