#include "data/pattern.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace Quorvane;

namespace {

TEST(Pattern, PoolKeepsArrivalOrderAndOwnsItsPatterns)
{
    CPatternPool pool;
    auto *a = new CMIDIPattern;
    auto *b = new CPattern(7, 1, 2);
    auto *c = new CPattern(8, 3, 4);
    pool.InsertSort(a, nullptr);
    pool.InsertSort(b, pool.GetFirst()); // with a hint: at the end
    pool.InsertSort(c, nullptr);         // without: at the head
    EXPECT_EQ(pool.GetFirst(), c);
    EXPECT_EQ(pool.GetLast(), b);
    EXPECT_EQ(a->value, 0u);
    EXPECT_EQ(a->second, 4);
    EXPECT_EQ(a->third, 2);
    EXPECT_EQ(a->state, 1);
    EXPECT_EQ(a->extra, 0);
    b->block = std::malloc(16);
    b->state = 5;
    EXPECT_EQ(b->SetDefault(), 1);
    EXPECT_EQ(b->block, nullptr);
    EXPECT_EQ(b->state, 1);

    EVENT e;
    e.setPattern(a, 3840);
    EXPECT_TRUE(e.IsPattern());
    EXPECT_EQ(e.getPatternPtr(), a);
    EXPECT_EQ(e.getPatternLen(), 3840);
    a->AddToTail(&e, 1);
    EXPECT_EQ(a->HaveData(), 1);
}

} // namespace
