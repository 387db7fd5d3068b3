#include "dshow/ds_object.h"

#include "dshow/tests/test_filters.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using namespace ds_test;

// A plain kit object that says when it dies.
class Probe : public CDsUnknown {
public:
    explicit Probe(bool *destroyed, IUnknown *outer = nullptr)
        : CDsUnknown("Probe", outer), destroyed_(destroyed)
    {
    }
    ~Probe() override
    {
        // A release the object makes on itself while dying must not
        // destroy it again.
        NonDelegatingAddRef();
        NonDelegatingRelease();
        *destroyed_ = true;
    }

private:
    bool *destroyed_;
};

// An aggregating object that counts what reaches it.
struct Outer : IUnknown {
    LONG count = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (iid == IID_IUnknown) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++count; }
    ULONG STDMETHODCALLTYPE Release() override { return --count; }
};

TEST(ObjectTest, FirstAddRefAnswersOneAndReleaseFromOneDestroys)
{
    const LONG live = DsLiveObjectCount();
    bool destroyed = false;
    auto *probe = new Probe(&destroyed);
    EXPECT_EQ(DsLiveObjectCount(), live + 1);
    EXPECT_EQ(probe->NonDelegatingAddRef(), 1u);
    EXPECT_EQ(probe->NonDelegatingAddRef(), 2u);
    EXPECT_EQ(probe->NonDelegatingRelease(), 1u);
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(probe->NonDelegatingRelease(), 0u);
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(DsLiveObjectCount(), live);
}

TEST(ObjectTest, StandAloneObjectIsItsOwnOwner)
{
    bool destroyed = false;
    auto *probe = new Probe(&destroyed);
    EXPECT_EQ(probe->GetOwner(), probe->NonDelegatingUnknown());
    IUnknown *unknown = nullptr;
    ASSERT_EQ(probe->NonDelegatingQueryInterface(IID_IUnknown, reinterpret_cast<void **>(&unknown)), S_OK);
    EXPECT_EQ(unknown, probe->NonDelegatingUnknown());
    IUnknown *none = reinterpret_cast<IUnknown *>(1);
    EXPECT_EQ(unknown->QueryInterface(IID_IPin, reinterpret_cast<void **>(&none)), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(unknown->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(unknown->Release(), 0u);
    EXPECT_TRUE(destroyed);
}

TEST(ObjectTest, AggregatedFilterCountsOnItsOuterUnknown)
{
    ComScope com;
    Outer outer;
    auto *filter = new TestFilter(kSinkClass, 0, 1, &outer);
    filter->NonDelegatingAddRef(); // the aggregator's hold on the inner object
    EXPECT_EQ(filter->GetOwner(), &outer);

    IBaseFilter *base = nullptr;
    ASSERT_EQ(filter->NonDelegatingQueryInterface(IID_IBaseFilter, reinterpret_cast<void **>(&base)), S_OK);
    EXPECT_EQ(outer.count, 2); // the interface's reference is the outer's
    IUnknown *viaInterface = nullptr;
    ASSERT_EQ(base->QueryInterface(IID_IUnknown, reinterpret_cast<void **>(&viaInterface)), S_OK);
    EXPECT_EQ(viaInterface, &outer);
    viaInterface->Release();
    base->Release();
    EXPECT_EQ(outer.count, 1);

    // A pin counts on the filter, and so on the outer unknown.
    static_cast<IPin *>(filter->input(0))->AddRef();
    EXPECT_EQ(outer.count, 2);
    static_cast<IPin *>(filter->input(0))->Release();
    EXPECT_EQ(filter->NonDelegatingRelease(), 0u);
}

TEST(ObjectTest, GetInterfaceAddRefsThroughThePointer)
{
    Outer outer;
    void *out = nullptr;
    EXPECT_EQ(DsGetInterface(&outer, &out), S_OK);
    EXPECT_EQ(out, &outer);
    EXPECT_EQ(outer.count, 2);
    EXPECT_EQ(DsGetInterface(&outer, nullptr), E_POINTER);
    EXPECT_EQ(outer.count, 2);
}

TEST(ObjectTest, AutoLockHoldsTheSectionForItsScope)
{
    Quorvane::CriticalSection section;
    auto heldElsewhere = [&] {
        std::atomic<bool> got{false};
        std::thread([&] {
            got = section.tryLock();
            if (got)
                section.unlock();
        }).join();
        return !got;
    };
    {
        CDsAutoLock lock(&section);
        EXPECT_TRUE(heldElsewhere());
    }
    EXPECT_FALSE(heldElsewhere());
}

} // namespace
