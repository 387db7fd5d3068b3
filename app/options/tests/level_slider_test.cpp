#include "app/options/level_slider.h"
#include "app/options/metronome_level.h"

#include "app/options/option_dialog_ids.h"
#include "app/options/tests/dialog_answer.h"
#include "data/tests/fake_sound.h"
#include "sound/soft_synth_base.h"
#include "testing/screenshot.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstring>
#include <utility>
#include <vector>

using namespace Quorvane;
using rallimoth_test::DialogAnswer;

TEST(LevelSliderPlace, ThePopupIsCentredAndKeptInsideTheArea)
{
    const RECT area{0, 0, 1280, 1000};
    const struct {
        POINT centre;
        RECT expected;
    } cases[] = {
        {{640, 500}, {620, 450, 660, 550}},
        {{5, 20}, {0, 0, 40, 100}},
        {{1279, 999}, {1240, 900, 1280, 1000}},
    };
    for (const auto &c : cases) {
        const RECT at = PlacePopup(c.centre, {40, 100}, area);
        EXPECT_EQ(at.left, c.expected.left);
        EXPECT_EQ(at.top, c.expected.top);
        EXPECT_EQ(at.right, c.expected.right);
        EXPECT_EQ(at.bottom, c.expected.bottom);
    }
}

TEST(LevelSliderWindow, EveryMoveIsHandedOnAndLettingGoCloses)
{
    CoInitialize(nullptr);
    std::vector<int> changes;
    int shownPosition = -1;
    RECT frame{};
    DialogAnswer answer(IDC_LEVEL_SLIDER, [&](HWND dialog) {
        HWND slider = GetDlgItem(dialog, IDC_LEVEL_SLIDER);
        GetWindowRect(dialog, &frame);
        shownPosition = static_cast<int>(SendMessageA(slider, TBM_GETPOS, 0, 0));
        testing_support::writeWindowPicture(dialog, "rallimoth_level_slider");
        // The top is the loudest: position 27 is level 100.
        SendMessageA(slider, TBM_SETPOS, TRUE, 27);
        SendMessageA(dialog, WM_VSCROLL, MAKEWPARAM(TB_THUMBTRACK, 27), reinterpret_cast<LPARAM>(slider));
        SendMessageA(slider, TBM_SETPOS, TRUE, 0);
        SendMessageA(dialog, WM_VSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 0), reinterpret_cast<LPARAM>(slider));
        SendMessageA(dialog, WM_VSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(slider));
    });
    const int last = RunLevelSlider(nullptr, {300, 300}, 90, [&](int value) { changes.push_back(value); });
    CoUninitialize();
    ASSERT_TRUE(answer.answered());
    EXPECT_EQ(shownPosition, 127 - 90);
    EXPECT_EQ(changes, (std::vector<int>{100, 127}));
    EXPECT_EQ(last, 127);
    EXPECT_EQ((frame.left + frame.right) / 2, 300);
    EXPECT_EQ((frame.top + frame.bottom) / 2, 300);
}

namespace {

// The preview synthesizer as the metronome level sees it: parameter 0.
struct LevelSynth final : SoftSynthBase {
    void Destroy() override {}
    void MidiIn(const uint8_t *, int) override {}
    bool RenderAdding(float **, int) override { return false; }
    bool RenderReplacing(float **, int) override { return false; }
    void SaveState(Seekable::OutputStream *) override {}
    void LoadState(Seekable::InputStream *) override {}
    void GetEditorSize(int *, int *) override {}
    bool OpenEditor(HWND) override { return false; }
    bool CloseEditor() override { return false; }
    const char *GetName() override { return "Default Preview"; }
    int GetStateSize() override { return 0; }
    void *GetSubInterface(int) override { return nullptr; }
    float GetParam(int index) override { return index == 0 ? level : 0.0f; }
    void SetParam(int index, float value) override { written.push_back({index, value}); }

    float level = 63.6f;
    std::vector<std::pair<int, float>> written;
};

struct OneOutputTract final : FakeTract {
    void *GetNextOut(void *out) override { return out ? nullptr : &first; }
    char *GetZQSoftSynthName(void *out) override { return out == &first ? name : nullptr; }
    IQuorvaneSoftSynth *GetISoftSynth(void *out) override { return out == &first ? &synth : nullptr; }
    int first = 0;
    char name[32] = "Default Preview";
    LevelSynth synth;
};

} // namespace

TEST(MetronomeLevel, ThePreviewSynthesizersLevelFollowsTheSlider)
{
    CoInitialize(nullptr);
    OneOutputTract tract;
    int shownPosition = -1;
    DialogAnswer answer(IDC_LEVEL_SLIDER, [&](HWND dialog) {
        HWND slider = GetDlgItem(dialog, IDC_LEVEL_SLIDER);
        shownPosition = static_cast<int>(SendMessageA(slider, TBM_GETPOS, 0, 0));
        SendMessageA(slider, TBM_SETPOS, TRUE, 127 - 20);
        SendMessageA(dialog, WM_VSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(slider));
    });
    EXPECT_TRUE(RunMetronomeLevel(nullptr, {200, 200}, tract));
    CoUninitialize();
    EXPECT_EQ(shownPosition, 127 - 64); // 63.6 rounded
    ASSERT_EQ(tract.synth.written.size(), 1u);
    EXPECT_EQ(tract.synth.written[0].first, 0);
    EXPECT_FLOAT_EQ(tract.synth.written[0].second, 20.0f);
}

TEST(MetronomeLevel, AnotherFirstOutputShowsNothing)
{
    OneOutputTract tract;
    std::strcpy(tract.name, "Tembri DXi");
    EXPECT_FALSE(RunMetronomeLevel(nullptr, {200, 200}, tract));
    EXPECT_TRUE(tract.synth.written.empty());
}
