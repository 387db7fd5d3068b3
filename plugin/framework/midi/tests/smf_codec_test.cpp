#include "plugin/framework/midi/smf_codec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace Quorvane;

using Bytes = std::vector<uint8_t>;

Bytes written(const SmfChunk &chunk)
{
    return Bytes(chunk.data, chunk.data + chunk.length);
}

// A chunk over fixed bytes, for the readers.
struct FixedChunk {
    explicit FixedChunk(Bytes b) : bytes(std::move(b))
    {
        chunk.data = bytes.data();
        chunk.length = chunk.capacity = static_cast<uint32_t>(bytes.size());
    }
    ~FixedChunk() { chunk.data = nullptr; }
    Bytes bytes;
    SmfChunk chunk;
};

TEST(VarLen, EncodesTheDocumentedValues)
{
    const struct {
        uint32_t value;
        Bytes bytes;
    } cases[] = {
        {0, {0x00}},
        {127, {0x7F}},
        {128, {0x81, 0x00}},
        {16383, {0xFF, 0x7F}},
        {16384, {0x81, 0x80, 0x00}},
        {0x0FFFFFFF, {0xFF, 0xFF, 0xFF, 0x7F}},
    };
    for (const auto &c : cases) {
        SmfChunk chunk;
        ASSERT_TRUE(writeVarLen(chunk, c.value));
        EXPECT_EQ(written(chunk), c.bytes) << c.value;

        uint32_t position = 0;
        uint32_t decoded = 1;
        ASSERT_TRUE(readVarLen(chunk, position, decoded));
        EXPECT_EQ(decoded, c.value);
        EXPECT_EQ(position, c.bytes.size());
        std::free(chunk.data);
    }
}

TEST(VarLen, ValuesBeyondFourBytesCannotBeWritten)
{
    SmfChunk chunk;
    EXPECT_FALSE(writeVarLen(chunk, 0x10000000));
    EXPECT_TRUE(chunk.failed);
    EXPECT_FALSE(appendSmfByte(chunk, 0)) << "a failed chunk takes nothing more";
    std::free(chunk.data);
}

TEST(VarLen, ReadingIsBounded)
{
    const struct {
        const char *what;
        Bytes bytes;
    } cases[] = {
        {"five bytes", {0x81, 0x80, 0x80, 0x80, 0x00}},
        {"ends inside", {0x81, 0x80}},
        {"nothing", {}},
    };
    for (const auto &c : cases) {
        uint32_t position = 0;
        uint32_t value = 77;
        EXPECT_FALSE(readVarLen(c.bytes.data(), static_cast<uint32_t>(c.bytes.size()), position, value))
            << c.what;
        EXPECT_EQ(position, 0u) << c.what;
        EXPECT_EQ(value, 77u) << c.what;
    }
}

TEST(ParseEvent, RunningStatusAndNoteOnWithoutVelocity)
{
    const Bytes bytes = {0x90, 0x3C, 0x64, 0x00, 0x3E, 0x64, 0x00, 0x3C, 0x00};
    uint32_t position = 0;
    uint8_t running = 0;
    SmfMessage m;

    ASSERT_EQ(parseSmfEvent(bytes.data(), 9, position, m, running), SmfEvent::Event);
    EXPECT_EQ(m.status, 0x90);
    EXPECT_EQ(m.data1, 0x3C);
    EXPECT_EQ(running, 0x90);
    ++position; // delta
    ASSERT_EQ(parseSmfEvent(bytes.data(), 9, position, m, running), SmfEvent::Event);
    EXPECT_EQ(m.status, 0x90) << "second note-on takes the running status";
    EXPECT_EQ(m.data1, 0x3E);
    EXPECT_EQ(m.data2, 0x64);
    ++position;
    ASSERT_EQ(parseSmfEvent(bytes.data(), 9, position, m, running), SmfEvent::Event);
    EXPECT_EQ(m.status, 0x80) << "velocity 0 is a note-off";
    EXPECT_EQ(m.data1, 60);
    EXPECT_EQ(position, 9u);
}

TEST(ParseEvent, MessageLengthsMetaAndSysEx)
{
    const struct {
        const char *what;
        Bytes bytes;
        uint16_t status;
        uint16_t data1;
        uint32_t end;
        SmfEvent result;
        uint32_t dataLength;
        uint8_t runningAfter; // with 0x92 before
    } cases[] = {
        {"program change", {0xC1, 0x05, 0x99}, 0xC1, 5, 2, SmfEvent::Event, 0, 0xC1},
        {"channel pressure", {0xD2, 0x40}, 0xD2, 0x40, 2, SmfEvent::Event, 0, 0xD2},
        {"pitch bend", {0xE0, 0x00, 0x40}, 0xE0, 0, 3, SmfEvent::Event, 0, 0xE0},
        {"tempo meta", {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}, 0xFF, 0x51, 6, SmfEvent::Event, 3, 0x92},
        {"end of track", {0xFF, 0x2F, 0x00}, 0xFF, 0x2F, 3, SmfEvent::EndOfTrack, 0, 0x92},
        {"sysex", {0xF0, 0x03, 0x7E, 0x01, 0xF7}, 0xF0, 0, 5, SmfEvent::Event, 3, 0},
        {"sysex escape", {0xF7, 0x02, 0xF8, 0xFA}, 0xF7, 0, 4, SmfEvent::Event, 2, 0},
        {"system message", {0xF8}, 0xF8, 0, 1, SmfEvent::Event, 0, 0},
    };
    for (const auto &c : cases) {
        uint32_t position = 0;
        uint8_t running = 0x92;
        SmfMessage m;
        const uint8_t *data = nullptr;
        uint32_t length = 99;
        EXPECT_EQ(parseSmfEvent(c.bytes.data(), static_cast<uint32_t>(c.bytes.size()), position, m, running,
                                &data, &length),
                  c.result)
            << c.what;
        EXPECT_EQ(m.status, c.status) << c.what;
        EXPECT_EQ(m.data1, c.data1) << c.what;
        EXPECT_EQ(position, c.end) << c.what;
        EXPECT_EQ(length, c.dataLength) << c.what;
        EXPECT_EQ(running, c.runningAfter) << c.what;
        if (c.dataLength > 0) {
            EXPECT_EQ(data, c.bytes.data() + c.end - c.dataLength) << c.what;
        }
    }
}

TEST(ParseEvent, MalformedEventsLeaveThePositionAlone)
{
    const struct {
        const char *what;
        Bytes bytes;
        uint8_t running;
    } cases[] = {
        {"data byte without running status", {0x3C, 0x64}, 0},
        {"running status is not a channel status", {0x3C, 0x64}, 0xF0},
        {"note cut off", {0x90, 0x3C}, 0},
        {"program change without data", {0xC0}, 0},
        {"data byte with bit 7", {0x90, 0x3C, 0x80}, 0},
        {"meta without type", {0xFF}, 0},
        {"meta longer than the chunk", {0xFF, 0x01, 0x05, 'a', 'b'}, 0},
        {"meta one byte longer than the chunk", {0xFF, 0x01, 0x03, 'a', 'b'}, 0},
        {"end of track one byte longer than the chunk", {0xFF, 0x2F, 0x01}, 0},
        {"meta with a huge length", {0xFF, 0x01, 0x8F, 0xFF, 0xFF, 0x7F, 'a'}, 0},
        {"meta length of five bytes", {0xFF, 0x01, 0x80, 0x80, 0x80, 0x80, 0x01, 'a'}, 0},
        {"sysex longer than the chunk", {0xF0, 0x10, 0x01}, 0},
        {"sysex one byte longer than the chunk", {0xF0, 0x02, 0xF7}, 0},
        {"sysex escape one byte longer than the chunk", {0xF7, 0x01}, 0},
        {"nothing", {}, 0x90},
    };
    for (const auto &c : cases) {
        uint32_t position = 0;
        uint8_t running = c.running;
        SmfMessage m{1, 2, 3};
        EXPECT_EQ(parseSmfEvent(c.bytes.data(), static_cast<uint32_t>(c.bytes.size()), position, m, running),
                  SmfEvent::Malformed)
            << c.what;
        EXPECT_EQ(position, 0u) << c.what;
        EXPECT_EQ(running, c.running) << c.what;
        EXPECT_EQ(m.status, 1) << c.what;
    }
}

TEST(CheckTrack, RequiresAnEndOfTrackInsideTheChunk)
{
    EXPECT_EQ(
        checkSmfTrack(FixedChunk({0x00, 0x90, 0x3C, 0x64, 0x10, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00}).chunk),
        SmfOk);
    EXPECT_EQ(checkSmfTrack(FixedChunk({0x00, 0xFF, 0x2F, 0x00, 0xAA}).chunk), SmfOk)
        << "bytes after the end";
    EXPECT_EQ(checkSmfTrack(FixedChunk({0x00, 0x90, 0x3C, 0x64}).chunk), SmfMalformed) << "no end of track";
    EXPECT_EQ(checkSmfTrack(FixedChunk({}).chunk), SmfMalformed) << "empty";
    EXPECT_EQ(checkSmfTrack(FixedChunk({0x00, 0x3C, 0x64, 0x00, 0xFF, 0x2F, 0x00}).chunk), SmfMalformed)
        << "data byte without a status";
    EXPECT_EQ(checkSmfTrack(FixedChunk({0x00, 0x90, 0x3C, 0x64, 0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,
                                        0x00, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00})
                                .chunk),
              SmfOk)
        << "a meta event between keeps the running status";
    EXPECT_EQ(checkSmfTrack(FixedChunk({0x00, 0x90, 0x3C, 0x64, 0x00, 0xF0, 0x01, 0xF7, 0x00, 0x3C, 0x00,
                                        0x00, 0xFF, 0x2F, 0x00})
                                .chunk),
              SmfMalformed)
        << "a SysEx ends the running status";
}

TEST(FindMeta, TempoAndTimeSignature)
{
    FixedChunk track({0x00, 0xFF, 0x58, 0x04, 0x06, 0x03, 0x0C, 0x08, // 6/8
                      0x60, 0x90, 0x24, 0x40,                         // note at 96
                      0x81, 0x00, 0xFF, 0x51, 0x03, 0x06, 0x1A, 0x80, // 400000 at 224
                      0x00, 0xFF, 0x2F, 0x00});
    int numerator = 0;
    int power = 0;
    ASSERT_TRUE(findSmfTimeSignature(track.chunk, numerator, power));
    EXPECT_EQ(numerator, 6);
    EXPECT_EQ(power, 3);

    uint32_t position = 0;
    uint32_t tempo = 0;
    uint32_t time = 0;
    uint8_t running = 0;
    ASSERT_TRUE(findSmfTempo(track.chunk, position, tempo, time, running));
    EXPECT_EQ(tempo, 400000u);
    EXPECT_EQ(time, 224u);
    EXPECT_FALSE(findSmfTempo(track.chunk, position, tempo, time, running)) << "no second tempo";

    FixedChunk truncated({0x00, 0xFF, 0x51, 0x05, 0x07});
    position = 0;
    EXPECT_FALSE(findSmfTempo(truncated.chunk, position, tempo, time, running));
    EXPECT_FALSE(findSmfTimeSignature(truncated.chunk, numerator, power));
}

TEST(Writers, MessagesMetaAndGrowth)
{
    SmfChunk chunk;
    EXPECT_TRUE(writeSmfEvent(chunk, 0, {0x99, 36, 100}));
    EXPECT_TRUE(writeSmfEvent(chunk, 200, {0xC3, 7, 55}));
    EXPECT_TRUE(writeSmfEvent(chunk, 0, {0xD3, 9, 55}));
    const uint8_t text[] = {'a', 'b'};
    EXPECT_TRUE(writeSmfMeta(chunk, 0, 0x03, 2, text));
    EXPECT_TRUE(writeSmfEndOfTrack(chunk, 5));
    EXPECT_EQ(written(chunk), (Bytes{0x00, 0x99, 36,   100,  0x81, 0x48, 0xC3, 7,    0x00, 0xD3, 9,
                                     0x00, 0xFF, 0x03, 0x02, 'a',  'b',  0x05, 0xFF, 0x2F, 0x00}));
    EXPECT_EQ(checkSmfTrack(chunk), SmfOk);
    EXPECT_EQ(chunk.capacity, 1000u) << "an empty chunk grows by 1000 bytes";
    for (int i = 0; i < 1000; ++i)
        appendSmfByte(chunk, 0);
    EXPECT_EQ(chunk.capacity, 2000u);
    EXPECT_FALSE(chunk.failed);
    std::free(chunk.data);
}

} // namespace
