// The MIDI effect's slot order as a module built apart from the song meets
// it: the tests' effect module, called by slot number.
#include "data/stream_buffer.h"
#include "data/tests/effect_slots.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

using namespace Quorvane;
using namespace effect_slots;

namespace {

using CreateFn = IQuorvaneMIDIEffect *(*)();
using LogFn = const char *(*)(long *);

struct TestEffectModule {
    TestEffectModule() : module(LoadLibraryA("TestEffect.zql")) {}
    ~TestEffectModule() { FreeLibrary(module); }
    template <typename Proc> Proc entry(const char *name) const
    {
        return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
    }
    std::string log() const { return entry<LogFn>("TestEffectLog")(nullptr); }
    HMODULE module;
};

TEST(MidiEffectSlots, TheTestModuleAnswersInEverySlotByNumber)
{
    TestEffectModule module;
    ASSERT_NE(module.module, nullptr);
    IQuorvaneMIDIEffect *effect = module.entry<CreateFn>("CreateMIDIEffect")();
    ASSERT_NE(effect, nullptr);
    module.log();

    void *asked = &asked;
    EXPECT_EQ(call<HRESULT>(effect, kQueryInterface, &IID_IUnknown, &asked), E_NOINTERFACE);
    EXPECT_EQ(asked, nullptr);
    EXPECT_EQ(call<ULONG>(effect, kAddRef), 2u);
    EXPECT_EQ(call<ULONG>(effect, kRelease), 1u);
    int host = 0, owner = 0;
    EXPECT_EQ(call<int>(effect, kInit, static_cast<void *>(&host), static_cast<void *>(&owner)), 1);
    call<void>(effect, kSetOnline, 1);
    EXPECT_EQ(call<int>(effect, kSetPlayState, 0L, 0L, 960L), 1);
    EXPECT_EQ(module.log(), "init online1 play0(0,960) ");

    // A note moves up by the state, an octave.
    InQueue in;
    in.from = 0;
    in.to = 960;
    EVENT note;
    note.setNote(0, 60, 100);
    note.time = 480;
    in.events.push_back(note);
    OutQueue out;
    EXPECT_EQ(call<int>(effect, kProcess, static_cast<ITembriMEInQueue *>(&in),
                        static_cast<ITembriMEOutQueue *>(&out)),
              1);
    EXPECT_EQ(module.log(), "process(0,960) ");
    ASSERT_EQ(out.events.size(), 1u);
    EXPECT_EQ(out.events[0].data1, 72);

    // The state: one 32-bit value, written and read back.
    StreamBuffer *buffer = new StreamBuffer(new StreamAllocator);
    {
        BufferStream stream(buffer);
        EXPECT_EQ(call<int>(effect, kSaveState, static_cast<Seekable::OutputStream *>(&stream)), 1);
        EXPECT_EQ(stream.length(), 4u);
        const int32_t fifth = 7;
        stream.seek(0, 0);
        stream.writeBytes(&fifth, 4);
        stream.seek(0, 0);
        EXPECT_EQ(call<int>(effect, kLoadState, static_cast<Seekable::InputStream *>(&stream)), 1);
    }
    buffer->release();
    out.events.clear();
    EXPECT_EQ(call<int>(effect, kProcess, static_cast<ITembriMEInQueue *>(&in),
                        static_cast<ITembriMEOutQueue *>(&out)),
              1);
    ASSERT_EQ(out.events.size(), 1u);
    EXPECT_EQ(out.events[0].data1, 67);
    EXPECT_EQ(module.log(), "process(0,960) ");

    long width = -1, height = -1;
    EXPECT_EQ(call<int>(effect, kEditorSize, &width, &height), 0) << "no editor";
    EXPECT_EQ(call<int>(effect, kOpenEditor, static_cast<HWND>(nullptr)), 0);
    call<void>(effect, kCloseEditor);
    EXPECT_STREQ(call<const char *>(effect, kName), "Octaver");
    GUID guid = {};
    EXPECT_EQ(call<int>(effect, kGuidOperation, static_cast<long>(MEFF_GET_GUID), static_cast<void *>(&guid),
                        static_cast<long>(sizeof guid)),
              0)
        << "a module by name has no class id";
    for (int slot : kUnused)
        EXPECT_EQ(call<long>(effect, slot), 0) << "slot " << slot;
    EXPECT_EQ(module.log(), "");
    EXPECT_EQ(call<ULONG>(effect, kRelease), 0u);
}

} // namespace
