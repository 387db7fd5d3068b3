#include "plugin/framework/gui/flat_combo.h"

#include "plugin/framework/gui/tests/gui_test_support.h"
#include "plugin/framework/gui/tests/test_panel.h"
#include "plugin/framework/gui/tests/gui_tests_resources.h"

#include "testing/screenshot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace {

using gui_test::MenuItem;
using gui_test::TestRoot;
using namespace Quorvane;

struct Chosen {
    void chose(int index) { indices.push_back(index); }
    std::vector<int> indices;
};

class FlatComboTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        combo.create(1, {0, 0, 80, 18}, &root);
        for (const char *text : {"a", "b", "c", "d"})
            combo.addItem(text);
        listener = MemberDelegate<Chosen, int>::create(&chosen, &Chosen::chose);
        combo.setSelectionListener(listener.get());
    }
    std::string shown()
    {
        std::string text;
        combo.getText(text);
        return text;
    }
    TestRoot root;
    FlatCombo combo;
    Chosen chosen;
    RefPtr<Delegate1<int>> listener;
};

TEST_F(FlatComboTest, SelectionOutOfRangeClearsIt)
{
    EXPECT_EQ(combo.setSelectedIndex(2), 2);
    EXPECT_EQ(shown(), "c");
    EXPECT_TRUE(combo.menu().entries()[2].flags & MF_CHECKED);
    EXPECT_EQ(combo.setSelectedIndex(4), -1);
    EXPECT_EQ(shown(), "");
    EXPECT_FALSE(combo.menu().entries()[2].flags & MF_CHECKED);
    combo.setSelectedIndex(1);
    EXPECT_EQ(combo.setSelectedIndex(-1), -1);
    EXPECT_EQ(shown(), "");
    std::string selected = "untouched";
    combo.getSelectedText(selected);
    EXPECT_EQ(selected, "untouched");
}

TEST_F(FlatComboTest, RemovingKeepsTheSelectedEntryAndRenumbers)
{
    combo.setSelectedIndex(2); // "c"
    EXPECT_EQ(combo.removeItem(0), 3);
    EXPECT_EQ(combo.getSelectedIndex(), 1);
    std::string selected;
    combo.getSelectedText(selected);
    EXPECT_EQ(selected, "c");
    const auto &entries = combo.menu().entries();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(entries[i].id, FlatCombo::kFirstItemId + i) << "ids follow positions";
    EXPECT_EQ(combo.removeItem(1), 2);
    EXPECT_EQ(combo.getSelectedIndex(), -1) << "the selected entry went";
    EXPECT_EQ(shown(), "");
    EXPECT_EQ(combo.removeItem(2), -1);
    EXPECT_EQ(combo.addItem("e"), 2);
    EXPECT_EQ(entries[2].id, FlatCombo::kFirstItemId + 2);
}

TEST_F(FlatComboTest, SteppingStopsAtTheEndsSilently)
{
    combo.setSelectedIndex(0);
    EXPECT_TRUE(combo.step(-1));
    EXPECT_TRUE(chosen.indices.empty());
    combo.step(2);
    EXPECT_EQ(combo.getSelectedIndex(), 2);
    combo.step(5);
    EXPECT_EQ(combo.getSelectedIndex(), 3);
    combo.step(1);
    EXPECT_EQ(chosen.indices, (std::vector<int>{2, 3}));
    MouseEvent wheel(EventId::MouseWheel);
    wheel.wheelDelta = 120; // away from the user: back
    combo.dispatchEvent(wheel);
    EXPECT_EQ(combo.getSelectedIndex(), 2);
    combo.removeAll();
    EXPECT_EQ(combo.getSelectedIndex(), -1);
    EXPECT_TRUE(combo.step(1));
}

TEST_F(FlatComboTest, BuiltMenuCarriesMarksDefaultAndOwner)
{
    combo.setSelectedIndex(1);
    FlatCombo::Menu *sub = combo.menu().appendSubMenu(0, "more");
    sub->appendItem(MF_STRING, 2000, "x");
    combo.menu().setSelectedId(0);
    HMENU menu = combo.menu().build();
    const std::vector<MenuItem> items = gui_test::readMenu(menu);
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[1].text, "b");
    EXPECT_EQ(items[1].id, 1001u);
    EXPECT_TRUE(items[1].state & MF_CHECKED);
    EXPECT_FALSE(items[0].state & MF_CHECKED);
    EXPECT_EQ(GetMenuDefaultItem(menu, TRUE, 0), 0u);
    HMENU built = GetSubMenu(menu, 4);
    ASSERT_TRUE(built);
    EXPECT_EQ(GetMenuItemID(built, 0), 2000u);
    MENUINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = MIM_MENUDATA;
    GetMenuInfo(built, &info);
    EXPECT_EQ(reinterpret_cast<PopupMenuOwner *>(info.dwMenuData), static_cast<PopupMenuOwner *>(&combo));
    DestroyMenu(menu);
}

TEST_F(FlatComboTest, RightClickTellsTheIndex)
{
    Chosen right;
    auto rightListener = MemberDelegate<Chosen, int>::create(&right, &Chosen::chose);
    combo.setRightClickListener(rightListener.get());
    EXPECT_FALSE(combo.rightClicked(1003));
    EXPECT_EQ(right.indices, (std::vector<int>{3}));
}

TEST(FlatMLComboTest, StepsThroughTheFirstSubMenu)
{
    FlatMLCombo combo;
    Chosen chosen;
    auto listener = MemberDelegate<Chosen, int>::create(&chosen, &Chosen::chose);
    combo.setSelectionListener(listener.get());
    FlatCombo::Menu *notes = combo.menu().appendSubMenu(0, "notes");
    // The listener hears an entry's id less 1000, as a choice from the menu
    // tells it.
    notes->appendItem(MF_STRING, 1036, "Kick");
    notes->appendItem(MF_STRING | MF_CHECKED, 1038, "Snare");
    notes->appendItem(MF_STRING, 1042, "Hat");
    combo.step(1);
    EXPECT_EQ(chosen.indices, (std::vector<int>{42}));
    combo.step(1);
    EXPECT_EQ(chosen.indices.size(), 1u) << "at the end";
    EXPECT_TRUE(notes->entries()[2].flags & MF_CHECKED);
    combo.step(-5);
    EXPECT_EQ(chosen.indices.back(), 36);
    EXPECT_FALSE(notes->entries()[2].flags & MF_CHECKED);
}

TEST(FlatImageComboTest, UnknownTextShowsTheDefaultCell)
{
    TestRoot root(40, 20);
    FlatImageCombo combo;
    combo.create(1, {0, 0, 40, 20}, &root);
    RefPtr<OpaqueBitmap> cells =
        RefPtr<OpaqueBitmap>::adopt(OpaqueBitmap::load(MAKEINTRESOURCEA(IDB_TEST_CELLS)));
    combo.setImageStrip(4, {"red", "green", "blue", "yellow"}, cells.get(), 8, 8, 2, false);
    EXPECT_EQ(combo.cellIndexOf("green"), 1);
    EXPECT_EQ(combo.cellIndexOf("Green"), 2) << "case matters";
    combo.addItem("green");
    combo.addItem("purple");
    EXPECT_TRUE(combo.menu().entries()[0].item->wantsOwnerDraw());
    std::string text;
    combo.getItemText(text, 1);
    EXPECT_EQ(text, "purple");
    auto cellShown = [&](int index) {
        combo.setSelectedIndex(index);
        root.paintAll();
        return root.canvas().pixel(6, 4); // the content starts at (4, 2)
    };
    EXPECT_EQ(cellShown(0), 0x00FF00u);
    EXPECT_EQ(cellShown(1), 0xFF0000u) << "no such cell: the default, blue";
}

} // namespace

namespace {

using namespace gui_test;

class FlatComboWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fixture.panel.build = [this](TestPanel &panel) {
            combo.create(1, {20, 20, 100, 18}, &panel);
            for (const char *text : {"a", "b", "c", "d"})
                combo.addItem(text);
            listener = MemberDelegate<Chosen, int>::create(&chosen, &Chosen::chose);
            combo.setSelectionListener(listener.get());
        };
        fixture.open();
        ASSERT_TRUE(IsWindow(fixture.panelWindow())) << "windows need a display";
        SetFocus(fixture.panelWindow());
    }
    void click()
    {
        postMouse(fixture.panelWindow(), WM_LBUTTONDOWN, 30, 25, MK_LBUTTON);
        postMouse(fixture.panelWindow(), WM_LBUTTONUP, 30, 25);
        pump();
    }
    static int idOf(const std::vector<MenuItem> &menu, const std::string &text)
    {
        for (const MenuItem &item : menu)
            if (item.text == text)
                return static_cast<int>(item.id);
        return 0;
    }

    PanelFixture fixture;
    FlatCombo combo;
    Chosen chosen;
    RefPtr<Delegate1<int>> listener;
};

TEST_F(FlatComboWindowTest, ChosenEntryIsSelectedAndTold)
{
    PopupAnswer answer([](const std::vector<MenuItem> &menu) { return idOf(menu, "c"); });
    click();
    ASSERT_EQ(answer.menus.size(), 1u);
    POINT corner{20, 38}; // the combo's bottom-left
    ClientToScreen(fixture.panelWindow(), &corner);
    EXPECT_EQ(answer.places[0].x, corner.x);
    EXPECT_EQ(answer.places[0].y, corner.y);
    EXPECT_EQ(combo.getSelectedIndex(), 2);
    EXPECT_EQ(chosen.indices, (std::vector<int>{2}));
    EXPECT_TRUE(combo.isFocused()) << "the press took the focus";
    EXPECT_FALSE(combo.isOpen());
}

TEST_F(FlatComboWindowTest, AfterARemovalTheChosenEntryIsTheOneSelected)
{
    combo.removeItem(0);
    PopupAnswer answer([](const std::vector<MenuItem> &menu) { return idOf(menu, "c"); });
    click();
    std::string selected;
    combo.getSelectedText(selected);
    EXPECT_EQ(selected, "c");
}

TEST_F(FlatComboWindowTest, ClosingClickDoesNotReopen)
{
    PopupAnswer answer(0); // dismissed
    click();
    click(); // within 50 ms of the close
    EXPECT_EQ(answer.menus.size(), 1u);
    Sleep(FlatCombo::kReopenGuardMs + 20);
    click();
    EXPECT_EQ(answer.menus.size(), 2u);
}

TEST_F(FlatComboWindowTest, KeysAndWheelStepTheSelection)
{
    combo.requestFocus();
    combo.setSelectedIndex(1);
    postKey(fixture.panelWindow(), WM_KEYDOWN, VK_ADD);
    pump();
    EXPECT_EQ(combo.getSelectedIndex(), 2);
    PostMessageA(fixture.panelWindow(), WM_MOUSEWHEEL, MAKEWPARAM(0, 240), 0); // away from the user: back
    pump();
    EXPECT_EQ(combo.getSelectedIndex(), 0);
    PostMessageA(fixture.panelWindow(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
    pump();
    EXPECT_EQ(combo.getSelectedIndex(), 1);
    EXPECT_EQ(chosen.indices, (std::vector<int>{2, 0, 1}));
}

// A self-drawn entry that notes when it draws and when it goes.
struct ItemLog {
    int drawn = 0;
    int destroyed = 0;
    int destroyedWhileOpen = 0;
};
class WatchedItem : public FlatCombo::Item {
public:
    WatchedItem(FlatCombo &combo, ItemLog &log, std::string text)
        : combo_(combo), log_(log), text_(std::move(text))
    {
    }
    ~WatchedItem() override
    {
        ++log_.destroyed;
        if (combo_.isOpen())
            ++log_.destroyedWhileOpen;
    }
    bool wantsOwnerDraw() const override { return true; }
    void getText(std::string &out) const override { out = text_; }
    void draw(GraphicsContext &gc, const Rect &rect, UINT) override
    {
        ++log_.drawn;
        gc.fillRectInColor(rect, 0xFFFFFF);
        gc.drawText(text_.c_str(), rect, DT_VCENTER | DT_SINGLELINE);
    }
    void measure(int &width, int &height) override
    {
        width = 60;
        height = 16;
    }

private:
    FlatCombo &combo_;
    ItemLog &log_;
    std::string text_;
};

void addWatched(FlatCombo &combo, ItemLog &log, const std::string &text)
{
    FlatCombo::Menu::Entry entry;
    entry.id = FlatCombo::kFirstItemId + combo.getItemCount();
    entry.flags = MF_OWNERDRAW;
    entry.item = std::make_unique<WatchedItem>(combo, log, text);
    combo.menu().appendEntry(std::move(entry));
}

// Opens the real list with a press and returns when it closed.
void openRealList(HWND panel)
{
    postMouse(panel, WM_LBUTTONDOWN, 30, 25, MK_LBUTTON);
    MSG message;
    while (!PeekMessageA(&message, panel, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE)) {
    }
    DispatchMessageA(&message);
}

TEST_F(FlatComboWindowTest, EntriesRefilledWhileTheListIsOpenLiveUntilItCloses)
{
    static FlatCombo *open = nullptr;
    static ItemLog shown;
    static ItemLog refilled;
    static int drawnBeforeRefill = -1;
    static bool pictureWritten = false;
    open = &combo;
    shown = {};
    refilled = {};
    drawnBeforeRefill = -1;
    combo.removeAll();
    for (const char *text : {"one", "two", "three"})
        addWatched(combo, shown, text);
    // Inside the menu loop: the entries are refilled, then the menu draws
    // again, then it closes.
    const UINT_PTR refill = SetTimer(nullptr, 0, 150, [](HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        drawnBeforeRefill = shown.drawn;
        open->removeAll();
        for (const char *text : {"uno", "dos", "tres"})
            addWatched(*open, refilled, text);
        if (HWND menu = FindWindowA("#32768", nullptr)) {
            RedrawWindow(menu, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            pictureWritten =
                !testing_support::writeWindowPicture(menu, "flat_combo_list_refilled_open").empty();
        }
    });
    const UINT_PTR close = SetTimer(nullptr, 0, 600, [](HWND, UINT, UINT_PTR, DWORD) { EndMenu(); });
    openRealList(fixture.panelWindow());
    KillTimer(nullptr, refill);
    KillTimer(nullptr, close);
    EXPECT_GT(drawnBeforeRefill, 0) << "the list was shown";
    EXPECT_GT(shown.drawn, drawnBeforeRefill) << "the open menu drew its entries after the refill";
    EXPECT_EQ(shown.destroyedWhileOpen, 0) << "the shown entries lived while the menu showed them";
    EXPECT_EQ(shown.destroyed, 3) << "and went when it closed";
    EXPECT_EQ(refilled.destroyed, 0);
    EXPECT_EQ(combo.getItemCount(), 3);
    EXPECT_FALSE(combo.isOpen());
    EXPECT_TRUE(pictureWritten);
}

TEST_F(FlatComboWindowTest, ChoiceFromEntriesThatWentWhileOpenIsDropped)
{
    combo.setSelectedIndex(3); // "d"
    PopupAnswer answer([this](const std::vector<MenuItem> &menu) {
        combo.removeItem(0);
        return idOf(menu, "c");
    });
    click();
    ASSERT_EQ(answer.menus.size(), 1u);
    EXPECT_TRUE(chosen.indices.empty()) << "\"c\" stands at another place now";
    std::string selected;
    combo.getSelectedText(selected);
    EXPECT_EQ(selected, "d");
}

TEST_F(FlatComboWindowTest, LosingTheFocusClosesTheOpenList)
{
    // The real menu loop; a timer takes the window focus from the panel.
    static TestPanel *panel = nullptr;
    panel = &fixture.panel;
    const UINT_PTR timer =
        SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) { panel->fireWindowFocusLost(); });
    const UINT_PTR safety = SetTimer(nullptr, 0, 3000, [](HWND, UINT, UINT_PTR, DWORD) { EndMenu(); });
    const DWORD start = GetTickCount();
    // Only the press: the menu loop must not meet a queued release (or a
    // pump's own marker) before the focus goes.
    postMouse(fixture.panelWindow(), WM_LBUTTONDOWN, 30, 25, MK_LBUTTON);
    MSG message;
    while (!PeekMessageA(&message, fixture.panelWindow(), WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE)) {
    }
    DispatchMessageA(&message); // opens the list and returns when it closed
    const DWORD took = GetTickCount() - start;
    KillTimer(nullptr, timer);
    KillTimer(nullptr, safety);
    EXPECT_LT(took, 2500u) << "closed by the focus loss, not the safety timer";
    EXPECT_FALSE(combo.isOpen());
    EXPECT_EQ(combo.getSelectedIndex(), -1);
    EXPECT_FALSE(combo.isFocused());
}

// A panel that owns its combo, as the drummers' panels own theirs.
class ComboPanel : public TestPanel {
public:
    ComboPanel()
    {
        build = [this](TestPanel &) {
            combo.create(1, {20, 20, 100, 18}, this);
            for (const char *text : {"a", "b", "c"})
                combo.addItem(text);
            listener = MemberDelegate<Chosen, int>::create(&chosen, &Chosen::chose);
            combo.setSelectionListener(listener.get());
        };
    }
    FlatCombo combo;
    Chosen chosen;
    RefPtr<Delegate1<int>> listener;
};

TEST(FlatComboGoneWindowTest, APanelDestroyedWhileItsListIsOpenIsNeverTouchedAgain)
{
    // The panel lives in storage of the test's own: once it is destroyed
    // the storage is filled with a mark, and anything written to it after
    // that (or a listener called through it) shows.
    constexpr unsigned char kGone = 0xA5;
    alignas(ComboPanel) static unsigned char storage[sizeof(ComboPanel)];
    static ComboPanel *panel = nullptr;
    static bool destroyed = false;
    static bool pictureWritten = false;
    destroyed = false;
    pictureWritten = false;
    HostWindow host;
    panel = new (storage) ComboPanel;
    panel->createView(host.handle(), RECT{10, 10, 10 + TestPanel::kSize.cx, 10 + TestPanel::kSize.cy});
    pump();
    HWND window = panel->handle();
    ASSERT_TRUE(IsWindow(window)) << "windows need a display";
    SetFocus(window);
    // Inside the menu loop, once the list shows: the panel goes, as when
    // the host removes the plug-in.
    const UINT_PTR destroy = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR timer, DWORD) {
        HWND list = FindWindowA("#32768", nullptr);
        if (!list || !IsWindowVisible(list))
            return;
        KillTimer(nullptr, timer);
        pictureWritten =
            !testing_support::writeWindowPicture(list, "flat_combo_list_open_as_its_panel_goes").empty();
        panel->~ComboPanel();
        std::memset(storage, kGone, sizeof storage);
        destroyed = true;
    });
    const UINT_PTR safety = SetTimer(nullptr, 0, 10000, [](HWND, UINT, UINT_PTR, DWORD) { EndMenu(); });
    const DWORD start = GetTickCount();
    openRealList(window);
    const DWORD took = GetTickCount() - start;
    KillTimer(nullptr, destroy);
    KillTimer(nullptr, safety);
    ASSERT_TRUE(destroyed) << "the list never showed";
    EXPECT_LT(took, 8000u) << "the list ended with its combo, not by the safety timer";
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(std::count(storage, storage + sizeof storage, kGone), static_cast<long>(sizeof storage))
        << "the combo wrote to the panel after it was destroyed";
    EXPECT_TRUE(pictureWritten);
    pump();
}

} // namespace
