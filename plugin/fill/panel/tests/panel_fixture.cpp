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
    gui_test::click(window(), x, y, keys);
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
    gui_test::dragPath(window(), points, right);
}

void PanelTest::key(WPARAM key, bool extended)
{
    gui_test::pressKey(window(), key, extended);
}

} // namespace panel_test
