#include "app/files/file_choice.h"

#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <cstring>
#include <shlobj.h>

using namespace Quorvane;

TEST(FileChoiceTest, ExtensionsDecideTheKindWhateverTheirCase)
{
    const struct {
        const char *name;
        PartFileKind kind;
    } cases[] = {
        {"C:\\a\\groove.qns", PartFileKind::Style},
        {"x.QN3X12", PartFileKind::Style},
        {"x.qnp", PartFileKind::Part},
        {"C:\\b.c\\X.Qn3", PartFileKind::Part},
        {"x.qn", PartFileKind::None},
        {"x.qnsx", PartFileKind::None},
        {"qnp", PartFileKind::None},
        {"C:\\dir.qns\\file.mid", PartFileKind::None},
    };
    for (const auto &c : cases)
        EXPECT_EQ(KindOfFileName(c.name), c.kind) << c.name;
}

TEST(FileChoiceTest, TheFirstKnownDroppedFileWins)
{
    EXPECT_EQ(FirstKnownFile({"a.mid", "b.wav", "c.QNP", "d.qns"}), 2);
    EXPECT_EQ(FirstKnownFile({"a.mid", "b.txt"}), -1);
    EXPECT_EQ(FirstKnownFile({}), -1);
}

TEST(FileChoiceTest, DroppedNamesAreReadFromTheBlock)
{
    // A file list as the shell hands it over: the 20-byte header, then the
    // names, each ended by a zero, and one more zero.
    const char names[] = "C:\\one.mid\0D:\\two.qns\0";
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + sizeof(names));
    ASSERT_NE(block, nullptr);
    auto *header = static_cast<DROPFILES *>(GlobalLock(block));
    header->pFiles = sizeof(DROPFILES);
    std::memcpy(reinterpret_cast<char *>(header) + sizeof(DROPFILES), names, sizeof(names));
    GlobalUnlock(block);

    const std::vector<std::string> read = DroppedFileNames(static_cast<HDROP>(block));
    GlobalFree(block);
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0], "C:\\one.mid");
    EXPECT_EQ(read[1], "D:\\two.qns");
    EXPECT_TRUE(DroppedFileNames(nullptr).empty());
}

TEST(FileChoiceTest, FolderIsEverythingBeforeTheLastSlash)
{
    EXPECT_EQ(FolderOf("C:\\a\\b\\c.qns"), "C:\\a\\b");
    EXPECT_EQ(FolderOf("C:/a/c.qns"), "C:/a");
    EXPECT_EQ(FolderOf("c.qns"), "");
}

class FileDialogAnswer : public testing::Test {
protected:
    void TearDown() override { SetFileDialogRunner({}); }
    testing_support::TempFolder temp;
};

TEST_F(FileDialogAnswer, TheDialogStartsInTheLastFolderAndTheFolderFollowsTheChoice)
{
    char before[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, before);
    std::string seenFolder, seenFilter, seenExtension;
    bool seenSave = false;
    SetFileDialogRunner([&](OPENFILENAMEA &dialog, bool save) {
        seenSave = save;
        seenFolder = dialog.lpstrInitialDir ? dialog.lpstrInitialDir : "";
        seenFilter.assign(dialog.lpstrFilter, 60);
        seenExtension = dialog.lpstrDefExt;
        // The platform's dialog may move the current folder.
        SetCurrentDirectoryA(temp.path().c_str());
        std::strcpy(dialog.lpstrFile, "C:\\styles\\new\\funk.qns");
        return true;
    });
    std::string folder = "C:\\styles";
    const std::string path = ChoosePartFile(nullptr, PartFileKind::Style, true, folder);
    EXPECT_EQ(path, "C:\\styles\\new\\funk.qns");
    EXPECT_EQ(folder, "C:\\styles\\new");
    EXPECT_TRUE(seenSave);
    EXPECT_EQ(seenFolder, "C:\\styles");
    EXPECT_EQ(seenExtension, "qns");
    EXPECT_EQ(std::string(seenFilter.c_str()), "QNOV Style Files (*.qns)");
    char after[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, after);
    EXPECT_STREQ(after, before);
}

TEST_F(FileDialogAnswer, OpeningAPartAlsoOffersTheOlderExtension)
{
    std::string pattern;
    bool seenSave = true;
    SetFileDialogRunner([&](OPENFILENAMEA &dialog, bool save) {
        seenSave = save;
        pattern = dialog.lpstrFilter + std::strlen(dialog.lpstrFilter) + 1;
        return false;
    });
    std::string folder = "C:\\keep";
    EXPECT_EQ(ChoosePartFile(nullptr, PartFileKind::Part, false, folder), "");
    EXPECT_FALSE(seenSave);
    EXPECT_EQ(pattern, "*.qnp;*.qn3");
    // A cancelled dialog leaves the folder.
    EXPECT_EQ(folder, "C:\\keep");
}
