#include "data/song_info.h"

#include <gtest/gtest.h>

using namespace Quorvane;

namespace {

TEST(SongInfo, NamedTextsOnOneLine)
{
    const char *names[] = {"Title", "Subtitle", "Author", "Copyright", "Comments"};
    for (long i = 0; i < SONGINFO_ITEMS; ++i)
        EXPECT_STREQ(SONGINFO::GetItemName(i), names[i]);
    EXPECT_EQ(SONGINFO::GetItemName(5), nullptr);
    EXPECT_EQ(SONGINFO::GetItemName(-1), nullptr);

    SONGINFO info;
    ASSERT_EQ(info.SetItemText(SONGINFO_TITLE, "Night\r\nDrive"), 1);
    EXPECT_STREQ(info.GetItemText(SONGINFO_TITLE), "Night  Drive");
    const char *kept = info.GetItemText(SONGINFO_TITLE);
    EXPECT_EQ(info.SetItemText(SONGINFO_TITLE, "Night  Drive"), 1);
    EXPECT_EQ(info.GetItemText(SONGINFO_TITLE), kept); // unchanged: not replaced
    EXPECT_EQ(info.SetItemText(SONGINFO_COMMENTS, ""), 1);
    EXPECT_EQ(info.GetItemText(SONGINFO_COMMENTS), nullptr);
    EXPECT_EQ(info.SetItemText(9, "x"), 0);
    EXPECT_EQ(info.GetItemText(9), nullptr);
    info.Clear(0);
    EXPECT_EQ(info.GetItemText(SONGINFO_TITLE), nullptr);
}

} // namespace
