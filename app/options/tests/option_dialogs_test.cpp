#include "app/options/accent_dialog.h"
#include "app/options/option_dialog_ids.h"
#include "app/options/option_settings.h"
#include "app/program_profile.h"
#include "app/options/playback_dialog.h"
#include "app/options/tests/dialog_answer.h"

#include "testing/sandbox.h"
#include "testing/screenshot.h"

#include <gtest/gtest.h>

#include <string>
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
    ProgramOptions settings; // accent off, 120, 36, 49, 49, 110, 1/16
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

    EXPECT_EQ(settings.accent, 1);
    EXPECT_EQ(settings.accThreshold, 127); // brought into 1..127
    EXPECT_EQ(settings.accVelocity, 90);
    EXPECT_EQ(settings.accNote1, 36);
    EXPECT_EQ(settings.accNote2a, 49);
    EXPECT_EQ(settings.accNote2b, 51);
    EXPECT_EQ(settings.accDuration, 3);
}

TEST_F(OptionDialogsTest, CancellingTheAccentDialogKeepsTheSettings)
{
    ProgramOptions settings;
    settings.accNote1 = 40;
    DialogAnswer answer(IDC_ACCENT_ON, [](HWND dialog) {
        press(dialog, IDC_ACCENT_ON);
        choose(dialog, IDC_ACCENT_NOTE1, 0);
        press(dialog, IDCANCEL);
    });
    EXPECT_FALSE(RunAccentDialog(nullptr, settings, {}));
    EXPECT_EQ(settings.accent, 0);
    EXPECT_EQ(settings.accNote1, 40);
}

TEST_F(OptionDialogsTest, StrengthIsOnlyEditableWhileTheBenderDrivesTheVelocity)
{
    ProgramOptions settings;
    settings.extPitch = 0;
    settings.veloStat = 64;
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
    EXPECT_EQ(settings.extPitch, 1);
    EXPECT_EQ(settings.trgVelo, 0);
    EXPECT_EQ(settings.strength, 55);
    EXPECT_EQ(settings.veloStat, 1); // brought into 1..127
}

TEST(OptionSettingsTest, OnlyChangedValuesAreWrittenEachToItsKey)
{
    testing_support::RegistrySandbox sandbox;
    const ProgramProfile profile(sandbox.product());
    ProgramOptions before, after;
    EXPECT_EQ(WriteChangedOptions(before, after, profile), 0);
    after.accent = 1;
    after.accNote2b = 51;
    after.accDuration = 0;
    after.veloStat = 80;
    after.extPitch = 0;
    EXPECT_EQ(WriteChangedOptions(before, after, profile), 5);
    const struct {
        const char *key;
        int value;
    } written[] = {{"Accent", 1}, {"AccNote2b", 51}, {"AccDur", 0}, {"VeloStat", 80}, {"ExtPitch", 0}};
    for (const auto &w : written)
        EXPECT_EQ(profile.getInt(w.key, -1), w.value) << w.key;
    for (const char *unchanged : {"AccNote1", "AccTrshld", "TrgVelo", "Strength", "OLEMidi", "NameW"})
        EXPECT_EQ(profile.getInt(unchanged, -1), -1) << unchanged;
}
