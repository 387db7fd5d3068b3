// The "VSTi Scanning" dialog driven as a user drives it, through
// TindrelEnumPorts: check boxes clicked in the tree, Scan, the log, OK and
// Cancel. A timer on the test's thread runs each script while the dialog is
// open.
#include "sound/equipment/port_enum.h"
#include "sound/equipment/tests/equipment_fixture.h"
#include "sound/module_keys.h"
#include "sound/equipment/vst_scan_ids.h"

#include <gtest/gtest.h>
#include <commctrl.h>

#include <functional>
#include <vector>

namespace {

using namespace equipment_test;
using namespace Quorvane;

// The steps of the running script, one per timer tick while the dialog is
// open; the last one closes it.
std::vector<std::function<void(HWND)>> *script = nullptr;
size_t nextStep = 0;

HWND findDialog()
{
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM result) {
            char caption[64] = {};
            GetWindowTextA(window, caption, sizeof caption);
            if (IsWindowVisible(window) && std::string(caption) == "VSTi Scanning") {
                *reinterpret_cast<HWND *>(result) = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

void CALLBACK runScript(HWND, UINT, UINT_PTR timer, DWORD)
{
    // Steps pump messages themselves: a tick meanwhile waits.
    static bool running = false;
    HWND dialog = findDialog();
    if (!dialog || !script || running)
        return;
    running = true;
    if (nextStep < script->size())
        (*script)[nextStep++](dialog);
    running = false;
    if (nextStep < script->size())
        return;
    KillTimer(nullptr, timer);
    script = nullptr;
    // A script that left the dialog open fails, and the dialog closes.
    if (IsWindow(dialog) && IsWindowVisible(dialog)) {
        ADD_FAILURE() << "the script left the dialog open";
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }
}

// TindrelEnumPorts for a VST kind, with the script's steps run while it
// shows its dialog.
std::unique_ptr<CStructArray> runDialog(long equipmentClass, long kind, IOPARAMS &params, CStructArray *known,
                                        CStructArray *scan, std::vector<std::function<void(HWND)>> steps)
{
    script = &steps;
    nextStep = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, &runScript);
    auto result = enumPorts(equipmentClass, kind, &params, known, scan);
    KillTimer(nullptr, timer);
    EXPECT_EQ(script, nullptr) << "the dialog never showed";
    script = nullptr;
    return result;
}

std::unique_ptr<CStructArray> runDialog(long equipmentClass, long kind, IOPARAMS &params, CStructArray *known,
                                        CStructArray *scan, std::function<void(HWND)> step)
{
    return runDialog(equipmentClass, kind, params, known, scan, std::vector<std::function<void(HWND)>>{step});
}

void pump()
{
    MSG message;
    for (int round = 0; round < 5; ++round) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(10);
    }
}

HWND tree(HWND dialog)
{
    return GetDlgItem(dialog, IDC_VST_TREE);
}

std::string label(HWND view, HTREEITEM item)
{
    char text[MAX_PATH * 2] = {};
    TVITEMA read = {};
    read.mask = TVIF_TEXT;
    read.hItem = item;
    read.pszText = text;
    read.cchTextMax = sizeof text;
    SendMessageA(view, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&read));
    return text;
}

bool isChecked(HWND view, HTREEITEM item)
{
    return (TreeView_GetItemState(view, item, TVIS_STATEIMAGEMASK) >> 12) == 2;
}

// The tree as shown: one line per item, indented by depth, its box.
std::string outline(HWND view)
{
    std::string text;
    auto walk = [&](auto &self, HTREEITEM item, int depth) -> void {
        for (; item; item = TreeView_GetNextSibling(view, item)) {
            text += std::string(depth * 2, ' ') + (isChecked(view, item) ? "[x] " : "[ ] ") +
                    label(view, item) + "\n";
            self(self, TreeView_GetChild(view, item), depth + 1);
        }
    };
    walk(walk, TreeView_GetRoot(view), 0);
    return text;
}

HTREEITEM findItem(HWND view, const std::string &wanted)
{
    HTREEITEM found = nullptr;
    auto walk = [&](auto &self, HTREEITEM item) -> void {
        for (; item && !found; item = TreeView_GetNextSibling(view, item)) {
            if (label(view, item) == wanted)
                found = item;
            self(self, TreeView_GetChild(view, item));
        }
    };
    walk(walk, TreeView_GetRoot(view));
    EXPECT_TRUE(found) << wanted;
    return found;
}

// Clicks the item's check box with the mouse, as posted button messages.
void clickCheckBox(HWND view, const std::string &item)
{
    HTREEITEM target = findItem(view, item);
    RECT text = {};
    ASSERT_TRUE(TreeView_GetItemRect(view, target, &text, TRUE));
    TVHITTESTINFO hit = {};
    const int y = (text.top + text.bottom) / 2;
    for (int x = text.left - 1; x >= 0; --x) {
        hit.pt = {x, y};
        if (TreeView_HitTest(view, &hit) == target && (hit.flags & TVHT_ONITEMSTATEICON))
            break;
        hit.flags = 0;
    }
    ASSERT_TRUE(hit.flags & TVHT_ONITEMSTATEICON) << item;
    const LPARAM at = MAKELPARAM(hit.pt.x, hit.pt.y);
    PostMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(view, WM_LBUTTONUP, 0, at);
    pump();
}

void click(HWND dialog, int id)
{
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

class VstScanWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        registerHost(Quorvane::kSoftSynthKey, "Tembri VSTi");
        registerHost(Quorvane::kAudioEffectKey, "Tembri VST");
    }
    void TearDown() override { CoUninitialize(); }

    VstFolders folders;
    IOPARAMS params = folders.params();
};

TEST_F(VstScanWindowTest, ScanGivesEachPluginItsVerdictAndOkListsTheInstruments)
{
    auto known = stringList();
    auto scan = stringList();
    const std::string logPath = folders.path("scan.log");
    std::string before, checked, scanned;
    bool pathEnabledAtStart = true;
    std::string defaultPath;
    auto ports = runDialog(0, 4, params, known.get(), scan.get(), [&](HWND dialog) {
        HWND view = tree(dialog);
        before = outline(view);
        HWND path = GetDlgItem(dialog, IDC_VST_LOG_PATH);
        pathEnabledAtStart = IsWindowEnabled(path);
        char text[MAX_PATH] = {};
        GetWindowTextA(path, text, sizeof text);
        defaultPath = text;

        // Checking a folder checks what is below and above; unchecking the
        // last checked file of a folder unchecks the folder.
        clickCheckBox(view, "effects");
        clickCheckBox(view, "Mono.dll");
        clickCheckBox(view, "Instrument.dll");
        clickCheckBox(view, folders.folder(2));
        clickCheckBox(view, folders.folder(3));
        checked = outline(view);

        click(dialog, IDC_VST_LOG);
        EXPECT_TRUE(IsWindowEnabled(path)) << "the path field follows the box";
        SetWindowTextA(path, logPath.c_str());
        clickCheckBox(view, "Mono.dll");
        click(dialog, IDC_VST_SCAN);
        scanned = outline(view);
        EXPECT_EQ(label(view, TreeView_GetSelection(view)), "Bridge.dll = NOT VST(i)") << "the last scanned";
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
        EXPECT_FALSE(writeDialogPicture(dialog, "vst_scan_dialog").empty());
        click(dialog, IDOK);
    });
    EXPECT_FALSE(pathEnabledAtStart);
    EXPECT_EQ(defaultPath, "C:\\VSTScan.log");
    const std::string one = folders.folder(1), two = folders.folder(2), three = folders.folder(3);
    // The three folders have as many components: by path, "three" before "two".
    EXPECT_EQ(before, "[ ] " + one + "\n" +
                          "  [ ] effects\n"
                          "    [ ] mono\n"
                          "      [ ] Mono.dll\n"
                          "    [ ] Stereo.dll\n"
                          "  [ ] Instrument.dll\n"
                          "[ ] " +
                          three + "\n" +
                          "  [ ] a\n"
                          "    [ ] Throw.dll\n"
                          "  [ ] b\n"
                          "    [ ] Crash.dll\n"
                          "[ ] " +
                          two + "\n" +
                          "  [ ] deeper\n"
                          "    [ ] BadMagic.dll\n"
                          "  [ ] Bridge.dll\n");
    EXPECT_EQ(checked, "[x] " + one + "\n" +
                           "  [x] effects\n"
                           "    [ ] mono\n"
                           "      [ ] Mono.dll\n"
                           "    [x] Stereo.dll\n"
                           "  [x] Instrument.dll\n"
                           "[x] " +
                           three + "\n" +
                           "  [x] a\n"
                           "    [x] Throw.dll\n"
                           "  [x] b\n"
                           "    [x] Crash.dll\n"
                           "[x] " +
                           two + "\n" +
                           "  [x] deeper\n"
                           "    [x] BadMagic.dll\n"
                           "  [x] Bridge.dll\n");
    // Scanned for instruments: only the instrument stays checked.
    EXPECT_EQ(scanned, "[x] " + one + "\n" +
                           "  [ ] effects\n"
                           "    [ ] mono\n"
                           "      [ ] Mono.dll = VST\n"
                           "    [ ] Stereo.dll = VST\n"
                           "  [x] Instrument.dll = VSTi\n"
                           "[ ] " +
                           three + "\n" +
                           "  [ ] a\n"
                           "    [ ] Throw.dll = CRUSHED\n"
                           "  [ ] b\n"
                           "    [ ] Crash.dll = CRUSHED\n"
                           "[ ] " +
                           two + "\n" +
                           "  [ ] deeper\n"
                           "    [ ] BadMagic.dll = NOT VST(i)\n"
                           "  [ ] Bridge.dll = NOT VST(i)\n");
    EXPECT_EQ(testing_support::readFile(logPath),
              folders.path("one\\effects\\mono\\Mono.dll") + " = VST\r\n" +
                  folders.path("one\\effects\\Stereo.dll") + " = VST\r\n" +
                  folders.path("one\\Instrument.dll") + " = VSTi\r\n" + folders.path("three\\a\\Throw.dll") +
                  " = CRUSHED\r\n" + folders.path("three\\b\\Crash.dll") + " = CRUSHED\r\n" +
                  folders.path("two\\deeper\\BadMagic.dll") + " = NOT VST(i)\r\n" +
                  folders.path("two\\Bridge.dll") + " = NOT VST(i)\r\n\r\nDone");
    ASSERT_TRUE(ports);
    EXPECT_EQ(entries(*ports),
              (std::vector<Entry>{{"Instrument.dll", 4, folders.path("one\\Instrument.dll")}}));
    // Every file scanned for the first time: new entries with their verdicts.
    EXPECT_EQ(scanEntries(*scan),
              (std::vector<ScanEntry>{{folders.path("one\\Instrument.dll"), 0x80000001, 0xFFFFFFFF},
                                      {folders.path("one\\effects\\Stereo.dll"), 0x80000002, 0xFFFFFFFF},
                                      {folders.path("one\\effects\\mono\\Mono.dll"), 0x80000002, 0xFFFFFFFF},
                                      {folders.path("two\\Bridge.dll"), 0x80000003, 0xFFFFFFFF},
                                      {folders.path("two\\deeper\\BadMagic.dll"), 0x80000003, 0xFFFFFFFF},
                                      {folders.path("three\\a\\Throw.dll"), 0x80000004, 0xFFFFFFFF},
                                      {folders.path("three\\b\\Crash.dll"), 0x80000004, 0xFFFFFFFF}}));
}

// Escape pressed while the scan runs does not cancel the dialog afterwards.
TEST_F(VstScanWindowTest, ForEffectsOnlyTheStereoEffectStays)
{
    bool openAfterScan = false;
    std::vector<std::function<void(HWND)>> steps = {
        [&](HWND dialog) {
            for (int which = 1; which <= 3; ++which)
                clickCheckBox(tree(dialog), folders.folder(which));
            PostMessageA(tree(dialog), WM_KEYDOWN, VK_ESCAPE, 0);
            click(dialog, IDC_VST_SCAN);
        },
        [&](HWND dialog) {
            openAfterScan = IsWindowVisible(dialog);
            click(dialog, IDOK);
        },
    };
    auto ports = runDialog(1, 1, params, nullptr, nullptr, steps);
    EXPECT_TRUE(openAfterScan);
    ASSERT_TRUE(ports);
    EXPECT_EQ(entries(*ports),
              (std::vector<Entry>{{"Stereo.dll", 1, folders.path("one\\effects\\Stereo.dll")}}));
}

TEST_F(VstScanWindowTest, CancelListsNothing)
{
    auto ports = runDialog(0, 4, params, nullptr, nullptr, [&](HWND dialog) {
        clickCheckBox(tree(dialog), folders.folder(1));
        click(dialog, IDCANCEL);
    });
    EXPECT_FALSE(ports);
}

// The caller keeps both lists between scans as the equipment database does:
// it stores the values with bit 31 clear and gives each entry a record id.
TEST_F(VstScanWindowTest, ASecondScanMarksOnlyWhatChanged)
{
    auto known = stringList();
    auto scan = stringList();
    auto firstPorts = runDialog(0, 4, params, known.get(), scan.get(), [&](HWND dialog) {
        for (int which = 1; which <= 3; ++which)
            clickCheckBox(tree(dialog), folders.folder(which));
        click(dialog, IDC_VST_SCAN);
        click(dialog, IDOK);
    });
    ASSERT_TRUE(firstPorts);
    ASSERT_EQ(firstPorts->GetNumb(), 1);
    addString(*known, "Instrument.dll", 0, 500);
    auto stored = stringList();
    uint32_t record = 100;
    for (const ScanEntry &entry : scanEntries(*scan))
        addString(*stored, entry.path, entry.value & 0x7FFFFFFF, record++);

    // The mono effect is replaced by an instrument; the bridge goes.
    ASSERT_TRUE(DeleteFileA(folders.path("one\\effects\\mono\\Mono.dll").c_str()));
    folders.place("instrument", "one\\effects\\mono\\Mono.dll");
    ASSERT_TRUE(DeleteFileA(folders.path("two\\Bridge.dll").c_str()));
    std::string atStart;
    auto secondPorts = runDialog(0, 4, params, known.get(), stored.get(), [&](HWND dialog) {
        atStart = outline(tree(dialog));
        for (const std::string &item : {std::string("effects"), folders.folder(2), folders.folder(3)})
            clickCheckBox(tree(dialog), item);
        click(dialog, IDC_VST_SCAN);
        click(dialog, IDOK);
    });
    // The known instrument starts checked, with its stored verdict.
    EXPECT_EQ(atStart.substr(0, atStart.find(folders.folder(3))), "[x] " + folders.folder(1) + "\n" +
                                                                      "  [ ] effects\n"
                                                                      "    [ ] mono\n"
                                                                      "      [ ] Mono.dll = VST\n"
                                                                      "    [ ] Stereo.dll = VST\n"
                                                                      "  [x] Instrument.dll = VSTi\n"
                                                                      "[ ] ");
    EXPECT_EQ(scanEntries(*stored),
              (std::vector<ScanEntry>{{folders.path("one\\Instrument.dll"), 1, 100},
                                      {folders.path("one\\effects\\Stereo.dll"), 2, 101},
                                      {folders.path("one\\effects\\mono\\Mono.dll"), 0x80000001, 102},
                                      {folders.path("two\\Bridge.dll"), 0xFFFFFFFF, 103},
                                      {folders.path("two\\deeper\\BadMagic.dll"), 3, 104},
                                      {folders.path("three\\a\\Throw.dll"), 4, 105},
                                      {folders.path("three\\b\\Crash.dll"), 4, 106}}));
    ASSERT_TRUE(secondPorts);
    EXPECT_EQ(entries(*secondPorts),
              (std::vector<Entry>{{"Mono.dll", 4, folders.path("one\\effects\\mono\\Mono.dll")},
                                  {"Instrument.dll", 4, folders.path("one\\Instrument.dll")}}));
}

// The log path is the user's text: one that is too long for its buffer, or
// that cannot be created, switches logging off and writes nothing.
TEST_F(VstScanWindowTest, ALogPathThatCannotBeUsedSwitchesLoggingOff)
{
    const std::string tooLong = folders.path(std::string(300, 'x') + ".log");
    const std::string nowhere = folders.path("no\\such\\folder\\scan.log");
    for (const std::string &path : {tooLong, nowhere}) {
        bool boxAfter = true, fieldAfter = true;
        auto ports = runDialog(0, 4, params, nullptr, nullptr, [&](HWND dialog) {
            clickCheckBox(tree(dialog), "Instrument.dll");
            click(dialog, IDC_VST_LOG);
            SetWindowTextA(GetDlgItem(dialog, IDC_VST_LOG_PATH), path.c_str());
            click(dialog, IDC_VST_SCAN);
            boxAfter = IsDlgButtonChecked(dialog, IDC_VST_LOG) == BST_CHECKED;
            fieldAfter = IsWindowEnabled(GetDlgItem(dialog, IDC_VST_LOG_PATH));
            click(dialog, IDOK);
        });
        EXPECT_FALSE(boxAfter) << path.size();
        EXPECT_FALSE(fieldAfter) << path.size();
        ASSERT_TRUE(ports) << "the scan itself went on";
        EXPECT_EQ(ports->GetNumb(), 1);
    }
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(folders.path("x*").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "no file made from a cut path";
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
}

} // namespace
