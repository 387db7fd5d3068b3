#include "dshow/ds_list.h"

#include "dshow/tests/memory_probe.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace ds_test;

int objects[16];

std::vector<void *> contents(const CDsList &list)
{
    std::vector<void *> walked;
    for (DsPosition p = list.GetHeadPosition(); p;)
        walked.push_back(list.GetNext(p));
    return walked;
}

TEST(ListTest, KeepsOrderThroughAddsAndRemoves)
{
    CDsList list;
    EXPECT_EQ(list.GetHeadPosition(), nullptr);
    EXPECT_EQ(list.RemoveHead(), nullptr);
    DsPosition a = list.AddTail(&objects[0]);
    DsPosition b = list.AddTail(&objects[1]);
    list.AddTail(&objects[2]);
    EXPECT_EQ(list.GetCount(), 3);
    EXPECT_EQ(contents(list), (std::vector<void *>{&objects[0], &objects[1], &objects[2]}));
    EXPECT_EQ(list.GetAt(b), &objects[1]);
    EXPECT_EQ(list.GetAt(nullptr), nullptr);

    EXPECT_EQ(list.Remove(b), &objects[1]); // from the middle
    EXPECT_EQ(contents(list), (std::vector<void *>{&objects[0], &objects[2]}));
    EXPECT_EQ(list.RemoveHead(), &objects[0]);
    EXPECT_EQ(list.Remove(nullptr), nullptr);
    EXPECT_EQ(list.GetCount(), 1);
    list.AddTail(&objects[3]);
    EXPECT_EQ(contents(list), (std::vector<void *>{&objects[2], &objects[3]}));
    (void)a;

    DsPosition end = nullptr;
    EXPECT_EQ(list.GetNext(end), nullptr);
}

TEST(ListTest, FindAnswersTheFirstOfEqualObjects)
{
    CDsList list;
    list.AddTail(&objects[0]);
    DsPosition first = list.AddTail(&objects[1]);
    list.AddTail(&objects[1]);
    EXPECT_EQ(list.Find(&objects[1]), first);
    EXPECT_EQ(list.Find(&objects[5]), nullptr);
}

TEST(ListTest, KeepsTenSpareNodesAndReusesThem)
{
    CDsList list;
    for (int i = 0; i < 12; ++i)
        list.AddTail(&objects[i]);
    while (list.RemoveHead()) {
    }
    // Ten later adds come from the cache; the eleventh allocates.
    const long before = nothrowAllocations();
    for (int i = 0; i < 10; ++i)
        ASSERT_NE(list.AddTail(&objects[i]), nullptr);
    EXPECT_EQ(nothrowAllocations(), before);
    list.AddTail(&objects[10]);
    EXPECT_EQ(nothrowAllocations(), before + 1);
}

TEST(ListTest, RemoveAllFreesTheNodesAndLeavesTheCache)
{
    CDsList list;
    for (int i = 0; i < 4; ++i)
        list.AddTail(&objects[i]);
    list.RemoveHead(); // one spare node
    list.RemoveAll();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetHeadPosition(), nullptr);
    const long before = nothrowAllocations();
    list.AddTail(&objects[0]); // the spare node
    EXPECT_EQ(nothrowAllocations(), before);
    list.AddTail(&objects[1]); // the cache is empty again
    EXPECT_EQ(nothrowAllocations(), before + 1);
}

TEST(ListTest, AddTailWithoutMemoryLeavesTheListAsItWas)
{
    CDsList list;
    list.AddTail(&objects[0]);
    failNextNothrowAllocations(1);
    EXPECT_EQ(list.AddTail(&objects[1]), nullptr);
    EXPECT_EQ(contents(list), (std::vector<void *>{&objects[0]}));

    CDsList other;
    other.AddTail(&objects[2]);
    other.AddTail(&objects[3]);
    failNextNothrowAllocations(1);
    EXPECT_FALSE(list.AppendList(other));
    EXPECT_EQ(list.GetCount(), 1);
    EXPECT_TRUE(list.AppendList(other));
    EXPECT_EQ(contents(list), (std::vector<void *>{&objects[0], &objects[2], &objects[3]}));
    CDsList empty;
    EXPECT_TRUE(list.AppendList(empty));
}

} // namespace
