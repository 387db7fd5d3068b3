// A small source and sink built on the kit, scripted by the tests: the types
// each pin proposes and accepts, the answers of its state changes, and a log
// of the calls the kit makes into it.
#pragma once

#include "dshow/ds_allocator.h"
#include "dshow/ds_input_pin.h"
#include "dshow/ds_output_pin.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ds_test {

// A media type with a major type, subtype, format type and format bytes.
CDsMediaType makeType(const GUID &major, const GUID &subtype, const GUID &format = GUID_NULL,
                      const std::vector<BYTE> &formatBytes = {});
// IEEE float audio in a WAVEFORMATEX block.
CDsMediaType floatAudio(int channels, int rate);
// Same major type, subtype, format type and format bytes.
bool sameType(const AM_MEDIA_TYPE &a, const AM_MEDIA_TYPE &b);

// Test-only ids.
extern const GUID kTypeA;
extern const GUID kTypeB;
extern const GUID kSubX;
extern const GUID kSubY;
extern const GUID kFormatF;
extern const CLSID kSourceClass;
extern const CLSID kSinkClass;

// What one pin does, set by the test.
struct PinScript {
    std::vector<CDsMediaType> proposed;
    // Accepted types (compared with sameType); empty accepts nothing.
    std::vector<CDsMediaType> accepted;
    HRESULT refusal = VFW_E_TYPE_NOT_ACCEPTED; // answer for a type not accepted
    HRESULT active = S_OK;
    HRESULT inactive = S_OK;
    HRESULT run = S_OK;
    HRESULT completeConnect = S_OK;
    HRESULT breakConnect = S_OK;
    BYTE tryMyTypesFirst = 0;
    BYTE reconnectWhenActive = 0;
};

class TestFilter;

// What both test pins do by script: propose and accept types, answer state
// changes and connection steps, and write each call into the filter's log.
template <typename PinBase> class ScriptedPin : public PinBase {
public:
    ScriptedPin(TestFilter *filter, const WCHAR *name);

    HRESULT CheckMediaType(const CDsMediaType *type) override;
    HRESULT GetMediaType(int position, CDsMediaType *type) override;
    HRESULT Active() override;
    HRESULT Inactive() override;
    HRESULT Run(REFERENCE_TIME start) override;
    HRESULT CompleteConnect(IPin *peer) override;
    HRESULT BreakConnect() override;

    // Takes the script's two flags into the pin.
    void applyScriptFlags();
    void changeTypes() { this->IncrementTypeVersion(); }

    PinScript script;

protected:
    void log(const char *call, const AM_MEDIA_TYPE *type = nullptr);

    TestFilter *owner_;
};

class TestOutputPin : public ScriptedPin<CDsOutputPin> {
public:
    TestOutputPin(TestFilter *filter, const WCHAR *name) : ScriptedPin(filter, name) {}

    // Answers IMediaSeeking with seeking when it is set.
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void **out) override;
    HRESULT DecideBufferSize(IMemAllocator *allocator, ALLOCATOR_PROPERTIES *request) override;
    HRESULT InitAllocator(IMemAllocator **allocator) override;

    // Fills a delivery buffer with bytes and hands it downstream.
    HRESULT deliverBytes(const std::vector<BYTE> &bytes, REFERENCE_TIME start, REFERENCE_TIME stop);

    LONG bufferCount = 2;
    LONG bufferSize = 256;
    HRESULT initAllocator = S_OK;     // a failure replaces the platform's allocator
    IMediaSeeking *seeking = nullptr; // not referenced
    ALLOCATOR_PROPERTIES lastRequest = {};
};

// A sample the sink received.
struct Received {
    std::vector<BYTE> bytes;
    HRESULT timeResult;
    REFERENCE_TIME start;
    REFERENCE_TIME stop;
};

class TestInputPin : public ScriptedPin<CDsInputPin> {
public:
    TestInputPin(TestFilter *filter, const WCHAR *name) : ScriptedPin(filter, name) {}

    HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator **allocator) override;
    HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES *properties) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample *sample) override;
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override;
    void failRunTime() { runTimeError_ = 1; }

    // Answer GetAllocator with VFW_E_NO_ALLOCATOR instead of the default.
    bool noAllocator = false;
    // Offered to the upstream pin instead of the platform's allocator.
    IMemAllocator *ownAllocator = nullptr;
    std::optional<HRESULT> canBlock;                  // else the base's answer
    std::optional<ALLOCATOR_PROPERTIES> requirements; // else the base's answer
    // Off: samples are taken without being kept, as a sink on a real-time
    // path would, so that a test can count the heap use upstream.
    bool keep = true;
    std::vector<Received> received;
};

// A filter with any number of output and input pins (outputs first).
class TestFilter : public CDsFilter {
public:
    TestFilter(const CLSID &classId, int outputs, int inputs, IUnknown *outer = nullptr);
    ~TestFilter() override;

    int GetPinCount() override;
    CDsPin *GetPin(int index) override;
    const DsFilterSetup *GetSetupData() override { return setup_; }

    TestOutputPin *output(int i) { return outputs_[i].get(); }
    TestInputPin *input(int i) { return inputs_[i].get(); }
    IBaseFilter *filter() { return this; }
    void addOutput(const WCHAR *name);
    // GetPin answers null for this index from now on (a pin lost under an
    // enumerator); -1 for none.
    void losePin(int index) { lostPin_ = index; }
    void bumpPinVersion() { IncrementPinVersion(); }
    void setSetup(const DsFilterSetup *setup) { setup_ = setup; }

    Quorvane::CriticalSection lock;
    std::vector<std::string> log;

private:
    std::vector<std::unique_ptr<TestOutputPin>> outputs_;
    std::vector<std::unique_ptr<TestInputPin>> inputs_;
    const DsFilterSetup *setup_ = nullptr;
    int lostPin_ = -1;
};

// Holds a new test filter by one reference.
struct FilterRef {
    explicit FilterRef(TestFilter *f) : filter(f) { static_cast<IBaseFilter *>(filter)->AddRef(); }
    ~FilterRef() { static_cast<IBaseFilter *>(filter)->Release(); }
    FilterRef(const FilterRef &) = delete;
    FilterRef &operator=(const FilterRef &) = delete;
    TestFilter *operator->() const { return filter; }
    TestFilter *filter;
};

// Pin pairs a test connected; at its end the filters are stopped and both
// pins of each pair disconnected, so no filter keeps another alive.
class Links {
public:
    Links() = default;
    ~Links();
    Links(const Links &) = delete;
    Links &operator=(const Links &) = delete;

    // output->Connect(input, type), remembered when it succeeds.
    HRESULT connect(CDsPin *output, CDsPin *input, const AM_MEDIA_TYPE *type = nullptr);
    // A pair connected some other way.
    void add(CDsPin *output, CDsPin *input) { pairs_.push_back({output, input}); }

private:
    std::vector<std::pair<CDsPin *, CDsPin *>> pairs_;
};

// An allocator over heap buffers, made on the kit's allocator base.
class TestAllocator : public CDsAllocator {
public:
    explicit TestAllocator(BOOL releaseCallbacks = FALSE);
    ~TestAllocator() override;

    void Free() override;
    HRESULT Alloc() override;
    HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES *request,
                                            ALLOCATOR_PROPERTIES *actual) override;
    HRESULT STDMETHODCALLTYPE GetProperties(ALLOCATOR_PROPERTIES *properties) override;
    HRESULT STDMETHODCALLTYPE Commit() override;
    HRESULT STDMETHODCALLTYPE Decommit() override;
    HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample **sample, REFERENCE_TIME *start, REFERENCE_TIME *stop,
                                        DWORD flags) override;
    HRESULT STDMETHODCALLTYPE ReleaseBuffer(IMediaSample *sample) override;

    // The base's bookkeeping, for the tests.
    HRESULT deleteSamples() { return DeleteSamples(); }
    LONG lent() { return LentCount(); }
    LONG allocated() const { return allocated_; }
    LONG freeListLength() const { return freeCount_; }
    void setCounts(LONG count) { count_ = count; }
    BOOL committed() const { return committed_; }

    HRESULT decommitResult = S_OK;

    std::vector<IMediaSample *> returned; // samples given back, in order

private:
    std::vector<std::vector<BYTE>> buffers_;
};

// Holds one reference on a COM object.
template <typename T> struct ComRef {
    ComRef() = default;
    explicit ComRef(T *p) : ptr(p) {}
    ~ComRef()
    {
        if (ptr)
            ptr->Release();
    }
    ComRef(const ComRef &) = delete;
    ComRef &operator=(const ComRef &) = delete;
    T **put() { return &ptr; }
    void **putVoid() { return reinterpret_cast<void **>(&ptr); }
    T *operator->() const { return ptr; }
    T *get() const { return ptr; }
    T *ptr = nullptr;
};

// COM on the test's thread for one test.
struct ComScope {
    ComScope() { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
    ~ComScope() { CoUninitialize(); }
};

// A one-output source and a one-input sink that both accept kPairType.
class PinPairTest : public ::testing::Test {
protected:
    static const CDsMediaType kPairType;

    PinPairTest() { out()->script.accepted = in()->script.accepted = {kPairType}; }
    TestOutputPin *out() { return source->output(0); }
    TestInputPin *in() { return sink->input(0); }

    ComScope com;
    FilterRef source{new TestFilter(kSourceClass, 1, 0)};
    FilterRef sink{new TestFilter(kSinkClass, 0, 1)};
};

// The reference count of a COM object, read by an AddRef/Release pair.
ULONG refCountOf(IUnknown *object);

} // namespace ds_test
