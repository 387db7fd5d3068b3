#include "plugin/framework/gui/drummer_panel.h"

#include "plugin/framework/gui/flat_combo.h"
#include "plugin/framework/gui/panel_message_hook.h"
#include "plugin/framework/gui/sliders.h"
#include "plugin/framework/gui/tests/gui_tests_resources.h"
#include "plugin/framework/gui/tests/test_panel.h"
#include "plugin/framework/gui/translate_accelerator.h"
#include "testing/screenshot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace {

using namespace gui_test;
using namespace Quorvane;
namespace Id = EventId;

class DrummerPanelWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fixture.panel.build = [this](TestPanel &panel) {
            a.setBounds(&panel, {20, 20, 60, 40});
            b.setBounds(&panel, {120, 20, 60, 40});
        };
        fixture.open();
        ASSERT_TRUE(IsWindow(window())) << "windows need a display";
    }
    HWND window() const { return fixture.panelWindow(); }
    TestPanel &panel() { return fixture.panel; }

    PanelFixture fixture;
    RecordingPane a{0x0000FF};
    RecordingPane b{0x00FF00};
};

TEST_F(DrummerPanelWindowTest, CreatesItsWindowFontAndTimer)
{
    EXPECT_EQ(GetParent(window()), fixture.host.handle());
    EXPECT_EQ(panel().bounds(), (Rect{0, 0, TestPanel::kSize.cx, TestPanel::kSize.cy}));
    EXPECT_TRUE(GetWindowLongPtrA(window(), GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(window(), WM_GETFONT, 0, 0));
    ASSERT_TRUE(font);
    LOGFONTA description{};
    GetObjectA(font, sizeof(description), &description);
    EXPECT_STREQ(description.lfFaceName, "Tahoma");
    EXPECT_EQ(description.lfHeight, -11);
    EXPECT_EQ(SendMessageA(window(), WM_GETDLGCODE, 0, 0), DLGC_WANTALLKEYS);
    pumpFor(150);
    EXPECT_GE(panel().timerTicks, 5) << "every 10 ms";
    panel().destroyView();
    EXPECT_FALSE(IsWindow(window()));
    EXPECT_EQ(panel().timerStops, 1);
}

TEST_F(DrummerPanelWindowTest, NoWindowNoView)
{
    TestPanel orphan;
    HWND gone = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    const RECT place{0, 0, 100, 100};
    EXPECT_FALSE(orphan.createView(gone, place)) << "no window was made";
    EXPECT_EQ(orphan.handle(), nullptr);
}

// A panel of a fixed layout.
class FixedPanel : public TestPanel {
public:
    FixedPanel() { keepPreferredSize(); }
};

TEST_F(DrummerPanelWindowTest, AFixedPanelKeepsItsPreferredSizeWhereverItIsPlaced)
{
    const auto placeOf = [](HWND window) {
        RECT place{};
        GetWindowRect(window, &place);
        MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT *>(&place), 2);
        return std::vector<LONG>{place.left, place.top, place.right - place.left, place.bottom - place.top};
    };
    HostWindow host(40, 40, 700, 560);
    FixedPanel fixed;
    ASSERT_TRUE(fixed.createView(host.handle(), RECT{5, 6, 605, 506}));
    EXPECT_EQ(placeOf(fixed.handle()), (std::vector<LONG>{5, 6, 420, 300}));
    fixed.moveView(RECT{10, 12, 30, 40});
    EXPECT_EQ(placeOf(fixed.handle()), (std::vector<LONG>{10, 12, 420, 300}));
    fixed.destroyView();
    // Any other panel takes the place it is given.
    panel().moveView(RECT{10, 10, 110, 90});
    EXPECT_EQ(placeOf(window()), (std::vector<LONG>{10, 10, 100, 80}));
}

TEST_F(DrummerPanelWindowTest, ClickCountsFollowTheDoubleClickTime)
{
    for (int i = 0; i < 3; ++i) {
        postMouse(window(), WM_LBUTTONDOWN, 30, 30, MK_LBUTTON);
        postMouse(window(), WM_LBUTTONUP, 30, 30);
    }
    postMouse(window(), WM_RBUTTONDOWN, 30, 30, MK_RBUTTON);
    postMouse(window(), WM_RBUTTONUP, 30, 30);
    pump();
    Sleep(GetDoubleClickTime() + 60);
    postMouse(window(), WM_LBUTTONDBLCLK, 30, 30, MK_LBUTTON); // counts as a press
    postMouse(window(), WM_LBUTTONUP, 30, 30);
    pump();
    std::vector<int> presses, releases;
    for (const Seen &seen : a.seen) {
        if (seen.id == Id::MousePressed)
            presses.push_back(seen.clickCount);
        if (seen.id == Id::MouseReleased)
            releases.push_back(seen.clickCount);
    }
    EXPECT_EQ(presses, (std::vector<int>{1, 2, 3, 1, 1})) << "the right button counts apart";
    EXPECT_EQ(releases, (std::vector<int>{1, 2, 3, 1, 1}));
}

TEST_F(DrummerPanelWindowTest, MovesBecomeDragsWhileAPaneHoldsTheCapture)
{
    postMouse(window(), WM_MOUSEMOVE, 30, 30);
    postMouse(window(), WM_LBUTTONDOWN, 30, 30, MK_LBUTTON);
    postMouse(window(), WM_MOUSEMOVE, 35, 30, MK_LBUTTON);
    pump();
    EXPECT_EQ(GetCapture(), window());
    postMouse(window(), WM_MOUSEMOVE, 100, 30, MK_LBUTTON); // off a, not yet on b
    postMouse(window(), WM_MOUSEMOVE, 40, 30, MK_LBUTTON);  // back
    postMouse(window(), WM_LBUTTONUP, 130, 30);             // released over b
    postMouse(window(), WM_MOUSEMOVE, 131, 30);
    pump();
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(a.ids(),
              (std::vector<int>{Id::MouseEntered, Id::MouseMoved, Id::MousePressed, Id::MouseEntered,
                                Id::MouseDragged, Id::MouseExited, Id::MouseDragged, Id::MouseEntered,
                                Id::MouseDragged, Id::MouseExited, Id::MouseReleased, Id::MouseExited}));
    EXPECT_EQ(a.seen[6].x, 80) << "in a's own coordinates";
    EXPECT_EQ(b.ids(), (std::vector<int>{Id::MouseEntered, Id::MouseMoved}));
}

TEST_F(DrummerPanelWindowTest, TranslatedKeysNeverReachTheParent)
{
    ASSERT_TRUE(panel().loadAccelerators(IDR_TEST_ACCELERATORS));
    postKey(window(), WM_KEYDOWN, VK_F5);
    postKey(window(), WM_KEYDOWN, 'Q');
    pump();
    EXPECT_EQ(panel().commands, (std::vector<UINT>{ID_TEST_ACCELERATED}));
    const auto &keys = fixture.host.keys;
    EXPECT_EQ(std::count(keys.begin(), keys.end(), WPARAM{VK_F5}), 0) << "translated: not passed on";
    ASSERT_FALSE(keys.empty());
    EXPECT_EQ(keys.front(), WPARAM{'Q'}) << "what the panel does not use goes up";
    EXPECT_EQ(fixture.host.messages.front(), static_cast<UINT>(WM_KEYDOWN));

    // The registered message asks the same table.
    const UINT translate = DrummerPanel::translateAcceleratorMessage();
    EXPECT_EQ(translate, RegisterWindowMessageA("Quorvane_TranslateAccelerator"));
    EXPECT_EQ(SendMessageA(window(), translate, MAKEWPARAM(WM_KEYDOWN, VK_F5), 1), 1);
    EXPECT_EQ(SendMessageA(window(), translate, MAKEWPARAM(WM_KEYDOWN, VK_F6), 1), 0);
    EXPECT_EQ(panel().commands.size(), 2u);
}

TEST_F(DrummerPanelWindowTest, TheRegisteredMessageCarriesOutACommandAsThePanelsOwn)
{
    // A command that a window inside the panel leaves: the message and the
    // command id in the two words, as a key travels with its key.
    const UINT translate = DrummerPanel::translateAcceleratorMessage();
    EXPECT_EQ(commandForPanel(4242), static_cast<WPARAM>(MAKEWPARAM(WM_COMMAND, 4242)));
    EXPECT_EQ(keyForPanel(VK_F5), static_cast<WPARAM>(MAKEWPARAM(WM_KEYDOWN, VK_F5)));
    EXPECT_EQ(SendMessageA(window(), translate, commandForPanel(4242), 0), 1);
    EXPECT_EQ(panel().commands, (std::vector<UINT>{4242}));
    // Without an accelerator table a key is not taken, and it is never
    // taken for a command.
    EXPECT_EQ(SendMessageA(window(), translate, keyForPanel(VK_F5), 1), 0);
    EXPECT_EQ(panel().commands.size(), 1u);
}

TEST_F(DrummerPanelWindowTest, KeysGoToTheFocusedPane)
{
    SetFocus(window());
    a.requestFocus();
    KeysDown held({VK_SHIFT});
    postKey(window(), WM_KEYDOWN, 'Z');
    pump();
    ASSERT_FALSE(a.keys.empty());
    EXPECT_EQ(a.keys.front(), 'Z');
    EXPECT_EQ(a.keyModifiers.front(), Modifier::Shift);
    EXPECT_TRUE(fixture.host.keys.empty());
}

TEST_F(DrummerPanelWindowTest, PopupMenuItemsAndAnswers)
{
    const PopupMenuItems items = {{"One", 5, MF_STRING},
                                  {"", 0, MF_STRING},
                                  {"Not now", 0, MF_STRING},
                                  {"Checked", 7, MF_STRING | MF_CHECKED}};
    PopupAnswer answer([](const std::vector<MenuItem> &menu) { return static_cast<int>(menu[0].id); });
    EXPECT_EQ(b.showPopupMenu(items, {10, 15, 0, 0}), 5);
    ASSERT_EQ(answer.menus.size(), 1u);
    const std::vector<MenuItem> &menu = answer.menus[0];
    ASSERT_EQ(menu.size(), 4u);
    EXPECT_TRUE(menu[1].state & MF_SEPARATOR);
    EXPECT_TRUE(menu[2].state & MF_GRAYED) << "command 0 is greyed";
    EXPECT_FALSE(menu[0].state & MF_GRAYED);
    EXPECT_TRUE(menu[3].state & MF_CHECKED);
    POINT expected{130, 35};
    ClientToScreen(window(), &expected);
    EXPECT_EQ(answer.places[0].x, expected.x);
    EXPECT_EQ(answer.places[0].y, expected.y);
}

TEST_F(DrummerPanelWindowTest, DismissedRealMenuAnswersZero)
{
    // The real menu loop, ended from a timer as a user would end it.
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) { EndMenu(); });
    EXPECT_EQ(a.showPopupMenu({{"One", 5, MF_STRING}}, {0, 0, 0, 0}), 0);
    KillTimer(nullptr, timer);
}

TEST_F(DrummerPanelWindowTest, PaintsThroughAMemoryBitmap)
{
    RedrawWindow(window(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(a.paintedDcType, static_cast<DWORD>(OBJ_MEMDC));
    EXPECT_TRUE(GetWindowLongPtrA(window(), GWL_STYLE) & WS_CLIPCHILDREN);
    const testing_support::WindowPicture picture = testing_support::printWindow(window());
    EXPECT_EQ(picture.width, TestPanel::kSize.cx);
    EXPECT_EQ(picture.at(50, 40), 0x0000FFu);
    EXPECT_EQ(picture.at(150, 40), 0x00FF00u);
    EXPECT_EQ(picture.at(300, 200), 0xC8D0D4u);
    EXPECT_FALSE(testing_support::writePicture(picture, "drummer_panel").empty());
}

TEST_F(DrummerPanelWindowTest, PostedLoopIndexArrivesOnTheWindowThread)
{
    std::thread poster([this] { panel().postPanelMessage(7); });
    poster.join();
    pump();
    EXPECT_EQ(panel().loopIndices, (std::vector<int>{7}));
    EXPECT_EQ(panel().loopThreads, (std::vector<DWORD>{GetCurrentThreadId()}));
    EXPECT_EQ(DrummerPanel::viewsSetLoopIdxMessage(), RegisterWindowMessageA("Quorvane_ViewsSetLoopIdx"));
}

TEST_F(DrummerPanelWindowTest, FocusRequestsWithAndWithoutTheWindowFocus)
{
    SetFocus(window());
    a.requestFocus();
    b.requestFocus();
    EXPECT_EQ(a.ids(), (std::vector<int>{Id::FocusGained, Id::FocusLost}));
    EXPECT_EQ(b.ids(), (std::vector<int>{Id::FocusGained}));

    SetFocus(fixture.host.handle()); // the window loses the focus
    EXPECT_EQ(b.ids().back(), Id::FocusLost);
    a.requestFocus(); // takes the window focus back for a
    EXPECT_EQ(GetFocus(), window());
    EXPECT_EQ(a.ids().back(), Id::FocusGained);
    EXPECT_TRUE(a.isFocused());

    SetFocus(fixture.host.handle());
    SetFocus(window()); // no request between: back to a
    EXPECT_EQ(a.ids().back(), Id::FocusGained);
}

TEST_F(DrummerPanelWindowTest, LostCaptureEndsTheDrag)
{
    TwinSlider slider;
    slider.setBounds(&panel(), {20, 100, 213, 20});
    slider.setRange(0, 200);
    slider.setEnd(200);
    const int shown = pointerCount();
    postMouse(window(), WM_RBUTTONDOWN, 26, 110, MK_RBUTTON);
    postMouse(window(), WM_MOUSEMOVE, 66, 110, MK_RBUTTON);
    pump();
    EXPECT_EQ(slider.draggedHandle(), 1);
    EXPECT_LT(pointerCount(), 0) << "hidden while dragging";
    EXPECT_EQ(slider.low(), 5) << "40 pixels at an eighth";

    SetCapture(fixture.host.handle()); // someone else takes the mouse
    EXPECT_EQ(slider.draggedHandle(), 0) << "the drag ended as a release would end it";
    EXPECT_EQ(pointerCount(), shown) << "the pointer shows again";
    ReleaseCapture();
    postMouse(window(), WM_MOUSEMOVE, 80, 110);
    pump();
    EXPECT_EQ(slider.low(), 5);
    EXPECT_FALSE(panel().hasMouseCapture());
    slider.detach();
}

TEST_F(DrummerPanelWindowTest, MenuRightButtonGoesToTheMenusOwner)
{
    FlatCombo combo;
    combo.create(1, {20, 200, 80, 18}, &panel());
    combo.addItem("a");
    combo.addItem("b");
    combo.addItem("c");
    std::vector<int> right;
    struct Right {
        std::vector<int> *out;
        void heard(int i) { out->push_back(i); }
    } listener{&right};
    auto delegate = MemberDelegate<Right, int>::create(&listener, &Right::heard);
    combo.setRightClickListener(delegate.get());
    HMENU menu = combo.menu().build();
    SendMessageA(window(), WM_MENURBUTTONUP, 2, reinterpret_cast<LPARAM>(menu));
    DestroyMenu(menu);
    HMENU plain = CreatePopupMenu();
    AppendMenuA(plain, MF_STRING, 1, "x");
    SendMessageA(window(), WM_MENURBUTTONUP, 0, reinterpret_cast<LPARAM>(plain)); // no owner: nothing
    DestroyMenu(plain);
    EXPECT_EQ(right, (std::vector<int>{2}));
    combo.detach();
}

TEST_F(DrummerPanelWindowTest, OwnerDrawnItemsDrawThemselves)
{
    FlatImageCombo combo;
    combo.create(1, {20, 200, 80, 18}, &panel());
    combo.addItem("x");
    SelfDrawnItem *item = combo.menu().entries()[0].item.get();

    MEASUREITEMSTRUCT measure{};
    measure.CtlType = ODT_MENU;
    measure.itemData = reinterpret_cast<ULONG_PTR>(item);
    EXPECT_EQ(SendMessageA(window(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)), TRUE);
    EXPECT_GT(measure.itemWidth, 0u);
    EXPECT_GT(measure.itemHeight, 0u);

    Canvas canvas(60, 20, 0x000000);
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_MENU;
    draw.hDC = canvas.dc();
    draw.rcItem = {0, 0, 60, 20};
    draw.itemState = ODS_SELECTED;
    draw.itemData = reinterpret_cast<ULONG_PTR>(item);
    EXPECT_EQ(SendMessageA(window(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw)), TRUE);
    EXPECT_EQ(canvas.pixel(50, 2), GetSysColor(COLOR_HIGHLIGHT)) << "the selected item's text area";
    draw.itemData = 0;
    EXPECT_EQ(SendMessageA(window(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw)), TRUE);
    combo.detach();
}

TEST_F(DrummerPanelWindowTest, WindowTextIsTheStatusLine)
{
    panel().statusControl().create(TextControl::kSunkenFrame, {0, 280, 420, 20}, &panel());
    SetWindowTextA(window(), "Ready");
    EXPECT_EQ(panel().statusControl().text(), "Ready");
    panel().setStatusText("Set");
    EXPECT_EQ(panel().statusControl().text(), "Set");
}

TEST_F(DrummerPanelWindowTest, TooltipShowsTheTextOfThePaneUnderTheMouse)
{
    installPanelMessageHook();
    panel().toolRegions = {{{20, 20, 60, 40}, 3001}, {{120, 20, 60, 40}, 3002}};
    panel().toolTexts = {{3001, "Kick level"}, {3002, "Snare level"}};
    HWND tip = panel().toolTipWindow();
    ASSERT_TRUE(tip);
    SendMessageA(tip, TTM_SETDELAYTIME, TTDT_INITIAL, 20);
    POINT over{130, 40};
    ClientToScreen(window(), &over);
    SetCursorPos(over.x, over.y);
    postMouse(window(), WM_MOUSEMOVE, 130, 40);
    pump();
    EXPECT_EQ(panel().toolTipId(), 3002);
    const DWORD start = GetTickCount();
    while (!IsWindowVisible(tip) && GetTickCount() - start < 2000)
        pumpFor(20);
    EXPECT_TRUE(IsWindowVisible(tip));
    char text[64] = {};
    GetWindowTextA(tip, text, sizeof(text));
    EXPECT_STREQ(text, "Snare level");
    EXPECT_EQ(panel().statusControl().text(), "Snare level");
    // A point in no region has no tool.
    postMouse(window(), WM_MOUSEMOVE, 300, 250);
    pump();
    EXPECT_EQ(panel().toolTipId(), 0);
    releasePanelMessageHook();
}

} // namespace
