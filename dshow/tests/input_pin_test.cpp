#include "dshow/ds_input_pin.h"

#include "dshow/tests/test_filters.h"

#include <gtest/gtest.h>

namespace {

using namespace ds_test;

class InputPinTest : public PinPairTest {
protected:
    // A sample of the connection's allocator, lent to the test.
    IMediaSample *lentSample()
    {
        IMediaSample *sample = nullptr;
        EXPECT_EQ(out()->GetDeliveryBuffer(&sample, nullptr, nullptr, 0), S_OK);
        return sample;
    }
};

TEST_F(InputPinTest, StreamingCheckFollowsStateFlushAndRunTimeError)
{
    EXPECT_EQ(in()->CheckStreaming(), VFW_E_WRONG_STATE); // stopped
    ASSERT_EQ(sink->Pause(), S_OK);
    EXPECT_EQ(in()->CheckStreaming(), S_OK);
    ASSERT_EQ(in()->BeginFlush(), S_OK);
    EXPECT_EQ(in()->CheckStreaming(), S_FALSE);
    ASSERT_EQ(in()->EndFlush(), S_OK);
    EXPECT_EQ(in()->CheckStreaming(), S_OK);
    in()->failRunTime();
    EXPECT_EQ(in()->CheckStreaming(), VFW_E_RUNTIME_ERROR);
    ASSERT_EQ(in()->EndFlush(), S_OK); // the end of a flush clears the error
    EXPECT_EQ(in()->CheckStreaming(), S_OK);
    sink->Stop();
}

TEST_F(InputPinTest, ReceiveKeepsTheSamplesPropertiesWhileStreaming)
{
    Links links;
    ASSERT_EQ(links.connect(out(), in(), &kPairType), S_OK);
    ASSERT_EQ(source->Pause(), S_OK);
    IMediaSample *sample = lentSample();
    sample->SetActualDataLength(7);
    REFERENCE_TIME start = 40, stop = 90;
    sample->SetTime(&start, &stop);
    sample->SetSyncPoint(TRUE);

    EXPECT_EQ(in()->Receive(sample), VFW_E_WRONG_STATE); // the sink is stopped
    ASSERT_EQ(sink->Pause(), S_OK);
    ASSERT_EQ(in()->Receive(sample), S_OK);
    const AM_SAMPLE2_PROPERTIES &props = in()->SampleProperties();
    EXPECT_EQ(props.lActual, 7);
    EXPECT_EQ(props.tStart, 40);
    EXPECT_EQ(props.tStop, 90);
    EXPECT_TRUE(props.dwSampleFlags & AM_SAMPLE_SPLICEPOINT);
    ASSERT_EQ(in()->BeginFlush(), S_OK);
    EXPECT_EQ(in()->Receive(sample), S_FALSE);
    EXPECT_EQ(in()->Receive(nullptr), E_POINTER);
    sample->Release();
}

TEST_F(InputPinTest, ReceiveMultipleStopsAtTheFirstSampleNotTaken)
{
    Links links;
    ASSERT_EQ(links.connect(out(), in(), &kPairType), S_OK);
    ASSERT_EQ(source->Pause(), S_OK);
    ASSERT_EQ(sink->Pause(), S_OK);
    IMediaSample *first = lentSample();
    IMediaSample *second = lentSample();

    IMediaSample *samples[] = {first, second};
    LONG processed = -1;
    EXPECT_EQ(in()->ReceiveMultiple(samples, 2, &processed), S_OK);
    EXPECT_EQ(processed, 2);

    IMediaSample *withGap[] = {first, nullptr, second};
    EXPECT_EQ(in()->ReceiveMultiple(withGap, 3, &processed), E_POINTER);
    EXPECT_EQ(processed, 1);
    EXPECT_EQ(in()->received.size(), 3u);
    EXPECT_EQ(in()->ReceiveMultiple(nullptr, 1, &processed), E_POINTER);
    first->Release();
    second->Release();
}

TEST_F(InputPinTest, ReceiveCanBlockAsksEveryConnectedOutputOfTheFilter)
{
    struct Case {
        int connected;                   // outputs of the middle filter that are connected
        std::vector<HRESULT> downstream; // what each downstream pin answers
        HRESULT answer;
    } cases[] = {
        {0, {}, S_OK},
        {2, {S_FALSE, S_FALSE}, S_FALSE},
        {2, {S_FALSE, S_OK}, S_OK},
        {1, {E_FAIL}, S_OK}, // anything but S_FALSE may block
    };
    for (const Case &c : cases) {
        FilterRef middle(new TestFilter(kSourceClass, 2, 1));
        FilterRef downstream(new TestFilter(kSinkClass, 0, 2));
        Links links;
        for (int i = 0; i < c.connected; ++i) {
            middle->output(i)->script.accepted = downstream->input(i)->script.accepted = {kPairType};
            downstream->input(i)->canBlock = c.downstream[i];
            ASSERT_EQ(links.connect(middle->output(i), downstream->input(i), &kPairType), S_OK);
        }
        EXPECT_EQ(middle->input(0)->ReceiveCanBlock(), c.answer) << c.connected;
    }
}

TEST_F(InputPinTest, GetAllocatorMakesThePlatformsAllocatorOnce)
{
    IMemAllocator *first = nullptr, *second = nullptr;
    ASSERT_EQ(in()->GetAllocator(&first), S_OK);
    ASSERT_EQ(in()->GetAllocator(&second), S_OK);
    EXPECT_EQ(first, second);
    EXPECT_EQ(in()->Allocator(), first);
    first->Release();
    second->Release();
    EXPECT_EQ(in()->GetAllocator(nullptr), E_POINTER);
    ALLOCATOR_PROPERTIES props;
    EXPECT_EQ(in()->CDsInputPin::GetAllocatorRequirements(&props), E_NOTIMPL);
}

TEST_F(InputPinTest, NotifyAllocatorKeepsTheNewOneAndTheReadOnlyFlag)
{
    auto *a = new TestAllocator, *b = new TestAllocator;
    a->NonDelegatingAddRef();
    b->NonDelegatingAddRef();
    EXPECT_EQ(in()->NotifyAllocator(nullptr, FALSE), E_POINTER);
    ASSERT_EQ(in()->NotifyAllocator(a, TRUE), S_OK);
    EXPECT_TRUE(in()->IsReadOnly());
    EXPECT_EQ(refCountOf(a->NonDelegatingUnknown()), 2u);
    ASSERT_EQ(in()->NotifyAllocator(b, FALSE), S_OK);
    EXPECT_FALSE(in()->IsReadOnly());
    EXPECT_EQ(refCountOf(a->NonDelegatingUnknown()), 1u);
    EXPECT_EQ(in()->Allocator(), static_cast<IMemAllocator *>(b));

    // Inactive clears the flush and decommits the allocator.
    b->Commit();
    in()->BeginFlush();
    EXPECT_EQ(in()->CDsInputPin::Inactive(), S_OK);
    EXPECT_FALSE(in()->IsFlushing());
    EXPECT_FALSE(b->committed());
    a->NonDelegatingRelease();
    b->NonDelegatingRelease(); // the pin holds b until it goes
}

TEST_F(InputPinTest, InactiveWithoutAnAllocatorAnswersNoAllocator)
{
    in()->failRunTime();
    EXPECT_EQ(in()->CDsInputPin::Inactive(), VFW_E_NO_ALLOCATOR);
    ASSERT_EQ(sink->Pause(), S_OK);
    EXPECT_EQ(in()->CheckStreaming(), S_OK); // the run-time error was cleared
    sink->Stop();
}

TEST_F(InputPinTest, QualityNotifyNeedsASender)
{
    Quality quality = {};
    EXPECT_EQ(static_cast<IQualityControl *>(in())->Notify(nullptr, quality), E_POINTER);
    EXPECT_EQ(static_cast<IQualityControl *>(in())->Notify(source->filter(), quality), S_OK);
    void *memInput = nullptr;
    ASSERT_EQ(static_cast<IPin *>(in())->QueryInterface(IID_IMemInputPin, &memInput), S_OK);
    EXPECT_EQ(memInput, static_cast<IMemInputPin *>(in()));
    static_cast<IMemInputPin *>(memInput)->Release();
}

} // namespace
