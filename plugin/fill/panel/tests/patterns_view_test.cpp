// The patterns view inside the editor: listing, sorting and filtering the
// library's patterns, choosing one (and what happens to unsaved edits),
// dropping files and MIDI data on it, its menus and the renames. The tests
// work in a folder of their own ("Mine") and remove it afterwards.
#include "plugin/fill/panel/tests/panel_fixture.h"

#include "base/message_box.h"
#include "plugin/fill/engine/fill_module.h"
#include "plugin/fill/engine/grindelvosket.h"
#include "plugin/fill/panel/panel_ids.h"
#include "plugin/fill/plugin/fill_transfer.h"
#include "plugin/framework/gui/user_steps.h"
#include "testing/sandbox.h"
#include "testing/screenshot.h"

#include <commctrl.h>

#include <filesystem>

namespace panel_test {
namespace {

using namespace Quorvane;
using gui_test::pump;

// A one-bar pattern at a tempo: a kick on each beat.
void writePattern(const std::string &path, int bpm, int velocity = 100)
{
    CMidiTrack track;
    track.setResolution(480);
    track.setTempo(60000000 / bpm);
    for (int beat = 0; beat < 4; ++beat) {
        CMidiTrack::Event e;
        e.time = beat * 480;
        e.kind = CMidiTrack::Event::Note;
        e.channel = 9;
        e.data1 = 36;
        e.data2 = static_cast<uint8_t>(velocity);
        e.duration = 60;
        track.insertEvent(e);
    }
    track.refreshStatistics();
    ASSERT_EQ(track.saveSmfFile(path), 0) << path;
}

// Message boxes answered with a fixed button, and recorded.
class Answers {
public:
    explicit Answers(int button)
    {
        setMessageBoxHook([this, button](HWND, const char *text, const char *caption, UINT) {
            asked.push_back(std::string(caption) + ": " + text);
            return button;
        });
    }
    std::vector<std::string> asked;
};

class PatternsViewWindowTest : public PanelTest {
protected:
    void SetUp() override
    {
        PanelTest::SetUp();
        std::filesystem::remove_all(mine());
        std::filesystem::create_directories(mine());
    }
    void TearDown() override
    {
        std::filesystem::remove_all(mine());
        FillModule::refreshPatternLibrary();
        PanelTest::TearDown();
    }

    static std::string mine() { return fillsFolder() + "\\Mine"; }
    // The library read again and the view showing folder.
    void show(const std::string &folder)
    {
        FillModule::refreshPatternLibrary();
        patterns().refresh();
        patterns().selectFolder(folder);
        pump();
    }
    HWND list() { return patterns().listWindow(); }
    HWND tree() { return patterns().treeWindow(); }
    std::vector<std::string> column(int c)
    {
        std::vector<std::string> cells;
        for (int i = 0; i < patterns().itemCount(); ++i)
            cells.push_back(patterns().cellText(i, c));
        return cells;
    }
    int itemNamed(const std::string &name)
    {
        for (int i = 0; i < patterns().itemCount(); ++i)
            if (patterns().cellText(i, 0) == name)
                return i;
        return -1;
    }
    void clickItem(int item)
    {
        RECT area{};
        ListView_GetItemRect(list(), item, &area, LVIR_LABEL);
        const int x = area.left + 4;
        const int y = (area.top + area.bottom) / 2;
        gui_test::postMouse(list(), WM_LBUTTONDOWN, x, y, MK_LBUTTON);
        gui_test::postMouse(list(), WM_LBUTTONUP, x, y);
        pump();
        pump();
    }
    void clickHeader(int column)
    {
        HWND header = ListView_GetHeader(list());
        RECT area{};
        Header_GetItemRect(header, column, &area);
        const int x = (area.left + area.right) / 2;
        const int y = (area.top + area.bottom) / 2;
        gui_test::postMouse(header, WM_MOUSEMOVE, x, y);
        gui_test::postMouse(header, WM_LBUTTONDOWN, x, y, MK_LBUTTON);
        gui_test::postMouse(header, WM_LBUTTONUP, x, y);
        pump();
    }
    HTREEITEM treeItem(const std::string &text) { return gui_test::findTreeItem(tree(), text); }
    // The screen point in the middle of a tree item's label.
    POINTL onTreeItem(HTREEITEM item)
    {
        RECT area{};
        TreeView_GetItemRect(tree(), item, &area, TRUE);
        POINT point{(area.left + area.right) / 2, (area.top + area.bottom) / 2};
        ClientToScreen(tree(), &point);
        return {point.x, point.y};
    }
    // A right click on a window at a client point, the cursor there. What
    // opens a modal dialog gets time instead of a pump: the dialog's own
    // loop would take the pump's closing message.
    void rightClickOn(HWND target, POINT client, bool opensDialog = false)
    {
        POINT screen = client;
        ClientToScreen(target, &screen);
        SetCursorPos(screen.x, screen.y);
        gui_test::postMouse(target, WM_RBUTTONDOWN, client.x, client.y, MK_RBUTTON);
        gui_test::postMouse(target, WM_RBUTTONUP, client.x, client.y);
        if (opensDialog)
            gui_test::pumpFor(400);
        else
            pump();
    }
    // The effect a drag shows over a point, before any drop.
    DWORD dragOver(IDataObject *data, POINTL at, DWORD keys = 0)
    {
        IDropTarget *target = patterns().dropTarget();
        DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        EXPECT_EQ(target->DragEnter(data, keys, at, &effect), S_OK);
        target->DragLeave();
        return effect;
    }
    DWORD drop(IDataObject *data, POINTL at, DWORD keys = 0)
    {
        IDropTarget *target = patterns().dropTarget();
        DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        EXPECT_EQ(target->DragEnter(data, keys, at, &effect), S_OK);
        effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        EXPECT_EQ(target->Drop(data, keys, at, &effect), S_OK);
        pump();
        return effect;
    }
    // Edits the loaded fill by hand: a snare on the second sixteenth.
    void editFill()
    {
        drummer().getLooper(2)->insertNote(120, 38, 90);
        ASSERT_TRUE(drummer().hasUnsavedEdits());
    }
};

IDataObject *fileList(const std::vector<std::string> &files)
{
    std::string list = DrummerTransfer::fileDropList(files.front());
    list.pop_back();
    for (size_t i = 1; i < files.size(); ++i)
        list += files[i] + '\0';
    list += '\0';
    return DrummerTransfer::createDataObject({{CF_HDROP, list}});
}

TEST_F(PatternsViewWindowTest, ListsEveryPatternBelowTheFolderWithItsTempoAndPath)
{
    std::filesystem::create_directories(mine() + "\\Sub");
    writePattern(mine() + "\\Top_first take.mid", 100);
    writePattern(mine() + "\\Sub\\Deep_second.mid", 96);
    testing_support::writeFile(mine() + "\\Broken_file.mid", "not a MIDI file");
    show("Mine");
    EXPECT_EQ(patterns().columnCount(), 4);
    EXPECT_EQ(patterns().headerText(2), "Tempo");
    EXPECT_EQ(column(0), (std::vector<std::string>{"Broken", "Deep", "Top"}));
    EXPECT_EQ(column(1), (std::vector<std::string>{"file", "second", "first take"}));
    EXPECT_EQ(column(2), (std::vector<std::string>{"", "096", "100"})) << "no tempo for a damaged file";
    EXPECT_EQ(column(3), (std::vector<std::string>{"", "Sub\\", ""}));
}

TEST_F(PatternsViewWindowTest, AClickedPatternPlays)
{
    show("Rock");
    const int item = itemNamed("Rock 03");
    ASSERT_GE(item, 0);
    clickItem(item);
    EXPECT_EQ(drummer().patternFolder(), "Rock");
    EXPECT_EQ(drummer().patternFile(), "Rock 03_Around the kit.mid");
    EXPECT_EQ(panel().fillTitle(), "Fill: Rock 03_Around the kit");
    EXPECT_TRUE(drummer().getLooper(2)->hasEvents()) << "the snare part holds the snare";
}

TEST_F(PatternsViewWindowTest, HeaderClicksSortAndCtrlClicksFilter)
{
    writePattern(mine() + "\\b_one.mid", 120);
    writePattern(mine() + "\\a_two.mid", 100);
    writePattern(mine() + "\\c_three.mid", 120);
    show("Mine");
    EXPECT_EQ(column(0), (std::vector<std::string>{"a", "b", "c"})) << "by name at first";
    clickHeader(1);
    EXPECT_EQ(column(1), (std::vector<std::string>{"one", "three", "two"}));
    clickHeader(1);
    EXPECT_EQ(column(1), (std::vector<std::string>{"two", "three", "one"}));
    clickHeader(1);
    EXPECT_EQ(column(1), (std::vector<std::string>{"one", "three", "two"}));
    EXPECT_EQ(patterns().secondarySortKey(), 0);
    // Ties of the primary key keep the secondary order.
    clickHeader(2);
    EXPECT_EQ(column(0), (std::vector<std::string>{"a", "b", "c"}));

    // With Ctrl, the Tempo column filters by the selected pattern's tempo.
    ListView_SetItemState(list(), itemNamed("b"), LVIS_SELECTED, LVIS_SELECTED);
    {
        gui_test::ControlKeyHeld control;
        clickHeader(2);
    }
    EXPECT_EQ(patterns().filter(2), "120");
    EXPECT_EQ(patterns().headerText(2), "*Tempo");
    EXPECT_EQ(column(0), (std::vector<std::string>{"b", "c"}));
    {
        gui_test::ControlKeyHeld control;
        clickHeader(2);
    }
    EXPECT_EQ(patterns().filter(2), "");
    EXPECT_EQ(patterns().itemCount(), 3);
}

TEST_F(PatternsViewWindowTest, CtrlListsTheAnalysisColumns)
{
    writePattern(mine() + "\\k_kicks.mid", 120);
    FillModule::refreshPatternLibrary();
    gui_test::ControlKeyHeld control;
    show("Mine");
    ASSERT_EQ(patterns().columnCount(), 21);
    EXPECT_EQ(patterns().headerText(20), "X");
    EXPECT_EQ(patterns().cellText(0, 4), "00") << "the first note at the start";
    EXPECT_EQ(patterns().cellText(0, 5), "24") << "the last on beat 4: 3 quarters x 8";
    EXPECT_EQ(patterns().cellText(0, 6), "04");
    EXPECT_EQ(patterns().cellText(0, 7), "10000000100000001000000010000000");
    EXPECT_EQ(patterns().cellText(0, 8), "01");
    EXPECT_EQ(patterns().cellText(0, 13), "K");
    EXPECT_EQ(patterns().cellText(0, 14), "");
}

TEST_F(PatternsViewWindowTest, SaveEditsAnswers)
{
    loadFill("Rock 01");
    show("Rock");
    const int other = itemNamed("Rock 02");
    ASSERT_GE(other, 0);
    struct Case {
        const char *name;
        int answer;
        // What the Save As dialog answers: empty refuses.
        std::string savedAs;
        bool loads;
        bool saved;
    };
    const std::string user = fillsFolder() + "\\User";
    const Case cases[] = {
        {"Cancel keeps the pattern and its edits", IDCANCEL, "", false, false},
        {"Yes, then the Save As dialog cancelled, acts as Cancel", IDYES, "", false, false},
        {"Yes, then a save that fails, acts as Cancel", IDYES, mine() + "\\Missing\\x.mid", false, false},
        {"Yes saves the edits, then loads", IDYES, user + "\\R-Rock 01_Tom run down.mid", true, true},
        {"No drops the edits and loads", IDNO, "", true, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        loadFill("Rock 01");
        show("Rock");
        editFill();
        Answers answers(c.answer);
        std::vector<SaveFileRequest> requests;
        setSaveFileHook([&](const SaveFileRequest &request, std::string &path) {
            requests.push_back(request);
            path = c.savedAs;
            return !c.savedAs.empty();
        });
        clickItem(itemNamed("Rock 02"));
        const bool failing = c.savedAs.find("Missing") != std::string::npos;
        ASSERT_EQ(answers.asked.size(), failing ? 2u : 1u);
        EXPECT_EQ(answers.asked[0], "Grindelvosket: Save edits?");
        if (c.answer == IDYES) {
            ASSERT_EQ(requests.size(), 1u);
            EXPECT_EQ(requests[0].name, "R-Rock 01_Tom run down.mid");
            EXPECT_EQ(requests[0].folder, user);
            EXPECT_EQ(requests[0].defaultExtension, "mid");
        }
        EXPECT_EQ(drummer().patternFile(), c.loads ? "Rock 02_Snare build.mid" : "Rock 01_Tom run down.mid");
        EXPECT_EQ(drummer().hasUnsavedEdits(), !c.loads);
        if (!c.loads) {
            EXPECT_EQ(patterns().cellText(ListView_GetNextItem(list(), -1, LVNI_SELECTED), 0), "Rock 01")
                << "the view shows the engine's pattern again";
        }
        EXPECT_EQ(testing_support::fileExists(c.savedAs), c.saved);
        if (c.saved) {
            CMidiTrack saved;
            ASSERT_EQ(saved.loadSmfFile(c.savedAs), 0);
            bool edit = false;
            for (const CMidiTrack::Event &e : saved.events())
                edit = edit || (e.data1 == 38 && e.data2 == 90 && e.time == 120);
            EXPECT_TRUE(edit) << "the saved file holds the edit";
            EXPECT_EQ(patterns().userFolder(), user);
        }
        setMessageBoxHook([](HWND, const char *text, const char *, UINT) {
            ADD_FAILURE() << text;
            return IDCANCEL;
        });
    }
    std::filesystem::remove_all(user);
}

TEST_F(PatternsViewWindowTest, DroppedFilesGetTheNextFreeNumbers)
{
    writePattern(mine() + "\\001.mid", 120);
    testing_support::TempFolder outside;
    writePattern(outside.file("one.mid"), 100);
    writePattern(outside.file("two.mid"), 90);
    show("Mine");
    IDataObject *files = fileList({outside.file("one.mid"), outside.file("two.mid")});
    const DWORD effect = drop(files, onTreeItem(treeItem("Mine")));
    files->Release();
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_MOVE));
    EXPECT_TRUE(testing_support::fileExists(mine() + "\\002.mid"));
    EXPECT_TRUE(testing_support::fileExists(mine() + "\\003.mid"));
    EXPECT_EQ(testing_support::readFile(mine() + "\\003.mid"),
              testing_support::readFile(outside.file("two.mid")));
    EXPECT_EQ(drummer().patternFolder(), "Mine");
    EXPECT_EQ(drummer().patternFile(), "003.mid") << "the last one added plays";
    EXPECT_EQ(patterns().itemCount(), 3);

    // Held Ctrl copies; Standard MIDI File data become a file too.
    std::string smf = testing_support::readFile(outside.file("one.mid"));
    IDataObject *data = DrummerTransfer::createDataObject({{DrummerTransfer::smfFormat(), smf}});
    EXPECT_EQ(drop(data, onTreeItem(treeItem("Mine")), MK_CONTROL), static_cast<DWORD>(DROPEFFECT_COPY));
    data->Release();
    EXPECT_EQ(testing_support::readFile(mine() + "\\004.mid"), smf);
}

TEST_F(PatternsViewWindowTest, DropsThatCannotLandReportNoEffect)
{
    testing_support::TempFolder outside;
    writePattern(outside.file("one.mid"), 100);
    show("Mine");
    // Onto a folder inside a volume file: refused before and at the drop.
    IDataObject *files = fileList({outside.file("one.mid")});
    EXPECT_EQ(dragOver(files, onTreeItem(treeItem("Latin.vol"))), static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(dragOver(files, onTreeItem(treeItem("Mine"))), static_cast<DWORD>(DROPEFFECT_MOVE));
    EXPECT_EQ(drop(files, onTreeItem(treeItem("Latin.vol"))), static_cast<DWORD>(DROPEFFECT_NONE));
    files->Release();
    // A copy that fails (the file went meanwhile): the source keeps it.
    IDataObject *gone = fileList({outside.file("one.mid"), outside.file("missing.mid")});
    EXPECT_EQ(drop(gone, onTreeItem(treeItem("Mine"))), static_cast<DWORD>(DROPEFFECT_NONE));
    gone->Release();
    EXPECT_TRUE(testing_support::fileExists(outside.file("one.mid")));
    EXPECT_EQ(drummer().patternFolder(), "") << "nothing was chosen";
    EXPECT_FALSE(testing_support::fileExists(mine() + "\\001.mid")) << "the library is as it was";
    EXPECT_TRUE(std::filesystem::is_empty(mine()));
    // Outside the tree and list nothing lands.
    std::string folder;
    EXPECT_FALSE(patterns().dropFolderAt({-5, -5}, folder));
}

TEST_F(PatternsViewWindowTest, MenusAreGreyInsideVolumes)
{
    show("Rock");
    std::vector<std::vector<gui_test::MenuItem>> menus;
    gui_test::PopupAnswer record([&menus](const std::vector<gui_test::MenuItem> &menu) {
        menus.push_back(menu);
        return 0;
    });
    const auto greyed = [](const std::vector<gui_test::MenuItem> &menu) {
        int count = 0;
        for (const gui_test::MenuItem &item : menu)
            count += (item.state & MF_GRAYED) && !(item.state & MF_SEPARATOR) ? 1 : 0;
        return count;
    };
    const auto centreOf = [this](HTREEITEM item) {
        RECT area{};
        TreeView_GetItemRect(tree(), item, &area, TRUE);
        return POINT{(area.left + area.right) / 2, (area.top + area.bottom) / 2};
    };
    rightClickOn(tree(), centreOf(treeItem("Latin.vol")));
    rightClickOn(tree(), centreOf(treeItem("Rock")));
    ASSERT_EQ(menus.size(), 2u);
    EXPECT_EQ(menus[0].size(), 5u);
    EXPECT_EQ(menus[0][0].text, "Explore");
    EXPECT_EQ(menus[0][4].text, "New");
    EXPECT_EQ(greyed(menus[0]), 4) << "every command of a volume folder";
    EXPECT_EQ(greyed(menus[1]), 0);

    RECT first{};
    ListView_GetItemRect(list(), 0, &first, LVIR_LABEL);
    rightClickOn(list(), {first.left + 4, (first.top + first.bottom) / 2});
    ASSERT_EQ(menus.size(), 3u);
    EXPECT_EQ(menus[2][0].text, "Edit");
    EXPECT_EQ(menus[2][1].text, "Rename");
    EXPECT_EQ(menus[2][3].text, "Delete");
    EXPECT_EQ(greyed(menus[2]), 0);
    patterns().selectFolder("Latin.vol");
    pump();
    ASSERT_GT(patterns().itemCount(), 0);
    ListView_GetItemRect(list(), 0, &first, LVIR_LABEL);
    rightClickOn(list(), {first.left + 4, (first.top + first.bottom) / 2});
    ASSERT_EQ(menus.size(), 4u);
    EXPECT_EQ(greyed(menus[3]), 3) << "patterns inside a volume";
}

TEST_F(PatternsViewWindowTest, TreeMenuCommands)
{
    show("Mine");
    std::vector<std::string> deleted, opened;
    setShellDeleteHook([&deleted](HWND, const std::string &path) {
        deleted.push_back(path);
        return true;
    });
    setShellOpenHook([&opened](HWND, const std::string &path) {
        opened.push_back(path);
        return true;
    });
    RECT area{};
    TreeView_GetItemRect(tree(), treeItem("Mine"), &area, TRUE);
    const POINT on{(area.left + area.right) / 2, (area.top + area.bottom) / 2};
    for (int command : {PatternsView::TreeNew, PatternsView::TreeExplore, PatternsView::TreeDelete}) {
        gui_test::PopupAnswer answer(command);
        rightClickOn(tree(), on);
        pump();
    }
    EXPECT_TRUE(std::filesystem::is_directory(mine() + "\\New Folder"));
    EXPECT_EQ(opened, (std::vector<std::string>{mine()}));
    EXPECT_EQ(deleted, (std::vector<std::string>{mine()}));
}

TEST_F(PatternsViewWindowTest, FolderLabelsRenameTheFolderUnlessTheNameCannotBeOne)
{
    std::filesystem::create_directories(fillsFolder() + "\\Taken");
    show("Mine");
    struct Case {
        const char *text;
        bool renamed;
        const char *message;
    };
    const Case cases[] = {
        {"..\\Elsewhere", false, "Rename Style: \"..\\Elsewhere\" cannot be the name of a folder."},
        {"a/b", false, "Rename Style: \"a/b\" cannot be the name of a folder."},
        {"what?", false, "Rename Style: \"what?\" cannot be the name of a folder."},
        {"Taken", false, nullptr},
        {"Mine 2", true, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        Answers answers(IDOK);
        HTREEITEM item = treeItem("Mine");
        ASSERT_NE(item, nullptr);
        HWND edit = TreeView_EditLabel(tree(), item);
        ASSERT_NE(edit, nullptr);
        SetWindowTextA(edit, c.text);
        TreeView_EndEditLabelNow(tree(), FALSE);
        pump();
        EXPECT_EQ(std::filesystem::is_directory(fillsFolder() + "\\Mine 2"), c.renamed);
        EXPECT_TRUE(std::filesystem::is_directory(fillsFolder() + "\\Taken")) << "never replaced";
        if (!c.renamed) {
            ASSERT_EQ(answers.asked.size(), 1u);
            if (c.message)
                EXPECT_EQ(answers.asked[0], c.message);
            else
                EXPECT_EQ(answers.asked[0].rfind("Rename Style: ", 0), 0u);
            EXPECT_TRUE(std::filesystem::is_directory(mine()));
        }
    }
    std::filesystem::remove_all(fillsFolder() + "\\Mine 2");
    std::filesystem::remove_all(fillsFolder() + "\\Taken");
}

// Answers the rename dialog from a timer, as a user would: types into the
// first rows and presses OK.
struct RenameAnswer {
    std::string name;
    std::string comment;
    int rows = 0;
    bool thirdEnabled = true;
};
RenameAnswer *renameAnswer = nullptr;

BOOL CALLBACK findRename(HWND window, LPARAM found)
{
    if (IsWindowVisible(window) && GetDlgItem(window, IDC_RENAME_FIRST_EDIT)) {
        *reinterpret_cast<HWND *>(found) = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK answerRename(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), findRename, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog || !renameAnswer)
        return;
    KillTimer(nullptr, timer);
    while (GetDlgItem(dialog, IDC_RENAME_FIRST_EDIT + renameAnswer->rows))
        ++renameAnswer->rows;
    renameAnswer->thirdEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_RENAME_FIRST_EDIT + 2)) != FALSE;
    if (!renameAnswer->name.empty())
        SetDlgItemTextA(dialog, IDC_RENAME_FIRST_EDIT, renameAnswer->name.c_str());
    if (!renameAnswer->comment.empty())
        SetDlgItemTextA(dialog, IDC_RENAME_FIRST_EDIT + 1, renameAnswer->comment.c_str());
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

TEST_F(PatternsViewWindowTest, RenameDialogRenamesTheChosenPatternsSafely)
{
    writePattern(mine() + "\\Alpha_one.mid", 120);
    writePattern(mine() + "\\Beta_two.mid", 120);
    writePattern(mine() + "\\Gamma_three.mid", 120);
    struct Case {
        const char *name;
        const char *comment;
        const char *target;
        bool moved;
        bool refused;
    };
    const Case cases[] = {
        {"Delta", "", "Delta_one.mid", true, false},   {"", "new", "Delta_new.mid", true, false},
        {"..\\up", "", "..\\up_new.mid", false, true}, {"a:b", "", "a:b_new.mid", false, true},
        {"Beta", "two", "Beta_two.mid", false, false}, // taken: kept as it is
    };
    std::string current = "Alpha_one.mid";
    for (const Case &c : cases) {
        SCOPED_TRACE(c.target);
        show("Mine");
        std::string name, comment;
        PatternsView::splitFileName(current, name, comment);
        ListView_SetItemState(list(), itemNamed(name), LVIS_SELECTED, LVIS_SELECTED);
        RenameAnswer answer{c.name, c.comment};
        renameAnswer = &answer;
        Answers answers(IDOK);
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, answerRename);
        gui_test::PopupAnswer rename(PatternsView::ListRename);
        RECT area{};
        ListView_GetItemRect(list(), itemNamed(name), &area, LVIR_LABEL);
        rightClickOn(list(), {area.left + 4, (area.top + area.bottom) / 2}, true);
        KillTimer(nullptr, timer);
        renameAnswer = nullptr;
        EXPECT_EQ(answer.rows, 4) << "a row per column";
        EXPECT_FALSE(answer.thirdEnabled) << "only the name and comment change";
        EXPECT_EQ(testing_support::fileExists(mine() + "\\" + c.target),
                  c.moved || std::string(c.name) == "Beta");
        EXPECT_EQ(answers.asked.size(), c.refused ? 1u : 0u);
        if (c.moved)
            current = c.target;
        EXPECT_TRUE(testing_support::fileExists(mine() + "\\" + current));
    }
    EXPECT_TRUE(testing_support::fileExists(mine() + "\\Beta_two.mid"));
    EXPECT_TRUE(testing_support::fileExists(mine() + "\\Gamma_three.mid"));
}

// Types the new name with keys: Tab from the name to the comment, Enter for
// OK.
struct KeyedRename {
    HWND dialog = nullptr;
    int step = 0;
    bool tabMoved = false;
};
KeyedRename *keyedRename = nullptr;

void CALLBACK renameByKeys(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), findRename, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog || !keyedRename)
        return;
    HWND name = GetDlgItem(dialog, IDC_RENAME_FIRST_EDIT);
    HWND comment = GetDlgItem(dialog, IDC_RENAME_FIRST_EDIT + 1);
    switch (keyedRename->step++) {
    case 0:
        SetFocus(name);
        SetWindowTextA(name, "Keyed");
        gui_test::postKey(name, WM_KEYDOWN, VK_TAB);
        gui_test::postKey(name, WM_KEYUP, VK_TAB);
        break;
    case 1:
        keyedRename->tabMoved = GetFocus() == comment;
        EXPECT_FALSE(testing_support::writeWindowPicture(dialog, "fill_rename_dialog_keys").empty());
        SetFocus(comment);
        gui_test::postKey(comment, WM_KEYDOWN, VK_RETURN);
        gui_test::postKey(comment, WM_KEYUP, VK_RETURN);
        break;
    default:
        // Enter left it open: close it, so that the test goes on.
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        break;
    }
}

TEST_F(PatternsViewWindowTest, RenameDialogTakesTabAndEnter)
{
    writePattern(mine() + "\\Alpha_one.mid", 120);
    show("Mine");
    ListView_SetItemState(list(), itemNamed("Alpha"), LVIS_SELECTED, LVIS_SELECTED);
    KeyedRename keyed;
    keyedRename = &keyed;
    const UINT_PTR timer = SetTimer(nullptr, 0, 60, renameByKeys);
    gui_test::PopupAnswer rename(PatternsView::ListRename);
    RECT area{};
    ListView_GetItemRect(list(), itemNamed("Alpha"), &area, LVIR_LABEL);
    rightClickOn(list(), {area.left + 4, (area.top + area.bottom) / 2}, true);
    KillTimer(nullptr, timer);
    keyedRename = nullptr;
    EXPECT_TRUE(keyed.tabMoved) << "Tab went from the name to the comment";
    EXPECT_EQ(keyed.step, 2) << "Enter closed the dialog";
    EXPECT_TRUE(testing_support::fileExists(mine() + "\\Keyed_one.mid")) << "with OK";
}

TEST_F(PatternsViewWindowTest, EditOpensThePatternFileWithTheShellOrSaysWhyNot)
{
    writePattern(mine() + "\\Alpha_one.mid", 120);
    writePattern(mine() + "\\Beta_two.mid", 120);
    show("Mine");
    for (const bool opens : {true, false}) {
        SCOPED_TRACE(opens ? "a program opens it" : "nothing opens it");
        std::vector<std::string> opened;
        setShellOpenHook([&](HWND, const std::string &path) {
            opened.push_back(path);
            return opens;
        });
        Answers answers(IDOK);
        gui_test::PopupAnswer edit(PatternsView::ListEdit);
        RECT area{};
        ListView_GetItemRect(list(), itemNamed("Beta"), &area, LVIR_LABEL);
        rightClickOn(list(), {area.left + 4, (area.top + area.bottom) / 2});
        EXPECT_EQ(opened, (std::vector<std::string>{mine() + "\\Beta_two.mid"}))
            << "the file under the mouse";
        if (opens) {
            EXPECT_TRUE(answers.asked.empty());
        } else {
            ASSERT_EQ(answers.asked.size(), 1u);
            EXPECT_EQ(answers.asked[0],
                      "Grindelvosket: No program opens the pattern\n\"" + mine() + "\\Beta_two.mid\".");
        }
    }
}

TEST_F(PatternsViewWindowTest, DeleteAsksThenDeletesTheChosenPatterns)
{
    writePattern(mine() + "\\a_one.mid", 120);
    writePattern(mine() + "\\b_two.mid", 120);
    show("Mine");
    SetFocus(list());
    ListView_SetItemState(list(), 0, LVIS_SELECTED, LVIS_SELECTED);
    {
        Answers no(IDCANCEL);
        gui_test::postKey(list(), WM_KEYDOWN, VK_DELETE, true);
        pump();
        EXPECT_EQ(no.asked, (std::vector<std::string>{
                                "Grindelvosket: Are you sure you want to delete selected patterns?"}));
    }
    EXPECT_TRUE(testing_support::fileExists(mine() + "\\a_one.mid"));
    Answers yes(IDOK);
    gui_test::postKey(list(), WM_KEYDOWN, VK_DELETE, true);
    pump();
    EXPECT_FALSE(testing_support::fileExists(mine() + "\\a_one.mid"));
    EXPECT_EQ(patterns().itemCount(), 1);
    // Other keys go on to the panel: a digit chooses a pad.
    gui_test::postKey(list(), WM_KEYDOWN, '4');
    pump();
    pump();
    EXPECT_EQ(drummer().currentPad(), 3);
}

} // namespace
} // namespace panel_test
