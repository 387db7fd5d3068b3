#include "dshow/ds_media_type_enum.h"

#include "dshow/tests/memory_probe.h"
#include "dshow/tests/test_filters.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace ds_test;

const CDsMediaType AX = makeType(kTypeA, kSubX, kFormatF, {1, 2, 3});
const CDsMediaType AY = makeType(kTypeA, kSubY);
const CDsMediaType BX = makeType(kTypeB, kSubX);

class MediaTypeEnumTest : public ::testing::Test {
protected:
    ComScope com;
    FilterRef filter{new TestFilter(kSourceClass, 1, 0)};
    IEnumMediaTypes *types = nullptr;
    TestOutputPin *pin() { return filter->output(0); }

    void SetUp() override
    {
        pin()->script.proposed = {AX, AY, BX};
        ASSERT_EQ(pin()->EnumMediaTypes(&types), S_OK);
    }
    void TearDown() override
    {
        types->Release();
        EXPECT_EQ(refCountOf(filter->filter()), 1u);
    }

    // Next(n); the types fetched, freed; the answer in *answer.
    std::vector<CDsMediaType> next(ULONG n, HRESULT *answer = nullptr)
    {
        std::vector<AM_MEDIA_TYPE *> got(n + 1, nullptr);
        ULONG fetched = 99;
        const HRESULT hr = types->Next(n, got.data(), &fetched);
        if (answer)
            *answer = hr;
        std::vector<CDsMediaType> copies;
        if (FAILED(hr))
            return copies;
        for (ULONG i = 0; i < fetched && i < n; ++i) {
            copies.emplace_back(*got[i]);
            DsDeleteMediaType(got[i]);
        }
        return copies;
    }
    static bool same(const std::vector<CDsMediaType> &got, const std::vector<CDsMediaType> &expected)
    {
        if (got.size() != expected.size())
            return false;
        for (size_t i = 0; i < got.size(); ++i)
            if (!sameType(got[i], expected[i]))
                return false;
        return true;
    }
};

TEST_F(MediaTypeEnumTest, HandsOutThePinsTypesInOrder)
{
    HRESULT hr;
    EXPECT_TRUE(same(next(2, &hr), {AX, AY}));
    EXPECT_EQ(hr, S_OK);
    EXPECT_TRUE(same(next(2, &hr), {BX}));
    EXPECT_EQ(hr, S_FALSE);
    ASSERT_EQ(types->Reset(), S_OK);
    EXPECT_TRUE(same(next(3, &hr), {AX, AY, BX}));
    EXPECT_EQ(hr, S_OK);
}

TEST_F(MediaTypeEnumTest, AHandedOutTypeKeepsTheBlockThePinMade)
{
    TaskMemoryProbe probe;
    ASSERT_TRUE(probe.active());
    AM_MEDIA_TYPE *got = nullptr;
    ULONG fetched = 0;
    ASSERT_EQ(types->Next(1, &got, &fetched), S_OK);
    // The record's block and the format block the pin's copy made; no more.
    EXPECT_EQ(probe.allocations(), 2);
    EXPECT_EQ(probe.frees(), 0);
    EXPECT_TRUE(sameType(*got, AX));
    DsDeleteMediaType(got);
    EXPECT_EQ(probe.frees(), 2);

    probe.failNext(2); // neither the format copy nor the record block
    EXPECT_EQ(types->Next(1, &got, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
}

TEST_F(MediaTypeEnumTest, WithoutAFetchedCountOnlyOneTypeMayBeAsked)
{
    AM_MEDIA_TYPE *got[2] = {};
    ASSERT_EQ(types->Next(1, got, nullptr), S_OK);
    DsDeleteMediaType(got[0]);
    EXPECT_EQ(types->Next(2, got, nullptr), E_INVALIDARG);
    EXPECT_EQ(types->Next(1, nullptr, nullptr), E_POINTER);
}

TEST_F(MediaTypeEnumTest, ChangedTypesAnswerOutOfStepUntilReset)
{
    next(1);
    pin()->changeTypes();
    HRESULT hr;
    EXPECT_TRUE(next(1, &hr).empty());
    EXPECT_EQ(hr, VFW_E_ENUM_OUT_OF_SYNC);
    EXPECT_EQ(types->Skip(1), VFW_E_ENUM_OUT_OF_SYNC);
    EXPECT_EQ(types->Skip(0), S_OK);
    IEnumMediaTypes *clone = reinterpret_cast<IEnumMediaTypes *>(1);
    EXPECT_EQ(types->Clone(&clone), VFW_E_ENUM_OUT_OF_SYNC);
    EXPECT_EQ(clone, nullptr);

    ASSERT_EQ(types->Reset(), S_OK);
    EXPECT_TRUE(same(next(1, &hr), {AX}));
    EXPECT_EQ(hr, S_OK);
}

TEST_F(MediaTypeEnumTest, SkipBeyondTheLastTypeLeavesNothingToFetch)
{
    EXPECT_EQ(types->Skip(2), S_OK);
    EXPECT_TRUE(same(next(1), {BX}));
    ASSERT_EQ(types->Reset(), S_OK);
    EXPECT_EQ(types->Skip(5), S_FALSE);
    HRESULT hr;
    EXPECT_TRUE(next(1, &hr).empty());
    EXPECT_EQ(hr, S_FALSE);
}

TEST_F(MediaTypeEnumTest, CloneContinuesFromTheSamePlace)
{
    next(1);
    IEnumMediaTypes *clone = nullptr;
    ASSERT_EQ(types->Clone(&clone), S_OK);
    EXPECT_EQ(refCountOf(filter->filter()), 3u); // each enumerator holds the pin
    AM_MEDIA_TYPE *got = nullptr;
    ASSERT_EQ(clone->Next(1, &got, nullptr), S_OK);
    EXPECT_TRUE(sameType(*got, AY));
    DsDeleteMediaType(got);
    clone->Release();
    EXPECT_EQ(types->Clone(nullptr), E_POINTER);

    failNextNothrowAllocations(1);
    EXPECT_EQ(types->Clone(&clone), E_OUTOFMEMORY);
    EXPECT_EQ(clone, nullptr);
}

TEST_F(MediaTypeEnumTest, PinWithoutTypesAnswersUnexpected)
{
    FilterRef plain(new TestFilter(kSinkClass, 0, 1));
    CDsMediaType type;
    EXPECT_EQ(plain->input(0)->CDsPin::GetMediaType(0, &type), E_UNEXPECTED);
    void *same = nullptr;
    ASSERT_EQ(types->QueryInterface(IID_IEnumMediaTypes, &same), S_OK);
    static_cast<IUnknown *>(same)->Release();
    void *none = &none;
    EXPECT_EQ(types->QueryInterface(IID_IEnumPins, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
}

} // namespace
