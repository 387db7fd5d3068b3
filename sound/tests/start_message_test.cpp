#include "sound/sound_mngr.h"

#include "testing/screenshot.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <string>

using namespace Quorvane;

namespace {

// The calling thread's visible top-level windows.
std::vector<HWND> threadWindows()
{
    std::vector<HWND> found;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM out) -> BOOL {
            if (IsWindowVisible(window))
                reinterpret_cast<std::vector<HWND> *>(out)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// While the engine starts, a window says so; it goes when the start is done.
TEST(StartMessage, ShowsWhileTheEngineStarts)
{
    CoInitialize(nullptr);
    CSoundMngr::StartMessage(1);
    const std::vector<HWND> shown = threadWindows();
    ASSERT_EQ(shown.size(), 1u) << "no display?";
    char text[64] = {};
    ASSERT_TRUE(GetDlgItemTextA(shown[0], -1, text, sizeof text) > 0 ||
                GetWindowTextA(GetWindow(shown[0], GW_CHILD), text, sizeof text) > 0);
    EXPECT_STREQ(text, "Tembri Sound Engine starting...");
    const testing_support::WindowPicture picture = testing_support::printWindow(shown[0]);
    EXPECT_FALSE(testing_support::writePicture(picture, "tindrel_start_message").empty());
    // Dark text on the dialog's face.
    int dark = 0;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            dark += GetRValue(picture.at(x, y)) < 64;
    EXPECT_GT(dark, 20);
    CSoundMngr::StartMessage(0);
    EXPECT_TRUE(threadWindows().empty());
    CoUninitialize();
}

} // namespace
