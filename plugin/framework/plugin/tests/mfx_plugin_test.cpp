#include "plugin/framework/plugin/mfx_plugin.h"

#include "plugin/framework/mfx/testing/host_window_cases.h"
#include "plugin/framework/plugin/plugin_ids.h"
#include "plugin/framework/plugin/tests/test_host.h"
#include "plugin/framework/plugin/tests/test_plugin.h"

#include <gtest/gtest.h>

#include <objbase.h>
#include <shlwapi.h>

#include <string>

using plugin_test::note;
using plugin_test::TestHost;
using plugin_test::TestPlugin;
using plugin_test::TestQueue;
using plugin_test::TestSink;
using Quorvane::MfxPlugin;

namespace {

class MfxPluginTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (plugin)
            plugin->Release();
    }
    // Drops the test's reference; the plug-in is gone afterwards.
    void releasePlugin()
    {
        plugin->Release();
        plugin = nullptr;
    }

    TestHost host;
    TestPlugin *plugin = TestPlugin::create();
};

// ---------------------------------------------------------------------------
// Identity

TEST_F(MfxPluginTest, AnswersEachInterfaceWithItsFace)
{
    struct Row {
        const char *name;
        GUID iid;
        void *face;
    };
    const Row rows[] = {
        {"identity", Quorvane::IID_MfxPluginIdentity, static_cast<IMfxEventFilter *>(plugin)},
        {"IMfxEventFilter", IID_IMfxEventFilter, static_cast<IMfxEventFilter *>(plugin)},
        {"IUnknown", IID_IUnknown, static_cast<IMfxEventFilter *>(plugin)},
        {"IMfxInputPort", IID_IMfxInputPort, static_cast<IMfxInputPort *>(plugin)},
        {"IPersistStream", IID_IPersistStream, static_cast<IPersistStream *>(plugin)},
        {"IPersist", IID_IPersist, static_cast<IPersistStream *>(plugin)},
        {"ISpecifyPropertyPages", IID_ISpecifyPropertyPages, static_cast<ISpecifyPropertyPages *>(plugin)},
    };
    for (const Row &row : rows) {
        void *face = nullptr;
        ASSERT_EQ(plugin->QueryInterface(row.iid, &face), S_OK) << row.name;
        EXPECT_EQ(face, row.face) << row.name;
        EXPECT_EQ(plugin->referenceCount(), 2) << row.name;
        // Every face leads back to the one object.
        IUnknown *back = nullptr;
        static_cast<IUnknown *>(face)->QueryInterface(IID_IUnknown, reinterpret_cast<void **>(&back));
        EXPECT_EQ(back, static_cast<IUnknown *>(static_cast<IMfxEventFilter *>(plugin))) << row.name;
        back->Release();
        static_cast<IUnknown *>(face)->Release();
    }

    void *face = reinterpret_cast<void *>(1);
    EXPECT_EQ(plugin->QueryInterface(IID_IPropertyPage, &face), E_NOINTERFACE);
    EXPECT_EQ(face, nullptr);
    EXPECT_EQ(plugin->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(plugin->referenceCount(), 1);
}

TEST_F(MfxPluginTest, ClassIdAndPropertyPage)
{
    CLSID id{};
    ASSERT_EQ(plugin->GetClassID(&id), S_OK);
    EXPECT_TRUE(IsEqualCLSID(id, plugin_test::CLSID_TestPlugin));
    EXPECT_EQ(plugin->GetClassID(nullptr), E_POINTER);

    CAUUID pages{};
    ASSERT_EQ(plugin->GetPages(&pages), S_OK);
    ASSERT_EQ(pages.cElems, 1u);
    EXPECT_TRUE(IsEqualGUID(pages.pElems[0], plugin_test::CLSID_TestPage));
    CoTaskMemFree(pages.pElems);
}

// ---------------------------------------------------------------------------
// Connect, Disconnect and the module's lists

TEST_F(MfxPluginTest, ConnectListsThePluginAndDisconnectLetsGoOfTheHost)
{
    ASSERT_EQ(plugin->Connect(host.context()), S_OK);
    EXPECT_TRUE(MfxPlugin::updater()->contains(plugin));
    EXPECT_EQ(host.references, 3) << "the time base and the meter map are held";

    EXPECT_EQ(plugin->Disconnect(), S_OK);
    EXPECT_FALSE(MfxPlugin::updater()->contains(plugin));
    EXPECT_EQ(host.references, 1);
    EXPECT_FALSE(plugin->isConnected());
    // Not listed any more: Disconnect only lets go of the host again.
    EXPECT_EQ(plugin->Disconnect(), S_OK);
    EXPECT_EQ(host.references, 1);
}

TEST_F(MfxPluginTest, ConnectRefusesAMissingContextOrRequiredInterface)
{
    const size_t listed = MfxPlugin::updater()->count();
    EXPECT_EQ(plugin->Connect(nullptr), E_POINTER);
    EXPECT_EQ(MfxPlugin::updater()->count(), listed);

    for (int missing = 0; missing < 2; ++missing) {
        host.offersTempo = missing != 0;
        host.offersMeter = missing == 0;
        EXPECT_EQ(plugin->Connect(host.context()), E_FAIL) << missing;
        EXPECT_FALSE(MfxPlugin::updater()->contains(plugin)) << missing;
        EXPECT_EQ(host.references, 1) << "the interface it did get is released again";
        EXPECT_TRUE(TestPlugin::liveList().empty());
        EXPECT_EQ(plugin->getHostNow(), -1);
    }
}

TEST_F(MfxPluginTest, RenderInfoSetsTheHostFlags)
{
    struct Row {
        bool offered;
        LONG state;
        uint32_t flags;
    };
    const Row rows[] = {
        {false, 0, 0},
        {true, 0, MfxPlugin::kHostOffersRenderInfo},
        {true, 1, MfxPlugin::kHostOffersRenderInfo | MfxPlugin::kHostRendersOffline},
        {true, 7, MfxPlugin::kHostOffersRenderInfo | MfxPlugin::kHostRendersOffline},
        {true, kMfxRenderStateUnknown, MfxPlugin::kHostOffersRenderInfo},
        {true, -3, MfxPlugin::kHostOffersRenderInfo},
    };
    for (const Row &row : rows) {
        host.offersRenderInfo = row.offered;
        host.renderState = row.state;
        ASSERT_EQ(plugin->Connect(host.context()), S_OK);
        EXPECT_EQ(plugin->hostFlags(), row.flags) << row.offered << " " << row.state;
        EXPECT_EQ(host.references, 3) << "the render information is released at once";
        plugin->Disconnect();
    }
}

TEST_F(MfxPluginTest, ASecondConnectDoesNotLeakOrListTwice)
{
    TestHost other;
    ASSERT_EQ(plugin->Connect(host.context()), S_OK);
    ASSERT_EQ(plugin->Connect(other.context()), S_OK);
    EXPECT_EQ(host.references, 1);
    EXPECT_EQ(other.references, 3);
    plugin->Disconnect();
    EXPECT_FALSE(MfxPlugin::updater()->contains(plugin));
    EXPECT_EQ(other.references, 1);
}

TEST_F(MfxPluginTest, ReleasedWithoutDisconnectLeavesNoPointerBehind)
{
    TestSink sink;
    TestPlugin *other = TestPlugin::create();
    ASSERT_EQ(plugin->Connect(host.context()), S_OK);
    ASSERT_EQ(other->Connect(host.context()), S_OK);
    plugin->attachRequester(&sink, 0x10001);
    other->attachRequester(&sink, 0x10002);

    TestPlugin *gone = plugin;
    releasePlugin();

    EXPECT_FALSE(MfxPlugin::updater()->contains(gone));
    EXPECT_EQ(TestPlugin::liveList(), std::vector<TestPlugin *>{other});
    EXPECT_FALSE(TestPlugin::chain().contains(gone));
    EXPECT_EQ(TestPlugin::chain().head(), other);
    EXPECT_EQ(sink.detached, std::vector<uint32_t>{0x10001});
    EXPECT_EQ(host.references, 3) << "only the other plug-in still holds the host";

    other->Release();
    EXPECT_EQ(host.references, 1);
    EXPECT_TRUE(TestPlugin::liveList().empty());
    EXPECT_EQ(TestPlugin::chain().head(), nullptr);
}

TEST_F(MfxPluginTest, TheLastPluginTakesTheUpdaterWithIt)
{
    ASSERT_EQ(MfxPlugin::instanceCount(), 1);
    MfxPlugin::PluginUpdater *first = MfxPlugin::updater();
    ASSERT_NE(first, nullptr);
    TestPlugin *second = TestPlugin::create();
    EXPECT_EQ(MfxPlugin::updater(), first);
    second->Release();
    EXPECT_EQ(MfxPlugin::updater(), first);

    releasePlugin();
    EXPECT_EQ(MfxPlugin::instanceCount(), 0);
    EXPECT_EQ(MfxPlugin::updater(), nullptr);
    EXPECT_EQ(Quorvane::com::liveObjectCount(), 0);

    plugin = TestPlugin::create();
    EXPECT_NE(MfxPlugin::updater(), nullptr);
}

// ---------------------------------------------------------------------------
// Processing windows

TEST_F(MfxPluginTest, HostWindowsBecomeClosedTickRanges)
{
    for (const mfx_testing::HostWindowCase &c : mfx_testing::hostWindowCases()) {
        TestPlugin *fresh = TestPlugin::create();
        for (const mfx_testing::HostStep &step : c.steps) {
            if (step.kind == mfx_testing::HostStep::Start)
                EXPECT_EQ(fresh->OnStart(step.from), S_OK);
            else if (step.kind == mfx_testing::HostStep::Stop)
                EXPECT_EQ(fresh->OnStop(step.from), S_OK);
            else
                EXPECT_EQ(fresh->OnEvents(step.from, step.thru, nullptr, nullptr), S_OK);
        }
        EXPECT_EQ(fresh->ranges, c.processed) << c.name;
        fresh->Release();
    }
}

TEST_F(MfxPluginTest, StartLoopAndStop)
{
    plugin->OnStart(0);
    plugin->OnEvents(0, 100, nullptr, nullptr);
    EXPECT_TRUE(plugin->isPlaying());
    plugin->OnLoop(50, 100);
    EXPECT_TRUE(plugin->isPlaying());
    EXPECT_EQ(plugin->lastStartTime(), 50);
    EXPECT_EQ(plugin->windowEnd(), MfxPlugin::kNoWindow);
    plugin->OnEvents(50, 100, nullptr, nullptr);
    plugin->OnStop(100);
    EXPECT_FALSE(plugin->isPlaying());
    EXPECT_EQ(plugin->windowEnd(), MfxPlugin::kNoWindow);
}

TEST_F(MfxPluginTest, ProcessingPassesWhatThePluginDoesNotConsume)
{
    TestQueue input({note(0, 36), note(5, TestPlugin::kConsumedNote), note(9, 38), note(12, 40)});
    input.unreadable = {2};
    TestQueue output;
    plugin->OnStart(0);
    plugin->OnEvents(0, 20, &input, &output);
    ASSERT_EQ(output.events.size(), 2u);
    EXPECT_EQ(output.events[0].note, 36);
    EXPECT_EQ(output.events[1].note, 40);

    TestQueue broken({note(0, 36)});
    broken.countFails = true;
    TestQueue nothing;
    plugin->OnEvents(21, 40, &broken, &nothing);
    EXPECT_TRUE(nothing.events.empty());
}

TEST_F(MfxPluginTest, LiveInputPassesWhatThePluginDoesNotTake)
{
    MfxEvent release = note(0, 42, 0);
    MfxEvent controller{};
    controller.kind = MfxController;
    controller.note = 7;
    TestQueue input({note(0, 36), release, controller});
    TestQueue output;
    EXPECT_EQ(plugin->OnInput(&input, &output), S_OK);
    ASSERT_EQ(plugin->triggers.size(), 1u);
    EXPECT_EQ(plugin->triggers[0].note, 36);
    ASSERT_EQ(output.events.size(), 2u);
    EXPECT_EQ(output.events[0].note, 42);
    EXPECT_EQ(output.events[1].kind, MfxController);
}

TEST_F(MfxPluginTest, InputCallbackGetsThePortFace)
{
    EXPECT_EQ(plugin->notifyInputCallback(nullptr), S_OK) << "nobody to tell";
    plugin_test::TestInputCallback callback;
    IMfxInputPort *port = nullptr;
    ASSERT_EQ(plugin->QueryInterface(IID_IMfxInputPort, reinterpret_cast<void **>(&port)), S_OK);
    EXPECT_EQ(port->SetInputCallback(&callback), S_OK);
    IMfxInputCallback *kept = nullptr;
    EXPECT_EQ(port->GetInputCallback(&kept), S_OK);
    EXPECT_EQ(kept, &callback);
    EXPECT_EQ(callback.references, 1) << "held without a reference";

    const MfxEvent preview = note(0, 38);
    EXPECT_EQ(plugin->notifyInputCallback(&preview), S_OK);
    ASSERT_EQ(callback.received.size(), 1u);
    EXPECT_EQ(callback.received[0].first, port);
    EXPECT_EQ(callback.received[0].second.note, 38);
    port->SetInputCallback(nullptr);
    port->Release();
}

// ---------------------------------------------------------------------------
// Persistence through real COM streams

IStream *newStream()
{
    IStream *stream = nullptr;
    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    return stream;
}

std::string streamBytes(IStream *stream)
{
    STATSTG stat{};
    stream->Stat(&stat, STATFLAG_NONAME);
    std::string bytes(static_cast<size_t>(stat.cbSize.QuadPart), '\0');
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ULONG read = 0;
    stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    return bytes;
}

std::string saved(IPersistStream *persist)
{
    IStream *stream = newStream();
    EXPECT_EQ(persist->Save(stream, TRUE), S_OK);
    std::string bytes = streamBytes(stream);
    stream->Release();
    return bytes;
}

IStream *streamOf(const std::string &bytes)
{
    IStream *stream = newStream();
    ULONG written = 0;
    stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    return stream;
}

TEST_F(MfxPluginTest, SavesAndLoadsByteForByte)
{
    plugin->name = "Brushes";
    plugin->tempo = 96;
    plugin->pads = {4, 8, 15, 16, 23, 42};
    IPersistStream *persist = plugin;
    const std::string bytes = saved(persist);

    ULARGE_INTEGER size{};
    ASSERT_EQ(persist->GetSizeMax(&size), S_OK);
    EXPECT_EQ(size.QuadPart, bytes.size());
    EXPECT_EQ(persist->IsDirty(), S_OK);

    TestPlugin *copy = TestPlugin::create();
    IStream *stream = streamOf(bytes + "next object");
    ASSERT_EQ(static_cast<IPersistStream *>(copy)->Load(stream), S_OK);
    EXPECT_EQ(copy->name, "Brushes");
    EXPECT_EQ(copy->pads, plugin->pads);
    EXPECT_EQ(saved(copy), bytes);
    // The plug-in read its own bytes only.
    ULARGE_INTEGER at{};
    stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &at);
    EXPECT_EQ(at.QuadPart, bytes.size());
    stream->Release();
    copy->Release();
}

TEST_F(MfxPluginTest, ADamagedStreamLeavesThePluginAsItWas)
{
    TestPlugin *source = TestPlugin::create();
    source->name = "Shuffle";
    source->pads = {9, 9, 9, 9};
    const std::string good = saved(source);
    source->Release();

    plugin->name = "Mine";
    plugin->pads = {1};
    const std::string before = saved(plugin);

    std::vector<std::string> damaged;
    for (size_t cut = 0; cut < good.size(); ++cut)
        damaged.push_back(good.substr(0, cut));
    std::string badCount = good;
    badCount[4 + 4 + 4 + 7 + 4] = 100; // pad count above the limit
    damaged.push_back(badCount);
    damaged.push_back("XPLG" + good.substr(4));

    for (const std::string &bytes : damaged) {
        IStream *stream = streamOf(bytes);
        EXPECT_EQ(static_cast<IPersistStream *>(plugin)->Load(stream), E_FAIL) << bytes.size();
        EXPECT_EQ(saved(plugin), before) << "after " << bytes.size() << " bytes";
        ULARGE_INTEGER at{};
        stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &at);
        EXPECT_EQ(at.QuadPart, 0u) << "the stream is put back";
        stream->Release();
    }
    EXPECT_EQ(plugin->name, "Mine");
}

TEST_F(MfxPluginTest, SaveReportsAStreamThatTakesNothing)
{
    // A read-only stream over a file refuses writes.
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    char path[MAX_PATH];
    GetTempFileNameA(folder, "mfx", 0, path);
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH);
    IStream *stream = nullptr;
    ASSERT_EQ(SHCreateStreamOnFileEx(wide, STGM_READ, FILE_ATTRIBUTE_NORMAL, FALSE, nullptr, &stream), S_OK);
    EXPECT_EQ(static_cast<IPersistStream *>(plugin)->Save(stream, TRUE), STG_E_CANTSAVE);
    stream->Release();
    DeleteFileA(path);

    EXPECT_EQ(static_cast<IPersistStream *>(plugin)->Load(nullptr), E_POINTER);
    EXPECT_EQ(static_cast<IPersistStream *>(plugin)->Save(nullptr, TRUE), E_POINTER);
    EXPECT_EQ(static_cast<IPersistStream *>(plugin)->GetSizeMax(nullptr), E_POINTER);
}

} // namespace
