#include "data/seekable_stream.h"

#include "base/string_stream.h"

#include <gtest/gtest.h>

#include <string>

using namespace Quorvane;

namespace {

// A base library stream seen through the data model's interfaces.
TEST(StreamAdapter, ForwardsToABaseStreamAndCountsThePosition)
{
    std::string bytes;
    stringStream base(bytes);
    Seekable::StreamAdapter adapter(&base, &base);
    EXPECT_TRUE(adapter.write(std::string("snare")));
    EXPECT_TRUE(adapter.writeInt16(-2));
    EXPECT_EQ(bytes, std::string("\x05\0\0\0snare\xFE\xFF", 11));
    EXPECT_EQ(adapter.tell(), 11u);
    EXPECT_EQ(adapter.seek(0, Seekable::FROM_START), 11u); // it cannot move

    base.setPosition(0);
    Seekable::StreamAdapter reader(&base, nullptr);
    EXPECT_TRUE(reader.skip(4));
    char word[5];
    EXPECT_EQ(reader.readBytes(word, 5), 5u);
    EXPECT_EQ(std::string(word, 5), "snare");
    EXPECT_EQ(reader.readInt16(), -2);
    EXPECT_EQ(reader.tell(), 11u);
    EXPECT_FALSE(reader.skip(1));
    EXPECT_EQ(reader.writeBytes("x", 1), 0u); // no output side
}

} // namespace
