#include "plugin/fill/looper/looper.h"

#include "plugin/fill/looper/tests/fake_looper_host.h"

#include "base/string_stream.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace Quorvane;
using namespace looper_test;

namespace {

std::string save(const Looper &looper)
{
    std::string bytes;
    stringStream out(bytes);
    EXPECT_TRUE(looper.save(out));
    return bytes;
}

std::string smf(const CMidiTrack &pattern)
{
    std::string bytes;
    stringStream out(bytes);
    EXPECT_EQ(pattern.saveSmf(out), 0);
    return bytes;
}

int32_t int32At(const std::string &bytes, size_t at)
{
    int32_t v;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

// A looper with every field away from its default.
void makeUnusual(Looper &looper)
{
    load(looper, 96, {note(0, 36, 100, 24), note(48, 38, 70, 12), note(72, 42, 90, 6)});
    looper.setMute(true);
    looper.setNotesOff(true);
    looper.setParam(Looper::VelocityOffset, -12);
    looper.setParam(Looper::KeyOffset, 5);
    looper.setParam(Looper::TimeOffset, -33);
    looper.setParam(Looper::DynamicsPercent, 70);
    looper.setInstrument(36 * 128 + 35);
    looper.setFixedNote(true, 60);
}

class LooperBlock : public ::testing::Test {
protected:
    FakeHost host;
    Looper looper{host, 1};
};

TEST_F(LooperBlock, RoundTripsByteForByte)
{
    makeUnusual(looper);
    const std::string bytes = save(looper);

    FakeHost otherHost;
    Looper copy(otherHost, 1);
    std::string source = bytes;
    stringStream in(source);
    ASSERT_TRUE(copy.load(in));
    EXPECT_EQ(in.position(), bytes.size());
    EXPECT_EQ(save(copy), bytes);

    EXPECT_TRUE(copy.isMuted());
    EXPECT_TRUE(copy.isNotesOff());
    EXPECT_EQ(copy.getParam(Looper::VelocityOffset), -12);
    EXPECT_EQ(copy.getParam(Looper::KeyOffset), 5);
    EXPECT_EQ(copy.getParam(Looper::TimeOffset), -33);
    EXPECT_EQ(copy.getParam(Looper::DynamicsPercent), 70);
    EXPECT_TRUE(copy.hasFixedNote());
    EXPECT_EQ(copy.fixedNote(), 60);
    EXPECT_EQ(copy.drumMap().getNote(36), 35);
    EXPECT_EQ(copy.patternResolution(), 96);
    EXPECT_EQ(copy.lowestVelocity(), 70);
    EXPECT_EQ(copy.highestVelocity(), 100);

    // The loaded pattern plays like the saved one.
    looper.setMute(false);
    copy.setMute(false);
    looper.play(1920, 3839, host);
    copy.play(1920, 3839, otherHost);
    ASSERT_EQ(host.events.size(), 3u);
    ASSERT_EQ(otherHost.events.size(), 3u);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(std::memcmp(&host.events[i], &otherHost.events[i], sizeof(Event)), 0) << i;
}

TEST_F(LooperBlock, RoundTripsThePartWithEventsOfNoNote)
{
    Looper extra(host, 0);
    load(extra, 480,
         {note(0, 75, 100, 120), other(10, Event::KeyPressure, 75, 20), other(20, Event::Controller, 4, 90),
          other(40, Event::ChannelPressure, 0, 30), other(50, Event::PitchBend, 0x12, 0x34)});
    const std::string bytes = save(extra);
    Looper copy(host, 0);
    std::string source = bytes;
    stringStream in(source);
    ASSERT_TRUE(copy.load(in));
    EXPECT_EQ(save(copy), bytes);
    EXPECT_EQ(copy.pattern().getEventCount(), 5u);
}

TEST_F(LooperBlock, LayoutOfTheBlock)
{
    makeUnusual(looper);
    const std::string bytes = save(looper);
    const std::string file = smf(looper.pattern());

    EXPECT_EQ(int32At(bytes, 0), 6);
    ASSERT_EQ(bytes.compare(4, file.size(), file), 0);
    size_t at = 4 + file.size();
    EXPECT_EQ(int32At(bytes, at), 1); // mute
    EXPECT_EQ(int32At(bytes, at + 4), -12);
    EXPECT_EQ(int32At(bytes, at + 8), 5);
    EXPECT_EQ(int32At(bytes, at + 12), 0);
    EXPECT_EQ(int32At(bytes, at + 16), 0);
    EXPECT_EQ(int32At(bytes, at + 20), 0);
    EXPECT_EQ(int32At(bytes, at + 24), 1); // fixed note on
    at += 28;
    std::string map;
    stringStream mapOut(map);
    ASSERT_TRUE(looper.drumMap().write(mapOut));
    ASSERT_EQ(bytes.compare(at, map.size(), map), 0);
    at += map.size();
    EXPECT_EQ(int32At(bytes, at), -33);
    EXPECT_EQ(int32At(bytes, at + 4), 70);
    EXPECT_EQ(uint8_t(bytes[at + 8]), 60);
    EXPECT_EQ(uint8_t(bytes[at + 9]), 1); // notes-off
    EXPECT_EQ(bytes.size(), at + 10);
}

// Builds a block of an older version with the fields that version has.
std::string oldBlock(int32_t version, const CMidiTrack &pattern)
{
    std::string bytes;
    stringStream out(bytes);
    out.write(version);
    pattern.saveSmf(out);
    out.write(int32_t(1));  // mute
    out.write(int32_t(7));  // velocity offset
    out.write(int32_t(-3)); // key offset
    if (version >= 2)
        for (int i = 0; i < 3; ++i)
            out.write(int32_t(0));
    if (version >= 3) {
        out.write(int32_t(1));
        DrumMap map;
        map.setNote(38, 39);
        map.write(out);
    }
    if (version >= 4) {
        out.write(int32_t(25));
        out.write(int32_t(40));
    }
    if (version >= 5)
        out.write(uint8_t(70));
    if (version >= 6)
        out.write(uint8_t(1));
    out.write(int32_t(0x5E17)); // what follows the block
    return bytes;
}

TEST_F(LooperBlock, OlderVersionsTakeDefaultsForWhatTheyLack)
{
    const CMidiTrack pattern = track(240, {note(0, 38, 100)});
    for (int32_t version = 1; version <= 6; ++version) {
        SCOPED_TRACE(version);
        FakeHost h;
        Looper l(h, 1);
        makeUnusual(l); // fields a short block lacks go back to their defaults
        std::string bytes = oldBlock(version, pattern);
        stringStream in(bytes);
        ASSERT_TRUE(l.load(in));
        EXPECT_EQ(in.readInt32(), 0x5E17); // exactly the block was read

        EXPECT_TRUE(l.isMuted());
        EXPECT_EQ(l.getParam(Looper::VelocityOffset), 7);
        EXPECT_EQ(l.getParam(Looper::KeyOffset), -3);
        EXPECT_EQ(l.hasFixedNote(), version >= 3);
        EXPECT_EQ(l.drumMap().getNote(38), version >= 3 ? 39 : 38);
        EXPECT_EQ(l.drumMap().getNote(36), 36);
        EXPECT_EQ(l.getParam(Looper::TimeOffset), version >= 4 ? 25 : 0);
        EXPECT_EQ(l.getParam(Looper::DynamicsPercent), version >= 4 ? 40 : 100);
        EXPECT_EQ(l.fixedNote(), version >= 5 ? 70 : 54);
        EXPECT_EQ(l.isNotesOff(), version >= 6);
        EXPECT_EQ(l.laneCount(), 128); // lanes are the instrument notes
        EXPECT_TRUE(l.usesNote(38));
    }
}

TEST_F(LooperBlock, DamagedBlockFailsAndChangesNothing)
{
    makeUnusual(looper);
    const std::string before = save(looper);
    const uint32_t generation = looper.patternGeneration();

    FakeHost otherHost;
    Looper donor(otherHost, 1);
    load(donor, 480, {note(0, 50, 20)});
    donor.setParam(Looper::KeyOffset, -9);
    const std::string good = save(donor);

    // Every cut of a good block.
    for (size_t length = 0; length < good.size(); ++length) {
        std::string cut = good.substr(0, length);
        stringStream in(cut);
        ASSERT_FALSE(looper.load(in)) << length;
    }
    // Unknown versions.
    for (int32_t version : {0, -1, 7, 0x7FFFFFFF}) {
        std::string bad = good;
        std::memcpy(bad.data(), &version, 4);
        stringStream in(bad);
        EXPECT_FALSE(looper.load(in)) << version;
    }
    // A track chunk claiming far more than the stream holds.
    {
        std::string bad = good;
        const size_t chunk = bad.find("MTrk");
        ASSERT_NE(chunk, std::string::npos);
        const char huge[4] = {char(0x7F), char(0xFF), char(0xFF), char(0xF0)};
        std::memcpy(bad.data() + chunk + 4, huge, 4);
        stringStream in(bad);
        EXPECT_FALSE(looper.load(in));
    }
    // A drum map whose name is longer than the stream.
    {
        std::string bad = good;
        const size_t name = 4 + smf(donor.pattern()).size() + 28 + 4;
        const uint32_t length = 0x40000000;
        std::memcpy(bad.data() + name, &length, 4);
        stringStream in(bad);
        EXPECT_FALSE(looper.load(in));
    }
    EXPECT_EQ(save(looper), before);
    EXPECT_EQ(looper.patternGeneration(), generation);
    EXPECT_EQ(looper.getParam(Looper::KeyOffset), 5);
}

TEST_F(LooperBlock, LoadedValuesAreLimited)
{
    std::string bytes;
    stringStream out(bytes);
    out.write(int32_t(6));
    track(240, {note(0, 36, 100)}).saveSmf(out);
    out.write(int32_t(-7)); // any non-zero mute is on
    out.write(int32_t(500));
    out.write(int32_t(-300));
    for (int i = 0; i < 3; ++i)
        out.write(int32_t(0));
    out.write(int32_t(0));
    DrumMap().write(out);
    out.write(int32_t(-2000000)); // time offsets are not limited
    out.write(int32_t(1000));
    out.write(uint8_t(200));
    out.write(uint8_t(9));
    out.setPosition(0);
    ASSERT_TRUE(looper.load(out));
    EXPECT_TRUE(looper.isMuted());
    EXPECT_EQ(looper.getParam(Looper::VelocityOffset), 127);
    EXPECT_EQ(looper.getParam(Looper::KeyOffset), -127);
    EXPECT_EQ(looper.getParam(Looper::TimeOffset), -2000000);
    EXPECT_EQ(looper.getParam(Looper::DynamicsPercent), 100);
    EXPECT_EQ(looper.fixedNote(), 127);
    EXPECT_TRUE(looper.isNotesOff());
}

TEST_F(LooperBlock, LoadReplacesThePlayingPatternAndRefreshesTheView)
{
    load(looper, 240, {note(0, 36, 100)});
    looper.view();
    looper.play(1920, 2000, host);
    FakeHost otherHost;
    Looper donor(otherHost, 1);
    load(donor, 240, {note(60, 38, 100), note(120, 40, 100)});
    std::string bytes = save(donor);
    stringStream in(bytes);
    host.lastView->calls.clear();
    ASSERT_TRUE(looper.load(in));
    EXPECT_EQ(host.lastView->calls,
              (std::vector<std::string>{"mute off", "notes-off off", "parameter", "events"}));
    host.events.clear();
    looper.play(2001, 3839, host);
    ASSERT_EQ(host.events.size(), 2u);
    EXPECT_EQ(host.events[0].time, 2040);
}

TEST_F(LooperBlock, ExtensionBlock)
{
    looper.setExclude(true);
    std::string bytes;
    stringStream out(bytes);
    ASSERT_TRUE(looper.saveExtension(out));
    EXPECT_EQ(bytes, std::string("\x01\x00\x00\x00\x01", 5));

    Looper copy(host, 2);
    std::string source = bytes;
    stringStream in(source);
    ASSERT_TRUE(copy.loadExtension(in));
    EXPECT_TRUE(copy.isExcluded());

    std::string zero("\x01\x00\x00\x00\x00", 5);
    stringStream zeroIn(zero);
    ASSERT_TRUE(copy.loadExtension(zeroIn));
    EXPECT_FALSE(copy.isExcluded());

    for (const std::string &bad : {std::string("\x02\x00\x00\x00\x01", 5), std::string("\x01\x00\x00\x00", 4),
                                   std::string("\x00\x00\x00\x00\x01", 5)}) {
        std::string b = bad;
        stringStream badIn(b);
        EXPECT_FALSE(looper.loadExtension(badIn));
        EXPECT_TRUE(looper.isExcluded());
    }
}

} // namespace
