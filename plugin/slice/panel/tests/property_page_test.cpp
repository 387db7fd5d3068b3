// The loop-slice editor as a host shows it: a copy of Vostrapellin.dll and
// of its pattern library in this test's own folder, registered; a drummer
// created by class id opens its property page in the system's property
// frame, driven from a timer. The page holds the panel at its preferred
// size with its six slice rows; its picture is written for the reader that
// checks it. The module's settings go to a private key, and its
// registration is put back afterwards.
#include "base/registry.h"
#include "plugin/framework/gui/tests/gui_test_support.h"
#include "plugin/framework/mfx/testing/mfx_test_host.h"
#include "plugin/framework/plugin/tests/module_copy.h"
#include "plugin/slice/plugin/vostrapellin_ids.h"
#include "testing/sandbox.h"
#include "testing/screenshot.h"

#include <gtest/gtest.h>

namespace {

using namespace Quorvane;

using drummer_testing::classOf;

[[maybe_unused]] ::testing::Environment *const environment =
    drummer_testing::addModuleCopyEnvironment({"Vostrapellin.dll",
                                               "Patterns",
                                               &LoopSlice::CLSID_VostrapellinMFX,
                                               &LoopSlice::CLSID_VostrapellinPropertyPage,
                                               {}});

struct Page {
    HWND frame = nullptr;
    HWND panel = nullptr;
    RECT client{};
    int ticks = 0;
    testing_support::WindowPicture picture;
};
Page *page = nullptr;

BOOL CALLBACK findPanel(HWND window, LPARAM data)
{
    auto &p = *reinterpret_cast<Page *>(data);
    const bool ours =
        classOf(window).rfind("QuorvaneWindow.", 0) == 0 &&
        reinterpret_cast<HMODULE>(GetClassLongPtrA(window, GCLP_HMODULE)) == drummer_testing::copiedModule();
    // The panel: the largest of the module's windows (the loop browser's
    // folder combo is one too).
    RECT area{};
    GetClientRect(window, &area);
    RECT best{};
    if (p.panel)
        GetClientRect(p.panel, &best);
    const bool shownChild = IsWindowVisible(window) && (GetWindowLongA(window, GWL_STYLE) & WS_CHILD);
    if (ours && shownChild && area.right * area.bottom > best.right * best.bottom)
        p.panel = window;
    return TRUE;
}

void CALLBACK driveFrame(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (!page->frame) {
        page->frame = drummer_testing::findPropertyFrame();
        if (!page->frame)
            return;
        EnumChildWindows(page->frame, findPanel, reinterpret_cast<LPARAM>(page));
        if (!page->panel) {
            PostMessageA(page->frame, WM_COMMAND, IDCANCEL, 0);
            KillTimer(nullptr, timer);
            return;
        }
        GetClientRect(page->panel, &page->client);
    }
    // A few ticks for the panel's own timer and the loop browser to settle.
    if (++page->ticks < 3)
        return;
    page->picture = testing_support::printWindow(page->panel);
    drummer_testing::writePagePicture(page->picture, "vostrapellin_page", page->client);
    KillTimer(nullptr, timer);
    PostMessageA(page->frame, WM_COMMAND, IDOK, 0);
}

TEST(VostrapellinPageWindowTest, TheHostsPageShowsThePanelWithItsSixRows)
{
    gui_test::HostWindow host;
    IMfxEventFilter *filter = nullptr;
    ASSERT_EQ(CoCreateInstance(LoopSlice::CLSID_VostrapellinMFX, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IMfxEventFilter, reinterpret_cast<void **>(&filter)),
              S_OK);
    mfx_testing::HostContext context;
    ASSERT_EQ(filter->Connect(context.context()), S_OK);
    Page seen;
    page = &seen;
    EXPECT_EQ(drummer_testing::showPropertyFrame(host.handle(), filter, driveFrame), S_OK);
    page = nullptr;
    ASSERT_NE(seen.panel, nullptr) << "the page showed the panel";

    // The preferred size: six rows of 33 and 2, the header band of 54 and
    // the bottom band of 90; 540 wide.
    EXPECT_EQ(seen.client.right, 540);
    EXPECT_EQ(seen.client.bottom, 344);
    ASSERT_EQ(seen.picture.width, 540);
    ASSERT_EQ(seen.picture.height, 344);
    // Six rows: a separator above each, and each row's event bar with its
    // sunken frame (grey at its left edge, white at its bottom).
    for (int row = 0; row < 6; ++row) {
        EXPECT_EQ(seen.picture.at(1, 51 + 33 * row), RGB(160, 160, 160)) << row;
        EXPECT_EQ(seen.picture.at(180, 54 + 33 * row + 10), RGB(128, 128, 128)) << row;
        EXPECT_EQ(seen.picture.at(250, 54 + 33 * row + 28), RGB(255, 255, 255)) << row;
    }
    EXPECT_FALSE(IsWindow(seen.panel)) << "closed with the frame";

    filter->Disconnect();
    EXPECT_EQ(filter->Release(), 0u);
}

} // namespace
