// The commit dialog driven as a user drives it: no answer, "Yes", "No", and
// "Don't ask me again".
#include "db/dialogs/commit_dialog.h"

#include "db/dialogs/dialog_ids.h"
#include "db/dialogs/program_options.h"
#include "base/registry.h"
#include "db/dialogs/tests/dialog_driver.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <commctrl.h>

using namespace Quorvane;
using namespace dialogs_test;

namespace {

constexpr const char *kCaption = "Equipment DataBase";
constexpr uint32_t kUnset = 0xDEAD;
constexpr const char *kProgram = "Rallimoth";

class CommitDialogTest : public ::testing::Test {
protected:
    void SetUp() override { CoInitialize(nullptr); }
    void TearDown() override { CoUninitialize(); }

    INT_PTR run(std::vector<Step> steps)
    {
        return runScripted(
            kCaption, [] { return RunCommitDialog(GetModuleHandleA(nullptr), kProgram); }, std::move(steps));
    }
    static uint32_t stored()
    {
        return ReadProgramInt(kProgram, kOptionsSection, kCommitDialogOption, kUnset);
    }

    testing_support::CurrentUserOverride user;
};

TEST_F(CommitDialogTest, WithoutAnAnswerItSavesAfterFiveSeconds)
{
    int positions[2] = {-1, -1};
    const DWORD start = GetTickCount();
    const INT_PTR result = run({[&](HWND dialog) {
        char text[64] = {};
        GetDlgItemTextA(dialog, IDC_COMMIT_COUNTDOWN, text, sizeof text);
        EXPECT_STREQ(text, "(Autosave after 5 sec)");
        EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_COMMIT_PROGRESS, PBM_GETRANGE, TRUE, 0), 0);
        EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_COMMIT_PROGRESS, PBM_GETRANGE, FALSE, 0), 25);
        EXPECT_NE(SendDlgItemMessageA(dialog, IDC_COMMIT_ICON, STM_GETICON, 0, 0), 0);
        const auto bar = [dialog] { return int(SendDlgItemMessageA(dialog, IDC_COMMIT_PROGRESS, PBM_GETPOS, 0, 0)); };
        positions[0] = bar();
        // The bar moves with the ticks, however long each takes here.
        EXPECT_TRUE(pumpUntil([&] { return bar() >= positions[0] + 2; }));
        positions[1] = bar();
        picture(dialog, "stavrund_commit_dialog");
        waitUntilClosed(dialog, 10000);
    }});
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(result, IDOK);
    EXPECT_GE(elapsed, 4800u) << "it saved before its five seconds";
    EXPECT_LE(positions[0], 1);
    EXPECT_GE(positions[1], positions[0] + 2);
    EXPECT_EQ(stored(), kUnset);
}

TEST_F(CommitDialogTest, YesAndNoAnswerAtOnce)
{
    EXPECT_EQ(run({[](HWND dialog) { click(dialog, IDOK); }}), IDOK);
    EXPECT_EQ(run({[](HWND dialog) { click(dialog, IDCANCEL); }}), IDCANCEL);
    EXPECT_EQ(stored(), kUnset);
}

TEST_F(CommitDialogTest, DontAskMeAgainIsStoredAsItIsClicked)
{
    uint32_t afterCheck = kUnset, afterUncheck = kUnset;
    const INT_PTR result = run({[&](HWND dialog) {
                                    click(dialog, IDC_COMMIT_DONT_ASK);
                                    afterCheck = stored();
                                    click(dialog, IDC_COMMIT_DONT_ASK);
                                    afterUncheck = stored();
                                    click(dialog, IDC_COMMIT_DONT_ASK);
                                },
                                [](HWND dialog) { click(dialog, IDCANCEL); }});
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(afterCheck, 0u);
    EXPECT_EQ(afterUncheck, 1u);
    EXPECT_EQ(stored(), 0u);
    // Under the program's own name, in its "Options".
    EXPECT_EQ(readRegistryDword("Software\\Quorvane\\Rallimoth\\Options", "DBCommitDialog", kUnset, true),
              0u);
}

} // namespace
