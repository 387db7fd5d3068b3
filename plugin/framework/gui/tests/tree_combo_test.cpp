#include "plugin/framework/gui/tree_combo.h"

#include "plugin/framework/gui/tests/gui_test_support.h"
#include "plugin/framework/gui/translate_accelerator.h"
#include "testing/sandbox.h"
#include "testing/screenshot.h"

#include <gtest/gtest.h>

namespace {

using namespace gui_test;
using namespace Quorvane;

constexpr UINT kComboId = 300;

void makeFile(const std::string &path)
{
    testing_support::writeFile(path, "MThd");
}

class TreeComboWindowTest : public ::testing::Test {
protected:
    // A:      a1, a2, sub: s1
    // B:      b1
    // C:      (empty)
    // top, and readme.txt, which is no pattern
    void SetUp() override
    {
        const std::string root = folder.path();
        for (const char *sub : {"A", "A\\sub", "B", "C"})
            CreateDirectoryA((root + "\\" + sub).c_str(), nullptr);
        for (const char *file :
             {"A\\a1.mid", "A\\a2.MID", "A\\sub\\s1.mid", "B\\b1.mid", "top.mid", "readme.txt"})
            makeFile(root + "\\" + file);
    }
    void open(int x = 40, int y = 40)
    {
        host = std::make_unique<HostWindow>(x, y, 260, 120);
        host->handler = [this](UINT message, WPARAM wParam, LPARAM lParam, bool &handled) -> LRESULT {
            if (message == CTreeCombo::folderUnchangedMessage() && lParam) {
                asked.push_back(reinterpret_cast<const char *>(lParam));
                handled = true;
                return unchanged ? 1 : 0;
            }
            (void)wParam;
            return 0;
        };
        combo = std::make_unique<CTreeCombo>(folder.path());
        ASSERT_TRUE(combo->create(host->handle(), RECT{10, 10, 210, 32}, kComboId))
            << "windows need a display";
        pump();
    }
    CTreeDropList &list() { return combo->dropList(); }
    std::vector<WORD> codes() const
    {
        std::vector<WORD> result;
        for (const auto &[id, code] : host->commands)
            if (id == kComboId)
                result.push_back(code);
        return result;
    }
    void key(WPARAM key)
    {
        postKey(combo->handle(), WM_KEYDOWN, key);
        pump();
    }

    testing_support::TempFolder folder;
    std::unique_ptr<HostWindow> host;
    std::unique_ptr<CTreeCombo> combo;
    std::vector<std::string> asked;
    bool unchanged = false;
};

TEST_F(TreeComboWindowTest, TreeHoldsFoldersAndPatternFiles)
{
    open();
    HTREEITEM s1 = list().findItemByPath("A\\sub\\s1");
    ASSERT_TRUE(s1);
    EXPECT_TRUE(list().isFileItem(s1));
    EXPECT_EQ(list().getItemPath(s1), "A\\sub\\s1");
    EXPECT_TRUE(list().findItemByPath("A\\a2")) << "the extension in any case";
    EXPECT_FALSE(list().isFileItem(list().findItemByPath("A\\sub")));
    EXPECT_FALSE(list().findItemByPath("readme"));
    EXPECT_FALSE(list().findItemByPath("A\\nothing"));
    EXPECT_EQ(list().itemText(list().rootItem()), "A");
    EXPECT_EQ(list().splitPath("A\\sub\\s1"), (std::pair<std::string, std::string>{"A", "sub\\s1"}));
    EXPECT_EQ(list().splitPath("top"), (std::pair<std::string, std::string>{"top", ""}));
}

TEST_F(TreeComboWindowTest, KeysStepThroughTheFiles)
{
    open();
    SetFocus(combo->handle());
    host->commands.clear();
    key(VK_HOME);
    EXPECT_EQ(combo->text(), "A");
    const char *forward[] = {"A\\a1", "A\\a2", "A\\sub\\s1", "B\\b1", "top", "top"};
    for (const char *expected : forward) {
        key(VK_ADD);
        EXPECT_EQ(combo->text(), expected);
    }
    key(VK_SUBTRACT);
    EXPECT_EQ(combo->text(), "B\\b1") << "back over the empty folder";
    key(VK_LEFT);
    EXPECT_EQ(combo->text(), "B");
    key(VK_RIGHT);
    EXPECT_EQ(combo->text(), "B\\b1");
    key(VK_RIGHT);
    EXPECT_EQ(combo->text(), "top") << "a file has no child: the next file";
    EXPECT_TRUE(codes().empty()) << "stepping tells nobody";

    key('Q');
    {
        ControlKeyHeld control;
        key(VK_ADD);
    }
    EXPECT_EQ(combo->text(), "top");
    std::vector<WPARAM> keyDowns;
    for (const auto &[message, pressed] : host->keyMessages)
        if (message == WM_KEYDOWN)
            keyDowns.push_back(pressed);
    EXPECT_EQ(keyDowns, (std::vector<WPARAM>{'Q', VK_ADD})) << "plus with Ctrl goes to the parent";
}

TEST_F(TreeComboWindowTest, WheelStepsByWholeNotches)
{
    open();
    combo->selectTreeItem(list().rootItem());
    PostMessageA(combo->handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, 119), 0);
    pump();
    EXPECT_EQ(combo->text(), "A");
    PostMessageA(combo->handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-240)), 0);
    pump();
    EXPECT_EQ(combo->text(), "A\\a2") << "two files on";
    PostMessageA(combo->handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
    pump();
    EXPECT_EQ(combo->text(), "A\\a1");
    PostMessageA(combo->handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-1200)), 0);
    pump();
    EXPECT_EQ(combo->text(), "top") << "stops at the end";
}

TEST_F(TreeComboWindowTest, ListOpensBelowOrAboveAndShiftsLeft)
{
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    struct Case {
        int x;
        int y;
        bool above;
    };
    for (const Case &c :
         {Case{40, 40, false}, Case{40, screenHeight - 160, true}, Case{screenWidth - 150, 40, false}}) {
        open(c.x, c.y);
        RECT comboPlace{};
        GetWindowRect(combo->handle(), &comboPlace);
        postMouse(combo->handle(), WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
        pump();
        ASSERT_TRUE(combo->isDroppedDown());
        ASSERT_TRUE(IsWindowVisible(list().handle()));
        RECT listPlace{};
        GetWindowRect(list().handle(), &listPlace);
        EXPECT_EQ(listPlace.bottom - listPlace.top, 200);
        if (c.above)
            EXPECT_EQ(listPlace.bottom, comboPlace.top) << "near the bottom: above the combo";
        else
            EXPECT_EQ(listPlace.top, comboPlace.bottom);
        EXPECT_EQ(listPlace.left, std::min<int>(comboPlace.left, screenWidth - 200));
        EXPECT_FALSE(GetWindowLongPtrA(list().handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
        combo->closeWithoutChoice();
        combo.reset();
        host.reset();
    }
}

TEST_F(TreeComboWindowTest, ChoosingCancellingAndLosingTheFocusNotify)
{
    open();
    combo->selectTreeItem(list().findItemByPath("B\\b1"));
    host->commands.clear();

    postMouse(combo->handle(), WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
    pump();
    EXPECT_EQ(GetFocus(), list().handle());
    list().selectItem(list().findItemByPath("A\\a2"));
    postKey(list().handle(), WM_KEYDOWN, VK_RETURN);
    pump();
    EXPECT_FALSE(combo->isDroppedDown());
    EXPECT_FALSE(IsWindowVisible(list().handle()));
    EXPECT_TRUE(combo->lastCloseConfirmed());
    EXPECT_EQ(combo->text(), "A\\a2");
    EXPECT_EQ(GetFocus(), combo->handle());
    EXPECT_EQ(codes(), (std::vector<WORD>{CBN_DROPDOWN, CBN_SELENDOK, CBN_SETFOCUS}));
    EXPECT_FALSE(testing_support::writeWindowPicture(host->handle(), "tree_combo").empty());

    host->commands.clear();
    postMouse(combo->handle(), WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
    pump();
    EXPECT_FALSE(testing_support::writeWindowPicture(list().handle(), "tree_combo_list").empty());
    list().selectItem(list().findItemByPath("top"));
    postKey(list().handle(), WM_KEYDOWN, VK_ESCAPE);
    pump();
    EXPECT_FALSE(combo->lastCloseConfirmed());
    EXPECT_EQ(list().getSelectedPath(), "A\\a2") << "the selection when the list opened";
    EXPECT_EQ(combo->text(), "A\\a2");
    EXPECT_EQ(codes(), (std::vector<WORD>{CBN_DROPDOWN, CBN_SELENDCANCEL, CBN_SETFOCUS}));

    host->commands.clear();
    postMouse(combo->handle(), WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
    pump();
    SetFocus(host->handle());
    pump();
    EXPECT_FALSE(combo->isDroppedDown());
    EXPECT_FALSE(IsWindowVisible(list().handle()));
    EXPECT_EQ(codes(), (std::vector<WORD>{CBN_DROPDOWN, CBN_KILLFOCUS}));
}

TEST_F(TreeComboWindowTest, ClickOnAFileChoosesIt)
{
    open();
    postMouse(combo->handle(), WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
    pump();
    HTREEITEM top = list().findItemByPath("top");
    RECT place{};
    ASSERT_TRUE(TreeView_GetItemRect(list().handle(), top, &place, TRUE));
    postMouse(list().handle(), WM_LBUTTONDOWN, place.left + 2, (place.top + place.bottom) / 2, MK_LBUTTON);
    pump();
    EXPECT_FALSE(combo->isDroppedDown());
    EXPECT_EQ(combo->text(), "top");
}

TEST_F(TreeComboWindowTest, OpeningBringsTheTreeUpToDate)
{
    open();
    const std::string root = folder.path();
    makeFile(root + "\\B\\b2.mid");
    DeleteFileA((root + "\\A\\a1.mid").c_str());
    RemoveDirectoryA((root + "\\C").c_str());
    makeFile(root + "\\C.mid"); // a folder became a file of that name
    unchanged = true;
    combo->dropDown();
    EXPECT_EQ(asked, (std::vector<std::string>{root})) << "the parent says nothing changed";
    EXPECT_FALSE(list().findItemByPath("B\\b2"));
    combo->closeWithoutChoice();

    unchanged = false;
    combo->dropDown();
    EXPECT_TRUE(list().findItemByPath("B\\b2"));
    EXPECT_FALSE(list().findItemByPath("A\\a1"));
    HTREEITEM c = list().findItemByPath("C");
    ASSERT_TRUE(c);
    EXPECT_TRUE(list().isFileItem(c));
    combo->closeWithoutChoice();
}

} // namespace

namespace {

// The loop folder combo's naming rules and its watcher, over the same tree.
class LoopFolderComboWindowTest : public TreeComboWindowTest {
protected:
    std::string root() const { return folder.path() + "\\"; }
    HTREEITEM item(const std::string &path) { return list().findItemByPath(path); }
    void select(const std::string &path)
    {
        HTREEITEM found = item(path);
        ASSERT_TRUE(found) << path;
        list().selectItem(found);
    }
    // Pumps until the list holds (or lacks) an item, a few seconds at most.
    bool waitFor(const std::string &path, bool present)
    {
        for (int i = 0; i < 200; ++i) { // up to 10 s: the watcher runs at idle priority
            if ((item(path) != nullptr) == present)
                return true;
            pumpFor(50);
        }
        return false;
    }
};

TEST_F(LoopFolderComboWindowTest, AFreeNameIsTheFirstLoopNumberNotTaken)
{
    open();
    for (const char *file : {"C\\loop01.mid", "C\\loop02.mid", "B\\loop02.mid"})
        makeFile(root() + file);
    list().refresh();
    struct Case {
        const char *selected;
        const char *name;
        const char *savePath;
    };
    const Case cases[] = {
        {"C", "loop03", "C\\loop03.mid"},
        {"B", "loop01", "B\\loop01.mid"},
        {"A\\a1", "a1", "A\\a1.mid"}, // a file: its own name
        {"A\\sub", "loop01", "A\\sub\\loop01.mid"},
    };
    for (const Case &c : cases) {
        select(c.selected);
        EXPECT_EQ(combo->selectedName(), c.name) << c.selected;
        EXPECT_EQ(combo->savePath(), root() + c.savePath) << c.selected;
    }
    list().selectItem(nullptr);
    EXPECT_FALSE(combo->isFileSelected());
    EXPECT_EQ(combo->selectedName(), "loop01") << "among the root's children";
    EXPECT_EQ(combo->savePath(), root() + "loop01.mid");
}

TEST_F(LoopFolderComboWindowTest, PathsOfTheSelection)
{
    open();
    select("A\\sub\\s1");
    EXPECT_TRUE(combo->isFileSelected());
    EXPECT_EQ(combo->selectedPath(), root() + "A\\sub\\s1.mid");
    EXPECT_EQ(combo->selectedFolderPath(), root() + "A\\sub");
    select("B");
    EXPECT_FALSE(combo->isFileSelected());
    EXPECT_EQ(combo->selectedPath(), root() + "B") << "a folder: no extension";
    EXPECT_EQ(combo->selectedFolderPath(), root() + "B");
}

TEST_F(LoopFolderComboWindowTest, SelectingAFullPathComparesWithoutCase)
{
    open();
    select("B\\b1");
    // Below another root: nothing is selected anew.
    EXPECT_EQ(combo->selectPath("C:\\elsewhere\\A\\a1.mid"), nullptr);
    EXPECT_EQ(list().selectedItem(), item("B\\b1"));
    // The root in other letters: found.
    std::string shouted = root() + "A\\a1.mid";
    for (char &c : shouted)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    shouted.replace(shouted.size() - 8, 8, "A\\a1.mid");
    EXPECT_EQ(combo->selectPath(shouted), item("A\\a1"));
    EXPECT_EQ(list().selectedItem(), item("A\\a1"));
    // A path that stops early selects the last item found on its way.
    EXPECT_EQ(combo->selectPath(root() + "A\\sub\\gone.mid"), item("A\\sub"));
}

TEST_F(LoopFolderComboWindowTest, TheWatcherShowsNamesChangedOnDisk)
{
    open();
    ASSERT_TRUE(list().isWatching());
    // At once after the list was made: nothing is missed while the watcher
    // starts.
    makeFile(root() + "C\\new.mid");
    EXPECT_TRUE(waitFor("C\\new", true)) << "created";
    MoveFileA((root() + "C\\new.mid").c_str(), (root() + "C\\renamed.mid").c_str());
    EXPECT_TRUE(waitFor("C\\renamed", true)) << "renamed";
    EXPECT_TRUE(waitFor("C\\new", false));
    DeleteFileA((root() + "A\\a1.mid").c_str());
    EXPECT_TRUE(waitFor("A\\a1", false)) << "deleted";
    char current[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, current);
    list().refresh();
    char after[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, after);
    EXPECT_STREQ(after, current) << "the refresh never moves the process's current folder";
    // Destroying the combo waits for the watcher to end.
    combo.reset();
}

} // namespace

namespace {

// The flat combo made over a dialog item, as the loop browser has it: the
// parent's keys take the digit 2 (as a panel's quick pad key would).
class FlatTreeComboWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string root = folder.path();
        CreateDirectoryA((root + "\\A").c_str(), nullptr);
        for (const char *file : {"A\\a1.mid", "A\\a2.mid"})
            makeFile(root + "\\" + file);
        host = std::make_unique<HostWindow>(40, 40, 260, 120);
        host->handler = [this](UINT message, WPARAM wParam, LPARAM, bool &handled) -> LRESULT {
            if (message == translateAcceleratorMessage()) {
                offered.push_back(HIWORD(wParam));
                handled = true;
                return wParam == keyForPanel('2') ? 1 : 0;
            }
            if (message == WM_COMMAND && HIWORD(wParam) == FlatTreeCombo::kNameEntered)
                entered.push_back(combo->text());
            return 0;
        };
        ASSERT_TRUE(CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, 10, 10, 150,
                                    100, host->handle(), reinterpret_cast<HMENU>(UINT_PTR{kComboId}), nullptr,
                                    nullptr))
            << "windows need a display";
        combo = std::make_unique<FlatTreeCombo>(folder.path());
        ASSERT_TRUE(combo->createOver(kComboId, host->handle()));
        combo->selectTreeItem(combo->dropList().findItemByPath("A\\a1"));
        SetFocus(combo->handle());
        pump();
        offered.clear();
    }
    // A key as the user presses it: its character follows the key-down.
    void press(WPARAM key)
    {
        postKey(combo->handle(), WM_KEYDOWN, key);
        postKey(combo->handle(), WM_KEYUP, key);
        pump();
    }
    void type(const std::string &keys)
    {
        for (char key : keys)
            press(static_cast<WPARAM>(key));
    }
    // A click into the combo's text, left of its arrow.
    void openName()
    {
        ASSERT_FALSE(combo->onArrow(5));
        postMouse(combo->handle(), WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
        postMouse(combo->handle(), WM_LBUTTONUP, 5, 5);
        pump();
    }
    std::vector<WPARAM> keysToTheParent() const
    {
        std::vector<WPARAM> keys;
        for (const auto &[message, key] : host->keyMessages)
            if (message == WM_KEYDOWN)
                keys.push_back(key);
        return keys;
    }

    testing_support::TempFolder folder;
    std::unique_ptr<HostWindow> host;
    std::unique_ptr<FlatTreeCombo> combo;
    std::vector<WPARAM> offered;
    std::vector<std::string> entered;
};

TEST_F(FlatTreeComboWindowTest, ATypedNameIsToldWithEnter)
{
    EXPECT_FALSE(testing_support::writeWindowPicture(combo->handle(), "flat_tree_combo_focused").empty());
    // Before a name is opened every key is the combo's and the parent's:
    // the parent's keys first, then the parent as a key-down.
    press('2');
    type("FU");
    EXPECT_EQ(combo->text(), "a1") << "nothing typed";
    EXPECT_FALSE(combo->isNaming());
    EXPECT_EQ(offered, (std::vector<WPARAM>{'2', 'F', 'U'}));
    EXPECT_EQ(keysToTheParent(), (std::vector<WPARAM>{'F', 'U'}));
    EXPECT_EQ(SendMessageA(combo->handle(), WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL, 0);
    // A click into the text opens a name: the shown one is marked and the
    // first character replaces it; from then on every character key types,
    // digits too, unasked.
    openName();
    EXPECT_TRUE(combo->isNaming());
    EXPECT_EQ(combo->text(), "a1");
    EXPECT_EQ(SendMessageA(combo->handle(), WM_GETDLGCODE, 0, 0),
              DLGC_WANTALLKEYS | DLGC_WANTCHARS | DLGC_HASSETSEL)
        << "it takes text as an edit field does";
    EXPECT_FALSE(testing_support::writeWindowPicture(combo->handle(), "flat_tree_combo_name_opened").empty());
    type("FUNK");
    EXPECT_TRUE(combo->isNaming());
    EXPECT_EQ(combo->text(), "funk");
    offered.clear();
    type("22");
    EXPECT_EQ(combo->text(), "funk22");
    EXPECT_TRUE(offered.empty()) << "a name's keys are the name's";
    press(VK_BACK);
    press(VK_SPACE);
    press('Y');
    EXPECT_EQ(combo->text(), "funk2 y");
    EXPECT_FALSE(testing_support::writeWindowPicture(combo->handle(), "flat_tree_combo_naming").empty());
    // Keys that type nothing go on as before.
    press(VK_F2);
    EXPECT_EQ(keysToTheParent(), (std::vector<WPARAM>{'F', 'U', VK_F2}));
    EXPECT_EQ(combo->text(), "funk2 y");
    EXPECT_TRUE(entered.empty());
    press(VK_RETURN);
    EXPECT_EQ(entered, (std::vector<std::string>{"funk2 y"})) << "the parent reads the name as the text";
    EXPECT_TRUE(combo->isNaming()) << "a parent that shows nothing else leaves it for another try";
    EXPECT_EQ(combo->text(), "funk2 y");
    press(VK_ESCAPE);
    EXPECT_EQ(combo->text(), "a1") << "then the selection shows again";
    EXPECT_EQ(keysToTheParent(), (std::vector<WPARAM>{'F', 'U', VK_F2}))
        << "no key of the name reached the parent";
}

TEST_F(FlatTreeComboWindowTest, EscapeOrLeavingEndsTheNameAndStepsStayTheCombos)
{
    openName();
    type("X");
    EXPECT_EQ(combo->text(), "x");
    press(VK_ESCAPE);
    EXPECT_FALSE(combo->isNaming());
    EXPECT_EQ(combo->text(), "a1");
    openName();
    type("Y");
    SetFocus(host->handle());
    pump();
    EXPECT_FALSE(combo->isNaming()) << "the focus went elsewhere";
    EXPECT_EQ(combo->text(), "a1");
    SetFocus(combo->handle());
    // Backspace clears the marked name to begin a new one.
    openName();
    press(VK_BACK);
    EXPECT_TRUE(combo->isNaming());
    EXPECT_EQ(combo->text(), "");
    press(VK_ESCAPE);
    // Numeric-pad plus still steps (its '+' is not typed), and with Ctrl a
    // letter types nothing.
    press(VK_ADD);
    EXPECT_EQ(combo->text(), "a2");
    EXPECT_FALSE(combo->isNaming());
    {
        KeysDown control({VK_CONTROL});
        press('Z');
    }
    EXPECT_EQ(combo->text(), "a2");
    EXPECT_FALSE(combo->isNaming());
    EXPECT_TRUE(entered.empty());
}

} // namespace
