#include "data/evnt_trans.h"

#include "testing/realtime_counters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

using namespace Quorvane;

namespace {

// Chains of count messages made and destroyed on another thread; how many
// allocations that thread made.
long allocationsFor(int chains, int count)
{
    long allocations = -1;
    std::thread worker([&] {
        testing_support::RealTimeCounter counter;
        for (int c = 0; c < chains; ++c) {
            CEvntTransChain *chain = nullptr;
            for (int i = 0; i < count; ++i)
                CEvntTransChain::AddNewEvntTransElem(i, &chain)->SetNote(60, 0, 100, 0);
            CEvntTransChain *queue = new CEvntTransChain;
            queue->EatOther(chain, 0);
            delete queue;
        }
        allocations = counter.allocations();
    });
    worker.join();
    return allocations;
}

TEST(MessagePool, ReservedMessagesComeWithoutTheHeap)
{
    ASSERT_TRUE(testing_support::installRealTimeHooks(GetModuleHandleA("Corvadel.dll")));
    ASSERT_EQ(CEvntTransElem::ReservePool(256), 1);
    const long available = CEvntTransElem::GetPoolAvailable();
    EXPECT_GE(available, 256);
    EXPECT_EQ(allocationsFor(50, 40), 0);
    EXPECT_EQ(CEvntTransElem::GetPoolAvailable(), available) << "every block came back";
}

TEST(MessagePool, BeyondThePoolTheHeapServes)
{
    ASSERT_TRUE(testing_support::installRealTimeHooks(GetModuleHandleA("Corvadel.dll")));
    ASSERT_EQ(CEvntTransElem::ReservePool(16), 1);
    const long available = CEvntTransElem::GetPoolAvailable();
    EXPECT_GT(allocationsFor(1, static_cast<int>(available) + 10), 0);
    EXPECT_EQ(CEvntTransElem::GetPoolAvailable(), available);
}

// An engine started again while some of its messages are still out (in a
// queue, on their way back) reuses the pool it has: no start adds a slab,
// so no number of starts runs out of them.
TEST(MessagePool, ReservingAgainWhileBlocksAreOutAddsNoSlab)
{
    // As many as the pool has, so that every block is asked for.
    const long reserved = std::max(64L, CEvntTransElem::GetPoolAvailable());
    ASSERT_EQ(CEvntTransElem::ReservePool(reserved), 1);
    const int slabs = CEvntTransElem::GetPoolSlabs();
    const long available = CEvntTransElem::GetPoolAvailable();
    ASSERT_EQ(available, reserved);
    CEvntTransChain *held = nullptr;
    for (int i = 0; i < 3; ++i)
        CEvntTransChain::AddNewEvntTransElem(i, &held);
    for (int start = 0; start < 40; ++start)
        ASSERT_EQ(CEvntTransElem::ReservePool(reserved), 1) << start;
    EXPECT_EQ(CEvntTransElem::GetPoolSlabs(), slabs);
    delete held;
    EXPECT_EQ(CEvntTransElem::GetPoolAvailable(), available) << "the blocks out came back";
}

// A message that finds the pool empty comes from the heap, and is counted;
// one that finds a block is not, nor is a class too large for a block.
TEST(MessagePool, MessagesThatFindThePoolEmptyAreCounted)
{
    ASSERT_EQ(CEvntTransElem::ReservePool(16), 1);
    const long fallbacks = CEvntTransElem::GetPoolHeapFallbacks();
    const long available = CEvntTransElem::GetPoolAvailable();
    CEvntTransChain *chain = nullptr;
    CEvntTransChain::AddNewEvntTransElem(0, &chain);
    EXPECT_EQ(CEvntTransElem::GetPoolHeapFallbacks(), fallbacks) << "a chain and a message from the pool";
    for (long i = 0; i < available + 4; ++i)
        CEvntTransChain::AddNewEvntTransElem(i, &chain);
    EXPECT_EQ(CEvntTransElem::GetPoolHeapFallbacks(), fallbacks + 6);
    delete chain;
    EXPECT_EQ(CEvntTransElem::GetPoolAvailable(), available);
    struct Large : CEvntTransChain {
        char payload[256] = {};
    };
    delete new Large;
    EXPECT_EQ(CEvntTransElem::GetPoolHeapFallbacks(), fallbacks + 6);
}

// Classes built on the chain (a synthesizer's queue) are larger than a
// block: they live on the heap and go back there.
TEST(MessagePool, LargerClassesUseTheHeap)
{
    struct Queue : CEvntTransChain {
        char payload[256] = {};
    };
    const long available = CEvntTransElem::GetPoolAvailable();
    auto *queue = new Queue;
    EXPECT_EQ(CEvntTransElem::GetPoolAvailable(), available);
    CEvntTransChain *chain = nullptr;
    CEvntTransChain::AddNewEvntTransElem(5, &chain);
    queue->EatOther(chain, 10);
    EXPECT_EQ(queue->GetFirstElem()->sample, 15);
    delete queue;
    EXPECT_EQ(CEvntTransElem::GetPoolAvailable(), available);
}

} // namespace
