// "Tembri MFX" as a song's MIDI-effect element meets it, called by slot
// number: the fill drummer bound by class id, its name, state and play
// state, and the slots no caller uses. The module and the drummer are
// registered by this program's environment.
#include "data/song.h"
#include "data/tests/effect_slots.h"
#include "data/tests/fake_sound.h"
#include "data/tests/state_bytes.h"
#include "data/track_midi.h"
#include "plugin/fill/plugin/grindelvosket_ids.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using namespace Quorvane;
using namespace effect_slots;

using CreateFn = IQuorvaneMIDIEffect *(*)();

std::string hostModulePath()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    folder = folder.substr(0, folder.find_last_of('\\')); // build\tests
    return folder.substr(0, folder.find_last_of('\\')) + "\\dist\\TembriMFX.dll";
}

// The state as the effect saves it.
std::string savedState(IQuorvaneMIDIEffect *effect, int &result)
{
    return state_bytes::saved(
        [&](Seekable::OutputStream *out) { result = call<int>(effect, kSaveState, out); });
}

int loadState(IQuorvaneMIDIEffect *effect, std::string bytes)
{
    return state_bytes::loaded(std::move(bytes),
                               [&](Seekable::InputStream *in) { return call<int>(effect, kLoadState, in); });
}

TEST(TembriMfxSlots, TheModuleHostsTheDrummerThroughTheSlotNumbers)
{
    HMODULE module = LoadLibraryA(hostModulePath().c_str());
    ASSERT_NE(module, nullptr);
    auto create =
        reinterpret_cast<CreateFn>(reinterpret_cast<void (*)()>(GetProcAddress(module, "CreateMIDIEffect")));
    ASSERT_NE(create, nullptr);
    FakeSoundMngr sound;
    CSong song{nullptr, &sound};
    ASSERT_EQ(song.SetDefault(), 1);
    CTrack *track = song.InsertNewTrack(TRACK_MIDI, -1, 0);
    ASSERT_NE(track, nullptr);

    IQuorvaneMIDIEffect *effect = create();
    ASSERT_NE(effect, nullptr);
    IUnknown *unknown = nullptr;
    EXPECT_EQ(call<HRESULT>(effect, kQueryInterface, &IID_IUnknown, reinterpret_cast<void **>(&unknown)),
              S_OK);
    EXPECT_EQ(static_cast<void *>(unknown), static_cast<void *>(effect));
    EXPECT_EQ(call<ULONG>(effect, kRelease), 1u);
    EXPECT_EQ(call<ULONG>(effect, kAddRef), 2u);
    EXPECT_EQ(call<ULONG>(effect, kRelease), 1u);

    GUID guid = CLSID_GrindelvosketMFX;
    const long guidSize = static_cast<long>(sizeof guid);
    EXPECT_EQ(call<int>(effect, kGuidOperation, static_cast<long>(MEFF_BIND_GUID), static_cast<void *>(&guid),
                        guidSize),
              0)
        << "not before it has its song";
    EXPECT_EQ(call<const char *>(effect, kName), nullptr);
    EXPECT_EQ(
        call<int>(effect, kInit, static_cast<void *>(song.GetITembriSong()), static_cast<void *>(track)), 1);
    EXPECT_EQ(call<int>(effect, kGuidOperation, static_cast<long>(MEFF_BIND_GUID), static_cast<void *>(&guid),
                        guidSize),
              1);
    GUID back = {};
    EXPECT_EQ(call<int>(effect, kGuidOperation, static_cast<long>(MEFF_GET_GUID), static_cast<void *>(&back),
                        guidSize),
              1);
    EXPECT_TRUE(IsEqualGUID(back, CLSID_GrindelvosketMFX));
    IUnknown *object = nullptr;
    EXPECT_EQ(call<int>(effect, kGuidOperation, static_cast<long>(MEFF_GET_OBJECT),
                        static_cast<void *>(&object), static_cast<long>(sizeof object)),
              1);
    EXPECT_NE(object, nullptr);
    EXPECT_STREQ(call<const char *>(effect, kName), "Quorvane Grindelvosket");

    int saved = 0;
    const std::string state = savedState(effect, saved);
    EXPECT_EQ(saved, 1);
    EXPECT_FALSE(state.empty());
    EXPECT_EQ(loadState(effect, state), 1);
    EXPECT_EQ(loadState(effect, "not a drummer state"), 0);

    call<void>(effect, kSetOnline, 1);
    EXPECT_EQ(call<int>(effect, kSetPlayState, static_cast<long>(MEFF_START), 0L, 3840L), 1);
    InQueue in;
    in.from = 0;
    in.to = 960;
    EVENT note;
    note.setNote(0, 60, 100);
    note.value = 240;
    note.time = 0;
    in.events.push_back(note);
    OutQueue out;
    EXPECT_EQ(call<int>(effect, kProcess, static_cast<ITembriMEInQueue *>(&in),
                        static_cast<ITembriMEOutQueue *>(&out)),
              1);
    EXPECT_FALSE(out.events.empty()) << "the drummer passes the track's note on";
    EXPECT_EQ(call<int>(effect, kSetPlayState, static_cast<long>(MEFF_STOP), 0L, 960L), 1);

    long width = 0, height = 0;
    EXPECT_EQ(call<int>(effect, kEditorSize, &width, &height), 1) << "the drummer's property page";
    EXPECT_GT(width, 0);
    EXPECT_GT(height, 0);
    EXPECT_EQ(call<int>(effect, kOpenEditor, static_cast<HWND>(nullptr)), 0) << "no parent, no editor";
    call<void>(effect, kCloseEditor);
    for (int slot : kUnused)
        EXPECT_EQ(call<long>(effect, slot), 0) << "slot " << slot;
    EXPECT_EQ(call<ULONG>(effect, kRelease), 0u);
    FreeLibrary(module);
}

} // namespace
