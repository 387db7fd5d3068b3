// A drum part's row in the editor: its parameter field, buttons, keys,
// context menu, note combo, focus, the beats its event bar paints and edits.
#include "plugin/fill/panel/tests/panel_fixture.h"

#include "plugin/fill/engine/grindelvosket.h"
#include "plugin/fill/panel/panel_ids.h"
#include "testing/screenshot.h"

namespace panel_test {
namespace {

using namespace Quorvane;
using gui_test::pump;

TEST(ParamHandlerTest, FieldNamesChooseTheParameterAndSetsShowIt)
{
    EXPECT_EQ(ParamHandler::indexOfName("Velo"), 0);
    EXPECT_EQ(ParamHandler::indexOfName("Dyn"), 1);
    EXPECT_EQ(ParamHandler::indexOfName("Time"), 2);
    EXPECT_EQ(ParamHandler::indexOfName("Key"), -1);
    EXPECT_EQ(ParamHandler::statusText(0, 5), "Velocity +5");
    EXPECT_EQ(ParamHandler::statusText(1, 80), "Velocity Dynamics 80%");
    EXPECT_EQ(ParamHandler::statusText(2, -12), "Time -12");
    EXPECT_EQ(ParamHandler::statusText(3, -5), "Key -5");
    EXPECT_EQ(ParamHandler::statusText(-1, 7), "Parameter #-1 = 7");
}

class LooperViewWindowTest : public PanelTest {
protected:
    void SetUp() override
    {
        PanelTest::SetUp();
        loadFill("Rock 01");
    }
    LooperViewPane &row(int looper) { return *panel().row(looper); }
    Looper &looper(int index) { return *drummer().getLooper(index); }
};

TEST_F(LooperViewWindowTest, TheParameterFieldEditsTheChosenParameter)
{
    row(5).showParameter("Dyn");
    row(5).parameterField().setValue(80);
    EXPECT_EQ(looper(5).getParam(Looper::DynamicsPercent), 80);
    EXPECT_EQ(status(), "Velocity Dynamics 80%");
    row(5).showParameter("Velo");
    row(5).parameterField().setValue(-200);
    EXPECT_EQ(looper(5).getParam(Looper::VelocityOffset), -127) << "the looper clamps";
    EXPECT_EQ(row(5).parameterField().shownValue(), -127);
    row(5).showParameter("Other");
    EXPECT_EQ(row(5).parameterField().shownValue(), 0);
    row(5).parameterField().setValue(33);
    EXPECT_EQ(looper(5).getParam(Looper::TimeOffset), 0) << "no looper behind another name";
    // The panel's control selection reaches every row.
    panel().controlSelection().setSelectedIndex(2);
    const Rect combo = panel().controlSelection().getRootBounds();
    gui_test::PopupAnswer time(
        [](const std::vector<gui_test::MenuItem> &menu) { return static_cast<int>(menu[2].id); });
    click(combo.x + 5, combo.y + 5);
    EXPECT_EQ(row(1).parameterIndex(), Looper::TimeOffset);
}

// Presses this far apart are no double click.
void waitOutDoubleClick()
{
    Sleep(GetDoubleClickTime() + 50);
}

TEST_F(LooperViewWindowTest, MuteAndInstrumentButtonsAndKeys)
{
    const POINT mute = centre(row(2).muteButton());
    click(mute.x, mute.y);
    EXPECT_TRUE(looper(2).isMuted());
    EXPECT_FALSE(row(2).muteButton().isSelected()) << "selected while the part plays";
    waitOutDoubleClick();
    click(mute.x, mute.y);
    EXPECT_FALSE(looper(2).isMuted());
    waitOutDoubleClick();
    rightClick(mute.x, mute.y);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(looper(i).isMuted(), i != 2) << "a right click solos: " << i;
    rightClick(mute.x, mute.y);
    for (int i = 0; i < 10; ++i)
        EXPECT_FALSE(looper(i).isMuted()) << "and again ends the solo: " << i;

    // A double click solos too: its first click mutes, its second solos.
    waitOutDoubleClick();
    click(mute.x, mute.y);
    click(mute.x, mute.y);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(looper(i).isMuted(), i != 2) << "a double click solos: " << i;
    looper(2).userMute(false, true); // the solo ends: 2 muted as before it
    looper(2).userMute(false, false);

    const POINT instrument = centre(row(3).instrumentButton());
    waitOutDoubleClick();
    click(instrument.x, instrument.y);
    EXPECT_TRUE(looper(3).isNotesOff());
    EXPECT_FALSE(row(3).instrumentButton().isSelected());
    waitOutDoubleClick();
    click(instrument.x, instrument.y);
    EXPECT_FALSE(looper(3).isNotesOff());

    // M toggles the focused row's mute; with Ctrl held it solos.
    const POINT field = centre(row(4).parameterField());
    waitOutDoubleClick(); // else the field opens its editor
    click(field.x, field.y);
    key('M');
    EXPECT_TRUE(looper(4).isMuted());
    key('M');
    EXPECT_FALSE(looper(4).isMuted());
    {
        gui_test::KeysDown control({VK_CONTROL});
        gui_test::ControlKeyHeld held;
        key('M');
    }
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(looper(i).isMuted(), i != 4) << i;
    {
        gui_test::ControlKeyHeld held;
        row(4).command(IDC_MUTE); // M from the menu, with Ctrl held: a solo again
    }
    for (int i = 0; i < 10; ++i)
        EXPECT_FALSE(looper(i).isMuted()) << i;
}

TEST_F(LooperViewWindowTest, ContextMenuOffersPasteOnlyWithAFillOnTheClipboard)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    std::vector<std::vector<gui_test::MenuItem>> menus;
    gui_test::PopupAnswer copy([&menus](const std::vector<gui_test::MenuItem> &menu) {
        menus.push_back(menu);
        return IDC_COPY_FILL;
    });
    const Rect bar = row(1).eventBar().getRootBounds();
    rightClick(bar.x + 20, bar.y + 8);
    ASSERT_EQ(menus.size(), 1u);
    const std::vector<gui_test::MenuItem> &first = menus[0];
    ASSERT_EQ(first.size(), 10u);
    EXPECT_EQ(first[0].text, "&Copy Fill\bCtrl+C");
    EXPECT_EQ(first[1].text, "P&aste Fill\bCtrl+V");
    EXPECT_EQ(first[1].id, 0u);
    EXPECT_TRUE(first[1].state & MF_GRAYED) << "nothing to paste";
    EXPECT_TRUE(first[2].state & MF_SEPARATOR);
    EXPECT_EQ(first[3].text, "&Mute\bM");
    EXPECT_EQ(first[4].text, "&Solo\bCtrl+M");
    EXPECT_EQ(first[6].text, "C&lear Fill\bCtrl+Backspace");
    EXPECT_EQ(first[8].text, "Previous Drum Bar\bUp Arrow");
    EXPECT_EQ(first[8].id, static_cast<UINT>(IDC_PREVIOUS_BAR));
    EXPECT_EQ(first[9].id, static_cast<UINT>(IDC_NEXT_BAR));
    // Copied: now the clipboard holds a fill, and a muted part offers Unmute.
    looper(1).userMute(true, false);
    rightClick(bar.x + 20, bar.y + 8);
    ASSERT_EQ(menus.size(), 2u);
    EXPECT_EQ(menus[1][1].id, static_cast<UINT>(IDC_PASTE_FILL));
    EXPECT_EQ(menus[1][3].text, "Un&mute\bM");
}

TEST_F(LooperViewWindowTest, FocusStateFocusesTheChildAsked)
{
    row(6).setFocusState(true, 7);
    EXPECT_EQ(row(6).focusedChild(), LooperViewPane::ParameterChild);
    EXPECT_TRUE(row(6).parameterField().isFocused());
    EXPECT_TRUE(row(6).isHighlighted());
    row(6).setFocusState(true, LooperViewPane::NoteChild);
    EXPECT_TRUE(row(6).noteCombo().isFocused());
    row(6).setFocusState(false, 0);
    EXPECT_FALSE(row(6).isHighlighted());
}

TEST_F(LooperViewWindowTest, TheNoteComboMapsThePartsDrumAndPreviewsNotes)
{
    // The kick row: one instrument note (36) shown by its output name.
    std::string caption;
    row(1).noteCombo().getText(caption);
    EXPECT_EQ(caption, "Bass Drum 1");
    // Its menu: the named notes of the set, the part's sound checked, a new
    // column every twelve entries, each entry naming source and target.
    const auto &entries = row(1).noteCombo().menu().entries();
    ASSERT_EQ(entries.size(), 47u) << "General MIDI names notes 35 to 81";
    int checked = -1;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].flags & MF_CHECKED)
            checked = static_cast<int>(i);
        EXPECT_EQ((entries[i].flags & MF_MENUBARBREAK) != 0, i > 0 && i % 12 == 0) << i;
    }
    ASSERT_EQ(checked, 1);
    EXPECT_EQ(entries[1].text, "Bass Drum 1");
    EXPECT_EQ(entries[1].id, Grindelvosket::noteMenuId(36, 36));
    // Choose Acoustic Bass Drum (35) from the menu: 36 now plays 35.
    gui_test::PopupAnswer choose([](const std::vector<gui_test::MenuItem> &menu) {
        for (const gui_test::MenuItem &item : menu)
            if (item.text == "Acoustic Bass Drum")
                return static_cast<int>(item.id);
        return 0;
    });
    const POINT combo = centre(row(1).noteCombo());
    click(combo.x, combo.y);
    EXPECT_EQ(looper(1).drumMap().getNote(36), 35);
    row(1).noteCombo().getText(caption);
    EXPECT_EQ(caption, "Acoustic Bass Drum");
    // The numeric pad's plus steps to the next sound, as a choice would.
    row(1).noteCombo().requestFocus();
    key(VK_ADD);
    EXPECT_EQ(looper(1).drumMap().getNote(36), 36) << "Bass Drum 1 follows Acoustic Bass Drum";
    // A right click on an entry plays it.
    row(1).noteCombo().rightClicked(Grindelvosket::noteMenuId(36, 40));
    ASSERT_EQ(drummer().previews.size(), 1u);
    EXPECT_EQ(drummer().previews[0].data1, 40);
    EXPECT_EQ(drummer().previews[0].data2, 110);
}

TEST_F(LooperViewWindowTest, TheEventBarPaintsEachBeatAndEditsInEditMode)
{
    EventBar &bar = row(1).eventBar();
    const LaneLayout layout = bar.laneLayout();
    ASSERT_EQ(layout.lanes, 1);
    const Rect area = bar.getRootBounds();
    // The kick on the first beat, as the loudest cell, then muted.
    const auto kickColour = [&] {
        const testing_support::WindowPicture picture = testing_support::printWindow(window());
        return picture.at(area.x + layout.x(0), area.y + layout.y(0));
    };
    EXPECT_EQ(kickColour(), 0x0000A0u) << "the loudest cell of the playing row";
    looper(1).userMute(true, false);
    pump();
    EXPECT_EQ(kickColour(), 0x303030u) << "the muted row";
    looper(1).userMute(false, false);

    // Edit mode: a click on an empty beat inserts a kick there, a drag up
    // makes it louder.
    const POINT edit = centre(panel().editButton());
    click(edit.x, edit.y);
    ASSERT_TRUE(bar.isEditMode());
    const int32_t length = looper(1).loopTiming().length;
    const int x = area.x + layout.x(length / 8); // the second eighth
    const int y = area.y + layout.y(0);
    waitOutDoubleClick(); // a double click would erase
    dragPath({{x, y}, {x, y - 5}, {x, y - 15}});
    bool found = false;
    Looper::ScopedLock lock(looper(1));
    for (const CMidiTrack::Event &e : looper(1).pattern().events())
        if (e.data1 == 36 && e.time == length / 8) {
            found = true;
            EXPECT_EQ(e.data2, 115);
        }
    EXPECT_TRUE(found);
    EXPECT_TRUE(drummer().hasUnsavedEdits());
}

} // namespace
} // namespace panel_test
