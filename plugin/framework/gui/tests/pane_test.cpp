#include "plugin/framework/gui/pane.h"

#include "plugin/framework/gui/tests/gui_test_support.h"

#include <gtest/gtest.h>

namespace {

using gui_test::RecordingPane;
using gui_test::Seen;
using gui_test::TestRoot;
using namespace Quorvane;

TEST(PaneTest, ChildOutsideItsParentIsStillHit)
{
    TestRoot root;
    RecordingPane parent;
    RecordingPane child;
    parent.setBounds(&root, {10, 10, 20, 20});
    child.setBounds(&parent, {30, 0, 10, 10}); // right of the parent's own area
    // The parent's own rectangle is tested only after its children...
    EXPECT_EQ(parent.findPaneAt(35, 5), &child);
    // ...but from above, only a child whose bounds hold the point is searched.
    EXPECT_EQ(root.findPaneAt(45, 15), &root);
    EXPECT_EQ(root.findPaneAt(15, 15), &parent);
    EXPECT_EQ(root.findPaneAt(5, 5), &root);
    EXPECT_EQ(parent.findPaneAt(-1, 0), nullptr);
}

TEST(PaneTest, FirstInsertedReceivesTheLastInsertedIsOnTop)
{
    TestRoot root(40, 40);
    RecordingPane first(0x0000FF);
    RecordingPane second(0x00FF00);
    first.setBounds(&root, {0, 0, 20, 20});
    second.setBounds(&root, {10, 10, 20, 20});
    EXPECT_EQ(root.findPaneAt(15, 15), &first);
    root.paintAll();
    EXPECT_EQ(root.canvas().pixel(15, 15), 0x00FF00u);
}

TEST(PaneTest, HiddenAndDisabledSubtreesAreSkipped)
{
    TestRoot root(40, 40);
    RecordingPane hidden(0x0000FF);
    RecordingPane disabled(0x00FF00);
    RecordingPane inner;
    hidden.setBounds(&root, {0, 0, 10, 10});
    disabled.setBounds(&root, {20, 0, 10, 10});
    inner.setBounds(&disabled, {0, 0, 5, 5});
    hidden.setVisible(false);
    disabled.setEnabled(false);
    EXPECT_EQ(root.findPaneAt(5, 5), &root);
    EXPECT_EQ(root.findPaneAt(22, 2), &root) << "a disabled subtree gets no mouse";
    root.paintAll();
    EXPECT_EQ(root.canvas().pixel(5, 5), 0xC8D0D4u) << "hidden: not painted";
    EXPECT_EQ(root.canvas().pixel(27, 7), 0x00FF00u) << "disabled: painted";
    EXPECT_EQ(hidden.paints, 0);
}

TEST(PaneTest, VisibilityRepaintsOnlyOnChangeEnablingAlways)
{
    TestRoot root;
    RecordingPane pane;
    pane.setBounds(&root, {5, 6, 10, 10});
    root.invalidated.clear();
    pane.setVisible(true);
    EXPECT_TRUE(root.invalidated.empty());
    pane.setVisible(false);
    ASSERT_EQ(root.invalidated.size(), 1u);
    EXPECT_EQ(root.invalidated[0], (Rect{5, 6, 10, 10})) << "in root coordinates";
    pane.setEnabled(true);
    pane.setEnabled(true);
    EXPECT_EQ(root.invalidated.size(), 3u);
}

TEST(PaneTest, OpaqueChildIsDrawnOnceAndNotOverdrawn)
{
    // The parent fills its whole area after the opaque child has painted;
    // the child's area stays the child's.
    TestRoot root(40, 40);
    RecordingPane parent(0x0000FF);
    RecordingPane opaque(0x00FF00);
    RecordingPane plain(0xFF0000);
    parent.setBounds(&root, {0, 0, 40, 40});
    opaque.setBounds(&parent, {0, 0, 10, 10});
    plain.setBounds(&parent, {20, 20, 10, 10});
    opaque.setOpaque(true);
    root.paintAll();
    EXPECT_EQ(opaque.paints, 1);
    EXPECT_EQ(root.canvas().pixel(5, 5), 0x00FF00u);
    EXPECT_EQ(root.canvas().pixel(25, 25), 0xFF0000u);
    EXPECT_EQ(root.canvas().pixel(15, 15), 0x0000FFu);
}

TEST(PaneTest, ChildrenPaintInTheirOwnCoordinatesInsideTheirParents)
{
    TestRoot root(40, 40);
    RecordingPane outer(0x0000FF);
    RecordingPane inner(0x00FF00);
    outer.setBounds(&root, {10, 10, 20, 20});
    inner.setBounds(&outer, {5, 5, 100, 100});
    root.paintAll();
    EXPECT_EQ(root.canvas().pixel(16, 16), 0x00FF00u);
    EXPECT_EQ(root.canvas().pixel(12, 12), 0x0000FFu);
    EXPECT_EQ(root.canvas().pixel(35, 35), 0xC8D0D4u) << "clipped to its parent";
}

TEST(PaneTest, RemovingEveryChildKeepsAnEmptyList)
{
    TestRoot root(20, 20);
    RecordingPane parent(0x0000FF);
    RecordingPane child(0x00FF00);
    parent.setBounds(&root, {0, 0, 20, 20});
    child.setBounds(&parent, {0, 0, 5, 5});
    child.detach();
    ASSERT_TRUE(parent.hasChildren());
    EXPECT_TRUE(parent.children()->empty());
    EXPECT_EQ(child.parent(), nullptr);
    root.paintAll();
    EXPECT_EQ(child.paints, 0);
    EXPECT_EQ(root.canvas().pixel(2, 2), 0x0000FFu);
}

TEST(PaneTest, DetachTakesTheSubtreeApart)
{
    TestRoot root;
    RecordingPane a;
    RecordingPane b;
    RecordingPane c;
    a.setBounds(&root, {0, 0, 50, 50});
    b.setBounds(&a, {0, 0, 20, 20});
    c.setBounds(&b, {0, 0, 5, 5});
    a.detach();
    EXPECT_EQ(a.parent(), nullptr);
    EXPECT_EQ(b.parent(), nullptr);
    EXPECT_EQ(c.parent(), nullptr);
    EXPECT_FALSE(a.hasChildren());
    EXPECT_TRUE(root.children()->empty());
}

TEST(PaneTest, RequestsOutsideATree)
{
    RecordingPane lonely;
    EXPECT_EQ(lonely.trackPopupMenu({{"x", 1, MF_STRING}}, {0, 0, 1, 1}), -1);
    EXPECT_EQ(lonely.getWindowHandle(), nullptr);
    EXPECT_FALSE(lonely.getGraphics());
    EXPECT_FALSE(lonely.isFocused());
    lonely.requestFocus(); // nothing to ask
    lonely.repaint();
}

TEST(PaneTest, PopupMenuRectangleClimbsToTheRoot)
{
    TestRoot root;
    RecordingPane parent;
    RecordingPane child;
    parent.setBounds(&root, {10, 20, 100, 100});
    child.setBounds(&parent, {3, 4, 10, 10});
    root.menuAnswer = 42;
    EXPECT_EQ(child.showPopupMenu({{"One", 42, MF_STRING}}, {1, 2, 0, 0}), 42);
    EXPECT_EQ(root.lastMenuRect, (Rect{14, 26, 0, 0}));
}

struct CountingListener : MouseListener {
    explicit CountingListener(std::vector<int> &log, int tag) : log(log), tag(tag) {}
    void mousePressed(MouseEvent &) override { log.push_back(tag); }
    std::vector<int> &log;
    int tag;
};

TEST(PaneTest, MouseListenersAreToldInTheOrderAdded)
{
    TestRoot root;
    Pane pane;
    pane.setBounds(&root, {0, 0, 10, 10});
    std::vector<int> log;
    CountingListener one(log, 1), two(log, 2), three(log, 3);
    pane.addMouseListener(&one);
    pane.addMouseListener(&two);
    pane.addMouseListener(&three);
    root.press(5, 5);
    EXPECT_EQ(log, (std::vector<int>{1, 2, 3}));
}

TEST(PaneTest, GraphicsOfAPaneStartAtItsOrigin)
{
    TestRoot root(40, 40);
    RecordingPane parent;
    RecordingPane child;
    parent.setBounds(&root, {10, 10, 30, 30});
    child.setBounds(&parent, {5, 5, 10, 10});
    EXPECT_EQ(child.getRootOrigin(), (Point{15, 15}));
    EXPECT_EQ(child.getRootBounds(), (Rect{15, 15, 10, 10}));
    std::unique_ptr<GraphicsContext> gc = child.getGraphics();
    ASSERT_TRUE(gc);
    gc->fillRectInColor({0, 0, 1, 1}, 0x000000);
    EXPECT_EQ(root.canvas().pixel(15, 15), 0x000000u);
}

TEST(PaneTest, SizeChangesRepaintOldAndNewAreas)
{
    TestRoot root;
    RecordingPane pane;
    pane.setBounds(&root, {10, 10, 10, 10});
    root.invalidated.clear();
    pane.setRect({30, 30, 5, 5});
    ASSERT_EQ(root.invalidated.size(), 2u);
    EXPECT_EQ(root.invalidated[0], (Rect{10, 10, 10, 10}));
    EXPECT_EQ(root.invalidated[1], (Rect{30, 30, 5, 5}));
}

} // namespace
