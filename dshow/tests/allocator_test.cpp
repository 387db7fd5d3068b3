#include "dshow/ds_allocator.h"

#include "dshow/tests/memory_probe.h"
#include "dshow/tests/test_filters.h"

#include <gtest/gtest.h>

namespace {

using namespace ds_test;

// Counts the allocator's notices.
struct Notified : IMemAllocatorNotifyCallbackTemp {
    LONG count = 1;
    int releases = 0;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++count; }
    ULONG STDMETHODCALLTYPE Release() override { return --count; }
    HRESULT STDMETHODCALLTYPE NotifyRelease() override
    {
        ++releases;
        return S_OK;
    }
};

class AllocatorTest : public ::testing::Test {
protected:
    ComScope com;
    TestAllocator *allocator = new TestAllocator;

    AllocatorTest() { allocator->NonDelegatingAddRef(); }
    ~AllocatorTest() override
    {
        if (allocator)
            allocator->NonDelegatingRelease();
    }

    void prepare(LONG count, LONG size = 32)
    {
        ALLOCATOR_PROPERTIES props = {count, size, 1, 0}, actual;
        ASSERT_EQ(allocator->SetProperties(&props, &actual), S_OK);
        ASSERT_EQ(allocator->Commit(), S_OK);
    }
    IMediaSample *lend()
    {
        IMediaSample *sample = nullptr;
        EXPECT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
        return sample;
    }
};

TEST_F(AllocatorTest, AnswersTheCallbackInterfaceOnlyWhenAskedTo)
{
    void *out = nullptr;
    ASSERT_EQ(allocator->QueryInterface(IID_IMemAllocator, &out), S_OK);
    static_cast<IUnknown *>(out)->Release();
    out = &out;
    EXPECT_EQ(allocator->QueryInterface(IID_IMemAllocatorCallbackTemp, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);

    auto *withCallbacks = new TestAllocator(TRUE);
    withCallbacks->NonDelegatingAddRef();
    ASSERT_EQ(withCallbacks->QueryInterface(IID_IMemAllocatorCallbackTemp, &out), S_OK);
    EXPECT_EQ(out, static_cast<IMemAllocatorCallbackTemp *>(withCallbacks));
    static_cast<IUnknown *>(out)->Release();
    withCallbacks->NonDelegatingRelease();
}

TEST_F(AllocatorTest, FreeCountIsAgreedMinusMadePlusFree)
{
    prepare(4);
    IMediaSample *sample = lend();
    LONG free = 0;
    ASSERT_EQ(allocator->GetFreeCount(&free), S_OK);
    EXPECT_EQ(allocator->allocated(), 4);
    EXPECT_EQ(allocator->freeListLength(), 3);
    EXPECT_EQ(free, 3);
    allocator->setCounts(6); // two more agreed, not yet made
    ASSERT_EQ(allocator->GetFreeCount(&free), S_OK);
    EXPECT_EQ(free, 5);
    sample->Release();
    EXPECT_EQ(allocator->GetFreeCount(nullptr), E_POINTER);
}

TEST_F(AllocatorTest, NotifyCallbackIsHeldAndToldOfEveryReturn)
{
    prepare(2);
    Notified first, second;
    ASSERT_EQ(allocator->SetNotify(&first), S_OK);
    EXPECT_EQ(first.count, 2);
    lend()->Release();
    lend()->Release();
    EXPECT_EQ(first.releases, 2);

    ASSERT_EQ(allocator->SetNotify(&second), S_OK);
    EXPECT_EQ(first.count, 1);
    EXPECT_EQ(second.count, 2);
    lend()->Release();
    EXPECT_EQ(second.releases, 1);
    ASSERT_EQ(allocator->SetNotify(nullptr), S_OK);
    EXPECT_EQ(second.count, 1);
    lend()->Release();
    EXPECT_EQ(second.releases, 1);

    // The allocator's destruction lets go of a callback still set.
    allocator->SetNotify(&first);
    allocator->Decommit();
    allocator->NonDelegatingRelease();
    allocator = nullptr;
    EXPECT_EQ(first.count, 1);
}

TEST_F(AllocatorTest, NoSampleIsDeletedWhileLent)
{
    prepare(2);
    IMediaSample *sample = lend();
    EXPECT_EQ(allocator->lent(), 1);
    EXPECT_EQ(allocator->deleteSamples(), VFW_E_BUFFERS_OUTSTANDING);
    EXPECT_EQ(allocator->allocated(), 2);

    // Reallocating with other properties is refused as well.
    allocator->Decommit();
    ALLOCATOR_PROPERTIES props = {3, 64, 1, 0}, actual;
    EXPECT_EQ(allocator->SetProperties(&props, &actual), VFW_E_BUFFERS_OUTSTANDING);

    // The lent sample is still whole.
    BYTE *data = nullptr;
    ASSERT_EQ(sample->GetPointer(&data), S_OK);
    data[31] = 0x5A;
    EXPECT_EQ(sample->GetSize(), 32);
    sample->Release();

    EXPECT_EQ(allocator->deleteSamples(), S_OK);
    EXPECT_EQ(allocator->allocated(), 0);
    EXPECT_EQ(allocator->freeListLength(), 0);
}

TEST_F(AllocatorTest, ALentSampleKeepsTheAllocatorAlive)
{
    prepare(1);
    IMediaSample *sample = lend();
    const LONG live = DsLiveObjectCount();
    allocator->Decommit();
    EXPECT_EQ(allocator->NonDelegatingRelease(), 1u); // the sample's hold
    allocator = nullptr;
    EXPECT_EQ(DsLiveObjectCount(), live);

    // The sample can still be used and given back; then the allocator goes.
    BYTE *data = nullptr;
    ASSERT_EQ(sample->GetPointer(&data), S_OK);
    data[0] = 1;
    EXPECT_EQ(sample->Release(), 0u);
    EXPECT_EQ(DsLiveObjectCount(), live - 1);
}

TEST_F(AllocatorTest, EveryLentSampleComesFromTheFreeList)
{
    prepare(2);
    IMediaSample *a = lend();
    IMediaSample *b = lend();
    EXPECT_NE(a, b);
    IMediaSample *none = reinterpret_cast<IMediaSample *>(1);
    EXPECT_EQ(allocator->GetBuffer(&none, nullptr, nullptr, 0), E_OUTOFMEMORY);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(static_cast<CDsMediaSample *>(a)->RefCount(), 1);
    b->Release();
    EXPECT_EQ(lend(), b); // the last one back is lent first
    a->Release();
    b->Release();
    allocator->Decommit();
}

TEST_F(AllocatorTest, ASampleThatCannotBeKeptIsRefused)
{
    ALLOCATOR_PROPERTIES props = {2, 16, 1, 0}, actual;
    ASSERT_EQ(allocator->SetProperties(&props, &actual), S_OK);
    failNextNothrowAllocations(1); // the list node that keeps the first sample
    EXPECT_EQ(allocator->Commit(), E_OUTOFMEMORY);
    EXPECT_EQ(allocator->allocated(), 0);
}

// An allocator base made with its semaphore.
class SemaphoreAllocator : public CDsAllocator {
public:
    explicit SemaphoreAllocator(HRESULT *result) : CDsAllocator("s", nullptr, result, TRUE, FALSE) {}
    HANDLE semaphore() const { return semaphore_; }
    void Free() override {}
    HRESULT Alloc() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES *, ALLOCATOR_PROPERTIES *) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetProperties(ALLOCATOR_PROPERTIES *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Commit() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Decommit() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample **, REFERENCE_TIME *, REFERENCE_TIME *, DWORD) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ReleaseBuffer(IMediaSample *) override { return E_NOTIMPL; }
};

TEST_F(AllocatorTest, SemaphoreIsMadeOnRequest)
{
    HRESULT result = S_OK;
    auto *withSemaphore = new SemaphoreAllocator(&result);
    EXPECT_EQ(result, S_OK);
    ASSERT_NE(withSemaphore->semaphore(), nullptr);
    // Initial count 0: nothing to take.
    EXPECT_EQ(WaitForSingleObject(withSemaphore->semaphore(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    withSemaphore->NonDelegatingAddRef();
    withSemaphore->NonDelegatingRelease();
}

} // namespace
