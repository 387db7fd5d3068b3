// "Tembri DLS" as the sound engine loads it for an output of kind 6, against
// the tests' DLS synthesizer (registered for this program's run) and the
// test collection named as the system's General MIDI collection.
#include "outside/dls/tests/test_collection.h"
#include "outside/dls/tests/test_dls_synth.h"

#include "sound/equipment/port_enum.h"
#include "sound/module_keys.h"
#include "sound/ssynth_elem.h"
#include "sound/tests/engine_fixture.h"
#include "testing/realtime_counters.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <vector>

using namespace Quorvane;
using namespace dls_test;

namespace {

constexpr int kFrames = 256;
constexpr char kDirectMusicKey[] = "Software\\Microsoft\\DirectMusic";

HRESULT callServer(HMODULE module, const char *entry)
{
    auto call = reinterpret_cast<HRESULT(STDAPICALLTYPE *)()>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, entry)));
    return call ? call() : E_FAIL;
}

void setCollectionPath(const std::string &path)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kDirectMusicKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "GMFilePath", 0, REG_SZ, reinterpret_cast<const BYTE *>(path.c_str()),
                   DWORD(path.size() + 1));
    RegCloseKey(key);
}

void forgetCollectionPath()
{
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kDirectMusicKey, "GMFilePath");
}

void writeFile(const std::string &path, const std::vector<uint8_t> &bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
}

struct DlsSynthTest : ::testing::Test {
    static void SetUpTestSuite()
    {
        CoInitialize(nullptr);
        synthModule = LoadLibraryA((sound_test::testsFolder() + "TembriTestDLS.dll").c_str());
        ASSERT_NE(synthModule, nullptr);
        ASSERT_EQ(callServer(synthModule, "DllRegisterServer"), S_OK);
    }
    static void TearDownTestSuite()
    {
        callServer(synthModule, "DllUnregisterServer");
        FreeLibrary(synthModule);
        CoUninitialize();
    }
    void SetUp() override
    {
        sound_test::registerModule(kSoftSynthKey, "Tembri DLS",
                                   sound_test::testsFolder() + "..\\dist\\TembriDLS.dll");
        writeFile(collection, TestCollection());
        setCollectionPath(collection);
    }
    void TearDown() override
    {
        sound_test::unregisterModule(kSoftSynthKey, "Tembri DLS");
        forgetCollectionPath();
    }

    static PORTDESCR dls(const GUID &id = kTestDlsSynth)
    {
        PORTDESCR descriptor(OUT_DLS);
        descriptor.SetData(&id);
        return descriptor;
    }
    static TESTDLSSTATE state()
    {
        TESTDLSSTATE s = {};
        reinterpret_cast<TestDlsStateProc>(
            reinterpret_cast<void (*)()>(GetProcAddress(synthModule, "TestDlsState")))(&s);
        return s;
    }
    // One block through the output: its messages (bytes and frame), then the
    // render; the left channel of each frame, and whether it sounded.
    static std::vector<float> block(IQuorvaneSoftSynth *synth,
                                    const std::vector<std::pair<std::vector<uint8_t>, int>> &messages,
                                    bool *sounded = nullptr)
    {
        for (const auto &[bytes, frame] : messages)
            synth->MidiIn(bytes.data(), frame);
        std::vector<float> buffer(2 * kFrames, -1.0f);
        float *target[1] = {buffer.data()};
        const bool sound = synth->RenderReplacing(target, kFrames);
        if (sounded)
            *sounded = sound;
        std::vector<float> left(kFrames);
        for (int i = 0; i < kFrames; ++i) {
            left[size_t(i)] = sound ? buffer[size_t(2 * i)] : 0.0f;
            if (sound) {
                EXPECT_EQ(buffer[size_t(2 * i)], buffer[size_t(2 * i + 1)]) << "frame " << i;
            }
        }
        return left;
    }
    static int outputs(CSongTract *tract)
    {
        int count = 0;
        for (void *o = tract->GetNextOut(nullptr); o; o = tract->GetNextOut(o))
            ++count;
        return count;
    }

    static inline HMODULE synthModule = nullptr;
    testing_support::TempFolder folder;
    std::string collection = folder.file("gm.dls");
};

constexpr float sampleOf(int value)
{
    return float(value) / 32768.0f;
}

// A note at a known frame of a block sounds from that frame on, at either
// rate, and stops at its note-off's frame; the synthesizer was opened at the
// engine's rate with the collection downloaded.
TEST_F(DlsSynthTest, ANoteSoundsFromItsFrameAtTheEnginesRate)
{
    for (const long rate : {44100L, 48000L}) {
        SCOPED_TRACE(rate);
        sound_test::SongWithTract song(sound_test::testParams(kFrames, rate));
        PORTDESCR chosen = dls();
        void *out = song.tract()->AddNewOut(&chosen);
        ASSERT_NE(out, nullptr);
        char name[kSoundNameSize] = {};
        long instance = -1;
        EXPECT_EQ(song.tract()->GetOutInfo(out, name, instance), OUT_DLS);
        EXPECT_STREQ(name, "Tembri Test DLS");
        PORTDESCR saved;
        ASSERT_EQ(song.tract()->GetOutDescr(out, &saved, 0), 1);
        ASSERT_EQ(saved.dataSize, 16);
        EXPECT_EQ(std::memcmp(saved.data, &kTestDlsSynth, 16), 0);
        const TESTDLSSTATE opened = state();
        EXPECT_EQ(opened.rate, DWORD(rate));
        EXPECT_EQ(opened.active, 1);
        EXPECT_EQ(opened.waves, 2);
        EXPECT_EQ(opened.instruments, 2);

        IQuorvaneSoftSynth *synth = song.tract()->GetISoftSynth(out);
        bool sounded = true;
        block(synth, {}, &sounded);
        EXPECT_FALSE(sounded) << "silent before the note";
        std::vector<float> left = block(synth, {{{0x90, 60, 127}, 100}});
        EXPECT_EQ(left[99], 0.0f);
        EXPECT_EQ(left[100], sampleOf(kRampStep));
        EXPECT_EQ(left[101], sampleOf(2 * kRampStep));
        EXPECT_EQ(left[100 + kRampLength], sampleOf(kRampStep)) << "the wave again";
        left = block(synth, {{{0x80, 60, 0}, 50}});
        EXPECT_NE(left[49], 0.0f);
        EXPECT_EQ(left[50], 0.0f);
    }
}

// Both instruments and waves arrive as the collection holds them, each
// instrument naming its wave by download id; a program change plays the
// other instrument.
TEST_F(DlsSynthTest, TheCollectionIsDownloadedAndItsProgramsPlay)
{
    sound_test::SongWithTract song;
    PORTDESCR chosen = dls();
    void *out = song.tract()->AddNewOut(&chosen);
    ASSERT_NE(out, nullptr);
    const TESTDLSSTATE given = state();
    EXPECT_EQ(given.patches[0], 0u);
    EXPECT_EQ(given.patches[1], 1u);
    EXPECT_EQ(given.linkedWaves[0], 1u);
    EXPECT_EQ(given.linkedWaves[1], 2u);
    EXPECT_EQ(given.unityNotes[0], 64) << "the wave's own set-up";
    EXPECT_EQ(given.unityNotes[1], 72) << "the region's own set-up";
    EXPECT_EQ(given.loopStarts[0], 8u);
    EXPECT_EQ(given.attacks[0], kRampAttack);
    EXPECT_EQ(given.attacks[1], 0);
    const std::vector<float> left =
        block(song.tract()->GetISoftSynth(out), {{{0xC3, 1}, 0}, {{0x93, 64, 127}, 10}});
    EXPECT_EQ(left[9], 0.0f);
    EXPECT_EQ(left[10], sampleOf(kSquare));
    EXPECT_EQ(left[11], sampleOf(-kSquare));
}

// Without the system's collection (none named, its file missing or
// damaged) or without the synthesizer, the output is refused and the tract
// stays as it was.
TEST_F(DlsSynthTest, WithoutTheSynthesizerOrItsCollectionTheOutputIsRefused)
{
    sound_test::SongWithTract song;
    CSongTract *tract = song.tract();
    const int before = outputs(tract);
    std::vector<uint8_t> damaged = TestCollection();
    damaged.resize(damaged.size() / 2);
    const GUID missing = {0x8E2B4C61, 0x3F5A, 0x4D7E, {0x9B, 0x12, 0x5C, 0x6D, 0x7E, 0x8F, 0x9A, 0x0C}};
    struct Case {
        const char *what;
        std::function<void()> arrange;
        GUID synth;
    };
    const Case cases[] = {
        {"no collection named", [] { forgetCollectionPath(); }, kTestDlsSynth},
        {"its file missing", [&] { setCollectionPath(folder.file("none.dls")); }, kTestDlsSynth},
        {"its file damaged",
         [&] {
             writeFile(folder.file("damaged.dls"), damaged);
             setCollectionPath(folder.file("damaged.dls"));
         },
         kTestDlsSynth},
        {"no such synthesizer", [&] { setCollectionPath(collection); }, missing},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        c.arrange();
        PORTDESCR chosen = dls(c.synth);
        EXPECT_EQ(tract->AddNewOut(&chosen), nullptr);
        EXPECT_EQ(outputs(tract), before);
    }
    PORTDESCR good = dls();
    EXPECT_NE(tract->AddNewOut(&good), nullptr) << "with both it is made";
}

// A new sample rate opens the synthesizer again at that rate, the
// collection downloaded anew, and notes keep their frames.
TEST_F(DlsSynthTest, ANewRateOpensTheSynthesizerAgain)
{
    sound_test::SongWithTract song;
    PORTDESCR chosen = dls();
    void *out = song.tract()->AddNewOut(&chosen);
    ASSERT_NE(out, nullptr);
    const long opens = state().opens;
    IOPARAMS faster = sound_test::testParams(kFrames, 48000);
    ASSERT_EQ(song.manager->Init(&faster), 1);
    const TESTDLSSTATE reopened = state();
    EXPECT_EQ(reopened.rate, 48000u);
    EXPECT_EQ(reopened.opens, opens + 1);
    EXPECT_EQ(reopened.instruments, 2);
    const std::vector<float> left = block(song.tract()->GetISoftSynth(out), {{{0x90, 60, 127}, 7}});
    EXPECT_EQ(left[6], 0.0f);
    EXPECT_EQ(left[7], sampleOf(kRampStep));
}

// What the engine's render thread calls neither allocates nor opens files.
TEST_F(DlsSynthTest, MidiAndRenderingNeitherAllocateNorOpenFiles)
{
    sound_test::SongWithTract song;
    PORTDESCR chosen = dls();
    void *out = song.tract()->AddNewOut(&chosen);
    ASSERT_NE(out, nullptr);
    ASSERT_TRUE(testing_support::installRealTimeHooks(GetModuleHandleA("TembriDLS.dll")));
    IQuorvaneSoftSynth *synth = song.tract()->GetISoftSynth(out);
    std::vector<float> buffer(2 * kFrames);
    float *target[1] = {buffer.data()};
    int sounding = 0;
    testing_support::RealTimeCounter counter;
    for (int i = 0; i < 100; ++i) {
        const uint8_t on[3] = {0x90, 60, 100}, off[3] = {0x80, 60, 0};
        synth->MidiIn(on, 10);
        synth->MidiIn(off, 200);
        sounding += synth->RenderReplacing(target, kFrames) ? 1 : 0;
    }
    EXPECT_EQ(counter.allocations(), 0);
    EXPECT_EQ(counter.fileOpens(), 0);
    EXPECT_EQ(counter.fileAccesses(), 0);
    EXPECT_EQ(counter.kernelWaits(), 0);
    EXPECT_EQ(sounding, 100);
}

// The output chooser's DLS kind lists the registered synthesizer, by its
// description, while "Tembri DLS" is there to play it.
TEST_F(DlsSynthTest, TheChooserListsTheSynthesizer)
{
    const auto listed = [] {
        std::unique_ptr<CStructArray> ports(
            TindrelEnumPorts(ENUM_OUTPUTS, ENUM_OUT_DLS, nullptr, nullptr, nullptr));
        int found = 0;
        for (long i = 0; ports && i < ports->GetNumb(); ++i) {
            const auto *entry = static_cast<const PORTENUM *>(ports->GetElementAt(i));
            found += entry->descr.dataSize == 16 && std::memcmp(entry->descr.data, &kTestDlsSynth, 16) == 0 &&
                     std::strcmp(entry->descr.name, "Tembri Test DLS") == 0;
        }
        return found;
    };
    EXPECT_EQ(listed(), 1);
    sound_test::unregisterModule(kSoftSynthKey, "Tembri DLS");
    EXPECT_EQ(listed(), 0);
}

} // namespace
