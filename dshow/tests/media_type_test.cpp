#include "dshow/ds_media_type.h"

#include "dshow/tests/memory_probe.h"
#include "dshow/tests/test_filters.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace ds_test;

// A format unknown that counts its references.
struct CountedUnknown : IUnknown {
    LONG count = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++count; }
    ULONG STDMETHODCALLTYPE Release() override { return --count; }
};

class MediaTypeTest : public ::testing::Test {
protected:
    ComScope com;
};

TEST_F(MediaTypeTest, NewRecordIsFixedSizeOfOneWithNothingOwned)
{
    CDsMediaType type;
    EXPECT_EQ(type.majortype, GUID_NULL);
    EXPECT_EQ(type.subtype, GUID_NULL);
    EXPECT_EQ(type.formattype, GUID_NULL);
    EXPECT_EQ(type.bFixedSizeSamples, TRUE);
    EXPECT_EQ(type.bTemporalCompression, FALSE);
    EXPECT_EQ(type.lSampleSize, 1u);
    EXPECT_EQ(type.pUnk, nullptr);
    EXPECT_EQ(type.cbFormat, 0u);
    EXPECT_EQ(type.pbFormat, nullptr);
}

TEST_F(MediaTypeTest, CopyDuplicatesTheFormatBlockAndReferencesTheUnknown)
{
    CountedUnknown unknown;
    CDsMediaType source = makeType(kTypeA, kSubX, kFormatF, {1, 2, 3, 4, 5});
    source.pUnk = &unknown;
    unknown.AddRef();
    {
        CDsMediaType copy(source);
        EXPECT_NE(copy.pbFormat, source.pbFormat);
        ASSERT_EQ(copy.cbFormat, 5u);
        EXPECT_EQ(std::memcmp(copy.pbFormat, source.pbFormat, 5), 0);
        EXPECT_EQ(copy.pUnk, &unknown);
        EXPECT_EQ(unknown.count, 3);
        EXPECT_TRUE(sameType(copy, source));
    }
    EXPECT_EQ(unknown.count, 2);
    DsFreeMediaType(&source);
    EXPECT_EQ(unknown.count, 1);
    EXPECT_EQ(source.pUnk, nullptr);
    EXPECT_EQ(source.cbFormat, 0u);
    EXPECT_EQ(source.pbFormat, nullptr);
}

TEST_F(MediaTypeTest, AssigningToItselfKeepsTheFormatBlock)
{
    CDsMediaType type = makeType(kTypeA, kSubX, kFormatF, {9, 8, 7});
    BYTE *block = type.pbFormat;
    CDsMediaType &same = type;
    type = same;
    EXPECT_EQ(type.pbFormat, block);
    ASSERT_EQ(type.cbFormat, 3u);
    EXPECT_EQ(type.pbFormat[0], 9);
}

TEST_F(MediaTypeTest, AFormatPointerWithSizeZeroIsNeitherCopiedNorFreed)
{
    TaskMemoryProbe probe;
    ASSERT_TRUE(probe.active());
    static BYTE notOwned[4] = {1, 2, 3, 4};
    {
        CDsMediaType type;
        type.pbFormat = notOwned;
        CDsMediaType copy(type);
        EXPECT_EQ(copy.pbFormat, notOwned);
        EXPECT_EQ(probe.allocations(), 0);
        type.pbFormat = notOwned;
    }
    EXPECT_EQ(probe.frees(), 0);
}

TEST_F(MediaTypeTest, CopyThatCannotGetItsBlockHasFormatSizeZero)
{
    CDsMediaType source = makeType(kTypeA, kSubX, kFormatF, {1, 2, 3});
    TaskMemoryProbe probe;
    ASSERT_TRUE(probe.active());
    probe.failNext(1);
    CDsMediaType copy(source);
    EXPECT_EQ(copy.cbFormat, 0u);
    EXPECT_EQ(copy.pbFormat, nullptr);
    EXPECT_EQ(copy.majortype, kTypeA);
}

TEST_F(MediaTypeTest, CreateAndDeleteUseTheTaskAllocator)
{
    CDsMediaType source = makeType(kTypeA, kSubX, kFormatF, {1, 2});
    TaskMemoryProbe probe;
    ASSERT_TRUE(probe.active());
    AM_MEDIA_TYPE *created = DsCreateMediaType(&source);
    ASSERT_NE(created, nullptr);
    EXPECT_TRUE(sameType(*created, source));
    EXPECT_EQ(probe.allocations(), 2); // the record and its format block
    DsDeleteMediaType(created);
    EXPECT_EQ(probe.frees(), 2);
    DsDeleteMediaType(nullptr);

    probe.failNext(1);
    EXPECT_EQ(DsCreateMediaType(&source), nullptr);
}

TEST_F(MediaTypeTest, PartiallySpecifiedLooksAtMajorAndFormatTypeOnly)
{
    struct Case {
        GUID major, subtype, format;
        BOOL partial;
    } cases[] = {
        {kTypeA, GUID_NULL, kFormatF, FALSE},    {kTypeA, kSubX, kFormatF, FALSE},
        {kTypeA, kSubX, GUID_NULL, TRUE},        {GUID_NULL, kSubX, kFormatF, TRUE},
        {GUID_NULL, GUID_NULL, GUID_NULL, TRUE},
    };
    for (const Case &c : cases)
        EXPECT_EQ(makeType(c.major, c.subtype, c.format).IsPartiallySpecified(), c.partial);
}

TEST_F(MediaTypeTest, MatchesPartialTreatsNullFieldsAsWildcards)
{
    const CDsMediaType full = makeType(kTypeA, kSubX, kFormatF, {1, 2, 3});
    struct Case {
        CDsMediaType partial;
        BOOL matches;
    } cases[] = {
        {makeType(GUID_NULL, GUID_NULL, GUID_NULL), TRUE},
        {makeType(kTypeA, GUID_NULL, GUID_NULL), TRUE},
        {makeType(kTypeB, GUID_NULL, GUID_NULL), FALSE},
        {makeType(GUID_NULL, kSubX, GUID_NULL), TRUE},
        {makeType(GUID_NULL, kSubY, GUID_NULL), FALSE},
        {makeType(kTypeA, kSubX, kFormatF, {1, 2, 3}), TRUE},
        {makeType(kTypeA, kSubX, kFormatF, {1, 2, 4}), FALSE},
        {makeType(kTypeA, kSubX, kFormatF, {1, 2}), FALSE},
        {makeType(kTypeA, kSubX, kFormatF, {1, 2, 3, 4}), FALSE},
        {makeType(kTypeA, kSubX, kTypeB, {1, 2, 3}), FALSE},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(full.MatchesPartial(&cases[i].partial), cases[i].matches) << "case " << i;

    // Sample size and the two flags never take part.
    CDsMediaType other = full;
    other.SetSampleSize(77);
    other.SetTemporalCompression(TRUE);
    EXPECT_TRUE(full.MatchesPartial(&other));
}

TEST_F(MediaTypeTest, SampleSizeZeroMakesSamplesVariableAndKeepsTheOldSize)
{
    CDsMediaType type;
    type.SetSampleSize(8);
    EXPECT_EQ(type.bFixedSizeSamples, TRUE);
    EXPECT_EQ(type.lSampleSize, 8u);
    type.SetSampleSize(0);
    EXPECT_EQ(type.bFixedSizeSamples, FALSE);
    EXPECT_EQ(type.lSampleSize, 8u);
    type.SetSampleSize(4);
    EXPECT_EQ(type.bFixedSizeSamples, TRUE);
    EXPECT_EQ(type.lSampleSize, 4u);
}

TEST_F(MediaTypeTest, FormatBufferKeepsExactlyTheSizeAsked)
{
    CDsMediaType type;
    TaskMemoryProbe probe;
    ASSERT_TRUE(probe.active());

    BYTE *first = type.AllocFormatBuffer(8);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(type.cbFormat, 8u);
    EXPECT_EQ(type.AllocFormatBuffer(8), first); // same size: kept
    EXPECT_EQ(probe.allocations(), 1);

    BYTE *second = type.AllocFormatBuffer(4); // smaller: a new block replaces it
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(type.cbFormat, 4u);
    EXPECT_EQ(probe.allocations(), 2);
    EXPECT_EQ(probe.frees(), 1);

    probe.failNext(1); // smaller still, and no memory: the old block stays
    EXPECT_EQ(type.AllocFormatBuffer(2), second);
    EXPECT_EQ(type.cbFormat, 4u);

    probe.failNext(1); // larger, and no memory: null, record unchanged
    EXPECT_EQ(type.AllocFormatBuffer(16), nullptr);
    EXPECT_EQ(type.cbFormat, 4u);
    EXPECT_EQ(type.pbFormat, second);
}

// A format size of 0 holds no block: asking for 0 bytes frees the old one
// and takes none, so every block the record took is freed in the end.
TEST_F(MediaTypeTest, AFormatBufferOfNoBytesHoldsNoBlock)
{
    TaskMemoryProbe probe;
    ASSERT_TRUE(probe.active());
    {
        CDsMediaType type;
        ASSERT_NE(type.AllocFormatBuffer(8), nullptr);
        EXPECT_EQ(type.AllocFormatBuffer(0), nullptr);
        EXPECT_EQ(type.cbFormat, 0u);
        EXPECT_EQ(type.pbFormat, nullptr);
        EXPECT_EQ(type.AllocFormatBuffer(0), nullptr);
        EXPECT_NE(type.AllocFormatBuffer(4), nullptr);
        EXPECT_EQ(type.cbFormat, 4u);
    }
    EXPECT_EQ(probe.allocations(), 2);
    EXPECT_EQ(probe.frees(), probe.allocations());
}

} // namespace
