// The graph's allocator and its self-filling samples, through their
// interfaces.
#include "synth/dxi/dx_sample_allocator.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <vector>

namespace {

struct AllocatorTest : ::testing::Test {
    AllocatorTest()
    {
        allocator = new CDxSampleAllocator(&made);
        allocator->AddRef();
        allocator->QueryInterface(IID_IDxAllocatorControl, reinterpret_cast<void **>(&control));
    }
    ~AllocatorTest() override
    {
        control->Release();
        allocator->Release();
    }
    HRESULT ask(LONG count, LONG size, ALLOCATOR_PROPERTIES *actual = nullptr)
    {
        ALLOCATOR_PROPERTIES request = {count, size, 1, 0};
        ALLOCATOR_PROPERTIES granted = {};
        const HRESULT hr = allocator->SetProperties(&request, &granted);
        if (actual)
            *actual = granted;
        return hr;
    }
    LONG freeCount()
    {
        LONG n = -1;
        allocator->GetFreeCount(&n);
        return n;
    }

    HRESULT made = S_OK;
    CDxSampleAllocator *allocator = nullptr;
    IDxAllocatorControl *control = nullptr;
};

TEST(FillValue, IsTheFloatOneTenToTheMinusThirty)
{
    EXPECT_EQ(std::bit_cast<uint32_t>(1.0e-30f), kDxFillBits);
}

TEST_F(AllocatorTest, RequestsOfBothConnectionsMerge)
{
    ASSERT_EQ(ask(2, 3528), S_OK);
    ASSERT_EQ(ask(4, 3528), S_OK);
    ALLOCATOR_PROPERTIES kept = {};
    ASSERT_EQ(allocator->GetProperties(&kept), S_OK);
    EXPECT_EQ(kept.cBuffers, 2); // reported at most 2
    EXPECT_EQ(kept.cbBuffer, 3528);
    ASSERT_EQ(control->Allocate(), S_OK);
    EXPECT_EQ(allocator->Allocated(), 6);
    EXPECT_EQ(freeCount(), 6);
}

// A request above the limit sees the size kept, so the pin that asked
// refuses it, instead of writing past the buffer.
TEST_F(AllocatorTest, ReportsTheSizeItKeepsNotTheSizeAsked)
{
    ALLOCATOR_PROPERTIES actual = {};
    ASSERT_EQ(ask(2, 0x30000, &actual), S_OK);
    EXPECT_EQ(actual.cbBuffer, CDxSampleAllocator::kMaxBufferSize);
    ASSERT_EQ(ask(2, 0x1000, &actual), S_OK);
    EXPECT_EQ(actual.cbBuffer, 0x1000);
    ASSERT_EQ(control->Allocate(), S_OK);
    IMediaSample *sample = nullptr;
    ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(sample->GetSize(), CDxSampleAllocator::kMaxBufferSize);
    EXPECT_EQ(sample->SetActualDataLength(0x20001), VFW_E_BUFFER_OVERFLOW);
    sample->Release();
}

TEST_F(AllocatorTest, NothingIsFreedWhileASampleIsLent)
{
    ASSERT_EQ(ask(2, 64), S_OK);
    ASSERT_EQ(control->Allocate(), S_OK);
    IMediaSample *sample = nullptr;
    ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(control->FreeSamples(), VFW_E_BUFFERS_OUTSTANDING);
    EXPECT_EQ(control->Reset(0), VFW_E_BUFFERS_OUTSTANDING);
    EXPECT_EQ(ask(2, 128), VFW_E_ALREADY_COMMITTED);
    EXPECT_EQ(control->Allocate(), S_OK);
    EXPECT_EQ(allocator->Allocated(), 2);
    // The lent sample's memory is still there to write.
    BYTE *bytes = nullptr;
    ASSERT_EQ(sample->GetPointer(&bytes), S_OK);
    std::memset(bytes, 0x5A, 64);
    sample->Release();
    EXPECT_EQ(control->FreeSamples(), S_OK);
    EXPECT_EQ(allocator->Allocated(), 0);
    EXPECT_EQ(control->Reset(0), S_OK);
}

TEST_F(AllocatorTest, GetBufferNeverWaits)
{
    IMediaSample *sample = nullptr;
    EXPECT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);
    ASSERT_EQ(ask(1, 64), S_OK);
    ASSERT_EQ(control->Allocate(), S_OK);
    ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
    IMediaSample *second = nullptr;
    EXPECT_EQ(allocator->GetBuffer(&second, nullptr, nullptr, 0), E_OUTOFMEMORY);
    EXPECT_EQ(second, nullptr);
    sample->Release();
    EXPECT_EQ(freeCount(), 1);
}

TEST_F(AllocatorTest, AllocateNeedsCountSizeAndAlignment)
{
    EXPECT_EQ(control->Allocate(), S_OK); // nothing asked: nothing done
    ALLOCATOR_PROPERTIES request = {2, 64, 0, 0}, actual = {};
    ASSERT_EQ(allocator->SetProperties(&request, &actual), S_OK);
    EXPECT_EQ(control->Allocate(), VFW_E_SIZENOTSET);
}

// A sample marked for filling fills only its actual data, and only when a
// reader asks for its pointer.
TEST_F(AllocatorTest, ASampleFillsItsDataOnlyWhenRead)
{
    ASSERT_EQ(ask(1, 64), S_OK);
    ASSERT_EQ(control->Allocate(), S_OK);
    IMediaSample *sample = nullptr;
    ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
    IDXiFloatBuffer *floats = nullptr;
    ASSERT_EQ(sample->QueryInterface(IID_IDXiFloatBuffer, reinterpret_cast<void **>(&floats)), S_OK);
    BYTE *bytes = nullptr;
    ASSERT_EQ(floats->GetBufferNoFill(&bytes), S_OK);
    std::memset(bytes, 0x77, 64);

    struct Case {
        LONG length;
        size_t filledFloats;
    } cases[] = {{16, 4}, {64, 16}, {-1, 16}};
    for (const Case &c : cases) {
        std::memset(bytes, 0x77, 64);
        // A negative length fills the whole buffer.
        ASSERT_EQ(sample->SetActualDataLength(c.length), S_OK);
        floats->SetPendingFill(1);
        EXPECT_EQ(floats->GetPendingFill(), 1);
        BYTE *read = nullptr;
        ASSERT_EQ(sample->GetPointer(&read), S_OK);
        EXPECT_EQ(floats->GetPendingFill(), 0);
        for (size_t i = 0; i < 16; ++i) {
            uint32_t bits;
            std::memcpy(&bits, read + 4 * i, 4);
            EXPECT_EQ(bits, i < c.filledFloats ? kDxFillBits : 0x77777777u)
                << "length " << c.length << " float " << i;
        }
    }
    // Read without filling: the flag goes, the bytes stay.
    std::memset(bytes, 0, 64);
    floats->SetPendingFill(1);
    ASSERT_EQ(floats->GetBufferNoFill(&bytes), S_OK);
    EXPECT_EQ(floats->GetPendingFill(), 0);
    EXPECT_EQ(bytes[0], 0);
    floats->Release();
    sample->Release();
}

TEST_F(AllocatorTest, ALentSampleComesBackWithoutAPendingFill)
{
    ASSERT_EQ(ask(1, 64), S_OK);
    ASSERT_EQ(control->Allocate(), S_OK);
    IMediaSample *sample = nullptr;
    ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
    IDXiFloatBuffer *floats = nullptr;
    sample->QueryInterface(IID_IDXiFloatBuffer, reinterpret_cast<void **>(&floats));
    floats->SetPendingFill(1);
    floats->Release();
    sample->Release();
    ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
    sample->QueryInterface(IID_IDXiFloatBuffer, reinterpret_cast<void **>(&floats));
    EXPECT_EQ(floats->GetPendingFill(), 0);
    floats->Release();
    sample->Release();
}

} // namespace
