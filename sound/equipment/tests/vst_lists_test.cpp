// The scan cache's values as the caller keeps them between scans.
#include "sound/equipment/vst_lists.h"

#include "sound/equipment/tests/equipment_fixture.h"

#include <gtest/gtest.h>

namespace {

using namespace equipment_test;
using namespace Quorvane;

TEST(VstLists, VerdictTexts)
{
    EXPECT_STREQ(VstVerdictText(0), " = UNKNOWN\n");
    EXPECT_STREQ(VstVerdictText(1), " = VSTi\n");
    EXPECT_STREQ(VstVerdictText(2), " = VST\n");
    EXPECT_STREQ(VstVerdictText(3), " = NOT VST(i)\n");
    EXPECT_STREQ(VstVerdictText(4), " = CRUSHED\n");
    EXPECT_STREQ(VstVerdictText(5), " = UNKNOWN\n");
}

TEST(VstLists, TheChangedBitMarksVerdictsAScanChanged)
{
    auto list = stringList();
    addString(*list, "C:\\VST\\Same.dll", 1, 10);
    addString(*list, "C:\\VST\\Other.dll", 2, 11);
    VstScanCache cache(list.get());
    EXPECT_EQ(cache.Find("c:\\vst\\same.DLL"), 0) << "paths compare without case";
    EXPECT_EQ(cache.Find("C:\\VST\\None.dll"), -1);
    const long added = cache.Add("C:\\VST\\New.dll");
    ASSERT_EQ(added, 2);

    cache.Record(0, VST_INSTRUMENT); // unchanged
    cache.Record(1, VST_CRUSHED);    // changed
    EXPECT_EQ(cache.Verdict(2), VST_UNKNOWN) << "new, not yet scanned";
    EXPECT_EQ(scanEntries(*list), (std::vector<ScanEntry>{{"C:\\VST\\Same.dll", 1, 10},
                                                          {"C:\\VST\\Other.dll", 0x80000004, 11},
                                                          {"C:\\VST\\New.dll", 0x80000000, 0xFFFFFFFF}}));
    cache.Record(2, VST_EFFECT);
    cache.Record(1, VST_CRUSHED); // the same again keeps the mark
    EXPECT_EQ(scanEntries(*list)[2].value, 0x80000002u);
    EXPECT_EQ(scanEntries(*list)[1].value, 0x80000004u);

    cache.DropUnless([](long index) { return index != 0; });
    EXPECT_EQ(scanEntries(*list)[0].value, 0xFFFFFFFFu) << "-1: the file is gone";
}

TEST(VstLists, ListsOfOtherElementsAreNotUsed)
{
    Quorvane::CStructArray other(8, 4);
    VstScanCache cache(&other);
    EXPECT_EQ(cache.Add("C:\\a.dll"), 0);
    EXPECT_EQ(other.GetNumb(), 0) << "the cache kept its own list";
    EXPECT_FALSE(IsKnownPlugin(&other, "a.dll"));
    EXPECT_FALSE(IsKnownPlugin(nullptr, "a.dll"));
    auto known = stringList();
    addString(*known, "Synth.dll", 0, 4);
    EXPECT_TRUE(IsKnownPlugin(known.get(), "SYNTH.dll"));
}

} // namespace
