// A slice's row in the panel: its keys with and without Ctrl, its context
// menu with the paste entry and the toggle texts, its commands, and its
// note, strokes, pattern and compose controls.
#include "plugin/framework/gui/note_name_menus.h"
#include "plugin/slice/panel/panel_ids.h"
#include "plugin/slice/panel/tests/panel_fixture.h"
#include "plugin/slice/engine/slice_module.h"

namespace {

using namespace Quorvane;
using namespace Quorvane::LoopSlice;
using namespace slice_panel_test;

class LooperViewTest : public PanelTest {
protected:
    void SetUp() override
    {
        PanelTest::SetUp();
        if (OpenClipboard(nullptr)) {
            EmptyClipboard();
            CloseClipboard();
        }
    }
    Looper &kick() { return drummer().slice(5); }
    // Focuses the kick's row (a click on its event bar).
    void focusKick()
    {
        const POINT at = centre(panel().view(0).eventBar());
        click(at.x, at.y);
        ASSERT_EQ(panel().focusedSlice(), 0);
    }
    void press(WPARAM code, bool control)
    {
        gui_test::KeysDown held(control ? std::initializer_list<int>{VK_CONTROL}
                                        : std::initializer_list<int>{});
        key(code, code == VK_LEFT || code == VK_RIGHT || code == VK_UP || code == VK_DOWN);
    }
    // Opens the row's context menu; the answer picks an entry by text.
    std::vector<gui_test::MenuItem> openMenu(int row, const std::string &choose = {})
    {
        std::vector<gui_test::MenuItem> seen;
        gui_test::PopupAnswer answer([&](const std::vector<gui_test::MenuItem> &menu) {
            seen = menu;
            for (const gui_test::MenuItem &item : menu)
                if (!choose.empty() && item.text == choose)
                    return static_cast<int>(item.id);
            return 0;
        });
        const POINT at = centre(panel().view(row).eventBar());
        gui_test::postMouse(window(), WM_MOUSEMOVE, at.x, at.y);
        gui_test::postMouse(window(), WM_RBUTTONDOWN, at.x, at.y, MK_RBUTTON);
        gui_test::postMouse(window(), WM_RBUTTONUP, at.x, at.y);
        gui_test::pump();
        return seen;
    }
    // Chooses the kick's part by name once the library's watcher has
    // brought it to the part combo (which draws its items itself). The
    // watcher is given up to 10 s: a busy machine delays it.
    void chooseKickPart(const std::string &name)
    {
        LooperView &row = panel().view(0);
        int index = -1;
        for (int i = 0; i < 200 && index < 0; ++i) {
            for (int item = 0; item < row.partCombo().getItemCount(); ++item) {
                std::string text;
                row.partCombo().getItemText(text, item);
                if (text == name)
                    index = item;
            }
            if (index < 0)
                gui_test::pumpFor(50);
        }
        ASSERT_GE(index, 0) << name;
        gui_test::PopupAnswer answer([index](const std::vector<gui_test::MenuItem> &menu) {
            return static_cast<int>(menu.at(static_cast<size_t>(index)).id);
        });
        const POINT at = centre(row.partCombo());
        click(at.x, at.y);
        ASSERT_EQ(kick().content()->folder.substr(kick().content()->folder.size() - name.size() - 1),
                  name + "\\");
    }
    std::vector<std::string> listed(FlatCombo &combo)
    {
        std::vector<std::string> texts;
        for (int i = 0; i < combo.getItemCount(); ++i) {
            std::string text;
            combo.getItemText(text, i);
            texts.push_back(text);
        }
        return texts;
    }
    std::vector<int32_t> kicks()
    {
        std::vector<int32_t> times;
        for (const MfxEvent &e : slice_plugin_test::playWindows(drummer(), 0, 1919, 480))
            if (e.kind == MfxNote && e.note == 36)
                times.push_back(e.time);
        return times;
    }
    static const gui_test::MenuItem *find(const std::vector<gui_test::MenuItem> &menu, UINT id)
    {
        for (const gui_test::MenuItem &item : menu)
            if (item.id == id)
                return &item;
        return nullptr;
    }
};

TEST_F(LooperViewTest, KeysWithAndWithoutCtrl)
{
    focusKick();
    struct Case {
        WPARAM key;
        bool control;
        bool muted;
        bool locked;
        bool soloActive;
    };
    const Case cases[] = {
        {'M', false, true, false, false},                                        // mute
        {'M', false, false, false, false},                                       // and again
        {'P', true, false, true, false},                                         // Ctrl+P: IDRC off (locked)
        {'P', false, false, true, false},                                        // P composes; the lock stays
        {'P', true, false, false, false},                                        // Ctrl+P again
        {'M', true, false, false, true},                                         // Ctrl+M: solo
        {'M', true, false, false, false},                                        // unsolo
        {VK_UP, false, false, false, false},                                     // passed on
        {VK_DOWN, true, false, false, false}, {'V', false, false, false, false}, // nothing without Ctrl
        {'C', false, false, false, false},
    };
    const std::string file = kick().content()->file;
    for (const Case &c : cases) {
        press(c.key, c.control);
        EXPECT_EQ(kick().content()->mute, c.muted) << c.key << " " << c.control;
        EXPECT_EQ(kick().isLocked(), c.locked) << c.key << " " << c.control;
        EXPECT_EQ(drummer().soloActive(), c.soloActive) << c.key << " " << c.control;
        EXPECT_EQ(kick().content()->file, file) << "the pattern stays";
        EXPECT_EQ(panel().view(0).muteButton().isSelected(), !c.muted);
        EXPECT_EQ(panel().view(0).idrcButton().isSelected(), c.locked);
    }
    EXPECT_EQ(panel().focusedSlice(), 0) << "Up and Down leave the slice";
}

TEST_F(LooperViewTest, XLetsAMutedSliceBeHeardWhileHeld)
{
    focusKick();
    press('M', false);
    ASSERT_TRUE(kick().content()->mute);
    gui_test::postKey(window(), WM_KEYDOWN, 'X');
    gui_test::pump();
    EXPECT_TRUE(kick().isAuditioning());
    gui_test::postKey(window(), WM_KEYUP, 'X');
    gui_test::pump();
    EXPECT_FALSE(kick().isAuditioning());
    EXPECT_TRUE(kick().content()->mute) << "the mute never changed";
}

TEST_F(LooperViewTest, BackspaceClearsThePatternAndCtrlBackspaceTheLoop)
{
    focusKick();
    ASSERT_FALSE(drummer().slice(4).content()->events().empty());
    press(VK_BACK, false);
    EXPECT_TRUE(kick().content()->events().empty());
    EXPECT_FALSE(drummer().slice(4).content()->events().empty()) << "the snare stays";
    press(VK_BACK, true);
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(drummer().slice(i).content()->events().empty()) << i;
}

TEST_F(LooperViewTest, TheMenuOffersPasteOnlyWhenALoopIsOnTheClipboard)
{
    std::vector<gui_test::MenuItem> menu = openMenu(0);
    const std::vector<std::string> texts = {"&Copy Loop",
                                            "P&aste Loop",
                                            "C&lear Loop",
                                            "",
                                            "&Mute\tM",
                                            "&Solo\tCtrl+M",
                                            "Compose &part",
                                            "&Disable IDRC for this part",
                                            "",
                                            "Cl&ear pattern",
                                            "",
                                            "Previous pattern",
                                            "Next pattern",
                                            "",
                                            "Previous Slice",
                                            "Next Slice"};
    ASSERT_EQ(menu.size(), texts.size());
    for (size_t i = 0; i < texts.size(); ++i)
        EXPECT_EQ(menu[i].text, texts[i]) << i;
    EXPECT_TRUE(menu[1].state & MF_GRAYED) << "an empty clipboard: paste disabled";
    EXPECT_EQ(menu[0].id, static_cast<UINT>(ID_COPY_LOOP));
    EXPECT_EQ(menu[15].id, static_cast<UINT>(ID_NEXT_SLICE));

    // Copy in the kick's row: every row may paste now.
    openMenu(0, "&Copy Loop");
    menu = openMenu(3);
    ASSERT_NE(find(menu, ID_PASTE_LOOP), nullptr);
    EXPECT_FALSE(find(menu, ID_PASTE_LOOP)->state & MF_GRAYED);

    // The toggles read the buttons as the menu opens.
    openMenu(0, "&Mute\tM");
    EXPECT_TRUE(kick().content()->mute);
    openMenu(0, "&Disable IDRC for this part");
    EXPECT_TRUE(kick().isLocked());
    menu = openMenu(0);
    EXPECT_EQ(find(menu, ID_MUTE)->text, "Un&mute\tM");
    EXPECT_EQ(find(menu, ID_IDRC)->text, "&Enable IDRC for this part");

    // "Next Slice" moves the panel's focus.
    focusKick();
    openMenu(0, "Next Slice");
    EXPECT_EQ(panel().focusedSlice(), 1);
}

TEST_F(LooperViewTest, APastedLoopReplacesTheCombination)
{
    focusKick();
    press('C', true);
    const auto copied = kick().content()->events();
    press(VK_BACK, true);
    ASSERT_TRUE(kick().content()->events().empty());
    press('V', true);
    EXPECT_EQ(kick().content()->events().size(), copied.size());
}

struct KickPattern {
    const char *file;
    std::vector<int32_t> times;
};

// Kick patterns in a part of their own, beside the kit's one-pattern part
// the slices start in.
void writeKickPart(const std::string &name, const std::vector<KickPattern> &patterns)
{
    const std::string part = dataFolder() + "\\Patterns\\Kit\\1.Kick\\" + name;
    CreateDirectoryA(part.c_str(), nullptr);
    for (const KickPattern &pattern : patterns) {
        CMidiTrack track;
        track.setResolution(480);
        for (const int32_t time : pattern.times) {
            CMidiTrack::Event e;
            e.kind = CMidiTrack::Event::Note;
            e.channel = 9;
            e.time = time;
            e.data1 = 36;
            e.data2 = 100;
            e.duration = 60;
            track.insertEvent(e);
        }
        ASSERT_EQ(track.saveSmfFile(part + "\\" + pattern.file), 0);
    }
    // Rescanned now rather than left to the library's watcher, whose news
    // can come late under Wine; the watcher has tests of its own.
    SliceModule::refreshPatternLibrary();
}

// Three patterns of two strokes each.
void writeKickPart()
{
    writeKickPart("Kick2", {{"01_2_1000000000001000_0#Kick.mid", {0, 1440}},
                            {"02_2_1000001000000000_0#Kick.mid", {0, 720}},
                            {"03_2_0000100000001000_0#Kick.mid", {480, 1440}}});
}

TEST_F(LooperViewTest, APatternChosenOrSteppedIsWhatTheSlicePlays)
{
    writeKickPart();
    LooperView &row = panel().view(0);
    // The library's watcher brings the new part to the part combo (up to
    // 10 s on a busy machine).
    for (int i = 0; i < 200 && row.partCombo().getItemCount() < 2; ++i)
        gui_test::pumpFor(50);
    ASSERT_EQ(row.partCombo().getItemCount(), 2);
    {
        // The part combo draws its items itself: the second is "Kick2".
        std::string second;
        row.partCombo().getItemText(second, 1);
        ASSERT_EQ(second, "Kick2");
        gui_test::PopupAnswer answer(
            [](const std::vector<gui_test::MenuItem> &menu) { return static_cast<int>(menu.at(1).id); });
        const POINT at = centre(row.partCombo());
        click(at.x, at.y);
    }
    ASSERT_EQ(row.listedPatterns().size(), 3u);
    chooseItem(row.patternCombo(), "02");
    EXPECT_EQ(kick().content()->file, "02_2_1000001000000000_0#Kick.mid");
    EXPECT_EQ(kicks(), (std::vector<int32_t>{0, 720}));
    const POINT next = centre(row.control(ID_NEXT_PATTERN));
    click(next.x, next.y);
    EXPECT_EQ(kick().content()->file, "03_2_0000100000001000_0#Kick.mid");
    EXPECT_EQ(kicks(), (std::vector<int32_t>{480, 1440}));
    std::string shown;
    row.patternCombo().getSelectedText(shown);
    EXPECT_EQ(shown, "03");
    const POINT previous = centre(row.control(ID_PREVIOUS_PATTERN));
    click(previous.x, previous.y);
    click(previous.x, previous.y);
    EXPECT_EQ(kick().content()->file, "01_2_1000000000001000_0#Kick.mid");
    EXPECT_EQ(kicks(), (std::vector<int32_t>{0, 1440}));
}

TEST_F(LooperViewTest, TheMuteButtonMutesAndWithCtrlOrTheRightButtonSolos)
{
    const POINT mute = centre(panel().view(1).muteButton());
    click(mute.x, mute.y);
    EXPECT_TRUE(drummer().slice(4).content()->mute);
    EXPECT_FALSE(panel().view(1).muteButton().isSelected());
    click(mute.x, mute.y);
    EXPECT_FALSE(drummer().slice(4).content()->mute);
    {
        gui_test::ControlKeyHeld control;
        click(mute.x, mute.y);
    }
    EXPECT_TRUE(drummer().slice(4).isSolo());
    EXPECT_TRUE(drummer().soloActive());
    waitOutDoubleClick();
    gui_test::postMouse(window(), WM_MOUSEMOVE, mute.x, mute.y);
    gui_test::postMouse(window(), WM_RBUTTONDOWN, mute.x, mute.y, MK_RBUTTON);
    gui_test::postMouse(window(), WM_RBUTTONUP, mute.x, mute.y);
    gui_test::pump();
    EXPECT_FALSE(drummer().soloActive()) << "the right button: unsolo";
    EXPECT_FALSE(drummer().slice(4).content()->mute);
}

TEST_F(LooperViewTest, NextPatternWithCtrlStepsOnlyToPatternsThatKeepTheRules)
{
    writeKickPart();
    chooseKickPart("Kick2");
    LooperView &row = panel().view(0);
    chooseItem(row.patternCombo(), "01");
    ASSERT_EQ(kick().content()->file, "01_2_1000000000001000_0#Kick.mid");
    // A rule that the second pattern breaks.
    std::vector<std::string> asked;
    drummer().rules = [&](const Looper &looper) {
        asked.push_back(looper.content()->file);
        return looper.content()->file == "02_2_1000001000000000_0#Kick.mid";
    };
    const POINT next = centre(row.control(ID_NEXT_PATTERN));
    const POINT previous = centre(row.control(ID_PREVIOUS_PATTERN));
    {
        gui_test::ControlKeyHeld control;
        click(next.x, next.y);
    }
    EXPECT_EQ(kick().content()->file, "03_2_0000100000001000_0#Kick.mid") << "the second skipped";
    EXPECT_EQ(asked, (std::vector<std::string>{"02_2_1000001000000000_0#Kick.mid",
                                               "03_2_0000100000001000_0#Kick.mid"}));
    EXPECT_EQ(kicks(), (std::vector<int32_t>{480, 1440}));
    // Without Ctrl the rules are not asked.
    asked.clear();
    click(previous.x, previous.y);
    EXPECT_EQ(kick().content()->file, "02_2_1000001000000000_0#Kick.mid");
    EXPECT_TRUE(asked.empty());
    // The arrow keys step as the buttons do, Ctrl with them.
    focusKick();
    press(VK_LEFT, true);
    EXPECT_EQ(kick().content()->file, "01_2_1000000000001000_0#Kick.mid");
    EXPECT_EQ(asked, (std::vector<std::string>{"01_2_1000000000001000_0#Kick.mid"}));
    press(VK_RIGHT, true);
    EXPECT_EQ(kick().content()->file, "03_2_0000100000001000_0#Kick.mid");
    press(VK_RIGHT, false);
    EXPECT_EQ(kick().content()->file, "01_2_1000000000001000_0#Kick.mid");
    drummer().rules = nullptr;
}

TEST_F(LooperViewTest, TheStrokesCombosNarrowThePatternsToChooseFrom)
{
    writeKickPart("Kick3", {{"01_2_1000000010000000_0#Kick.mid", {0, 960}},
                            {"02_3_1000100010000000_0#Kick.mid", {0, 480, 960}},
                            {"03_4_1000100010001000_0#Kick.mid", {0, 480, 960, 1440}}});
    chooseKickPart("Kick3");
    LooperView &row = panel().view(0);
    // The stroke counts present, highest first; the whole range chosen.
    EXPECT_EQ(listed(row.strokesMax()), (std::vector<std::string>{"4", "3", "2"}));
    EXPECT_EQ(listed(row.strokesMin()), (std::vector<std::string>{"4", "3", "2"}));
    std::string shown;
    row.strokesMax().getSelectedText(shown);
    EXPECT_EQ(shown, "4");
    row.strokesMin().getSelectedText(shown);
    EXPECT_EQ(shown, "2");
    EXPECT_EQ(listed(row.patternCombo()), (std::vector<std::string>{"01", "02", "03"}));

    chooseItem(row.strokesMax(), "3");
    EXPECT_EQ(kick().highestSecond(), 3);
    EXPECT_EQ(kick().lowestSecond(), 2);
    EXPECT_EQ(listed(row.patternCombo()), (std::vector<std::string>{"01", "02"}));
    // Stepping stays within the range.
    chooseItem(row.patternCombo(), "02");
    const POINT next = centre(row.control(ID_NEXT_PATTERN));
    click(next.x, next.y);
    EXPECT_EQ(kick().content()->file, "01_2_1000000010000000_0#Kick.mid") << "four strokes left out";
    EXPECT_EQ(kicks(), (std::vector<int32_t>{0, 960}));

    chooseItem(row.strokesMin(), "3");
    EXPECT_EQ(kick().lowestSecond(), 3);
    EXPECT_EQ(kick().highestSecond(), 3);
    EXPECT_EQ(listed(row.patternCombo()), (std::vector<std::string>{"02"}));
    row.strokesMin().getSelectedText(shown);
    EXPECT_EQ(shown, "3");
}

TEST_F(LooperViewTest, TheNoteComboSetsTheSlicesSoundAndPreviewsNotes)
{
    mfx_testing::InputCallback heard;
    ASSERT_EQ(drummer().SetInputCallback(&heard), S_OK);
    LooperView &row = panel().view(0);
    std::string caption;
    row.noteCombo().getText(caption);
    EXPECT_EQ(caption, "Bass Drum 1") << "the kick's sound, 36";
    chooseItem(row.noteCombo(), "Acoustic Bass Drum");
    EXPECT_EQ(kick().content()->drumMap.getNote(36), 35);
    row.noteCombo().getText(caption);
    EXPECT_EQ(caption, "Acoustic Bass Drum");
    std::vector<int> played;
    for (const MfxEvent &e : slice_plugin_test::playWindows(drummer(), 0, 1919, 480))
        if (e.kind == MfxNote && (e.note == 35 || e.note == 36))
            played.push_back(e.note);
    EXPECT_EQ(played, (std::vector<int>{35, 35})) << "the kick plays the new sound";
    EXPECT_TRUE(heard.received.empty()) << "a choice is not previewed";
    // The second notification (a right click on an entry) plays its note.
    row.noteCombo().rightClicked(NoteNameMenus::noteMenuId(36, 40));
    ASSERT_EQ(heard.received.size(), 1u);
    const MfxEvent &note = heard.received[0].second;
    EXPECT_EQ(note.kind, MfxNote);
    EXPECT_EQ(note.note, 40);
    EXPECT_EQ(note.velocity, 110);
    EXPECT_EQ(note.channel, 9);
    EXPECT_EQ(note.duration, 960);
    EXPECT_EQ(kick().content()->drumMap.getNote(36), 35) << "a preview changes nothing";
    EXPECT_EQ(drummer().SetInputCallback(nullptr), S_OK);
}

TEST_F(LooperViewTest, TheComposeButtonsComposeTheirSliceOrEveryEnabledOne)
{
    writeKickPart();
    chooseKickPart("Kick2");
    // The same draws on every run.
    drummer().seedRandom(12345);
    std::vector<std::string> files;
    for (int i = 0; i < 6; ++i)
        files.push_back(drummer().slice(i).content()->file);
    const auto others = [&] {
        for (int i = 0; i < 5; ++i)
            if (drummer().slice(i).content()->file != files[static_cast<size_t>(i)])
                return false;
        return true;
    };
    // The row's button: a new pattern for the kick alone.
    drummer().calls.clear();
    const POINT compose = centre(panel().view(0).control(ID_COMPOSE));
    for (int i = 0; i < 3; ++i) {
        const std::string before = kick().content()->file;
        click(compose.x, compose.y);
        EXPECT_NE(kick().content()->file, before) << i;
    }
    EXPECT_TRUE(others());
    EXPECT_EQ(drummer().calls.front(), "changed Vostrapellin::Random");
    // The panel's button leaves a slice with IDRC off as it is, and
    // composes it again once IDRC is on.
    const POINT composeAll{21 + 27 / 2, 259 + 51 / 2};
    drummer().slice(5).setLocked(true);
    const std::string locked = kick().content()->file;
    click(composeAll.x, composeAll.y);
    EXPECT_EQ(kick().content()->file, locked);
    drummer().slice(5).setLocked(false);
    click(composeAll.x, composeAll.y);
    EXPECT_NE(kick().content()->file, locked);
    EXPECT_TRUE(others());
}

} // namespace
