#include "plugin/framework/plugin/requester_chain.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Sink {};
struct Member;
using Chain = Quorvane::RequesterChain<Member, Sink>;
struct Member : Quorvane::RequesterLink<Member, Sink> {
    int id = 0;
};

std::vector<int> ids(const Chain &chain)
{
    std::vector<int> found;
    chain.forEach([&](Member *m) { found.push_back(m->id); });
    return found;
}

TEST(RequesterChain, NewMembersGoToTheHead)
{
    Chain chain;
    Sink sink;
    Member a, b, c;
    a.id = 1, b.id = 2, c.id = 3;
    chain.attach(&a, &sink, 10);
    chain.attach(&b, &sink, 20);
    chain.attach(&c, &sink, 30);
    EXPECT_EQ(ids(chain), (std::vector<int>{3, 2, 1}));
    EXPECT_EQ(b.requesterCookie(), 20u);
    EXPECT_EQ(b.requesterSink(), &sink);
}

TEST(RequesterChain, AWalkWithSelfVisitsSelfOnce)
{
    Chain chain;
    Sink sink;
    Member a, b, outside;
    a.id = 1, b.id = 2, outside.id = 9;
    chain.attach(&a, &sink, 10);
    chain.attach(&b, &sink, 20);
    std::vector<int> seen;
    chain.forEachWith(&a, [&](Member *m) { seen.push_back(m->id); });
    EXPECT_EQ(seen, (std::vector<int>{2, 1}));
    seen.clear();
    chain.forEachWith(&outside, [&](Member *m) { seen.push_back(m->id); });
    EXPECT_EQ(seen, (std::vector<int>{2, 1, 9}));
}

TEST(RequesterChain, AttachingAMemberAgainReplacesSinkAndCookieOnly)
{
    Chain chain;
    Sink first, second;
    Member a, b;
    a.id = 1, b.id = 2;
    chain.attach(&a, &first, 10);
    chain.attach(&b, &first, 20);
    chain.attach(&a, &second, 11);
    EXPECT_EQ(ids(chain), (std::vector<int>{2, 1})) << "not linked twice, no loop";
    EXPECT_EQ(a.requesterSink(), &second);
    EXPECT_EQ(a.requesterCookie(), 11u);
    EXPECT_EQ(chain.detach(&a), &second);
    EXPECT_EQ(ids(chain), (std::vector<int>{2}));
}

TEST(RequesterChain, DetachKeepsTheOthersLinked)
{
    Sink sink;
    for (int gone = 1; gone <= 3; ++gone) {
        Chain chain;
        Member members[3];
        for (int i = 0; i < 3; ++i) {
            members[i].id = i + 1;
            chain.attach(&members[i], &sink, i);
        }
        EXPECT_EQ(chain.detach(&members[gone - 1]), &sink);
        EXPECT_EQ(members[gone - 1].requesterSink(), nullptr);
        std::vector<int> left;
        for (int id : {3, 2, 1})
            if (id != gone)
                left.push_back(id);
        EXPECT_EQ(ids(chain), left) << gone;
        EXPECT_FALSE(chain.contains(&members[gone - 1]));
        EXPECT_EQ(chain.detach(&members[gone - 1]), nullptr) << "detaching twice";
    }
}

} // namespace
