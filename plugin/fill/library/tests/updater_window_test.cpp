#include "plugin/fill/library/updater_window.h"

#include "plugin/fill/library/tests/own_windows.h"

#include <gtest/gtest.h>

#include <regex>
#include <vector>

namespace {

using namespace Quorvane;

void *createParameter = nullptr;
int destroyed = 0;

LRESULT CALLBACK recordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE)
        createParameter = reinterpret_cast<const CREATESTRUCTA *>(lParam)->lpCreateParams;
    if (message == WM_DESTROY)
        ++destroyed;
    return DefWindowProcA(window, message, wParam, lParam);
}

bool classRegistered()
{
    WNDCLASSEXA info = {};
    info.cbSize = sizeof info;
    return GetClassInfoExA(GetModuleHandleA(nullptr), updaterClassName().c_str(), &info) != 0;
}

TEST(UpdaterWindow, NamesItsMessageAndClass)
{
    EXPECT_EQ(patternTreeChangedMessage(), RegisterWindowMessageA("Quorvane_PatternTreeChanged"));
    EXPECT_NE(patternTreeChangedMessage(), 0u);
    EXPECT_TRUE(std::regex_match(updaterClassName(), std::regex("Quorvane_TreeUpdater_[0-9A-F]{8}")))
        << updaterClassName();
}

TEST(UpdaterWindow, ClassStaysRegisteredWhileAnyUserHoldsIt)
{
    ASSERT_FALSE(classRegistered());
    ASSERT_TRUE(acquireUpdaterClass(&recordingProcedure));
    ASSERT_TRUE(acquireUpdaterClass(&recordingProcedure));
    EXPECT_TRUE(classRegistered());
    releaseUpdaterClass();
    EXPECT_TRUE(classRegistered());
    releaseUpdaterClass();
    EXPECT_FALSE(classRegistered());
    // More releases than users change nothing.
    releaseUpdaterClass();
    ASSERT_TRUE(acquireUpdaterClass(&recordingProcedure));
    EXPECT_TRUE(classRegistered());
    releaseUpdaterClass();
}

TEST(UpdaterWindow, IsAMessageOnlyWindowThatGetsItsOwner)
{
    ASSERT_TRUE(acquireUpdaterClass(&recordingProcedure));
    int owner = 0;
    createParameter = nullptr;
    destroyed = 0;
    HWND window = createUpdaterWindow(&owner);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(createParameter, &owner);
    // Found among the message-only windows: it needs no display.
    EXPECT_EQ(ownMessageOnlyWindows(updaterClassName()), std::vector<HWND>{window});
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_EQ(destroyed, 1);
    releaseUpdaterClass();
}

} // namespace
