// The integration with a recognised build, run against host data laid out
// in the stand-in host module's memory and located by a build row.
#include "plugin/framework/plugin/host_track_info.h"

#include "plugin/framework/plugin/host_integration.h"
#include "plugin/framework/plugin/tests/fake_host_windows.h"
#include "plugin/framework/plugin/tests/test_environment.h"
#include "plugin/framework/plugin/tests/test_host.h"
#include "plugin/framework/plugin/tests/test_plugin.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace Quorvane;
using plugin_test::FakeHostWindows;
using plugin_test::TestPlugin;

namespace {

// Field offsets of the fake host structures.
constexpr uintptr_t kAppManager = 0x10, kManagerTemplates = 0x08, kTemplateStrings = 0x18,
                    kTemplateDocuments = 0x20, kDocumentViews = 0x30, kViewWindow = 0x08,
                    kDocumentTrackCount = 0x40, kDocumentTrackTable = 0x48, kDocumentNow = 0x50,
                    kDocumentCurrentTrack = 0x54, kTrackFilters = 0x10, kTrackValues = 0x20,
                    kTrackList = 0x60;

// The track values as the fake host holds them (the 6th the port, the 7th
// the channel).
constexpr int32_t kTrack7Values[CHostTrackInfo::kValueCount] = {1,  1,  0, -2, 5, 2,   9,
                                                                33, 12, 1, 4,  0, 100, 70};

class HostTrackInfoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        module = LoadLibraryA("testhost.dll");
        ASSERT_TRUE(module);
        memory = reinterpret_cast<uintptr_t>(GetProcAddress(module, "testhost_memory"));
        ASSERT_TRUE(memory);
        memset(reinterpret_cast<void *>(memory), 0, 65536);
        ASSERT_TRUE(windows.main);
        song = windows.addMdiChild(&songView);
        other = windows.addMdiChild(nullptr);
        resetHostInfo();
    }

    void TearDown() override
    {
        setHostBuildTable(nullptr);
        resetHostInfo();
        FreeLibrary(module);
    }

    uintptr_t alloc(size_t size)
    {
        const uintptr_t at = memory + used;
        used += (size + 15) & ~size_t{15};
        return at;
    }
    static void put(uintptr_t at, uintptr_t value)
    {
        memcpy(reinterpret_cast<void *>(at), &value, sizeof(value));
    }
    static void put32(uintptr_t at, int32_t value)
    {
        memcpy(reinterpret_cast<void *>(at), &value, sizeof(value));
    }
    // A list of items: its head pointer goes to at.
    void list(uintptr_t at, std::initializer_list<uintptr_t> items)
    {
        uintptr_t previous = 0;
        for (uintptr_t item : items) {
            const uintptr_t node = alloc(3 * sizeof(void *));
            put(node + 2 * sizeof(void *), item);
            put(node + sizeof(void *), previous);
            if (previous)
                put(previous, node);
            else
                put(at, node);
            previous = node;
        }
    }
    uintptr_t text(const char *value)
    {
        const uintptr_t at = alloc(strlen(value) + 1);
        strcpy(reinterpret_cast<char *>(at), value);
        return at;
    }
    uint32_t rowAddress(uintptr_t address) const
    {
        return static_cast<uint32_t>(address - reinterpret_cast<uintptr_t>(module) + 0x400000);
    }
    template <typename T> T exported(const char *name)
    {
        return reinterpret_cast<T>(GetProcAddress(module, name));
    }

    // Lays out an application with two templates, a song document of two
    // tracks (3 and 7) and the plug-in on track 7 behind another filter;
    // then identifies the build.
    int buildHost(IMfxEventFilter *filter, int32_t level = 2)
    {
        const uintptr_t app = alloc(0x40), manager = alloc(0x40), otherTemplate = alloc(0x40);
        songTemplate = alloc(0x40);
        document = alloc(0x80);
        track3 = alloc(0x100);
        track7 = alloc(0x100);
        const uintptr_t view = alloc(0x20), activeDocument = alloc(8);
        put(app + kAppManager, manager);
        list(manager + kManagerTemplates, {otherTemplate, songTemplate});
        put(otherTemplate + kTemplateStrings, text("Text\nText\nText\nTexts\n.txt\nText.Document\nText"));
        put(songTemplate + kTemplateStrings,
            text("Song\nSong\nSong\nSongs\n.sng\nSequencerProjectFile\nSong file"));
        list(songTemplate + kTemplateDocuments, {document});
        list(document + kDocumentViews, {view});
        put(view + kViewWindow, reinterpret_cast<uintptr_t>(songView));
        put32(document + kDocumentTrackCount, 2);
        const uintptr_t tracks = alloc(4 * sizeof(void *));
        put(tracks, 3);
        put(tracks + sizeof(void *), track3);
        put(tracks + 2 * sizeof(void *), 7);
        put(tracks + 3 * sizeof(void *), track7);
        put(document + kDocumentTrackTable, tracks);
        put32(document + kDocumentNow, 1920);
        put32(document + kDocumentCurrentTrack, 7);
        const uintptr_t someFilter = alloc(16);
        list(track3 + kTrackFilters, {someFilter});
        list(track7 + kTrackFilters, {someFilter, reinterpret_cast<uintptr_t>(filter)});
        for (int i = 0; i < CHostTrackInfo::kValueCount; ++i)
            put32(track7 + kTrackValues + 4 * i, kTrack7Values[i]);
        for (int i = 0; i < CHostTrackInfo::kListCount; ++i)
            put32(track7 + kTrackList + 4 * i, 100 + i);
        put(activeDocument, document);
        activeDocumentVariable = activeDocument;

        HostBuildRow r{};
        strcpy(r.programFile, "testhost.dll");
        strcpy(r.fileVersion, "10.0.2.235");
        memcpy(r.documentType, "SequencerProjectFile", 20);
        r.level = level;
        r.preferredBase = 0x400000;
        r.values[HostAppObject] = rowAddress(app);
        r.values[HostActiveDocument] = rowAddress(activeDocument);
        r.values[HostSetNowRoutine] = rowAddress(exported<uintptr_t>("testhost_setNow"));
        r.values[HostSendShortRoutine] = rowAddress(exported<uintptr_t>("testhost_sendShort"));
        r.values[AppDocumentManager] = kAppManager;
        r.values[ManagerTemplates] = kManagerTemplates;
        r.values[TemplateDocStrings] = kTemplateStrings;
        r.values[TemplateDocuments] = kTemplateDocuments;
        r.values[DocumentViews] = kDocumentViews;
        r.values[ViewWindow] = kViewWindow;
        r.values[DocumentTrackCount] = kDocumentTrackCount;
        r.values[DocumentTrackTable] = kDocumentTrackTable;
        r.values[TrackFilters] = kTrackFilters;
        r.values[DocumentNow] = kDocumentNow;
        r.values[DocumentCurrentTrack] = kDocumentCurrentTrack;
        for (int i = 0; i < CHostTrackInfo::kValueCount; ++i)
            r.values[TrackFirstValue + i] = static_cast<uint32_t>(kTrackValues + 4 * i);
        r.values[TrackListValues] = kTrackList;
        table[0] = r;
        table[1] = HostBuildRow{};
        setHostBuildTable(table);
        return identifyHostBuild();
    }

    HMODULE module = nullptr;
    uintptr_t memory = 0;
    size_t used = 0;
    FakeHostWindows windows;
    HWND song = nullptr, songView = nullptr, other = nullptr;
    uintptr_t songTemplate = 0, document = 0, track3 = 0, track7 = 0, activeDocumentVariable = 0;
    HostBuildRow table[2];
    plugin_test::TestHost context;
};

TEST_F(HostTrackInfoTest, ARecognisedBuildIsActive)
{
    TestPlugin *plugin = TestPlugin::create();
    ASSERT_EQ(buildHost(plugin), 0);
    EXPECT_TRUE(isHostIntegrationActive());
    EXPECT_EQ(hostInfo().docTemplate, songTemplate);
    EXPECT_TRUE(getHostLevelAtLeast2());
    EXPECT_EQ(getHostActiveDocument(), document);
    EXPECT_EQ(getHostCurrentTrack(), 7);
    EXPECT_EQ(getHostNowTicks(), 1920);
    plugin->Release();
}

TEST_F(HostTrackInfoTest, AttachFindsThePluginsTrack)
{
    TestPlugin *plugin = TestPlugin::create();
    ASSERT_EQ(buildHost(plugin), 0);
    CHostTrackInfo info;
    EXPECT_EQ(info.outputChannel(), -1) << "defaults before attaching";
    EXPECT_EQ(info.volume(), 127);
    EXPECT_EQ(info.pan(), 64);
    ASSERT_TRUE(info.attach(plugin));
    EXPECT_EQ(info.document(), document);
    EXPECT_EQ(info.track(), track7);
    EXPECT_EQ(info.trackNumber(), 7);
    EXPECT_EQ(info.filterIndex(), 1);
    const int32_t read[] = {info.liveInput(),      info.armed(),      info.muted(),         info.keyOffset(),
                            info.velocityOffset(), info.outputPort(), info.outputChannel(), info.patch(),
                            info.timeOffset(),     info.inputPort(),  info.inputChannel(),  info.bank(),
                            info.volume(),         info.pan()};
    for (int i = 0; i < CHostTrackInfo::kValueCount; ++i)
        EXPECT_EQ(read[i], kTrack7Values[i]) << "value " << i;
    EXPECT_EQ(info.listValue(0), 100);
    EXPECT_EQ(info.listValue(15), 115);
    EXPECT_EQ(info.listValue(16), 0);
    EXPECT_EQ(info.hostNow(), 1920);

    // Live while the host has an active document, cached without one.
    put32(track7 + kTrackValues + 4 * 6, 3);
    EXPECT_EQ(info.outputChannel(), 3);
    put(activeDocumentVariable, 0);
    put32(track7 + kTrackValues + 4 * 6, 4);
    EXPECT_EQ(info.outputChannel(), 9) << "the value cached at attach";
    info.refresh(false);
    EXPECT_EQ(info.outputChannel(), 4);

    TestPlugin *stranger = TestPlugin::create();
    EXPECT_FALSE(info.attach(stranger));
    EXPECT_FALSE(info.attached());
    info.refresh(true);
    EXPECT_EQ(info.outputChannel(), -1);
    EXPECT_EQ(info.trackNumber(), -1);
    EXPECT_EQ(info.hostNow(), 0) << "no track";
    stranger->Release();
    plugin->Release();
}

TEST_F(HostTrackInfoTest, HostRoutinesAreCalledWithDocumentAndTrack)
{
    TestPlugin *plugin = TestPlugin::create();
    ASSERT_EQ(buildHost(plugin), 0);
    CHostTrackInfo info;
    ASSERT_TRUE(info.attach(plugin));
    ASSERT_TRUE(info.canSetHostNow());
    info.setHostNow(480);
    EXPECT_EQ(*exported<int32_t *>("testhost_lastNow"), 480);
    EXPECT_EQ(*exported<void **>("testhost_lastDocument"), reinterpret_cast<void *>(document));
    info.sendShortMessage(0x7F2499);
    EXPECT_EQ(*exported<uint32_t *>("testhost_lastMessage"), 0x7F2499u);
    EXPECT_EQ(*exported<void **>("testhost_lastTrack"), reinterpret_cast<void *>(track7));
    plugin->Release();
}

TEST_F(HostTrackInfoTest, TheViewIsActiveWhenItsMdiChildIsOnTop)
{
    TestPlugin *plugin = TestPlugin::create();
    ASSERT_EQ(buildHost(plugin), 0);
    ASSERT_EQ(plugin->Connect(context.context()), S_OK);
    MfxPlugin::updater()->tick();
    SetWindowPos(song, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(getActiveMdiChild(), song);
    EXPECT_TRUE(plugin->isHostViewActive());
    SetWindowPos(other, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(getActiveMdiChild(), other);
    EXPECT_FALSE(plugin->isHostViewActive());
    plugin->Release();
}

TEST_F(HostTrackInfoTest, TheUpdaterTellsEachConnectedPluginItsChannelAndPort)
{
    TestPlugin *plugin = TestPlugin::create();
    TestPlugin *loose = TestPlugin::create();
    ASSERT_EQ(buildHost(plugin), 0);
    ASSERT_EQ(plugin->Connect(context.context()), S_OK);
    ASSERT_EQ(loose->Connect(context.context()), S_OK);
    MfxPlugin::updater()->tick();
    EXPECT_EQ(plugin->trackInfos, (std::vector<std::pair<int32_t, int32_t>>{{9, 2}}));
    EXPECT_EQ(loose->trackInfos, (std::vector<std::pair<int32_t, int32_t>>{{-1, -1}})) << "on no track";
    EXPECT_EQ(plugin->getHostNow(), 1920) << "the host's time through the track";
    loose->Disconnect();
    MfxPlugin::updater()->tick();
    EXPECT_EQ(loose->trackInfos.size(), 1u) << "only connected plug-ins";
    EXPECT_EQ(plugin->trackInfos.size(), 2u);
    loose->Release();
    plugin->Release();
}

TEST_F(HostTrackInfoTest, HostTrackTest)
{
    TestPlugin *plugin = TestPlugin::create();
    ASSERT_EQ(buildHost(plugin), 0);
    ASSERT_EQ(plugin->Connect(context.context()), S_OK);
    EXPECT_TRUE(plugin->isCurrentHostTrack(7, 0));
    EXPECT_FALSE(plugin->isCurrentHostTrack(7, 3)) << "input events waiting";
    EXPECT_FALSE(plugin->isCurrentHostTrack(3, 0));
    put32(track7 + kTrackValues, 0);
    EXPECT_FALSE(plugin->isCurrentHostTrack(7, 0)) << "the track does not play live input";
    plugin->Release();

    resetHostInfo();
    TestPlugin *older = TestPlugin::create();
    used = 0;
    ASSERT_EQ(buildHost(older, 1), 0);
    EXPECT_FALSE(older->isCurrentHostTrack(7, 0)) << "host level below 2";
    older->Release();
}

TEST_F(HostTrackInfoTest, ACircularHostListEnds)
{
    TestPlugin *plugin = TestPlugin::create();
    ASSERT_EQ(buildHost(plugin), 0);
    // Track 7's filter list loops back to its first node.
    uintptr_t first = 0;
    memcpy(&first, reinterpret_cast<void *>(track7 + kTrackFilters), sizeof(first));
    TestPlugin *stranger = TestPlugin::create();
    const uintptr_t loop = alloc(3 * sizeof(void *));
    put(loop, first);
    put(loop + 2 * sizeof(void *), 0x1234);
    uintptr_t second = 0;
    memcpy(&second, reinterpret_cast<void *>(first), sizeof(second));
    put(second, loop);
    CHostTrackInfo info;
    EXPECT_FALSE(info.attach(stranger));
    stranger->Release();
    plugin->Release();
}

} // namespace
