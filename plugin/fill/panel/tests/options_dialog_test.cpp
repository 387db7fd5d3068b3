// The options dialog, opened by the panel's Options command and driven from
// a timer as a user would drive it: the values it shows, the velocity
// limits, the drum map's keys, names and Cancel, and what the engine's
// capabilities allow.
#include "plugin/fill/panel/tests/panel_fixture.h"

#include "base/message_box.h"
#include "plugin/fill/engine/fill_module.h"
#include "plugin/fill/engine/grindelvosket.h"
#include "plugin/fill/panel/panel_ids.h"
#include "plugin/framework/gui/gui_resources.h"
#include "plugin/framework/gui/tests/dialog_steps.h"
#include "testing/sandbox.h"
#include "testing/screenshot.h"

#include <commctrl.h>

#include <functional>

namespace panel_test {
namespace {

using namespace Quorvane;

using Step = gui_test::DialogStep;

const auto selection = gui_test::comboSelection;
const auto choose = gui_test::chooseComboItem;

std::string listCell(HWND dialog, int row, int column)
{
    char text[128] = {};
    ListView_GetItemText(GetDlgItem(dialog, IDC_DRUM_MAP_LIST), row, column, text, sizeof text);
    return text;
}

class OptionsDialogWindowTest : public PanelTest {
protected:
    // Opens the dialog through the panel's command and runs the steps, the
    // last of which closes it.
    void runDialog(std::vector<Step> steps)
    {
        const size_t left = gui_test::runDialogSteps(IDC_VELOCITY_FROM, 60, std::move(steps), [this] {
            SendMessageA(window(), WM_COMMAND, IDC_OPTIONS, 0);
        });
        EXPECT_EQ(left, 0u) << "the dialog closed before its last step";
    }
    static void press(HWND dialog, int id) { PostMessageA(dialog, WM_COMMAND, id, 0); }
};

TEST_F(OptionsDialogWindowTest, ShowsWhatTheEngineHoldsAndTakesTheLimits)
{
    ASSERT_EQ(drummer().outputChannel(), -1);
    ASSERT_EQ(drummer().outputPort(), 0);
    runDialog({
        [](HWND dialog) {
            char title[64] = {};
            GetWindowTextA(dialog, title, sizeof title);
            EXPECT_STREQ(title, "Grindelvosket Options");
            EXPECT_EQ(selection(dialog, IDC_PORT), 1) << "port 0";
            EXPECT_EQ(selection(dialog, IDC_CHANNEL), -1) << "each event's own channel: no selection";
            EXPECT_EQ(selection(dialog, IDC_MODE), 0) << "Instant";
            EXPECT_EQ(GetDlgItemInt(dialog, IDC_VELOCITY_FROM, nullptr, FALSE), 30u);
            EXPECT_EQ(GetDlgItemInt(dialog, IDC_VELOCITY_TO, nullptr, FALSE), 127u);
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_PORT)));
            EXPECT_EQ(ListView_GetItemCount(GetDlgItem(dialog, IDC_DRUM_MAP_LIST)),
                      static_cast<int>(DrumMap::listedNotes().size()));
            EXPECT_FALSE(testing_support::writeWindowPicture(dialog, "fill_options_dialog").empty());
            SetDlgItemInt(dialog, IDC_VELOCITY_FROM, 100, FALSE);
            SetDlgItemInt(dialog, IDC_VELOCITY_TO, 80, FALSE);
            SendDlgItemMessageA(dialog, IDC_MODE, CB_SETCURSEL, 1, 0);
            press(dialog, IDOK);
        },
    });
    EXPECT_EQ(drummer().minOutputVelocity(), 100);
    EXPECT_EQ(drummer().maxOutputVelocity(), 102) << "raised to 100, and 2 above the lower limit";
    EXPECT_EQ(drummer().outputChannel(), -1) << "kept: no channel was picked";
    EXPECT_EQ(drummer().outputPort(), 0);
    EXPECT_FALSE(drummer().restartHostOnChange()) << "Buffered";
}

TEST_F(OptionsDialogWindowTest, TabMovesBetweenTheFieldsAndEnterPressesOK)
{
    // The panel's message hook is in place: the dialog still gets its keys.
    // Should Enter not close it, Cancel does after a while.
    static HWND from = nullptr;
    const UINT_PTR safety = SetTimer(nullptr, 0, 3000, [](HWND, UINT, UINT_PTR, DWORD) {
        HWND dialog = gui_test::findDialogWith(IDC_VELOCITY_FROM);
        if (dialog)
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    runDialog({
        [](HWND dialog) {
            from = GetDlgItem(dialog, IDC_VELOCITY_FROM);
            SetFocus(from);
            gui_test::postKey(from, WM_KEYDOWN, VK_TAB);
            gui_test::postKey(from, WM_KEYUP, VK_TAB);
        },
        [](HWND dialog) {
            HWND focus = GetFocus();
            EXPECT_NE(focus, from) << "Tab moved on";
            EXPECT_TRUE(focus && IsChild(dialog, focus));
            EXPECT_FALSE(testing_support::writeWindowPicture(dialog, "fill_options_dialog_keys").empty());
            SetDlgItemInt(dialog, IDC_VELOCITY_FROM, 44, FALSE);
            HWND to = GetDlgItem(dialog, IDC_VELOCITY_TO);
            SetFocus(to);
            gui_test::postKey(to, WM_KEYDOWN, VK_RETURN);
            gui_test::postKey(to, WM_KEYUP, VK_RETURN);
        },
    });
    KillTimer(nullptr, safety);
    EXPECT_EQ(drummer().minOutputVelocity(), 44) << "Enter pressed OK";
}

TEST_F(OptionsDialogWindowTest, LimitsOutsideTheRangeKeepTheDialogOpen)
{
    std::vector<std::string> asked;
    setMessageBoxHook([&asked](HWND, const char *text, const char *, UINT) {
        asked.push_back(text);
        return IDOK;
    });
    runDialog({
        [](HWND dialog) {
            SetDlgItemInt(dialog, IDC_VELOCITY_TO, 200, FALSE);
            press(dialog, IDOK);
        },
        [](HWND dialog) {
            SetDlgItemInt(dialog, IDC_VELOCITY_TO, 127, FALSE);
            SendDlgItemMessageA(dialog, IDC_CHANNEL, CB_SETCURSEL, 9, 0);
            press(dialog, IDOK);
        },
    });
    EXPECT_EQ(asked, (std::vector<std::string>{"Please enter an integer between 1 and 127."}));
    EXPECT_EQ(drummer().outputChannel(), 9);
}

TEST_F(OptionsDialogWindowTest, CancelAfterPlusPressesRestoresTheMap)
{
    loadFill("Rock 01");
    const DrumMap before = drummer().drumMap();
    const int row = 0;
    int listedNote = DrumMap::listedNotes()[row];
    runDialog({
        [&](HWND dialog) {
            HWND list = GetDlgItem(dialog, IDC_DRUM_MAP_LIST);
            SetFocus(list);
            ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
            for (int i = 0; i < 3; ++i)
                gui_test::postKey(list, WM_KEYDOWN, VK_ADD);
        },
        [&](HWND dialog) {
            EXPECT_EQ(drummer().drumMap().getNote(listedNote), listedNote + 3) << "acts at once";
            EXPECT_EQ(drummer().previews.size(), 3u) << "each step heard";
            EXPECT_EQ(listCell(dialog, row, 1), drummer().noteNames().getNoteNameOrDefault(listedNote + 3));
            press(dialog, IDCANCEL);
        },
    });
    EXPECT_TRUE(drummer().drumMap().equals(before));
}

TEST_F(OptionsDialogWindowTest, TheDefaultMapResetsEveryRow)
{
    const int note = DrumMap::listedNotes()[0];
    drummer().drumMap().setNote(note, 60);
    drummer().drumMapChanged();
    runDialog({
        [&](HWND dialog) {
            EXPECT_EQ(listCell(dialog, 0, 1), drummer().noteNames().getNoteNameOrDefault(60));
            HWND names = GetDlgItem(dialog, IDC_DRUM_MAP_NAME);
            const LRESULT index = SendMessageA(names, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                               reinterpret_cast<LPARAM>(DrumMap::kDefaultName));
            ASSERT_NE(index, CB_ERR);
            choose(dialog, IDC_DRUM_MAP_NAME, static_cast<int>(index));
            EXPECT_EQ(drummer().drumMap().getNote(note), note);
            EXPECT_EQ(listCell(dialog, 0, 1), drummer().noteNames().getNoteNameOrDefault(note));
            press(dialog, IDOK);
        },
    });
}

TEST_F(OptionsDialogWindowTest, MapsAreSavedAndDeletedByName)
{
    const std::string file = dataFolder() + "\\DrumMaps\\Studio.vpm";
    DeleteFileA(file.c_str());
    drummer().drumMap().setNote(38, 40);
    std::vector<std::string> asked;
    setMessageBoxHook([&asked](HWND, const char *text, const char *, UINT) {
        asked.push_back(text);
        return IDYES;
    });
    runDialog({
        [&](HWND dialog) {
            SetDlgItemTextA(dialog, IDC_DRUM_MAP_NAME, "Studio");
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_OPTIONS_SAVE, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_OPTIONS_SAVE)));
            EXPECT_TRUE(testing_support::fileExists(file));
            EXPECT_NE(SendDlgItemMessageA(dialog, IDC_DRUM_MAP_NAME, CB_FINDSTRINGEXACT,
                                          static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("Studio")),
                      CB_ERR);
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_OPTIONS_DELETE, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_OPTIONS_DELETE)));
            EXPECT_FALSE(testing_support::fileExists(file));
            EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_DRUM_MAP_NAME, CB_FINDSTRINGEXACT,
                                          static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("Studio")),
                      CB_ERR);
            press(dialog, IDOK);
        },
    });
    EXPECT_EQ(asked.size(), 1u) << "the delete asks first";
}

TEST_F(OptionsDialogWindowTest, CapabilitiesDecideWhatCanBeChanged)
{
    drummer().capabilities = 1 | 4; // the host integration is active
    runDialog({
        [](HWND dialog) {
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_PORT)));
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_CHANNEL)));
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_MODE)));
            press(dialog, IDCANCEL);
        },
    });
    drummer().capabilities = 2 | 4;
    runDialog({
        [](HWND dialog) {
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_PORT)));
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_MODE)));
            press(dialog, IDCANCEL);
        },
    });
}

TEST_F(OptionsDialogWindowTest, NoteNamesChosenThereAndUndoneByCancel)
{
    const std::string before = drummer().noteNames().getName();
    std::string chosen;
    runDialog({
        [&](HWND dialog) {
            HWND names = GetDlgItem(dialog, IDC_OPTIONS_NOTE_NAMES);
            ASSERT_GE(SendMessageA(names, CB_GETCOUNT, 0, 0), 1);
            EXPECT_EQ(selection(dialog, IDC_OPTIONS_NOTE_NAMES), 0);
            choose(dialog, IDC_OPTIONS_NOTE_NAMES, 0);
            chosen = drummer().noteNames().getName();
            press(dialog, IDCANCEL);
        },
    });
    EXPECT_EQ(chosen, before) << "the only set here";
    EXPECT_EQ(drummer().noteNames().getName(), before);
}

} // namespace
} // namespace panel_test
