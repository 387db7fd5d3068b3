// Sorvik made by "CreateSoftSynth" with a real song, hosting the registered
// test instrument: choosing it, the exact samples its notes sound at, the
// render answers, parameters, state and names.
#include "synth/dxi/tests/sorvik_fixture.h"

#include "data/io_params.h"
#include "data/stream_buffer.h"
#include "data/track_master.h"
#include "sound/equipment/port_enum.h"
#include "testing/realtime_counters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace Quorvane;
using namespace sorvik_test;

namespace {

class SorvikTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        ASSERT_NE(modules().create, nullptr);
        ASSERT_NE(modules().control, nullptr);
        resetControl();
    }
    void TearDown() override
    {
        resetControl();
        CoUninitialize();
    }
    TEST_DXI_CONTROL &control() { return *modules().control; }
};

TEST_F(SorvikTest, ChoosesTheInstrumentByClassId)
{
    MusicSong song;
    Hosted dxi(song, 44100.0f, 256);
    EXPECT_STREQ(dxi.synth->GetName(), "Tembri DXi");
    CLSID current = {};
    EXPECT_FALSE(dxi.host->GetInstrument(0, &current));
    ASSERT_TRUE(dxi.select(CLSID_TestDxi));
    EXPECT_EQ(control().connected, 1);
    EXPECT_STREQ(dxi.synth->GetName(), kTestDxiName);
    EXPECT_STREQ(dxi.synth->GetProductName(), kTestDxiName);
    ASSERT_TRUE(dxi.host->GetInstrument(0, &current));
    EXPECT_EQ(current, CLSID_TestDxi);
    EXPECT_FALSE(dxi.host->GetInstrument(1, &current));
    EXPECT_FALSE(dxi.select(CLSID_TestDxiNoPage)); // one at a time
    int width = 0, height = 0;
    dxi.synth->GetEditorSize(&width, &height);
    EXPECT_EQ(width, 240);
    EXPECT_EQ(height, 120);
}

// The engine offers the registered instruments as DXi outputs, each by its
// description and class id, the id Sorvik is later told to host.
TEST_F(SorvikTest, TheEnginesDxiEnumerationListsTheTestInstruments)
{
    std::unique_ptr<CStructArray> ports(
        TindrelEnumPorts(ENUM_OUTPUTS, ENUM_OUT_DXI, nullptr, nullptr, nullptr));
    ASSERT_TRUE(ports);
    auto find = [&](const CLSID &id) -> const PORTDESCR * {
        for (long i = 0; i < ports->GetNumb(); ++i) {
            const PORTDESCR &d = static_cast<const PORTENUM *>(ports->GetElementAt(i))->descr;
            if (d.dataSize == sizeof(CLSID) && d.data && std::memcmp(d.data, &id, sizeof id) == 0)
                return &d;
        }
        return nullptr;
    };
    const struct {
        const CLSID &id;
        const char *name;
    } instruments[] = {{CLSID_TestDxi, kTestDxiName}, {CLSID_TestDxiNoPage, kTestDxiNoPageName}};
    for (const auto &instrument : instruments) {
        SCOPED_TRACE(instrument.name);
        const PORTDESCR *d = find(instrument.id);
        ASSERT_NE(d, nullptr);
        EXPECT_STREQ(d->name, instrument.name);
        EXPECT_EQ(d->kind, ENUM_OUT_DXI);
    }

    MusicSong song;
    Hosted dxi(song, 44100.0f, 256);
    CLSID listed;
    std::memcpy(&listed, find(CLSID_TestDxi)->data, sizeof listed);
    EXPECT_TRUE(dxi.select(listed));
}

TEST_F(SorvikTest, AnInstrumentWithoutItsPageIsRefusedAndSilent)
{
    MusicSong song;
    Hosted dxi(song, 44100.0f, 256);
    EXPECT_FALSE(dxi.select(CLSID_TestDxiNoPage));
    EXPECT_FALSE(dxi.select(CLSID_NULL));
    EXPECT_STREQ(dxi.synth->GetName(), "Tembri DXi");
    EXPECT_EQ(control().connected, 0); // disconnected again
    std::vector<float> buffer(512, 0.5f);
    float *target[1] = {buffer.data()};
    EXPECT_FALSE(dxi.synth->RenderReplacing(target, 256));
    EXPECT_FALSE(dxi.synth->RenderAdding(target, 256));
    EXPECT_EQ(buffer[0], 0.5f);
    EXPECT_EQ(modules().liveObjects(), 0);
}

struct Setting {
    long rate;
    int block;
};

class Onsets : public SorvikTest, public ::testing::WithParamInterface<Setting> {};

// Notes sent at their frames sound from the exact sample of their tick + 2,
// through a tempo and a meter change.
TEST_P(Onsets, NotesSoundAtTheSampleOfTheirTickPlusTwo)
{
    const Setting s = GetParam();
    MusicSong song(s.rate);
    Hosted dxi(song, static_cast<float>(s.rate), s.block);
    ASSERT_TRUE(dxi.select(CLSID_TestDxi));
    Player player(dxi, song, s.block);
    const std::vector<long> notes = {0, 480, 1931, 3840, 7680, 7680 + 733, 9600, 11520};
    const int64_t origin = player.start(0);
    player.play(notes, song.sampleOf(12000));
    std::vector<int64_t> expected;
    for (long t : notes)
        expected.push_back(origin + song.sampleOf(t + 2));
    EXPECT_EQ(player.onsets(), expected);
    EXPECT_EQ(player.left, player.right);
    EXPECT_EQ(control().starts, 1);
}

INSTANTIATE_TEST_SUITE_P(RatesAndBlocks, Onsets,
                         ::testing::Values(Setting{44100, 64}, Setting{44100, 256}, Setting{44100, 1000},
                                           Setting{48000, 128}, Setting{48000, 441}),
                         [](const auto &info) {
                             return std::to_string(info.param.rate) + "Hz_" +
                                    std::to_string(info.param.block);
                         });

TEST_F(SorvikTest, NotesStayExactAfterARateAndBlockChange)
{
    MusicSong song(44100);
    Hosted dxi(song, 44100.0f, 256);
    ASSERT_TRUE(dxi.select(CLSID_TestDxi));
    Player first(dxi, song, 256);
    first.start(0);
    first.play({480}, 20000);
    ASSERT_EQ(first.onsets().size(), 1u);

    song.setRate(48000);
    dxi.synth->SetSampleRate(48000.0f);
    dxi.synth->SetBlockSize(300);
    Player second(dxi, song, 300);
    const int64_t origin = second.start(3840);
    second.play({3840, 4800, 7680 + 100}, song.sampleOf(8000) - song.sampleOf(3840));
    const std::vector<int64_t> expected = {origin + song.sampleOf(3842) - song.sampleOf(3840),
                                           origin + song.sampleOf(4802) - song.sampleOf(3840),
                                           origin + song.sampleOf(7782) - song.sampleOf(3840)};
    EXPECT_EQ(second.onsets(), expected);
}

TEST_F(SorvikTest, StopAndStartAgainFromAnotherTick)
{
    MusicSong song;
    Hosted dxi(song, 44100.0f, 128);
    ASSERT_TRUE(dxi.select(CLSID_TestDxi));
    Player player(dxi, song, 128);
    player.start(0);
    player.play({960}, song.sampleOf(1200));
    dxi.host->Transport(SSTRANSPORT_STOP, 1200, 1200, 1.0f);
    EXPECT_EQ(control().stops, 2); // the start's and the stop's
    EXPECT_EQ(control().lastStop, 1200);
    Player again(dxi, song, 128);
    const int64_t origin = again.start(1920);
    EXPECT_EQ(control().lastStart, 1920);
    again.play({1920, 2880}, 60000);
    EXPECT_EQ(again.onsets(), (std::vector<int64_t>{origin + song.sampleOf(1922) - song.sampleOf(1920),
                                                    origin + song.sampleOf(2882) - song.sampleOf(1920)}));
}

TEST_F(SorvikTest, NotesAroundALoopSoundWhereTheyFall)
{
    MusicSong song;
    Hosted dxi(song, 44100.0f, 256);
    ASSERT_TRUE(dxi.select(CLSID_TestDxi));
    Player player(dxi, song, 256);
    player.start(0);
    // A note just before the loop's end lies in the block that jumps.
    const long loopEnd = 3840;
    const long beforeJump = loopEnd - 5;
    const std::vector<int64_t> expected =
        player.playLoop(960, loopEnd, {480, beforeJump}, {1440, 2400}, 150000);
    std::vector<int64_t> all = {song.sampleOf(482)};
    all.insert(all.end(), expected.begin(), expected.end());
    EXPECT_EQ(player.onsets(), all);
    EXPECT_EQ(control().loops, 1);
    EXPECT_EQ(control().loopFrom, 960);
    EXPECT_EQ(control().loopTo, loopEnd);
}

TEST_F(SorvikTest, ReplacingAnswersSilenceAddingAdds)
{
    MusicSong song;
    Hosted dxi(song, 44100.0f, 256);
    ASSERT_TRUE(dxi.select(CLSID_TestDxi));
    dxi.host->Transport(SSTRANSPORT_START, 0, 0, 1.0f);
    std::vector<float> buffer(512, 0.25f);
    float *target[1] = {buffer.data()};
    // An all-zero block writes nothing.
    EXPECT_FALSE(dxi.synth->RenderReplacing(target, 256));
    EXPECT_EQ(buffer[100], 0.25f);
    EXPECT_TRUE(dxi.synth->RenderAdding(target, 256));
    EXPECT_EQ(buffer[100], 0.25f);
    // A note at the block's frame 10: adding keeps what was there.
    const long tick = song.song.GetTrackMaster()->GetTimeFromSample(512 + 10);
    const auto note = message(0x90, 69, 100, tick);
    dxi.synth->MidiIn(note.data(), 10);
    EXPECT_TRUE(dxi.synth->RenderAdding(target, 256));
    const int64_t onset = song.sampleOf(tick + 2) - 512;
    EXPECT_EQ(buffer[2 * (onset - 1)], 0.25f);
    EXPECT_FLOAT_EQ(buffer[2 * onset], 0.25f + 0.5f);
    // Clearing zeroes the last buffer.
    dxi.synth->ClearOutput();
    EXPECT_EQ(buffer[2 * onset], 0.0f);
}

TEST_F(SorvikTest, AMonoOutputSoundsOnBothSides)
{
    control().outputChannels = 1;
    MusicSong song;
    Hosted dxi(song, 44100.0f, 256);
    ASSERT_TRUE(dxi.select(CLSID_TestDxi));
    Player player(dxi, song, 256);
    const int64_t origin = player.start(0);
    player.play({480, 960}, song.sampleOf(1200));
    EXPECT_EQ(player.onsets(),
              (std::vector<int64_t>{origin + song.sampleOf(482), origin + song.sampleOf(962)}));
    EXPECT_EQ(player.left, player.right);
}

TEST_F(SorvikTest, OnlyTheFramesDeliveredAreUsedTheRestIsSilence)
{
    MusicSong song;
    Hosted dxi(song, 44100.0f, 256);
    ASSERT_TRUE(dxi.select(CLSID_TestDxi));
    dxi.host->Transport(SSTRANSPORT_START, 0, 0, 1.0f);
    const auto note = message(0x90, 69, 100, 0);
    dxi.synth->MidiIn(note.data(), 0);
    control().reportFrames = 100;
    std::vector<float> buffer(512, 0.25f);
    float *target[1] = {buffer.data()};
    ASSERT_TRUE(dxi.synth->RenderReplacing(target, 256));
    EXPECT_NE(buffer[2 * 90], 0.0f);
    for (int i = 2 * 100; i < 512; ++i)
        ASSERT_EQ(buffer[i], 0.0f) << i;
    // A block not delivered is silence, not the last block again.
    control().deliver = 0;
    std::fill(buffer.begin(), buffer.end(), 0.25f);
    EXPECT_FALSE(dxi.synth->RenderReplacing(target, 256));
    EXPECT_FALSE(dxi.synth->RenderAdding(target, 256));
    EXPECT_EQ(buffer[2 * 90], 0.25f);
}

// A rate or block of 0 or less, or a block above the buffers' limit, keeps
// the old value, and the host's answers never divide by zero.
TEST_F(SorvikTest, BadRatesAndBlocksKeepTheOldValues)
{
    MusicSong song;
    Hosted dxi(song, 44100.0f, 256);
    ASSERT_TRUE(dxi.select(CLSID_TestDxi));
    for (float rate : {0.0f, -44100.0f, std::nanf("")})
        dxi.synth->SetSampleRate(rate);
    for (int block : {0, -256, 16385})
        dxi.synth->SetBlockSize(block);
    EXPECT_EQ(dxi.synth->sampleRate, 44100.0f);
    EXPECT_EQ(dxi.synth->blockSize, 256);
    Player player(dxi, song, 256);
    const int64_t origin = player.start(0);
    player.play({480}, song.sampleOf(1000));
    EXPECT_EQ(player.onsets(), std::vector<int64_t>{origin + song.sampleOf(482)});
    dxi.synth->SetBlockSize(16384);
    EXPECT_EQ(dxi.synth->blockSize, 16384);
}

// The state as the engine keeps it: what slot 9 writes, handed back to slot 10.
std::string saveState(IQuorvaneSoftSynth *synth)
{
    PORTDESCR descriptor;
    WriteParamsBlock(
        &descriptor,
        [](Seekable::OutputStream *out, void *user) {
            static_cast<IQuorvaneSoftSynth *>(user)->SaveState(out);
            return 1;
        },
        synth);
    return descriptor.params ? std::string(static_cast<char *>(descriptor.params), descriptor.paramsSize)
                             : std::string();
}

void loadState(IQuorvaneSoftSynth *synth, std::string bytes)
{
    auto *buffer = new StreamBuffer(nullptr, false, bytes.data(), static_cast<uint32_t>(bytes.size()));
    {
        BufferStream in(buffer);
        synth->LoadState(&in);
    }
    buffer->release();
}

// Twelve wide characters from a byte offset, as narrow text.
std::string wideText(const std::string &bytes, size_t from)
{
    std::string text;
    for (size_t i = from; i < from + 24 && i < bytes.size(); i += 2)
        text += bytes[i];
    return text;
}

TEST_F(SorvikTest, StateGoesThroughTheInstrument)
{
    MusicSong song;
    Hosted dxi(song, 44100.0f, 256);
    ASSERT_TRUE(dxi.select(CLSID_TestDxi));
    // The kit's version header and one number, each 12 wide characters.
    EXPECT_EQ(dxi.synth->GetStateSize(), 48);
    const std::string saved = saveState(dxi.synth);
    ASSERT_EQ(saved.size(), 48u);
    EXPECT_EQ(wideText(saved, 0), "00000000000 ");
    EXPECT_EQ(wideText(saved, 24), "00000000050 ");

    std::string louder = saved;
    louder[24 + 2 * 9] = '8';
    loadState(dxi.synth, louder);
    EXPECT_EQ(wideText(saveState(dxi.synth), 24), "00000000080 ");

    // The level is what the notes sound at.
    Player player(dxi, song, 256);
    const int64_t origin = player.start(0);
    player.play({0}, 512);
    EXPECT_FLOAT_EQ(player.left[origin + song.sampleOf(2)], 0.8f);
}

// A project saved while playing has the hosted synthesizer write its state
// on the window thread: the render thread waits for none of it. Its block
// is silent, the note that came for it sounds in the next block, and the
// synthesizer's stream stays where the song is.
TEST_F(SorvikTest, ARenderDuringAStateSaveWaitsForNothing)
{
    ASSERT_TRUE(testing_support::installRealTimeHooks(GetModuleHandleA("Sorvik.dll")));
    MusicSong song;
    Hosted dxi(song, 44100.0f, 256);
    ASSERT_TRUE(dxi.select(CLSID_TestDxi));
    Player player(dxi, song, 256);
    ASSERT_EQ(player.start(0), 0);
    player.play({}, 512);
    control().stateEntered = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    control().stateGoOn = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    std::string saved;
    std::thread window([&] { saved = saveState(dxi.synth); });
    ASSERT_EQ(WaitForSingleObject(control().stateEntered, 10000), WAIT_OBJECT_0);
    long waits = -1;
    double longestLockWait = -1.0;
    {
        testing_support::RealTimeCounter counter;
        player.play({28}, 768); // tick 28 is in the third block (512 .. 767)
        waits = counter.blockingWaits();
        longestLockWait = counter.longestLockWait();
    }
    SetEvent(control().stateGoOn);
    window.join();
    player.play({}, 768 + 2048);
    CloseHandle(control().stateEntered);
    CloseHandle(control().stateGoOn);
    control().stateEntered = control().stateGoOn = nullptr;

    EXPECT_EQ(control().stateWaitsRanOut, 0);
    EXPECT_EQ(saved.size(), 48u);
    EXPECT_EQ(waits, 0);
    EXPECT_EQ(longestLockWait, 0.0);
    EXPECT_FALSE(player.sounded[2]);
    const std::vector<int64_t> onsets = player.onsets();
    ASSERT_EQ(onsets.size(), 1u);
    EXPECT_GE(onsets[0], 768);
    EXPECT_LT(onsets[0], 1024);
    EXPECT_EQ(control().blockStart, 2560) << "the song's sample of the last block";
}

TEST_F(SorvikTest, NamesAreHandedOutAndTakenBack)
{
    MusicSong song;
    Hosted dxi(song, 44100.0f, 256);
    IZQSSExEnum::tagENUMITEM *list = nullptr;
    EXPECT_EQ(dxi.names->Banks(&list), 0); // nothing hosted
    EXPECT_EQ(list, nullptr);
    ASSERT_TRUE(dxi.select(CLSID_TestDxi));

    auto texts = [](IZQSSExEnum::tagENUMITEM *items, long count) {
        std::vector<std::pair<int, std::string>> out;
        for (long i = 0; i < count; ++i)
            out.push_back({items[i].value, items[i].name});
        return out;
    };
    using Names = std::vector<std::pair<int, std::string>>;
    long count = dxi.names->Banks(&list);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(texts(list, count), (Names{{0, "Bank 0"}, {5, "Bank 5"}}));
    // The hidden header: the count, then 0.
    EXPECT_EQ(reinterpret_cast<int32_t *>(list)[-2], 2);
    EXPECT_EQ(reinterpret_cast<int32_t *>(list)[-1], 0);
    dxi.names->GiveBack(list);

    count = dxi.names->Programs(0, &list);
    EXPECT_EQ(texts(list, count), (Names{{0, "Burst"}, {3, "Soft Burst"}}));
    dxi.names->GiveBack(list);
    count = dxi.names->Programs(5, &list);
    EXPECT_EQ(texts(list, count), (Names{{0, "Far Burst"}}));
    dxi.names->GiveBack(list);
    count = dxi.names->Notes(0, 0, 9, &list);
    EXPECT_EQ(texts(list, count), (Names{{60, "Middle C"}}));
    dxi.names->GiveBack(list);
    count = dxi.names->Controllers(&list);
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(list[0].name, "Level");
    EXPECT_EQ(std::strlen(list[1].name), 128u); // cut at the limit
    dxi.names->GiveBack(list);
    dxi.names->GiveBack(nullptr);
}

} // namespace

namespace {

// What the song's messages become in the synthesizer's event list.
class EventsTest : public SorvikTest {
protected:
    void SetUp() override
    {
        SorvikTest::SetUp();
        ASSERT_TRUE(dxi.select(CLSID_TestDxi));
        dxi.host->Transport(SSTRANSPORT_START, 0, 0, 1.0f);
    }
    void send(uint8_t status, uint8_t d1, uint8_t d2, int32_t tick, int offset = 0, int32_t duration = 240)
    {
        const auto bytes = message(status, d1, d2, tick, duration);
        dxi.synth->MidiIn(bytes.data(), offset);
    }
    // Renders the block; the events the synthesizer was handed.
    std::vector<DXI_EVENT> handed()
    {
        const LONG before = control().eventsSeen;
        std::vector<float> buffer(2 * 256);
        float *target[1] = {buffer.data()};
        dxi.synth->RenderReplacing(target, 256);
        return std::vector<DXI_EVENT>(control().events + before, control().events + control().eventsSeen);
    }

    MusicSong song;
    Hosted dxi{song, 44100.0f, 256};
};

TEST_F(EventsTest, ChannelMessagesBecomeEventsOfTheirKind)
{
    // The first block's ticks: 0 .. the tick of frame 256.
    const long end = song.song.GetTrackMaster()->GetTimeFromSample(256);
    send(0x91, 60, 100, 5);
    send(0x81, 60, 0, 6); // note offs are not queued
    send(0x91, 61, 0, 6); // nor notes of velocity 0
    send(0xA2, 61, 30, 7);
    send(0xB3, 7, 99, 8);
    send(0xD4, 33, 0, 9);
    send(0xE5, 0x7F, 0x7F, 1);
    send(0xE5, 0x00, 0x00, 1);
    send(0xF0, 1, 2, 1);         // system messages are not queued
    send(0x90, 62, 90, end + 1); // beyond the block
    const std::vector<DXI_EVENT> events = handed();
    ASSERT_EQ(events.size(), 6u);
    EXPECT_EQ(control().windowStart, 0);
    EXPECT_EQ(control().windowEnd, end);

    EXPECT_EQ(events[0].kind, DXI_EVENT_NOTE);
    EXPECT_EQ(events[0].channel, 1);
    EXPECT_EQ(events[0].time, 7);
    EXPECT_EQ(events[0].note.number, 60);
    EXPECT_EQ(events[0].note.value, 100);
    EXPECT_EQ(events[0].note.releaseVelocity, 64);
    EXPECT_EQ(events[0].note.duration, 240);
    EXPECT_EQ(events[1].kind, DXI_EVENT_KEY_AFTERTOUCH);
    EXPECT_EQ(events[1].note.number, 61);
    EXPECT_EQ(events[1].note.value, 30);
    EXPECT_EQ(events[2].kind, DXI_EVENT_CONTROLLER);
    EXPECT_EQ(events[2].channel, 3);
    EXPECT_EQ(events[2].note.number, 7);
    EXPECT_EQ(events[2].note.value, 99);
    EXPECT_EQ(events[3].kind, DXI_EVENT_CHANNEL_AFTERTOUCH);
    EXPECT_EQ(events[3].note.value, 33);
    EXPECT_EQ(events[4].kind, DXI_EVENT_WHEEL);
    EXPECT_EQ(events[4].wheel, 8191);
    EXPECT_EQ(events[5].wheel, -8192);
    // Each one handed over once.
    EXPECT_TRUE(handed().empty());
}

TEST_F(EventsTest, PatchChangesCarryTheBankSelectBeforeThem)
{
    struct Case {
        int msb, lsb; // -1: not sent
        uint8_t method;
        int16_t bank;
    } cases[] = {{-1, -1, DXI_BANK_NONE_OR_BOTH, -1},
                 {3, -1, DXI_BANK_MSB, 3},
                 {-1, 5, DXI_BANK_LSB, 5},
                 {2, 5, DXI_BANK_NONE_OR_BOTH, 5 | 2 << 7}};
    for (const Case &c : cases) {
        // A transport start forgets the bank select.
        dxi.host->Transport(SSTRANSPORT_START, 0, 0, 1.0f);
        if (c.msb >= 0)
            send(0xB0, 0, static_cast<uint8_t>(c.msb), 1);
        if (c.lsb >= 0)
            send(0xB0, 32, static_cast<uint8_t>(c.lsb), 1);
        send(0xC6, 10, 0, 2);
        const std::vector<DXI_EVENT> events = handed();
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].kind, DXI_EVENT_PATCH);
        EXPECT_EQ(events[0].channel, 6);
        EXPECT_EQ(events[0].patch.program, 10);
        EXPECT_EQ(events[0].patch.method, c.method) << c.msb << " " << c.lsb;
        EXPECT_EQ(events[0].patch.bank, c.bank) << c.msb << " " << c.lsb;
    }
}

// A message earlier than the block plays at its start; a preview (no tick
// of its own) plays at the tick of its frame; tempo messages are the tempo
// changes of the block.
TEST_F(EventsTest, TimesOfLateMessagesPreviewsAndTempoChanges)
{
    handed();
    handed(); // the block from frame 512
    const long start = song.song.GetTrackMaster()->GetTimeFromSample(512);
    const long end = song.song.GetTrackMaster()->GetTimeFromSample(768);
    send(0x90, 60, 100, start - 20, 0);
    send(0x90, 61, 100, -1, 128);
    const auto tempo = message(0xF9, 0x10, 0x27, 0);
    dxi.synth->MidiIn(tempo.data(), 64);
    const long tempoCalls = control().tempoCalls;
    const std::vector<DXI_EVENT> events = handed();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].time, start + 2);
    EXPECT_EQ(events[1].time, start + (end - start) * 128 / 256 + 2);
    ASSERT_EQ(control().tempoCalls, tempoCalls + 1);
    EXPECT_EQ(control().tempos[0].tick, start + (end - start) * 64 / 256);
    EXPECT_EQ(control().tempos[0].value, 0x002710F9);
}

} // namespace
