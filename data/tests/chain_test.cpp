#include "data/chain.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Quorvane;

namespace {

int destroyed = 0;

struct Item : CChainElem {
    Item(int key, char tag) : key(key), tag(tag) {}
    ~Item() override { ++destroyed; }
    long Compare(CChainElem *other) override { return key - static_cast<Item *>(other)->key; }
    int key;
    char tag;
};

std::string tags(const CChain &chain)
{
    std::string out;
    for (CChainElem *e = chain.GetFirst(); e; e = e->next) {
        out += static_cast<Item *>(e)->tag;
        // The back links must mirror the forward ones.
        if (e->next) {
            EXPECT_EQ(e->next->prev, e);
        }
    }
    return out;
}

class ChainTest : public ::testing::Test {
protected:
    void SetUp() override { destroyed = 0; }
    // Items a..e with keys 1..5, appended in order.
    void fill()
    {
        for (int i = 0; i < 5; ++i)
            chain.InsertAfter(new Item(i + 1, char('a' + i)), nullptr);
    }
    CChain chain;
};

TEST_F(ChainTest, InsertSortPutsEqualsFirstWithoutHintAndLastWithOne)
{
    chain.InsertSort(new Item(1, 'a'));
    chain.InsertSort(new Item(2, 'b'));
    chain.InsertSort(new Item(3, 'c'));
    chain.InsertSort(new Item(2, 'x')); // no hint: before the equal b
    EXPECT_EQ(tags(chain), "axbc");
    chain.InsertSort(new Item(2, 'y'), chain.GetFirst()); // hint: after every equal
    EXPECT_EQ(tags(chain), "axbyc");
    chain.InsertSort(new Item(0, 'z'), chain.GetLast()); // walks back to the front
    EXPECT_EQ(tags(chain), "zaxbyc");
    chain.InsertSort(new Item(9, 'w'));
    EXPECT_EQ(tags(chain), "zaxbycw");
    EXPECT_EQ(chain.GetNumb(), 7);
}

TEST_F(ChainTest, InsertsWholeRuns)
{
    fill();
    Item *r1 = new Item(10, 'X');
    Item *r2 = new Item(11, 'Y');
    r1->next = r2;
    chain.InsertBefore(r1, chain.GetFirst()->next); // before b
    EXPECT_EQ(tags(chain), "aXYbcde");
    Item *s1 = new Item(12, 'P');
    Item *s2 = new Item(13, 'Q');
    s1->next = s2;
    chain.InsertAfter(s1, nullptr);
    EXPECT_EQ(tags(chain), "aXYbcdePQ");
    chain.InsertBefore(new Item(0, 'H'), nullptr);
    EXPECT_EQ(tags(chain), "HaXYbcdePQ");
    EXPECT_EQ(static_cast<Item *>(chain.GetLast())->tag, 'Q');
    EXPECT_EQ(static_cast<Item *>(chain.GetLast(chain.GetFirst()->next))->tag, 'Q');
    chain.InsertBefore(nullptr, nullptr); // nothing
    EXPECT_EQ(chain.GetNumb(), 10);
}

TEST_F(ChainTest, DeleteDestroysCountAndReturnsFollower)
{
    fill();
    CChainElem *b = chain.GetFirst()->next;
    CChainElem *after = chain.Delete(b, 2);
    EXPECT_EQ(static_cast<Item *>(after)->tag, 'd');
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(tags(chain), "ade");
    CChainElem *next = chain.Delete(chain.GetFirst(), 1);
    EXPECT_EQ(next, chain.GetFirst()); // the new head
    EXPECT_EQ(tags(chain), "de");
    // More than is left: destroys to the end and returns null.
    EXPECT_EQ(chain.Delete(chain.GetFirst()->next, 7), nullptr);
    EXPECT_EQ(tags(chain), "d");
    EXPECT_EQ(chain.Delete(nullptr, 1), nullptr);
}

TEST_F(ChainTest, ClearCutsAtAnElementOrEmptiesAll)
{
    fill();
    chain.Clear(chain.GetFirst()->next->next); // c, d, e
    EXPECT_EQ(tags(chain), "ab");
    EXPECT_EQ(destroyed, 3);
    chain.Clear(nullptr);
    EXPECT_EQ(chain.GetFirst(), nullptr);
    EXPECT_EQ(chain.HaveData(), 0);
    EXPECT_EQ(destroyed, 5);
}

TEST_F(ChainTest, RearrangeSwapsWithANeighbour)
{
    fill();
    CChainElem *a = chain.GetFirst();
    CChainElem *e = chain.GetLast();
    EXPECT_EQ(chain.Rearrange(a, 1), 0);
    EXPECT_EQ(chain.Rearrange(e, 0), 0);
    EXPECT_EQ(chain.Rearrange(a, 0), 1);
    EXPECT_EQ(tags(chain), "bacde");
    EXPECT_EQ(chain.Rearrange(e, 1), 1);
    EXPECT_EQ(tags(chain), "baced");
    EXPECT_EQ(chain.Rearrange(nullptr, 1), 0);
}

TEST_F(ChainTest, DestructorDestroysElements)
{
    {
        CChain local;
        local.InsertAfter(new Item(1, 'a'), nullptr);
        local.InsertAfter(new Item(2, 'b'), nullptr);
    }
    EXPECT_EQ(destroyed, 2);
}

} // namespace
