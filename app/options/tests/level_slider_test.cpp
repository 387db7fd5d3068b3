#include "app/options/level_slider.h"
#include "app/options/metronome_level.h"

#include "app/options/option_dialog_ids.h"
#include "app/options/tests/dialog_answer.h"
#include "data/tests/fake_sound.h"
#include "sound/soft_synth_base.h"
#include "testing/real_input.h"
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

// A window of the program under the popup, noting the clicks it gets.
struct Owner {
    Owner()
    {
        WNDCLASSA kind{};
        kind.lpfnWndProc = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (message == WM_LBUTTONDOWN)
                ++clicks;
            return DefWindowProcA(window, message, wParam, lParam);
        };
        kind.hInstance = GetModuleHandleA(nullptr);
        kind.lpszClassName = "LevelSliderOwner";
        RegisterClassA(&kind);
        window = CreateWindowExA(0, kind.lpszClassName, "Owner", WS_POPUP | WS_VISIBLE, 100, 100, 600, 400,
                                 nullptr, nullptr, kind.hInstance, nullptr);
        SetForegroundWindow(window);
        clicks = 0;
    }
    ~Owner() { DestroyWindow(window); }
    HWND window = nullptr;
    static inline int clicks = 0;
};

} // namespace

// The popup closes as a menu does: Esc, or a click elsewhere that reaches
// nothing else; the level stays as it was.
TEST(LevelSliderWindow, EscOrAClickElsewhereClosesItAndChangesNothing)
{
    CoInitialize(nullptr);
    for (const bool escape : {true, false}) {
        SCOPED_TRACE(escape ? "Esc" : "a click elsewhere");
        Owner owner;
        ASSERT_NE(owner.window, nullptr);
        std::vector<int> changes;
        bool enabled = false;
        DialogAnswer answer(IDC_LEVEL_SLIDER, [&](HWND) {
            enabled = IsWindowEnabled(owner.window) != FALSE;
            if (escape)
                testing_support::sendKeys({VK_ESCAPE});
            else
                testing_support::sendClick(POINT{150, 450}); // the owner's corner, away from the popup
        });
        // A popup that stays is cancelled after a generous bound, so that
        // the test fails rather than waits.
        const UINT_PTR bound = SetTimer(nullptr, 0, 15000, [](HWND, UINT, UINT_PTR, DWORD) {
            EnumThreadWindows(
                GetCurrentThreadId(),
                [](HWND window, LPARAM) -> BOOL {
                    if (GetDlgItem(window, IDC_LEVEL_SLIDER))
                        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
                    return TRUE;
                },
                0);
        });
        const DWORD start = GetTickCount();
        const int last =
            RunLevelSlider(owner.window, {500, 250}, 64, [&](int value) { changes.push_back(value); });
        const DWORD took = GetTickCount() - start;
        KillTimer(nullptr, bound);
        EXPECT_TRUE(answer.answered());
        EXPECT_LT(took, 15000u) << "the popup stayed";
        EXPECT_EQ(last, 64);
        EXPECT_TRUE(changes.empty());
        EXPECT_TRUE(enabled) << "the popup disables no window";
        EXPECT_EQ(Owner::clicks, 0) << "the click that closed the popup went nowhere else";
    }
    CoUninitialize();
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
