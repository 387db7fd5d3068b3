// The fill editor panel over a connected drummer, driven by real messages:
// its place and size, the keys, the refresh from the engine, the continuous
// controls, the time locators and the close.
#include "plugin/fill/panel/tests/panel_fixture.h"

#include "plugin/fill/engine/grindelvosket.h"
#include "plugin/fill/panel/panel_ids.h"
#include "plugin/fill/panel/panel_layout.h"
#include "plugin/framework/gui/user_answers.h"

#include <commctrl.h>

namespace panel_test {
namespace {

using namespace Quorvane;
using gui_test::pump;

using GrindelvosketPanelWindowTest = PanelTest;

TEST_F(GrindelvosketPanelWindowTest, OpensAtItsPreferredSizeOverTheLibrary)
{
    RECT client{};
    GetClientRect(window(), &client);
    const SIZE size = GrindelvosketPanel::preferredSize();
    EXPECT_EQ(client.right, size.cx);
    EXPECT_EQ(client.bottom, size.cy);
    EXPECT_GE(size.cx, 581) << "the rows are 396 wide from x 185";
    EXPECT_GE(size.cy, 392);
    // Every control lies inside the panel.
    for (const Pane *child : *panel().children()) {
        const Rect &r = child->bounds();
        EXPECT_LE(r.right(), size.cx);
        EXPECT_LE(r.bottom(), size.cy);
    }
    HWND tree = patterns().treeWindow();
    ASSERT_NE(tree, nullptr);
    std::vector<std::string> folders;
    for (HTREEITEM item = TreeView_GetRoot(tree); item; item = TreeView_GetNextSibling(tree, item)) {
        char text[64] = {};
        TVITEMA info{};
        info.mask = TVIF_TEXT;
        info.hItem = item;
        info.pszText = text;
        info.cchTextMax = sizeof text;
        TreeView_GetItem(tree, &info);
        folders.push_back(text);
    }
    EXPECT_EQ(folders, (std::vector<std::string>{"Funk", "Latin.vol", "Rock", "Shuffle"}));
    EXPECT_EQ(panel().fillTitle(), "Fill");

    loadFill("Rock 01");
    EXPECT_EQ(panel().fillTitle(), "Fill: Rock 01_Tom run down");
    EXPECT_EQ(patterns().selectedFolder(), "Rock\\");
    EXPECT_EQ(patterns().itemCount(), 6);
}

TEST_F(GrindelvosketPanelWindowTest, RowsRunFromCrashOnTopToTheExtraDrumsBelow)
{
    for (int looper = 0; looper < 10; ++looper) {
        LooperViewPane *row = panel().row(looper);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->bounds().x, 185);
        EXPECT_EQ(row->bounds().y, 87 + (9 - looper) * 19) << looper;
        EXPECT_EQ(row->bounds().height, looper == 0 ? 29 : 19);
        EXPECT_STREQ(row->instrumentButton().caption().c_str(), LooperViewPane::instrumentName(looper));
    }
    EXPECT_EQ(panel().row(0)->instrumentButton().bounds().y, 5) << "centred in 29 pixels";
    EXPECT_EQ(panel().row(5)->instrumentButton().bounds().y, 0);
}

} // namespace
} // namespace panel_test
