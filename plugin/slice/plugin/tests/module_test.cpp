// Vostrapellin.dll as hosts and the program meet it: registered by its own
// entry points, created by class id through COM, driven by the shared fake
// host in windows of every size (against this program's own copy of the
// drummer), persisted through real streams. The module reads the starter
// library beside it in dist/. Its settings go to a private key:
// HKEY_CURRENT_USER is mapped there for the whole program. Registration
// writes machine-wide keys, so this program never runs beside another that
// registers the module.
#include "base/registry.h"
#include "plugin/fill/engine/tests/window_marker.h"
#include "plugin/framework/plugin/qn3_request.h"
#include "plugin/fill/plugin/tests/module_fixture.h"
#include "plugin/fill/plugin/tests/test_host.h"
#include "plugin/framework/mfx/testing/mfx_test_host.h"
#include "plugin/slice/engine/slice_module.h"
#include "plugin/slice/plugin/vostrapellin_ids.h"
#include "plugin/slice/plugin/vostrapellin_mfx.h"
#include "testing/com_streams.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <ole2.h>

#include <algorithm>

namespace {

using namespace Quorvane;
using namespace Quorvane::LoopSlice;
using grindel_test::distFolder;
using grindel_test::EventKey;
using grindel_test::keyOf;
using grindel_test::load;
using grindel_test::query;
using mfx_testing::noteEvent;
using Queue = mfx_testing::EventQueue;

std::string vostrapellinPath()
{
    return distFolder() + "\\Vostrapellin.dll";
}

[[maybe_unused]] ::testing::Environment *const environment =
    grindel_test::addModuleEnvironment("VostrapellinReference", SliceModule::setDataFolder, vostrapellinPath);

template <typename Interface> Interface *create(REFIID iid)
{
    return grindel_test::create<Interface>(CLSID_VostrapellinMFX, iid);
}

// This program's own copy of the drummer, holding one reference.
class Reference {
public:
    Reference() : object_(new VostrapellinMFX()) { object_->AddRef(); }
    ~Reference() { object_->Release(); }
    Reference(const Reference &) = delete;
    Reference &operator=(const Reference &) = delete;

    VostrapellinMFX *operator->() const { return object_; }
    IPersistStream *persist() const { return object_; }
    IMfxEventFilter *filter() const { return object_; }

private:
    VostrapellinMFX *object_;
};

const grindel_test::ServedClasses kClasses{
    "CLSID\\{12685FD8-4060-592B-A817-B5BE3370C134}", "Quorvane Vostrapellin",
    "CLSID\\{45175193-BE20-54DA-BB04-D765D61D41F4}", "Quorvane Vostrapellin Property Page"};

TEST(ModuleRegistration, EntryPointsRegisterAndUnregisterBothClasses)
{
    grindel_test::checkEntryPoints(CLSID_VostrapellinMFX, kClasses);
}

TEST(ModuleClassObjects, FactoriesForTheTwoClassesOnly)
{
    grindel_test::checkNoFactoryFor(IID_IQN3Request);
    const auto get = grindel_test::classObjectEntry();
    ASSERT_NE(get, nullptr);
    IClassFactory *page = nullptr;
    ASSERT_EQ(get(CLSID_VostrapellinPropertyPage, IID_IClassFactory, reinterpret_cast<void **>(&page)), S_OK);
    IUnknown *outer = reinterpret_cast<IUnknown *>(page);
    IClassFactory *drummers = nullptr;
    ASSERT_EQ(get(CLSID_VostrapellinMFX, IID_IClassFactory, reinterpret_cast<void **>(&drummers)), S_OK);
    void *aggregated = reinterpret_cast<void *>(1);
    EXPECT_EQ(drummers->CreateInstance(outer, IID_IUnknown, &aggregated), CLASS_E_NOAGGREGATION);
    drummers->Release();
    page->Release();
}

constexpr int32_t kSongEnd = 9000;

class HostedDrummer : public ::testing::Test {
protected:
    void SetUp() override
    {
        filter = create<IMfxEventFilter>(IID_IMfxEventFilter);
        ASSERT_NE(filter, nullptr);
        persist = query<IPersistStream>(filter, IID_IPersistStream);
        request = query<IQN3Request>(filter, IID_IQN3Request);
        ASSERT_EQ(filter->Connect(host.context()), S_OK);

        // The state is made by this program's drummer and handed over as the
        // host would: through the drummer's stream.
        ASSERT_EQ(reference->Connect(referenceHost.context()), S_OK);
        reference->setSwingPc(30, false);
        reference->setQuantize(true);
        reference->setOutputChannel(5);
        reference->setTriggerEnabled(true);
        for (int layer = 0; layer < 3; ++layer)
            reference->slice(layer).setMute(false, false);
        reference->selectPad(1, false);
        reference->setVolume("8 Shuffle");
        reference->slice(kKick).setParam(Looper::TimeOffset, 40);
        reference->selectPad(0, false);
        reference->slice(kSnare).setParam(Looper::KeyOffset, 2);
        state = testing_support::savedBytes(reference.persist());
        ASSERT_FALSE(state.empty());
        ASSERT_EQ(load(persist, state), S_OK);
        const uint8_t low = static_cast<uint8_t>(reference->triggerLow());
        input = {noteEvent(2100, low + 1, 100), noteEvent(3000, 60, 50), noteEvent(6000, low, 90)};
    }
    void TearDown() override
    {
        reference->Disconnect();
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

    std::vector<EventKey> play(IMfxEventFilter *drummer, int32_t block)
    {
        std::vector<EventKey> played;
        EXPECT_EQ(drummer->OnStart(0), S_OK);
        for (int32_t from = 0; from <= kSongEnd; from += block) {
            const int32_t thru = std::min(kSongEnd, from + block - 1);
            Queue in;
            for (const MfxEvent &e : input)
                if (e.time >= from && e.time <= thru)
                    in.events.push_back(e);
            Queue out;
            EXPECT_EQ(drummer->OnEvents(from, thru, &in, &out), S_OK);
            for (const MfxEvent &e : engine_test::withoutMarkers(out.events))
                played.push_back(keyOf(e));
        }
        std::sort(played.begin(), played.end());
        return played;
    }

    mfx_testing::HostContext host{480};
    mfx_testing::HostContext referenceHost{480};
    Reference reference;
    IMfxEventFilter *filter = nullptr;
    IPersistStream *persist = nullptr;
    IQN3Request *request = nullptr;
    std::string state;
    std::vector<MfxEvent> input;
};

TEST_F(HostedDrummer, PlaysTheSlicesAsThisProgramsDrummerDoesInWindowsOfEverySize)
{
    ASSERT_EQ(load(reference.persist(), state), S_OK);
    const std::vector<EventKey> expected = play(reference.filter(), kSongEnd + 1);
    EXPECT_GT(expected.size(), 40u);
    for (const int32_t block : {5000, 960, 7, 1}) {
        SCOPED_TRACE(block);
        // It starts from the stored state again: the triggers moved pads.
        ASSERT_EQ(load(persist, state), S_OK);
        EXPECT_TRUE(play(filter, block) == expected);
    }
    // The input that is no trigger passed; the triggers did not.
    EXPECT_TRUE(std::binary_search(expected.begin(), expected.end(), keyOf(input[1])));
    EXPECT_FALSE(std::binary_search(expected.begin(), expected.end(), keyOf(input[0])));
}

TEST_F(HostedDrummer, StateThroughRealStreamsAndASecondInstanceCopiesTheLiveOne)
{
    const std::string saved = testing_support::savedBytes(persist);
    ULARGE_INTEGER size{};
    ASSERT_EQ(persist->GetSizeMax(&size), S_OK);
    EXPECT_EQ(size.QuadPart, saved.size());

    // Connecting while this one lives, a new drummer starts as its copy.
    IMfxEventFilter *second = create<IMfxEventFilter>(IID_IMfxEventFilter);
    mfx_testing::HostContext secondHost(480);
    ASSERT_EQ(second->Connect(secondHost.context()), S_OK);
    IPersistStream *secondPersist = query<IPersistStream>(second, IID_IPersistStream);
    EXPECT_EQ(testing_support::savedBytes(secondPersist), saved);

    EXPECT_TRUE(FAILED(load(secondPersist, saved.substr(0, saved.size() - 7))));
    EXPECT_EQ(testing_support::savedBytes(secondPersist), saved) << "a damaged stream changes nothing";
    secondPersist->Release();
    second->Disconnect();
    EXPECT_EQ(second->Release(), 0u);
}

TEST_F(HostedDrummer, TheProgramReadsTheVelocityDynamics)
{
    grindel_test::Sink sink;
    ASSERT_EQ(request->Attach(&sink, 0x00050000), S_OK);
    for (LONG id : {6, 7, 9})
        EXPECT_EQ(request->SetParam(id, -1, 20 + id), S_OK);
    LONG value = -1;
    for (LONG id = 0; id <= 9; ++id) {
        ASSERT_EQ(request->GetParam(id, -1, &value), S_OK);
        const LONG want = id == 7 ? 27 + 8192 : id == 9 ? 29 : 0;
        if (id != 6) {
            EXPECT_EQ(value, want) << id;
        }
    }
    EXPECT_EQ(request->GetParam(6, -1, nullptr), E_POINTER);
    // The output gain the program sets is kept within -8191..8191, read
    // back as gain + 8192, whatever it asks for.
    const struct {
        LONG set, kept;
    } gains[] = {{20000, 16383}, {8192, 16383}, {8191, 16383}, {0, 8192},
                 {-8191, 1},     {-8192, 1},    {-20000, 1}};
    for (const auto &gain : gains) {
        EXPECT_EQ(request->SetParam(QN3Gain, -1, gain.set), S_OK);
        ASSERT_EQ(request->GetParam(QN3Gain, -1, &value), S_OK);
        EXPECT_EQ(value, gain.kept) << gain.set;
    }
    char name[32];
    EXPECT_EQ(request->GetNoteName(36, name, 0), E_INVALIDARG);
    filter->Disconnect();
    EXPECT_EQ(sink.detached, std::vector<DWORD>{0x00050000});
}

} // namespace
