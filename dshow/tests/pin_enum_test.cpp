#include "dshow/ds_pin_enum.h"

#include "dshow/tests/memory_probe.h"
#include "dshow/tests/test_filters.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace ds_test;

class PinEnumTest : public ::testing::Test {
protected:
    ComScope com;
    FilterRef filter{new TestFilter(kSourceClass, 2, 1)};
    IEnumPins *pins = nullptr;

    void SetUp() override { ASSERT_EQ(filter->EnumPins(&pins), S_OK); }
    void TearDown() override
    {
        if (pins)
            pins->Release();
        EXPECT_EQ(refCountOf(filter->filter()), 1u); // every pin handed out was let go
    }

    // Next(n) with a fetched count; the pins returned, released.
    std::vector<IPin *> next(ULONG n, HRESULT *answer = nullptr)
    {
        std::vector<IPin *> got(n + 1, nullptr);
        ULONG fetched = 99;
        const HRESULT hr = pins->Next(n, got.data(), &fetched);
        if (answer)
            *answer = hr;
        got.resize(fetched);
        for (IPin *pin : got)
            pin->Release();
        return got;
    }
    IPin *pin(CDsPin *p) { return p; }
};

TEST_F(PinEnumTest, HandsOutEveryPinInOrder)
{
    HRESULT hr;
    EXPECT_EQ(next(2, &hr), (std::vector<IPin *>{pin(filter->output(0)), pin(filter->output(1))}));
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(next(2, &hr), (std::vector<IPin *>{pin(filter->input(0))}));
    EXPECT_EQ(hr, S_FALSE);
    EXPECT_EQ(next(1, &hr), std::vector<IPin *>{});
    EXPECT_EQ(hr, S_FALSE);
    ASSERT_EQ(pins->Reset(), S_OK);
    EXPECT_EQ(next(3).size(), 3u); // after Reset every pin comes again
}

TEST_F(PinEnumTest, WithoutAFetchedCountOnlyOnePinMayBeAsked)
{
    IPin *one[2] = {};
    EXPECT_EQ(pins->Next(1, one, nullptr), S_OK);
    ASSERT_NE(one[0], nullptr);
    one[0]->Release();
    EXPECT_EQ(pins->Next(2, one, nullptr), E_INVALIDARG);
    EXPECT_EQ(pins->Next(1, nullptr, nullptr), E_POINTER);
}

TEST_F(PinEnumTest, AfterAPinIsAddedNextHandsOutOnlyTheNewOne)
{
    next(2); // Out1, Out2
    filter->addOutput(L"Out3");
    HRESULT hr;
    EXPECT_EQ(next(3, &hr), (std::vector<IPin *>{pin(filter->output(2)), pin(filter->input(0))}));
    EXPECT_EQ(hr, S_FALSE);
}

TEST_F(PinEnumTest, SkipAndCloneAnswerOutOfStepUntilReset)
{
    next(1);
    filter->bumpPinVersion();
    EXPECT_EQ(pins->Skip(1), VFW_E_ENUM_OUT_OF_SYNC);
    IEnumPins *clone = reinterpret_cast<IEnumPins *>(1);
    EXPECT_EQ(pins->Clone(&clone), VFW_E_ENUM_OUT_OF_SYNC);
    EXPECT_EQ(clone, nullptr);
    // Reset, or a Next that refreshes the enumerator, brings it back in step.
    ASSERT_EQ(pins->Reset(), S_OK);
    EXPECT_EQ(pins->Skip(1), S_OK);
    filter->bumpPinVersion();
    next(1);
    EXPECT_EQ(pins->Skip(1), S_OK);
    ASSERT_EQ(pins->Clone(&clone), S_OK);
    clone->Release();
}

TEST_F(PinEnumTest, SkipBeyondTheLastPinLeavesThePositionAlone)
{
    EXPECT_EQ(pins->Skip(4), S_FALSE);
    EXPECT_EQ(next(1), (std::vector<IPin *>{pin(filter->output(0))}));
    EXPECT_EQ(pins->Skip(2), S_OK);
    EXPECT_EQ(next(1), std::vector<IPin *>{});
    EXPECT_EQ(pins->Skip(0), S_OK);
    EXPECT_EQ(pins->Skip(1), S_FALSE);
}

TEST_F(PinEnumTest, CloneContinuesWhereTheOriginalStands)
{
    next(1);
    IEnumPins *clone = nullptr;
    ASSERT_EQ(pins->Clone(&clone), S_OK);
    IPin *got[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(clone->Next(3, got, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 2u);
    EXPECT_EQ(got[0], pin(filter->output(1)));
    got[0]->Release();
    got[1]->Release();
    ASSERT_EQ(clone->Reset(), S_OK);
    EXPECT_EQ(clone->Next(3, got, &fetched), S_OK);
    for (IPin *p : got)
        p->Release();
    EXPECT_EQ(pins->Clone(nullptr), E_POINTER);
    clone->Release();
}

TEST_F(PinEnumTest, CloneWithoutMemoryAnswersOutOfMemory)
{
    next(1);
    IEnumPins *clone = reinterpret_cast<IEnumPins *>(1);
    failNextNothrowAllocations(1); // the enumerator itself
    EXPECT_EQ(pins->Clone(&clone), E_OUTOFMEMORY);
    EXPECT_EQ(clone, nullptr);
    failNextNothrowAllocations(1, 1); // the copy of the pins handed out
    EXPECT_EQ(pins->Clone(&clone), E_OUTOFMEMORY);
    EXPECT_EQ(clone, nullptr);
}

TEST_F(PinEnumTest, AMissingPinGivesBackThePinsOfThatCall)
{
    filter->losePin(1);
    const ULONG before = refCountOf(filter->filter());
    IPin *got[3] = {reinterpret_cast<IPin *>(1), reinterpret_cast<IPin *>(1), reinterpret_cast<IPin *>(1)};
    ULONG fetched = 99;
    EXPECT_EQ(pins->Next(3, got, &fetched), VFW_E_ENUM_OUT_OF_SYNC);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(got[0], nullptr); // Out1 was placed, then given back
    EXPECT_EQ(refCountOf(filter->filter()), before);

    // Once the filter has all its pins again, Out1 can still be had.
    filter->losePin(-1);
    ASSERT_EQ(pins->Reset(), S_OK);
    EXPECT_EQ(next(3).size(), 3u);
}

TEST_F(PinEnumTest, EnumeratorHoldsItsFilter)
{
    EXPECT_EQ(refCountOf(filter->filter()), 2u);
    void *same = nullptr;
    ASSERT_EQ(pins->QueryInterface(IID_IEnumPins, &same), S_OK);
    EXPECT_EQ(same, pins);
    static_cast<IEnumPins *>(same)->Release();
    void *none = &none;
    EXPECT_EQ(pins->QueryInterface(IID_IPin, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(pins->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

} // namespace
