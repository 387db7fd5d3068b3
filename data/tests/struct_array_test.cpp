#include "data/struct_array.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace Quorvane;

namespace {

int freed = 0;

// Owns a malloc block, as events and lines do.
struct Owner : STRUCTELEM {
    void Clear() override
    {
        if (block) {
            std::free(block);
            ++freed;
        }
        block = nullptr;
    }
    void Spoil() override { block = nullptr; }
    int id = 0;
    void *block = nullptr;
};

Owner make(int id)
{
    Owner o;
    o.id = id;
    o.block = std::malloc(8);
    return o;
}

struct Array : CStructArray {
    Array(long step) : CStructArray(sizeof(Owner), step) {}
    Owner *at(long i) { return static_cast<Owner *>(GetElementAt(i)); }
    using CStructArray::Realloc;
};

class StructArrayTest : public ::testing::Test {
protected:
    void SetUp() override { freed = 0; }
};

TEST_F(StructArrayTest, CapacityFollowsWholeGrowSteps)
{
    Array a(128);
    for (int i = 0; i < 129; ++i) {
        Owner o = make(i);
        ASSERT_EQ(a.Insert(a.GetNumb(), 1, &o), 1);
    }
    EXPECT_EQ(a.GetNumb(), 129);
    EXPECT_EQ(a.capacity, 256);
    EXPECT_EQ(a.Delete(0, 1), 1);
    EXPECT_EQ(a.capacity, 128);
    EXPECT_EQ(a.at(0)->id, 1);
    EXPECT_EQ(a.at(127)->id, 128);
    EXPECT_EQ(freed, 1);
    EXPECT_EQ(a.Realloc(0), 1);
    EXPECT_EQ(a.data, nullptr);
    EXPECT_EQ(a.capacity, 0);
}

// Elements added one by one (the lines of an imported text) move the block
// a few times, not at every grow step; deleting after it grew moves it only
// once half of it is free.
TEST_F(StructArrayTest, TheBlockGrowsByDoublingAndShrinksOnceHalfIsFree)
{
    Array a(16);
    int moves = 0;
    long last = 0;
    for (int i = 0; i < 100000; ++i) {
        Owner o = make(i);
        ASSERT_EQ(a.Insert(a.GetNumb(), 1, &o), 1);
        moves += a.capacity != last;
        last = a.capacity;
        ASSERT_EQ(a.capacity % 16, 0);
    }
    EXPECT_EQ(a.capacity, 131072);
    EXPECT_LE(moves, 14) << "16, 32, 64, ... 131072";
    ASSERT_EQ(a.Delete(0, 30000), 1);
    EXPECT_EQ(a.capacity, 131072) << "more than half still in use";
    ASSERT_EQ(a.Delete(0, 5000), 1);
    EXPECT_EQ(a.capacity, 65008) << "fits the 65,000 left, in whole grow steps";
    EXPECT_EQ(a.at(0)->id, 35000);
    EXPECT_EQ(a.at(64999)->id, 99999);
}

// A reserved block stays when the array shrinks or empties, so an array
// reused while audio plays comes back to the same memory.
TEST_F(StructArrayTest, AReservedBlockStays)
{
    Array a(16);
    ASSERT_EQ(a.Reserve(40), 1);
    EXPECT_EQ(a.capacity, 48);
    unsigned char *block = a.data;
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 20; ++i) {
            Owner o = make(i);
            ASSERT_EQ(a.Insert(a.GetNumb(), 1, &o), 1);
        }
        a.Clear();
        EXPECT_EQ(a.GetNumb(), 0);
        EXPECT_EQ(a.data, block);
        EXPECT_EQ(a.capacity, 48);
    }
    EXPECT_EQ(freed, 60);
    // Beyond the reserve it grows (to twice the block), and shrinks back to
    // it.
    for (int i = 0; i < 50; ++i) {
        Owner o = make(i);
        ASSERT_EQ(a.Insert(a.GetNumb(), 1, &o), 1);
    }
    EXPECT_EQ(a.capacity, 96);
    EXPECT_EQ(a.Delete(0, 40), 1);
    EXPECT_EQ(a.capacity, 48);
    EXPECT_EQ(a.at(0)->id, 40);
}

TEST_F(StructArrayTest, InsertMovesOwnershipAndTheTail)
{
    Array a(4);
    Owner first[2] = {make(1), make(4)};
    ASSERT_EQ(a.Insert(0, 2, first), 1);
    // The sources forgot their blocks: clearing them frees nothing.
    EXPECT_EQ(first[0].block, nullptr);
    EXPECT_EQ(first[1].block, nullptr);
    first[0].Clear();
    first[1].Clear();
    EXPECT_EQ(freed, 0);

    Owner middle[2] = {make(2), make(3)};
    ASSERT_EQ(a.Insert(1, 2, middle), 1);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(a.at(i)->id, i + 1);

    EXPECT_EQ(a.Delete(1, 2), 1);
    EXPECT_EQ(freed, 2);
    EXPECT_EQ(a.at(1)->id, 4);
    a.Clear();
    EXPECT_EQ(freed, 4);
    EXPECT_EQ(a.GetNumb(), 0);
}

TEST_F(StructArrayTest, PutElementToCopiesOverWithoutClearing)
{
    Array a(4);
    Owner two[2] = {make(1), make(2)};
    a.Insert(0, 2, two);
    void *kept = a.at(0)->block;
    void *overwritten = a.at(1)->block;
    Owner other = make(9);
    void *moved = other.block;
    a.PutElementTo(1, &other);
    EXPECT_EQ(a.at(1)->id, 9);
    EXPECT_EQ(a.at(1)->block, moved);
    EXPECT_EQ(other.block, nullptr);
    EXPECT_EQ(freed, 0); // the overwritten element's block is the caller's affair
    EXPECT_EQ(a.at(0)->block, kept);
    std::free(overwritten);
}

TEST_F(StructArrayTest, HaveDataFollowsTheCount)
{
    Array a(2);
    EXPECT_EQ(a.HaveData(), 0);
    Owner o = make(1);
    a.Insert(0, 1, &o);
    EXPECT_EQ(a.HaveData(), 1);
}

} // namespace
