// The soft-synth and audio-effect contracts as modules built apart from the
// engine meet them: the probe modules and the preview synthesizer, called by
// slot number and read by byte offset, not through the declarations.
#include "data/tests/state_bytes.h"
#include "sound/tests/engine_fixture.h"
#include "testing/slot_call.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

using namespace Quorvane;
using testing_support::callSlot;

namespace {

// Slots of both contracts; 5 to 7 are what each kind does with sound.
enum : int {
    kReset = 0,
    kResume = 1,
    kDestroy = 2,
    kSampleRate = 3,
    kBlockSize = 4,
    kMidiIn = 5,
    kRenderAdding = 6,
    kRenderReplacing = 7,
    kProcess = 6,
    kProcessSilence = 7,
    kSaveState = 9,
    kLoadState = 10,
    kEditorSize = 11,
    kOpenEditor = 12,
    kCloseEditor = 13,
    kVendor = 14,
    kName = 15,
    kConstant1 = 16,
    kConstant2 = 17,
    kProductName = 18,
    kStateSize = 19,
    kParamCount = 20,
    kGetParam = 21,
    kSetParam = 22,
    kText1 = 23,
    kText3 = 25,
    kSubInterface = 26,
};

// The words after the table in a 64-bit build: sample rate, block size, host
// callback and its user value.
constexpr size_t kRateAt = 8;
constexpr size_t kBlockAt = 12;
constexpr size_t kCallbackAt = 16;
constexpr size_t kUserAt = 24;

template <typename T> T &word(void *object, size_t offset)
{
    return *reinterpret_cast<T *>(static_cast<char *>(object) + offset);
}

using HostProc = void (*)(unsigned long, long, ULONG_PTR);

// A name list's record: value, then the name.
struct Item {
    int value;
    char *name;
};

// A new object from the module's entry, its words as construction leaves
// them.
void *created(HMODULE module, const char *entry)
{
    auto proc = reinterpret_cast<void *(*)(unsigned char, long)>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, entry)));
    void *object = proc ? proc(1, 128) : nullptr;
    if (object) {
        EXPECT_EQ(word<float>(object, kRateAt), 44100.0f);
        EXPECT_EQ(word<int>(object, kBlockAt), 1024);
        EXPECT_EQ(word<HostProc>(object, kCallbackAt), nullptr);
        EXPECT_EQ(word<ULONG_PTR>(object, kUserAt), 0u);
    }
    return object;
}

HMODULE probeModule()
{
    return GetModuleHandleA((sound_test::testsFolder() + "sound_probes.dll").c_str());
}

std::string savedState(void *object)
{
    return state_bytes::saved([&](Seekable::OutputStream *out) { callSlot<void>(object, kSaveState, out); });
}

void loadState(void *object, std::string bytes)
{
    state_bytes::loaded(std::move(bytes),
                        [&](Seekable::InputStream *in) { callSlot<void>(object, kLoadState, in); });
}

// Slots 3 and 4 keep their values in the second and third words; the
// module counts the calls.
void expectSetUp(void *object, float rate, int frames, const std::atomic<long> &rateCalls,
                 const std::atomic<long> &blockCalls)
{
    const long rates = rateCalls, blocks = blockCalls;
    callSlot<void>(object, kSampleRate, rate);
    EXPECT_EQ(word<float>(object, kRateAt), rate);
    EXPECT_EQ(rateCalls, rates + 1);
    callSlot<void>(object, kBlockSize, frames);
    EXPECT_EQ(word<int>(object, kBlockAt), frames);
    EXPECT_EQ(blockCalls, blocks + 1);
}

// Slots 14 to 20, which every module answers with values.
struct Answers {
    const char *vendor;
    const char *name;
    const char *productName;
    int stateSize;
    int paramCount;
};

void expectAnswers(void *object, const Answers &answers)
{
    EXPECT_STREQ(callSlot<const char *>(object, kVendor), answers.vendor);
    EXPECT_STREQ(callSlot<const char *>(object, kName), answers.name);
    EXPECT_EQ(callSlot<int>(object, kConstant1), 1);
    EXPECT_EQ(callSlot<int>(object, kConstant2), -1);
    EXPECT_STREQ(callSlot<const char *>(object, kProductName), answers.productName);
    EXPECT_EQ(callSlot<int>(object, kStateSize), answers.stateSize);
    EXPECT_EQ(callSlot<int>(object, kParamCount), answers.paramCount);
}

void expectNoEditor(void *object)
{
    int width = -1, height = -1;
    callSlot<void>(object, kEditorSize, &width, &height);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(height, 0);
    EXPECT_FALSE(callSlot<bool>(object, kOpenEditor, static_cast<HWND>(nullptr)));
    EXPECT_FALSE(callSlot<bool>(object, kCloseEditor));
}

// The probe modules start quiet and are left so.
class ModuleContract : public ::testing::Test {
protected:
    void SetUp() override { sound_test::resetProbes(); }
    void TearDown() override { sound_test::resetProbes(); }

    probe::PROBESTATE &state = sound_test::probes();
};

TEST_F(ModuleContract, TheProbeSynthAnswersInEverySlotByNumber)
{
    const long alive = state.synthsAlive, resets = state.synthResets, resumes = state.synthResumes;
    void *synth = created(probeModule(), "CreateSoftSynth");
    ASSERT_NE(synth, nullptr);
    expectSetUp(synth, 48000.0f, 64, state.synthRateCalls, state.synthBlockCalls);
    callSlot<void>(synth, kReset);
    EXPECT_EQ(state.synthResets, resets + 1);
    callSlot<void>(synth, kResume);
    EXPECT_EQ(state.synthResumes, resumes + 1);

    const uint8_t note[3] = {0x90, 60, 100};
    callSlot<void>(synth, kMidiIn, note, 5);
    ASSERT_EQ(state.messageCount, 1);
    EXPECT_EQ(state.messages[0].bytes, 0x643C90u);
    EXPECT_EQ(state.messages[0].offset, 5);

    state.synthLevel = 0.25f;
    std::vector<float> samples(8, 1.0f);
    float *buffer = samples.data();
    EXPECT_TRUE(callSlot<bool>(synth, kRenderReplacing, &buffer, 4));
    EXPECT_EQ(samples, std::vector<float>(8, 0.25f));
    EXPECT_TRUE(callSlot<bool>(synth, kRenderAdding, &buffer, 4));
    EXPECT_EQ(samples, std::vector<float>(8, 0.5f));

    state.stateValue = 0x01020304;
    EXPECT_EQ(savedState(synth), std::string("\x04\x03\x02\x01", 4));
    loadState(synth, std::string("\x08\x07\x06\x05", 4));
    EXPECT_EQ(state.loadedValue, 0x05060708);

    expectNoEditor(synth);
    expectAnswers(synth,
                  {"Quorvane", "Probe Synth", std::string(probe::kLongNameSize - 1, 'n').c_str(), 4, 1});
    callSlot<void>(synth, kSetParam, 0, 0.75f);
    EXPECT_EQ(callSlot<float>(synth, kGetParam, 0), 0.75f);
    for (int slot = kText1; slot <= kText3; ++slot) {
        char text[4] = "abc";
        callSlot<void>(synth, slot, text, 0);
        EXPECT_STREQ(text, "abc") << slot;
        callSlot<void>(synth, slot, text, 1);
        EXPECT_STREQ(text, "") << slot;
    }

    // Names (id 1): the enumeration's slots 1 to 4, then the list back (5).
    state.offerNames = 1;
    void *names = callSlot<void *>(synth, kSubInterface, 1);
    ASSERT_NE(names, nullptr);
    Item *list = nullptr;
    EXPECT_EQ(callSlot<long>(names, 1, &list), 1);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list[0].value, 3);
    EXPECT_STREQ(list[0].name, "Probe Bank");
    EXPECT_EQ(callSlot<long>(names, 2, 0L, &list), 1);
    EXPECT_STREQ(list[0].name, "Probe Program");
    EXPECT_EQ(callSlot<long>(names, 3, 0L, 0L, 9L, &list), 2);
    EXPECT_EQ(list[0].value, 36);
    EXPECT_STREQ(list[0].name, "Probe Note");
    EXPECT_EQ(callSlot<long>(names, 4, &list), 1);
    EXPECT_EQ(list[0].value, 7);
    EXPECT_STREQ(list[0].name, "Probe Controller");
    callSlot<void>(names, 5, list);

    // The host extension (id 0x4000): the instrument (slot 4), its choice (5).
    void *host = callSlot<void *>(synth, kSubInterface, 0x4000);
    ASSERT_NE(host, nullptr);
    char instrument[16] = {};
    EXPECT_TRUE(callSlot<bool>(host, 4, 0L, static_cast<void *>(instrument)));
    EXPECT_EQ(std::string(instrument, 16), std::string("probe instrumen", 16));
    state.selectResult = 0;
    EXPECT_FALSE(callSlot<bool>(host, 5, 0L, static_cast<const void *>("x")));
    state.selectResult = 1;
    EXPECT_TRUE(callSlot<bool>(host, 5, 0L, static_cast<const void *>("x")));
    EXPECT_EQ(callSlot<void *>(synth, kSubInterface, 2), nullptr);

    callSlot<void>(synth, kDestroy);
    EXPECT_EQ(state.synthsAlive, alive);
    EXPECT_EQ(state.afterDestroy, 0);
}

TEST_F(ModuleContract, TheProbeEffectAnswersInEverySlotByNumber)
{
    const long alive = state.effectsAlive;
    void *effect = created(probeModule(), "CreateAudioEffect");
    ASSERT_NE(effect, nullptr);
    expectSetUp(effect, 96000.0f, 128, state.effectRateCalls, state.effectBlockCalls);
    callSlot<void>(effect, kReset);
    callSlot<void>(effect, kResume);

    std::vector<float> samples(8, 0.0f);
    float *buffer = samples.data();
    EXPECT_TRUE(callSlot<bool>(effect, kProcess, &buffer, 4));
    EXPECT_EQ(state.effectProcess, 1);
    EXPECT_EQ(state.effectSilence, 0);
    samples[3] = 0.5f;
    EXPECT_FALSE(callSlot<bool>(effect, kProcessSilence, &buffer, 4));
    EXPECT_EQ(state.effectSilence, 1);
    EXPECT_EQ(state.effectSawAudio, 1);

    expectNoEditor(effect);
    expectAnswers(effect, {"Quorvane", "Probe Effect", "Probe Effect", 0, 0});
    EXPECT_EQ(callSlot<float>(effect, kGetParam, 0), 0.0f);
    EXPECT_EQ(callSlot<void *>(effect, kSubInterface, 0x4000), nullptr);

    callSlot<void>(effect, kDestroy);
    EXPECT_EQ(state.effectsAlive, alive);
}

// The preview synthesizer, a deliverable built apart from the engine: its
// answers by slot, and the host callback it finds in the fourth word.
TEST_F(ModuleContract, ThePreviewSynthMeetsTheContractByNumber)
{
    HMODULE module = LoadLibraryA((sound_test::testsFolder() + "Pellandor.dll").c_str());
    ASSERT_NE(module, nullptr);
    void *synth = created(module, "CreateSoftSynth");
    ASSERT_NE(synth, nullptr);

    expectAnswers(synth, {"Quorvane", "Default Preview", "Default Preview", 4, 1});
    EXPECT_NE(callSlot<void *>(synth, kSubInterface, 1), nullptr);
    EXPECT_NE(callSlot<void *>(synth, kSubInterface, 0x4000), nullptr);
    EXPECT_EQ(callSlot<void *>(synth, kSubInterface, 2), nullptr);

    std::vector<std::pair<unsigned long, long>> calls;
    word<HostProc>(synth, kCallbackAt) = [](unsigned long index, long code, ULONG_PTR user) {
        reinterpret_cast<std::vector<std::pair<unsigned long, long>> *>(user)->push_back({index, code});
    };
    word<ULONG_PTR>(synth, kUserAt) = reinterpret_cast<ULONG_PTR>(&calls);
    const float level = 90.0f;
    std::string bytes(sizeof level, '\0');
    std::memcpy(bytes.data(), &level, sizeof level);
    loadState(synth, bytes);
    EXPECT_EQ(callSlot<float>(synth, kGetParam, 0), 90.0f);
    const std::vector<std::pair<unsigned long, long>> expected = {{0ul, 0L}, {0ul, 2L}};
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(savedState(synth), bytes);

    callSlot<void>(synth, kDestroy);
    FreeLibrary(module);
}

} // namespace
