// The transport's rules against a host of the test's own: host notes
// switching parts and starting them where the last one was, velocities and
// accents, tempo changes, and the accent and silence in a part's blocks.
#include "app/transport.h"

#include "data/evnt_trans.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

using namespace Quorvane;

struct FakeHost : TransportHost {
    bool IsPlaying() override { return playing; }
    void StartPlayback(long offset) override
    {
        playing = true;
        starts.push_back(offset);
        log.push_back("start " + std::to_string(offset));
    }
    void StopPlayback() override
    {
        playing = false;
        log.push_back("stop");
    }
    bool IsBusy() override { return busy; }
    long TicksPerQuarter() override { return 960; }
    long LoopLength() override { return 4 * 3840; }
    long MeasureLength() override { return 3840; }
    long SongPosition() override { return position; }
    void JumpSongPtr(long tick) override { log.push_back("jump " + std::to_string(tick)); }
    int SelectedPart() override { return selected; }
    void SwitchPart(int part, int mode, bool restart) override
    {
        log.push_back("switch " + std::to_string(part) + " mode " + std::to_string(mode) +
                      (restart ? " restart" : ""));
        selected = part;
    }
    void SetDrummerParam(int part, long id, long value) override { params[{part, id}] = value; }
    long PartChannel(int) override { return channel; }
    long SamplesOfTicks(long ticks) override { return ticks * 2; }
    void WriteFirstTempo(float bpm) override { log.push_back("first tempo " + std::to_string(int(bpm))); }
    void InsertTempoHere(float bpm) override { log.push_back("insert tempo " + std::to_string(int(bpm))); }
    void EraseInsertedTempos() override { log.push_back("erase tempos"); }
    void Redraw() override {}

    bool playing = false;
    bool busy = false;
    long position = 0;
    int selected = 0;
    long channel = -1;
    std::vector<long> starts;
    std::vector<std::string> log;
    std::map<std::pair<int, long>, long> params;
};

using Log = std::vector<std::string>;

class TransportRules : public ::testing::Test {
protected:
    unsigned long note(int number, int velocity)
    {
        return static_cast<unsigned long>(number | velocity << 16);
    }
    void hostNote(int number, int velocity)
    {
        transport.OnHostNotify(note(number, velocity), 0, -1.0f, kHostUnchanged, kHostUnchanged);
    }

    FakeHost host;
    ProgramOptions options;
    Transport transport{host, options};
};

TEST_F(TransportRules, ANoteWhileStoppedStartsItsPartWithItsVelocity)
{
    host.selected = 3;
    hostNote(60, 90);
    EXPECT_EQ(host.log, (Log{"switch 0 mode 1", "start 0"}));
    EXPECT_EQ((host.params[{0, 6}]), 90);
    EXPECT_EQ((host.params[{0, 7}]), 0);
    EXPECT_EQ((host.params[{0, 8}]), 0);
}

TEST_F(TransportRules, ANoteWhilePlayingRestartsAtTheSamePlaceInTheLoop)
{
    host.playing = true;
    host.position = 3840 * 5 + 100; // beyond one loop of four measures
    hostNote(13, 100);
    EXPECT_EQ(host.log, (Log{"stop", "switch 1 mode 1", "start 3940"}));
}

TEST_F(TransportRules, WithLatchItRestartsAtTheSamePlaceInTheFirstMeasure)
{
    options.latch = 1;
    options.autoSwitch = 0;
    host.playing = true;
    host.position = 3840 * 2 + 700;
    hostNote(13, 100);
    EXPECT_EQ(host.log, (Log{"stop", "switch 1 mode 0", "start 700"}));
}

TEST_F(TransportRules, WithoutTriggerVelocityTheInternalOneIsSentButTheNoteStillAccents)
{
    options.trgVelo = 0;
    options.veloStat = 64;
    options.accent = 1;
    hostNote(0, 125);
    EXPECT_EQ((host.params[{0, 6}]), 64);
    EXPECT_TRUE(transport.AccentArmed());

    host.playing = false;
    hostNote(0, 119);
    EXPECT_FALSE(transport.AccentArmed()) << "below the threshold of 120";
}

TEST_F(TransportRules, TheNextStartWithoutANoteUsesTheInternalVelocity)
{
    options.veloStat = 70;
    hostNote(0, 90);
    transport.TogglePlay();
    transport.TogglePlay();
    EXPECT_EQ((host.params[{0, 6}]), 70);
}

TEST_F(TransportRules, BendAndModulationGoToTheSelectedPart)
{
    host.selected = 2;
    transport.OnHostNotify(kHostNoNote, 0, -1.0f, -300, 64);
    EXPECT_EQ((host.params[{2, 7}]), -300);
    EXPECT_EQ((host.params[{2, 8}]), 64);
    options.extPitch = 0;
    transport.OnHostNotify(kHostNoNote, 0, -1.0f, 500, kHostUnchanged);
    EXPECT_EQ((host.params[{2, 7}]), -300) << "bend to velocity is off";
    transport.Start();
    EXPECT_EQ((host.params[{2, 7}]), 0);
    EXPECT_EQ((host.params[{2, 8}]), 64);
}

TEST_F(TransportRules, NoNoteWithANewTempoChangesOnlyTheTempo)
{
    transport.OnHostNotify(kHostNoNote, 0, 120.0f, kHostUnchanged, kHostUnchanged);
    EXPECT_EQ(transport.Tempo(), 120.0f);
    EXPECT_EQ(host.log, (Log{"first tempo 120"}));
    EXPECT_TRUE(host.params.empty());
}

TEST_F(TransportRules, TemposOutsideTheRangeAreIgnored)
{
    for (float tempo : {5.0f, 600.0f, 9.9f, 500.5f})
        transport.SetTempo(tempo);
    EXPECT_EQ(transport.Tempo(), kDefaultTempo);
    EXPECT_TRUE(host.log.empty());
    transport.SetTempo(500.0f);
    transport.SetTempo(10.0f);
    EXPECT_EQ(host.log, (Log{"first tempo 500", "first tempo 10"}));
}

TEST_F(TransportRules, ATempoDuringPlaybackIsInsertedUntilTheLoopFlips)
{
    host.playing = true;
    host.position = 2000;
    transport.SetTempo(140.0f);
    EXPECT_EQ(host.log, (Log{"insert tempo 140"}));
    transport.OnLoopFlip();
    EXPECT_EQ(host.log, (Log{"insert tempo 140", "erase tempos", "first tempo 140"}));
    transport.OnLoopFlip();
    EXPECT_EQ(host.log.size(), 3u) << "nothing pending any more";
}

TEST_F(TransportRules, HostTransportCodes)
{
    // 2.5 quarters at 960: 2400 ticks.
    transport.OnHostNotify(kHostStartAt, 2400, -1.0f, kHostUnchanged, kHostUnchanged);
    EXPECT_EQ(host.log, (Log{"start 2400"}));
    transport.OnHostNotify(kHostRelocate, 4 * 3840 + 960, -1.0f, kHostUnchanged, kHostUnchanged);
    EXPECT_EQ(host.log.back(), "jump 960");
    transport.OnHostNotify(kHostStop, 0, -1.0f, kHostUnchanged, kHostUnchanged);
    EXPECT_EQ(host.log.back(), "stop");
    transport.OnHostNotify(kHostStop2, 0, -1.0f, kHostUnchanged, kHostUnchanged);
    EXPECT_EQ(host.log.size(), 3u);
    EXPECT_EQ(transport.PendingOffset(), 0);
}

TEST_F(TransportRules, NothingStartsWhileBusy)
{
    host.busy = true;
    hostNote(0, 90);
    EXPECT_TRUE(host.starts.empty());
}

std::vector<uint32_t> messages(CEvntTransChain *chain)
{
    std::vector<uint32_t> out;
    for (auto *e = chain ? chain->GetFirstElem() : nullptr; e; e = static_cast<CEvntTransElem *>(e->next))
        out.push_back(e->message);
    return out;
}

CEvntTransChain *chainOf(std::initializer_list<std::pair<int64_t, uint32_t>> items)
{
    CEvntTransChain *chain = nullptr;
    // Added at the head: last first.
    for (auto it = std::rbegin(items); it != std::rend(items); ++it)
        CEvntTransChain::AddNewEvntTransElem(it->first, &chain)->message = it->second;
    return chain;
}

TEST_F(TransportRules, TheAccentSoundsAloneUntilItsEnd)
{
    options.accent = 1;
    options.accDuration = 2; // a sixteenth: 240 ticks
    host.selected = 1;       // a black key: note 2b
    options.accNote2b = 51;
    host.channel = 3;
    hostNote(1, 127);
    ASSERT_TRUE(transport.AccentArmed());

    CEvntTransChain *block = transport.FilterBlock(chainOf({{10, 0x643C99}, {20, 0x4000E9}}), 0, 100);
    // The drummers' note is cut, the bend gone; the accent's notes: on at
    // 0 with the accent velocity (110), off after 239 ticks (478 samples
    // here).
    EXPECT_EQ(messages(block), (std::vector<uint32_t>{0x6E2493, 0x6E3393, 0x002493, 0x003393}));
    EXPECT_EQ(block->GetFirstElem()->sample, 0);
    EXPECT_EQ(static_cast<CEvntTransElem *>(block->GetFirstElem()->next->next)->sample, 478);
    delete block;
    EXPECT_FALSE(transport.AccentArmed());

    EXPECT_EQ(transport.FilterBlock(chainOf({{5, 0x643C99}}), 100, 240), nullptr) << "still under the accent";
    CEvntTransChain *after = transport.FilterBlock(chainOf({{5, 0x643C99}}), 240, 400);
    EXPECT_EQ(messages(after), std::vector<uint32_t>{0x643C99});
    delete after;
    EXPECT_FALSE(transport.CutArmed());
}

TEST_F(TransportRules, WithoutAccentBlocksLoseOnlyAftertouchAndBends)
{
    CEvntTransChain *block =
        transport.FilterBlock(chainOf({{1, 0x643C99}, {2, 0x203CA9}, {3, 0x0000E0}}), 0, 100);
    EXPECT_EQ(messages(block), std::vector<uint32_t>{0x643C99});
    delete block;
    EXPECT_EQ(transport.FilterBlock(chainOf({{1, 0x0000E9}}), 0, 100), nullptr);
    EXPECT_EQ(transport.FilterBlock(nullptr, 0, 100), nullptr);
}

TEST(BlackKeys, OfTheTwelveParts)
{
    std::string keys;
    for (int part = 0; part < 12; ++part)
        keys += IsBlackKey(part) ? 'b' : 'w';
    EXPECT_EQ(keys, "wbwbwwbwbwbw");
}

} // namespace
