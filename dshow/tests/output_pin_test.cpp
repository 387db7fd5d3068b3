#include "dshow/ds_output_pin.h"

#include "dshow/tests/test_filters.h"

#include <gtest/gtest.h>

namespace {

using namespace ds_test;

using OutputPinTest = PinPairTest;

TEST_F(OutputPinTest, UsesTheAllocatorTheInputPinOffers)
{
    auto *own = new TestAllocator;
    own->NonDelegatingAddRef();
    in()->ownAllocator = own;
    in()->requirements = ALLOCATOR_PROPERTIES{0, 0, 8, 0};

    Links links;
    ASSERT_EQ(links.connect(out(), in(), &kPairType), S_OK);
    EXPECT_EQ(out()->Allocator(), static_cast<IMemAllocator *>(own));
    EXPECT_EQ(in()->Allocator(), static_cast<IMemAllocator *>(own));
    EXPECT_FALSE(in()->IsReadOnly());
    EXPECT_EQ(out()->lastRequest.cbAlign, 8); // the input pin's requirements reach the sizing

    ALLOCATOR_PROPERTIES agreed;
    own->GetProperties(&agreed);
    EXPECT_EQ(agreed.cBuffers, 2);
    EXPECT_EQ(agreed.cbBuffer, 256);

    // Active commits, Inactive decommits.
    ASSERT_EQ(source->Pause(), S_OK);
    EXPECT_TRUE(own->committed());
    ASSERT_EQ(source->Stop(), S_OK);
    EXPECT_FALSE(own->committed());
    in()->ownAllocator = nullptr;
    own->NonDelegatingRelease();
}

TEST_F(OutputPinTest, FallsBackToThePlatformsAllocatorWhenThePeerHasNone)
{
    in()->noAllocator = true;
    Links links;
    ASSERT_EQ(links.connect(out(), in(), &kPairType), S_OK);
    ASSERT_NE(out()->Allocator(), nullptr);
    EXPECT_EQ(in()->Allocator(), out()->Allocator());
    EXPECT_EQ(out()->lastRequest.cbAlign, 1); // no requirements: alignment 1

    // The platform allocator took the pin's sizes.
    ALLOCATOR_PROPERTIES agreed;
    ASSERT_EQ(out()->Allocator()->GetProperties(&agreed), S_OK);
    EXPECT_EQ(agreed.cBuffers, 2);
    EXPECT_EQ(agreed.cbBuffer, 256);
}

TEST_F(OutputPinTest, FallsBackWhenThePeersAllocatorCannotBeSized)
{
    auto *own = new TestAllocator;
    own->NonDelegatingAddRef();
    ALLOCATOR_PROPERTIES props = {1, 64, 1, 0}, actual;
    own->SetProperties(&props, &actual);
    own->Commit(); // a committed allocator refuses new properties
    in()->ownAllocator = own;

    Links links;
    ASSERT_EQ(links.connect(out(), in(), &kPairType), S_OK);
    EXPECT_NE(out()->Allocator(), static_cast<IMemAllocator *>(own));
    EXPECT_NE(out()->Allocator(), nullptr);
    EXPECT_EQ(refCountOf(own->NonDelegatingUnknown()), 1u); // the pin let go of it

    in()->ownAllocator = nullptr;
    own->Decommit();
    own->NonDelegatingRelease();
}

TEST_F(OutputPinTest, NoAllocatorAtAllFailsTheConnection)
{
    in()->noAllocator = true;
    out()->initAllocator = E_OUTOFMEMORY;
    EXPECT_EQ(out()->Connect(in(), &kPairType), E_OUTOFMEMORY);
    EXPECT_EQ(out()->Allocator(), nullptr);
    EXPECT_FALSE(out()->IsConnected());
    EXPECT_FALSE(in()->IsConnected());
}

TEST_F(OutputPinTest, UnconnectedOutputAnswersEveryStreamCall)
{
    EXPECT_EQ(out()->EndOfStream(), E_UNEXPECTED);
    EXPECT_EQ(out()->BeginFlush(), E_UNEXPECTED);
    EXPECT_EQ(out()->EndFlush(), E_UNEXPECTED);
    EXPECT_EQ(out()->DeliverEndOfStream(), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(out()->DeliverBeginFlush(), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(out()->DeliverEndFlush(), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(out()->DeliverNewSegment(0, 1, 1.0), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(out()->Deliver(nullptr), VFW_E_NOT_CONNECTED);
    IMediaSample *sample = nullptr;
    EXPECT_EQ(out()->GetDeliveryBuffer(&sample, nullptr, nullptr, 0), E_NOINTERFACE);
    EXPECT_EQ(out()->CDsOutputPin::Active(), VFW_E_NO_ALLOCATOR);
    EXPECT_EQ(out()->CDsOutputPin::Inactive(), VFW_E_NO_ALLOCATOR);
}

TEST_F(OutputPinTest, DeliverOperationsReachTheConnectedPin)
{
    Links links;
    ASSERT_EQ(links.connect(out(), in(), &kPairType), S_OK);
    EXPECT_EQ(out()->DeliverNewSegment(100, 200, 2.0), S_OK);
    EXPECT_EQ(in()->SegmentStart(), 100);
    EXPECT_EQ(in()->SegmentStop(), 200);
    EXPECT_EQ(in()->SegmentRate(), 2.0);
    EXPECT_EQ(out()->DeliverBeginFlush(), S_OK);
    EXPECT_TRUE(in()->IsFlushing());
    EXPECT_EQ(out()->DeliverEndFlush(), S_OK);
    EXPECT_FALSE(in()->IsFlushing());
    EXPECT_EQ(out()->DeliverEndOfStream(), S_OK);

    // Samples arrive once both filters stream.
    ASSERT_EQ(sink->Run(0), S_OK);
    ASSERT_EQ(source->Run(0), S_OK);
    ASSERT_EQ(out()->deliverBytes({1, 2, 3}, 10, 20), S_OK);
    ASSERT_EQ(in()->received.size(), 1u);
    EXPECT_EQ(in()->received[0].bytes, (std::vector<BYTE>{1, 2, 3}));
    EXPECT_EQ(in()->received[0].start, 10);
    EXPECT_EQ(in()->received[0].stop, 20);
}

TEST_F(OutputPinTest, AnAllocatorThatCannotDecommitKeepsTheConnection)
{
    auto *own = new TestAllocator;
    own->NonDelegatingAddRef();
    in()->ownAllocator = own;
    ASSERT_EQ(out()->Connect(in(), &kPairType), S_OK);

    own->decommitResult = E_ACCESSDENIED;
    EXPECT_EQ(out()->Disconnect(), E_ACCESSDENIED);
    EXPECT_TRUE(out()->IsConnected());
    EXPECT_EQ(out()->Allocator(), static_cast<IMemAllocator *>(own));

    own->decommitResult = S_OK;
    EXPECT_EQ(out()->Disconnect(), S_OK);
    EXPECT_EQ(out()->Allocator(), nullptr);
    EXPECT_EQ(in()->Disconnect(), S_OK);
    in()->ownAllocator = nullptr;
    EXPECT_EQ(own->NonDelegatingRelease(), 0u);
}

} // namespace
