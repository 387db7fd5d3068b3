// The fill editor panel over a connected drummer, driven by real messages:
// its place and size, the keys, the refresh from the engine, the continuous
// controls, the time locators and the close.
#include "plugin/fill/panel/tests/panel_fixture.h"

#include "base/message_box.h"

#include "plugin/fill/engine/grindelvosket.h"
#include "plugin/fill/panel/panel_ids.h"
#include "plugin/fill/panel/panel_layout.h"
#include "plugin/framework/gui/user_answers.h"
#include "plugin/framework/gui/user_steps.h"
#include "testing/screenshot.h"

#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <thread>

namespace panel_test {
namespace {

using namespace Quorvane;
using gui_test::pump;

using GrindelvosketPanelWindowTest = PanelTest;

TEST_F(GrindelvosketPanelWindowTest, OpensAtItsPreferredSizeOverTheLibrary)
{
    RECT client{};
    GetClientRect(window(), &client);
    const SIZE size = GrindelvosketPanel::preferredSize();
    EXPECT_EQ(client.right, size.cx);
    EXPECT_EQ(client.bottom, size.cy);
    EXPECT_GE(size.cx, 581) << "the rows are 396 wide from x 185";
    EXPECT_GE(size.cy, 392);
    // Every control lies inside the panel.
    for (const Pane *child : *panel().children()) {
        const Rect &r = child->bounds();
        EXPECT_LE(r.right(), size.cx);
        EXPECT_LE(r.bottom(), size.cy);
    }
    HWND tree = patterns().treeWindow();
    ASSERT_NE(tree, nullptr);
    std::vector<std::string> folders;
    for (HTREEITEM item = TreeView_GetRoot(tree); item; item = TreeView_GetNextSibling(tree, item))
        folders.push_back(gui_test::treeItemText(tree, item));
    EXPECT_EQ(folders, (std::vector<std::string>{"Funk", "Latin.vol", "Rock", "Shuffle"}));
    EXPECT_EQ(panel().fillTitle(), "Fill");

    loadFill("Rock 01");
    EXPECT_EQ(panel().fillTitle(), "Fill: Rock 01_Tom run down");
    EXPECT_EQ(patterns().selectedFolder(), "Rock\\");
    EXPECT_EQ(patterns().itemCount(), 6);
}

TEST_F(GrindelvosketPanelWindowTest, RowsRunFromCrashOnTopToTheExtraDrumsBelow)
{
    for (int looper = 0; looper < 10; ++looper) {
        LooperViewPane *row = panel().row(looper);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->bounds().x, 185);
        EXPECT_EQ(row->bounds().y, 87 + (9 - looper) * 19) << looper;
        EXPECT_EQ(row->bounds().height, looper == 0 ? 29 : 19);
        EXPECT_STREQ(row->instrumentButton().caption().c_str(), LooperViewPane::instrumentName(looper));
    }
    EXPECT_EQ(panel().row(0)->instrumentButton().bounds().y, 5) << "centred in 29 pixels";
    EXPECT_EQ(panel().row(5)->instrumentButton().bounds().y, 0);
}

// An engine view that records the pads it is told of.
class PadRecorder : public EngineView {
public:
    void engineChanged() override {}
    void padSelected(int pad) override { pads.push_back(pad); }
    void showStatus(const std::string &) override {}
    HWND viewWindow() const override { return nullptr; }
    void closeView() override {}
    std::vector<int> pads;
};

TEST_F(GrindelvosketPanelWindowTest, DigitsChoosePadsAndSpaceAndWReachTheHost)
{
    PadRecorder recorder;
    drummer().addView(&recorder);
    key('3');
    key('3'); // the current pad: nothing
    key(VK_NUMPAD0);
    {
        gui_test::KeysDown shift({VK_SHIFT});
        key('5');
    }
    key('0');
    EXPECT_EQ(recorder.pads, (std::vector<int>{2, 9, 4, 9}));
    EXPECT_EQ(drummer().currentPad(), 9);
    EXPECT_EQ(panel().pads().pad(9).isSelected(), true);
    EXPECT_EQ(panel().pads().pad(4).isSelected(), false);
    key(VK_SPACE);
    key('W');
    EXPECT_EQ(drummer().transport, (std::vector<int>{0, 1}));
    drummer().removeView(&recorder);
}

TEST_F(GrindelvosketPanelWindowTest, ArrowsMoveBetweenTheDrumPartsAndWrap)
{
    loadFill("Rock 01");
    const POINT field = centre(panel().row(5)->parameterField());
    click(field.x, field.y);
    EXPECT_EQ(panel().currentLooperIndex(), 5);
    EXPECT_TRUE(panel().row(5)->isHighlighted());
    key(VK_DOWN, true);
    EXPECT_EQ(panel().currentLooperIndex(), 4) << "down goes to the row below";
    EXPECT_FALSE(panel().row(5)->isHighlighted());
    EXPECT_TRUE(panel().row(4)->parameterField().isFocused());
    panel().selectLooperView(panel().row(0), -1);
    key(VK_DOWN, true);
    EXPECT_EQ(panel().currentLooperIndex(), 9) << "from the bottom row round to the top";
    key(VK_UP, true);
    EXPECT_EQ(panel().currentLooperIndex(), 0) << "and back up round to the bottom";
    key(VK_UP, true);
    EXPECT_EQ(panel().currentLooperIndex(), 1);
}

TEST_F(GrindelvosketPanelWindowTest, ControlsFollowTheEngine)
{
    loadFill("Rock 01");
    Grindelvosket &engine = drummer();
    struct Change {
        const char *name;
        std::function<void()> make;
        std::function<bool()> shown;
    };
    const auto comboText = [](FlatCombo &combo) {
        std::string text;
        combo.getText(text);
        return text;
    };
    GrindelvosketPanel &p = panel();
    const std::vector<Change> changes = {
        {"swing grid", [&] { engine.setSwingDurIdx(1, false); },
         [&] { return p.swingDurationCombo().getSelectedIndex() == 0; }},
        {"swing", [&] { engine.setSwingPc(40, false); }, [&] { return p.swingSlider().value() == 40; }},
        {"dynamics", [&] { engine.setVeloDyn(50, false); },
         [&] { return p.dynamicsControl().firstValue() == 50; }},
        {"centre", [&] { engine.setVeloCenterPC(-30, false); },
         [&] { return p.dynamicsControl().secondValue() == -30; }},
        {"quantize on", [&] { engine.setQuantizeOn(true, false); },
         [&] { return p.quantizeButton().isSelected(); }},
        {"quantize 13 shows 16", [&] { engine.setQuantizeDur(13, false); },
         [&] { return comboText(p.resolutionCombo()) == "16"; }},
        {"quantize 16 shows 16", [&] { engine.setQuantizeDur(16, false); },
         [&] { return comboText(p.resolutionCombo()) == "16"; }},
        {"quantize 17 shows 16T", [&] { engine.setQuantizeDur(17, false); },
         [&] { return comboText(p.resolutionCombo()) == "16T"; }},
        {"quantize 49 shows 64", [&] { engine.setQuantizeDur(49, false); },
         [&] { return comboText(p.resolutionCombo()) == "64"; }},
        {"quantize 64 shows 64", [&] { engine.setQuantizeDur(64, false); },
         [&] { return comboText(p.resolutionCombo()) == "64"; }},
        {"quantize 1 shows 8", [&] { engine.setQuantizeDur(1, false); },
         [&] { return comboText(p.resolutionCombo()) == "8"; }},
        {"punch range", [&] { engine.setPunchRange(120, 600); },
         [&] { return p.timeLocators().low() == 120 && p.timeLocators().high() == 600; }},
        {"fill length", [&] { engine.setPunchRange(0, 960); },
         [&] { return p.timeLocators().maximum() == engine.fillLength(); }},
        {"fill measure", [&] { engine.setFillMeasure(7); }, [&] { return p.measureField().getValue() == 7; }},
        {"keep punch", [&] { engine.setKeepPunch(true); }, [&] { return !p.lockButton().isSelected(); }},
        {"mixer mode", [&] { engine.setMixerMode(2); },
         [&] { return p.mixerCombo().getSelectedIndex() == 2 && p.mixerCombo().getItemCount() == 3; }},
        {"zones", [&] { engine.setZones(0, 2, 1, false); },
         [&] {
             TrackView &view = *p.trackView();
             return !view.preZone().isSelected() && view.fillZone().state() == 2 &&
                    view.afterZone().isSelected();
         }},
        {"envelope on: the dynamics pad looks passive",
         [&] {
             engine.velocityEnvelope().setOn(true);
             engine.setVeloDyn(20, false);
         },
         [&] { return p.envelopeControl().envelope() == &engine.velocityEnvelope(); }},
        {"a mute shows in its row", [&] { engine.getLooper(2)->userMute(true, false); },
         [&] { return !p.row(2)->muteButton().isSelected(); }},
        {"an excluded part shows in its row", [&] { engine.getLooper(3)->userNotesOff(true, false); },
         [&] { return !p.row(3)->instrumentButton().isSelected(); }},
        {"another pattern: its title, and edit mode ends",
         [&] {
             p.setEditMode(true);
             loadFill("Rock 02");
         },
         [&] { return p.fillTitle() == "Fill: Rock 02_Snare build" && !p.editMode(); }},
    };
    for (const Change &change : changes) {
        SCOPED_TRACE(change.name);
        change.make();
        gui_test::pump();
        EXPECT_TRUE(change.shown());
    }
}

TEST_F(GrindelvosketPanelWindowTest, SwingAndDynamicsNotifyWhenTheDragEnds)
{
    loadFill("Rock 01");
    drummer().labels.clear();
    const Rect swing = panel().swingSlider().getRootBounds();
    const int y = swing.y + swing.height / 2;
    gui_test::postMouse(window(), WM_MOUSEMOVE, swing.x + 3, y);
    gui_test::postMouse(window(), WM_LBUTTONDOWN, swing.x + 3, y, MK_LBUTTON);
    gui_test::postMouse(window(), WM_MOUSEMOVE, swing.x + 20, y, MK_LBUTTON);
    gui_test::pump();
    const int dragged = drummer().swingPc();
    EXPECT_GT(dragged, 0) << "the engine follows the drag";
    EXPECT_FALSE(drummer().saidChanged("setSwingPc")) << "but hears of it only at the end";
    EXPECT_EQ(status(), "Swing: " + std::to_string(dragged) + "%");
    gui_test::postMouse(window(), WM_LBUTTONUP, swing.x + 20, y);
    gui_test::pump();
    EXPECT_TRUE(drummer().saidChanged("setSwingPc"));

    const Point knob = panel().dynamicsControl().knobPoint();
    const Rect pad = panel().dynamicsControl().getRootBounds();
    const POINT from{pad.x + knob.x, pad.y + knob.y};
    gui_test::postMouse(window(), WM_MOUSEMOVE, from.x, from.y);
    gui_test::postMouse(window(), WM_LBUTTONDOWN, from.x, from.y, MK_LBUTTON);
    gui_test::postMouse(window(), WM_MOUSEMOVE, from.x + 30, from.y - 10, MK_LBUTTON);
    gui_test::pump();
    EXPECT_NE(drummer().veloDyn(), 0);
    EXPECT_FALSE(drummer().saidChanged("OnVeloDyn"));
    char text[64];
    std::snprintf(text, sizeof text, "Velocity Dinamics: %d%%; Center: %d%%", drummer().veloDyn(),
                  drummer().veloCenterPC());
    EXPECT_EQ(status(), text);
    gui_test::postMouse(window(), WM_LBUTTONUP, from.x + 30, from.y - 10);
    gui_test::pump();
    EXPECT_TRUE(drummer().saidChanged("OnVeloDyn"));
}

TEST_F(GrindelvosketPanelWindowTest, TimeLocatorsSetThePunchRange)
{
    loadFill("Rock 01");
    TwinSlider &locators = panel().timeLocators();
    const Rect area = locators.getRootBounds();
    const Point low = locators.pointOf(locators.low());
    const int y = area.y + low.y;
    dragPath({{area.x + low.x, y}, {area.x + low.x + 20, y}, {area.x + low.x + 40, y}});
    const int32_t in = drummer().punchIn();
    EXPECT_GT(in, 0);
    EXPECT_EQ(locators.low(), in);
    EXPECT_EQ(status(),
              "StartTime: " + std::to_string(in) + ", EndTime: " + std::to_string(drummer().punchOut()));
}

// The tooltip of a point as the panel's tool answers it: the title shown
// and the help line.
struct Tip {
    int id;
    std::string title;
    std::string status;
};

TEST_F(GrindelvosketPanelWindowTest, TooltipsByRegion)
{
    const auto tipAt = [this](int x, int y) {
        MSG move{};
        move.hwnd = window();
        move.message = WM_MOUSEMOVE;
        move.lParam = MAKELPARAM(x, y);
        panel().filterToolTipMessage(move);
        Tip tip{panel().toolTipId(), {}, {}};
        if (tip.id == 0)
            return tip;
        NMTTDISPINFOA info{};
        info.hdr.hwndFrom = panel().toolTipWindow();
        info.hdr.idFrom = reinterpret_cast<UINT_PTR>(window());
        info.hdr.code = TTN_NEEDTEXTA;
        info.uFlags = TTF_IDISHWND;
        SendMessageA(window(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
        tip.title = info.lpszText ? info.lpszText : "";
        tip.status = status();
        return tip;
    };
    struct Case {
        int x, y;
        int id;
        const char *title;
        const char *status;
    };
    const Case cases[] = {
        {10, 5, IDC_PADS, "Quick Pad Panel",
         "Quick Pads for storing and instant recalling Fills [1,2,3,...,0]"},
        {150, 12, IDC_PADS, "Quick Pad Panel", nullptr},
        {190, 90, IDC_INSTRUMENT, "Crash",
         "Click to exclude/include drum from/to Drum set; right click to solo/unsolo"},
        {190, 240, IDC_INSTRUMENT, "Kick", nullptr},
        {190, 270, IDC_EXTRA_DRUMS, "eXtra",
         "Extra (unmapped) drums; click to exclude/include unmapped drums from/to Drum set"},
        {300, 100, IDC_EVENT_BAR, "", "Displays notes of individual drum part of the fill"},
        {216, 268, IDC_MUTE, "Mute/Solo", nullptr},
        {450, 95, IDS_PARAMETER_VELO, "Adjust velocity", nullptr},
        {500, 360, IDC_RESOLUTION, "Resolutin", "Click to select grid resolution to apply quantization"},
        {520, 355, IDC_RESOLUTION, "Resolutin", nullptr},
        {520, 350, IDC_RESET, "Reset", "Sets all parameters and edits to default values"},
        {240, 45, IDC_TRACK_MASKING, "Track Masking Panel",
         "Mask All. All notes of the track are filtered. Click to change mode for filtering track notes"},
        {190, 380, 0, "", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + ", " + std::to_string(c.y));
        panel().setStatusText("");
        const Tip tip = tipAt(c.x, c.y);
        EXPECT_EQ(tip.id, c.id);
        if (c.id == 0)
            continue;
        EXPECT_EQ(tip.title, c.title);
        if (c.status) {
            EXPECT_EQ(tip.status, c.status);
        }
    }
    // The parameter region follows the control selection.
    for (const char *shown : {"Dyn", "Time"}) {
        const int index = std::string(shown) == "Dyn" ? 1 : 2;
        panel().controlSelection().setSelectedIndex(index);
        const Tip tip = tipAt(450, 95);
        EXPECT_EQ(tip.id, IDS_PARAMETER_VELO + index);
        EXPECT_EQ(tip.title, index == 1 ? "Dynamics strength, %" : "Time offset");
    }
}

TEST_F(GrindelvosketPanelWindowTest, ButtonsAndCombosReachTheEngine)
{
    loadFill("Rock 01");
    std::vector<std::string> help;
    setHelpHook([&help](HWND, const std::string &file, UINT command) {
        help.push_back(file + (command == HELP_FINDER ? " finder" : " other"));
        return true;
    });
    // Buttons and combos take every press, counted as a double click or not.
    const auto press = [this](Pane &control) {
        const POINT at = centre(control);
        click(at.x, at.y);
    };
    drummer().setSwingPc(40, false);
    drummer().labels.clear();
    press(panel().quantizeButton());
    EXPECT_TRUE(drummer().quantizeOn());
    EXPECT_TRUE(panel().quantizeButton().isSelected());
    press(panel().lockButton());
    EXPECT_TRUE(drummer().keepPunch()) << "the lock open: the locators stay where they are";
    press(panel().compareButton());
    EXPECT_TRUE(drummer().saidChanged("Grindelvosket::drumMapChanged")) << "compare rearranges";
    drummer().labels.clear();
    SendMessageA(window(), WM_COMMAND, IDC_XFORM, 0);
    EXPECT_TRUE(drummer().saidChanged("Grindelvosket::LoadAndRearrange")) << "transformed";
    SendMessageA(window(), WM_COMMAND, IDC_RESET, 0);
    EXPECT_EQ(drummer().swingPc(), 0);
    EXPECT_TRUE(drummer().saidChanged("Grindelvosket::ResetPars"));
    // The help file is not installed here: the button says so and hands
    // nothing to a viewer.
    std::vector<std::string> told;
    const MessageBoxHook boxes = setMessageBoxHook([&told](HWND, const char *text, const char *, UINT) {
        told.push_back(text);
        return IDOK;
    });
    SendMessageA(window(), WM_COMMAND, IDC_HELP_BUTTON, 0);
    setMessageBoxHook(boxes);
    EXPECT_TRUE(help.empty());
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find(" is missing"), std::string::npos) << told[0];

    gui_test::PopupAnswer third([](const std::vector<gui_test::MenuItem> &menu) {
        return menu.size() > 2 ? static_cast<int>(menu[2].id) : 0;
    });
    press(panel().mixerCombo());
    EXPECT_EQ(drummer().mixerMode(), 2);
    {
        gui_test::PopupAnswer first(
            [](const std::vector<gui_test::MenuItem> &menu) { return static_cast<int>(menu[0].id); });
        press(panel().swingDurationCombo());
    }
    EXPECT_EQ(drummer().swingDurIdx(), 1) << "eighths";
    press(panel().resolutionCombo());
    EXPECT_EQ(drummer().quantizeDur(), 16) << "the third entry";
    press(panel().gridCombo());
    EXPECT_EQ(panel().row(1)->eventBar().laneLayout().lanes, 1);

    // A drag from the drag field hands the fill out.
    const Rect drag = panel().dragControl().getRootBounds();
    dragPath({{drag.x + 20, drag.y + 10}, {drag.x + 40, drag.y + 30}});
    EXPECT_EQ(drummer().dragsOut, 1);
}

TEST_F(GrindelvosketPanelWindowTest, AnEngineChangeRepaintsAndRebuildsOnlyWhatChanged)
{
    loadFill("Rock 01");
    pump();
    ValidateRect(window(), nullptr);
    // Marks on the menus' entries: a rebuild would lose them.
    const auto mark = [](FlatCombo &combo) {
        if (combo.getItemCount() > 0)
            combo.menu().entries()[0].flags |= MF_HELP;
    };
    const auto marked = [](FlatCombo &combo) {
        return combo.getItemCount() > 0 && (combo.menu().entries()[0].flags & MF_HELP) != 0;
    };
    std::vector<int> rowsWithMenus;
    for (int i = 0; i < 10; ++i) {
        mark(panel().row(i)->noteCombo());
        if (marked(panel().row(i)->noteCombo()))
            rowsWithMenus.push_back(i);
    }
    ASSERT_GE(rowsWithMenus.size(), 3u);
    mark(panel().noteNamesCombo());
    mark(panel().mixerCombo());
    ASSERT_TRUE(marked(panel().noteNamesCombo()));

    drummer().setSwingPc(40, true);

    HRGN invalid = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetUpdateRgn(window(), invalid, FALSE), ERROR);
    const POINT swing = centre(panel().swingSlider());
    const POINT drag = centre(panel().dragControl());
    const POINT pads = centre(panel().pads());
    EXPECT_TRUE(PtInRegion(invalid, swing.x, swing.y)) << "the swing slider shows the change";
    EXPECT_FALSE(PtInRegion(invalid, drag.x, drag.y)) << "the panel is not repainted whole";
    EXPECT_FALSE(PtInRegion(invalid, pads.x, pads.y));
    DeleteObject(invalid);
    for (int i : rowsWithMenus)
        EXPECT_TRUE(marked(panel().row(i)->noteCombo())) << "row " << i << "'s menu was made again";
    EXPECT_TRUE(marked(panel().noteNamesCombo()));
    EXPECT_TRUE(marked(panel().mixerCombo()));

    // Another drum map changes what the rows' menus show: they are made
    // again.
    const int note = panel().row(rowsWithMenus[0])->looper().laneNote(0);
    drummer().drumMap().setNote(note, note == 60 ? 61 : 60);
    drummer().drumMapChanged();
    pump();
    EXPECT_FALSE(marked(panel().row(rowsWithMenus[0])->noteCombo()));
}

TEST_F(GrindelvosketPanelWindowTest, NewsFromAnotherThreadArrivePosted)
{
    loadFill("Rock 01");
    std::thread host([this] { drummer().selectPad(6); });
    host.join();
    EXPECT_FALSE(panel().pads().pad(6).isSelected()) << "not yet: the news are posted";
    gui_test::pump();
    EXPECT_TRUE(panel().pads().pad(6).isSelected());
    EXPECT_FALSE(panel().pads().pad(0).isSelected());
}

// A mixer entry that notes when it draws and when it goes.
struct ModeLog {
    int drawn = 0;
    int destroyed = 0;
};
class WatchedMode : public FlatImageComboItem {
public:
    WatchedMode(FlatImageCombo &combo, ModeLog &log, std::string text)
        : FlatImageComboItem(combo, std::move(text)), log_(log)
    {
    }
    ~WatchedMode() override { ++log_.destroyed; }
    void draw(GraphicsContext &gc, const Rect &rect, UINT state) override
    {
        ++log_.drawn;
        FlatImageComboItem::draw(gc, rect, state);
    }

private:
    ModeLog &log_;
};

TEST_F(GrindelvosketPanelWindowTest, PadNewsWhileTheMixerListIsOpenLeaveItsEntriesAlone)
{
    loadFill("Rock 01");
    static ModeLog log;
    static TestDrummer *engine = nullptr;
    static GrindelvosketPanel *shown = nullptr;
    static int drawnBeforeNews = -1;
    static bool newsSeenWhileOpen = false;
    static bool pictureWritten = false;
    log = {};
    engine = &drummer();
    shown = &panel();
    drawnBeforeNews = -1;
    newsSeenWhileOpen = false;
    pictureWritten = false;
    FlatImageCombo &mixer = panel().mixerCombo();
    for (auto &entry : mixer.menu().entries()) {
        std::string text;
        entry.item->getText(text);
        entry.item = std::make_unique<WatchedMode>(mixer, log, text);
    }
    // While the list is open: a trigger note switches the pad on the
    // host's thread (its news are posted), then the list draws again and
    // closes.
    const UINT_PTR trigger = SetTimer(nullptr, 0, 150, [](HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        drawnBeforeNews = log.drawn;
        std::thread host([] { engine->selectPad(3); });
        host.join();
    });
    const UINT_PTR redraw = SetTimer(nullptr, 0, 450, [](HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        newsSeenWhileOpen = shown->pads().pad(3).isSelected();
        if (HWND menu = FindWindowA("#32768", nullptr)) {
            RedrawWindow(menu, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            pictureWritten = !testing_support::writeWindowPicture(menu, "fill_panel_mixer_list_open").empty();
        }
        EndMenu();
    });
    const UINT_PTR safety = SetTimer(nullptr, 0, 3000, [](HWND, UINT, UINT_PTR, DWORD) { EndMenu(); });
    const POINT at = centre(mixer);
    gui_test::postMouse(window(), WM_MOUSEMOVE, at.x, at.y);
    gui_test::pump();
    // Only the press: the menu loop must not meet a queued release.
    gui_test::postMouse(window(), WM_LBUTTONDOWN, at.x, at.y, MK_LBUTTON);
    MSG message;
    while (!PeekMessageA(&message, window(), WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE)) {
    }
    DispatchMessageA(&message); // returns when the list closed
    KillTimer(nullptr, trigger);
    KillTimer(nullptr, redraw);
    KillTimer(nullptr, safety);
    gui_test::pump();
    EXPECT_GT(drawnBeforeNews, 0) << "the list was shown";
    EXPECT_TRUE(newsSeenWhileOpen) << "the news arrived while the list was open";
    EXPECT_GT(log.drawn, drawnBeforeNews) << "the open list drew its entries after the news";
    EXPECT_EQ(log.destroyed, 0) << "the modes did not change: their entries stay";
    EXPECT_EQ(mixer.getItemCount(), 3);
    EXPECT_EQ(mixer.getSelectedIndex(), drummer().mixerMode());
    EXPECT_TRUE(pictureWritten);
}

TEST_F(GrindelvosketPanelWindowTest, ClosingDetachesFromTheEngineAndLeavesNoWindow)
{
    loadFill("Rock 01");
    const int windowsBefore = gui_test::threadWindowCount();
    HWND panelWindow = window();
    HWND tip = panel().toolTipWindow();
    panel().destroyView();
    EXPECT_FALSE(IsWindow(panelWindow));
    EXPECT_EQ(panel().engine(), nullptr);
    EXPECT_EQ(drummer().attachedPanel(), nullptr);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(drummer().getLooper(i)->existingView(), nullptr) << "the rows went with the panel";
    delete panel_;
    panel_ = nullptr;
    EXPECT_FALSE(IsWindow(tip));
    EXPECT_LT(gui_test::threadWindowCount(), windowsBefore);
    // No hook of this module voids Alt+R any more.
    bool syschar = false;
    hostWindow.handler = [&](UINT message, WPARAM, LPARAM, bool &) -> LRESULT {
        syschar = syschar || message == WM_SYSCHAR;
        return 0;
    };
    PostMessageA(hostWindow.handle(), WM_SYSCHAR, 'r', 1 << 29);
    gui_test::pump();
    EXPECT_TRUE(syschar);
}

TEST_F(GrindelvosketPanelWindowTest, ADisconnectClosesTheView)
{
    HWND panelWindow = window();
    drummer().Disconnect();
    EXPECT_FALSE(IsWindow(panelWindow));
    EXPECT_EQ(panel().engine(), nullptr);
    // Commands after the engine went are left alone.
    EXPECT_EQ(SendMessageA(panelWindow, WM_COMMAND, IDC_XFORM, 0), 0);
}

} // namespace
} // namespace panel_test
