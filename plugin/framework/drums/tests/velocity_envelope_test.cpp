#include "base/string_stream.h"
#include "plugin/framework/drums/velocity_envelope.h"

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;

TEST(VelocityEnvelope, DefaultsAreAFlatRelativeCurve)
{
    VelocityEnvelope envelope;
    EXPECT_EQ(envelope.position(0), 0);
    EXPECT_EQ(envelope.position(1), 479);
    EXPECT_EQ(envelope.position(2), 959);
    EXPECT_FALSE(envelope.isAbsolute());
    EXPECT_TRUE(envelope.isOn());
    EXPECT_EQ(envelope.range(), 64);
    EXPECT_EQ(envelope.centre(), 100);
    EXPECT_EQ(envelope.apply(64, 123, 480), 64);
    EXPECT_EQ(envelope.apply(0, 0, 480), 1);
    EXPECT_EQ(envelope.apply(200, 0, 480), 127);
    EXPECT_FALSE(envelope.setAbsolute(0)) << "already relative";
}

// Absolute points 10 at step 0, 58 at 480 and 106 at 959, over two bars of
// 240 ticks per quarter (1920 ticks).
class PositionedEnvelope : public ::testing::Test {
protected:
    PositionedEnvelope()
    {
        envelope.setAbsolute(1);
        envelope.setPoint(0, 0, 10);
        envelope.setPoint(1, 480, 58);
        envelope.setPoint(2, 959, 106);
        envelope.setBars(2);
    }
    VelocityEnvelope envelope;
};

TEST_F(PositionedEnvelope, TimeMapsOntoTheCycle)
{
    EXPECT_EQ(envelope.apply(100, 960, 240), 58) << "time 960 is step 480";
    EXPECT_EQ(envelope.apply(100, 1920, 240), 10) << "time 1920 is step 0 again";
    EXPECT_EQ(envelope.apply(100, 480, 240), 34) << "step 240: 10 + 240 * 48 / 480";
    EXPECT_EQ(envelope.apply(100, 1917, 240), 105) << "step 958: 58 + 478 * 48 / 479";
    EXPECT_EQ(envelope.apply(100, -480, 240), 82) << "before the start wraps to step 720";
}

TEST_F(PositionedEnvelope, StartBarShiftsTheCycle)
{
    envelope.setStartBar(2);
    EXPECT_EQ(envelope.startBar(), 1);
    EXPECT_EQ(envelope.apply(100, 960, 240), 10) << "bar 2 starts the cycle";
    envelope.setStartBar(0);
    EXPECT_EQ(envelope.startBar(), 0);
    envelope.setBars(0);
    EXPECT_EQ(envelope.bars(), 1);
}

TEST_F(PositionedEnvelope, PastTheLastPointItsValueHolds)
{
    envelope.setPoint(2, 800, 106);
    EXPECT_EQ(envelope.apply(100, 1900, 240), 106); // step 950
}

TEST_F(PositionedEnvelope, OffLeavesVelocities)
{
    envelope.setOn(false);
    EXPECT_EQ(envelope.apply(100, 960, 240), 100);
    EXPECT_EQ(envelope.apply(200, 960, 240), 200);
}

TEST(VelocityEnvelope, ADegenerateTimeBaseStaysAtTheFirstPoint)
{
    VelocityEnvelope envelope;
    envelope.setPoint(0, 0, -20);
    EXPECT_EQ(envelope.apply(100, 5000, 0), 80);
    EXPECT_EQ(envelope.apply(100, 5000, -480), 80);
}

TEST(VelocityEnvelope, RelativeValuesOffsetTheVelocity)
{
    VelocityEnvelope envelope;
    envelope.setPoint(0, 0, -20);
    envelope.setPoint(1, 479, 0);
    envelope.setPoint(2, 959, 40);
    EXPECT_EQ(envelope.apply(100, 0, 480), 80);
    EXPECT_EQ(envelope.apply(80, 1916, 480), 119); // step 958: 0 + 479 * 40 / 480 = 39
    EXPECT_EQ(envelope.apply(120, 1916, 480), 127);
}

TEST(VelocityEnvelope, SwitchingModesConvertsAroundTheCentre)
{
    VelocityEnvelope envelope;
    envelope.setPoint(0, 0, -80);
    envelope.setPoint(1, 479, 0);
    envelope.setPoint(2, 959, 40);
    EXPECT_TRUE(envelope.setAbsolute(1));
    EXPECT_TRUE(envelope.isAbsolute());
    EXPECT_EQ(envelope.value(0), 20);
    EXPECT_EQ(envelope.value(1), 100);
    EXPECT_EQ(envelope.value(2), 127);
    EXPECT_FALSE(envelope.setAbsolute(1));

    envelope.setPoint(0, 0, 10);
    EXPECT_TRUE(envelope.setAbsolute(0));
    EXPECT_EQ(envelope.value(0), -64) << "10 - 100 limited to the range";
    EXPECT_EQ(envelope.value(1), 0);
    EXPECT_EQ(envelope.value(2), 27);
}

TEST(VelocityEnvelope, ResetKeepsBarsAndRange)
{
    VelocityEnvelope envelope;
    envelope.setAbsolute(1);
    envelope.setPoint(1, 300, 77);
    envelope.setOn(false);
    envelope.setBars(4);
    envelope.setRange(30);
    envelope.reset();
    EXPECT_FALSE(envelope.isAbsolute());
    EXPECT_TRUE(envelope.isOn());
    EXPECT_EQ(envelope.position(1), 479);
    EXPECT_EQ(envelope.value(1), 0);
    EXPECT_EQ(envelope.bars(), 4);
    EXPECT_EQ(envelope.range(), 30);
}

TEST(VelocityEnvelope, RecordIsElevenIntegers)
{
    VelocityEnvelope envelope;
    envelope.setPoint(0, 10, -5);
    envelope.setPoint(1, 500, 7);
    envelope.setPoint(2, 900, 20);
    envelope.setOn(false);
    envelope.setRange(50);
    envelope.setCentre(90);
    envelope.setBars(3);
    std::string bytes;
    Quorvane::stringStream stream(bytes);
    ASSERT_TRUE(envelope.save(stream));
    EXPECT_EQ(bytes, "\x01\0\0\0"
                     "\x0A\0\0\0\xFB\xFF\xFF\xFF"
                     "\xF4\x01\0\0\x07\0\0\0"
                     "\x84\x03\0\0\x14\0\0\0"
                     "\0\0\0\0\0\0\0\0\x32\0\0\0\x5A\0\0\0"s);

    stream.setPosition(0);
    VelocityEnvelope back;
    ASSERT_TRUE(back.load(stream));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(back.position(i), envelope.position(i));
        EXPECT_EQ(back.value(i), envelope.value(i));
    }
    EXPECT_FALSE(back.isOn());
    EXPECT_EQ(back.range(), 50);
    EXPECT_EQ(back.centre(), 90);
    EXPECT_EQ(back.bars(), 1) << "bars are not stored";
}

TEST(VelocityEnvelope, LoadingTakesAnyNonZeroAsOnAndShortRecordsChangeNothing)
{
    std::string bytes = "\x01\0\0\0"s + std::string(24, '\0') + "\0\0\0\0\x05\0\0\0\x40\0\0\0\x64\0\0\0"s;
    Quorvane::stringStream stream(bytes);
    VelocityEnvelope envelope;
    envelope.setOn(false);
    ASSERT_TRUE(envelope.load(stream));
    EXPECT_TRUE(envelope.isOn());

    std::string shortBytes = bytes.substr(0, 40);
    Quorvane::stringStream shortStream(shortBytes);
    VelocityEnvelope kept;
    kept.setPoint(1, 400, 9);
    EXPECT_FALSE(kept.load(shortStream));
    EXPECT_EQ(kept.position(1), 400);
    EXPECT_EQ(kept.value(1), 9);
}

} // namespace
