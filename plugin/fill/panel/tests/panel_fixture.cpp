#include "plugin/fill/panel/tests/panel_fixture.h"

#include "plugin/fill/content/fill_content.h"
#include "plugin/framework/gui/user_steps.h"
#include "testing/screenshot.h"

namespace panel_test {

using namespace Quorvane;

namespace {

// Every step that would wait for a user fails the test unless the test
// answers it.
void refuseUserSteps()
{
    setSaveFileHook([](const SaveFileRequest &, std::string &) {
        ADD_FAILURE() << "unexpected Save As dialog";
        return false;
    });
    setHelpHook([](HWND, const std::string &, UINT) {
        ADD_FAILURE() << "unexpected help";
        return false;
    });
    setShellDeleteHook([](HWND, const std::string &path) {
        ADD_FAILURE() << "unexpected delete of " << path;
        return false;
    });
    setShellOpenHook([](HWND, const std::string &path) {
        ADD_FAILURE() << "unexpected open of " << path;
        return false;
    });
}

} // namespace

std::string fillsFolder()
{
    return dataFolder() + "\\Fills";
}

bool TestDrummer::saidChanged(const std::string &label) const
{
    for (const std::string &said : labels)
        if (said == label)
            return true;
    return false;
}

void PanelTest::SetUp()
{
    PluginTest::SetUp();
    refuseUserSteps();
    drummer_ = new TestDrummer();
    drummer_->AddRef();
    ASSERT_EQ(drummer_->Connect(host.context()), S_OK);
    panel_ = GrindelvosketPanel::create(drummer_);
    ASSERT_NE(panel_, nullptr);
    const SIZE size = GrindelvosketPanel::preferredSize();
    ASSERT_TRUE(panel_->createView(hostWindow.handle(), RECT{0, 0, size.cx, size.cy}))
        << "windows need a display";
    gui_test::pump();
}

void PanelTest::TearDown()
{
    if (panel_ && panel_->handle()) {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        EXPECT_FALSE(testing_support::writeWindowPicture(panel_->handle(), "fill_panel_" + name).empty());
    }
    if (panel_) {
        panel_->destroyView();
        delete panel_;
    }
    if (drummer_) {
        drummer_->Disconnect();
        EXPECT_EQ(drummer_->Release(), 0u);
    }
    setSaveFileHook({});
    setHelpHook({});
    setShellDeleteHook({});
    setShellOpenHook({});
    PluginTest::TearDown();
}

void PanelTest::loadFill(const std::string &name)
{
    for (const FillContent::FillDefinition &fill : FillContent::starterFills()) {
        if (fill.name == name && fill.volume.empty()) {
            drummer_->setPattern(fill.folder, fill.fileName(), false);
            gui_test::pump();
            return;
        }
    }
    FAIL() << "no starter fill " << name;
}

void PanelTest::click(int x, int y, WPARAM keys)
{
    gui_test::postMouse(window(), WM_MOUSEMOVE, x, y, keys);
    gui_test::postMouse(window(), WM_LBUTTONDOWN, x, y, keys | MK_LBUTTON);
    gui_test::postMouse(window(), WM_LBUTTONUP, x, y, keys);
    gui_test::pump();
}

void PanelTest::rightClick(int x, int y)
{
    gui_test::postMouse(window(), WM_MOUSEMOVE, x, y);
    gui_test::postMouse(window(), WM_RBUTTONDOWN, x, y, MK_RBUTTON);
    gui_test::postMouse(window(), WM_RBUTTONUP, x, y);
    gui_test::pump();
}

void PanelTest::dragPath(const std::vector<POINT> &points, bool right)
{
    const WPARAM held = right ? MK_RBUTTON : MK_LBUTTON;
    gui_test::postMouse(window(), WM_MOUSEMOVE, points.front().x, points.front().y);
    gui_test::postMouse(window(), right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, points.front().x, points.front().y,
                        held);
    for (size_t i = 1; i < points.size(); ++i)
        gui_test::postMouse(window(), WM_MOUSEMOVE, points[i].x, points[i].y, held);
    gui_test::postMouse(window(), right ? WM_RBUTTONUP : WM_LBUTTONUP, points.back().x, points.back().y);
    gui_test::pump();
}

void PanelTest::key(WPARAM key, bool extended)
{
    gui_test::postKey(window(), WM_KEYDOWN, key, extended);
    gui_test::postKey(window(), WM_KEYUP, key, extended);
    gui_test::pump();
}

POINT centre(const Pane &pane)
{
    const Rect area = pane.getRootBounds();
    return {area.x + area.width / 2, area.y + area.height / 2};
}

} // namespace panel_test
