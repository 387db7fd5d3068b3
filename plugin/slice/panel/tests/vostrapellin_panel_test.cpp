// The loop-slice editor panel in a host window: its size and rows, context
// help, the grid and parameter choosers, slice focus, pads (with Ctrl and
// Shift, and switched on the host's thread), the drag-out field and the
// question about edited slices.
#include "base/message_box.h"
#include "base/string_stream.h"
#include "plugin/framework/gui/user_steps.h"
#include "plugin/framework/plugin/host_integration.h"
#include "plugin/framework/plugin/tests/fake_host_windows.h"
#include "plugin/slice/engine/loop_records.h"
#include "plugin/slice/panel/panel_ids.h"
#include "plugin/slice/panel/tests/panel_fixture.h"
#include "testing/sandbox.h"
#include "testing/screenshot.h"

#include <filesystem>
#include <thread>

namespace {

using namespace Quorvane;
using namespace Quorvane::LoopSlice;
using namespace slice_panel_test;

using VostrapellinPanelTest = PanelTest;

TEST_F(VostrapellinPanelTest, SixSliceRowsAtThePreferredSize)
{
    // Six rows of 31 and 2 between (200), the header band (26 + 4 + 24)
    // and the bottom band (90); the rows' width and 4.
    SIZE size{};
    panel().getViewSize(&size);
    EXPECT_EQ(size.cx, 540);
    EXPECT_EQ(size.cy, 344);
    RECT client{};
    GetClientRect(window(), &client);
    EXPECT_EQ(client.right, 540);
    EXPECT_EQ(client.bottom, 344);
    ASSERT_TRUE(panel().isComplete());
    for (int row = 0; row < 6; ++row) {
        LooperView &view = panel().view(row);
        EXPECT_EQ(&view.looper(), &drummer().slice(5 - row)) << "the kick on top";
        EXPECT_EQ(view.bounds(), (Rect{2, 53 + 33 * row, 536, 31})) << row;
        EXPECT_EQ(view.eventBar().bounds(), (Rect{178, 1, 214, 29}));
        EXPECT_EQ(view.patternCombo().bounds(), (Rect{131, 5, 32, 21}));
        EXPECT_EQ(&view.control(ID_NOTE_NAME), &view.noteCombo());
        EXPECT_EQ(&view.control(1234), &view.parameterEdit()) << "any other id";
    }
    EXPECT_EQ(status(), "For Help, press F1");
}

TEST_F(VostrapellinPanelTest, ContextHelpFindsTheControlAtAPoint)
{
    struct Case {
        int x;
        int y;
        int id;
    };
    const Case cases[] = {
        {10, 10, ID_MODE},
        {70, 10, ID_SMALL},
        {120, 20, ID_LARGE},
        {150, 10, ID_PAD_FIRST},
        {500, 20, ID_DRAG_OUT},
        {190, 40, ID_EDIT},
        {370, 40, ID_GRID},
        {400, 40, ID_PARAMETER_CHOOSER},
        {30, 300, ID_COMPOSE_ALL},
        {100, 280, ID_DYNAMICS},
        {270, 260, ID_HUMANIZE},
        {200, 300, ID_HUMANIZE},
        {295, 260, ID_SWING},
        {370, 300, ID_SWING},
        {320, 280, ID_QUANTIZE},
        {400, 260, ID_RESET},
        {400, 280, ID_OPTIONS},
        {400, 300, ID_HELP},
        {7, 61, ID_MUTE},
        {30, 61 + 33, ID_IDRC},
        {60, 61 + 66, ID_PART},
        {110, 55, ID_STROKES_MAX},
        {110, 72, ID_STROKES_MIN},
        {126, 63, ID_PREVIOUS_PATTERN},
        {140, 61, ID_PATTERN},
        {170, 72, ID_NEXT_PATTERN},
        {300, 61 + 5 * 33, ID_STROKES_VIEW},
        {400, 61, ID_HELP_VELOCITY},
        {500, 61, ID_NOTE_NAME},
        {539, 343, 0},
        {2, 240, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(panel().helpIdAt(c.x, c.y), c.id) << c.x << "," << c.y;
}

TEST_F(VostrapellinPanelTest, AHelpRequestSplitsItsTextIntoTooltipAndStatus)
{
    std::string tooltip;
    ASSERT_TRUE(panel().helpRequest(7055, tooltip)) << "every pad counts as 7000";
    EXPECT_EQ(tooltip, "Quick Pad Panel");
    EXPECT_EQ(status(), "Quick Pads for storing and instant recalling Loops [1,2,3,...,0]");
    ASSERT_TRUE(panel().helpRequest(ID_MUTE, tooltip));
    EXPECT_EQ(tooltip, "Mute/Solo");
    EXPECT_EQ(status(), "Click to Mute/Unmute Slice [M]; right-click - Solo/Unsolo Slice [Ctrl+M]");
    ASSERT_TRUE(panel().helpRequest(ID_SWING, tooltip));
    EXPECT_EQ(status(), "Adds swing feel to even pairs of 8th or 16th notes (50% - triplet feel)");
    tooltip = "kept";
    EXPECT_FALSE(panel().helpRequest(0, tooltip)) << "no identifier";
    EXPECT_EQ(tooltip, "kept");
}

TEST_F(VostrapellinPanelTest, TheGridComboSetsEveryEventBarsGrid)
{
    chooseItem(panel().gridCombo(), "16T");
    for (int row = 0; row < 6; ++row)
        EXPECT_EQ(panel().view(row).eventBar().grid(), 24) << row;
    chooseItem(panel().gridCombo(), "32");
    EXPECT_EQ(panel().view(3).eventBar().grid(), 32);
    chooseItem(panel().gridCombo(), "---");
    EXPECT_EQ(panel().view(3).eventBar().grid(), 0) << "no grid";

    panel().setGrid(12);
    EXPECT_EQ(panel().gridCombo().getSelectedIndex(), 2) << "8T";
    panel().setGrid(20);
    EXPECT_EQ(panel().gridCombo().getSelectedIndex(), 0) << "not listed: ---";
    EXPECT_EQ(panel().view(0).eventBar().grid(), 0);
}

TEST_F(VostrapellinPanelTest, TheParameterChooserSetsWhatEveryRowShows)
{
    drummer().slice(5).setParam(Looper::Dynamics, 70);
    drummer().slice(5).setParam(Looper::VelocityOffset, -12);
    EXPECT_EQ(panel().helpIdAt(400, 61), ID_HELP_VELOCITY);
    chooseItem(panel().parameterChooser(), "Dyn");
    for (int row = 0; row < 6; ++row)
        EXPECT_EQ(panel().view(row).parameterHelpId(), ID_HELP_DYNAMICS) << row;
    EXPECT_EQ(panel().helpIdAt(400, 61 + 33 * 4), ID_HELP_DYNAMICS);
    EXPECT_EQ(panel().view(0).parameterEdit().shownValue(), 70);
    std::string tooltip;
    ASSERT_TRUE(panel().helpRequest(panel().helpIdAt(400, 61), tooltip));
    EXPECT_EQ(tooltip, "Dynamics strength, %");
    chooseItem(panel().parameterChooser(), "Velo");
    EXPECT_EQ(panel().view(0).parameterEdit().shownValue(), -12);
    EXPECT_EQ(panel().view(0).parameterHelpId(), ID_HELP_VELOCITY);
}

TEST_F(VostrapellinPanelTest, SliceFocusWrapsAroundTheRows)
{
    const POINT bar = centre(panel().view(5).eventBar());
    click(bar.x, bar.y);
    EXPECT_EQ(panel().focusedSlice(), 5);
    EXPECT_TRUE(panel().view(5).eventBar().isHighlighted());
    EXPECT_EQ(panel().rememberedControl(), ID_STROKES_VIEW);
    struct Step {
        int command;
        int focused;
    };
    for (const Step &step : {Step{ID_NEXT_SLICE, 0}, Step{ID_PREVIOUS_SLICE, 5}, Step{ID_PREVIOUS_SLICE, 4},
                             Step{ID_FOCUS_CURRENT_SLICE, 4}}) {
        SendMessageA(window(), WM_COMMAND, step.command, 0);
        gui_test::pump();
        EXPECT_EQ(panel().focusedSlice(), step.focused) << step.command;
        EXPECT_EQ(panel().lastFocusedSlice(), step.focused);
    }
    EXPECT_TRUE(panel().view(4).eventBar().isHighlighted());
    EXPECT_FALSE(panel().view(5).eventBar().isHighlighted());
    EXPECT_EQ(panel().view(4).focusedControl(), ID_STROKES_VIEW) << "the remembered control";
}

TEST_F(VostrapellinPanelTest, PadsSwitchWithCtrlAndShiftAsTheirReturnMode)
{
    struct Case {
        int pad;
        bool control;
        bool shift;
        int current;
        int returnPad;
    };
    const Case cases[] = {
        {3, false, false, 3, -1}, // a plain switch stays
        {5, true, false, 5, 3},   // Ctrl and Shift switch back later
        {1, false, true, 1, 5},
        {1, true, false, 1, 5}, // already current: nothing
    };
    for (const Case &c : cases) {
        gui_test::ControlKeyHeld control(c.control);
        gui_test::KeysDown shift(c.shift ? std::initializer_list<int>{VK_SHIFT}
                                         : std::initializer_list<int>{});
        const POINT at = centre(panel().pads().pad(c.pad));
        click(at.x, at.y);
        EXPECT_EQ(drummer().currentPad(), c.current) << c.pad;
        EXPECT_EQ(drummer().returnPad(), c.returnPad) << c.pad;
        EXPECT_TRUE(panel().pads().pad(c.current).isSelected());
    }
}

TEST_F(VostrapellinPanelTest, APadSwitchedOnTheHostsThreadShowsOnThePads)
{
    drummer().setTriggerEnabled(true);
    ASSERT_TRUE(drummer().isTrigger(36 + 7));
    std::thread hostThread([this] {
        MfxEvent trigger{};
        trigger.kind = MfxNote;
        trigger.time = 10;
        trigger.note = 36 + 7;
        trigger.velocity = 100;
        trigger.duration = 60;
        slice_plugin_test::playWindows(drummer(), 0, 959, 480, {trigger});
    });
    hostThread.join();
    EXPECT_EQ(drummer().currentPad(), 7);
    EXPECT_FALSE(panel().pads().pad(7).isSelected()) << "told by a posted message, not yet run";
    gui_test::pump();
    EXPECT_TRUE(panel().pads().pad(7).isSelected());
    EXPECT_FALSE(panel().pads().pad(0).isSelected());
}

TEST_F(VostrapellinPanelTest, PadNewsLeaveTheCombosEntriesAloneWhenTheyDidNotChange)
{
    // An open list draws its combo's entries: the news of a pad switch on
    // the host's thread must not make them again when nothing they show
    // changed. Marks on the entries tell a rebuild.
    std::vector<FlatCombo *> combos = {&panel().modeCombo(), &panel().noteNamesCombo()};
    for (int row = 0; row < 6; ++row) {
        combos.push_back(&panel().view(row).patternCombo());
        combos.push_back(&panel().view(row).noteCombo());
        combos.push_back(&panel().view(row).strokesMax());
    }
    std::vector<FlatCombo *> marked;
    for (FlatCombo *combo : combos)
        if (combo->getItemCount() > 0) {
            combo->menu().entries()[0].flags |= MF_HELP;
            marked.push_back(combo);
        }
    ASSERT_GE(marked.size(), 8u);
    drummer().setTriggerEnabled(true);
    std::thread hostThread([this] {
        slice_plugin_test::playWindows(drummer(), 0, 959, 480, {mfx_testing::noteEvent(10, 36 + 3, 100)});
    });
    hostThread.join();
    gui_test::pump();
    ASSERT_TRUE(panel().pads().pad(3).isSelected());
    for (size_t i = 0; i < marked.size(); ++i)
        EXPECT_TRUE(marked[i]->menu().entries()[0].flags & MF_HELP) << "combo " << i << " was made again";
}

TEST_F(VostrapellinPanelTest, TheDragFieldHandsOutTheRenderedLoop)
{
    const POINT at = centre(panel().dragField());
    dragPath({at, {at.x + 3, at.y}, {at.x + 30, at.y + 10}});
    ASSERT_EQ(dragged.size(), 1u);
    ASSERT_EQ(dragged[0].size(), 1u);
    const std::filesystem::path file = dragged[0][0];
    EXPECT_EQ(file.filename(), "Vostrapellin.mid");
    ASSERT_TRUE(std::filesystem::exists(file));
    char magic[4] = {};
    FILE *in = _wfopen(file.c_str(), L"rb");
    ASSERT_NE(in, nullptr);
    fread(magic, 1, 4, in);
    fclose(in);
    EXPECT_EQ(std::string(magic, 4), "MThd");
}

TEST_F(VostrapellinPanelTest, ContinuousControlsShowTheirValueAndTellTheEngineWhenLetGo)
{
    drummer().calls.clear();
    // The swing slider's thumb, dragged up beyond the top of its track.
    const Rect swing = panel().swingSlider().getRootBounds();
    const Point thumb = panel().swingSlider().thumbCentre();
    const POINT from{swing.x + thumb.x, swing.y + thumb.y};
    dragPath({from, {from.x, from.y - 10}, {from.x, swing.y - 20}});
    EXPECT_EQ(drummer().swingPercent(), 100);
    EXPECT_EQ(status(), "Swing: 100%");
    const POINT quantize = centre(panel().quantizeButton());
    const bool quantized = drummer().quantizeOn();
    click(quantize.x, quantize.y);
    EXPECT_NE(drummer().quantizeOn(), quantized);
    EXPECT_EQ(drummer().calls, (std::vector<std::string>{"changed OnSwing", "changed OnQuantize"}));
}

TEST_F(VostrapellinPanelTest, TheHostCommandIsPostedToTheHostsMainWindow)
{
    plugin_test::FakeHostWindows host;
    ASSERT_TRUE(host.main);
    findHostWindows();
    const auto posted = [&] {
        std::vector<std::pair<WPARAM, LPARAM>> commands;
        MSG message;
        while (PeekMessageA(&message, host.main, WM_COMMAND, WM_COMMAND, PM_REMOVE))
            commands.emplace_back(message.wParam, message.lParam);
        return commands;
    };
    posted();
    SendMessageA(window(), WM_COMMAND, ID_HOST_COMMAND, 0);
    EXPECT_EQ(posted(), (std::vector<std::pair<WPARAM, LPARAM>>{{0x1801D, 0}}));
    resetHostInfo();
    // No host window found: nothing to post to, and nothing breaks.
    SendMessageA(window(), WM_COMMAND, ID_HOST_COMMAND, 0);
    EXPECT_TRUE(posted().empty());
}

// ---- "Save edits to loop?"

class SaveEditsTest : public PanelTest {
protected:
    void SetUp() override
    {
        PanelTest::SetUp();
        setMessageBoxHook([this](HWND, const char *text, const char *caption, UINT type) {
            asked.push_back(text);
            EXPECT_STREQ(caption, "Vostrapellin");
            EXPECT_EQ(type, static_cast<UINT>(MB_YESNOCANCEL | MB_ICONEXCLAMATION));
            return answer;
        });
        // A loop file, chosen in the browser; then the kick edited.
        saved = loopsFolder() + "\\first.vpl";
        ASSERT_TRUE(panel().browser().saveTo(saved));
        ASSERT_TRUE(panel().browser().combo().isFileSelected());
        kick().addNote(480, 36, 77);
        ASSERT_TRUE(kick().content()->modified);
    }
    Looper &kick() { return drummer().slice(5); }
    bool kickHasTheEdit() const
    {
        for (const CMidiTrack::Event &e : drummer_->slice(5).content()->events())
            if (e.time == 480 && e.data2 == 77)
                return true;
        return false;
    }
    std::vector<std::string> asked;
    int answer = IDCANCEL;
    std::string saved;
};

TEST_F(SaveEditsTest, CancelKeepsTheLoopAndItsEdits)
{
    answer = IDCANCEL;
    EXPECT_FALSE(panel().browser().load());
    EXPECT_EQ(asked, (std::vector<std::string>{"Save edits to loop?"}));
    EXPECT_TRUE(kickHasTheEdit());
    EXPECT_TRUE(kick().content()->modified);
}

TEST_F(SaveEditsTest, NoLoadsTheFileWithoutSaving)
{
    answer = IDNO;
    EXPECT_TRUE(panel().browser().load());
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_FALSE(kickHasTheEdit()) << "the file's loop, without the edit";
    EXPECT_FALSE(drummer().anyModified());
}

TEST_F(SaveEditsTest, YesSavesIntoTheSelectedFileFirst)
{
    answer = IDYES;
    EXPECT_TRUE(panel().browser().load());
    EXPECT_TRUE(kickHasTheEdit()) << "saved, then loaded back";
    EXPECT_FALSE(drummer().anyModified());
    EXPECT_EQ(std::filesystem::directory_iterator(loopsFolder())->path().filename(), "first.vpl")
        << "no temporary file stays";
}

TEST_F(SaveEditsTest, YesForALoopOfNoFileAsksForAFreeName)
{
    // A loop that came from no file asks for a name, proposing a free one
    // beside the shown file rather than the shown file itself; the user
    // cancels.
    panel().browser().forgetLoopFile();
    answer = IDYES;
    int asks = 0;
    setSaveFileHook([&](const SaveFileRequest &request, std::string &) {
        ++asks;
        EXPECT_EQ(request.name, "loop01.vpl");
        return false;
    });
    ASSERT_TRUE(panel().browser().combo().isFileSelected());
    EXPECT_FALSE(drummer().mayChangePatterns());
    EXPECT_EQ(asks, 1);
    EXPECT_TRUE(kickHasTheEdit());
    EXPECT_TRUE(kick().content()->modified);
}

// The edits of first.vpl's loop, then another loop file beside it; the
// user answers Yes whichever way the edits are about to go.
class SaveEditsElsewhereTest : public SaveEditsTest {
protected:
    void SetUp() override
    {
        SaveEditsTest::SetUp();
        original = testing_support::readFile(saved);
        other = loopsFolder() + "\\second.vpl";
        otherBytes = original; // the unedited loop under another name
        testing_support::writeFile(other, otherBytes);
        panel().browser().combo().dropList().refresh();
        ASSERT_TRUE(panel().browser().combo().dropList().findItemByPath("second"));
        answer = IDYES;
    }
    // The edited loop's file holds the edits: its record read back apart
    // from the engine.
    bool firstHoldsTheEdits() const
    {
        std::string bytes = testing_support::readFile(saved);
        stringStream in(bytes);
        LoopRecord record;
        if (!readLoopRecord(in, record, false) || record.slices.size() != 6 || !record.slices[5].events)
            return false;
        for (const CMidiTrack::Event &e : record.slices[5].events->events())
            if (e.time == 480 && e.data2 == 77)
                return true;
        return false;
    }
    std::string original;
    std::string other;
    std::string otherBytes;
};

TEST_F(SaveEditsElsewhereTest, YesWhileAnotherLoopIsChosenSavesIntoTheEditedLoopsFile)
{
    chooseInTree("second");
    EXPECT_EQ(asked, (std::vector<std::string>{"Save edits to loop?"}));
    EXPECT_EQ(testing_support::readFile(other), otherBytes) << "the chosen file is as it was";
    EXPECT_NE(testing_support::readFile(saved), original);
    EXPECT_TRUE(firstHoldsTheEdits());
    EXPECT_FALSE(kickHasTheEdit()) << "the chosen loop plays, not the edits";
    EXPECT_FALSE(drummer().anyModified());
    EXPECT_EQ(panel().browser().combo().text(), "second");
    EXPECT_EQ(panel().browser().loopFile(), other);
}

TEST_F(SaveEditsElsewhereTest, YesAtAComposeAfterSteppingTheComboSavesIntoTheEditedLoopsFile)
{
    FlatTreeCombo &combo = panel().browser().combo();
    ASSERT_EQ(combo.text(), "first");
    SetFocus(combo.handle());
    const auto press = [&](WPARAM key) {
        gui_test::postKey(combo.handle(), WM_KEYDOWN, key);
        gui_test::postKey(combo.handle(), WM_KEYUP, key);
        gui_test::pump();
    };
    press(VK_ADD);
    ASSERT_EQ(combo.text(), "second") << "stepped without loading";
    ASSERT_TRUE(kickHasTheEdit());
    drummer().calls.clear();
    press(VK_RETURN);
    EXPECT_EQ(drummer().calls, (std::vector<std::string>{"changed Vostrapellin::Random"}))
        << "Enter composes";
    EXPECT_EQ(asked, (std::vector<std::string>{"Save edits to loop?"}));
    EXPECT_EQ(testing_support::readFile(other), otherBytes) << "the shown file is as it was";
    EXPECT_TRUE(firstHoldsTheEdits());
    EXPECT_EQ(combo.text(), "first") << "the file saved into shows";
}

// ---- A panel that goes while it waits for the user

// The host removes the panel while one of its questions, or a dialog, is
// open: nothing of the panel is used after it, and nothing it would have
// done after the wait is done.
class PanelGoneTest : public SaveEditsElsewhereTest {
public:
    void goAway()
    {
        delete panel_;
        panel_ = nullptr;
    }
};

TEST_F(PanelGoneTest, WhileItAsksAboutTheEditsOfALoopBeingReplaced)
{
    setMessageBoxHook([this](HWND, const char *text, const char *, UINT) {
        asked.push_back(text);
        goAway();
        return IDNO; // let the edits go: a load that went on would show
    });
    chooseInTree("second");
    EXPECT_EQ(asked, (std::vector<std::string>{"Save edits to loop?"}));
    EXPECT_EQ(panel_, nullptr);
    EXPECT_EQ(testing_support::readFile(saved), original) << "nothing saved";
    EXPECT_EQ(testing_support::readFile(other), otherBytes);
    EXPECT_TRUE(kickHasTheEdit()) << "nothing loaded: the edits stay";
}

TEST_F(PanelGoneTest, WhileItsSaveDialogIsOpen)
{
    const std::string asked = loopsFolder() + "\\asked.vpl";
    setSaveFileHook([&](const SaveFileRequest &, std::string &path) {
        goAway();
        path = asked;
        return true;
    });
    panel().browser().saveAs();
    EXPECT_EQ(panel_, nullptr);
    EXPECT_FALSE(std::filesystem::exists(asked)) << "nothing written";
}

TEST_F(PanelGoneTest, WhileItAsksToReplaceAFileWithATypedName)
{
    setMessageBoxHook([this](HWND, const char *text, const char *, UINT) {
        asked.push_back(text);
        goAway();
        return IDYES;
    });
    typeIntoCombo("FIRST\r", true);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find("replace it?"), std::string::npos) << asked[0];
    EXPECT_EQ(panel_, nullptr);
    EXPECT_EQ(testing_support::readFile(saved), original) << "nothing replaced";
}

TEST_F(PanelGoneTest, WhileItAsksBeforeDeletingALoop)
{
    setMessageBoxHook([this](HWND, const char *text, const char *, UINT) {
        asked.push_back(text);
        goAway();
        return IDYES;
    });
    panel().browser().deleteClicked();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(panel_, nullptr);
    EXPECT_TRUE(std::filesystem::exists(saved)) << "nothing deleted";
}

TEST_F(PanelGoneTest, WhileItsOptionsDialogIsOpen)
{
    static PanelGoneTest *test = nullptr;
    static bool destroyed = false;
    test = this;
    destroyed = false;
    // Inside the dialog's loop, once it shows: the panel goes.
    const UINT_PTR destroy = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR timer, DWORD) {
        HWND dialog = FindWindowA("#32770", nullptr);
        if (!dialog || !IsWindowVisible(dialog) || destroyed)
            return;
        KillTimer(nullptr, timer);
        EXPECT_FALSE(
            testing_support::writeWindowPicture(dialog, "slice_options_open_as_its_panel_goes").empty());
        test->goAway();
        destroyed = true;
    });
    const UINT_PTR safety = SetTimer(nullptr, 0, 10000, [](HWND, UINT, UINT_PTR, DWORD) {
        if (HWND dialog = FindWindowA("#32770", nullptr))
            EndDialog(dialog, IDCANCEL);
    });
    HWND panelWindow = window();
    const DWORD start = GetTickCount();
    SendMessageA(panelWindow, WM_COMMAND, ID_OPTIONS, 0);
    const DWORD took = GetTickCount() - start;
    KillTimer(nullptr, destroy);
    KillTimer(nullptr, safety);
    ASSERT_TRUE(destroyed) << "the dialog never showed";
    EXPECT_LT(took, 8000u) << "the dialog ended with its panel, not by the safety timer";
    EXPECT_FALSE(IsWindow(panelWindow));
    EXPECT_EQ(FindWindowA("#32770", nullptr), nullptr) << "no dialog stays";
    gui_test::pump();
}

} // namespace
