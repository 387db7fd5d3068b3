#include "app/options/vst_folders_dialog.h"

#include "app/options/option_dialog_ids.h"
#include "app/options/tests/dialog_answer.h"
#include "base/message_box.h"
#include "data/io_params.h"
#include "testing/screenshot.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>
#include <vector>

using namespace Quorvane;
using rallimoth_test::DialogAnswer;
using rallimoth_test::press;

namespace {

class VstFoldersTest : public testing::Test {
protected:
    void SetUp() override
    {
        CoInitialize(nullptr);
        setMessageBoxHook([this](HWND, const char *text, const char *, UINT) {
            messages.push_back(text);
            return IDOK;
        });
    }
    void TearDown() override
    {
        SetFolderBrowser({});
        setMessageBoxHook({});
        CoUninitialize();
    }
    std::vector<std::string> messages;
};

std::string field(HWND dialog, int id)
{
    char text[MAX_PATH] = {};
    GetDlgItemTextA(dialog, id, text, sizeof(text));
    return text;
}

} // namespace

TEST(VstFoldersNames, OneTrailingSlashIsCut)
{
    EXPECT_EQ(WithoutTrailingSlash("C:\\VST\\"), "C:\\VST");
    EXPECT_EQ(WithoutTrailingSlash("C:/VST/"), "C:/VST");
    EXPECT_EQ(WithoutTrailingSlash("C:\\VST"), "C:\\VST");
    EXPECT_EQ(WithoutTrailingSlash(""), "");
}

TEST(VstFoldersNames, TheIOParametersHoldTheThreeFolders)
{
    IOPARAMS params;
    EXPECT_EQ(VstFoldersOf(params), (VstFolders{"", "", ""}));
    ASSERT_TRUE(SetVstFolders(params, {"A", "", "C:\\c"}));
    EXPECT_EQ(VstFoldersOf(params), (VstFolders{"A", "", "C:\\c"}));
    EXPECT_STREQ(params.strings[IOSTR_VSTDIR3], "C:\\c");
}

TEST_F(VstFoldersTest, BrowsedAndTypedFoldersComeBackWithoutTrailingSlashes)
{
    std::string title;
    UINT flags = 0;
    SetFolderBrowser([&](BROWSEINFOA &info) -> PIDLIST_ABSOLUTE {
        title = info.lpszTitle;
        flags = info.ulFlags;
        return ILCreateFromPathA("C:\\windows");
    });
    VstFolders folders{"C:\\one", "", "C:\\three"};
    std::string shown1;
    DialogAnswer answer(IDC_VST_FOLDER1, [&](HWND dialog) {
        shown1 = field(dialog, IDC_VST_FOLDER1);
        press(dialog, IDC_VST_BROWSE2);
        SetDlgItemTextA(dialog, IDC_VST_FOLDER3, "D:\\plugins\\");
        testing_support::writeWindowPicture(dialog, "rallimoth_vst_folders_dialog");
        press(dialog, IDOK);
    });
    ASSERT_TRUE(RunVstFoldersDialog(nullptr, folders));
    EXPECT_EQ(shown1, "C:\\one");
    EXPECT_EQ(title, "Select VST Directory");
    EXPECT_TRUE(flags & BIF_RETURNONLYFSDIRS);
    EXPECT_EQ(folders[0], "C:\\one");
    EXPECT_EQ(folders[1], "C:\\windows");
    EXPECT_EQ(folders[2], "D:\\plugins");
    EXPECT_TRUE(messages.empty());
}

TEST_F(VstFoldersTest, AChoiceThatIsNoFolderTellsTheUser)
{
    SetFolderBrowser([](BROWSEINFOA &) -> PIDLIST_ABSOLUTE {
        PIDLIST_ABSOLUTE controls = nullptr;
        SHGetSpecialFolderLocation(nullptr, CSIDL_CONTROLS, &controls);
        return controls;
    });
    VstFolders folders{"C:\\one", "", ""};
    DialogAnswer answer(IDC_VST_FOLDER1, [&](HWND dialog) {
        press(dialog, IDC_VST_BROWSE1);
        EXPECT_EQ(field(dialog, IDC_VST_FOLDER1), "C:\\one");
        press(dialog, IDCANCEL);
    });
    EXPECT_FALSE(RunVstFoldersDialog(nullptr, folders));
    EXPECT_EQ(messages, std::vector<std::string>{"Shell error."});
}
