// The program's hibernation through the equipment database library loaded
// as the program loads it (its database lies beside the test program): the
// song is saved as " *Hibernation*" with the window's state, and a second
// save replaces the first.
#include "app/equipment_database.h"
#include "sound/ssynth_elem.h"

#include "app/options/tests/dialog_answer.h"
#include "app/saved_state.h"
#include "data/song.h"
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

// The preset chooser opens for the stored port whose descriptor equals the
// one given (the system's own soft synths are stored by the refresh); a
// descriptor no stored port has opens nothing.
TEST(EquipmentDatabase, ThePresetChooserOpensForTheStoredPortOfTheDescriptor)
{
    testing_support::CurrentUserOverride user;
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
