#include "app/options/accent_dialog.h"
#include "app/options/option_dialog_ids.h"
#include "app/options/option_settings.h"
#include "app/options/playback_dialog.h"
#include "app/options/tests/dialog_answer.h"

#include "testing/screenshot.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace Quorvane;
using rallimoth_test::choose;
using rallimoth_test::DialogAnswer;
using rallimoth_test::press;

namespace {

std::string listItem(HWND dialog, int id, int index)
{
    char text[128] = {};
    SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    return text;
}

bool enabled(HWND dialog, int id)
{
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

class OptionDialogsTest : public testing::Test {
protected:
    void SetUp() override { CoInitialize(nullptr); }
    void TearDown() override { CoUninitialize(); }
};

} // namespace

TEST_F(OptionDialogsTest, AccentDialogShowsTheSettingsAndReadsTheUsersChoice)
{
    AccentSettings settings; // accent off, 120, 36, 49, 49, 110, 1/16
    const NoteNamer names = [](int note) { return note == 36 ? std::string("Kick") : std::string(); };
    struct {
        bool offDisables = false;
        std::string kick, below, top, bottom;
        int note1 = -1, duration = -1, durations = 0;
        std::string threshold;
    } seen;
    DialogAnswer answer(IDC_ACCENT_ON, [&](HWND dialog) {
        seen.offDisables = !enabled(dialog, IDC_ACCENT_NOTE1) && !enabled(dialog, IDC_ACCENT_THRESHOLD);
        seen.kick = listItem(dialog, IDC_ACCENT_NOTE1, 127 - 36);
        seen.below = listItem(dialog, IDC_ACCENT_NOTE1, 127 - 35);
        seen.top = listItem(dialog, IDC_ACCENT_NOTE2A, 0);
        seen.bottom = listItem(dialog, IDC_ACCENT_NOTE2B, 127);
        seen.note1 = static_cast<int>(SendDlgItemMessageA(dialog, IDC_ACCENT_NOTE1, CB_GETCURSEL, 0, 0));
        seen.duration =
            static_cast<int>(SendDlgItemMessageA(dialog, IDC_ACCENT_DURATION, CB_GETCURSEL, 0, 0));
        seen.durations =
            static_cast<int>(SendDlgItemMessageA(dialog, IDC_ACCENT_DURATION, CB_GETCOUNT, 0, 0));
        char text[16] = {};
        GetDlgItemTextA(dialog, IDC_ACCENT_THRESHOLD, text, sizeof(text));
        seen.threshold = text;

        press(dialog, IDC_ACCENT_ON);
        EXPECT_TRUE(enabled(dialog, IDC_ACCENT_NOTE1));
        SetDlgItemTextA(dialog, IDC_ACCENT_THRESHOLD, "200");
        SetDlgItemTextA(dialog, IDC_ACCENT_VELOCITY, "90");
        choose(dialog, IDC_ACCENT_NOTE2B, 127 - 51);
        choose(dialog, IDC_ACCENT_DURATION, 3);
        testing_support::writeWindowPicture(dialog, "rallimoth_accent_dialog");
        press(dialog, IDOK);
    });
    ASSERT_TRUE(RunAccentDialog(nullptr, settings, names));
    ASSERT_TRUE(answer.answered());
    EXPECT_TRUE(seen.offDisables);
    EXPECT_EQ(seen.kick, "Kick");
    EXPECT_EQ(seen.below, "35");
    EXPECT_EQ(seen.top, "127");
    EXPECT_EQ(seen.bottom, "0");
    EXPECT_EQ(seen.note1, 127 - 36);
    EXPECT_EQ(seen.duration, 2);
    EXPECT_EQ(seen.durations, 4);
    EXPECT_EQ(seen.threshold, "120");

    EXPECT_EQ(settings.on, 1);
    EXPECT_EQ(settings.threshold, 127); // brought into 1..127
    EXPECT_EQ(settings.velocity, 90);
    EXPECT_EQ(settings.note1, 36);
    EXPECT_EQ(settings.note2a, 49);
    EXPECT_EQ(settings.note2b, 51);
    EXPECT_EQ(settings.duration, 3);
}

TEST_F(OptionDialogsTest, CancellingTheAccentDialogKeepsTheSettings)
{
    AccentSettings settings;
    settings.note1 = 40;
    DialogAnswer answer(IDC_ACCENT_ON, [](HWND dialog) {
        press(dialog, IDC_ACCENT_ON);
        choose(dialog, IDC_ACCENT_NOTE1, 0);
        press(dialog, IDCANCEL);
    });
    EXPECT_FALSE(RunAccentDialog(nullptr, settings, {}));
    EXPECT_EQ(settings.on, 0);
    EXPECT_EQ(settings.note1, 40);
}

TEST_F(OptionDialogsTest, StrengthIsOnlyEditableWhileTheBenderDrivesTheVelocity)
{
    PlaybackSettings settings;
    settings.bendToVelocity = 0;
    settings.internalVelocity = 64;
    bool disabledAtFirst = false, enabledAfter = false;
    DialogAnswer answer(IDC_PLAYBACK_BENDER, [&](HWND dialog) {
        disabledAtFirst = !enabled(dialog, IDC_PLAYBACK_STRENGTH);
        press(dialog, IDC_PLAYBACK_BENDER);
        enabledAfter = enabled(dialog, IDC_PLAYBACK_STRENGTH);
        press(dialog, IDC_PLAYBACK_TRIGGER);
        SetDlgItemTextA(dialog, IDC_PLAYBACK_STRENGTH, "55");
        SetDlgItemTextA(dialog, IDC_PLAYBACK_VELOCITY, "0");
        testing_support::writeWindowPicture(dialog, "rallimoth_playback_dialog");
        press(dialog, IDOK);
    });
    ASSERT_TRUE(RunPlaybackDialog(nullptr, settings));
    EXPECT_TRUE(disabledAtFirst);
    EXPECT_TRUE(enabledAfter);
    EXPECT_EQ(settings.bendToVelocity, 1);
    EXPECT_EQ(settings.triggerVelocity, 0);
    EXPECT_EQ(settings.strength, 55);
    EXPECT_EQ(settings.internalVelocity, 1); // brought into 1..127
}

TEST(OptionSettingsTest, OnlyChangedValuesAreWrittenEachToItsKey)
{
    std::vector<std::pair<std::string, int>> written;
    const OptionWriter write = [&](const char *key, int value) { written.emplace_back(key, value); };
    AccentSettings before, after;
    EXPECT_EQ(WriteChanged(before, after, write), 0);
    after.on = 1;
    after.note2b = 51;
    after.duration = 0;
    EXPECT_EQ(WriteChanged(before, after, write), 3);
    PlaybackSettings was, now;
    now.internalVelocity = 80;
    now.bendToVelocity = 0;
    EXPECT_EQ(WriteChanged(was, now, write), 2);
    EXPECT_EQ(written,
              (std::vector<std::pair<std::string, int>>{
                  {"Accent", 1}, {"AccNote2b", 51}, {"AccDur", 0}, {"VeloStat", 80}, {"ExtPitch", 0}}));
}
