// The program's hibernation through the equipment database library loaded
// as the program loads it (its database lies beside the test program): the
// song is saved as " *Hibernation*" with the window's state, and a second
// save replaces the first.
#include "app/equipment_database.h"
#include "sound/ssynth_elem.h"

#include "app/options/tests/dialog_answer.h"
#include "app/saved_state.h"
#include "data/song.h"
#include "data/track.h"
#include "db/library/stavrund_functions.h"
#include "sound/ssynth_elem.h"
#include "data/tests/fake_sound.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

using namespace Quorvane;

std::vector<uint8_t> stateOf(int part)
{
    SavedPartsState state{kSavedStateMagic, part, 1, {1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4}, 1, {1, 0, 1, 0}};
    std::vector<uint8_t> bytes(sizeof(state));
    std::memcpy(bytes.data(), &state, sizeof(state));
    return bytes;
}

// The song's one output names itself, as the engine's preview output does.
struct NamedTract : FakeTract {
    int GetOutDescr(void *, PORTDESCR *descriptor, int) override
    {
        descriptor->Clear(0);
        descriptor->kind = PORT_BY_NAME;
        return descriptor->SetData("Default Preview");
    }
};

struct NamedManager : FakeSoundMngr {
    IQuorvaneSongTract *CreateSongTract(CSong *) override { return &named; }
    void ReleaseSongTract(IQuorvaneSongTract *) override {}
    void InactiveSongTract(IQuorvaneSongTract *) override {}
    NamedTract named;
};

TEST(EquipmentDatabase, ASecondHibernationReplacesTheFirst)
{
    testing_support::CurrentUserOverride user;
    EquipmentDatabase database;
    NamedManager manager;
    CSong song(nullptr, &manager);
    ASSERT_EQ(song.SetDefault(), 1);
    ASSERT_TRUE(database.SaveHibernation(&song, stateOf(3).data(), 80));
    ASSERT_TRUE(database.SaveHibernation(&song, stateOf(9).data(), 80));

    // One hibernated song, holding the second state.
    ITembriTemplate *templates = CDBGetITembriTemplate(ITembriTemplate::TT_NEWSONG, 1);
    ASSERT_NE(templates, nullptr);
    int found = 0;
    uint32_t hibernated = 0, id = 0;
    char *name = nullptr;
    for (SDBNOTE *note = nullptr; (note = templates->GetNext(note, id, name)) != nullptr; name = nullptr) {
        if (name && std::strcmp(name, " *Hibernation*") == 0) {
            ++found;
            hibernated = id;
        }
        std::free(name);
    }
    EXPECT_EQ(found, 1);
    void *data = nullptr;
    uint32_t size = 0;
    ASSERT_TRUE(templates->GetData(hibernated, &data, &size));
    EXPECT_EQ(std::vector<uint8_t>(static_cast<uint8_t *>(data), static_cast<uint8_t *>(data) + size),
              stateOf(9));
    std::free(data);
    templates->Release();
}

// A template the program's check refuses does not come in: the check is
// asked with the template's tracks before the song's own go, the chooser
// says it could not load it, and the song keeps its tracks.
TEST(EquipmentDatabase, ATemplateTheCheckRefusesLeavesTheSongAsItWas)
{
    testing_support::CurrentUserOverride user;
    EquipmentDatabase database;
    NamedManager manager;
    CSong other(nullptr, &manager);
    ASSERT_EQ(other.SetDefault(), 1);
    ASSERT_NE(other.InsertNewTrack(TRACK_MIDI, 5, 0), nullptr);
    ASSERT_NE(other.InsertNewTrack(TRACK_MIDI, 6, 0), nullptr);
    ITembriTemplate *templates = CDBGetITembriTemplate(ITembriTemplate::TT_NEWSONG, 1);
    ASSERT_NE(templates, nullptr);
    uint32_t stored = kNoReplace;
    ASSERT_TRUE(templates->Save(&other, kNoReplace, "No parts here", &stored));
    templates->Release();

    CSong song(nullptr, &manager);
    ASSERT_EQ(song.SetDefault(), 1);
    CTrack *mine = song.InsertNewTrack(TRACK_MIDI, 1, 0);
    ASSERT_NE(mine, nullptr);
    std::vector<std::string> messages;
    std::vector<unsigned long> offered;
    std::vector<uint8_t> state = stateOf(3);
    bool chosen = false;
    {
        rallimoth_test::DialogAnswer answer(2015, [&](HWND dialog) {
            const LRESULT index =
                SendDlgItemMessageA(dialog, 2015, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM("No parts here"));
            rallimoth_test::choose(dialog, 2015, int(index));
            // The library shows its own boxes: the one after the load is
            // answered as a user would (its text is control 0xFFFF).
            rallimoth_test::DialogAnswer box(0xFFFF, [&](HWND shown) {
                char text[200] = {};
                GetDlgItemTextA(shown, 0xFFFF, text, sizeof(text));
                messages.push_back(text);
                rallimoth_test::press(shown, IDOK);
            });
            rallimoth_test::press(dialog, IDOK);
        });
        chosen = database.ChooseTemplate(
            &song, [] { return true; },
            [&](const CTrack *first) {
                for (const CTrack *t = first; t; t = static_cast<const CTrack *>(t->next))
                    offered.push_back(t->id);
                return false;
            },
            state, nullptr);
        EXPECT_TRUE(answer.answered());
    }
    EXPECT_TRUE(chosen) << "the chooser closes with OK after a failed load";
    EXPECT_EQ(offered, (std::vector<unsigned long>{5, 6}));
    EXPECT_EQ(messages, std::vector<std::string>{"Can't perform this operation."});
    EXPECT_EQ(song.GetNumTracks(), 2);
    EXPECT_EQ(song.GetTrack(1), mine);
}

void registerModule(const char *key, const char *name, const char *path)
{
    HKEY modules = nullptr;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &modules, nullptr),
        ERROR_SUCCESS);
    RegSetValueExA(modules, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(path),
                   DWORD(std::strlen(path) + 1));
    RegCloseKey(modules);
}

// The preset chooser opens for the stored port whose descriptor equals the
// one given (the system's own soft synths, found in the registry, are stored
// by the refresh, which takes the default stream provider's I/O parameters);
// a descriptor no stored port has opens nothing. The modules are registered
// for this test alone.
TEST(EquipmentDatabase, ThePresetChooserOpensForTheStoredPortOfTheDescriptor)
{
    testing_support::CurrentUserOverride user;
    testing_support::LocalMachineOverride machine;
    ASSERT_TRUE(machine.active());
    registerModule("Software\\Quorvane\\SoftSynth", "Default Preview", "C:\\Synths\\Preview.dll");
    registerModule("Software\\Quorvane\\AudioStreamProviders", "DirectSound", "C:\\Providers\\Sound.dll");
    EquipmentDatabase database;
    ASSERT_TRUE(database.RefreshPorts(kOwnSynthPortKind));
    PORTDESCR stored;
    {
        ITembriPort *ports = CDBGetITembriPort(kOwnSynthPortKind, 1);
        ASSERT_NE(ports, nullptr);
        uint32_t id = 0;
        long kind = 0;
        char *name = nullptr;
        const bool any = ports->GetNext(nullptr, id, kind, name, nullptr, nullptr) != nullptr;
        std::free(name);
        if (any)
            ports->GetDescr(id, &stored);
        ports->Release();
        ASSERT_TRUE(any) << "no own soft synth stored";
    }
    NamedManager manager;
    std::string title;
    {
        rallimoth_test::DialogAnswer answer(2015, [&](HWND dialog) {
            char text[300] = {};
            GetWindowTextA(dialog, text, sizeof(text));
            title = text;
            rallimoth_test::press(dialog, IDCANCEL);
        });
        EXPECT_TRUE(
            database.ChoosePreset(stored, kOutputPortKinds, nullptr, &manager.named, "Preview", nullptr));
        EXPECT_TRUE(answer.answered());
    }
    EXPECT_EQ(title, "Presets: Preview");

    // The preview output a song starts with describes the same module as
    // another kind of output: the chooser of the stored port opens.
    ASSERT_EQ(stored.kind, OUT_BY_NAME);
    PORTDESCR preview(OUT_PREVIEW);
    ASSERT_TRUE(preview.SetData(static_cast<const char *>(stored.data)));
    {
        rallimoth_test::DialogAnswer answer(2015,
                                            [](HWND dialog) { rallimoth_test::press(dialog, IDCANCEL); });
        EXPECT_TRUE(
            database.ChoosePreset(preview, kOutputPortKinds, nullptr, &manager.named, "Preview", nullptr));
        EXPECT_TRUE(answer.answered());
    }

    PORTDESCR unknown(PORT_BY_NAME);
    ASSERT_TRUE(unknown.SetData("Nobody's Synth"));
    rallimoth_test::DialogAnswer none(2015, [](HWND dialog) { rallimoth_test::press(dialog, IDCANCEL); });
    EXPECT_FALSE(
        database.ChoosePreset(unknown, kOutputPortKinds, nullptr, &manager.named, "Nobody", nullptr));
    EXPECT_FALSE(none.answered());
}

} // namespace
