// The stored records, pinned by bytes written by hand: read, the values
// checked one by one, written back byte for byte; and damaged records that
// must fail whole.
#include "plugin/slice/engine/loop_records.h"
#include "plugin/slice/engine/tests/record_bytes.h"

#include "base/string_stream.h"

#include <gtest/gtest.h>

namespace {

using namespace Quorvane;
using namespace Quorvane::LoopSlice;
using slice_test::Bytes;

std::string smfOf(std::initializer_list<std::pair<int32_t, uint8_t>> notes)
{
    CMidiTrack track;
    track.setResolution(480);
    for (const auto &[time, number] : notes) {
        CMidiTrack::Event e;
        e.kind = CMidiTrack::Event::Note;
        e.channel = 9;
        e.time = time;
        e.data1 = number;
        e.data2 = 100;
        e.duration = 60;
        track.insertEvent(e);
    }
    std::string bytes;
    stringStream out(bytes);
    EXPECT_EQ(track.saveSmf(out), 0);
    return bytes;
}

// A slice record of version 6 as the tables give it.
Bytes &slice(Bytes &b, const std::string &folder, const std::string &file, int32_t mute, int32_t velocity,
             int32_t key, int32_t fixedOn, const std::string &mapName, int32_t time, int32_t dynamics,
             uint8_t fixed, int32_t flags)
{
    b.i32(6).str(folder).str(file).i32(mute).i32(velocity).i32(key).i32(0).i32(0).i32(0).i32(fixedOn);
    b.drumMap(mapName, 36, 35).i32(time).i32(dynamics).u8(fixed).i32(flags);
    return b;
}

std::string loopFile(bool withSeconds)
{
    Bytes b;
    b.i32(11).u8(2).i32(6);
    slice(b, "16 Funk\\4.Percussion\\Cowbell\\", "01_2_1000000010000000_0#Cowbell.mid", 1, 0, 0, 0, "", 0,
          100, 67, 0);
    slice(b, "16 Funk\\4.Percussion\\Maracas\\", "", 1, -5, 2, 0, "", 0, 100, 73, 0);
    slice(b, "16 Funk\\4.Percussion\\universal\\", "gone.mid", 0, 0, 0, 1, "Mine", -30, 80, 61, 0);
    slice(b, "16 Funk\\3.Cymbal\\HH_Cl\\", "01_16_1111111111111111_0#HH_Cl.mid", 0, 127, -127, 0, "", 0, 100,
          54, 2);
    // Own events: the track follows the flags.
    slice(b, "Elsewhere\\2.Snare\\Snare\\", "", 0, 10, 0, 0, "", 240, 50, 54, 3)
        .raw(smfOf({{480, 38}, {1440, 38}}));
    slice(b, "16 Funk\\1.Kick\\Kick\\", "02_3_1000001000100000_0#Kick.mid", 0, 0, 0, 0, "", 0, 100, 54, 0);
    if (withSeconds) {
        b.i32(6);
        for (int i = 0; i < 6; ++i)
            b.i32(1).u8(i == 4 ? 1 : 0).i32(5 + i).i32(i);
    }
    return b.get();
}

TEST(LoopRecords, ALoopAssembledByHandReadsAndWritesBack)
{
    std::string bytes = loopFile(false);
    stringStream in(bytes);
    LoopRecord record;
    ASSERT_TRUE(readLoopRecord(in, record, false));
    EXPECT_EQ(in.position(), bytes.size());
    EXPECT_EQ(record.level, 2);
    ASSERT_EQ(record.slices.size(), 6u);
    const SliceRecord &universal = record.slices[2];
    EXPECT_EQ(universal.folder, "16 Funk\\4.Percussion\\universal\\");
    EXPECT_EQ(universal.file, "gone.mid");
    EXPECT_EQ(universal.mute, 0);
    EXPECT_EQ(universal.fixedNoteOn, 1);
    EXPECT_EQ(universal.drumMap.getName(), "Mine");
    EXPECT_EQ(universal.drumMap.getNote(36), 35);
    EXPECT_EQ(universal.timeOffset, -30);
    EXPECT_EQ(universal.dynamics, 80);
    EXPECT_EQ(universal.fixedNote, 61);
    EXPECT_EQ(record.slices[1].velocityOffset, -5);
    EXPECT_EQ(record.slices[1].keyOffset, 2);
    EXPECT_EQ(record.slices[3].flags, SliceRecord::kModified);
    const SliceRecord &own = record.slices[4];
    EXPECT_EQ(own.flags, SliceRecord::kOwnEvents | SliceRecord::kModified);
    ASSERT_TRUE(own.events);
    EXPECT_EQ(own.events->getNoteEventCount(), 2);
    EXPECT_EQ(own.events->events().front().time, 480);
    EXPECT_TRUE(record.seconds.empty());

    std::string written;
    stringStream out(written);
    ASSERT_TRUE(writeLoopRecord(out, record, false));
    EXPECT_EQ(written, bytes);
}

TEST(LoopRecords, SecondBlocksFollowInTheComposersForm)
{
    std::string bytes = loopFile(true);
    stringStream in(bytes);
    LoopRecord record;
    ASSERT_TRUE(readLoopRecord(in, record, true));
    ASSERT_EQ(record.seconds.size(), 6u);
    EXPECT_EQ(record.seconds[4].locked, 1);
    EXPECT_EQ(record.seconds[4].highest, 9);
    EXPECT_EQ(record.seconds[4].lowest, 4);
    std::string written;
    stringStream out(written);
    ASSERT_TRUE(writeLoopRecord(out, record, true));
    EXPECT_EQ(written, bytes);
}

TEST(LoopRecords, OlderSliceRecordsLackTheirLaterFields)
{
    Bytes b;
    b.i32(11).u8(0).i32(2);
    b.i32(1).str("A\\B\\C\\").str("x.mid").i32(1).i32(3).i32(-4);
    b.i32(4)
        .str("A\\B\\D\\")
        .str("")
        .i32(0)
        .i32(0)
        .i32(0)
        .i32(0)
        .i32(0)
        .i32(0)
        .i32(1)
        .drumMap("")
        .i32(120)
        .i32(90);
    std::string bytes = b.get();
    stringStream in(bytes);
    LoopRecord record;
    ASSERT_TRUE(readLoopRecord(in, record, false));
    ASSERT_EQ(record.slices.size(), 2u);
    EXPECT_EQ(record.slices[0].version, 1);
    EXPECT_EQ(record.slices[0].velocityOffset, 3);
    EXPECT_EQ(record.slices[1].version, 4);
    EXPECT_EQ(record.slices[1].timeOffset, 120);
    EXPECT_EQ(record.slices[1].dynamics, 90);
    EXPECT_EQ(in.position(), bytes.size());
}

TEST(LoopRecords, SurplusSlicesAndSecondsAreReadAndDropped)
{
    Bytes b;
    b.i32(11).u8(0).i32(8);
    for (int i = 0; i < 8; ++i) {
        std::string folder(1, static_cast<char>('A' + i));
        folder += '\\';
        slice(b, folder, "", 0, i, 0, 0, "", 0, 100, 54, 0);
    }
    b.i32(7);
    for (int i = 0; i < 7; ++i)
        b.i32(1).u8(0).i32(i).i32(i);
    b.i32(0x12345678); // what follows the record stays unread
    std::string bytes = b.get();
    stringStream in(bytes);
    LoopRecord record;
    ASSERT_TRUE(readLoopRecord(in, record, true));
    EXPECT_EQ(record.slices.size(), 6u);
    EXPECT_EQ(record.slices[5].velocityOffset, 5);
    EXPECT_EQ(record.seconds.size(), 6u);
    EXPECT_EQ(in.position(), bytes.size() - 4);
}

// A loop of one slice record of the given version (fields of version 6),
// without second blocks.
std::string oneSlice(int32_t version)
{
    Bytes b;
    b.i32(11).u8(0).i32(1);
    slice(b, "A\\B\\C\\", "x.mid", 0, 0, 0, 0, "", 0, 100, 54, 0).i32(0);
    std::string bytes = b.get();
    bytes.replace(9, 4, Bytes().i32(version).get());
    return bytes;
}

TEST(LoopRecords, DamagedLoopRecordsFailWhole)
{
    const std::string good = loopFile(true);
    for (int32_t version : {1, 6}) {
        std::string sound = oneSlice(version);
        stringStream in(sound);
        LoopRecord record;
        EXPECT_TRUE(readLoopRecord(in, record, true)) << "slice version " << version;
    }
    struct Case {
        const char *what;
        std::string bytes;
    };
    std::vector<Case> cases = {
        {"version 10", Bytes().i32(10).raw(good.substr(4)).get()},
        {"version 12", Bytes().i32(12).raw(good.substr(4)).get()},
        {"a Standard MIDI File", smfOf({{0, 36}})},
        {"negative slice count", Bytes().i32(11).u8(0).i32(-1).i32(0).get()},
        {"slice version 0", oneSlice(0)},
        {"slice version 7", oneSlice(7)},
        {"negative second count", good.substr(0, good.size() - 6 * 13 - 4) + Bytes().i32(-2).get()},
        {"negative string length", Bytes().i32(11).u8(0).i32(1).i32(6).i32(-5).get()},
        {"own events that are no MIDI file",
         slice(Bytes().i32(11).u8(0).i32(1), "A\\", "", 0, 0, 0, 0, "", 0, 100, 54, 1).raw("MThd").get()},
    };
    // Every truncation of the record.
    for (size_t length = 0; length < good.size(); ++length)
        cases.push_back({"truncated", good.substr(0, length)});
    for (Case &c : cases) {
        SCOPED_TRACE(std::string(c.what) + " (" + std::to_string(c.bytes.size()) + " bytes)");
        stringStream in(c.bytes);
        LoopRecord record;
        EXPECT_FALSE(readLoopRecord(in, record, true));
    }
}

std::string globals(int32_t version, int32_t cycle)
{
    Bytes b;
    b.i32(version).drumMap("Kit", 38, 40).str("General MIDI Drums").u8(0xFF).u8(2).i32(cycle);
    b.u8(1).u8(1).u8(48).u8(20).u8(110).u8(0);
    return b.get();
}

TEST(LoopRecords, GlobalsAssembledByHand)
{
    std::string bytes = globals(11, 8);
    stringStream in(bytes);
    GlobalsRecord g;
    ASSERT_TRUE(readGlobalsRecord(in, g));
    EXPECT_EQ(g.drumMap.getName(), "Kit");
    EXPECT_EQ(g.drumMap.getNote(38), 40);
    EXPECT_EQ(g.noteNameSet, "General MIDI Drums");
    EXPECT_EQ(g.outputChannel, -1);
    EXPECT_EQ(g.outputPort, 2);
    EXPECT_EQ(g.cycleMeasures, 8);
    EXPECT_EQ(g.multiTrack, 1);
    EXPECT_EQ(g.triggerEnabled, 1);
    EXPECT_EQ(g.triggerLow, 48);
    EXPECT_EQ(g.minVelocity, 20);
    EXPECT_EQ(g.maxVelocity, 110);
    EXPECT_EQ(g.notifyHost, 0);
    std::string written;
    stringStream out(written);
    ASSERT_TRUE(writeGlobalsRecord(out, g));
    EXPECT_EQ(written, bytes);

    for (int32_t version : {10, 12}) {
        std::string old = globals(version, 8);
        stringStream oldIn(old);
        EXPECT_FALSE(readGlobalsRecord(oldIn, g)) << version;
    }
}

std::string stateBytes(const std::string &padLoop, int32_t padKey, int32_t current)
{
    Bytes b;
    b.i32(11);
    // The pad store: version 1, count, key, length, bytes.
    b.i32(1).i32(1).i32(padKey).i32(static_cast<int32_t>(padLoop.size())).raw(padLoop);
    b.i32(current).i32(40).i32(-20).i32(15).i32(9).i32(1);
    b.raw(globals(11, 4)).raw(loopFile(true));
    return b.get();
}

TEST(LoopRecords, AStateAssembledByHand)
{
    const std::string pad = loopFile(false);
    std::string bytes = stateBytes(pad, 3, 0);
    stringStream in(bytes);
    StateRecord state;
    ASSERT_TRUE(readStateRecord(in, state, 10));
    ASSERT_EQ(state.pads.size(), 1u);
    EXPECT_EQ(state.pads[0].first, 3);
    EXPECT_EQ(state.pads[0].second, pad);
    EXPECT_EQ(state.currentPad, 0);
    EXPECT_EQ(state.swingPercent, 40);
    EXPECT_EQ(state.velocityDynamics, -20);
    EXPECT_EQ(state.velocityCentre, 15);
    EXPECT_EQ(state.humanize, 9);
    EXPECT_EQ(state.quantize, 1);
    EXPECT_EQ(state.loop.seconds.size(), 6u);
    std::string written;
    stringStream out(written);
    ASSERT_TRUE(writeStateRecord(out, state));
    EXPECT_EQ(written, bytes);
}

TEST(LoopRecords, DamagedStatesFailWhole)
{
    const std::string pad = loopFile(false);
    const std::string good = stateBytes(pad, 3, 0);
    std::vector<std::pair<std::string, std::string>> cases = {
        {"version 10", Bytes().i32(10).raw(good.substr(4)).get()},
        {"a pad that is no loop", stateBytes(pad.substr(0, pad.size() - 1), 3, 0)},
        {"a pad of version 12", stateBytes(Bytes().i32(12).raw(pad.substr(4)).get(), 3, 0)},
        {"pad key 10", stateBytes(pad, 10, 0)},
        {"pad key -1", stateBytes(pad, -1, 0)},
        {"current pad 10", stateBytes(pad, 3, 10)},
        {"current pad -1", stateBytes(pad, 3, -1)},
    };
    for (size_t length = 0; length < good.size(); length += 7)
        cases.emplace_back("truncated", good.substr(0, length));
    for (auto &[what, bytes] : cases) {
        SCOPED_TRACE(what + " (" + std::to_string(bytes.size()) + " bytes)");
        stringStream in(bytes);
        StateRecord state;
        EXPECT_FALSE(readStateRecord(in, state, 10));
    }
}

} // namespace
