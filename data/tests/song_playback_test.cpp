#include "data/song.h"
#include "data/track_master.h"

#include "data/tests/fake_sound.h"
#include "sound/soft_synth.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Quorvane;

namespace {

// A track that keeps every cell it is asked to play.
struct CellTrack : CTrack {
    CellTrack(unsigned long id, CSong *song) : CTrack(id, TRACK_MIDI, song) {}
    int OnStartPlayback() override
    {
        ++starts;
        return refuse ? 0 : 1;
    }
    void OnStopPlayback() override { ++stops; }
    void AskPlayback(ASKPLAYBACK *cell) override
    {
        cells.push_back(*cell);
        startTicks.push_back(song->currentTick);
    }
    std::vector<ASKPLAYBACK> cells;
    std::vector<long> startTicks;
    int starts = 0, stops = 0;
    bool refuse = false;
};

// Transport news an output's host extension receives.
struct News {
    long code, tick, position;
    float factor;
};

struct RecordingHost : IZQSSExTembri {
    void Nothing() override {}
    void SetSong(ITembriSong *) override {}
    void Transport(long code, long tick, long position, float factor) override
    {
        news.push_back({code, tick, position, factor});
    }
    int AudioBlock(long, const float *, long) override { return 0; }
    bool GetInstrument(long, void *) override { return false; }
    bool SelectInstrument(long, const void *) override { return false; }
    std::vector<News> news;
};

struct HostTract : FakeTract {
    IZQSSExTembri *GetISSExTembri(void *out) override { return out == &preview ? &host : nullptr; }
    RecordingHost host;
};

struct StoppingMngr : FakeSoundMngr {
    void StopPlayback() override { ++stops; }
    Quorvane::IQuorvaneSongTract *CreateSongTract(CSong *) override { return &hostTract; }
    HostTract hostTract;
    int stops = 0;
};

class SongPlayback : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(song.SetDefault(), 1);
        track = new CellTrack(1, &song);
        ASSERT_EQ(song.InsertTrack(track, 0), 1);
        song.songEnd = 4 * 960;
        song.SetPlaySPtrCallback([](void *user) { ++*static_cast<int *>(user); }, &positionCalls);
    }
    int64_t sampleOf(long tick) { return song.GetTrackMaster()->GetSampleFromTime(tick); }
    std::vector<News> &news() { return sound.hostTract.host.news; }

    StoppingMngr sound;
    CSong song{nullptr, &sound};
    CellTrack *track = nullptr;
    int positionCalls = 0;
};

TEST_F(SongPlayback, StartPreparesEveryTrackFromThePlayStart)
{
    song.playStartTick = 960;
    ASSERT_EQ(song.OnStartPlayback(), 1);
    EXPECT_EQ(song.currentTick, 960);
    EXPECT_EQ(song.currentSample, sampleOf(960));
    EXPECT_EQ(song.lastStartTick, 960);
    EXPECT_EQ(track->starts, 1);
    track->refuse = true;
    EXPECT_EQ(song.OnStartPlayback(), 0);
    song.OnStopPlayback();
    EXPECT_EQ(track->stops, 1);
    CSong empty(nullptr, &sound);
    EXPECT_EQ(empty.OnStartPlayback(), 0) << "no master track";
}

TEST_F(SongPlayback, ABufferIsOneCellWithoutALoop)
{
    ASSERT_EQ(song.OnStartPlayback(), 1);
    song.AskPlayback(512);
    ASSERT_EQ(track->cells.size(), 1u);
    const ASKPLAYBACK &cell = track->cells[0];
    EXPECT_EQ(cell.cellSamples, 512);
    EXPECT_EQ(cell.bufferOffset, 0);
    EXPECT_EQ(cell.applyFactor, 0);
    EXPECT_EQ(cell.audible, 1);
    EXPECT_EQ(cell.sampleLimit, INT64_MAX);
    const long endTick = song.GetTrackMaster()->GetTimeFromSample(512);
    EXPECT_EQ(cell.cellTicks, endTick + 1);
    EXPECT_EQ(song.currentSample, 512);
    EXPECT_EQ(song.currentTick, endTick);
    EXPECT_EQ(positionCalls, 1);
}

TEST_F(SongPlayback, PlaybackStopsByItselfAtTheSongEnd)
{
    song.playStartTick = 4 * 960;
    ASSERT_EQ(song.OnStartPlayback(), 1);
    song.AskPlayback(512);
    EXPECT_EQ(sound.stops, 1);
    EXPECT_TRUE(track->cells.empty());
    EXPECT_EQ(song.currentTick, 4 * 960);
    EXPECT_EQ(positionCalls, 1);
}

TEST_F(SongPlayback, ABufferCrossingTheLoopEndIsTwoCells)
{
    song.loop = 1;
    song.SetTimeSelection(0, 960);
    int flips = 0;
    song.SetLoopFlipFn([](CSong *, ULONG_PTR user) { ++*reinterpret_cast<int *>(user); },
                       reinterpret_cast<ULONG_PTR>(&flips));
    const int64_t loopEnd = sampleOf(960);
    song.playStartTick = song.GetTrackMaster()->GetTimeFromSample(loopEnd - 100);
    ASSERT_EQ(song.OnStartPlayback(), 1);
    const int64_t toEnd = loopEnd - song.currentSample;
    const long startTick = song.currentTick;
    song.AskPlayback(512);
    ASSERT_EQ(track->cells.size(), 2u);
    EXPECT_EQ(track->cells[0].cellSamples, toEnd);
    EXPECT_EQ(track->cells[0].jumped, 0);
    EXPECT_EQ(track->cells[0].limitTick, 960);
    EXPECT_EQ(track->cells[0].sampleLimit, loopEnd);
    EXPECT_EQ(track->cells[1].cellSamples, 512 - toEnd);
    EXPECT_EQ(track->cells[1].bufferOffset, toEnd);
    EXPECT_EQ(track->cells[1].jumped, 1);
    EXPECT_EQ(track->cells[1].jumpedFrom, startTick);
    EXPECT_EQ(track->startTicks[1], 0) << "the second cell starts at the loop start";
    EXPECT_EQ(flips, 1);
    ASSERT_EQ(news().size(), 1u);
    EXPECT_EQ(news()[0].code, SSTRANSPORT_LOOP);
    EXPECT_EQ(news()[0].tick, 0);
    EXPECT_EQ(song.currentSample, 512 - toEnd);
    EXPECT_EQ(song.jumped, 0);
}

// A loop of one tick played 64 times as fast lasts less than a frame: each
// cell still moves the buffer on by a frame (it was an endless loop).
TEST_F(SongPlayback, ALoopShorterThanAFrameStillMovesOn)
{
    song.loop = 1;
    song.SetTimeSelection(0, 1);
    song.tempoFactor = 64.0f;
    ASSERT_EQ(song.OnStartPlayback(), 1);
    song.AskPlayback(64);
    long frames = 0;
    for (const ASKPLAYBACK &cell : track->cells)
        frames += cell.cellSamples;
    EXPECT_EQ(frames, 64);
}

TEST_F(SongPlayback, TheTempoFactorScalesTheSongPosition)
{
    ASSERT_EQ(song.OnStartPlayback(), 1);
    song.tempoFactor = 2.0f;
    song.AskPlayback(512);
    ASSERT_EQ(track->cells.size(), 1u);
    EXPECT_EQ(track->cells[0].applyFactor, 1);
    EXPECT_EQ(track->cells[0].factorChanged, 1);
    EXPECT_EQ(song.currentSample, 1024);
    ASSERT_EQ(news().size(), 1u);
    EXPECT_EQ(news()[0].code, SSTRANSPORT_FACTOR);
    EXPECT_EQ(news()[0].factor, 2.0f);
    song.AskPlayback(512);
    EXPECT_EQ(track->cells[1].factorChanged, 0);
    EXPECT_EQ(news().size(), 1u);
}

TEST_F(SongPlayback, MutedAndSoloTracksHearTheirBits)
{
    auto *other = new CellTrack(2, &song);
    ASSERT_EQ(song.InsertTrack(other, 0), 1);
    track->SetMute(1);
    ASSERT_EQ(song.OnStartPlayback(), 1);
    song.AskPlayback(64);
    EXPECT_EQ(track->cells[0].audible, 0);
    EXPECT_EQ(other->cells[0].audible, 1);
    other->SetSolo(1);
    track->SetMute(0);
    ASSERT_EQ(song.OnStartPlayback(), 1);
    song.AskPlayback(64);
    EXPECT_EQ(track->cells[1].audible, 0);
    EXPECT_EQ(other->cells[1].audible, 1);
}

TEST_F(SongPlayback, RewindAndForwardStopAtTheMarks)
{
    song.SetPlaySPtrCallback(nullptr, nullptr);
    song.SetTimeSelection(960, 1920);
    song.lastStartTick = 480;
    song.playStartTick = 3000;
    song.OnRewPlayback();
    EXPECT_EQ(song.playStartTick, 1920);
    song.OnRewPlayback();
    EXPECT_EQ(song.playStartTick, 960);
    song.OnRewPlayback();
    EXPECT_EQ(song.playStartTick, 480);
    song.OnRewPlayback();
    EXPECT_EQ(song.playStartTick, 0);
    song.OnFFPlayback();
    EXPECT_EQ(song.playStartTick, 480);
    song.playStartTick = 2000;
    song.OnFFPlayback();
    EXPECT_EQ(song.playStartTick, 4 * 960) << "the song end";
    song.OnFFPlayback();
    EXPECT_EQ(song.playStartTick, 4 * 960);
    song.JumpSongPtr(100);
    EXPECT_EQ(song.playStartTick, 100);
}

} // namespace
