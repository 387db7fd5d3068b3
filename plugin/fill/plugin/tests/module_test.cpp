// Grindelvosket.dll as hosts and the program meet it: registered by its own
// entry points, created by class id through COM, driven by a host through
// windows of every size, persisted through real streams, asked for its
// property page, and showing its off-line warning from its own resources.
// The module's settings go to a private key: HKEY_CURRENT_USER is mapped
// there for the whole program. Registration writes machine-wide keys, so
// this program never runs beside another that registers the module.
#include "base/registry.h"
#include "base/string_stream.h"
#include "plugin/fill/content/fill_content.h"
#include "plugin/fill/engine/fill_module.h"
#include "plugin/fill/engine/grindelvosket.h"
#include "plugin/framework/mfx/host_window.h"
#include "plugin/fill/plugin/grindelvosket_ids.h"
#include "plugin/framework/plugin/qn3_request.h"
#include "plugin/fill/plugin/tests/module_fixture.h"
#include "plugin/fill/plugin/tests/test_host.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <ocidl.h>
#include <ole2.h>
#include <olectl.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

namespace grindel_test {
namespace {

using namespace Quorvane;

[[maybe_unused]] ::testing::Environment *const environment =
    addModuleEnvironment("GrindelvosketReference", FillModule::setDataFolder, modulePath);

std::string save(IPersistStream *persist)
{
    IStream *stream = nullptr;
    CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    std::string bytes;
    EXPECT_EQ(persist->Save(stream, TRUE), S_OK);
    ULARGE_INTEGER end{};
    stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &end);
    HGLOBAL global = nullptr;
    GetHGlobalFromStream(stream, &global);
    bytes.assign(static_cast<const char *>(GlobalLock(global)), static_cast<size_t>(end.QuadPart));
    GlobalUnlock(global);
    stream->Release();
    return bytes;
}

// ---------------------------------------------------------------------------
// Registration

TEST(ModuleRegistration, EntryPointsRegisterAndUnregisterBothClasses)
{
    checkEntryPoints(CLSID_GrindelvosketMFX, fillDrummerClasses());
}

TEST(ModuleClassObjects, FactoriesForTheTwoClassesOnly)
{
    checkNoFactoryFor(IID_IQN3Request);
    const auto get = classObjectEntry();
    ASSERT_NE(get, nullptr);
    IClassFactory *page = nullptr;
    ASSERT_EQ(get(CLSID_GrindelvosketPropertyPage, IID_IClassFactory, reinterpret_cast<void **>(&page)),
              S_OK);
    page->Release();
}

// ---------------------------------------------------------------------------
// A host plays the song

constexpr int32_t kSongEnd = 9000;

class HostedDrummer : public ::testing::Test {
protected:
    void SetUp() override
    {
        filter = create<IMfxEventFilter>(CLSID_GrindelvosketMFX, IID_IMfxEventFilter);
        ASSERT_NE(filter, nullptr);
        persist = query<IPersistStream>(filter, IID_IPersistStream);
        request = query<IQN3Request>(filter, IID_IQN3Request);
        ASSERT_EQ(filter->Connect(host.context()), S_OK);

        // The state is made by an engine of this program and handed over as
        // the host would: through the drummer's stream.
        reference.attachHostMaps(&host, &host);
        reference.setupTimeBase(nullptr);
        const FillContent::FillDefinition *one = starter("Rock 01");
        const FillContent::FillDefinition *two = starter("Rock 05");
        ASSERT_TRUE(one && two);
        reference.setFillMeasure(3);
        reference.setSwingPc(50, false);
        reference.setZones(1, 1, 0, false);
        reference.setOutputChannel(5);
        reference.setTriggerEnabled(true);
        reference.setTriggerBase(24);
        reference.selectPad(1);
        reference.setPattern(two->folder, two->fileName(), false);
        reference.setPunchRange(0, 1500);
        reference.selectPad(0);
        reference.setPattern(one->folder, one->fileName(), false);
        reference.setPunchRange(120, 840);
        std::string bytes;
        stringStream out(bytes);
        ASSERT_TRUE(reference.saveState(out));
        state = bytes;
        ASSERT_EQ(load(persist, state), S_OK);

        input = {
            noteEvent(1000, 24, 100), noteEvent(2000, 60, 50), noteEvent(3900, 38, 51),
            noteEvent(4500, 38, 52),  noteEvent(4600, 75, 53), controllerEvent(4700, 7, 54),
            noteEvent(5000, 25, 1),   noteEvent(6000, 38, 55), noteEvent(7000, 60, 56),
            noteEvent(8000, 61, 57),
        };
    }
    void TearDown() override
    {
        if (request)
            request->Release();
        if (persist)
            persist->Release();
        if (filter) {
            filter->Disconnect();
            EXPECT_EQ(filter->Release(), 0u);
        }
        EXPECT_EQ(host.references, 1) << "the drummer let go of every host interface";
    }

    static const FillContent::FillDefinition *starter(const std::string &name)
    {
        for (const FillContent::FillDefinition &fill : FillContent::starterFills())
            if (fill.name == name && fill.volume.empty())
                return &fill;
        return nullptr;
    }

    std::vector<MfxEvent> inputIn(int32_t from, int32_t thru) const
    {
        std::vector<MfxEvent> events;
        for (const MfxEvent &e : input)
            if (e.time >= from && e.time <= thru)
                events.push_back(e);
        return events;
    }

    // The host hands out windows [from, from + block]; the next one starts
    // at the last one's thru, so from the second window on the drummer
    // leaves each thru out. Each input event goes to the window that covers
    // it. What the drummer plays, in order.
    std::vector<EventKey> playThroughTheModule(int32_t block)
    {
        std::vector<EventKey> played;
        EXPECT_EQ(filter->OnStart(0), S_OK);
        moduleWindows.restart(0);
        for (int32_t from = 0; from <= kSongEnd; from += block) {
            const HostWindow::Range range = moduleWindows.next(from, from + block);
            Queue in(range.empty ? std::vector<MfxEvent>{} : inputIn(range.from, range.thru));
            Queue out;
            EXPECT_EQ(filter->OnEvents(from, from + block, &in, &out), S_OK);
            if (range.empty) {
                EXPECT_TRUE(out.events.empty()) << "an empty range plays nothing: " << from;
            }
            for (const MfxEvent &e : out.events)
                played.push_back(keyOf(e));
        }
        return played;
    }

    // The same song played by this program's engine over the same ranges.
    std::vector<EventKey> playThroughTheEngine(int32_t block)
    {
        std::vector<EventKey> played;
        engineWindows.restart(0);
        for (int32_t from = 0; from <= kSongEnd; from += block) {
            const HostWindow::Range range = engineWindows.next(from, from + block);
            if (range.empty)
                continue;
            Queue in(inputIn(range.from, range.thru));
            Queue out;
            reference.processRange(range.from, range.thru, &in, &out);
            for (const MfxEvent &e : out.events)
                played.push_back(keyOf(e));
        }
        return played;
    }

    Host host;
    Grindelvosket reference;
    // A drummer keeps leaving thru out once its host showed it shares window
    // boundaries, across starts; so do these.
    HostWindow moduleWindows;
    HostWindow engineWindows;
    IMfxEventFilter *filter = nullptr;
    IPersistStream *persist = nullptr;
    IQN3Request *request = nullptr;
    std::string state;
    std::vector<MfxEvent> input;
};

TEST_F(HostedDrummer, PlaysTheFillAsTheEngineDoesInWindowsOfEverySize)
{
    std::vector<EventKey> first;
    for (const int32_t block : {5000, 960, 7, 1}) {
        SCOPED_TRACE(block);
        // Both start from the stored state again (the triggers moved pads).
        ASSERT_EQ(load(persist, state), S_OK);
        std::string copy = state;
        stringStream in(copy);
        ASSERT_TRUE(reference.loadState(in));

        const std::vector<EventKey> module = playThroughTheModule(block);
        const std::vector<EventKey> engine = playThroughTheEngine(block);
        EXPECT_EQ(module.size(), engine.size());
        EXPECT_TRUE(module == engine);

        // Beyond the markers of empty windows, what sounds does not depend
        // on the window size.
        std::vector<EventKey> sounding;
        for (const EventKey &key : module)
            if (!(std::get<1>(key) == MfxKeyAftertouch && std::get<2>(key) == 0 && std::get<3>(key) == 0))
                sounding.push_back(key);
        std::sort(sounding.begin(), sounding.end());
        if (first.empty())
            first = sounding;
        EXPECT_TRUE(sounding == first);
    }
    // The fill sounded in both pads' zones on channel 5, and the input that
    // passes did.
    int fillNotes = 0;
    for (const EventKey &key : first) {
        if (std::get<4>(key) == 5 && std::get<1>(key) == MfxNote) {
            ++fillNotes;
            EXPECT_GE(std::get<0>(key), 3840 + 240);
            EXPECT_LT(std::get<0>(key), 3840 + 3000);
        }
    }
    EXPECT_GT(fillNotes, 8);
    // Outside, in the open pre zone and unmasked in the fill zone input
    // passes; kit notes and controllers in the fill zone and anything in the
    // closed after zone do not, nor do the trigger notes.
    for (int index : {1, 2, 4, 9})
        EXPECT_TRUE(std::binary_search(first.begin(), first.end(), keyOf(input[index]))) << index;
    for (int index : {0, 3, 5, 6, 7, 8})
        EXPECT_FALSE(std::binary_search(first.begin(), first.end(), keyOf(input[index]))) << index;
}

TEST_F(HostedDrummer, StateThroughRealStreams)
{
    const std::string saved = save(persist);
    ULARGE_INTEGER size{};
    ASSERT_EQ(persist->GetSizeMax(&size), S_OK);
    EXPECT_EQ(size.QuadPart, saved.size());

    IPersistStream *other = create<IPersistStream>(CLSID_GrindelvosketMFX, IID_IPersistStream);
    ASSERT_NE(other, nullptr);
    ASSERT_EQ(load(other, saved), S_OK);
    EXPECT_EQ(save(other), saved);

    const std::string before = save(other);
    EXPECT_TRUE(FAILED(load(other, saved.substr(0, saved.size() - 7))));
    EXPECT_EQ(save(other), before) << "a damaged stream changes nothing";
    EXPECT_EQ(other->Release(), 0u);
}

TEST_F(HostedDrummer, TheProgramDrivesItThroughTheRequestInterface)
{
    Sink sink;
    ASSERT_EQ(request->Attach(&sink, 0x00020002), S_OK);
    LONG value = 0;
    ASSERT_EQ(request->GetParam(QN3FillMeasure, -1, &value), S_OK);
    EXPECT_EQ(value, 2);
    request->SetParam(QN3PunchIn, -1, 2000);
    EXPECT_EQ(sink.ids(), (std::vector<LONG>{2, 1}));
    request->GetParam(QN3PunchOut, -1, &value);
    EXPECT_EQ(value, 2000);
    const HRESULT size = request->GetNoteName(38, nullptr, 0);
    ASSERT_GT(size, kNoteNameSizeCode + 1);
    char name[64] = {};
    ASSERT_EQ(request->GetNoteName(38, name, sizeof(name)), S_OK);
    EXPECT_EQ(static_cast<HRESULT>(strlen(name)) + 1, size - kNoteNameSizeCode);
    EXPECT_EQ(request->GetNoteName(38, name, 0), E_INVALIDARG);
    EXPECT_EQ(request->GetParam(QN3PunchOut, -1, nullptr), E_POINTER);
    filter->Disconnect();
    EXPECT_EQ(sink.detached, std::vector<DWORD>{0x00020002});
}

// ---------------------------------------------------------------------------
// Property page and warning

TEST(ModulePages, PropertyPageIsTitledAfterTheModule)
{
    IMfxEventFilter *filter = create<IMfxEventFilter>(CLSID_GrindelvosketMFX, IID_IMfxEventFilter);
    ASSERT_NE(filter, nullptr);
    ISpecifyPropertyPages *pages = query<ISpecifyPropertyPages>(filter, IID_ISpecifyPropertyPages);
    CAUUID ids{};
    ASSERT_EQ(pages->GetPages(&ids), S_OK);
    ASSERT_EQ(ids.cElems, 1u);
    EXPECT_TRUE(IsEqualCLSID(ids.pElems[0], CLSID_GrindelvosketPropertyPage));
    IPropertyPage *page = create<IPropertyPage>(ids.pElems[0], IID_IPropertyPage);
    CoTaskMemFree(ids.pElems);
    ASSERT_NE(page, nullptr);
    PROPPAGEINFO info{};
    ASSERT_EQ(page->GetPageInfo(&info), S_OK);
    EXPECT_EQ(std::wstring(info.pszTitle), L"Grindelvosket");
    CoTaskMemFree(info.pszTitle);
    IUnknown *objects[] = {filter};
    EXPECT_EQ(page->SetObjects(1, objects), S_OK);
    EXPECT_EQ(page->SetObjects(0, nullptr), S_OK);
    page->Release();
    pages->Release();
    EXPECT_EQ(filter->Release(), 0u);
}

// Answers the warning dialog from another thread as a user would: ticks
// "don't show again" and presses OK.
class WarningAnswerer {
public:
    WarningAnswerer() : thread_([this] { run(); }) {}
    ~WarningAnswerer()
    {
        stop_ = true;
        thread_.join();
    }

    std::atomic<int> seen{0};
    std::string caption;
    std::string text;

private:
    static BOOL CALLBACK find(HWND window, LPARAM found)
    {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId() && IsWindowVisible(window) && GetDlgItem(window, 5022)) {
            *reinterpret_cast<HWND *>(found) = window;
            return FALSE;
        }
        return TRUE;
    }
    void run()
    {
        while (!stop_) {
            HWND dialog = nullptr;
            EnumWindows(find, reinterpret_cast<LPARAM>(&dialog));
            if (dialog) {
                char buffer[512] = {};
                GetWindowTextA(dialog, buffer, sizeof(buffer));
                caption = buffer;
                GetDlgItemTextA(dialog, 5021, buffer, sizeof(buffer));
                text = buffer;
                SendMessageA(GetDlgItem(dialog, 5022), BM_CLICK, 0, 0);
                ++seen;
                PostMessageA(dialog, WM_COMMAND, IDOK, 0);
                Sleep(200);
            }
            Sleep(20);
        }
    }

    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST(ModulePages, OfflineWarningFromTheModulesOwnTemplateIsRemembered)
{
    HWND probe = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    // Without a display this cannot run: a failure, not a silent pass.
    ASSERT_NE(probe, nullptr) << "no display for windows (./test.sh starts one)";
    DestroyWindow(probe);

    const std::string warnings = "Software\\Quorvane\\Grindelvosket\\3\\Warnings";
    RegDeleteTreeA(HKEY_CURRENT_USER, warnings.c_str());
    Host host;
    host.offersRenderInfo = true;
    host.renderState = 1;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        WarningAnswerer answerer;
        IMfxEventFilter *filter = create<IMfxEventFilter>(CLSID_GrindelvosketMFX, IID_IMfxEventFilter);
        ASSERT_NE(filter, nullptr);
        EXPECT_EQ(filter->Connect(host.context()), S_OK);
        filter->Disconnect();
        filter->Release();
        if (round == 0) {
            EXPECT_EQ(answerer.seen, 1);
            EXPECT_EQ(answerer.caption, "Grindelvosket");
            EXPECT_NE(answerer.text.find("real-time"), std::string::npos) << answerer.text;
            DWORD stored = 7;
            DWORD size = sizeof(stored);
            EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, warnings.c_str(), "Offline", RRF_RT_REG_DWORD, nullptr,
                                   &stored, &size),
                      ERROR_SUCCESS);
            EXPECT_EQ(stored, 0u);
        } else {
            EXPECT_EQ(answerer.seen, 0) << "not shown again";
        }
    }
}

} // namespace
} // namespace grindel_test
