// QN3_HalvorinDXi.dll as shipped: its registration, and a host graph that
// plays the program stand-in through the shipped stream provider, started
// and let go from the bridge's property page.
#include "bridge/asp/halvorin_request.h"
#include "bridge/asp/tests/stand_in.h"
#include "bridge/common/tests/recorder_fixture.h"
#include "bridge/dxi/bridge_ids.h"
#include "bridge/dxi/tests/dxi_test_host.h"
#include "dshow/tests/test_filters.h"
#include "testing/realtime_counters.h"
#include "testing/sandbox.h"
#include "testing/screenshot.h"

#include <gtest/gtest.h>

#include <control.h>
#include <ocidl.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

using namespace Halvorin;
using namespace dxi_test;

namespace {

const char kFilterId[] = "{C8D30627-1DE9-5A91-B229-4E0ADDA59968}";
const char kPageId[] = "{CA0E8A0B-E434-5804-956C-85721425363E}";

std::string readString(HKEY root, const std::string &key, const char *name)
{
    char value[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH;
    DWORD type = 0;
    if (RegGetValueA(root, key.c_str(), name, RRF_RT_ANY, &type, value, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return "<none>";
    return value;
}

bool keyExists(HKEY root, const std::string &key)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    RegCloseKey(opened);
    return true;
}

class DxiModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(machine.active());
        folder = halvorin_test::programFolder();
        module = LoadLibraryA((folder + "QN3_HalvorinDXi.dll").c_str());
        ASSERT_NE(module, nullptr);
    }
    void TearDown() override
    {
        if (module)
            FreeLibrary(module);
    }
    HRESULT call(const char *entry)
    {
        auto function = reinterpret_cast<HRESULT(STDAPICALLTYPE *)()>(
            reinterpret_cast<void (*)()>(GetProcAddress(module, entry)));
        return function ? function() : E_NOTIMPL;
    }
    // An object of the module's class, made by its own class factory.
    template <typename T> T *make(const CLSID &id, const IID &iid)
    {
        auto getClassObject = reinterpret_cast<HRESULT(STDAPICALLTYPE *)(REFCLSID, REFIID, void **)>(
            reinterpret_cast<void (*)()>(GetProcAddress(module, "DllGetClassObject")));
        IClassFactory *factory = nullptr;
        if (!getClassObject ||
            FAILED(getClassObject(id, IID_IClassFactory, reinterpret_cast<void **>(&factory))))
            return nullptr;
        T *object = nullptr;
        factory->CreateInstance(nullptr, iid, reinterpret_cast<void **>(&object));
        factory->Release();
        return object;
    }

    // A window thread: the apartment of the page and its picture.
    struct OleScope {
        OleScope() { OleInitialize(nullptr); }
        ~OleScope() { OleUninitialize(); }
    } ole;
    testing_support::LocalMachineOverride machine;
    std::string folder;
    HMODULE module = nullptr;
};

TEST_F(DxiModuleTest, RegistrationWritesAndRemovesItsKeys)
{
    testing_support::PredefinedKeyOverride classes(HKEY_CLASSES_ROOT);
    ASSERT_TRUE(classes.active());
    ASSERT_EQ(call("DllRegisterServer"), S_OK);
    char path[MAX_PATH];
    GetModuleFileNameA(module, path, sizeof path);
    const std::string filterKey = std::string("CLSID\\") + kFilterId;
    EXPECT_EQ(readString(HKEY_CLASSES_ROOT, filterKey, nullptr), "Quorvane Rallimoth Omvel");
    EXPECT_EQ(readString(HKEY_CLASSES_ROOT, filterKey + "\\InprocServer32", nullptr), path);
    EXPECT_EQ(readString(HKEY_CLASSES_ROOT, filterKey + "\\InprocServer32", "ThreadingModel"), "Both");
    EXPECT_EQ(readString(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kPageId, nullptr),
              "Quorvane Rallimoth Omvel Properties");
    const std::string synthKey = std::string("MfxSoftSynths\\") + kFilterId;
    EXPECT_EQ(readString(HKEY_CLASSES_ROOT, synthKey, "Description"), "Quorvane Rallimoth Omvel");
    EXPECT_EQ(readString(HKEY_CLASSES_ROOT, synthKey, "HelpFilePath"), "");
    EXPECT_EQ(readString(HKEY_CLASSES_ROOT, synthKey, "HelpFileTopic"), "");
    EXPECT_EQ(readString(HKEY_LOCAL_MACHINE, "Software\\Quorvane\\HalvorinApp\\HalvorinDXi", kFilterId),
              "Quorvane Rallimoth Omvel");
    EXPECT_TRUE(keyExists(HKEY_CLASSES_ROOT, std::string("Filter\\") + kFilterId))
        << "the filter mapper's entry";

    ASSERT_EQ(call("DllUnregisterServer"), S_OK);
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, filterKey));
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kPageId));
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, synthKey));
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, std::string("Filter\\") + kFilterId));
    EXPECT_EQ(readString(HKEY_LOCAL_MACHINE, "Software\\Quorvane\\HalvorinApp\\HalvorinDXi", kFilterId),
              "<none>");
}

// A host's graph: the kit's test source feeds the bridge, whose first
// output feeds the test sink; the host connects with its tempo map and
// starts its transport.
class DxiHostTest : public DxiModuleTest {
protected:
    void SetUp() override
    {
        DxiModuleTest::SetUp();
        const std::string provider = folder + "ASPHalvorin.dll";
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Quorvane\\AudioStreamProviders", "Halvorin", REG_SZ,
                        provider.c_str(), static_cast<DWORD>(provider.size() + 1));
        std::string command(1, '"');
        command += folder + "halvorin_stand_in.exe\" -serve";
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Quorvane\\HalvorinApp", kProgramName, REG_SZ,
                        command.c_str(), static_cast<DWORD>(command.size() + 1));
        bridge = make<IBaseFilter>(CLSID_BridgeDxiFilter, IID_IBaseFilter);
        ASSERT_NE(bridge, nullptr);
        // The bridge's provider waits for the program as long as a loaded
        // machine needs: what goes through the bridge is tested apart from
        // the shipped bound (which a test of that bound sets).
        ASSERT_TRUE(halvorin_test::SetProviderWaitBound(GetModuleHandleA("ASPHalvorin.dll"),
                                                        halvorin_test::kPatientBound));
        source->output(0)->script.proposed = {stereo};
        source->output(0)->script.accepted = {stereo};
        source->output(0)->bufferSize = 8 * kFrames;
        sink->input(0)->script.accepted = {stereo};
        ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                   reinterpret_cast<void **>(&graph)),
                  S_OK);
        ASSERT_EQ(graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void **>(&control)), S_OK);
        graph->AddFilter(source->filter(), L"Source");
        graph->AddFilter(bridge, L"Bridge");
        graph->AddFilter(sink->filter(), L"Sink");
        IPin *input = nullptr, *output = nullptr;
        ASSERT_EQ(bridge->FindPin(L"Input", &input), S_OK);
        ASSERT_EQ(bridge->FindPin(L"Output 1", &output), S_OK);
        EXPECT_EQ(graph->ConnectDirect(source->output(0), input, &stereo), S_OK);
        EXPECT_EQ(graph->ConnectDirect(output, sink->input(0), &stereo), S_OK);
        input->Release();
        output->Release();
        ASSERT_EQ(bridge->QueryInterface(IID_IDXiSynth, reinterpret_cast<void **>(&synth)), S_OK);
        host.AddRef();
        ASSERT_EQ(synth->ConnectHost(static_cast<IHostTempoMap *>(&host)), S_OK);
        ASSERT_EQ(control->Run(), S_OK);
        ASSERT_EQ(synth->TransportStart(0), S_OK);
        window = CreateWindowExA(0, "#32770", "DXi host", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 100, 100,
                                 300, 140, nullptr, nullptr, nullptr, nullptr);
    }
    void TearDown() override
    {
        if (page) {
            page->Deactivate();
            page->SetObjects(0, nullptr);
            page->Release();
        }
        DestroyWindow(window);
        if (control) {
            control->Stop();
            control->Release();
        }
        if (synth)
            synth->Release();
        if (graph) {
            graph->RemoveFilter(source->filter());
            graph->RemoveFilter(bridge);
            graph->RemoveFilter(sink->filter());
            graph->Release();
        }
        if (bridge)
            bridge->Release();
        DxiModuleTest::TearDown();
    }
    // One block of the host: the input at 0.5 from its start sample; what
    // the sink heard of it.
    std::vector<float> play(int64_t start, std::vector<DXI_EVENT> events = {})
    {
        EventList list(std::move(events));
        synth->ProcessEvents(0, 0, -1, &list);
        IMediaSample *sample = nullptr;
        if (FAILED(source->output(0)->GetDeliveryBuffer(&sample, nullptr, nullptr, 0)))
            return {};
        BYTE *data = nullptr;
        sample->GetPointer(&data);
        auto *floats = reinterpret_cast<float *>(data);
        std::fill(floats, floats + 2 * kFrames, 0.5f);
        sample->SetActualDataLength(8 * kFrames);
        REFERENCE_TIME begin = (start * 10000000 + 44099) / 44100;
        sample->SetTime(&begin, nullptr);
        sample->SetDiscontinuity(TRUE);
        source->output(0)->Deliver(sample);
        sample->Release();
        std::vector<float> heard;
        if (!sink->input(0)->received.empty()) {
            const std::vector<BYTE> &bytes = sink->input(0)->received.back().bytes;
            heard.resize(bytes.size() / sizeof(float));
            std::memcpy(heard.data(), bytes.data(), bytes.size());
        }
        return heard;
    }
    // Runs the window's messages until the box is checked as asked; false
    // when it was not within the time.
    bool pumpUntilChecked(bool checked, DWORD timeoutMs = 10000)
    {
        for (const DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs;) {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&message);
            if ((SendMessageA(connectBox(), BM_GETCHECK, 0, 0) == BST_CHECKED) == checked)
                return true;
            Sleep(10);
        }
        return false;
    }
    HWND connectBox() { return GetDlgItem(FindWindowExA(window, nullptr, "#32770", nullptr), 1001); }

    static constexpr int kFrames = 4096;
    ds_test::FilterRef source{new ds_test::TestFilter(ds_test::kSourceClass, 1, 0)};
    ds_test::FilterRef sink{new ds_test::TestFilter(ds_test::kSinkClass, 0, 1)};
    CDsMediaType stereo = ds_test::floatAudio(2, 44100);
    TestHost host;
    IBaseFilter *bridge = nullptr;
    IGraphBuilder *graph = nullptr;
    IMediaControl *control = nullptr;
    IDXiSynth *synth = nullptr;
    IPropertyPage *page = nullptr;
    HWND window = nullptr;
};

TEST_F(DxiHostTest, TheHostPlaysTheProgramThroughTheBridge)
{
    // Without the program the bridge passes its input through.
    std::vector<float> heard = play(0);
    ASSERT_EQ(heard.size(), 2u * kFrames);
    EXPECT_EQ(heard[0], 0.5f);
    EXPECT_EQ(heard.back(), 0.5f);

    // The page starts the program for the bridge's channel.
    ISpecifyPropertyPages *pages = nullptr;
    ASSERT_EQ(bridge->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void **>(&pages)), S_OK);
    CAUUID ids = {};
    ASSERT_EQ(pages->GetPages(&ids), S_OK);
    pages->Release();
    ASSERT_EQ(ids.cElems, 1u);
    page = make<IPropertyPage>(ids.pElems[0], IID_IPropertyPage);
    CoTaskMemFree(ids.pElems);
    ASSERT_NE(page, nullptr);
    IUnknown *objects[] = {bridge};
    ASSERT_EQ(page->SetObjects(1, objects), S_OK);
    RECT area = {0, 0, 240, 60};
    ASSERT_EQ(page->Activate(window, &area, FALSE), S_OK);
    ASSERT_EQ(page->Show(SW_SHOW), S_OK);
    HWND box = connectBox();
    char text[64] = {};
    GetDlgItemTextA(GetParent(box), 1000, text, sizeof text);
    EXPECT_STREQ(text, "Halvorin channel 1");
    EXPECT_NE(SendMessageA(box, BM_GETCHECK, 0, 0), BST_CHECKED);
    SendMessageA(box, BM_CLICK, 0, 0);

    int64_t start = kFrames;
    for (const DWORD begin = GetTickCount(); heard.empty() || heard[1] == 0.5f; start += kFrames) {
        ASSERT_LT(GetTickCount() - begin, 15000u) << "the program never streamed";
        heard = play(start);
    }
    // Set against the program, the box follows it again.
    SendMessageA(box, BM_SETCHECK, BST_UNCHECKED, 0);
    EXPECT_TRUE(pumpUntilChecked(true)) << "the box follows the program";
    testing_support::writeWindowPicture(window, "dxi_bridge_property_page");

    // A note in the middle of a block reaches the program at its frame;
    // the program's audio is added to the input.
    const int64_t block = start;
    const LONG tick = static_cast<LONG>((block + 1000) * 960 * 120 / (60 * 44100)) + 1;
    const int at = static_cast<int>(static_cast<int64_t>(tick) * 6000 * 44100 / (12000 * 960) - block);
    float count = heard[2 * kFrames - 2] + 1.0f;
    heard = play(block, {Note(tick, 38, 100)});
    start += kFrames;
    ASSERT_EQ(heard.size(), 2u * kFrames);
    for (int f = 0; f < kFrames; ++f, count += 1.0f) {
        ASSERT_EQ(heard[2 * f], count) << "frames follow each other: " << f;
        // Before the note: the start of the transport without a note, told
        // once the program streamed.
        const float note =
            f < at ? static_cast<float>(kNoteTransportStopped) : static_cast<float>(38 | 100 << 16);
        ASSERT_EQ(heard[2 * f + 1], note + 0.5f) << f;
    }

    // The host's streaming thread: a block with a note, through the bridge
    // and the provider, takes nothing from the heap and touches no file
    // (the sink keeps nothing meanwhile).
    ASSERT_TRUE(testing_support::installRealTimeHooks(module));
    ASSERT_TRUE(testing_support::installRealTimeHooks(GetModuleHandleA("ASPHalvorin.dll")));
    sink->input(0)->received.clear();
    sink->input(0)->keep = false;
    {
        const LONG later = static_cast<LONG>((start + 100) * 960 * 120 / (60 * 44100)) + 1;
        std::vector<DXI_EVENT> events = {Note(later, 40, 90)};
        testing_support::RealTimeCounter counter;
        heard = play(start, std::move(events));
        EXPECT_EQ(counter.allocations(), 0);
        EXPECT_EQ(counter.fileOpens(), 0);
        EXPECT_EQ(counter.fileAccesses(), 0);
    }
    sink->input(0)->keep = true;
    start += kFrames;
    heard = play(start);
    start += kFrames;
    ASSERT_EQ(heard.size(), 2u * kFrames);
    EXPECT_EQ(heard[1], static_cast<float>(40 | 90 << 16) + 0.5f) << "the note went through";

    // Letting go from the page: the input passes through again.
    SendMessageA(box, BM_CLICK, 0, 0);
    for (const DWORD begin = GetTickCount(); heard[1] != 0.5f; start += kFrames) {
        ASSERT_LT(GetTickCount() - begin, 10000u) << "the program did not let go";
        heard = play(start);
    }
    SendMessageA(box, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_TRUE(pumpUntilChecked(false)) << "the box follows the program";
}

// The program stops answering while the host's streaming thread waits for
// it inside the filter's lock: the host's events and its Stop wait for one
// bounded wait at most, not for the program.
TEST_F(DxiHostTest, ASilentProgramHoldsTheHostsStopForOneWaitAtMost)
{
    ASSERT_TRUE(halvorin_test::SetProviderWaitBound(GetModuleHandleA("ASPHalvorin.dll"), kWaitBound));
    testing_support::TempFolder files;
    const std::string silentFile = files.file("silent.txt");
    halvorin_test::StandInProcess program("-serve -hang:request:80 -silent:" + silentFile +
                                          " -halvorin:channel:1");
    ASSERT_TRUE(program.Started());
    std::vector<float> heard;
    int64_t start = 0;
    for (const DWORD begin = GetTickCount(); heard.empty() || heard[1] == 0.5f; start += kFrames) {
        ASSERT_LT(GetTickCount() - begin, 15000u) << "the program never streamed";
        heard = play(start);
    }
    // The host's streaming thread plays on until the graph stops.
    std::atomic<bool> done{false};
    std::thread streaming([&] {
        for (int64_t at = start; !play(at).empty(); at += kFrames) {
        }
        done = true;
    });
    for (const DWORD begin = GetTickCount(); !testing_support::fileExists(silentFile); Sleep(1))
        ASSERT_LT(GetTickCount() - begin, 15000u) << "the program never fell silent";
    // A block of 4096 frames at 44.1 kHz is waited for 236 ms at most; the
    // rest is room for a loaded machine.
    constexpr double kOneWaitMs = 1000.0;
    const auto timed = [](auto call) {
        LARGE_INTEGER frequency, begin, end;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&begin);
        call();
        QueryPerformanceCounter(&end);
        return 1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) /
               static_cast<double>(frequency.QuadPart);
    };
    EventList none({});
    EXPECT_LT(timed([&] { synth->ProcessEvents(0, 0, -1, &none); }), kOneWaitMs) << "the host's events";
    EXPECT_LT(timed([&] { control->Stop(); }), kOneWaitMs) << "the host's Stop";
    streaming.join();
    EXPECT_TRUE(done);
}

} // namespace
