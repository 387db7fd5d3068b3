// The equipment tree driven as a user drives it, over a database of its own
// whose port records the test writes, and a song tract of the tests.
#include "db/dialogs/equipment_tree.h"

#include "base/message_box.h"
#include "data/io_params.h"
#include "data/tests/fake_sound.h"
#include "db/dialogs/dialog_ids.h"
#include "db/dialogs/tests/dialog_driver.h"
#include "db/equipment/equipment_records.h"
#include "db/equipment/items.h"
#include "db/equipment/tembri_db.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace Quorvane;
using namespace dialogs_test;

namespace {

// A song tract with or without a chords output that uses the MIDI port
// "Port B".
struct SongTract : FakeTract {
    bool hasChords = false;
    void *GetOutChords() override { return hasChords ? &chords : nullptr; }
    void *GetOutByDescr(PORTDESCR *descriptor) override
    {
        const bool portB = descriptor && descriptor->kind == 7 && descriptor->data &&
                           std::strcmp(static_cast<const char *>(descriptor->data), "Port B") == 0;
        return portB ? &other : nullptr;
    }
};

std::string label(HWND view, HTREEITEM item)
{
    char text[MAX_PATH] = {};
    TVITEMA read = {};
    read.mask = TVIF_TEXT | TVIF_IMAGE;
    read.hItem = item;
    read.pszText = text;
    read.cchTextMax = sizeof text;
    SendMessageA(view, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&read));
    return text;
}

int image(HWND view, HTREEITEM item)
{
    TVITEMA read = {};
    read.mask = TVIF_IMAGE;
    read.hItem = item;
    SendMessageA(view, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&read));
    return read.iImage;
}

// The tree as shown: one line per item, indented by depth, with its image.
std::string outline(HWND view)
{
    std::string text;
    auto walk = [&](auto &self, HTREEITEM item, int depth) -> void {
        for (; item; item = TreeView_GetNextSibling(view, item)) {
            text += std::string(depth * 2, ' ') + label(view, item) + " #" +
                    std::to_string(image(view, item)) + "\n";
            self(self, TreeView_GetChild(view, item), depth + 1);
        }
    };
    walk(walk, TreeView_GetRoot(view), 0);
    return text;
}

HTREEITEM find(HWND view, const std::string &wanted)
{
    HTREEITEM found = nullptr;
    auto walk = [&](auto &self, HTREEITEM item) -> void {
        for (; item && !found; item = TreeView_GetNextSibling(view, item)) {
            if (label(view, item) == wanted)
                found = item;
            else
                self(self, TreeView_GetChild(view, item));
        }
    };
    walk(walk, TreeView_GetRoot(view));
    return found;
}

void select(HWND dialog, const std::string &name)
{
    HWND view = GetDlgItem(dialog, IDC_TREE_VIEW);
    HTREEITEM item = find(view, name);
    ASSERT_NE(item, nullptr) << name;
    TreeView_SelectItem(view, item);
    pump();
}

std::string selected(HWND dialog)
{
    HWND view = GetDlgItem(dialog, IDC_TREE_VIEW);
    HTREEITEM item = TreeView_GetSelection(view);
    return item ? label(view, item) : "<none>";
}

// Which of OK, refresh and delete are enabled, as "ord" with dashes.
std::string buttons(HWND dialog)
{
    std::string state;
    state += IsWindowEnabled(GetDlgItem(dialog, IDOK)) ? 'o' : '-';
    state += IsWindowEnabled(GetDlgItem(dialog, IDC_TREE_REFRESH)) ? 'r' : '-';
    state += IsWindowEnabled(GetDlgItem(dialog, IDC_TREE_DELETE)) ? 'd' : '-';
    return state;
}

class EquipmentTreeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        long result = 0;
        db = std::make_unique<CTembriDB>(folder.file("Tree.prs").c_str(), 0x10000u, result);
        ASSERT_EQ(result, 2);
        IOPARAMS params;
        params.SetString(IOSTR_VSTDIR1, "C:\\VST");
        params.SetString(IOSTR_VSTDIR2, "D:\\More");
        ASSERT_EQ(db->SetIOParams(&params), 1);
        setMessageBoxHook([this](HWND, const char *text, const char *, UINT) {
            asked.push_back(text);
            return answer;
        });
    }
    void TearDown() override
    {
        setMessageBoxHook({});
        db.reset();
    }

    uint32_t add(uint8_t type, const char *name, long kind, const char *data, uint32_t parent = SDB_NO_PARENT)
    {
        PORTNOTE note(type, 0, parent);
        note.descr.kind = kind;
        EXPECT_TRUE(note.descr.SetName(name));
        EXPECT_TRUE(note.descr.SetData(data));
        db->Lock();
        EXPECT_EQ(db->AddNewNote(&note), 1);
        db->Unlock();
        return note.id;
    }
    void addOutputs()
    {
        preview = add(0x50, "Preview", 3, "Default Preview");
        add(0x50, "Chords", 1, "Chords");
        add(0x50, "Audio", 2, "Audio");
        add(0x51, "Synth A", 0, "C:\\VST\\Synth A.dll");
        add(0x51, "Synth B", 0, "d:\\more\\Pads\\Synth B.dll");
        add(0x51, "Synth C", 0, "E:\\Elsewhere\\c.dll");
        add(0x54, "Port A", 7, "Port A");
        add(0x54, "Port B", 7, "Port B");
        warm = add(RT_PRESET_OUT, "Warm", 3, "Default Preview", preview);
    }
    INT_PTR run(int mode, PORTDESCR &descriptor, IQuorvaneSongTract *tract, std::vector<Step> steps,
                const char *caption = "Select Out Port")
    {
        return runScripted(
            caption,
            [&] { return RunEquipmentTree(GetModuleHandleA(nullptr), db.get(), mode, &descriptor, tract); },
            std::move(steps));
    }

    testing_support::LocalMachineOverride machine;
    testing_support::CurrentUserOverride user;
    testing_support::TempFolder folder;
    std::unique_ptr<CTembriDB> db;
    SongTract tract;
    uint32_t preview = 0, warm = 0;
    std::vector<std::string> asked;
    int answer = IDYES;
};

TEST_F(EquipmentTreeTest, OutputsAreListedByKindWithVstPathsAndWhatTheSongCannotTakeHidden)
{
    addOutputs();
    PORTDESCR chosen;
    const INT_PTR result =
        run(TREE_OUTPUTS, chosen, &tract,
            {[&](HWND dialog) {
                 EXPECT_EQ(outline(GetDlgItem(dialog, IDC_TREE_VIEW)), "ZQi #11\n"
                                                                       "  Preview #1\n"
                                                                       "    Warm #16\n"
                                                                       "  Chords #0\n"
                                                                       "VSTi #12\n"
                                                                       "  Synth A.dll #21\n"
                                                                       "    Synth A #2\n"
                                                                       "  Pads #21\n"
                                                                       "    Synth B.dll #21\n"
                                                                       "      Synth B #2\n"
                                                                       "  Synth C #2\n"
                                                                       "DXi #13\n"
                                                                       "DLS #14\n"
                                                                       "MIDI #15\n"
                                                                       "  Port A #5\n");
                 select(dialog, "VSTi");
                 EXPECT_EQ(buttons(dialog), "-r-");
                 select(dialog, "Pads");
                 EXPECT_EQ(buttons(dialog), "-r-");
                 select(dialog, "Warm");
                 EXPECT_EQ(buttons(dialog), "ord");
                 picture(dialog, "stavrund_equipment_tree");
             },
             [](HWND dialog) { click(dialog, IDOK); }});
    EXPECT_EQ(result, IDOK);
    EXPECT_STREQ(chosen.name, "Warm");
    EXPECT_EQ(chosen.kind, 3);
    EXPECT_STREQ(static_cast<const char *>(chosen.data), "Default Preview");

    // The next run preselects it; with a chords output in the song the
    // chords port is hidden.
    tract.hasChords = true;
    PORTDESCR again;
    run(TREE_OUTPUTS, again, &tract, {[&](HWND dialog) {
            EXPECT_EQ(selected(dialog), "Warm");
            EXPECT_EQ(find(GetDlgItem(dialog, IDC_TREE_VIEW), "Chords"), nullptr);
            click(dialog, IDCANCEL);
        }});
}

TEST_F(EquipmentTreeTest, PortsAndPresetsAreDeletedAfterTheQuestion)
{
    addOutputs();
    PORTDESCR chosen;
    const INT_PTR result = run(TREE_OUTPUTS, chosen, &tract,
                               {[&](HWND dialog) {
                                    HWND view = GetDlgItem(dialog, IDC_TREE_VIEW);
                                    answer = IDNO;
                                    select(dialog, "Warm");
                                    click(dialog, IDC_TREE_DELETE);
                                    EXPECT_NE(find(view, "Warm"), nullptr);
                                    answer = IDYES;
                                    select(dialog, "Synth C");
                                    click(dialog, IDC_TREE_DELETE);
                                    EXPECT_EQ(find(view, "Synth C"), nullptr);
                                    select(dialog, "Preview");
                                    click(dialog, IDC_TREE_DELETE); // its preset goes with it
                                    EXPECT_EQ(find(view, "Preview"), nullptr);
                                    EXPECT_EQ(find(view, "Warm"), nullptr);
                                },
                                [](HWND dialog) { click(dialog, IDCANCEL); }});
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(asked, (std::vector<std::string>{"Delete existing preset.\nAre you sure?",
                                               "Delete existing port.\nAre you sure?",
                                               "Delete existing port.\nAre you sure?"}));
    EXPECT_EQ(db->GetNoteByID(preview), nullptr);
    EXPECT_EQ(db->GetNoteByID(warm), nullptr);
}

TEST_F(EquipmentTreeTest, RefreshBringsAKindInLineWithWhatIsInstalled)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Quorvane\\MIDIEffect", 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const char path[] = "C:\\arp.zql";
    RegSetValueExA(key, "Arpeggio", 0, REG_SZ, reinterpret_cast<const BYTE *>(path), sizeof path);
    RegCloseKey(key);
    add(0x70, "Gone", 0, "Gone");
    PORTDESCR chosen;
    const INT_PTR result = run(TREE_MIDI_EFFECTS, chosen, nullptr,
                               {[&](HWND dialog) {
                                    HWND view = GetDlgItem(dialog, IDC_TREE_VIEW);
                                    EXPECT_EQ(outline(view), "ZQX #11\n  Gone #9\nMFX #13\n");
                                    select(dialog, "ZQX");
                                    click(dialog, IDC_TREE_REFRESH);
                                    EXPECT_EQ(outline(view), "ZQX #11\n  Arpeggio #9\nMFX #13\n");
                                    select(dialog, "Arpeggio");
                                },
                                [](HWND dialog) { click(dialog, IDOK); }},
                               "Select MIDI Effect");
    EXPECT_EQ(result, IDOK);
    EXPECT_STREQ(chosen.name, "Arpeggio");
}

TEST_F(EquipmentTreeTest, AudioEffectsAreListedByTheirThreeKinds)
{
    add(0x60, "Reverb", 0, "Reverb");
    const uint32_t echo = add(0x61, "Echo", 1, "C:\\VST\\Echo.dll");
    add(RT_PRESET_AEFF, "Long", 1, "C:\\VST\\Echo.dll", echo);
    add(0x62, "Filter", 2, "{5F1A2B3C-0000-4000-8000-00AA00BB00CC}");
    add(0x50, "Preview", 3, "Default Preview"); // an output: not listed here
    add(0x70, "Arpeggio", 0, "Arpeggio");       // a MIDI effect: neither
    PORTDESCR chosen;
    const INT_PTR result = run(TREE_AUDIO_EFFECTS, chosen, nullptr,
                               {[&](HWND dialog) {
                                    EXPECT_EQ(outline(GetDlgItem(dialog, IDC_TREE_VIEW)), "ZQ #11\n"
                                                                                          "  Reverb #6\n"
                                                                                          "VST #12\n"
                                                                                          "  Echo.dll #21\n"
                                                                                          "    Echo #7\n"
                                                                                          "      Long #17\n"
                                                                                          "DX #13\n"
                                                                                          "  Filter #8\n");
                                    select(dialog, "Long");
                                    EXPECT_EQ(buttons(dialog), "ord");
                                    picture(dialog, "stavrund_equipment_tree_audio_effects");
                                },
                                [](HWND dialog) { click(dialog, IDOK); }},
                               "Select Audio Effect");
    EXPECT_EQ(result, IDOK);
    EXPECT_STREQ(chosen.name, "Long");
    EXPECT_EQ(chosen.kind, 1);
    EXPECT_STREQ(static_cast<const char *>(chosen.data), "C:\\VST\\Echo.dll");
}

// The tree belongs to the window that was active when it was asked for; that
// window takes no input while the tree is open.
TEST_F(EquipmentTreeTest, TheTreeBelongsToTheActiveWindow)
{
    addOutputs();
    HWND owner = CreateWindowExA(0, "STATIC", "Parts", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 200, 80, nullptr,
                                 nullptr, nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    SetActiveWindow(owner);
    ASSERT_EQ(GetActiveWindow(), owner);
    PORTDESCR chosen;
    const INT_PTR result = run(TREE_OUTPUTS, chosen, &tract, {[&](HWND dialog) {
                                   EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner);
                                   EXPECT_FALSE(IsWindowEnabled(owner));
                                   click(dialog, IDCANCEL);
                               }});
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(IsWindowEnabled(owner));
    DestroyWindow(owner);
}

} // namespace
