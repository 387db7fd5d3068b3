#include "outside/mfx/song_timeline.h"

#include "data/song.h"
#include "data/track_master.h"
#include "data/tests/fake_sound.h"

#include <gtest/gtest.h>

using namespace Quorvane;

namespace {

// A song at 960 ticks per quarter: 4/4 at 100 quarters per minute, 150 from
// bar 2 (tick 3840), 3/4 from bar 3 (tick 7680).
class SongAsHost : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(song.SetDefault(), 1);
        CTrackMaster *master = song.GetTrackMaster();
        EVENT tempo, meter;
        tempo.setTempo(150.0f);
        tempo.time = 3840;
        meter.setTSign(3, 2);
        meter.time = 7680;
        master->AddToTail(&tempo, 1);
        master->AddToTail(&meter, 1);
        master->Sort();
        ASSERT_EQ(master->UpdateParams(0), 1);
        song.SongActivate();
    }
    FakeSoundMngr sound;
    CSong song{nullptr, &sound};
    tembri_mfx::SongTimeline timeline{song.GetITembriSong()};
    mfx_hosting::HostContext context{&timeline};
};

TEST_F(SongAsHost, TheContextAnswersFromTheSongsMaps)
{
    IMfxTempoMap *tempo = nullptr;
    IMfxMeterMap *meter = nullptr;
    ASSERT_EQ(context.context()->QueryInterface(IID_IMfxTempoMap, reinterpret_cast<void **>(&tempo)), S_OK);
    ASSERT_EQ(context.context()->QueryInterface(IID_IMfxMeterMap, reinterpret_cast<void **>(&meter)), S_OK);
    EXPECT_EQ(tempo->GetTicksPerQuarter(), 960);
    EXPECT_EQ(tempo->GetTempoCount(), 2);
    EXPECT_EQ(tempo->GetTempoIndexForTime(4000), 1);
    LONG start = -1, value = -1;
    ASSERT_EQ(tempo->GetTempoAt(1, &start, &value), S_OK);
    EXPECT_EQ(start, 3840);
    EXPECT_EQ(value, 15000);
    ASSERT_EQ(tempo->GetTempoAt(0, &start, &value), S_OK);
    EXPECT_EQ(value, 10000);
    EXPECT_EQ(tempo->GetTempoAt(2, &start, &value), E_FAIL);
    // Four quarters at 100 (2.4 s) and two at 150 (0.8 s).
    EXPECT_EQ(tempo->TicksToMsecs(3840 + 1920), 3200);
    EXPECT_EQ(tempo->MsecsToTicks(3200), 3840 + 1920);

    LONG measure, beat, tick;
    ASSERT_EQ(meter->TicksToMeasureBeatTick(7680 + 960 + 5, &measure, &beat, &tick), S_OK);
    EXPECT_EQ(measure, 3);
    EXPECT_EQ(beat, 2);
    EXPECT_EQ(tick, 5);
    EXPECT_EQ(meter->MeasureBeatTickToTicks(4, 1, 0), 7680 + 2880) << "bar 3 is a 3/4 bar";
    EXPECT_EQ(meter->GetMeterCount(), 2);
    EXPECT_EQ(meter->GetMeterIndexForTime(9000), 1);
    LONG first, numerator, power;
    ASSERT_EQ(meter->GetMeterAt(1, &first, &numerator, &power), S_OK);
    EXPECT_EQ(first, 3);
    EXPECT_EQ(numerator, 3);
    EXPECT_EQ(power, 2);
    EXPECT_EQ(meter->GetMeterAt(5, &first, &numerator, &power), E_FAIL);
    tempo->Release();
    meter->Release();
    EXPECT_EQ(context.references, 1);
}

TEST_F(SongAsHost, RenderInformationIsOfferedOnlyWhenAsked)
{
    IMfxRenderInfo *render = nullptr;
    EXPECT_EQ(context.context()->QueryInterface(IID_IMfxRenderInfo, reinterpret_cast<void **>(&render)),
              E_NOINTERFACE);
    context.offersRenderInfo = true;
    context.renderState = 1;
    ASSERT_EQ(context.context()->QueryInterface(IID_IMfxRenderInfo, reinterpret_cast<void **>(&render)),
              S_OK);
    EXPECT_EQ(render->GetRenderState(), 1);
    render->Release();
}

} // namespace
