// A MIDI track whose effect chain holds the fill drummer, created by class
// id through "Tembri MFX": both modules registered in the prefix by their
// own entry points, the drummer's settings kept in a private key (the
// program maps HKEY_CURRENT_USER there). The chain is driven as playback
// drives it: online window by window, and offline over the whole track.
// What it plays is compared with a fill engine of this program playing the
// same state over the same events.
#include "base/registry.h"
#include "base/string_stream.h"
#include "data/io_params.h"
#include "data/meff_chain.h"
#include "data/song.h"
#include "data/track_midi.h"
#include "data/tests/fake_sound.h"
#include "plugin/fill/content/fill_content.h"
#include "plugin/fill/engine/fill_module.h"
#include "plugin/fill/engine/grindelvosket.h"
#include "plugin/fill/plugin/grindelvosket_ids.h"
#include "plugin/framework/plugin/qn3_request.h"
#include "plugin/framework/mfx/testing/mfx_test_host.h"
#include "testing/realtime_counters.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <ole2.h>

#include <algorithm>
#include <climits>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace Quorvane;

std::string distFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    folder = folder.substr(0, folder.find_last_of('\\')); // build\tests
    return folder.substr(0, folder.find_last_of('\\')) + "\\dist";
}

using EntryPoint = HRESULT(STDAPICALLTYPE *)();

HRESULT callEntry(HMODULE module, const char *name)
{
    auto entry = reinterpret_cast<EntryPoint>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
    return entry ? entry() : E_NOTIMPL;
}

testing_support::CurrentUserOverride *userSettings = nullptr;
HMODULE drummerModule = nullptr;
HMODULE hostModule = nullptr;

class Environment : public ::testing::Environment {
public:
    void SetUp() override
    {
        OleInitialize(nullptr);
        userSettings = new testing_support::CurrentUserOverride();
        ASSERT_TRUE(userSettings->active());
        initAppRegistry("GrindelvosketReference", nullptr, DLL_PROCESS_ATTACH, "3");
        FillModule::setDataFolder(distFolder());
        drummerModule = LoadLibraryA((distFolder() + "\\Grindelvosket.dll").c_str());
        hostModule = LoadLibraryA((distFolder() + "\\TembriMFX.dll").c_str());
        ASSERT_NE(drummerModule, nullptr);
        ASSERT_NE(hostModule, nullptr);
        ASSERT_EQ(callEntry(drummerModule, "DllRegisterServer"), S_OK);
        ASSERT_EQ(callEntry(hostModule, "DllRegisterServer"), S_OK);
    }
    void TearDown() override
    {
        if (hostModule)
            FreeLibrary(hostModule);
        if (drummerModule)
            FreeLibrary(drummerModule);
        delete userSettings;
        OleUninitialize();
    }
};

[[maybe_unused]] ::testing::Environment *const environment =
    ::testing::AddGlobalTestEnvironment(new Environment);

// The song: 4/4 at 960 ticks per quarter; the fill in bar 3 (ticks 7680 to
// 11520); six bars are played.
constexpr long kEnd = 6 * 3840;

using Played = std::tuple<int32_t, int, int, int, int32_t>; // time, channel, note, velocity, duration

class DrummerChain : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(song.SetDefault(), 1);
        track = static_cast<CTrackMIDI *>(song.InsertNewTrack(TRACK_MIDI, -1, 0));
        ASSERT_NE(track, nullptr);
        for (const auto &[time, pitch] : {std::pair{0, 40}, std::pair{3840, 43}, std::pair{9000, 45}}) {
            EVENT e;
            e.setNote(0, pitch, 90);
            e.value = 480;
            e.time = time;
            track->AddToTail(&e, 1);
        }
        track->UpdateLastTime();
        ASSERT_EQ(song.SetTimeSelection(0, kEnd), 1);

        // The state, made by an engine of this program over the same song.
        mfx_testing::HostContext maps(960);
        reference.attachHostMaps(&maps, &maps);
        reference.setupTimeBase(nullptr);
        const FillContent::FillDefinition *fill = nullptr;
        for (const FillContent::FillDefinition &f : FillContent::starterFills())
            if (f.name == "Rock 01" && f.volume.empty())
                fill = &f;
        ASSERT_NE(fill, nullptr);
        reference.setFillMeasure(3);
        reference.setOutputChannel(9);
        reference.setPattern(fill->folder, fill->fileName(), false);
        reference.setPunchRange(0, 960);
        std::string bytes;
        stringStream out(bytes);
        ASSERT_TRUE(reference.saveState(out));
        state = bytes;

        // What the engine plays of the track's notes over the whole song.
        mfx_testing::EventQueue in, played;
        for (long i = 0; i < track->GetNumb(); ++i) {
            const EVENT *e = track->GetEvent(i);
            MfxEvent m = mfx_testing::noteEvent(e->time, e->data1, e->data2, 0);
            m.duration = e->value;
            m.releaseVelocity = 0;
            in.events.push_back(m);
        }
        reference.processRange(0, kEnd - 1, &in, &played);
        reference.detachHostMaps();
        for (const MfxEvent &m : played.events)
            expected.emplace_back(m.time, m.channel, m.note, m.velocity, m.duration);
        std::sort(expected.begin(), expected.end());
    }

    PORTDESCR drummer(bool withState)
    {
        PORTDESCR d(PORT_BY_GUID);
        d.SetData(&CLSID_GrindelvosketMFX);
        if (withState)
            d.SetParams(state.data(), static_cast<long>(state.size()));
        return d;
    }

    static std::vector<Played> notes(const CEventArray *events)
    {
        std::vector<Played> out;
        for (long i = 0; events && i < events->GetNumb(); ++i) {
            const EVENT *e = events->GetEvent(i);
            if (e->IsNote())
                out.emplace_back(e->time, e->getChan(), e->data1, e->data2, e->value);
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    // Playback's part: each cell's channel messages go through the chain.
    std::vector<Played> playOnline(long cell)
    {
        std::vector<Played> all;
        EXPECT_EQ(track->effects.SetPlayState(MEFF_START, 0, INT_MAX), 1);
        for (long from = 0; from < kEnd; from += cell) {
            const long to = std::min(from + cell, kEnd);
            CEventArray input;
            for (long i = 0; i < track->GetNumb(); ++i) {
                EVENT e(*track->GetEvent(i));
                if (e.time >= from && e.time < to && e.IsShort())
                    input.AddToTail(&e, 1);
            }
            CEventArray *result = track->effects.Process(&input, from, to);
            EXPECT_NE(result, nullptr) << "the drummer is active";
            const std::vector<Played> part = notes(result ? result : &input);
            all.insert(all.end(), part.begin(), part.end());
            delete result;
        }
        EXPECT_EQ(track->effects.SetPlayState(MEFF_STOP, 0, kEnd), 1);
        std::sort(all.begin(), all.end());
        return all;
    }

    FakeSoundMngr sound;
    CSong song{nullptr, &sound};
    CTrackMIDI *track = nullptr;
    Grindelvosket reference;
    std::string state;
    std::vector<Played> expected;
};

TEST_F(DrummerChain, TheDrummerPlaysItsFillOnlineAndOffline)
{
    PORTDESCR d = drummer(true);
    auto *elem = new CMEffElem(&d, song.GetITembriSong(), track);
    ASSERT_NE(elem->effect, nullptr) << "created by class id through Tembri MFX";
    EXPECT_STREQ(elem->moduleName, "Tembri MFX");
    EXPECT_STREQ(elem->GetName(), "Quorvane Grindelvosket");
    track->effects.AddNewMEffElem(elem);

    // The fill: drum notes on channel 10 inside bar 3, besides the track's
    // own notes.
    const auto inFill = [](const Played &p) {
        return std::get<1>(p) == 9 && std::get<0>(p) >= 7680 && std::get<0>(p) < 11520;
    };
    ASSERT_GT(std::count_if(expected.begin(), expected.end(), inFill), 3) << "the engine plays a fill";

    for (const long cell : {3840L, 960L, 7L}) {
        EXPECT_EQ(playOnline(cell), expected) << "online, cells of " << cell << " ticks";
    }

    track->effects.SetOnline(0);
    ASSERT_NE(track->offlineResult, nullptr);
    EXPECT_EQ(notes(track->offlineResult), expected) << "offline";
    EXPECT_EQ(notes(track->GetPlayEvents()), expected);

    // The hosted object answers the program's private interface.
    IUnknown *object = nullptr;
    ASSERT_EQ(elem->effect->GuidOperation(MEFF_GET_OBJECT, &object, sizeof(object)), 1);
    IQN3Request *request = nullptr;
    ASSERT_EQ(object->QueryInterface(IID_IQN3Request, reinterpret_cast<void **>(&request)), S_OK);
    request->Release();
}

TEST_F(DrummerChain, TheDescriptorKeepsTheClassIdAndTheState)
{
    PORTDESCR d = drummer(true);
    CMEffElem elem(&d, song.GetITembriSong(), track);
    ASSERT_NE(elem.effect, nullptr);
    PORTDESCR saved;
    ASSERT_EQ(elem.GetMEffectDescr(&saved, 1), 1);
    EXPECT_EQ(saved.kind, PORT_BY_GUID);
    ASSERT_EQ(saved.dataSize, 16);
    EXPECT_TRUE(IsEqualGUID(*static_cast<const GUID *>(saved.data), CLSID_GrindelvosketMFX));
    ASSERT_EQ(saved.paramsSize, static_cast<long>(state.size()));
    EXPECT_EQ(std::string(static_cast<const char *>(saved.params), state.size()), state)
        << "the state comes back byte for byte";

    // A second element from the saved descriptor plays the same.
    auto *copy = new CMEffElem(&saved, song.GetITembriSong(), track);
    ASSERT_NE(copy->effect, nullptr);
    track->effects.AddNewMEffElem(copy);
    EXPECT_EQ(playOnline(960), expected);
}

// While the song plays, the chain, "Tembri MFX" and the drummers take
// nothing from the heap: two fill drummers in a row (the second one's input
// is the first one's output, out of order where both play), in cells of a
// 256-frame buffer at 120 beats per minute and of a long one.
TEST_F(DrummerChain, PlayingTakesNothingFromTheHeap)
{
    for (int i = 0; i < 2; ++i) {
        PORTDESCR d = drummer(true);
        auto *elem = new CMEffElem(&d, song.GetITembriSong(), track);
        ASSERT_NE(elem->effect, nullptr);
        track->effects.AddNewMEffElem(elem);
    }
    for (HMODULE module : {GetModuleHandleA("Corvadel.dll"), hostModule, drummerModule})
        ASSERT_TRUE(testing_support::installRealTimeHooks(module));
    constexpr long kCellEvents = 256;
    ASSERT_EQ(track->effects.ReservePlaying(kCellEvents), 1);
    CEventArray input;
    ASSERT_EQ(input.Reserve(kCellEvents), 1);
    for (const long cell : {11L, 960L}) {
        ASSERT_EQ(track->effects.SetPlayState(MEFF_START, 0, INT_MAX), 1);
        long played = 0, allocations = 0;
        {
            testing_support::RealTimeCounter counter;
            for (long from = 0; from < kEnd; from += cell) {
                const long to = std::min(from + cell, kEnd);
                input.Clear();
                for (long i = 0; i < track->GetNumb(); ++i) {
                    EVENT e = *track->GetEvent(i);
                    if (e.time >= from && e.time < to)
                        input.AddToTail(&e, 1);
                }
                const CEventArray *result = track->effects.ProcessPlaying(&input, from, to);
                played += result ? result->GetNumb() : 0;
            }
            allocations = counter.allocations();
        }
        EXPECT_EQ(track->effects.SetPlayState(MEFF_STOP, 0, kEnd), 1);
        EXPECT_GE(played, static_cast<long>(expected.size())) << "the drummers play, cells of " << cell;
        EXPECT_EQ(allocations, 0) << "cells of " << cell << " ticks";
    }
}

TEST(TembriMfxModule, RegistersItselfAmongTheMIDIEffectModules)
{
    const auto registered = [] {
        char path[MAX_PATH] = {};
        DWORD size = sizeof(path);
        if (RegGetValueA(HKEY_LOCAL_MACHINE, kMIDIEffectKey, kMfxHostModule, RRF_RT_REG_SZ, nullptr, path,
                         &size) != ERROR_SUCCESS)
            return std::string("<missing>");
        return std::string(path);
    };
    char own[MAX_PATH] = {};
    GetModuleFileNameA(hostModule, own, MAX_PATH);
    EXPECT_EQ(registered(), own);
    EXPECT_NE(GetProcAddress(hostModule, "CreateMIDIEffect"), nullptr);
    ASSERT_EQ(callEntry(hostModule, "DllUnregisterServer"), S_OK);
    EXPECT_EQ(registered(), "<missing>");
    EXPECT_EQ(callEntry(hostModule, "DllUnregisterServer"), S_OK) << "twice is fine";
    ASSERT_EQ(callEntry(hostModule, "DllRegisterServer"), S_OK);
    EXPECT_EQ(registered(), own);
}

TEST_F(DrummerChain, WhatCannotBeBoundLeavesAnElementWithoutEffect)
{
    PORTDESCR unknown(PORT_BY_GUID);
    const GUID nobody = {0x12345678, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
    unknown.SetData(&nobody);
    CMEffElem notRegistered(&unknown, song.GetITembriSong(), track);
    EXPECT_EQ(notRegistered.effect, nullptr);
    EXPECT_STREQ(notRegistered.GetName(), "Tembri MFX");

    PORTDESCR damaged = drummer(false);
    const char garbage[] = "not a drummer state";
    damaged.SetParams(garbage, sizeof(garbage));
    CMEffElem refused(&damaged, song.GetITembriSong(), track);
    EXPECT_EQ(refused.effect, nullptr) << "the drummer refuses the state";

    PORTDESCR noSong = drummer(false);
    CMEffElem withoutSong(&noSong, nullptr, track);
    EXPECT_EQ(withoutSong.effect, nullptr) << "a host context needs the song";
}

} // namespace
