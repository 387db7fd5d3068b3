#include "plugin/slice/panel/tests/panel_fixture.h"

#include "plugin/framework/plugin/drummer_transfer.h"
#include "plugin/framework/gui/user_steps.h"
#include "testing/screenshot.h"

#include <commctrl.h>
#include <shellapi.h>

#include <filesystem>

namespace slice_panel_test {

using namespace Quorvane;
using namespace Quorvane::LoopSlice;

std::string loopsFolder()
{
    return dataFolder() + "\\Loops";
}

std::vector<std::string> droppedFiles(IDataObject *data)
{
    std::vector<std::string> files;
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (FAILED(data->GetData(&format, &medium)))
        return files;
    auto drop = static_cast<HDROP>(GlobalLock(medium.hGlobal));
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        char path[MAX_PATH] = {};
        DragQueryFileA(drop, i, path, MAX_PATH);
        files.push_back(path);
    }
    GlobalUnlock(medium.hGlobal);
    ReleaseStgMedium(&medium);
    return files;
}

void RecordingDrummer::setTriggerLow(int32_t note)
{
    if (heard)
        heard("triggerLow");
    calls.push_back("triggerLow " + std::to_string(note));
    VostrapellinMFX::setTriggerLow(note);
}

void RecordingDrummer::setTriggerEnabled(bool enabled)
{
    if (heard)
        heard("triggerEnabled");
    calls.push_back(std::string("triggerEnabled ") + (enabled ? "1" : "0"));
    VostrapellinMFX::setTriggerEnabled(enabled);
}

void RecordingDrummer::selectNoteNameSet(const std::string &name)
{
    if (heard)
        heard("noteNames");
    calls.push_back("noteNames " + name);
    VostrapellinMFX::selectNoteNameSet(name);
}

void RecordingDrummer::drumMapChanged()
{
    if (heard)
        heard("drumMapChanged");
    calls.push_back("drumMapChanged");
    VostrapellinMFX::drumMapChanged();
}

void RecordingDrummer::somethingChanged(const char *label)
{
    calls.push_back(std::string("changed ") + label);
    VostrapellinMFX::somethingChanged(label);
}

bool RecordingDrummer::violatesRules(const Looper &looper)
{
    return rules ? rules(looper) : VostrapellinMFX::violatesRules(looper);
}

void PanelTest::SetUp()
{
    PluginTest::SetUp();
    std::error_code ignored;
    std::filesystem::remove_all(loopsFolder(), ignored);
    setSaveFileHook([](const SaveFileRequest &, std::string &) {
        ADD_FAILURE() << "unexpected Save As dialog";
        return false;
    });
    setHelpHook([](HWND, const std::string &, UINT) {
        ADD_FAILURE() << "unexpected help";
        return false;
    });
    DrummerTransfer::setDragHook([this](IDataObject *data, DWORD *effect) {
        dragged.push_back(droppedFiles(data));
        *effect = DROPEFFECT_COPY;
        return DRAGDROP_S_DROP;
    });
    drummer_ = new RecordingDrummer();
    drummer_->AddRef();
    ASSERT_EQ(drummer_->Connect(host.context()), S_OK);
    panel_ = dynamic_cast<VostrapellinPanel *>(drummer_->getView());
    ASSERT_NE(panel_, nullptr);
    SIZE size{};
    panel_->getViewSize(&size);
    ASSERT_TRUE(panel_->createView(hostWindow.handle(), RECT{0, 0, size.cx, size.cy}))
        << "windows need a display";
    gui_test::pump();
}

void PanelTest::TearDown()
{
    if (panel_ && panel_->handle()) {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        EXPECT_FALSE(testing_support::writeWindowPicture(panel_->handle(), "slice_panel_" + name).empty());
    }
    if (panel_)
        drummer_->destroyView(panel_);
    if (drummer_) {
        drummer_->Disconnect();
        EXPECT_EQ(drummer_->Release(), 0u);
    }
    setSaveFileHook({});
    setHelpHook({});
    DrummerTransfer::setDragHook({});
    PluginTest::TearDown();
}

// A press's time is its message's, taken when it was posted: the wait
// counts from a time after the last press was posted, however long the
// posting took.
void PanelTest::waitOutDoubleClick()
{
    const DWORD since = GetTickCount() - lastPress_;
    const DWORD wait = GetDoubleClickTime() + 50;
    if (lastPress_ && since < wait)
        Sleep(wait - since);
}

void PanelTest::click(int x, int y, WPARAM keys)
{
    waitOutDoubleClick();
    gui_test::click(window(), x, y, keys);
    lastPress_ = GetTickCount();
}

void PanelTest::doubleClick(int x, int y)
{
    waitOutDoubleClick();
    gui_test::postMouse(window(), WM_MOUSEMOVE, x, y);
    gui_test::postMouse(window(), WM_LBUTTONDOWN, x, y, MK_LBUTTON);
    gui_test::postMouse(window(), WM_LBUTTONUP, x, y);
    gui_test::postMouse(window(), WM_LBUTTONDBLCLK, x, y, MK_LBUTTON);
    gui_test::postMouse(window(), WM_LBUTTONUP, x, y);
    gui_test::pump();
    lastPress_ = GetTickCount();
}

void PanelTest::dragPath(const std::vector<POINT> &points)
{
    waitOutDoubleClick();
    gui_test::dragPath(window(), points);
    lastPress_ = GetTickCount();
}

void PanelTest::key(WPARAM key, bool extended)
{
    gui_test::pressKey(window(), key, extended);
}

void PanelTest::chooseItem(FlatCombo &combo, const std::string &text)
{
    gui_test::PopupAnswer answer([&](const std::vector<gui_test::MenuItem> &menu) {
        for (const gui_test::MenuItem &item : menu)
            if (item.text == text)
                return static_cast<int>(item.id);
        ADD_FAILURE() << "no item " << text;
        return 0;
    });
    const POINT at = centre(combo);
    click(at.x, at.y);
}

void PanelTest::chooseInTree(const std::string &path)
{
    FlatTreeCombo &combo = panel_->browser().combo();
    RECT client{};
    GetClientRect(combo.handle(), &client);
    const int arrow = client.right - 5;
    ASSERT_TRUE(combo.onArrow(arrow));
    gui_test::postMouse(combo.handle(), WM_LBUTTONDOWN, arrow, 5, MK_LBUTTON);
    gui_test::postMouse(combo.handle(), WM_LBUTTONUP, arrow, 5);
    gui_test::pump();
    ASSERT_TRUE(combo.isDroppedDown());
    HWND tree = combo.dropList().handle();
    HTREEITEM item = combo.dropList().findItemByPath(path);
    ASSERT_TRUE(item) << path;
    RECT place{};
    ASSERT_TRUE(TreeView_GetItemRect(tree, item, &place, TRUE));
    gui_test::postMouse(tree, WM_LBUTTONDOWN, place.left + 2, (place.top + place.bottom) / 2, MK_LBUTTON);
    gui_test::postMouse(tree, WM_LBUTTONUP, place.left + 2, (place.top + place.bottom) / 2);
    gui_test::pump();
}

void PanelTest::typeIntoCombo(const std::string &keys, bool openName)
{
    FlatTreeCombo &combo = panel_->browser().combo();
    if (openName) {
        gui_test::postMouse(combo.handle(), WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
        gui_test::postMouse(combo.handle(), WM_LBUTTONUP, 5, 5);
        gui_test::pump();
    }
    for (const char key : keys) {
        gui_test::postKey(combo.handle(), WM_KEYDOWN, static_cast<WPARAM>(key));
        gui_test::postKey(combo.handle(), WM_KEYUP, static_cast<WPARAM>(key));
        gui_test::pump();
    }
}

} // namespace slice_panel_test
