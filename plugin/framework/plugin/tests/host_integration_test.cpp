#include "plugin/framework/plugin/host_integration.h"

#include "base/message_box.h"
#include "plugin/framework/plugin/tests/fake_host_windows.h"
#include "plugin/framework/plugin/tests/test_environment.h"
#include "plugin/framework/plugin/tests/test_host.h"
#include "plugin/framework/plugin/tests/test_plugin.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <string>
#include <vector>

using namespace Quorvane;
using plugin_test::FakeHostWindows;

namespace {

TEST(HostPosition, TextIsMeasureBeatTick)
{
    struct Row {
        const char *text;
        bool ok;
        int32_t measure, beat, tick;
    };
    const Row rows[] = {
        {"3:2:120", true, 3, 2, 120}, {"   12:04:000", true, 12, 4, 0},    {"1 : 1 : 5 ", true, 1, 1, 5},
        {"1:1", false, 0, 0, 0},      {"1:1:1:1", false, 0, 0, 0},         {"", false, 0, 0, 0},
        {"::", false, 0, 0, 0},       {"a:1:0", false, 0, 0, 0},           {"1:-1:0", false, 0, 0, 0},
        {"1:1:0x10", false, 0, 0, 0}, {"99999999999:1:0", false, 0, 0, 0},
    };
    for (const Row &row : rows) {
        int32_t m = -7, b = -7, t = -7;
        EXPECT_EQ(parseHostPosition(row.text, &m, &b, &t), row.ok) << '"' << row.text << '"';
        if (row.ok) {
            EXPECT_EQ(m, row.measure) << row.text;
            EXPECT_EQ(b, row.beat) << row.text;
            EXPECT_EQ(t, row.tick) << row.text;
        } else {
            EXPECT_EQ(m, -7) << "nothing written for " << row.text;
        }
    }
}

class HostWindowsTest : public ::testing::Test {
protected:
    void SetUp() override { resetHostInfo(); }
    void TearDown() override { resetHostInfo(); }

    int32_t position()
    {
        int32_t m = 0, b = 0, t = 0;
        if (!readHostPosition(&m, &b, &t))
            return -1;
        return m * 10000 + b * 1000 + t;
    }
};

TEST_F(HostWindowsTest, FindsTheHostWindowsByClassAndTitle)
{
    for (auto kind : {FakeHostWindows::Position::Floating, FakeHostWindows::Position::Docked}) {
        FakeHostWindows host(kind);
        ASSERT_TRUE(host.main) << "windows need a display";
        const HostWindows &found = findHostWindows();
        EXPECT_EQ(found.main, host.main);
        EXPECT_EQ(found.mdiClient, host.mdiClient);
        EXPECT_EQ(found.statusBar, host.statusBar);
        EXPECT_EQ(found.transportDisplay, host.transportDisplay);
        EXPECT_EQ(found.positionDisplay, host.positionDisplay);
        EXPECT_EQ(getHostMainWindow(), host.main);
    }
}

TEST_F(HostWindowsTest, NoMainWindowNoHost)
{
    HWND lone = plugin_test::makeWindow("PluginTestLone", "Transport", WS_OVERLAPPEDWINDOW, nullptr);
    const HostWindows &found = findHostWindows();
    EXPECT_EQ(found.main, nullptr);
    EXPECT_EQ(found.transportDisplay, nullptr);
    EXPECT_EQ(position(), -1);
    DestroyWindow(lone);
}

TEST_F(HostWindowsTest, ReadsThePositionToolbarBeforeTheTransport)
{
    FakeHostWindows host;
    ASSERT_TRUE(host.main);
    SetWindowTextA(host.positionDisplay, "5:3:010");
    SetWindowTextA(host.transportDisplay, "2:1:000");
    findHostWindows();
    EXPECT_EQ(position(), 53010);

    // The toolbar closed: the Transport's display stands in.
    DestroyWindow(host.positionFrame);
    host.positionFrame = nullptr;
    EXPECT_EQ(position(), 21000);

    SetWindowTextA(host.transportDisplay, "2-1-000");
    EXPECT_EQ(position(), -1);
    SetWindowTextA(host.transportDisplay, "");
    EXPECT_EQ(position(), -1);
}

TEST_F(HostWindowsTest, ADisplayOpenedLaterIsFound)
{
    FakeHostWindows host(FakeHostWindows::Position::None, false);
    ASSERT_TRUE(host.main);
    findHostWindows();
    EXPECT_EQ(position(), -1);

    HWND frame = plugin_test::makeWindow("PluginTestFloatFrame", "Transport", WS_POPUP, host.main);
    HWND bar = plugin_test::makeWindow("AfxControlBar42", "", WS_CHILD, frame);
    HWND dialog = plugin_test::makeWindow("#32770", "", WS_CHILD, bar);
    plugin_test::makeWindow("CC:FakeEdit", "7:2:240", WS_CHILD, dialog);
    EXPECT_EQ(position(), 72240);
}

TEST_F(HostWindowsTest, ADisplayOfAnotherThreadIsReadWithoutWaitingForIt)
{
    FakeHostWindows host;
    ASSERT_TRUE(host.main);
    SetWindowTextA(host.positionDisplay, "4:4:100");
    findHostWindows();
    // This thread does not pump messages while the other one reads.
    int32_t read = -2;
    std::thread other([&] {
        int32_t m = 0, b = 0, t = 0;
        read = readHostPosition(&m, &b, &t) ? m * 10000 + b * 1000 + t : -1;
    });
    const DWORD begin = GetTickCount();
    other.join();
    EXPECT_LT(GetTickCount() - begin, 2000u);
    EXPECT_EQ(read, 44100);
}

TEST_F(HostWindowsTest, PluginReadsTheHostTimeFromTheDisplay)
{
    FakeHostWindows host;
    ASSERT_TRUE(host.main);
    SetWindowTextA(host.positionDisplay, "3:2:120");
    plugin_test::TestHost context;
    plugin_test::TestPlugin *plugin = plugin_test::TestPlugin::create();
    EXPECT_EQ(plugin->getHostNow(), -1) << "not connected";
    ASSERT_EQ(plugin->Connect(context.context()), S_OK);
    EXPECT_EQ(plugin->getHostNow(), ((3 - 1) * 4 + 1) * 480 + 120);
    context.numerator = 3;
    EXPECT_EQ(plugin->getHostNow(), ((3 - 1) * 3 + 1) * 480 + 120);
    SetWindowTextA(host.positionDisplay, "3:2");
    EXPECT_EQ(plugin->getHostNow(), -1);
    plugin->Disconnect();
    SetWindowTextA(host.positionDisplay, "3:2:120");
    EXPECT_EQ(plugin->getHostNow(), -1) << "no host after Disconnect";
    plugin->Release();
}

TEST_F(HostWindowsTest, CommandsArePostedToTheMainWindow)
{
    FakeHostWindows host;
    ASSERT_TRUE(host.main);
    findHostWindows();
    postHostCommand32797();
    postHostCommand32797Twice();
    postHostCommand32798();
    std::vector<WPARAM> posted;
    MSG message;
    while (PeekMessageA(&message, host.main, WM_COMMAND, WM_COMMAND, PM_REMOVE)) {
        EXPECT_EQ(message.lParam, 0);
        posted.push_back(message.wParam);
    }
    EXPECT_EQ(posted, (std::vector<WPARAM>{0x1801D, 0x1801D, 0x1801D, 0x1801E}));
}

// ---------------------------------------------------------------------------
// Recognising the build

class HostBuildTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        module = LoadLibraryA("testhost.dll");
        ASSERT_TRUE(module) << "testhost.dll beside the test program";
        resetHostInfo();
        setSwitch(1);
    }
    void TearDown() override
    {
        setHostBuildTable(nullptr);
        resetHostInfo();
        setMessageBoxHook(plugin_test::unexpectedMessageBox());
        RegDeleteKeyValueA(HKEY_CURRENT_USER, (plugin_test::settingsPath() + "\\Undocumented").c_str(),
                           "HostIntegration");
        FreeLibrary(module);
    }

    static void setSwitch(DWORD on)
    {
        RegSetKeyValueA(HKEY_CURRENT_USER, (plugin_test::settingsPath() + "\\Undocumented").c_str(),
                        "HostIntegration", REG_DWORD, &on, sizeof(on));
    }

    static HostBuildRow row(const char *program, const char *version, int32_t language = 0, int32_t level = 2)
    {
        HostBuildRow r{};
        strncpy(r.programFile, program, sizeof(r.programFile));
        strncpy(r.fileVersion, version, sizeof(r.fileVersion));
        memcpy(r.documentType, "SequencerProjectFile", 20); // fills the field, no zero
        r.language = language;
        r.level = level;
        r.preferredBase = 0x400000;
        return r;
    }

    // Identifies with the table and answers the message box.
    int identify(std::vector<HostBuildRow> rows)
    {
        rows.push_back(HostBuildRow{});
        table = rows;
        setHostBuildTable(table.data());
        setMessageBoxHook([this](HWND, const char *text, const char *caption, UINT) {
            boxes.push_back(std::string(caption) + ": " + text);
            return IDOK;
        });
        return identifyHostBuild();
    }

    HMODULE module = nullptr;
    std::vector<HostBuildRow> table;
    std::vector<std::string> boxes;
};

TEST_F(HostBuildTest, AKnownBuildWithoutItsDocumentTemplateIsReportedOnce)
{
    EXPECT_EQ(identify({row("testhost.dll", "10.0.2.235")}), 1);
    EXPECT_FALSE(isHostIntegrationActive());
    EXPECT_EQ(hostInfo().rowIndex, -1);
    EXPECT_EQ(boxes, std::vector<std::string>{"Quorvane Host Integration: Can't find DocTemplate"});
    EXPECT_EQ(identify({row("testhost.dll", "10.0.2.235")}), 1);
    EXPECT_EQ(boxes.size(), 1u) << "one box per module, not one per plug-in";
}

TEST_F(HostBuildTest, TheSwitchTurnsRecognitionOffButNotTheWindowSearch)
{
    FakeHostWindows host;
    ASSERT_TRUE(host.main);
    setSwitch(0);
    EXPECT_EQ(identify({row("testhost.dll", "10.0.2.235")}), -1);
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(hostIntegrationSwitchedOn());
    EXPECT_EQ(hostInfo().windows.main, host.main);
    EXPECT_EQ(hostInfo().windows.positionDisplay, host.positionDisplay);

    setSwitch(1);
    EXPECT_TRUE(hostIntegrationSwitchedOn());
    EXPECT_EQ(identify({row("testhost.dll", "10.0.2.235")}), 1);
}

TEST_F(HostBuildTest, RowsMatchByProgramVersionAndLanguage)
{
    struct Case {
        const char *name;
        std::vector<HostBuildRow> rows;
        int result;
    };
    const Case cases[] = {
        {"empty table", {}, -1},
        {"program not loaded", {row("seqnone.exe", "10.0.2.235")}, -1},
        {"other version", {row("testhost.dll", "10.0.2.236")}, -1},
        {"other language", {row("testhost.dll", "10.0.2.235", 0x407)}, -1},
        {"language given", {row("testhost.dll", "10.0.2.235", 1033)}, 1},
        {"second row matches",
         {row("testhost.dll", "10.0.2.235", 0x411), row("testhost.dll", "10.0.2.235", 0x409)},
         1},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(identify(c.rows), c.result) << c.name;
        EXPECT_FALSE(isHostIntegrationActive()) << c.name;
    }
}

TEST_F(HostBuildTest, AddressesMoveWithTheProgramOffsetsDoNot)
{
    HostBuildRow r = row("testhost.dll", "10.0.2.235");
    r.values[HostAppObject] = 0x401000;
    r.values[HostSetNowRoutine] = 0x402345;
    r.values[AppDocumentManager] = 0x40;
    r.values[DocumentNow] = 0x1234;
    identify({r});
    const uintptr_t base = reinterpret_cast<uintptr_t>(module);
    EXPECT_EQ(hostInfo().values[HostAppObject], base + 0x1000);
    EXPECT_EQ(hostInfo().values[HostSetNowRoutine], base + 0x2345);
    EXPECT_EQ(hostInfo().values[HostActiveDocument], 0u) << "absent stays absent";
    EXPECT_EQ(hostInfo().values[AppDocumentManager], 0x40u);
    EXPECT_EQ(hostInfo().values[DocumentNow], 0x1234u);
}

TEST(HostBuildTable, TheBuiltInTableIsEndedAndRecognisesNothingHere)
{
    const HostBuildRow *rows = builtInHostBuilds();
    int count = 0;
    while (rows[count].fileVersion[0])
        ++count;
    EXPECT_LE(count, 31);
    EXPECT_EQ(hostBuildTable(), rows);
    resetHostInfo();
    EXPECT_EQ(identifyHostBuild(), -1);
    EXPECT_FALSE(isHostIntegrationActive());
    EXPECT_EQ(getHostNowTicks(), -1);
    EXPECT_EQ(getHostCurrentTrack(), -1);
    EXPECT_FALSE(getHostLevelAtLeast2());
}

} // namespace
