#include "data/io_params.h"
#include "data/meff_chain.h"
#include "data/track_midi.h"

#include "data/tests/song_fixture.h"
#include "testing/realtime_counters.h"
#include "testing/sandbox.h"

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

using namespace Quorvane;

namespace {

// An effect living in the test: adds a fixed amount to every note's pitch,
// or refuses to process.
class FakeEffect : public IQuorvaneMIDIEffect {
public:
    explicit FakeEffect(int add, std::vector<std::string> *calls) : add(add), calls(calls) {}
    HRESULT QueryInterface(REFIID, void **) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override { return --references; } // the test owns it
    int Init(void *, void *) override { return 1; }
    void SetOnline(int on) override { online = on; }
    int SetPlayState(long state, long a, long b) override
    {
        calls->push_back(name + " play" + std::to_string(state) + " " + std::to_string(a) + " " +
                         std::to_string(b));
        return 1;
    }
    int Process(ITembriMEInQueue *in, ITembriMEOutQueue *out) override
    {
        long from, to;
        in->GetTimeBounds(from, to);
        calls->push_back(name + " process " + std::to_string(from) + " " + std::to_string(to));
        for (long i = in->GetNumb() - 1; i >= 0; --i) { // backwards: the chain sorts
            EVENT e = *in->GetEvent(i);
            e.data1 = static_cast<uint8_t>(e.data1 + add);
            out->AddEvent(&e, 1);
        }
        return !fails;
    }
    int SaveState(Seekable::OutputStream *) override { return 1; }
    int LoadState(Seekable::InputStream *) override { return 1; }
    int GetEditorSize(long &, long &) override { return 0; }
    int OpenEditor(HWND) override { return 0; }
    void CloseEditor() override {}
    const char *GetName() override { return name.c_str(); }
    int GuidOperation(long, void *, long) override { return 0; }

    int add;
    std::vector<std::string> *calls;
    std::string name = "fx" + std::to_string(add);
    ULONG references = 1;
    int online = -1;
    bool fails = false;
};

class EffectChain : public SongFixture {
protected:
    void SetUp() override
    {
        SongFixture::SetUp();
        track = add<CTrackMIDI>(TRACK_MIDI);
        put(track, note(0, 60, 100, 100), 0);
        put(track, note(0, 62, 100, 100), 480);
    }
    // An element holding an effect of the test's own.
    CMEffElem *element(FakeEffect &effect)
    {
        PORTDESCR none;
        auto *elem = new CMEffElem(&none, nullptr, nullptr);
        elem->effect = &effect;
        return elem;
    }
    std::string pitches(const CEventArray *events) const
    {
        std::string out;
        for (long i = 0; events && i < events->GetNumb(); ++i)
            out += std::to_string(events->GetEvent(i)->time) + ":" +
                   std::to_string(events->GetEvent(i)->data1) + " ";
        return out;
    }
    CTrackMIDI *track = nullptr;
    std::vector<std::string> calls;
};

TEST_F(EffectChain, ActiveEffectsProcessInOrderAndInactiveOnesAreSkipped)
{
    FakeEffect plusOne(1, &calls), plusTen(10, &calls);
    CMEffElem *first = element(plusOne);
    track->effects.AddNewMEffElem(first);
    track->effects.AddNewMEffElem(element(plusTen));
    EXPECT_EQ(plusOne.references, 2u) << "the chain holds a reference";
    EXPECT_EQ(plusOne.online, 1);
    EXPECT_EQ(plusOne.paramChangedUser, track);
    EXPECT_EQ(track->effects.GetNumEffects(), 2);

    CEventArray *out = track->effects.Process(track, 0, 960);
    EXPECT_EQ(pitches(out), "0:71 480:73 ") << "sorted after each effect";
    delete out;
    EXPECT_EQ(calls, (std::vector<std::string>{"fx1 process 0 960", "fx10 process 0 960"}));
    EXPECT_EQ(pitches(track), "0:60 480:62 ") << "the input stays";

    track->effects.ActiveMEffElem(first);
    out = track->effects.Process(track, 0, 960);
    EXPECT_EQ(pitches(out), "0:70 480:72 ");
    delete out;

    track->effects.ActiveMEffElem(static_cast<CMEffElem *>(first->next));
    EXPECT_EQ(track->effects.active, 0);
    EXPECT_EQ(track->effects.Process(track, 0, 960), nullptr) << "nothing active: the track plays itself";

    track->effects.DeleteMEffElem(first);
    EXPECT_EQ(plusOne.references, 0u) << "both references went";
    track->effects.Clear(nullptr);
    EXPECT_EQ(plusTen.references, 0u);
}

TEST_F(EffectChain, AFailingEffectEndsTheChainWithItsOwnOutput)
{
    FakeEffect plusOne(1, &calls), plusTen(10, &calls);
    plusOne.fails = true;
    track->effects.AddNewMEffElem(element(plusOne));
    track->effects.AddNewMEffElem(element(plusTen));
    CEventArray *out = track->effects.Process(track, 0, 960);
    EXPECT_EQ(pitches(out), "0:61 480:63 ");
    EXPECT_EQ(calls.size(), 1u);
    delete out;
    track->effects.Clear(nullptr);
}

TEST_F(EffectChain, OfflineTheWholeTrackIsProcessedAfterEveryChange)
{
    FakeEffect plusOne(1, &calls);
    int modified = 0;
    song.SetUpdateModifiedFn([](ULONG_PTR user) { ++*reinterpret_cast<int *>(user); },
                             reinterpret_cast<ULONG_PTR>(&modified));
    track->effects.SetOnline(0);
    EXPECT_EQ(track->offlineResult, nullptr);
    track->effects.AddNewMEffElem(element(plusOne));
    EXPECT_EQ(plusOne.online, 0);
    EXPECT_EQ(pitches(track->offlineResult), "0:61 480:63 ");
    EXPECT_EQ(pitches(track->GetPlayEvents()), "0:61 480:63 ");
    const long end = song.GetTrackMaster()->GetTimeFromMBT(4, 0, 0); // an empty song: four bars
    EXPECT_EQ(calls, (std::vector<std::string>{"fx1 play0 0 " + std::to_string(end),
                                               "fx1 process 0 " + std::to_string(end),
                                               "fx1 play1 0 " + std::to_string(end)}));
    EXPECT_EQ(modified, 1);

    calls.clear();
    put(track, note(0, 70, 100, 10), 900);
    track->UpdateEdition();
    EXPECT_EQ(pitches(track->offlineResult), "0:61 480:63 900:71 ");
    EXPECT_EQ(modified, 2);
    track->UpdateEdition();
    EXPECT_EQ(modified, 2) << "the same result changes nothing";

    // The effect reports a change: offline, the track is processed again.
    plusOne.add = 2;
    plusOne.paramChanged(plusOne.paramChangedUser, 1);
    EXPECT_EQ(pitches(track->offlineResult), "0:61 480:63 900:71 ") << "only code 2 counts";
    plusOne.paramChanged(plusOne.paramChangedUser, MEFF_PARAM_CHANGED);
    EXPECT_EQ(pitches(track->offlineResult), "0:62 480:64 900:72 ");

    // Online again: the cached result goes; nothing plays, so no play state.
    calls.clear();
    track->effects.SetOnline(1);
    EXPECT_EQ(track->offlineResult, nullptr);
    EXPECT_EQ(plusOne.online, 1);
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(track->GetPlayEvents(), track);
    const int before = modified;
    plusOne.paramChanged(plusOne.paramChangedUser, MEFF_PARAM_CHANGED);
    EXPECT_EQ(modified, before + 1) << "online a change marks the song modified";
    track->effects.Clear(nullptr);
}

TEST_F(EffectChain, OnlineWhilePlayingEffectsLearnThePlayState)
{
    FakeEffect plusOne(1, &calls), plusTen(10, &calls);
    sound.playing = 1;
    song.currentTick = 1000;
    track->timeOffset = 100;
    CMEffElem *first = element(plusOne);
    track->effects.AddNewMEffElem(first);
    track->effects.ActiveMEffElem(first);
    track->effects.ActiveMEffElem(first);
    track->effects.AddNewMEffElem(element(plusTen), first);
    EXPECT_EQ(calls, (std::vector<std::string>{"fx1 play0 900 2147483647", "fx1 play1 0 900",
                                               "fx1 play0 900 2147483647", "fx10 play0 900 2147483647"}));
    track->effects.MoveMEffElem(first, 0);
    EXPECT_EQ(track->effects.GetFirstElem()->effect, &plusTen);
    track->effects.Clear(nullptr);
}

// A cell far denser than the room every track gets at a start beyond its
// own events, put out by the effect in reverse: the chain's arrays and
// their sort take nothing from the heap on the render thread.
TEST_F(EffectChain, ADenseCellWhilePlayingTakesNothingFromTheHeap)
{
    FakeEffect plusOne(1, &calls);
    track->effects.AddNewMEffElem(element(plusOne));
    constexpr long kNotes = 1000;
    for (long i = 0; i < kNotes; ++i) {
        EVENT e = note(i % 16, 40 + i % 40, 100, 10);
        e.time = static_cast<int32_t>(i % 8);
        track->AddToTail(&e, 1);
    }
    track->Sort();
    calls.reserve(8);
    ASSERT_EQ(song.OnStartPlayback(), 1);
    ASSERT_TRUE(testing_support::installRealTimeHooks(GetModuleHandleA("Corvadel.dll")));
    const CEventArray *out = nullptr;
    long allocations = -1;
    std::thread render([&] {
        testing_support::RealTimeCounter counter;
        out = track->effects.ProcessPlaying(track, 0, 8);
        allocations = counter.allocations();
    });
    render.join();
    EXPECT_EQ(allocations, 0);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->GetNumb(), kNotes + 2) << "the notes and the fixture's two";
    for (long i = 1; out && i < out->GetNumb(); ++i)
        ASSERT_FALSE(EventBefore(*out->GetEvent(i), *out->GetEvent(i - 1))) << "at " << i;
    song.OnStopPlayback();
    track->effects.Clear(nullptr);
}

// An effect that notes whether the song's lock was held when it heard of
// the play state and when it was let go.
// With a chain to look at, it notes too whether playback would run it then.
class LockNotingEffect : public FakeEffect {
public:
    LockNotingEffect(CSong &song, std::vector<std::string> *calls, const CMEffChain *chain = nullptr)
        : FakeEffect(0, calls), song(song), chain(chain)
    {
    }
    void SetOnline(int on) override
    {
        note("online" + std::to_string(on));
        FakeEffect::SetOnline(on);
    }
    int SetPlayState(long state, long a, long b) override
    {
        note("play" + std::to_string(state));
        return FakeEffect::SetPlayState(state, a, b);
    }
    ULONG Release() override
    {
        note("release");
        return FakeEffect::Release();
    }
    void note(const std::string &what)
    {
        (testing_support::heldByThisThread(song.GetSyncObj()->section) ? underLock : free).push_back(what);
        if (chain && playedNow())
            played.push_back(what);
    }
    // Whether playback would run the effect now: online, in the chain and
    // active.
    bool playedNow() const
    {
        for (const CMEffElem *e = chain->GetFirstElem(); e; e = static_cast<const CMEffElem *>(e->next))
            if (e->effect == this)
                return chain->IsOnline() && e->IsActive();
        return false;
    }

    CSong &song;
    const CMEffChain *chain;
    std::vector<std::string> underLock, free;
    // What it heard while playback would run it.
    std::vector<std::string> played;
};

// The render thread plays the chain under the song's lock. While the song
// plays, an effect (a drummer, in the program) added, switched on or off,
// or taken online or offline is told so without the lock: of its start
// before playback runs it, of its stop and of going offline once playback
// no longer does.
TEST_F(EffectChain, WhilePlayingEffectsAreToldWithoutTheSongLock)
{
    LockNotingEffect effect(song, &calls, &track->effects);
    sound.playing = 1;
    CMEffElem *elem = element(effect);
    track->effects.AddNewMEffElem(elem);
    EXPECT_EQ(track->effects.active, 1);
    track->effects.ActiveMEffElem(elem);
    EXPECT_EQ(track->effects.active, 0);
    track->effects.ActiveMEffElem(elem);
    track->effects.SetOnline(0);
    track->effects.SetOnline(1);
    track->effects.MoveMEffElem(elem, 1);
    track->effects.DeleteMEffElem(elem);
    EXPECT_EQ(track->effects.GetNumEffects(), 0);
    // Offline, the chain runs its effects over the track from start to
    // stop at once; playback does not run them then.
    EXPECT_EQ(effect.free, (std::vector<std::string>{"online1", "play0", "play1", "play0", "online0", "play0",
                                                     "play1", "online1", "play0", "release", "release"}));
    EXPECT_EQ(effect.underLock, std::vector<std::string>{});
    EXPECT_EQ(effect.played, std::vector<std::string>{}) << "told before playback runs it, or after";
    EXPECT_EQ(effect.references, 0u);
}

// The render thread plays under the song's lock; what an effect does at a
// start or stop, and its going with its track, are the effect's own code
// (a drummer looks for its host's windows, a module is freed) and never run
// with the lock held.
TEST_F(EffectChain, EffectsHearOfTheTransportAndGoWithoutTheSongLock)
{
    LockNotingEffect effect(song, &calls);
    track->effects.AddNewMEffElem(element(effect));
    ASSERT_EQ(song.OnStartPlayback(), 1);
    song.OnStopPlayback();
    EXPECT_EQ(effect.free, (std::vector<std::string>{"online1", "play0", "play1"}));
    song.ZeroSong();
    EXPECT_EQ(song.GetNumTracks(), 1) << "the track went";
    EXPECT_EQ(effect.underLock, std::vector<std::string>{});
    EXPECT_EQ(std::count(effect.free.begin(), effect.free.end(), "release"), 2)
        << "the chain's reference and the element's";
}

// --- modules by name --------------------------------------------------------------

std::string effectLog(long *live = nullptr)
{
    HMODULE module = GetModuleHandleA("TestEffect.zql");
    if (!module)
        return "<not loaded>";
    using LogFn = const char *(*)(long *);
    auto fn = reinterpret_cast<LogFn>(reinterpret_cast<void (*)()>(GetProcAddress(module, "TestEffectLog")));
    return fn ? fn(live) : "<no log>";
}

PORTDESCR byName(const char *name)
{
    PORTDESCR d(PORT_BY_NAME);
    d.SetData(name);
    return d;
}

TEST_F(EffectChain, AModuleBesideTheProgramIsFoundByItsName)
{
    HMODULE keep = LoadLibraryA("TestEffect.zql"); // for its log after the elements let go
    PORTDESCR d = byName("TestEffect");
    auto *elem = new CMEffElem(&d, song.GetITembriSong(), track);
    ASSERT_NE(elem->effect, nullptr);
    EXPECT_STREQ(elem->GetName(), "Octaver");
    EXPECT_EQ(effectLog(), "create init ");
    track->effects.AddNewMEffElem(elem);
    CEventArray *out = track->effects.Process(track, 0, 960);
    EXPECT_EQ(pitches(out), "0:72 480:74 ");
    delete out;

    // Its state goes into a descriptor and back.
    PORTDESCR saved;
    ASSERT_EQ(elem->GetMEffectDescr(&saved, 1), 1);
    EXPECT_EQ(saved.kind, PORT_BY_NAME);
    EXPECT_STREQ(static_cast<const char *>(saved.data), "TestEffect");
    ASSERT_EQ(saved.paramsSize, 4);
    const int32_t fifth = 7;
    saved.SetParams(&fifth, 4);
    auto *second = new CMEffElem(&saved, song.GetITembriSong(), track);
    ASSERT_NE(second->effect, nullptr);
    track->effects.AddNewMEffElem(second);
    out = track->effects.Process(track, 0, 960);
    EXPECT_EQ(pitches(out), "0:79 480:81 ");
    delete out;

    // A state the effect refuses: a live element answers 0 and plays on
    // with the state it had.
    const int32_t wild = 99;
    saved.SetParams(&wild, 4);
    EXPECT_EQ(second->SetMEffectState(&saved), 0);
    out = track->effects.Process(track, 0, 960);
    EXPECT_EQ(pitches(out), "0:79 480:81 ");
    delete out;
    const int32_t fourth = 5;
    PORTDESCR taken;
    ASSERT_EQ(second->GetMEffectDescr(&taken, 1), 1);
    taken.SetParams(&fourth, 4);
    EXPECT_EQ(second->SetMEffectState(&taken), 1) << "a state it takes";

    // A new element given such a state is left without an effect.
    CMEffElem refused(&saved, song.GetITembriSong(), track);
    EXPECT_EQ(refused.effect, nullptr);
    EXPECT_STREQ(refused.GetName(), "TestEffect");
    EXPECT_EQ(refused.SetMEffectState(&saved), 0);
    EXPECT_EQ(refused.GetMEffectDescr(&saved, 1), 0);

    long live = -1;
    track->effects.Clear(nullptr);
    effectLog(&live);
    EXPECT_EQ(live, 0) << "every effect released";
    FreeLibrary(keep);
}

TEST_F(EffectChain, RegisteredModulesAreFoundUnderTheirName)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string modulePath = path;
    modulePath = modulePath.substr(0, modulePath.find_last_of('\\') + 1) + "TestEffect.zql";
    const std::string name = testing_support::uniqueName("Registered Effect");
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMIDIEffectKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE *>(modulePath.c_str()),
                   static_cast<DWORD>(modulePath.size() + 1));
    PORTDESCR d = byName(name.c_str());
    {
        CMEffElem elem(&d, song.GetITembriSong(), track);
        EXPECT_NE(elem.effect, nullptr);
    }
    RegDeleteValueA(key, name.c_str());
    RegCloseKey(key);
    CMEffElem missing(&d, song.GetITembriSong(), track);
    EXPECT_EQ(missing.effect, nullptr) << "neither registered nor beside the program";
    EXPECT_STREQ(missing.GetName(), name.c_str());
}

// Stored names are names: a path reaching anywhere is refused before
// anything is loaded, even where it would find a module.
TEST_F(EffectChain, NamesWithSeparatorsOrParentFoldersAreRefused)
{
    for (const char *name : {"..\\tests\\TestEffect", "../tests/TestEffect", ".\\TestEffect",
                             "sub/TestEffect", "Z:TestEffect", "..TestEffect"}) {
        effectLog();
        PORTDESCR d = byName(name);
        CMEffElem elem(&d, song.GetITembriSong(), track);
        EXPECT_EQ(elem.effect, nullptr) << name;
        EXPECT_EQ(effectLog(), GetModuleHandleA("TestEffect.zql") ? "" : "<not loaded>") << name;
    }
    EXPECT_EQ(IsPlainModuleName("TestEffect"), 1);
    EXPECT_EQ(IsPlainModuleName(""), 0);
    EXPECT_EQ(IsPlainModuleName(nullptr), 0);
}

// The build puts a copy of the test module beside the tests under the test
// program's own name.
TEST_F(EffectChain, WithoutANameTheProgramsOwnNameIsTheModule)
{
    PORTDESCR d(PORT_BY_NAME);
    CMEffElem elem(&d, song.GetITembriSong(), track);
    EXPECT_NE(elem.effect, nullptr) << "corvadel_tests.zql";
    PORTDESCR other(7);
    CMEffElem empty(&other, nullptr, nullptr);
    EXPECT_EQ(empty.moduleName, nullptr);
}

} // namespace
