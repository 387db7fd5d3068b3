#include "data/sysex.h"

#include <gtest/gtest.h>

using namespace Quorvane;

namespace {

TEST(SysEx, EntriesOwnNameAndMessage)
{
    SYSEX a, b;
    ASSERT_EQ(a.SetName("GM Reset"), 1);
    ASSERT_EQ(a.SetData("\xF0\x7E\x7F\x09\x01\xF7", 6), 1);
    b.SetName("GM Reset");
    b.SetData("\xF0\x7E\x7F\x09\x01\xF7", 6);
    EXPECT_EQ(a.IsDifferent(b), 0);
    b.data[4] = 0x02;
    EXPECT_EQ(a.IsDifferent(b), 1);
    b.Clear();
    EXPECT_EQ(b.length, 0);

    CSysEx list;
    ASSERT_EQ(list.Add(a), 1);
    EXPECT_EQ(a.data, nullptr); // moved into the list
    ASSERT_NE(list.GetAt(0), nullptr);
    EXPECT_EQ(list.GetAt(0)->length, 6);
    EXPECT_STREQ(list.GetAt(0)->name, "GM Reset");
    EXPECT_EQ(list.GetAt(1), nullptr);
    EXPECT_EQ(list.Delete(0, 1), 1);
    EXPECT_EQ(list.GetNumb(), 0);
}

} // namespace
