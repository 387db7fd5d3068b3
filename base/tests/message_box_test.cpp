#include "base/message_box.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ShowMessageBox, AHookAnswersInsteadOfTheUser)
{
    std::string seen;
    Quorvane::MessageBoxHook previous =
        Quorvane::setMessageBoxHook([&](HWND, const char *text, const char *caption, UINT type) {
            seen = std::string(caption) + "|" + text + "|" + std::to_string(type);
            return IDNO;
        });
    EXPECT_EQ(Quorvane::showMessageBox(nullptr, "Replace?", "Drum map", MB_YESNO), IDNO);
    EXPECT_EQ(seen, "Drum map|Replace?|" + std::to_string(MB_YESNO));
    EXPECT_EQ(Quorvane::showMessageBox(nullptr, nullptr, nullptr, MB_OK), IDNO) << "null texts are empty";
    EXPECT_EQ(seen, "||0");
    Quorvane::setMessageBoxHook(previous);
}

} // namespace
