#include "plugin/framework/drums/output_event.h"

#include <gtest/gtest.h>

using namespace Quorvane;

namespace {

CMidiTrack::Event eventOf(int32_t kind, uint8_t data1, uint8_t data2)
{
    CMidiTrack::Event event;
    event.time = 960;
    event.channel = 9;
    event.kind = kind;
    event.data1 = data1;
    event.data2 = data2;
    event.flags2 = 64;
    event.duration = kind == CMidiTrack::Event::Note ? 120 : 0;
    return event;
}

} // namespace

TEST(OutputEvent, CarriesEveryFieldOfTheTrackEvent)
{
    const MfxEvent out = toMfxEvent(eventOf(CMidiTrack::Event::Note, 38, 100), 3);
    EXPECT_EQ(out.time, 960);
    EXPECT_EQ(out.port, 3);
    EXPECT_EQ(out.channel, 9);
    EXPECT_EQ(out.kind, MfxNote);
    EXPECT_EQ(out.note, 38);
    EXPECT_EQ(out.velocity, 100);
    EXPECT_EQ(out.releaseVelocity, 64);
    EXPECT_EQ(out.duration, 120);
}

TEST(OutputEvent, PortChannelAndVelocityStage)
{
    OutputVelocityDynamics dynamics(30, 110);
    struct Case {
        int32_t kind;
        uint8_t velocity;
        int32_t channel;
        uint8_t wantChannel;
        uint8_t wantVelocity;
    };
    const Case cases[] = {
        {CMidiTrack::Event::Note, 100, -1, 9, 100},       // channel kept
        {CMidiTrack::Event::Note, 10, 4, 4, 30},          // below the minimum
        {CMidiTrack::Event::Note, 127, 4, 4, 110},        // above the maximum
        {CMidiTrack::Event::KeyPressure, 10, 4, 4, 10},   // not a note: no velocity stage
        {CMidiTrack::Event::PitchBend, 127, 15, 15, 127}, // the last channel message kind
        {CMidiTrack::Event::None, 5, 4, 9, 5},            // not a channel message
    };
    for (const Case &c : cases) {
        const MfxEvent out = toOutputEvent(eventOf(c.kind, 60, c.velocity), 2, c.channel, dynamics);
        EXPECT_EQ(out.port, 2) << c.kind;
        EXPECT_EQ(out.channel, c.wantChannel) << c.kind << " " << c.channel;
        EXPECT_EQ(out.velocity, c.wantVelocity) << c.kind << " " << int(c.velocity);
    }
}
