// The loop browser inside the panel: saving (as a new file when nothing is
// selected), deleting after its question, choosing a loop file in its tree,
// and a file that cannot be read.
#include "base/message_box.h"
#include "plugin/framework/gui/user_steps.h"
#include "plugin/slice/panel/tests/panel_fixture.h"
#include "testing/sandbox.h"
#include "testing/screenshot.h"

#include <commctrl.h>

#include <algorithm>
#include <filesystem>

namespace {

using namespace Quorvane;
using namespace Quorvane::LoopSlice;
using namespace slice_panel_test;

class LoopBrowserTest : public PanelTest {
protected:
    void SetUp() override
    {
        PanelTest::SetUp();
        setMessageBoxHook([this](HWND, const char *text, const char *, UINT) {
            asked.push_back(text);
            return answer;
        });
    }
    LoopBrowser &browser() { return panel().browser(); }
    FlatTreeCombo &combo() { return browser().combo(); }
    std::vector<MfxEvent> notes()
    {
        std::vector<MfxEvent> out;
        for (const MfxEvent &e : slice_plugin_test::playWindows(drummer(), 0, 3839, 480))
            if (e.kind == MfxNote)
                out.push_back(e);
        return out;
    }
    std::vector<std::string> asked;
    int answer = IDNO;
};

bool sameNotes(const std::vector<MfxEvent> &a, const std::vector<MfxEvent> &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].time != b[i].time || a[i].note != b[i].note || a[i].velocity != b[i].velocity)
            return false;
    return true;
}

TEST_F(LoopBrowserTest, TheLoopsFolderIsMadeOnFirstUse)
{
    EXPECT_TRUE(std::filesystem::is_directory(loopsFolder()));
    EXPECT_EQ(browser().loopsFolder().rfind(loopsFolder(), 0), 0u);
}

TEST_F(LoopBrowserTest, SavingWithNothingSelectedAsksForAName)
{
    for (const bool shift : {false, true}) {
        std::vector<SaveFileRequest> requests;
        const std::string target = loopsFolder() + (shift ? "\\shifted.vpl" : "\\mine.vpl");
        setSaveFileHook([&](const SaveFileRequest &request, std::string &path) {
            requests.push_back(request);
            path = target;
            return true;
        });
        TreeView_SelectItem(combo().dropList().handle(), nullptr);
        gui_test::KeysDown held(shift ? std::initializer_list<int>{VK_SHIFT} : std::initializer_list<int>{});
        browser().saveClicked();
        ASSERT_EQ(requests.size(), 1u) << shift;
        EXPECT_EQ(requests[0].name, "loop01.vpl");
        EXPECT_EQ(requests[0].defaultExtension, "vpl");
        EXPECT_EQ(requests[0].filter, "Vostrapellin Loops (.vpl)|*.vpl|All Files (*.*)|*.*||");
        EXPECT_TRUE(std::filesystem::exists(target));
        EXPECT_TRUE(combo().isFileSelected()) << "the new file is selected";
        EXPECT_EQ(combo().text(), shift ? "shifted" : "mine");
    }
    // With a file selected, Shift saves into it without asking.
    setSaveFileHook([](const SaveFileRequest &, std::string &) {
        ADD_FAILURE() << "asked for a name";
        return false;
    });
    drummer().slice(5).clearLoop();
    gui_test::KeysDown shift({VK_SHIFT});
    browser().saveClicked();
    EXPECT_GT(std::filesystem::file_size(loopsFolder() + "\\mine.vpl"),
              std::filesystem::file_size(loopsFolder() + "\\shifted.vpl"))
        << "shifted.vpl, selected, now holds the loop without the kick";
}

TEST_F(LoopBrowserTest, DeletingAsksFirst)
{
    ASSERT_TRUE(browser().saveTo(loopsFolder() + "\\old.vpl"));
    TreeView_SelectItem(combo().dropList().handle(), nullptr);
    browser().deleteClicked();
    EXPECT_TRUE(asked.empty()) << "nothing selected: no question";
    ASSERT_TRUE(combo().selectPath(loopsFolder() + "\\old.vpl"));
    answer = IDNO;
    browser().deleteClicked();
    EXPECT_EQ(asked, (std::vector<std::string>{"Are you sure you want to delete loop\n\"old\"?"}));
    EXPECT_TRUE(std::filesystem::exists(loopsFolder() + "\\old.vpl"));
    answer = IDYES;
    browser().deleteClicked();
    EXPECT_FALSE(std::filesystem::exists(loopsFolder() + "\\old.vpl"));
    EXPECT_EQ(combo().dropList().findItemByPath("old"), nullptr);
}

TEST_F(LoopBrowserTest, AChosenLoopFilePlaysAgain)
{
    const std::vector<MfxEvent> saved = notes();
    ASSERT_FALSE(saved.empty());
    ASSERT_TRUE(browser().saveTo(loopsFolder() + "\\groove.vpl"));
    drummer().clearAll();
    drummer().slice(4).setMute(true, false);
    ASSERT_FALSE(sameNotes(notes(), saved));
    chooseInTree("groove");
    EXPECT_EQ(combo().text(), "groove");
    EXPECT_TRUE(asked.empty()) << asked.front();
    EXPECT_TRUE(sameNotes(notes(), saved)) << "the host hears the saved slices again";
}

TEST_F(LoopBrowserTest, AFileThatCannotBeReadIsReportedAndChangesNothing)
{
    testing_support::writeFile(loopsFolder() + "\\broken.vpl", "not a loop at all");
    combo().dropList().refresh();
    const std::vector<MfxEvent> before = notes();
    answer = IDOK;
    chooseInTree("broken");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find("cannot be read"), std::string::npos) << asked[0];
    EXPECT_TRUE(sameNotes(notes(), before));
}

TEST_F(LoopBrowserTest, AFailedSaveLeavesTheOldFileAndTheEdits)
{
    ASSERT_TRUE(browser().saveTo(loopsFolder() + "\\kept.vpl"));
    const auto size = std::filesystem::file_size(loopsFolder() + "\\kept.vpl");
    drummer().slice(5).addNote(480, 36, 70);
    const SliceContentPtr edited = drummer().slice(5).content();
    ASSERT_FALSE(edited->file.empty());
    answer = IDOK;
    EXPECT_FALSE(browser().saveTo(loopsFolder() + "\\no such folder\\kept.vpl"));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find("cannot be written"), std::string::npos);
    EXPECT_TRUE(drummer().slice(5).content()->modified) << "the edits stay marked";
    EXPECT_EQ(drummer().slice(5).content()->file, edited->file) << "and keep the pattern's name";
    EXPECT_EQ(drummer().slice(5).content()->name.firstMask, edited->name.firstMask);
    EXPECT_EQ(drummer().slice(5).content(), edited) << "the slice is as it was";
    EXPECT_EQ(std::filesystem::file_size(loopsFolder() + "\\kept.vpl"), size);
}

// The key-down messages a window gets, heard through a subclass.
LRESULT CALLBACK noteKeyDown(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                             DWORD_PTR keys)
{
    if (message == WM_KEYDOWN)
        reinterpret_cast<std::vector<WPARAM> *>(keys)->push_back(wParam);
    return DefSubclassProc(window, message, wParam, lParam);
}

TEST_F(LoopBrowserTest, KeysGoToThePanelsKeysThenTheComboThenThePanel)
{
    ASSERT_TRUE(browser().saveTo(loopsFolder() + "\\a.vpl"));
    ASSERT_TRUE(browser().saveTo(loopsFolder() + "\\b.vpl"));
    ASSERT_TRUE(combo().selectPath(loopsFolder() + "\\a.vpl"));
    std::vector<WPARAM> panelKeys;
    ASSERT_TRUE(SetWindowSubclass(window(), noteKeyDown, 1, reinterpret_cast<DWORD_PTR>(&panelKeys)));
    SetFocus(combo().handle());
    const auto press = [&](WPARAM key) {
        gui_test::postKey(combo().handle(), WM_KEYDOWN, key);
        gui_test::postKey(combo().handle(), WM_KEYUP, key);
        gui_test::pump();
    };
    // A key of the panel's table: the digit chooses a quick pad.
    ASSERT_EQ(drummer().currentPad(), 0);
    press('2');
    EXPECT_EQ(drummer().currentPad(), 1);
    drummer().calls.clear();
    press(VK_RETURN);
    EXPECT_EQ(drummer().calls, (std::vector<std::string>{"changed Vostrapellin::Random"}))
        << "Enter composes";
    // A key of the combo's own: plus steps to the next file.
    press(VK_ADD);
    EXPECT_EQ(combo().text(), "b");
    EXPECT_TRUE(panelKeys.empty()) << "taken keys stay where they were taken";
    // Any other key that types nothing goes on to the panel.
    press(VK_DELETE);
    press(VK_F2);
    EXPECT_EQ(panelKeys, (std::vector<WPARAM>{VK_DELETE, VK_F2}));
    EXPECT_FALSE(combo().isNaming());
    RemoveWindowSubclass(window(), noteKeyDown, 1);
}

// The loop files below the loops folder, by their paths relative to it.
std::vector<std::string> loopFiles()
{
    std::vector<std::string> files;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(loopsFolder()))
        if (entry.is_regular_file())
            files.push_back(std::filesystem::relative(entry.path(), loopsFolder()).string());
    std::sort(files.begin(), files.end());
    return files;
}

TEST_F(LoopBrowserTest, ANameTypedInTheComboSavesTheLoopUnderItInTheSelectedFolder)
{
    CreateDirectoryA((loopsFolder() + "\\Mine").c_str(), nullptr);
    combo().dropList().refresh();
    ASSERT_TRUE(browser().saveTo(loopsFolder() + "\\Mine\\first.vpl"));
    const std::string saved = testing_support::readFile(loopsFolder() + "\\Mine\\first.vpl");
    const auto typeName = [&](const std::string &keys) { typeIntoCombo(keys + "\r", true); };
    drummer().calls.clear();
    // With a file selected: beside it.
    typeName("GROOVE2");
    EXPECT_EQ(loopFiles(), (std::vector<std::string>{"Mine\\first.vpl", "Mine\\groove2.vpl"}));
    EXPECT_EQ(testing_support::readFile(loopsFolder() + "\\Mine\\groove2.vpl"), saved) << "the same loop";
    EXPECT_EQ(combo().selectedPath(), loopsFolder() + "\\Mine\\groove2.vpl") << "the new file is selected";
    EXPECT_EQ(combo().text(), "groove2");
    EXPECT_TRUE(asked.empty()) << "a new name asks nothing";
    EXPECT_TRUE(drummer().calls.empty()) << "Enter ended the name and composed nothing";
    // With a folder selected: in it.
    combo().dropList().selectItem(combo().dropList().findItemByPath("Mine"));
    typeName("NEXT");
    EXPECT_EQ(loopFiles(),
              (std::vector<std::string>{"Mine\\first.vpl", "Mine\\groove2.vpl", "Mine\\next.vpl"}));
    EXPECT_EQ(combo().text(), "next");
    EXPECT_TRUE(asked.empty());
}

TEST_F(LoopBrowserTest, ATypedNameThatExistsIsReplacedOnlyAfterYes)
{
    ASSERT_TRUE(browser().saveTo(loopsFolder() + "\\kept.vpl"));
    const std::string old = testing_support::readFile(loopsFolder() + "\\kept.vpl");
    drummer().slice(5).clearLoop();
    // Typed with the loop extension, in other letters: the same file.
    const struct {
        const char *typed;
        const char *question;
    } cases[] = {
        {"kept", "The loop file\n\"kept\"\nexists already. Do you want to replace it?"},
        {"KEPT.VPL", "The loop file\n\"KEPT\"\nexists already. Do you want to replace it?"},
    };
    for (const auto &[typed, question] : cases) {
        SCOPED_TRACE(typed);
        asked.clear();
        answer = IDNO;
        combo().setText(typed);
        EXPECT_FALSE(browser().saveIntoTypedName());
        EXPECT_EQ(asked, (std::vector<std::string>{question}));
        EXPECT_EQ(testing_support::readFile(loopsFolder() + "\\kept.vpl"), old) << "kept as it was";
    }
    answer = IDYES;
    combo().setText("kept");
    EXPECT_TRUE(browser().saveIntoTypedName());
    EXPECT_NE(testing_support::readFile(loopsFolder() + "\\kept.vpl"), old) << "replaced";
    EXPECT_EQ(loopFiles(), (std::vector<std::string>{"kept.vpl"}));
}

TEST_F(LoopBrowserTest, ANameThatCannotNameAFileIsRefusedAndNothingIsWritten)
{
    answer = IDOK;
    for (const char *name : {"", "   ", ". .", "a/b", "a\\b", "what?", "x:y", "star*", "<tag>", "pipe|",
                             "say \"hi\"", "tab\there", "con", "Nul.vpl", "COM1.groove", "lpt9 "}) {
        SCOPED_TRACE(name);
        asked.clear();
        combo().setText(name);
        EXPECT_FALSE(browser().saveIntoTypedName());
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].rfind("A loop file cannot be named\n\"", 0), 0u) << asked[0];
        EXPECT_TRUE(loopFiles().empty());
    }
    // Names near those are names.
    asked.clear();
    for (const char *name : {"con tour", "a..b", "com10", " lead"}) {
        combo().setText(name);
        EXPECT_TRUE(browser().saveIntoTypedName()) << name;
    }
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(loopFiles(), (std::vector<std::string>{" lead.vpl", "a..b.vpl", "com10.vpl", "con tour.vpl"}));
}

TEST_F(LoopBrowserTest, ATypedNameThatIsRefusedOrDeclinedStaysForAnotherTry)
{
    ASSERT_TRUE(browser().saveTo(loopsFolder() + "\\kept.vpl"));
    const std::string old = testing_support::readFile(loopsFolder() + "\\kept.vpl");
    // Each question takes the focus, as a message box does.
    setMessageBoxHook([this](HWND owner, const char *text, const char *, UINT) {
        asked.push_back(text);
        SetFocus(owner);
        return IDNO;
    });
    const struct {
        const char *typed;
        const char *shown;
        const char *more;
        const char *file;
    } cases[] = {
        {"KEPT", "kept", "2", "kept2.vpl"}, // declined at "replace it?"
        {"CON", "con", "GA", "conga.vpl"},  // refused
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.typed);
        asked.clear();
        typeIntoCombo(std::string(c.typed) + "\r", true);
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_TRUE(combo().isNaming()) << "the name stays open";
        EXPECT_EQ(combo().text(), c.shown);
        EXPECT_EQ(GetFocus(), combo().handle()) << "the focus is back in the name";
        EXPECT_EQ(testing_support::readFile(loopsFolder() + "\\kept.vpl"), old);
        // Another try goes on from the kept text.
        typeIntoCombo(std::string(c.more) + "\r", false);
        EXPECT_TRUE(std::filesystem::exists(loopsFolder() + "\\" + c.file));
        EXPECT_FALSE(combo().isNaming());
        EXPECT_EQ(asked.size(), 1u);
    }
}

TEST_F(LoopBrowserTest, KeysAfterALoopChoiceAreThePanelsUntilANameIsOpened)
{
    ASSERT_TRUE(browser().saveTo(loopsFolder() + "\\a.vpl"));
    ASSERT_TRUE(browser().saveTo(loopsFolder() + "\\b.vpl"));
    const std::vector<std::string> files = loopFiles();
    std::vector<WPARAM> panelKeys;
    ASSERT_TRUE(SetWindowSubclass(window(), noteKeyDown, 1, reinterpret_cast<DWORD_PTR>(&panelKeys)));
    chooseInTree("a");
    ASSERT_EQ(combo().text(), "a");
    ASSERT_EQ(GetFocus(), combo().handle()) << "the combo keeps the focus after a choice";
    const auto dialogCode = [&] { return SendMessageA(combo().handle(), WM_GETDLGCODE, 0, 0); };
    EXPECT_FALSE(dialogCode() & DLGC_HASSETSEL) << "no text is taken";
    drummer().calls.clear();
    typeIntoCombo("M\r", false);
    EXPECT_FALSE(combo().isNaming());
    EXPECT_EQ(loopFiles(), files) << "nothing written";
    EXPECT_EQ(panelKeys, (std::vector<WPARAM>{'M'})) << "M is the panel's";
    EXPECT_EQ(drummer().calls, (std::vector<std::string>{"changed Vostrapellin::Random"}))
        << "Enter composes";
    EXPECT_EQ(combo().text(), "a");
    // A click into the text opens a name, drawn as an edit field.
    typeIntoCombo("N", true);
    EXPECT_TRUE(combo().isNaming());
    EXPECT_EQ(combo().text(), "n");
    EXPECT_EQ(dialogCode(), DLGC_WANTALLKEYS | DLGC_WANTCHARS | DLGC_HASSETSEL);
    EXPECT_FALSE(testing_support::writeWindowPicture(browser().handle(), "loop_browser_name_open").empty());
    typeIntoCombo("\x1b", false);
    EXPECT_FALSE(combo().isNaming()) << "Escape ends it";
    EXPECT_EQ(combo().text(), "a");
    EXPECT_FALSE(dialogCode() & DLGC_HASSETSEL);
    EXPECT_EQ(loopFiles(), files);
    RemoveWindowSubclass(window(), noteKeyDown, 1);
}

// The tooltip control whose tools belong to a window, if any.
HWND toolTipOf(HWND window)
{
    struct Search {
        HWND window;
        HWND found;
    } search{window, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND candidate, LPARAM data) -> BOOL {
            auto *s = reinterpret_cast<Search *>(data);
            char name[64] = {};
            GetClassNameA(candidate, name, sizeof name);
            if (std::string(name) != TOOLTIPS_CLASSA)
                return TRUE;
            TOOLINFOA tool{};
            tool.cbSize = sizeof(tool);
            if (SendMessageA(candidate, TTM_ENUMTOOLSA, 0, reinterpret_cast<LPARAM>(&tool)) &&
                tool.hwnd == s->window) {
                s->found = candidate;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST_F(LoopBrowserTest, TheComboAndTheButtonsHaveTooltips)
{
    HWND tip = toolTipOf(browser().handle());
    ASSERT_TRUE(tip) << "no tooltip control";
    EXPECT_EQ(tip, browser().toolTipWindow());
    EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 3);
    const struct {
        HWND control;
        const char *text;
    } tools[] = {
        {combo().handle(), "Loops"},
        {GetDlgItem(browser().handle(), 4013), "Save loop"},
        {GetDlgItem(browser().handle(), 4016), "Delete loop"},
    };
    for (const auto &tool : tools) {
        char text[128] = {};
        TOOLINFOA info{};
        info.cbSize = sizeof(info);
        info.hwnd = browser().handle();
        info.uId = reinterpret_cast<UINT_PTR>(tool.control);
        info.lpszText = text;
        SendMessageA(tip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&info));
        EXPECT_STREQ(text, tool.text);
    }
}

TEST_F(LoopBrowserTest, KeysInTheButtonsReachThePanel)
{
    std::vector<WPARAM> panelKeys;
    ASSERT_TRUE(SetWindowSubclass(window(), noteKeyDown, 1, reinterpret_cast<DWORD_PTR>(&panelKeys)));
    for (const int id : {4013, 4016}) {
        SCOPED_TRACE(id);
        HWND button = GetDlgItem(browser().handle(), id);
        ASSERT_TRUE(button);
        const auto press = [&](WPARAM key) {
            SetFocus(button);
            gui_test::postKey(button, WM_KEYDOWN, key);
            gui_test::postKey(button, WM_KEYUP, key);
            gui_test::pump();
        };
        // A key of the panel's table: the digit chooses a quick pad.
        const int pad = id == 4013 ? 2 : 4;
        press('0' + pad + 1);
        EXPECT_EQ(drummer().currentPad(), pad);
        // Any other key goes on to the panel.
        panelKeys.clear();
        press('M');
        press(VK_F2);
        EXPECT_EQ(panelKeys, (std::vector<WPARAM>{'M', VK_F2}));
    }
    RemoveWindowSubclass(window(), noteKeyDown, 1);
}

TEST_F(LoopBrowserTest, ACommandItLeavesIsCarriedOutByThePanel)
{
    // The panel's own commands, sent to the browser as a button of it
    // would send them.
    ASSERT_FALSE(panel().editMode());
    SendMessageA(browser().handle(), WM_COMMAND, MAKEWPARAM(ID_EDIT, BN_CLICKED), 0);
    EXPECT_TRUE(panel().editMode()) << "Edit toggled";
    drummer().setSwingPc(40, false);
    SendMessageA(browser().handle(), WM_COMMAND, MAKEWPARAM(ID_RESET, BN_CLICKED), 0);
    EXPECT_EQ(drummer().swingPercent(), 0) << "Reset carried out";
    // A command the panel does not know either does nothing.
    SendMessageA(browser().handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(panel().editMode());
}

} // namespace
