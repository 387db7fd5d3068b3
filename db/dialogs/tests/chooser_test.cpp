// The preset and template choosers driven as a user drives them, over a
// database of their own and a real song with its song tract.
#include "db/dialogs/choosers.h"

#include "base/message_box.h"
#include "db/dialogs/dialog_ids.h"
#include "db/dialogs/tests/dialog_driver.h"
#include "db/equipment/equipment_records.h"
#include "db/equipment/items.h"
#include "db/equipment/tembri_db.h"
#include "db/equipment/tests/equipment_test_support.h"
#include "db/equipment/tests/song_fixture.h"
#include "data/meff_chain.h"
#include "sound/module_keys.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace Quorvane;
using namespace dialogs_test;

namespace {

std::vector<std::string> names(HWND dialog)
{
    std::vector<std::string> items;
    const LRESULT n = SendDlgItemMessageA(dialog, IDC_CHOOSER_NAMES, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        char text[256] = {};
        SendDlgItemMessageA(dialog, IDC_CHOOSER_NAMES, CB_GETLBTEXT, WPARAM(i),
                            reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

// The user types a name into the list's edit field.
void type(HWND dialog, const char *text)
{
    HWND list = GetDlgItem(dialog, IDC_CHOOSER_NAMES);
    SetWindowTextA(list, text);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_CHOOSER_NAMES, CBN_EDITCHANGE),
                 reinterpret_cast<LPARAM>(list));
}

// The user picks a listed name.
void pick(HWND dialog, const char *text)
{
    HWND list = GetDlgItem(dialog, IDC_CHOOSER_NAMES);
    const LRESULT item = SendMessageA(list, CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(text));
    ASSERT_NE(item, CB_ERR) << text;
    SendMessageA(list, CB_SETCURSEL, WPARAM(item), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_CHOOSER_NAMES, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
}

// Which of choose, store and delete are enabled, as "csd" with dashes.
std::string buttons(HWND dialog, int storeId, int deleteId)
{
    std::string state;
    state += IsWindowEnabled(GetDlgItem(dialog, IDOK)) ? 'c' : '-';
    state += IsWindowEnabled(GetDlgItem(dialog, storeId)) ? 's' : '-';
    state += IsWindowEnabled(GetDlgItem(dialog, deleteId)) ? 'd' : '-';
    return state;
}

class ChooserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        long result = 0;
        db = std::make_unique<CTembriDB>(folder.file("Choosers.prs").c_str(), 0x10000u, result);
        ASSERT_EQ(result, 2);
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

    // The real song finds the engine's modules where the test environment
    // registered them: no registry overrides here.
    testing_support::TempFolder folder;
    std::unique_ptr<CTembriDB> db;
    equipment_test::TestSong song;
    std::vector<std::string> asked;
    int answer = IDYES;
};

// ---- templates

int vetoes = 0;
int allowLoad(uint32_t argument)
{
    return argument == 77;
}
int vetoLoad(uint32_t)
{
    ++vetoes;
    return 0;
}

TEST_F(ChooserTest, TemplatesAreStoredReplacedDeletedAndLoaded)
{
    auto *block = static_cast<char *>(std::malloc(4));
    std::memcpy(block, "ABCD", 4);
    void *data = block;
    uint32_t size = 4;
    const auto b = [](HWND d) { return buttons(d, IDC_TEMPLATE_STORE, IDC_TEMPLATE_DELETE); };
    const INT_PTR result = runScripted(
        "New Song Templates",
        [&] {
            return RunTemplateChooser(GetModuleHandleA(nullptr), db.get(), ITembriTemplate::TT_NEWSONG,
                                      song.get(), &allowLoad, 77, &data, &size);
        },
        {[&](HWND dialog) {
             EXPECT_TRUE(names(dialog).empty());
             EXPECT_EQ(b(dialog), "---");
             type(dialog, "Verse");
             EXPECT_EQ(b(dialog), "-s-");
             click(dialog, IDC_TEMPLATE_STORE);
             EXPECT_EQ(names(dialog), std::vector<std::string>{"Verse"});
             EXPECT_EQ(b(dialog), "csd");
             // The same name again replaces it, after a question.
             click(dialog, IDC_TEMPLATE_STORE);
             EXPECT_EQ(names(dialog), std::vector<std::string>{"Verse"});
             type(dialog, "Chorus");
             click(dialog, IDC_TEMPLATE_STORE);
             EXPECT_EQ(names(dialog), (std::vector<std::string>{"Verse", "Chorus"}));
             pick(dialog, "Verse");
             click(dialog, IDC_TEMPLATE_DELETE);
             EXPECT_EQ(names(dialog), std::vector<std::string>{"Chorus"});
             type(dialog, "");
             EXPECT_EQ(b(dialog), "---");
             pick(dialog, "Chorus");
             picture(dialog, "stavrund_template_chooser");
         },
         [](HWND dialog) { click(dialog, IDOK); }});
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(asked, (std::vector<std::string>{"Replace existing template.\nAre you sure?",
                                               "Delete existing template.\nAre you sure?"}));
    // The chosen template's data block came back (each stored template got
    // the block the dialog held).
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::string(static_cast<char *>(data), size), "ABCD");
    std::free(data);
    ITembriTemplate *templates = db->GetITembriTemplateNewSong(1);
    ASSERT_NE(templates, nullptr);
    uint32_t id;
    char *name;
    std::vector<std::string> stored;
    for (SDBNOTE *n = templates->GetNext(nullptr, id, name); n; n = templates->GetNext(n, id, name)) {
        stored.push_back(name ? name : "");
        std::free(name);
    }
    templates->Release();
    EXPECT_EQ(stored, std::vector<std::string>{"Chorus"});
}

TEST_F(ChooserTest, UnnamedTemplatesAreNumberedAndACallbackCanVetoTheLoad)
{
    ITembriTemplate *templates = db->GetITembriTemplateSongTract(1);
    ASSERT_NE(templates, nullptr);
    uint32_t id;
    ASSERT_EQ(templates->Save(song.get(), kNoReplace, nullptr, &id), 1);
    ASSERT_EQ(templates->Save(song.get(), kNoReplace, "Band", &id), 1);
    ASSERT_EQ(templates->Save(song.get(), kNoReplace, "", &id), 1);
    templates->Release();
    vetoes = 0;
    const INT_PTR result = runScripted(
        "SongTract Templates",
        [&] {
            return RunTemplateChooser(GetModuleHandleA(nullptr), db.get(), ITembriTemplate::TT_SONGTRACT,
                                      song.get(), &vetoLoad, 0, nullptr, nullptr);
        },
        {[&](HWND dialog) {
             EXPECT_EQ(names(dialog), (std::vector<std::string>{"Unknown 1", "Band", "Unknown 2"}));
             // A name nobody stored cannot be loaded.
             type(dialog, "Nothing");
             SendMessageA(dialog, WM_COMMAND, IDOK, 0);
             pick(dialog, "Band");
             click(dialog, IDOK);
             EXPECT_EQ(vetoes, 1);
             EXPECT_TRUE(IsWindowVisible(dialog));
         },
         [](HWND dialog) { click(dialog, IDCANCEL); }});
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(asked, std::vector<std::string>{"No data selected."});
}

// ---- presets

TEST_F(ChooserTest, PresetsOfAnOutputAreStoredRecalledAndDeleted)
{
    PORTNOTE port(RT_PORT_FIRST); // the system's own soft synths
    port.descr = equipment_test::namedOut();
    ASSERT_TRUE(port.descr.SetName("Preview"));
    db->Lock();
    ASSERT_EQ(db->AddNewNote(&port), 1);
    db->Unlock();
    void *out = song.addNamedOut();
    ASSERT_NE(out, nullptr);
    const auto b = [](HWND d) { return buttons(d, IDC_PRESET_STORE, IDC_PRESET_DELETE); };
    const INT_PTR result =
        runScripted("Presets: Preview",
                    [&] {
                        return RunPresetChooser(GetModuleHandleA(nullptr), db.get(), port.id, out,
                                                song.tract(), "Preview", nullptr);
                    },
                    {[&](HWND dialog) {
                         EXPECT_TRUE(names(dialog).empty());
                         EXPECT_EQ(b(dialog), "---");
                         type(dialog, "Soft");
                         EXPECT_EQ(b(dialog), "-s-");
                         click(dialog, IDC_PRESET_STORE);
                         type(dialog, "Loud");
                         click(dialog, IDC_PRESET_STORE);
                         EXPECT_EQ(names(dialog), (std::vector<std::string>{"Soft", "Loud"}));
                         answer = IDNO; // a replace the user declines keeps both
                         pick(dialog, "Soft");
                         click(dialog, IDC_PRESET_STORE);
                         answer = IDYES;
                         pick(dialog, "Loud");
                         click(dialog, IDC_PRESET_DELETE);
                         EXPECT_EQ(names(dialog), std::vector<std::string>{"Soft"});
                         pick(dialog, "Soft");
                         picture(dialog, "stavrund_preset_chooser");
                     },
                     [](HWND dialog) { click(dialog, IDOK); }});
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(asked, (std::vector<std::string>{"Replace existing preset.\nAre you sure?",
                                               "Delete existing preset.\nAre you sure?"}));
    ITembriPreset *presets = db->GetITembriPresetOut(port.id, 1);
    ASSERT_NE(presets, nullptr);
    uint32_t id;
    char *name;
    std::vector<std::string> stored;
    for (SDBNOTE *n = presets->GetNext(nullptr, id, name); n; n = presets->GetNext(n, id, name)) {
        stored.push_back(name ? name : "");
        std::free(name);
    }
    presets->Release();
    EXPECT_EQ(stored, std::vector<std::string>{"Soft"});
}

TEST_F(ChooserTest, PresetsOfEffectsAreStoredAndRecalledAndTitledByTheParentWithoutAName)
{
    // A MIDI effect: the drummer on its track.
    CTrackMIDI *drums = song.addDrummerTrack();
    ASSERT_NE(drums, nullptr);
    CMEffElem *drummer = drums->effects.GetFirstElem();
    ASSERT_NE(drummer, nullptr);
    // An audio effect: the engine's probe effect on the main bus.
    ASSERT_EQ(RegisterModulePath(kAudioEffectKey, "Probe Effect",
                                 (equipment_test::testsFolder() + "sound_probes.dll").c_str()),
              S_OK);
    void *bus = song.tract()->GetBusByNumb(0);
    PORTDESCR probe;
    probe.kind = 0;
    ASSERT_TRUE(probe.SetData("Probe Effect"));
    void *effect = song.tract()->AddNewSEffect(bus, nullptr, &probe);
    UnregisterModuleValue(kAudioEffectKey, "Probe Effect");
    ASSERT_NE(effect, nullptr);
    PORTNOTE midiEffects(0x71), audioEffects(0x60); // the own MIDI and audio effects
    db->Lock();
    ASSERT_EQ(db->AddNewNote(&midiEffects), 1);
    ASSERT_EQ(db->AddNewNote(&audioEffects), 1);
    db->Unlock();
    HWND owner = CreateWindowExA(0, "STATIC", "Drums of track 2", WS_OVERLAPPED, 0, 0, 100, 40, nullptr,
                                 nullptr, nullptr, nullptr);
    ASSERT_NE(owner, nullptr);

    struct Case {
        uint32_t port;
        void *item;
        void *context;
        const char *itemName;
        const char *caption;
        uint8_t presetType;
        const char *preset;
    };
    const Case cases[] = {
        {midiEffects.id, drummer, drums, nullptr, "Presets: Drums of track 2", RT_PRESET_MEFF, "Groove"},
        {midiEffects.id, drummer, drums, "", "Presets: Drums of track 2", RT_PRESET_MEFF, "Fill"},
        {audioEffects.id, effect, song.tract(), "Probe Effect", "Presets: Probe Effect", RT_PRESET_AEFF,
         "Dry"},
    };
    for (const Case &c : cases) {
        const INT_PTR result = runScripted(
            c.caption,
            [&] {
                return RunPresetChooser(GetModuleHandleA(nullptr), db.get(), c.port, c.item, c.context,
                                        c.itemName, owner);
            },
            {[&](HWND dialog) {
                 type(dialog, c.preset);
                 click(dialog, IDC_PRESET_STORE);
                 pick(dialog, c.preset);
                 picture(dialog, c.presetType == RT_PRESET_MEFF ? "stavrund_preset_chooser_midi_effect"
                                                                : "stavrund_preset_chooser_audio_effect");
             },
             [](HWND dialog) { click(dialog, IDOK); }});
        EXPECT_EQ(result, IDOK) << c.caption << ": the preset was recalled onto the effect";
    }
    DestroyWindow(owner);
    EXPECT_EQ(equipment_test::liveRecords(*db, RT_PRESET_MEFF).size(), 2u);
    EXPECT_EQ(equipment_test::liveRecords(*db, RT_PRESET_AEFF).size(), 1u);
    EXPECT_TRUE(asked.empty());
}

// A chooser belongs to the window that opened it: the preset chooser to
// the top-level window of its parent, the template chooser to the active
// window. That window is disabled while the chooser runs.
TEST_F(ChooserTest, ChoosersBelongToTheWindowThatOpenedThem)
{
    PORTNOTE port(RT_PORT_FIRST);
    port.descr = equipment_test::namedOut();
    ASSERT_TRUE(port.descr.SetName("Preview"));
    db->Lock();
    ASSERT_EQ(db->AddNewNote(&port), 1);
    db->Unlock();
    void *out = song.addNamedOut();
    HWND owner = CreateWindowExA(0, "STATIC", "Parts", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 200, 80, nullptr,
                                 nullptr, nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    HWND child = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, owner, nullptr,
                                 nullptr, nullptr);
    ASSERT_NE(child, nullptr);
    SetActiveWindow(owner);
    ASSERT_EQ(GetActiveWindow(), owner);

    const auto ownedAndDisabled = [&](HWND dialog) {
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner);
        EXPECT_FALSE(IsWindowEnabled(owner)) << "the owner takes no input meanwhile";
        click(dialog, IDCANCEL);
    };
    runScripted("Presets: Preview",
                [&] {
                    return RunPresetChooser(GetModuleHandleA(nullptr), db.get(), port.id, out, song.tract(),
                                            "Preview", child);
                },
                {ownedAndDisabled});
    EXPECT_TRUE(IsWindowEnabled(owner));
    SetActiveWindow(owner);
    runScripted("New Song Templates",
                [&] {
                    return RunTemplateChooser(GetModuleHandleA(nullptr), db.get(),
                                              ITembriTemplate::TT_NEWSONG, song.get(), nullptr, 0, nullptr,
                                              nullptr);
                },
                {ownedAndDisabled});
    EXPECT_TRUE(IsWindowEnabled(owner));
    DestroyWindow(owner);
}

TEST_F(ChooserTest, PresetChooserOfARecordThatIsNoPortReportsAnError)
{
    const INT_PTR result =
        RunPresetChooser(GetModuleHandleA(nullptr), db.get(), 12345, nullptr, nullptr, "Nothing", nullptr);
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(asked, std::vector<std::string>{"Equipment DataBase error."});
}

} // namespace
