#include "bridge/vst/bridge_vst_effect.h"

#include "base/message_box.h"
#include "bridge/common/tests/recorder_fixture.h"
#include "bridge/vst/tests/test_vst_host.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace Halvorin;
using namespace halvorin_test;
using namespace vst_test;

namespace {

struct Box {
    std::string text, caption;
    UINT type;
};

// A host with the recording provider registered, and message boxes that
// the test answers.
class VstEffectTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(recorder.Ready());
        recorder.SetUp(2, nullptr);
        Quorvane::setMessageBoxHook([this](HWND owner, const char *text, const char *caption, UINT type) {
            EXPECT_EQ(owner, nullptr);
            boxes.push_back({text, caption, type});
            return answer;
        });
    }
    void TearDown() override
    {
        if (effect)
            Dispatch(effect, vst2::effClose);
        Quorvane::setMessageBoxHook({});
    }
    // A created and resumed plug-in; the provider's calls so far taken.
    void create()
    {
        effect = CBridgeVstEffect::Create(TestVstHost::Callback);
        ASSERT_NE(effect, nullptr);
        Dispatch(effect, vst2::effMainsChanged, 1);
        recorder.Take();
    }
    void processReplacing(int32_t frames)
    {
        left.assign(frames + 1, 7.0f);
        right.assign(frames + 1, 7.0f);
        float *outputs[] = {left.data(), right.data()};
        effect->processReplacing(effect, nullptr, outputs, frames);
    }
    void events(EventList &list) { Dispatch(effect, vst2::effProcessEvents, 0, list.Get()); }

    Recorder recorder;
    TestVstHost host;
    std::vector<Box> boxes;
    int answer = IDOK;
    vst2::Effect *effect = nullptr;
    std::vector<float> left, right;
};

TEST_F(VstEffectTest, TheEntryRefusesWhatCannotDriveTheProgram)
{
    host.version = 0;
    EXPECT_EQ(CBridgeVstEffect::Create(TestVstHost::Callback), nullptr) << "no VST 2 host";
    EXPECT_TRUE(boxes.empty());
    host.version = 2400;

    host.timeInfoAnswer = 0;
    answer = IDNO;
    EXPECT_EQ(CBridgeVstEffect::Create(TestVstHost::Callback), nullptr) << "no time info, the user says no";
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Insufficient host functionality.\nContinue anyway?");
    EXPECT_EQ(boxes[0].caption, "Rallimoth Omvel VSTi");
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_TRUE(recorder.Take().empty()) << "the provider was not asked";

    boxes.clear();
    answer = IDYES;
    effect = CBridgeVstEffect::Create(TestVstHost::Callback);
    EXPECT_NE(effect, nullptr) << "the user goes on";
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(VstEffectTest, WithoutAChannelThePluginRefusesToLoad)
{
    recorder.SetUp(-1, nullptr);
    EXPECT_EQ(CBridgeVstEffect::Create(TestVstHost::Callback), nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Can't connect to AudioStream Provider.");
    EXPECT_EQ(boxes[0].caption, "Rallimoth Omvel VSTi");
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    boxes.clear();
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Quorvane\\AudioStreamProviders", "Halvorin");
    EXPECT_EQ(CBridgeVstEffect::Create(TestVstHost::Callback), nullptr) << "no provider registered";
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(VstEffectTest, ThePluginIsAnInstrumentWithTwoOutputs)
{
    create();
    EXPECT_EQ(effect->magic, vst2::kEffectMagic);
    EXPECT_EQ(effect->uniqueId, 0x514E3365) << "\"QN3e\"";
    EXPECT_EQ(effect->flags, 0x111) << "synth, replacing, editor";
    EXPECT_EQ(effect->numPrograms, 1);
    EXPECT_EQ(effect->numParams, 0);
    EXPECT_EQ(effect->numInputs, 0);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(Text(effect, vst2::effGetEffectName), "Rallimoth Omvel");
    EXPECT_EQ(Text(effect, vst2::effGetVendorString), "Quorvane");
    EXPECT_EQ(Text(effect, vst2::effGetProductString), "Quorvane Rallimoth Omvel");
    EXPECT_EQ(Dispatch(effect, vst2::effGetVendorVersion), 1000);
    EXPECT_EQ(Dispatch(effect, vst2::effGetVstVersion), 2300);
    EXPECT_EQ(Text(effect, vst2::effGetProgramName), "3") << "channel 2";
    Dispatch(effect, vst2::effSetProgramName, 0, const_cast<char *>("other"));
    EXPECT_EQ(Text(effect, vst2::effGetProgramName), "3");
}

// What hosts ask to sort and list the plug-in: an instrument with one
// program, named, and current.
TEST_F(VstEffectTest, HostsListItAsAnInstrumentWithOneNamedProgram)
{
    create();
    EXPECT_EQ(Dispatch(effect, vst2::effGetPlugCategory), vst2::kPlugCategSynth);
    EXPECT_EQ(vst2::kPlugCategSynth, 2);
    EXPECT_EQ(Dispatch(effect, vst2::effGetProgram), 0);
    char name[vst2::kMaxProgramNameLength + 1];
    std::memset(name, '?', sizeof name);
    EXPECT_EQ(effect->dispatcher(effect, vst2::effGetProgramNameIndexed, 0, 0, name, 0.0f), 1);
    EXPECT_STREQ(name, "3") << "the one program's name, as effGetProgramName gives it";
    EXPECT_EQ(Text(effect, vst2::effGetProgramName), name);
    std::memset(name, '?', sizeof name);
    EXPECT_EQ(effect->dispatcher(effect, vst2::effGetProgramNameIndexed, 1, 0, name, 0.0f), 0)
        << "there is no second program";
    EXPECT_EQ(name[0], '?');
}

// The rate the host set stands for blocks without time information, also
// after a suspend and resume.
TEST_F(VstEffectTest, ABlockWithoutTimeInformationUsesTheRateTheHostSet)
{
    create();
    host.giveTime = false;
    Dispatch(effect, vst2::effSetSampleRate, 0, nullptr, 48000.0f);
    const std::vector<RecordedCall> calls = recorder.Take();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].op, kOpSampleRate);
    Dispatch(effect, vst2::effMainsChanged, 0);
    Dispatch(effect, vst2::effMainsChanged, 1);
    processReplacing(32);
    std::vector<BridgeRenderBlock> segments = recorder.TakeSegments();
    ASSERT_EQ(segments.size(), 1u);
    EXPECT_EQ(segments[0].sampleRate, 48000);

    // The host's time information, when it comes, says the rate.
    host.giveTime = true;
    host.time.sampleRate = 96000.0;
    processReplacing(32);
    segments = recorder.TakeSegments();
    ASSERT_EQ(segments.size(), 1u);
    EXPECT_EQ(segments[0].sampleRate, 96000);
}

TEST_F(VstEffectTest, CanDoAnswersExactlyItsQuestions)
{
    create();
    const struct {
        const char *question;
        intptr_t answer;
    } cases[] = {
        {"receiveVstEvents", 1},
        {"receiveVstMidiEvent", 1},
        {"receiveVstTimeInfo", 1},
        {"isQuorvaneHalvorin", 0x71764856},
        {"isQuorvaneHalvorinX", 0},
        {"isQuorvaneHalvori", 0},
        {"IsQuorvaneHalvorin", 0},
        {"sendVstMidiEvent", 0},
        {"", 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Dispatch(effect, vst2::effCanDo, 0, const_cast<char *>(c.question)), c.answer)
            << c.question;
    EXPECT_EQ(Dispatch(effect, vst2::effCanDo, 0, nullptr), 0);
}

TEST_F(VstEffectTest, RateAndBlockSizeGoToTheProvider)
{
    create();
    Dispatch(effect, vst2::effSetSampleRate, 0, nullptr, 48000.0f);
    Dispatch(effect, vst2::effSetBlockSize, 333);
    Dispatch(effect, vst2::effMainsChanged, 0);
    const int wanted = host.wantEventsCalls;
    Dispatch(effect, vst2::effMainsChanged, 1);
    EXPECT_EQ(host.wantEventsCalls, wanted + 1) << "a resume asks for events";
    const std::vector<RecordedCall> calls = recorder.Take();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].op, kOpSampleRate);
    EXPECT_EQ(calls[0].channel, 2);
    EXPECT_EQ(calls[1].op, kOpBlockSize);
}

TEST_F(VstEffectTest, NotesCutTheBlockAndCarryTheirPositions)
{
    create();
    host.time.sampleRate = 48000.0;
    host.time.tempo = 120.0;
    host.time.ppqPos = 4.0;
    EventList list;
    list.Add(100, 0x90, 38, 100);
    list.Add(300, 0x95, 40, 90); // any MIDI channel
    events(list);
    processReplacing(512);
    EXPECT_EQ(host.lastTimeFlagsAsked, vst2::kTimeTempoValid | vst2::kTimePpqPosValid);
    const std::vector<BridgeRenderBlock> segments = recorder.TakeSegments();
    ASSERT_EQ(segments.size(), 3u);
    const struct {
        int frames, note, velocity, position;
    } expected[] = {
        {100, kNoteNone, 0, 0},
        {200, 38, 100, 3844}, // 960 x (4 + 100 x 120 / (60 x 48000))
        {212, 40, 90, 3852},
    };
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(segments[i].frames, expected[i].frames) << i;
        EXPECT_EQ(segments[i].noteCode, expected[i].note) << i;
        EXPECT_EQ(segments[i].velocity, expected[i].velocity) << i;
        EXPECT_EQ(segments[i].position, expected[i].position) << i;
        EXPECT_EQ(segments[i].mode, kModeReplace) << i;
        EXPECT_EQ(segments[i].sampleRate, 48000) << i;
        EXPECT_EQ(segments[i].tempo, 120.0f) << i;
    }
    EXPECT_EQ(left[99], 1.0f);
    EXPECT_EQ(left[100], 2.0f);
    EXPECT_EQ(right[511], -3.0f);
    EXPECT_EQ(left[512], 7.0f) << "nothing past the block";

    processReplacing(256);
    const std::vector<BridgeRenderBlock> next = recorder.TakeSegments();
    ASSERT_EQ(next.size(), 1u);
    EXPECT_EQ(next[0].noteCode, 40);
    EXPECT_EQ(next[0].velocity, 0) << "the note holds without striking again";
}

TEST_F(VstEffectTest, TheAccumulatingCallAddsIntoTheOutputs)
{
    create();
    left.assign(64, 0.5f);
    right.assign(64, 0.5f);
    float *outputs[] = {left.data(), right.data()};
    effect->process(effect, nullptr, outputs, 64);
    const std::vector<BridgeRenderBlock> segments = recorder.TakeSegments();
    ASSERT_EQ(segments.size(), 1u);
    EXPECT_EQ(segments[0].mode, kModeAdd);
    EXPECT_EQ(left[0], 1.5f);
}

// What each message becomes: seen through the segments it makes.
TEST_F(VstEffectTest, MessagesBecomeNotesBendModulationAndPedals)
{
    create();
    EventList list;
    list.Add(10, 0xE3, 0x00, 0x50); // bend (0x50 << 7) - 8192 = 2048
    list.Add(10, 0xB0, 1, 99);      // modulation
    list.Add(10, 0xB0, 7, 100);     // volume: dropped
    list.Add(10, 0xC0, 5);          // program change: dropped
    list.AddOther(15);              // not a MIDI event: passed over
    list.Add(20, 0x92, 38, 100);
    list.Add(30, 0xB0, 66, 64); // sostenuto down
    list.Add(40, 0x80, 38, 64); // note off with its own velocity: held back
    list.Add(50, 0xB0, 67, 63); // soft pedal up: releases
    list.Add(60, 0x90, 40, 80);
    list.Add(70, 0x90, 40, 0); // velocity 0 is a release
    list.Add(80, 0xB0, 121, 0);
    events(list);
    processReplacing(128);
    const std::vector<BridgeRenderBlock> segments = recorder.TakeSegments();
    ASSERT_EQ(segments.size(), 5u);
    const struct {
        int frames, note, bend, mod;
    } expected[] = {
        {20, kNoteNone, 0, 0}, {30, 38, 2048, 99},        {10, kNoteNone, 2048, 99},
        {10, 40, 2048, 99},    {58, kNoteNone, 2048, 99},
    };
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(segments[i].frames, expected[i].frames) << i;
        EXPECT_EQ(segments[i].noteCode, expected[i].note) << i;
        EXPECT_EQ(segments[i].bend, expected[i].bend) << i;
        EXPECT_EQ(segments[i].mod, expected[i].mod) << i;
    }
    processReplacing(16);
    const std::vector<BridgeRenderBlock> next = recorder.TakeSegments();
    ASSERT_EQ(next.size(), 1u);
    EXPECT_EQ(next[0].bend, 0) << "controller 121 reset the bend";
    EXPECT_EQ(next[0].mod, 0);
}

TEST_F(VstEffectTest, AtMost1024EventsWaitForABlock)
{
    create();
    EventList list;
    for (int i = 0; i < 1100; ++i)
        list.Add(1 + i, 0x90, 36 + i % 2, 100);
    events(list);
    processReplacing(2048);
    const std::vector<BridgeRenderBlock> segments = recorder.TakeSegments();
    ASSERT_EQ(segments.size(), 1025u);
    EXPECT_EQ(segments.back().frames, 2048 - 1024);
}

TEST_F(VstEffectTest, TheTransportsStopAndStartAreSentOnce)
{
    create();
    host.time.flags |= vst2::kTimeTransportChanged | vst2::kTimeTransportPlaying;
    processReplacing(64); // started, no note: a stop
    host.time.flags &= ~vst2::kTimeTransportChanged;
    processReplacing(64);
    // The playing bit alone, without the changed bit, changes nothing.
    host.time.flags = vst2::kTimeTempoValid;
    EventList list;
    list.Add(10, 0x90, 38, 100);
    events(list);
    processReplacing(64);
    host.time.flags = vst2::kTimeTempoValid | vst2::kTimeTransportChanged;
    list = EventList();
    list.Add(10, 0x90, 40, 100);
    events(list);
    processReplacing(64); // stopped: the note is ignored
    host.time.flags = vst2::kTimeTempoValid;
    processReplacing(64);
    const std::vector<BridgeRenderBlock> segments = recorder.TakeSegments();
    ASSERT_EQ(segments.size(), 6u);
    EXPECT_EQ(segments[0].noteCode, kNoteTransportStopped);
    EXPECT_EQ(segments[1].noteCode, kNoteNone) << "the recorder, like the provider, turns 130 into 131";
    EXPECT_EQ(segments[3].noteCode, 38);
    EXPECT_EQ(segments[4].noteCode, kNoteTransportStopped);
    EXPECT_EQ(segments[4].frames, 64);
    EXPECT_EQ(segments[5].noteCode, kNoteNone);
}

TEST_F(VstEffectTest, WithoutTimeInformationTheLastValuesStand)
{
    create();
    host.giveTime = false;
    processReplacing(32);
    const std::vector<BridgeRenderBlock> segments = recorder.TakeSegments();
    ASSERT_EQ(segments.size(), 1u);
    EXPECT_EQ(segments[0].sampleRate, 44100);
    EXPECT_EQ(segments[0].tempo, 100.0f);
}

TEST_F(VstEffectTest, ClosingLetsTheChannelGo)
{
    create();
    Dispatch(effect, vst2::effClose);
    effect = nullptr;
    const std::vector<RecordedCall> calls = recorder.Take();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].op, kOpRelease);
    EXPECT_EQ(calls[0].channel, 2);
}

} // namespace
