#include "dshow/tests/memory_probe.h"

#include <objidl.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

namespace {
std::atomic<long> nothrowCount{0};
std::atomic<int> nothrowFailures{0};
std::atomic<int> nothrowSkips{0};
} // namespace

// The kit allocates only with new (std::nothrow); counting that form counts
// the kit's heap use.
void *operator new(size_t size, const std::nothrow_t &) noexcept
{
    if (nothrowFailures > 0) {
        if (nothrowSkips > 0)
            --nothrowSkips;
        else {
            --nothrowFailures;
            return nullptr;
        }
    }
    ++nothrowCount;
    return std::malloc(size ? size : 1);
}

void *operator new[](size_t size, const std::nothrow_t &) noexcept
{
    return operator new(size, std::nothrow);
}

namespace ds_test {

long nothrowAllocations()
{
    return nothrowCount;
}

void failNextNothrowAllocations(int n, int skip)
{
    nothrowSkips = skip;
    nothrowFailures = n;
}

namespace {

class Spy : public IMallocSpy {
public:
    std::atomic<long> allocations{0};
    std::atomic<long> frees{0};
    std::atomic<int> failures{0};
    std::vector<void *> withheld;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (iid == IID_IUnknown || iid == IID_IMallocSpy) {
            *out = static_cast<IMallocSpy *>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T size) override { return size; }
    // A failing allocation answers null; its block is freed once the spy is
    // gone.
    void *STDMETHODCALLTYPE PostAlloc(void *actual) override
    {
        if (actual && failures > 0) {
            --failures;
            withheld.push_back(actual);
            return nullptr;
        }
        if (actual)
            ++allocations;
        return actual;
    }
    void *STDMETHODCALLTYPE PreFree(void *request, BOOL) override
    {
        if (request)
            ++frees;
        return request;
    }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void *request, SIZE_T size, void **newRequest, BOOL) override
    {
        *newRequest = request;
        return size;
    }
    void *STDMETHODCALLTYPE PostRealloc(void *actual, BOOL) override { return actual; }
    void *STDMETHODCALLTYPE PreGetSize(void *request, BOOL) override { return request; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T size, BOOL) override { return size; }
    void *STDMETHODCALLTYPE PreDidAlloc(void *request, BOOL) override { return request; }
    int STDMETHODCALLTYPE PostDidAlloc(void *, BOOL, int actual) override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}
};

Spy spy;

} // namespace

TaskMemoryProbe::TaskMemoryProbe()
{
    spy.allocations = 0;
    spy.frees = 0;
    spy.failures = 0;
    registered_ = SUCCEEDED(CoRegisterMallocSpy(&spy));
}

TaskMemoryProbe::~TaskMemoryProbe()
{
    spy.failures = 0;
    if (registered_)
        registered_ = FAILED(CoRevokeMallocSpy());
    for (void *block : spy.withheld)
        CoTaskMemFree(block);
    spy.withheld.clear();
}

long TaskMemoryProbe::allocations() const
{
    return spy.allocations;
}

long TaskMemoryProbe::frees() const
{
    return spy.frees;
}

void TaskMemoryProbe::failNext(int n)
{
    spy.failures = n;
}

} // namespace ds_test
