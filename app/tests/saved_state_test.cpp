// The parts window's 80-byte saved state, pinned by bytes written by hand.
#include "app/saved_state.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace Quorvane;

void put32(std::vector<uint8_t> &bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// Current part 4, front editor 2, lengths 1..8 then 2,2,2,2, loop on, editors 0 and 3
// docked.
std::vector<uint8_t> handMadeBlock()
{
    std::vector<uint8_t> bytes(80, 0);
    put32(bytes, 0, 0x0789ABCD);
    put32(bytes, 4, 4);
    put32(bytes, 8, 2);
    for (int i = 0; i < 12; ++i)
        put32(bytes, 12 + 4 * i, i < 8 ? i + 1 : 2);
    put32(bytes, 60, 1);
    put32(bytes, 64, 1);
    put32(bytes, 76, 1);
    return bytes;
}

TEST(SavedState, ReadsTheFieldsAtTheirOffsets)
{
    const std::vector<uint8_t> bytes = handMadeBlock();
    SavedPartsState state{};
    ASSERT_TRUE(ReadSavedState(bytes.data(), bytes.size(), state));
    EXPECT_EQ(state.currentPart, 4);
    EXPECT_EQ(state.frontEditor, 2);
    EXPECT_EQ(state.partLengths[0], 1);
    EXPECT_EQ(state.partLengths[7], 8);
    EXPECT_EQ(state.partLengths[11], 2);
    EXPECT_EQ(state.loop, 1);
    EXPECT_EQ(state.docked[0], 1);
    EXPECT_EQ(state.docked[1], 0);
    EXPECT_EQ(state.docked[3], 1);
}

TEST(SavedState, RefusesAnyOtherSizeOrMagic)
{
    SavedPartsState state{};
    state.currentPart = 7;
    std::vector<uint8_t> bytes = handMadeBlock();
    bytes.push_back(0);
    EXPECT_FALSE(ReadSavedState(bytes.data(), 81, state));
    EXPECT_FALSE(ReadSavedState(bytes.data(), 79, state));
    bytes.pop_back();
    bytes[0] ^= 1;
    EXPECT_FALSE(ReadSavedState(bytes.data(), 80, state));
    EXPECT_FALSE(ReadSavedState(nullptr, 80, state));
    EXPECT_EQ(state.currentPart, 7) << "a refused block changes nothing";
}

TEST(SavedState, BringsValuesIntoRange)
{
    std::vector<uint8_t> bytes = handMadeBlock();
    put32(bytes, 4, 12);
    put32(bytes, 8, 0xFFFFFFFF);
    put32(bytes, 12, 0);
    put32(bytes, 16, 40);
    SavedPartsState state{};
    ASSERT_TRUE(ReadSavedState(bytes.data(), bytes.size(), state));
    EXPECT_EQ(state.currentPart, 11);
    EXPECT_EQ(state.frontEditor, 0);
    EXPECT_EQ(state.partLengths[0], 1);
    EXPECT_EQ(state.partLengths[1], 8);
}

// A front editor beyond the four editor windows would leave every docked
// editor hidden: it is brought into range from either side.
TEST(SavedState, BringsTheFrontEditorIntoRangeFromBothSides)
{
    const struct {
        uint32_t stored;
        int32_t read;
    } rows[] = {{0, 0}, {3, 3}, {4, 3}, {5, 3}, {0x7FFFFFFF, 3}, {0xFFFFFFFF, 0}, {0x80000000, 0}};
    for (const auto &row : rows) {
        std::vector<uint8_t> bytes = handMadeBlock();
        put32(bytes, 8, row.stored);
        SavedPartsState state{};
        ASSERT_TRUE(ReadSavedState(bytes.data(), bytes.size(), state)) << row.stored;
        EXPECT_EQ(state.frontEditor, row.read) << row.stored;
    }
}

} // namespace
