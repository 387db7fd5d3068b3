#include "bridge/dxi/bridge_filter.h"

#include "bridge/dxi/bridge_ids.h"
#include "bridge/dxi/tests/filter_fixture.h"

#include <gtest/gtest.h>

#include <control.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

using namespace Halvorin;
using namespace dxi_test;

namespace {

IUnknown *unknownOf(CBridgeFilter *filter)
{
    return static_cast<IBaseFilter *>(filter);
}

template <typename T> T *ask(CBridgeFilter *filter, const IID &iid)
{
    void *out = nullptr;
    if (FAILED(unknownOf(filter)->QueryInterface(iid, &out)))
        return nullptr;
    return static_cast<T *>(out);
}

TEST_F(FilterTest, TheFilterAnswersItsInterfaces)
{
    const IID *answered[] = {
        &IID_IDispatch,
        &IID_ISpecifyPropertyPages,
        &IID_IPersistStream,
        &IID_IDXiSynth,
        &IID_IDXiSynthNames,
        &IID_IDXiSourceSettings,
        &IID_IDXiHostObjectAccess,
        &IID_BridgeMediaParams,
        &IID_BridgeMediaParamInfo,
        &IID_IParamsUICallbackSetter,
        &IID_IParamsUICallback,
        &IID_IBaseFilter,
        &IID_IMediaFilter,
        &IID_IPersist,
        &IID_IAMovieSetup,
        &IID_IUnknown,
    };
    for (const IID *iid : answered) {
        IUnknown *out = ask<IUnknown>(filter, *iid);
        ASSERT_NE(out, nullptr);
        // Every interface leads back to the same object.
        IUnknown *identity = nullptr;
        ASSERT_EQ(out->QueryInterface(IID_IBaseFilter, reinterpret_cast<void **>(&identity)), S_OK);
        EXPECT_EQ(identity, static_cast<IBaseFilter *>(filter));
        identity->Release();
        out->Release();
    }
    EXPECT_EQ(ask<IUnknown>(filter, IID_IPropertyPage), nullptr);
    // The media parameters are their object's own interfaces.
    IMediaParams *params = ask<IMediaParams>(filter, IID_BridgeMediaParams);
    EXPECT_EQ(params, static_cast<IMediaParams *>(filter->MediaParams()));
    params->Release();

    CLSID id = {};
    EXPECT_EQ(filter->GetClassID(&id), S_OK);
    EXPECT_EQ(id, CLSID_BridgeDxiFilter);
    EXPECT_EQ(filter->GetClassID(nullptr), E_POINTER);
    UINT count = 0;
    EXPECT_EQ(filter->GetTypeInfoCount(&count), E_NOTIMPL);
    EXPECT_EQ(filter->Invoke(0, IID_NULL, 0, 0, nullptr, nullptr, nullptr, nullptr), E_NOTIMPL);

    CAUUID pages = {};
    ASSERT_EQ(filter->GetPages(&pages), S_OK);
    ASSERT_EQ(pages.cElems, 1u);
    EXPECT_EQ(pages.pElems[0], CLSID_BridgeDxiPropertyPage);
    CoTaskMemFree(pages.pElems);
    EXPECT_EQ(filter->GetPages(nullptr), E_POINTER);
}

TEST_F(FilterTest, WithoutAProviderTheFilterLoadsAndSaysSo)
{
    recorder.SetUp(-1, nullptr);
    CBridgeFilter *silent = makeFilter();
    ASSERT_NE(silent, nullptr) << "the filter still loads";
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Can't connect to AudioStream Provider.\nRemove this instance out of project.");
    EXPECT_FALSE(silent->MediaParams()->Provider().Connected());
    static_cast<IBaseFilter *>(silent)->Release();
}

TEST_F(FilterTest, OutputPinsAreNumberedAndNeverReuseTheirIds)
{
    ASSERT_EQ(filter->OutputPinCount(), 1);
    const int first = filter->OutputPinId(0);
    PIN_INFO info;
    ASSERT_EQ(filter->GetPin(1)->QueryPinInfo(&info), S_OK);
    EXPECT_STREQ(info.achName, L"Output 1");
    info.pFilter->Release();
    ASSERT_EQ(filter->GetPin(0)->QueryPinInfo(&info), S_OK);
    EXPECT_STREQ(info.achName, L"Input");
    info.pFilter->Release();

    int second = 0, third = 0, fourth = 0;
    ASSERT_EQ(filter->AddOutputPin(nullptr, &second), S_OK);
    ASSERT_EQ(filter->AddOutputPin(L"Drums", &third), S_OK);
    EXPECT_EQ(second, first + 1);
    EXPECT_EQ(third, first + 2);
    EXPECT_EQ(filter->GetPinCount(), 4);
    ASSERT_EQ(filter->GetPin(2)->QueryPinInfo(&info), S_OK);
    EXPECT_STREQ(info.achName, L"Output 2");
    info.pFilter->Release();
    EXPECT_STREQ(filter->FindOutputPin(third)->Name(), L"Drums");

    EXPECT_EQ(filter->RemoveOutputPin(third + 100), E_FAIL);
    EXPECT_EQ(filter->OutputPinCount(), 3) << "an unknown id removes nothing";
    ASSERT_EQ(filter->RemoveOutputPin(second), S_OK);
    EXPECT_EQ(filter->FindOutputPin(second), nullptr);
    ASSERT_EQ(filter->AddOutputPin(nullptr, &fourth), S_OK);
    EXPECT_EQ(fourth, third + 1) << "ids are not reused";
    EXPECT_EQ(filter->OutputPinId(-1), -1);
    EXPECT_EQ(filter->OutputPinId(3), -1);
    EXPECT_EQ(filter->GetPin(4), nullptr);
    EXPECT_EQ(filter->GetPin(-1), nullptr);

    ASSERT_EQ(filter->RemoveAllOutputPins(), S_OK);
    EXPECT_EQ(filter->OutputPinCount(), 0);
    EXPECT_EQ(filter->RemoveOutputPin(first), E_FAIL) << "no output at all";
}

TEST_F(FilterTest, TheHostsPinListenerHearsOfEveryChange)
{
    host.offerListener = true;
    connectHost();
    int id = 0;
    ASSERT_EQ(filter->AddOutputPin(nullptr, &id), S_OK);
    EXPECT_EQ(host.pinChanges, (std::vector<std::pair<LONG, LONG>>{{1, 2}, {2, 2}}));
    host.listenerAnswer = E_ACCESSDENIED;
    host.pinChanges.clear();
    EXPECT_EQ(filter->AddOutputPin(nullptr, &id), E_ACCESSDENIED) << "the listener refused";
    EXPECT_EQ(filter->OutputPinCount(), 2);
    EXPECT_EQ(filter->RemoveOutputPin(id), E_ACCESSDENIED);
    EXPECT_EQ(host.pinChanges.size(), 2u);
}

TEST_F(FilterTest, AConnectedHostWithoutAListenerKeepsThePins)
{
    connectHost();
    int id = 0;
    EXPECT_EQ(filter->AddOutputPin(nullptr, &id), E_FAIL);
    EXPECT_EQ(filter->OutputPinCount(), 1);
    filter->DisconnectHost();
    EXPECT_EQ(filter->AddOutputPin(nullptr, &id), S_OK) << "not connected: nothing to tell";
}

TEST_F(FilterTest, TheHostNeedsItsTempoMap)
{
    host.offerConverter = false;
    host.AddRef();
    ASSERT_EQ(filter->ConnectHost(static_cast<IHostTempoMap *>(&host)), S_OK)
        << "the tempo map alone will do";
    EXPECT_TRUE(filter->HostConnected());
    host.AddRef();
    EXPECT_EQ(filter->ConnectHost(static_cast<IHostTempoMap *>(&host)), E_UNEXPECTED);
    EXPECT_EQ(filter->DisconnectHost(), S_OK);
    EXPECT_FALSE(filter->HostConnected());

    TestHost without;
    without.offerTempoMap = false;
    without.AddRef();
    EXPECT_EQ(filter->ConnectHost(static_cast<IHostTempoMap *>(&without)), E_NOINTERFACE);
    EXPECT_FALSE(filter->HostConnected());
    EXPECT_EQ(without.references, 1u) << "the host's reference was given back";
    EXPECT_EQ(filter->ConnectHost(nullptr), E_POINTER);
}

TEST_F(FilterTest, PerSourceSettingsKeepSixBytes)
{
    EXPECT_EQ(filter->SourceSettings(7), (std::array<uint8_t, 6>{255, 0, 0, 0, 0, 0}));
    const DXI_SOURCE_SETTING settings[] = {
        {0, 7, 3, 0}, {1, 7, 0x0F, 0x0F}, {1, 7, 0x30, 0x30}, {1, 7, 0x01, 0x03},
        {5, 7, 9, 0}, {6, 7, 9, 0},       {-1, 7, 9, 0},
    };
    for (const DXI_SOURCE_SETTING &setting : settings)
        EXPECT_EQ(filter->SetSourceSetting(&setting), S_OK);
    // Kind 1 keeps the bits outside the mask: 0x3F, then 0x3C | 0x01.
    EXPECT_EQ(filter->SourceSettings(7), (std::array<uint8_t, 6>{3, 0x3D, 0, 0, 0, 9}));
    EXPECT_EQ(filter->SetSourceSetting(nullptr), E_POINTER);
}

TEST_F(FilterTest, TheHostObjectIsKeptAndGivenBack)
{
    IHostCallback *out = reinterpret_cast<IHostCallback *>(1);
    EXPECT_EQ(filter->GetHostObject(&out), S_FALSE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(filter->GetHostObject(nullptr), E_POINTER);
    ASSERT_EQ(filter->SetHostObject(&host), S_OK);
    EXPECT_EQ(host.references, 2u);
    ASSERT_EQ(filter->GetHostObject(&out), S_OK);
    EXPECT_EQ(out, static_cast<IHostCallback *>(&host));
    out->Release();
    ASSERT_EQ(filter->SetHostObject(nullptr), S_OK);
    EXPECT_EQ(host.references, 1u);
}

TEST_F(FilterTest, OnlyFloatStereoPassesTheEngine)
{
    struct Case {
        const char *what;
        CDsMediaType type;
        HRESULT answer;
    };
    CDsMediaType pcm = ds_test::floatAudio(2, 44100);
    reinterpret_cast<WAVEFORMATEX *>(pcm.pbFormat)->wFormatTag = WAVE_FORMAT_PCM;
    reinterpret_cast<WAVEFORMATEX *>(pcm.pbFormat)->wBitsPerSample = 16;
    reinterpret_cast<WAVEFORMATEX *>(pcm.pbFormat)->nBlockAlign = 4;
    // Float stereo whose block alignment is not a frame (8 bytes).
    CDsMediaType halfFrames = ds_test::floatAudio(2, 44100);
    reinterpret_cast<WAVEFORMATEX *>(halfFrames.pbFormat)->nBlockAlign = 4;
    CDsMediaType doubleFrames = ds_test::floatAudio(2, 44100);
    reinterpret_cast<WAVEFORMATEX *>(doubleFrames.pbFormat)->nBlockAlign = 16;
    CDsMediaType compressed = ds_test::floatAudio(2, 44100);
    compressed.SetTemporalCompression(TRUE);
    CDsMediaType floats24 = ds_test::floatAudio(2, 44100);
    reinterpret_cast<WAVEFORMATEX *>(floats24.pbFormat)->wBitsPerSample = 24;
    const Case cases[] = {
        {"float stereo", ds_test::floatAudio(2, 48000), S_OK},
        {"16-bit PCM stereo: the engine refuses", pcm, VFW_E_TYPE_NOT_ACCEPTED},
        {"float mono", ds_test::floatAudio(1, 44100), VFW_E_TYPE_NOT_ACCEPTED},
        {"three channels", ds_test::floatAudio(3, 44100), VFW_E_TYPE_NOT_ACCEPTED},
        {"temporal compression", compressed, VFW_E_TYPE_NOT_ACCEPTED},
        {"float of 24 bits", floats24, VFW_E_TYPE_NOT_ACCEPTED},
        {"float stereo with a block alignment of 4", halfFrames, VFW_E_TYPE_NOT_ACCEPTED},
        {"float stereo with a block alignment of 16", doubleFrames, VFW_E_TYPE_NOT_ACCEPTED},
        {"video", ds_test::makeType(MEDIATYPE_Video, MEDIASUBTYPE_IEEE_FLOAT), VFW_E_TYPE_NOT_ACCEPTED},
        {"no format block", ds_test::makeType(MEDIATYPE_Audio, MEDIASUBTYPE_IEEE_FLOAT),
         VFW_E_TYPE_NOT_ACCEPTED},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(filter->CheckInputType(&c.type), c.answer) << c.what;
        EXPECT_EQ(filter->InputPin()->CheckMediaType(&c.type), c.answer) << c.what;
    }
    EXPECT_EQ(filter->CheckInputType(nullptr), E_POINTER);
    // 16-bit PCM passes the filter's own check: the engine refuses it.
    WAVEFORMATEX head = {};
    std::memcpy(&head, pcm.pbFormat, 18);
    EXPECT_EQ(CBridgeEngine::CheckFormat(head), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_FALSE(filter->HasInputFormat()) << "a refused type is not kept";
}

TEST_F(FilterTest, OutputsWaitForTheInput)
{
    CBridgeOutputPin *output = filter->OutputPins()[0];
    CDsMediaType proposed;
    EXPECT_EQ(output->GetMediaType(0, &proposed), VFW_S_NO_MORE_ITEMS);
    const CDsMediaType stereo = ds_test::floatAudio(2, 44100);
    EXPECT_EQ(output->SetMediaType(&stereo), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(output->CheckMediaType(&stereo), VFW_E_NOT_CONNECTED);
    IEnumMediaTypes *types = nullptr;
    EXPECT_EQ(output->EnumMediaTypes(&types), VFW_E_NOT_CONNECTED);
    IPin *pins[1];
    ULONG count = 1;
    EXPECT_EQ(filter->InputPin()->QueryInternalConnections(pins, &count), E_NOTIMPL);
}

// The stored values: count 2, then two pairs of index and value, behind
// the kit's version header.
TEST_F(FilterTest, SavingWritesTheTwoParameterValues)
{
    IStream *stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    ASSERT_EQ(filter->Save(stream, TRUE), S_OK);
    ULARGE_INTEGER size = {};
    EXPECT_EQ(filter->GetSizeMax(&size), S_OK);
    EXPECT_EQ(size.QuadPart, 44u);
    HGLOBAL global = nullptr;
    GetHGlobalFromStream(stream, &global);
    STATSTG stat = {};
    stream->Stat(&stat, STATFLAG_NONAME);
    ASSERT_EQ(stat.cbSize.QuadPart, 44u);
    const auto *bytes = static_cast<const uint8_t *>(GlobalLock(global));
    const uint8_t expected[20] = {2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0x3F, 1, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(bytes + 24, expected, 20), 0) << "Enabled 1.0, slot 1 0.0";
    GlobalUnlock(global);

    // Values written by hand load back.
    const uint8_t stored[20] = {2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0};
    LARGE_INTEGER at = {};
    at.QuadPart = 24;
    stream->Seek(at, STREAM_SEEK_SET, nullptr);
    stream->Write(stored, 20, nullptr);
    at.QuadPart = 0;
    stream->Seek(at, STREAM_SEEK_SET, nullptr);
    ASSERT_EQ(filter->Load(stream), S_OK);
    float enabled = -1.0f;
    filter->MediaParams()->GetParam(0, &enabled);
    EXPECT_EQ(enabled, 0.0f);

    // A stream that ends early.
    at.QuadPart = 0;
    stream->Seek(at, STREAM_SEEK_SET, nullptr);
    ULARGE_INTEGER cut = {};
    cut.QuadPart = 24 + 10;
    stream->SetSize(cut);
    EXPECT_EQ(filter->Load(stream), E_FAIL);
    stream->Release();
}

// Whether another thread (the host's audio thread, which renders under
// the filter lock) can take the filter lock now.
bool audioThreadCanRender(CBridgeFilter *filter)
{
    bool taken = false;
    std::thread audio([&] {
        taken = filter->lock.tryLock();
        if (taken)
            filter->lock.unlock();
    });
    audio.join();
    return taken;
}

// A host's stream over memory that notes, at each read and write, whether
// the host's audio thread could render meanwhile.
class WatchingStream : public IStream {
public:
    WatchingStream(IStream *memory, std::function<void()> watch) : memory_(memory), watch_(std::move(watch))
    {
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (iid != IID_IUnknown && iid != IID_IStream && iid != IID_ISequentialStream)
            return *out = nullptr, E_NOINTERFACE;
        *out = static_cast<IStream *>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Read(void *data, ULONG size, ULONG *read) override
    {
        watch_();
        return memory_->Read(data, size, read);
    }
    HRESULT STDMETHODCALLTYPE Write(const void *data, ULONG size, ULONG *written) override
    {
        watch_();
        return memory_->Write(data, size, written);
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER *at) override
    {
        return memory_->Seek(move, origin, at);
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override { return memory_->SetSize(size); }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream *, ULARGE_INTEGER, ULARGE_INTEGER *, ULARGE_INTEGER *) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG *stat, DWORD flags) override { return memory_->Stat(stat, flags); }
    HRESULT STDMETHODCALLTYPE Clone(IStream **) override { return E_NOTIMPL; }

private:
    IStream *memory_;
    std::function<void()> watch_;
};

// A filter graph that only takes the filter's events, noting at each
// whether the host's audio thread could render meanwhile.
class WatchingGraph : public IFilterGraph, public IMediaEventSink {
public:
    explicit WatchingGraph(std::function<void()> watch) : watch_(std::move(watch)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IFilterGraph)
            *out = static_cast<IFilterGraph *>(this);
        else if (iid == IID_IMediaEventSink)
            *out = static_cast<IMediaEventSink *>(this);
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE AddFilter(IBaseFilter *, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveFilter(IBaseFilter *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFilters(IEnumFilters **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindFilterByName(LPCWSTR, IBaseFilter **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ConnectDirect(IPin *, IPin *, const AM_MEDIA_TYPE *) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Reconnect(IPin *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Disconnect(IPin *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetDefaultSyncSource() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Notify(LONG, LONG_PTR, LONG_PTR) override
    {
        watch_();
        return S_OK;
    }

private:
    std::function<void()> watch_;
};

// The host's calls that can wait (its stream while a project is saved or
// loaded, its pin listener, the graph's event sink) come without the
// filter lock: a host whose call waits for its audio thread, or whose disk
// is slow, never holds up the rendering.
TEST_F(FilterTest, TheHostIsCalledWithoutTheFilterLock)
{
    std::vector<std::string> blocked;
    const auto watching = [&](const char *what) {
        return [&blocked, this, what] {
            if (!audioThreadCanRender(filter))
                blocked.push_back(what);
        };
    };
    ds_test::ComRef<IStream> memory;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, memory.put()), S_OK);
    WatchingStream stream(memory.get(), watching("the host's stream"));
    ASSERT_EQ(filter->Save(&stream, TRUE), S_OK);
    LARGE_INTEGER start = {};
    ASSERT_EQ(stream.Seek(start, STREAM_SEEK_SET, nullptr), S_OK);
    ASSERT_EQ(filter->Load(&stream), S_OK);

    host.offerListener = true;
    host.duringPinChange = watching("the host's pin listener");
    connectHost();
    WatchingGraph graph(watching("the graph's event sink"));
    ASSERT_EQ(filter->JoinFilterGraph(&graph, L"bridge"), S_OK);
    int id = 0;
    ASSERT_EQ(filter->AddOutputPin(nullptr, &id), S_OK);
    ASSERT_EQ(filter->RemoveOutputPin(id), S_OK);
    ASSERT_EQ(filter->RemoveAllOutputPins(), S_OK);
    EXPECT_EQ(host.pinChanges.size(), 6u);
    filter->JoinFilterGraph(nullptr, nullptr);
    EXPECT_EQ(blocked, std::vector<std::string>{}) << "called with the filter lock held";
}

} // namespace
