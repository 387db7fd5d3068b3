#include "bridge/asp/shared_channels.h"

#include "bridge/asp/channel_client.h"
#include "bridge/asp/program_control.h"
#include "bridge/asp/tests/stand_in.h"
#include "bridge/asp/tests/test_environment.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace Halvorin;
using namespace halvorin_test;

namespace {

// Little-endian bytes of a 32-bit word written by hand.
struct Word {
    size_t offset;
    uint8_t bytes[4];
};

std::vector<uint8_t> bytesOf(const HalvorinChannel &channel)
{
    const auto *at = reinterpret_cast<const uint8_t *>(&channel);
    return {at, at + sizeof channel};
}

void expectWords(const std::vector<uint8_t> &bytes, std::initializer_list<Word> words, const char *what)
{
    for (const Word &word : words)
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(bytes[word.offset + i], word.bytes[i]) << what << ": offset " << word.offset + i;
}

// Every byte in [from, to) is value.
void expectRange(const std::vector<uint8_t> &bytes, size_t from, size_t to, uint8_t value, const char *what)
{
    for (size_t i = from; i < to; ++i)
        ASSERT_EQ(bytes[i], value) << what << ": offset " << i;
}

TEST(SharedChannels, AFullResetWritesTheDefaultsAtTheirOffsets)
{
    HalvorinChannel channel;
    std::memset(&channel, 0xAB, sizeof channel);
    FullReset(channel);
    const std::vector<uint8_t> bytes = bytesOf(channel);
    // client, programAttached, streaming and the program's name are the
    // holders' own.
    expectRange(bytes, 0, 76, 0xAB, "holders' fields");
    expectWords(bytes,
                {
                    {76, {0x44, 0xAC, 0x00, 0x00}},  // 44100 Hz
                    {80, {0x00, 0x00, 0xC8, 0x42}},  // 100.0 bpm
                    {84, {0xFF, 0xFF, 0x00, 0x00}},  // no note
                    {88, {0x00, 0x01, 0x00, 0x00}},  // 256 frames
                    {92, {0x00, 0x00, 0x00, 0x00}},  // bend
                    {96, {0x00, 0x00, 0x00, 0x00}},  // modulation
                    {100, {0xAB, 0xAB, 0xAB, 0xAB}}, // frames per request: kept
                    {104, {0xAB, 0xAB, 0xAB, 0xAB}}, // frames wanted: kept
                    {108, {0xFF, 0xFF, 0x00, 0x00}}, // pending note
                    {112, {0x00, 0x00, 0x00, 0x00}}, // pending position
                    {116, {0x00, 0x00, 0x80, 0xBF}}, // pending tempo -1.0
                    {120, {0xFF, 0xFF, 0xFF, 0x7F}}, // pending bend
                    {124, {0xFF, 0xFF, 0xFF, 0x7F}}, // pending modulation
                },
                "full reset");
    expectRange(bytes, 128, 16520, 0x00, "audio, frames in buffer, read position");
}

TEST(SharedChannels, ALightResetKeepsTheHostsValues)
{
    HalvorinChannel channel;
    std::memset(&channel, 0xAB, sizeof channel);
    LightReset(channel);
    const std::vector<uint8_t> bytes = bytesOf(channel);
    expectRange(bytes, 0, 108, 0xAB, "holders' fields and the host's values");
    expectWords(bytes,
                {
                    {108, {0xFF, 0xFF, 0x00, 0x00}},
                    {112, {0x00, 0x00, 0x00, 0x00}},
                    {116, {0x00, 0x00, 0x80, 0xBF}},
                    {120, {0xFF, 0xFF, 0xFF, 0x7F}},
                    {124, {0xFF, 0xFF, 0xFF, 0x7F}},
                },
                "light reset");
    expectRange(bytes, 128, 16520, 0x00, "audio, frames in buffer, read position");
}

// The section's channels lie 16520 bytes apart with the init flag behind
// them: values written by hand at those offsets are what the operations
// read.
TEST_F(ChannelTest, TheSectionIsReadAtItsOffsets)
{
    auto *section = reinterpret_cast<uint8_t *>(&SharedSection());
    int32_t flag;
    std::memcpy(&flag, section + 66080, 4);
    EXPECT_EQ(flag, 1) << "set up by the first load";
    for (int n = 0; n < kChannels; ++n) {
        uint8_t *channel = section + n * 16520;
        const uint8_t rate[] = {0x80, 0xBB, 0x00, 0x00};   // 48000
        const uint8_t frames[] = {0x00, 0x04, 0x00, 0x00}; // 1024
        std::memcpy(channel + 76, rate, 4);
        std::memcpy(channel + 88, frames, 4);
        int gotRate = 0, gotFrames = 0;
        ASSERT_EQ(CanConnect(n, &gotRate, &gotFrames), 1);
        EXPECT_EQ(gotRate, 48000) << "channel " << n;
        EXPECT_EQ(gotFrames, 1024) << "channel " << n;
        // op 1 writes where the hand-written value was.
        int newRate = 22050;
        ASSERT_EQ(HalvorinRequest(n, kOpSampleRate, &newRate), 1);
        EXPECT_EQ(channel[76], 0x22);
        EXPECT_EQ(channel[77], 0x56);
        FullReset(*SharedChannel(n));
    }
    // Behind the init flag, 32 bytes a channel: a claim keeps the host's
    // process start time at 16 of them, beside its id in the channel.
    const uint64_t started = StartTime(GetCurrentProcess());
    ASSERT_NE(started, 0u);
    for (int n = 0; n < kChannels; ++n) {
        ASSERT_EQ(HalvorinRequest(-1, kOpClaim, nullptr), n);
        uint32_t id;
        std::memcpy(&id, section + n * 16520, 4);
        EXPECT_EQ(id, GetCurrentProcessId()) << "channel " << n;
        const uint8_t *time = section + 66088 + n * 32 + 16;
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(time[i], static_cast<uint8_t>(started >> (8 * i))) << "channel " << n << " byte " << i;
    }
}

} // namespace
