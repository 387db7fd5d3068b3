#include "base/delegate.h"

#include <gtest/gtest.h>

#include <new>
#include <string>

namespace {

bool failNextNothrowNew = false;

} // namespace

// Lets a test make the next framework allocation fail.
void *operator new(size_t size, const std::nothrow_t &) noexcept
{
    if (failNextNothrowNew) {
        failNextNothrowNew = false;
        return nullptr;
    }
    return malloc(size ? size : 1);
}

namespace {

using namespace Quorvane;

struct Listener {
    std::string *log;
    std::string name;
    void fired() { *log += name; }
    void firedWith(int value) { *log += name + std::to_string(value); }
    void indexed(int index) { *log += name + "#" + std::to_string(index); }
};

int32_t countOf(AbstractDelegate *d)
{
    d->addRef();
    return d->release();
}

class DelegateChain : public ::testing::Test {
protected:
    std::string log;
    Listener a{&log, "A"}, b{&log, "B"}, c{&log, "C"};
};

TEST_F(DelegateChain, ListenersFireInTheOrderAdded)
{
    DelegatePtr chain;
    for (Listener *l : {&a, &b, &c})
        addDelegate(chain, MemberDelegateT<Listener>::create(l, &Listener::fired).get());
    invokeDelegate(chain);
    EXPECT_EQ(log, "ABC");
}

TEST_F(DelegateChain, OneArgumentChainsPassTheSameValueToEveryone)
{
    Delegate1Ptr<int> chain;
    addDelegate(chain, MemberDelegate1T<int, Listener>::create(&a, &Listener::firedWith).get());
    addDelegate(chain, MemberDelegate1T<int, Listener>::create(&b, &Listener::firedWith).get());
    invokeDelegate(chain, 7);
    EXPECT_EQ(log, "A7B7");
}

TEST_F(DelegateChain, IndexedDelegatesPassTheirIndex)
{
    DelegatePtr chain;
    addDelegate(chain, IndexedDelegateT<Listener>::create(&a, &Listener::indexed, 3).get());
    addDelegate(chain, IndexedDelegateT<Listener>::create(&a, &Listener::indexed, 5).get());
    invokeDelegate(chain);
    EXPECT_EQ(log, "A#3A#5");
}

TEST_F(DelegateChain, CombineWithNullReturnsTheOtherItself)
{
    DelegatePtr x = MemberDelegateT<Listener>::create(&a, &Listener::fired);
    EXPECT_EQ(MulticastDelegate::combine(nullptr, x.get()), x.get());
    EXPECT_EQ(MulticastDelegate::combine(x.get(), nullptr), x.get());
    EXPECT_EQ(countOf(x.get()), 1) << "no node made, no reference taken";
}

TEST_F(DelegateChain, ReleasingTheChainReleasesEveryListener)
{
    DelegatePtr first = MemberDelegateT<Listener>::create(&a, &Listener::fired);
    DelegatePtr second = MemberDelegateT<Listener>::create(&b, &Listener::fired);
    DelegatePtr chain;
    addDelegate(chain, first.get());
    addDelegate(chain, second.get());
    EXPECT_EQ(countOf(first.get()), 2);
    EXPECT_EQ(countOf(second.get()), 2);

    chain.reset();
    EXPECT_EQ(countOf(first.get()), 1);
    EXPECT_EQ(countOf(second.get()), 1);
    invokeDelegate(chain);
    EXPECT_EQ(log, "");
}

TEST_F(DelegateChain, FailedCombineKeepsTheExistingListeners)
{
    DelegatePtr chain;
    addDelegate(chain, MemberDelegateT<Listener>::create(&a, &Listener::fired).get());
    addDelegate(chain, MemberDelegateT<Listener>::create(&b, &Listener::fired).get());

    DelegatePtr lost = MemberDelegateT<Listener>::create(&c, &Listener::fired);
    failNextNothrowNew = true;
    addDelegate(chain, lost.get());
    ASSERT_FALSE(failNextNothrowNew);

    invokeDelegate(chain);
    EXPECT_EQ(log, "AB") << "only the new listener is lost";
    EXPECT_EQ(countOf(lost.get()), 1);
}

TEST_F(DelegateChain, CreateRefusesNullObjectOrMethod)
{
    EXPECT_FALSE(MemberDelegateT<Listener>::create(nullptr, &Listener::fired));
    EXPECT_FALSE(MemberDelegateT<Listener>::create(&a, nullptr));
    EXPECT_FALSE(IndexedDelegateT<Listener>::create(nullptr, &Listener::indexed, 1));
}

TEST_F(DelegateChain, EqualsComparesClassObjectMethodAndIndex)
{
    auto fa = MemberDelegateT<Listener>::create(&a, &Listener::fired);
    auto fa2 = MemberDelegateT<Listener>::create(&a, &Listener::fired);
    auto fb = MemberDelegateT<Listener>::create(&b, &Listener::fired);
    auto i1 = IndexedDelegateT<Listener>::create(&a, &Listener::indexed, 1);
    auto i1b = IndexedDelegateT<Listener>::create(&a, &Listener::indexed, 1);
    auto i2 = IndexedDelegateT<Listener>::create(&a, &Listener::indexed, 2);

    EXPECT_TRUE(fa->equals(fa2.get()));
    EXPECT_FALSE(fa->equals(fb.get()));
    EXPECT_FALSE(fa->equals(i1.get()));
    EXPECT_FALSE(fa->equals(nullptr));
    EXPECT_TRUE(i1->equals(i1b.get()));
    EXPECT_FALSE(i1->equals(i2.get()));

    DelegatePtr chain1, chain2;
    addDelegate(chain1, fa.get());
    addDelegate(chain1, fb.get());
    addDelegate(chain2, fb.get());
    addDelegate(chain2, fa.get());
    EXPECT_TRUE(chain1->equals(chain2.get())) << "multicast nodes compare by class";
}

} // namespace
