#include "base/string_stream.h"
#include "plugin/framework/drums/drum_map.h"

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;

std::string identityBytes()
{
    std::string bytes;
    for (int n = 0; n < 128; ++n)
        bytes.push_back(static_cast<char>(n));
    return bytes;
}

TEST(DrumMap, FreshMapIsTheIdentityAndEqualsAResetOne)
{
    DrumMap fresh;
    DrumMap other;
    other.setName("Custom");
    other.setNote(36, 40);
    other.reset();
    EXPECT_TRUE(fresh.equals(other));
    for (int n = 0; n < 128; ++n)
        EXPECT_EQ(fresh.getNote(n), n);
    EXPECT_EQ(fresh.getName(), "");

    other.setNote(127, 126);
    EXPECT_FALSE(fresh.equals(other)) << "one byte differs";
    other.reset();
    other.setName("x");
    EXPECT_FALSE(fresh.equals(other)) << "names differ";
}

TEST(DrumMap, SetNoteClampsValuesAndIgnoresOtherNotes)
{
    DrumMap map;
    map.setNote(36, 200);
    EXPECT_EQ(map.getNote(36), 127);
    map.setNote(38, -5);
    EXPECT_EQ(map.getNote(38), 0);
    const DrumMap before = map;
    map.setNote(128, 1);
    map.setNote(-1, 1);
    EXPECT_TRUE(map.equals(before));
    EXPECT_EQ(map.getNote(-1), -1) << "notes outside the table pass unchanged";
    EXPECT_EQ(map.getNote(300), 300);
}

TEST(DrumMap, AssignCopiesNameAndNotes)
{
    DrumMap map;
    map.setName("Kit");
    map.setNote(42, 44);
    DrumMap copy;
    copy.assign(map);
    EXPECT_TRUE(copy.equals(map));
    copy.assign(copy);
    EXPECT_TRUE(copy.equals(map));
}

TEST(DrumMap, RecordIsVersionNameAndNotes)
{
    DrumMap map;
    map.setName("Kit");
    map.setNote(0, 127);
    map.setNote(36, 35);
    std::string bytes;
    Quorvane::stringStream stream(bytes);
    ASSERT_TRUE(map.write(stream));

    std::string expected = "\x01\0\0\0\x03\0\0\0Kit"s + identityBytes();
    expected[11 + 0] = 127;
    expected[11 + 36] = 35;
    EXPECT_EQ(bytes, expected);

    stream.setPosition(0);
    DrumMap back;
    ASSERT_TRUE(back.read(stream));
    EXPECT_TRUE(back.equals(map));
}

// A record that ends early changes nothing.
TEST(DrumMap, ShortRecordsLeaveTheMapUnchanged)
{
    const std::string full = "\x01\0\0\0\x03\0\0\0Kit"s + std::string(128, '\x05');
    const std::string cases[] = {
        ""s,
        "\x01\0\0"s,
        "\x01\0\0\0"s,
        "\x01\0\0\0\x03\0\0\0Ki"s,
        "\x01\0\0\0\xFF\xFF\xFF\x7F"s, // damaged length
        full.substr(0, full.size() - 1),
    };
    for (const std::string &record : cases) {
        std::string bytes = record;
        Quorvane::stringStream stream(bytes);
        DrumMap map;
        map.setName("Mine");
        map.setNote(36, 38);
        const DrumMap before = map;
        EXPECT_FALSE(map.read(stream)) << record.size();
        EXPECT_TRUE(map.equals(before)) << record.size();
    }
    std::string bytes = full;
    Quorvane::stringStream stream(bytes);
    DrumMap map;
    EXPECT_TRUE(map.read(stream));
    EXPECT_EQ(map.getNote(100), 5);
}

// Bytes above 127 are signed in the record; no mapped note leaves 0..127.
TEST(DrumMap, NotesReadAreClamped)
{
    std::string bytes = "\x01\0\0\0\0\0\0\0"s + identityBytes();
    bytes[8 + 36] = '\x80';
    bytes[8 + 38] = '\xFF';
    bytes[8 + 40] = '\x7F';
    Quorvane::stringStream stream(bytes);
    DrumMap map;
    ASSERT_TRUE(map.read(stream));
    EXPECT_EQ(map.getNote(36), 0);
    EXPECT_EQ(map.getNote(38), 0);
    EXPECT_EQ(map.getNote(40), 127);
    for (int n = 0; n < 128; ++n) {
        EXPECT_GE(map.getNote(n), 0);
        EXPECT_LE(map.getNote(n), 127);
    }
}

} // namespace
