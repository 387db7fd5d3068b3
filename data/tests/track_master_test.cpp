#include "data/song.h"
#include "data/track_master.h"

#include "data/tests/fake_sound.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

using namespace Quorvane;

namespace {

class MasterTrack : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(song.SetDefault(), 1);
        master = song.GetTrackMaster();
        ASSERT_NE(master, nullptr);
    }
    // Replaces the master's events and rebuilds the maps.
    void meterAt(int32_t time, long numerator, long power)
    {
        EVENT e;
        e.setTSign(numerator, power);
        e.time = time;
        master->AddToTail(&e, 1);
        master->Sort();
        ASSERT_EQ(master->UpdateParams(0), 1);
    }
    std::string text(char *(CTrackMaster::*fn)(long, char *), long tick)
    {
        char buffer[64];
        return (master->*fn)(tick, buffer);
    }
    FakeSoundMngr sound;
    CSong song{nullptr, &sound};
    CTrackMaster *master = nullptr;
};

TEST_F(MasterTrack, DefaultsAreFourFourCMajorAtOneHundred)
{
    EXPECT_EQ(master->id, 0u);
    EXPECT_EQ(master->output, &sound.tract.preview);
    ASSERT_EQ(master->GetNumb(), 3);
    EXPECT_TRUE(master->GetEvent(0)->IsTSign());
    EXPECT_TRUE(master->GetEvent(1)->IsKSign());
    EXPECT_TRUE(master->GetEvent(2)->IsTempo());
    EXPECT_EQ(std::string(reinterpret_cast<char *>(master->GetEvent(0)->payload), 4), "\x04\x02\x18\x08");
    EXPECT_EQ(master->GetKSign(0), 15);
    EXPECT_NEAR(master->GetTempoAtTime(0), 100.0f, 1e-3);
    EXPECT_EQ(master->GetSampleFromTime(960), 26460);
    EXPECT_EQ(master->GetTimeBase(), 960);
    EXPECT_EQ(master->GetSPS(), 44100);
}

TEST_F(MasterTrack, PositionsAsText)
{
    meterAt(15360, 3, 2);
    EXPECT_EQ(text(&CTrackMaster::StringTime, 0), "1:01:000");
    EXPECT_EQ(text(&CTrackMaster::StringTime, 15360 + 2880 + 965), "6:02:005");
    EXPECT_EQ(text(&CTrackMaster::StringMeter, 20000), "3/4");
    EXPECT_EQ(text(&CTrackMaster::StringMeter, 0), "4/4");
    char buffer[64];
    EXPECT_STREQ(master->StringDur(3840 + 960 + 7, buffer, 0), "1:01:007");
    EXPECT_STREQ(master->StringDur(3840 + 960 + 7, buffer, 16000), "1:02:007"); // 3/4 bars there
    EXPECT_STREQ(master->StringTonal(0, buffer, 1), "C-Major (0)");
    EXPECT_STREQ(master->StringNote(61, buffer, 0, NOTE_WITH_OCTAVE | NOTE_WITH_NUMBER), "C#5 (61)");
}

TEST_F(MasterTrack, PositionsFromText)
{
    meterAt(15360, 3, 2);
    struct Case {
        const char *text;
        long time, duration;
    } cases[] = {
        {"100", 100, 100},
        {"2:5", 965, 2 * 960 + 5},
        {"1:1:0", 0, 3840 + 960},
        {"5:1:0", 15360, 5 * 3840 + 960},
        {"6:2:5", 15360 + 2880 + 965, 6 * 3840 + 2 * 960 + 5},
        {" 3 : 1", 3, 3}, // a blank before ':' ends the numbers after one
        {"0:1:0", -1, 960},
        {"1:0:0", -1, 3840},
        {"1.5", -1, -1},
        {"-3", -1, -1},
        {"", -1, -1},
        {"::", -1, -1},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(master->TimeFromString(c.text), c.time) << c.text;
        EXPECT_EQ(master->DurFromString(c.text, 0), c.duration) << c.text;
    }
    EXPECT_EQ(master->DurFromString("1:0:0", 16000), 2880);
}

TEST_F(MasterTrack, GridSteps)
{
    const long steps[] = {0, 3840, 1920, 1280, 960, 640, 480, 320, 240, 160, 120, 80};
    for (long i = 0; i < 12; ++i)
        EXPECT_EQ(master->GetGrid(i), steps[i]) << i;
    EXPECT_EQ(master->GetGrid(12), 0);
    EXPECT_EQ(master->GridTime(1200, 1, 4), 960);
    EXPECT_EQ(master->GridTime(1440, 1, 4), 960); // a tie goes to the earlier line
    EXPECT_EQ(master->GridTime(1441, 1, 4), 1920);
    EXPECT_EQ(master->GridTime(1441, 0, 4), 1441);
    EXPECT_EQ(master->GridTime(1900, 1, 0), 0);
    EXPECT_EQ(master->GridTime(1921, 1, 0), 3840);
    EXPECT_EQ(master->GridTime(77, 1, 99), 77);
    EXPECT_EQ(master->GridDur(10, 1, 8, 0), 240);
    EXPECT_EQ(master->GridDur(360, 1, 8, 0), 240); // a tie rounds down
    EXPECT_EQ(master->GridDur(361, 1, 8, 0), 480);
    EXPECT_EQ(master->GridDur(5000, 1, 0, 0), 3840);
    EXPECT_EQ(master->GridDur(0, 0, 8, 0), 1);
    EXPECT_EQ(master->GridDur(37, 0, 8, 0), 37);
}

TEST_F(MasterTrack, KeyChangesStayOnTheirBarsWhenTheMeterChanges)
{
    EVENT key;
    key.setKSign(17);
    key.time = 4 * 3840;
    master->AddToTail(&key, 1);
    master->GetEvent(1)->SetDelt(); // no key at tick 0
    master->Erase();
    master->Sort();
    ASSERT_EQ(master->UpdateParams(0), 1);
    master->GetEvent(0)->setTSignVal(3, 2);
    ASSERT_EQ(master->UpdateParams(1), 1);
    const EVENT *moved = master->GetEvent(master->GetNumb() - 1);
    ASSERT_TRUE(moved->IsKSign());
    EXPECT_EQ(moved->time, 4 * 2880);
    EXPECT_EQ(master->GetKSign(4 * 2880), 17);
    EXPECT_EQ(master->GetKSign(4 * 2880 - 1), 15);
}

// Damaged master events from a file: every lookup still answers.
TEST_F(MasterTrack, DamagedEventsGiveSaneMaps)
{
    struct Case {
        uint8_t status;
        std::string payload;
    } cases[] = {
        {0x58, std::string("\x00\x00", 2)},     {0x58, std::string("\x09\x40", 2)},
        {0x58, std::string("\xFF\x1F", 2)},     {0x58, std::string()},
        {0x59, std::string("\x64\x64", 2)},     {0x59, std::string("\x9C\x00", 2)},
        {0x51, std::string("\x00\x00\x00", 3)}, {0x51, std::string("\xFF\xFF\xFF", 3)},
        {0x51, std::string("\x00\x00\x01", 3)}, {0x51, std::string("\x07", 1)},
    };
    for (const Case &c : cases) {
        EVENT e;
        e.setLong(c.status, c.payload.data(), static_cast<long>(c.payload.size()));
        e.time = 1920;
        master->AddToTail(&e, 1);
        master->Sort();
        ASSERT_EQ(master->UpdateParams(0), 1);
        long bar, beat, tick;
        master->GetMBTFromTime(1000000, bar, beat, tick);
        EXPECT_GE(bar, 0);
        EXPECT_GE(master->GetKSign(5000), 0);
        EXPECT_LE(master->GetKSign(5000), 29);
        const int64_t sample = master->GetSampleFromTime(100000);
        EXPECT_GT(sample, 0);
        EXPECT_GT(master->GetTimeFromSample(sample), 1920);
        EXPECT_GT(master->GetTempoAtTime(5000), 0.0f);
        char buffer[64];
        master->StringTime(1000000, buffer);
        master->StringTonal(5000, buffer, 1);
        EXPECT_EQ(master->GridTime(1000000, 1, 0) >= 0, true);
        for (long i = 0; i < master->GetNumb(); ++i) {
            if (master->GetEvent(i)->time == 1920)
                master->GetEvent(i)->SetDelt();
        }
        master->Erase();
        ASSERT_EQ(master->GetNumb(), 3);
    }
}

TEST(MasterTrackAlone, NeedsASongTractForItsOutput)
{
    FakeSoundMngr sound;
    sound.giveTract = false;
    CSong song(nullptr, &sound);
    EXPECT_EQ(song.SetDefault(), 0);
    EXPECT_EQ(song.GetTrackMaster(), nullptr);
    CTrackMaster loose(&song);
    EXPECT_EQ(loose.SetDefault(), 0);
    long next;
    EXPECT_NE(loose.GetPQMFromTime(0, next), nullptr); // default maps from the start
}

} // namespace
