// Ports, presets and templates with a real song, song tract and drummer.
#include "db/equipment/items.h"

#include "data/meff_chain.h"
#include "data/sound_interfaces.h"
#include "data/track_master.h"
#include "base/message_box.h"
#include "db/equipment/equipment_records.h"
#include "db/equipment/items_impl.h"
#include "db/equipment/new_song_check.h"
#include "db/equipment/tests/equipment_test_support.h"
#include "db/equipment/tests/song_fixture.h"
#include "db/dialogs/tests/dialog_driver.h"
#include "db/records/xfile.h"
#include "plugin/fill/plugin/grindelvosket_ids.h"
#include "sound/equipment/vst_scan_ids.h"
#include "sound/module_keys.h"
#include "sound/song_tract.h"
#include "testing/realtime_counters.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

using namespace Quorvane;
using namespace equipment_test;

namespace {

class Items : public ::testing::Test {
protected:
    void SetUp() override
    {
        long result = 0;
        db = folder.open(result);
        ASSERT_EQ(result, 2);
    }
    // The file as the test left it, its changes still pending.
    void TearDown() override { folder.keep(); }

    // A port record of the type, for presets to stand below.
    uint32_t addPort(uint8_t type)
    {
        PORTNOTE port(type);
        db->Lock();
        EXPECT_TRUE(db->AddNewNote(&port));
        db->Unlock();
        return port.id;
    }

    // The port records of a kind: name and record id.
    std::vector<std::pair<std::string, uint32_t>> ports(long kind)
    {
        std::vector<std::pair<std::string, uint32_t>> list;
        ITembriPort *port = db->GetITembriPort(kind, 1);
        uint32_t id = 0;
        long descriptorKind = 0;
        char *name = nullptr;
        for (SDBNOTE *n = port->GetNext(nullptr, id, descriptorKind, name, nullptr, nullptr); n;
             n = port->GetNext(n, id, descriptorKind, name, nullptr, nullptr)) {
            list.push_back({name ? name : "", id});
            std::free(name);
        }
        port->Release();
        return list;
    }

    DatabaseFolder folder;
    std::unique_ptr<CTembriDB> db;
};

uint32_t idOf(const std::vector<std::pair<std::string, uint32_t>> &list, const std::string &name)
{
    for (const auto &[n, id] : list)
        if (n == name)
            return id;
    return SDB_NO_PARENT;
}

// --- ports

TEST_F(Items, RefreshOfOwnSynthsFollowsTheRegisteredModules)
{
    ITembriPort *port = db->GetITembriPort(ITembriPort::OWN_SYNTHS, 1);
    ASSERT_NE(port, nullptr);
    uint32_t id = 0;
    long kind = 0;
    char *name = nullptr;
    EXPECT_EQ(port->GetNext(nullptr, id, kind, name, nullptr, nullptr), nullptr) << "no records yet";
    RegisterModulePath(kSoftSynthKey, "Extra Synth", "C:\\nowhere\\extra.dll");
    ASSERT_EQ(port->Refresh(), 1);
    port->Release();

    auto first = ports(ITembriPort::OWN_SYNTHS);
    const uint32_t preview = idOf(first, "Default Preview");
    const uint32_t extra = idOf(first, "Extra Synth");
    ASSERT_NE(preview, SDB_NO_PARENT);
    ASSERT_NE(extra, SDB_NO_PARENT);
    EXPECT_NE(idOf(first, "Tembri Audio"), SDB_NO_PARENT);

    // A preset below the port that goes.
    SDBNOTE preset;
    preset.type = RT_PRESET_OUT;
    preset.parent = extra;
    db->Lock();
    ASSERT_TRUE(db->AddNewNote(&preset, nullptr));
    db->Unlock();

    UnregisterModuleValue(kSoftSynthKey, "Extra Synth");
    RegisterModulePath(kSoftSynthKey, "Other Synth", "C:\\nowhere\\other.dll");
    port = db->GetITembriPort(ITembriPort::OWN_SYNTHS, 1);
    ASSERT_EQ(port->Refresh(), 1);
    port->Release();
    UnregisterModuleValue(kSoftSynthKey, "Other Synth");

    auto second = ports(ITembriPort::OWN_SYNTHS);
    EXPECT_EQ(idOf(second, "Default Preview"), preview) << "an unchanged port keeps its record";
    EXPECT_EQ(idOf(second, "Extra Synth"), SDB_NO_PARENT);
    EXPECT_EQ(db->GetNoteByID(preset.id), nullptr) << "its presets went with it";
    EXPECT_NE(idOf(second, "Other Synth"), SDB_NO_PARENT);
    EXPECT_EQ(second.size(), first.size());
}

// Clicks a tree item's check box with the mouse, as posted button messages.
void clickCheckBox(HWND view, HTREEITEM target)
{
    RECT text = {};
    ASSERT_TRUE(TreeView_GetItemRect(view, target, &text, TRUE));
    TVHITTESTINFO hit = {};
    const int y = (text.top + text.bottom) / 2;
    for (int x = text.left - 1; x >= 0 && !(hit.flags & TVHT_ONITEMSTATEICON); --x) {
        hit = {};
        hit.pt = {x, y};
        if (TreeView_HitTest(view, &hit) != target)
            hit.flags = 0;
    }
    ASSERT_TRUE(hit.flags & TVHT_ONITEMSTATEICON);
    const LPARAM at = MAKELPARAM(hit.pt.x, hit.pt.y);
    PostMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(view, WM_LBUTTONUP, 0, at);
    dialogs_test::pump();
}

// The scan cache as stored: file and verdict by record id.
std::map<uint32_t, std::pair<std::string, uint32_t>> scanRecords(CTembriDB &db)
{
    std::map<uint32_t, std::pair<std::string, uint32_t>> found;
    for (const Record &r : liveRecords(db, RT_SCAN)) {
        SCANNOTE record(r.id);
        EXPECT_TRUE(db.ReadNote(&record));
        found[r.id] = {record.file ? record.file : "", record.value};
    }
    return found;
}

TEST_F(Items, RefreshOfVstInstrumentsKeepsTheScanAndListsWhatTheUserChose)
{
    testing_support::TempFolder plugins;
    const std::string fixtures = testsFolder() + "vst_fixtures\\";
    const std::string instrument = plugins.file("Instrument.dll"), effect = plugins.file("Stereo.dll");
    ASSERT_TRUE(CopyFileA((fixtures + "instrument.dll").c_str(), instrument.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((fixtures + "stereo_effect.dll").c_str(), effect.c_str(), FALSE));
    IOPARAMS params;
    ASSERT_TRUE(params.SetString(IOSTR_VSTDIR1, plugins.path().c_str()));
    ASSERT_EQ(db->SetIOParams(&params), 1);
    // VST instruments are listed where the module that plays them is, as
    // the build lays it out registered.
    ASSERT_EQ(RegisterModulePath(kSoftSynthKey, "Tembri VSTi",
                                 (testsFolder() + "..\\dist\\TembriVSTi.dll").c_str()),
              S_OK);
    auto refresh = [&](std::vector<dialogs_test::Step> steps) {
        ITembriPort *port = db->GetITembriPort(ITembriPort::VST_INSTRUMENTS, 1);
        long result = 0;
        dialogs_test::runScripted(
            "VSTi Scanning", [&] { return INT_PTR(result = port->Refresh()); }, std::move(steps));
        port->Release();
        return result;
    };

    // The user checks the folder, scans (the effect drops out) and takes
    // what stays checked.
    ASSERT_EQ(refresh({[](HWND dialog) {
                           HWND view = GetDlgItem(dialog, IDC_VST_TREE);
                           clickCheckBox(view, TreeView_GetRoot(view));
                           dialogs_test::click(dialog, IDC_VST_SCAN);
                       },
                       [](HWND dialog) { dialogs_test::click(dialog, IDOK); }}),
              1);
    const auto first = ports(ITembriPort::VST_INSTRUMENTS);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].first, "Instrument.dll");
    PORTDESCR descriptor;
    ITembriPort *port = db->GetITembriPort(ITembriPort::VST_INSTRUMENTS, 1);
    ASSERT_TRUE(port->GetDescr(first[0].second, &descriptor));
    port->Release();
    EXPECT_STREQ(static_cast<const char *>(descriptor.data), instrument.c_str());
    // Both files scanned: their verdicts are stored without the "new" mark.
    const auto scanned = scanRecords(*db);
    ASSERT_EQ(scanned.size(), 2u);
    std::map<std::string, uint32_t> verdicts;
    for (const auto &[id, entry] : scanned)
        verdicts[entry.first] = entry.second;
    EXPECT_EQ(verdicts[instrument], 1u) << "an instrument";
    EXPECT_EQ(verdicts[effect], 2u) << "an effect";

    // Next time the known instrument starts checked and nothing is scanned:
    // OK keeps its record and the cache as it was.
    bool startedChecked = false;
    ASSERT_EQ(refresh({[&](HWND dialog) {
                  HWND view = GetDlgItem(dialog, IDC_VST_TREE);
                  startedChecked =
                      (TreeView_GetItemState(view, TreeView_GetRoot(view), TVIS_STATEIMAGEMASK) >> 12) == 2;
                  dialogs_test::click(dialog, IDOK);
              }}),
              1);
    EXPECT_TRUE(startedChecked);
    EXPECT_EQ(ports(ITembriPort::VST_INSTRUMENTS), first);
    EXPECT_EQ(scanRecords(*db), scanned);

    // Cancel changes nothing.
    EXPECT_EQ(refresh({[](HWND dialog) { dialogs_test::click(dialog, IDCANCEL); }}), 0);
    EXPECT_EQ(ports(ITembriPort::VST_INSTRUMENTS), first);
}

TEST_F(Items, RefreshOfMfxPluginsFindsTheDrummer)
{
    // Where hosts list the MFX plug-ins they offer.
    const std::string key =
        std::string("Software\\MFX Hosts\\MIDI Filters\\") + "{70781444-08F0-5C91-8DF7-9AECBDB9E7C5}";
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &created,
                              nullptr),
              ERROR_SUCCESS);
    RegCloseKey(created);
    ITembriPort *port = db->GetITembriPort(ITembriPort::MFX_PLUGINS, 1);
    ASSERT_EQ(port->Refresh(), 1);
    uint32_t id = 0;
    long kind = 0;
    char *name = nullptr;
    void *data = nullptr;
    uint32_t size = 0;
    bool found = false;
    for (SDBNOTE *n = port->GetNext(nullptr, id, kind, name, &data, &size); n;
         n = port->GetNext(n, id, kind, name, &data, &size)) {
        found |= kind == PORT_BY_GUID && size == sizeof(GUID) &&
                 std::memcmp(data, &CLSID_GrindelvosketMFX, 16) == 0;
        EXPECT_EQ(n->type, 0x71);
        std::free(name);
        std::free(data);
    }
    EXPECT_TRUE(found);
    PORTDESCR descr;
    EXPECT_EQ(port->GetDescr(id, &descr), 1);
    EXPECT_EQ(descr.kind, PORT_BY_GUID);
    EXPECT_EQ(port->Delete(id), 1);
    EXPECT_EQ(port->GetDescr(id, &descr), 0);
    port->Release();
    EXPECT_EQ(db->GetITembriPort(10, 0), nullptr);
}

// --- presets

TEST_F(Items, OutputPresetsSaveReplaceAndRecallTheOutputsState)
{
    TestSong song;
    void *out = song.addNamedOut();
    ASSERT_NE(out, nullptr);
    ITembriPreset *presets = db->GetITembriPresetOut(addPort(0x50), 1);
    ASSERT_TRUE(presets->Save(out, song.tract(), kNoReplace, "Warm"));
    uint32_t first = 0;
    char *name = nullptr;
    ASSERT_NE(presets->GetNext(nullptr, first, name), nullptr);
    EXPECT_STREQ(name, "Warm");
    std::free(name);

    // Replacing without a name keeps the old one.
    ASSERT_TRUE(presets->Save(out, song.tract(), first, nullptr));
    uint32_t second = 0;
    SDBNOTE *n = presets->GetNext(nullptr, second, name);
    ASSERT_NE(n, nullptr);
    EXPECT_NE(second, first);
    EXPECT_STREQ(name, "Warm");
    std::free(name);
    EXPECT_EQ(presets->GetNext(n, second, name), nullptr);

    // A replacement that cannot be written leaves the old preset.
    SetXFileChangeHook([](const XFileChangeInfo &) -> uint32_t { return 0; });
    EXPECT_FALSE(presets->Save(out, song.tract(), second, "Cold"));
    SetXFileChangeHook(nullptr);
    PORTDESCR kept;
    EXPECT_EQ(presets->GetDescr(second, &kept), 1);
    EXPECT_STREQ(kept.name, "Warm");

    // Recall sets the state on an equal output only.
    EXPECT_TRUE(presets->Recall(out, song.tract(), second));
    void *other = song.addNamedOut("Tembri Audio");
    EXPECT_FALSE(presets->Recall(other, song.tract(), second));
    presets->Release();
}

TEST_F(Items, MIDIEffectPresetsCarryTheDrummersStateToAnotherTrack)
{
    TestSong song;
    CTrackMIDI *from = song.addDrummerTrack();
    ASSERT_NE(from, nullptr);
    const std::string state = TestSong::drummerState(from);
    ASSERT_FALSE(state.empty());
    CMEffElem *elem = from->effects.GetFirstElem();
    elem->active = 0;

    ITembriPreset *presets = db->GetITembriPresetMEff(addPort(0x71), 1);
    ASSERT_TRUE(presets->Save(elem, from, kNoReplace, "Fill"));
    uint32_t id = 0;
    char *name = nullptr;
    ASSERT_NE(presets->GetNext(nullptr, id, name), nullptr);
    std::free(name);
    const std::vector<Record> stored = liveRecords(*db, RT_PRESET_MEFF);
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].body.substr(stored[0].body.size() - 4), u32(0)) << "inactive";

    auto *to = static_cast<CTrackMIDI *>(song->InsertNewTrack(TRACK_MIDI, -1, 0));
    ASSERT_TRUE(presets->Apply(to, song.get(), id, 0));
    ASSERT_EQ(to->effects.GetNumEffects(), 1);
    EXPECT_EQ(to->effects.GetFirstElem()->active, 0);
    EXPECT_EQ(TestSong::drummerState(to), state);
    // Recall onto the element: the same descriptor takes the state.
    EXPECT_TRUE(presets->Recall(to->effects.GetFirstElem(), to, id));
    presets->Release();
}

TEST_F(Items, AudioEffectPresetsAddTheEffectToABusWithItsSetting)
{
    ASSERT_EQ(
        RegisterModulePath(kAudioEffectKey, "Probe Effect", (testsFolder() + "sound_probes.dll").c_str()),
        S_OK);
    TestSong song;
    void *bus = song.tract()->GetBusByNumb(0);
    PORTDESCR probe;
    probe.kind = 0;
    ASSERT_TRUE(probe.SetData("Probe Effect"));
    void *effect = song.tract()->AddNewSEffect(bus, nullptr, &probe);
    ASSERT_NE(effect, nullptr);
    song.tract()->SetSEffectInfo(effect, 0);

    ITembriPreset *presets = db->GetITembriPresetAEff(addPort(0x60), 1);
    ASSERT_TRUE(presets->Save(effect, song.tract(), kNoReplace, "Probe off"));
    uint32_t id = 0;
    char *name = nullptr;
    ASSERT_NE(presets->GetNext(nullptr, id, name), nullptr);
    EXPECT_STREQ(name, "Probe off");
    std::free(name);
    const std::vector<Record> stored = liveRecords(*db, RT_PRESET_AEFF);
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].body.substr(0, 14), shortString("Probe off") + u32(0)) << "name, kind";
    EXPECT_EQ(stored[0].body.substr(stored[0].body.size() - 4), u32(0)) << "disabled";

    TestSong other;
    void *otherBus = other.tract()->GetBusByNumb(0);
    ASSERT_TRUE(presets->Apply(otherBus, other.tract(), id, 0));
    void *added = other.tract()->GetNextSEffect(otherBus, nullptr);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(other.tract()->GetNextSEffect(otherBus, added), nullptr);
    char effectName[256] = {};
    int enabled = 1;
    EXPECT_EQ(other.tract()->GetSEffectInfo(added, effectName, enabled), 0);
    EXPECT_STREQ(effectName, "Probe Effect");
    EXPECT_EQ(enabled, 0);
    // Recall onto the effect: the same descriptor takes the state.
    EXPECT_TRUE(presets->Recall(added, other.tract(), id));
    presets->Release();
    UnregisterModuleValue(kAudioEffectKey, "Probe Effect");
}

// --- templates

TEST_F(Items, SetDataTwiceLeavesTwoDataRecordsAndGetDataAnswersTheFirst)
{
    TestSong song;
    ITembriTemplate *templates = db->GetITembriTemplateSysEx(1);
    uint32_t id = 0;
    ASSERT_TRUE(templates->Save(song.get(), kNoReplace, "Dumps", &id));
    ASSERT_TRUE(templates->SetData(id, "first", 5));
    ASSERT_TRUE(templates->SetData(id, "second", 6));
    EXPECT_EQ(liveRecords(*db, RT_TEMPLATE_DATA).size(), 2u);
    void *data = nullptr;
    uint32_t size = 0;
    ASSERT_TRUE(templates->GetData(id, &data, &size));
    EXPECT_EQ(std::string(static_cast<char *>(data), size), "first");
    std::free(data);
    templates->Release();
}

TEST_F(Items, SysExTemplatesKeepEntriesAndFindTheirOutputsAgain)
{
    TestSong song;
    // Outputs are found by their data alone: one that no other output shares.
    void *out = song.addNamedOut("Tembri Audio");
    ASSERT_NE(out, nullptr);
    SYSEX withPort, withoutPort;
    withPort.SetName("Reset");
    withPort.SetData("\xF0\x7E\x7F\xF7", 4);
    withPort.port = out;
    withPort.muted = 1;
    withoutPort.SetName("Orphan");
    withoutPort.SetData("\xF0\x01\xF7", 3);
    ASSERT_TRUE(song->sysEx.Add(withPort));
    ASSERT_TRUE(song->sysEx.Add(withoutPort));

    ITembriTemplate *templates = db->GetITembriTemplateSysEx(1);
    uint32_t id = 0;
    ASSERT_TRUE(templates->Save(song.get(), kNoReplace, "Dumps", &id)) << "an entry without a port saves";
    const std::vector<Record> stored = liveRecords(*db, RT_SYSEX);
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].body,
              shortString("Reset") + u32(1) + shortString("Tembri Audio") + blob("\xF0\x7E\x7F\xF7"));
    EXPECT_EQ(stored[1].body, shortString("Orphan") + u32(0) + shortString("") + blob("\xF0\x01\xF7"));

    TestSong other;
    void *otherOut = other.addNamedOut("Tembri Audio");
    ASSERT_TRUE(templates->Load(other.get(), id));
    ASSERT_EQ(other->sysEx.GetNumb(), 2);
    EXPECT_STREQ(other->sysEx.GetAt(0)->name, "Reset");
    EXPECT_EQ(other->sysEx.GetAt(0)->port, otherOut);
    EXPECT_EQ(other->sysEx.GetAt(0)->muted, 1);
    EXPECT_EQ(other->sysEx.GetAt(1)->muted, 0);
    EXPECT_EQ(other->sysEx.GetAt(0)->length, 4);
    EXPECT_EQ(other->sysEx.GetAt(1)->port, nullptr) << "no MIDI output port to fall back on";
    templates->Release();
}

// A record body exactly as given.
class HandBody : public CSDBInterpretator {
public:
    HandBody(uint8_t type, uint32_t parent, Bytes body)
        : CSDBInterpretator(type, 0, parent), body(std::move(body))
    {
    }
    int Read(CXFile *) override { return 0; }
    int Write(CXFile *file) override { return file->Write(body.data(), uint32_t(body.size())); }
    int Compare(const CSDBInterpretator *) const override { return 0; }
    uint32_t GetSize() override { return uint32_t(body.size()); }
    Bytes body;
};

TEST_F(Items, ASysExRecordsSettingIsTheEntrysMute)
{
    TEMPLATENOTE dumps(RT_TEMPLATE_SYSEX);
    dumps.SetName("Hand");
    db->Lock();
    ASSERT_TRUE(db->AddNewNote(&dumps));
    HandBody muted(RT_SYSEX, dumps.id,
                   shortString("Quiet") + u32(1) + shortString("") + blob("\xF0\x01\xF7"));
    HandBody sent(RT_SYSEX, dumps.id, shortString("Loud") + u32(0) + shortString("") + blob("\xF0\x02\xF7"));
    ASSERT_TRUE(db->AddNewNote(&muted));
    ASSERT_TRUE(db->AddNewNote(&sent));
    db->Unlock();

    TestSong song;
    ITembriTemplate *templates = db->GetITembriTemplateSysEx(1);
    ASSERT_TRUE(templates->Load(song.get(), dumps.id));
    ASSERT_EQ(song->sysEx.GetNumb(), 2);
    EXPECT_STREQ(song->sysEx.GetAt(0)->name, "Quiet");
    EXPECT_EQ(song->sysEx.GetAt(0)->muted, 1);
    EXPECT_STREQ(song->sysEx.GetAt(1)->name, "Loud");
    EXPECT_EQ(song->sysEx.GetAt(1)->muted, 0);
    templates->Release();
}

TEST_F(Items, ASongTractTemplateLeavesExactlyItsBuses)
{
    TestSong song;
    ASSERT_TRUE(song.tract()->AddNewBus());
    song.tract()->SetBusInfo(song.tract()->GetBusByNumb(1), 0.5f, 0.25f);
    ITembriTemplate *templates = db->GetITembriTemplateSongTract(1);
    uint32_t id = 0;
    ASSERT_TRUE(templates->Save(song.get(), kNoReplace, "Two buses", &id));
    EXPECT_EQ(liveRecords(*db, RT_BUS).size(), 2u);

    TestSong other;
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(other.tract()->AddNewBus());
    ASSERT_EQ(other.tract()->GetNumBuses(), 4);
    ASSERT_TRUE(templates->Load(other.get(), id));
    EXPECT_EQ(other.tract()->GetNumBuses(), 2);
    float volume = 0, pan = 0;
    long effects = 0;
    other.tract()->GetBusInfo(other.tract()->GetBusByNumb(1), volume, pan, effects);
    EXPECT_EQ(volume, 0.5f);
    EXPECT_EQ(pan, 0.25f);
    templates->Release();
}

// The live records below a record, all generations.
uint32_t liveDescendants(CSDB &db, uint32_t id)
{
    uint32_t count = 0;
    for (const SDBNOTE *n = db.GetFirstNote(id, SDB_ANY_TYPE); n; n = db.GetNextNote(n, SDB_ANY_TYPE))
        count += 1 + liveDescendants(db, n->id);
    return count;
}

// Fails only the n-th change of a file, counting from 1.
uint32_t g_failAt, g_changes;
uint32_t failOneChange(const XFileChangeInfo &change)
{
    return ++g_changes == g_failAt ? 0 : change.count;
}

TEST_F(Items, AReplacedTemplateGoesOnlyOnceTheNewOneIsWritten)
{
    TestSong song;
    ITembriTemplate *templates = db->GetITembriTemplateNewSong(1);
    uint32_t id = 0, replaced = 0;
    ASSERT_TRUE(templates->Save(song.get(), kNoReplace, "Mine", &id));
    // Deleting the old template marks it and each record below it, one
    // change each. The change after those fails: had the old template gone
    // first, nothing would be left.
    const uint32_t marks = 1 + liveDescendants(*db, id);
    ASSERT_GT(marks, 1u);
    g_failAt = marks + 1;
    g_changes = 0;
    SetXFileChangeHook(failOneChange);
    EXPECT_FALSE(templates->Save(song.get(), id, nullptr, &replaced));
    SetXFileChangeHook(nullptr);
    EXPECT_GE(g_changes, g_failAt) << "the failing change was reached";
    ASSERT_NE(db->GetNoteByID(id), nullptr);
    EXPECT_EQ(liveDescendants(*db, id), marks - 1) << "the old template is whole";
    ASSERT_TRUE(templates->Save(song.get(), id, nullptr, &replaced));
    EXPECT_EQ(db->GetNoteByID(id), nullptr);
    char *name = nullptr;
    uint32_t listed = 0;
    ASSERT_NE(templates->GetNext(nullptr, listed, name), nullptr);
    EXPECT_EQ(listed, replaced);
    EXPECT_STREQ(name, "Mine");
    std::free(name);
    templates->Release();
}

// A New Song template written by hand: its blob, then track records.
uint32_t handTemplate(CTembriDB &db, const Bytes &blobBytes, const std::vector<TRACKNOTE *> &tracks)
{
    TEMPLATENOTE record(RT_TEMPLATE_NEWSONG);
    record.SetName("Hand");
    record.SetBlob(blobBytes.data(), uint32_t(blobBytes.size()));
    db.Lock();
    EXPECT_TRUE(db.AddNewNote(&record));
    for (TRACKNOTE *t : tracks) {
        t->parent = record.id;
        EXPECT_TRUE(db.AddNewNote(t));
    }
    db.Unlock();
    return record.id;
}

TEST_F(Items, ANewSongTemplateThatWouldBreakTheSongFailsBeforeItIsTouched)
{
    auto track = [](uint32_t id, uint32_t kind) {
        auto *t = new TRACKNOTE;
        t->trackId = id;
        t->trackKind = kind;
        return t;
    };
    struct Case {
        const char *what;
        Bytes blob;
        std::vector<TRACKNOTE *> tracks;
    };
    const Bytes eight = u32(960) + u32(44100);
    Case cases[] = {
        {"blob not 8 bytes", u32(960), {track(0, 0)}},
        {"no track records", eight, {}},
        {"unknown kind", eight, {track(0, 0), track(1, 9)}},
        {"repeated id", eight, {track(0, 0), track(2, 3), track(2, 3)}},
        {"second master", eight, {track(0, 0), track(0, 0)}},
        {"second chord track", eight, {track(0, 0), track(1, 1), track(2, 1)}},
    };
    folder.damagedOnPurpose();
    TestSong song;
    CTrack *mine = song->InsertNewTrack(TRACK_MIDI, -1, 0);
    ASSERT_NE(mine, nullptr);
    ITembriTemplate *templates = db->GetITembriTemplateNewSong(1);
    for (Case &c : cases) {
        const uint32_t id = handTemplate(*db, c.blob, c.tracks);
        EXPECT_FALSE(templates->Load(song.get(), id)) << c.what;
        EXPECT_EQ(song->GetNumTracks(), 2) << c.what;
        EXPECT_EQ(song->GetTrack(mine->id), mine) << c.what;
        for (TRACKNOTE *t : c.tracks)
            delete t;
    }
    templates->Release();
}

TEST_F(Items, AStoredMasterTempoOfZeroLoadsAsAHundred)
{
    TRACKNOTE master;
    master.SetMaster({3, 2, 15, 0});
    const uint32_t id = handTemplate(*db, u32(960) + u32(44100), {&master});
    TestSong song;
    ITembriTemplate *templates = db->GetITembriTemplateNewSong(1);
    ASSERT_TRUE(templates->Load(song.get(), id));
    templates->Release();
    CTrackMaster *m = song->GetTrackMaster();
    EXPECT_FLOAT_EQ(m->GetTempoAtTime(0), 100.0f);
    QUICKMETER meter;
    ASSERT_TRUE(m->GetMeterByIndex(0, meter));
    EXPECT_EQ(meter.numerator, 3);
}

// The program's check is asked with the tracks a template made before the
// song's own go; refused, the song keeps its tracks, its drummer's state
// and its master (the template's tempo of 0 would count as 100).
TEST_F(Items, ATemplateTheProgramRefusesLeavesTheSongAsItWas)
{
    TestSong song;
    CTrackMIDI *mine = song.addDrummerTrack();
    ASSERT_NE(mine, nullptr);
    const std::string state = TestSong::drummerState(mine);
    CTrackMaster *songMaster = song->GetTrackMaster();
    const float tempo = songMaster->GetTempoAtTime(0);
    const long masterEvents = songMaster->GetNumb();

    TRACKNOTE master, part;
    master.SetMaster({3, 2, 15, 0});
    part.trackId = 4;
    part.trackKind = TRACK_MIDI;
    const uint32_t id = handTemplate(*db, u32(960) + u32(44100), {&master, &part});
    std::vector<unsigned long> offered;
    SetNewSongTracksCheck(
        [](const CTrack *first, void *seen) {
            for (const CTrack *t = first; t; t = static_cast<const CTrack *>(t->next))
                static_cast<std::vector<unsigned long> *>(seen)->push_back(t->id);
            return 0;
        },
        &offered);
    ITembriTemplate *templates = db->GetITembriTemplateNewSong(1);
    EXPECT_FALSE(templates->Load(song.get(), id));
    SetNewSongTracksCheck(nullptr, nullptr);
    EXPECT_EQ(offered, std::vector<unsigned long>{4});
    EXPECT_EQ(song->GetNumTracks(), 2);
    EXPECT_EQ(song->GetTrack(mine->id), mine);
    EXPECT_EQ(TestSong::drummerState(mine), state);
    EXPECT_EQ(song->GetTrackMaster(), songMaster);
    EXPECT_EQ(songMaster->GetNumb(), masterEvents);
    EXPECT_FLOAT_EQ(songMaster->GetTempoAtTime(0), tempo);

    // Without the check the same template comes in whole.
    ASSERT_TRUE(templates->Load(song.get(), id));
    templates->Release();
    EXPECT_EQ(song->GetNumTracks(), 2);
    ASSERT_NE(song->GetTrack(4), nullptr);
    EXPECT_EQ(song->GetTrack(mine->id), nullptr);
    EXPECT_FLOAT_EQ(song->GetTrackMaster()->GetTempoAtTime(0), 100.0f);
}

} // namespace

namespace {

std::string outData(IQuorvaneSongTract *tract, void *out)
{
    PORTDESCR d;
    if (!out || !tract->GetOutDescr(out, &d, 0) || !d.data)
        return "none";
    return std::to_string(d.kind) + ":" + static_cast<const char *>(d.data);
}

TEST_F(Items, TracksFindTheirOutputsWhenTheTemplateSharesOutputsOfTheSong)
{
    TestSong song;
    void *preview = song.addNamedOut("Default Preview");
    void *audio = song.addNamedOut("Tembri Audio");
    ASSERT_TRUE(preview && audio);
    CTrack *onPreview = song->InsertNewTrack(TRACK_MIDI, -1, 0);
    CTrack *onAudio = song->InsertNewTrack(TRACK_MIDI, -1, 0);
    onPreview->output = preview;
    onAudio->output = audio;
    ITembriTemplate *templates = db->GetITembriTemplateNewSong(1);
    uint32_t id = 0;
    ASSERT_TRUE(templates->Save(song.get(), kNoReplace, "Shared", &id));

    // The song it loads into has the second output already: it is shared,
    // and the first comes after it in the tract.
    TestSong other;
    void *existing = other.addNamedOut("Tembri Audio");
    ASSERT_TRUE(templates->Load(other.get(), id));
    templates->Release();
    CTrack *first = other->GetTrack(onPreview->id);
    CTrack *second = other->GetTrack(onAudio->id);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(outData(other.tract(), first->output), "3:Default Preview");
    EXPECT_EQ(second->output, existing);
}

} // namespace

namespace {

// Every slow call a thread makes (a file read, a module loaded or freed)
// while it holds one of two locks.
struct LocksWatch {
    const CRITICAL_SECTION *song;
    const CRITICAL_SECTION *tract;
    int calls = 0;
    int underLock = 0;
    static void watch(void *context)
    {
        auto *w = static_cast<LocksWatch *>(context);
        ++w->calls;
        if (testing_support::heldByThisThread(*w->song) || testing_support::heldByThisThread(*w->tract))
            ++w->underLock;
    }
};

// The render thread plays under the song's lock and mixes under the
// tract's. A template load (the hibernated song's at the program's start
// too) reads the database, makes the drummers (a module loaded, an object
// created, its state read) and opens outputs without either lock; the
// song's tracks change places under the song's lock only, and the old
// tracks, their drummers and an output nobody claims go after it.
TEST_F(Items, ATemplateLoadsWithoutTheLocksTheRenderThreadTakes)
{
    TestSong song;
    void *preview = song.addNamedOut("Default Preview");
    CTrackMIDI *drums = song.addDrummerTrack();
    ASSERT_TRUE(preview && drums);
    drums->output = preview;
    ITembriTemplate *templates = db->GetITembriTemplateNewSong(1);
    uint32_t id = 0;
    ASSERT_TRUE(templates->Save(song.get(), kNoReplace, "Locks", &id));

    TestSong other;
    ASSERT_NE(other.addDrummerTrack(), nullptr);
    ASSERT_NE(other.addNamedOut("Tembri Audio"), nullptr);
    for (const char *module : {"Tindrel.dll", "Corvadel.dll"})
        ASSERT_TRUE(testing_support::installRealTimeHooks(GetModuleHandleA(module))) << module;
    LocksWatch watch{&other->GetSyncObj()->section,
                     &static_cast<CSongTract *>(other.tract())->GetSyncObj()->section};
    {
        testing_support::RealTimeCounter counter;
        counter.watchSlowCalls(&LocksWatch::watch, &watch);
        ASSERT_TRUE(templates->Load(other.get(), id));
        EXPECT_GE(counter.moduleCalls(), 4) << "drummers made and freed, outputs opened and freed";
        EXPECT_GT(counter.fileAccesses(), 0) << "the records read";
    }
    templates->Release();
    EXPECT_EQ(watch.underLock, 0) << "of " << watch.calls;
    CTrack *loaded = other->GetTrack(long(drums->id));
    ASSERT_NE(loaded, nullptr);
    ASSERT_EQ(loaded->kind, TRACK_MIDI);
    EXPECT_EQ(TestSong::drummerState(static_cast<CTrackMIDI *>(loaded)), TestSong::drummerState(drums));
    EXPECT_EQ(outData(other.tract(), loaded->output), "3:Default Preview");
    EXPECT_EQ(other->GetNumTracks(), song->GetNumTracks()) << "the old drummer track went";
    EXPECT_EQ(other.numOuts(), song.numOuts()) << "the output nobody claimed went";
}

TEST_F(Items, AnAudioEffectThatCannotBeCreatedAsksWhetherToGoOn)
{
    TestSong song;
    PRESETNOTE preset(RT_PRESET_AEFF, 0, addPort(0x60));
    preset.descr.kind = 0;
    preset.descr.SetData("No Such Effect");
    db->Lock();
    ASSERT_TRUE(db->AddNewNote(&preset));
    db->Unlock();
    std::vector<std::string> asked;
    int answer = IDNO;
    setMessageBoxHook([&](HWND, const char *text, const char *, UINT) {
        asked.push_back(text);
        return answer;
    });
    ITembriPreset *presets = db->GetITembriPresetAEff(preset.parent, 1);
    void *bus = song.tract()->GetBusByNumb(0);
    EXPECT_FALSE(presets->Apply(bus, song.tract(), preset.id, 0));
    answer = IDYES;
    EXPECT_TRUE(presets->Apply(bus, song.tract(), preset.id, 0)) << "Yes goes on";
    presets->Release();
    setMessageBoxHook({});
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0], "Can't load Quorvane Audio Effect:\n\n[No Such Effect]\n\nContinue anyway?");
    EXPECT_EQ(song.tract()->GetNextSEffect(bus, nullptr), nullptr);
}

TEST_F(Items, UpdatingANewSongTemplateReplacesItsTracksAndSubTemplates)
{
    TestSong song;
    CTrackMIDI *drums = song.addDrummerTrack();
    ASSERT_NE(drums, nullptr);
    auto *templates = static_cast<ITembriTemplate *>(db->GetITembriTemplateNewSong(1));
    uint32_t id = 0;
    ASSERT_TRUE(templates->Save(song.get(), kNoReplace, "Song", &id));
    const long drumsRecord = drums->GetDBID();
    ASSERT_NE(drums->GetDBID(), -1);

    drums->SetName("Renamed");
    CTrack *added = song->InsertNewTrack(TRACK_MIDI, -1, 0);
    ASSERT_NE(added, nullptr);
    // The update is the New Song template's own operation.
    auto *newSong = dynamic_cast<CTemplateNewSong *>(templates);
    ASSERT_NE(newSong, nullptr);
    ASSERT_TRUE(newSong->Update(song.get(), id));
    templates->Release();

    EXPECT_EQ(drums->GetDBID(), drumsRecord) << "replaced under its id";
    EXPECT_NE(added->GetDBID(), -1);
    size_t tracks = 0;
    for (const Record &r : liveRecords(*db, RT_TRACK))
        tracks += r.parent == id;
    EXPECT_EQ(tracks, 3u);
    TRACKNOTE record{uint32_t(drumsRecord)};
    db->Lock();
    ASSERT_TRUE(db->ReadNote(&record));
    EXPECT_STREQ(record.name, "Renamed");
    int tractTemplates = 0, sysexTemplates = 0, drumPresets = 0;
    for (SDBNOTE *n = db->GetFirstNote(id, 0xFF); n; n = db->GetNextNote(n, 0xFF)) {
        tractTemplates += n->type == RT_TEMPLATE_SONGTRACT;
        sysexTemplates += n->type == RT_TEMPLATE_SYSEX;
    }
    for (SDBNOTE *n = db->GetFirstNote(uint32_t(drumsRecord), RT_PRESET_MEFF); n;
         n = db->GetNextNote(n, RT_PRESET_MEFF))
        ++drumPresets;
    db->Unlock();
    EXPECT_EQ(tractTemplates, 1);
    EXPECT_EQ(sysexTemplates, 1);
    EXPECT_EQ(drumPresets, 1) << "the drummer's preset saved anew, once";
}

} // namespace
