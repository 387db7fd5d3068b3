#include "data/simple_string.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace Quorvane;

namespace {

TEST(SimpleString, OwnsItsTextAndTwoNumbers)
{
    SIMPLE_STRING s;
    ASSERT_EQ(s.SetText("Grand Piano"), 1);
    s.SetParam1(3);
    s.SetParam2(-1);
    EXPECT_STREQ(s.GetText(), "Grand Piano");
    EXPECT_EQ(s.GetParam1(), 3);
    EXPECT_EQ(s.GetParam2(), -1);
    ASSERT_EQ(s.SetText("Organ", 3), 1);
    EXPECT_STREQ(s.GetText(), "Org");
    EXPECT_EQ(s.SetText(""), 1);
    EXPECT_EQ(s.GetText(), nullptr);
    s.SetText("x");
    char *moved = s.text;
    s.Spoil(); // the bytes went elsewhere
    EXPECT_EQ(s.GetText(), nullptr);
    std::free(moved);
}

} // namespace
