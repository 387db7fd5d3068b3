#include "app/options/audio_stream_dialog.h"

#include "app/options/option_dialog_ids.h"
#include "app/options/tests/dialog_answer.h"
#include "testing/sandbox.h"
#include "testing/screenshot.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Quorvane;
using rallimoth_test::DialogAnswer;
using rallimoth_test::press;

namespace {

std::string besideTheTest(const char *name)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\') + 1) + name;
}

// Three registered providers: the test's own, the bridge's and another
// test provider, in that order of registration.
class AudioStreamTest : public testing::Test {
protected:
    void SetUp() override
    {
        CoInitialize(nullptr);
        ASSERT_TRUE(machine.active());
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Quorvane\\AudioStreamProviders", 0, nullptr,
                                  0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        const std::string module = besideTheTest("test_stream_provider.dll");
        for (const char *name : {"Test Stream", "HALVORIN", "Other Stream"})
            RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(module.c_str()),
                           static_cast<DWORD>(module.size() + 1));
        RegCloseKey(key);
        probe = LoadLibraryA(module.c_str());
        ASSERT_NE(probe, nullptr);
        openPages =
            reinterpret_cast<long (*)()>(reinterpret_cast<void (*)()>(GetProcAddress(probe, "OpenPages")));
        ASSERT_NE(openPages, nullptr);
    }
    void TearDown() override
    {
        if (probe)
            FreeLibrary(probe);
        CoUninitialize();
    }

    // The registered index of a listed name.
    long indexOf(const std::string &name)
    {
        for (const StreamProviderEntry &e : ListedStreamProviders())
            if (e.name == name)
                return e.index;
        return -1;
    }

    testing_support::LocalMachineOverride machine;
    HMODULE probe = nullptr;
    long (*openPages)() = nullptr;
};

std::vector<std::string> listed(HWND dialog)
{
    std::vector<std::string> names;
    HWND list = GetDlgItem(dialog, IDC_STREAM_LIST);
    const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[128] = {};
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        names.push_back(text);
    }
    return names;
}

// The test provider's page: the edit field inside the placeholder.
HWND pageField(HWND dialog)
{
    return FindWindowExA(GetDlgItem(dialog, IDC_STREAM_PAGE), nullptr, "EDIT", nullptr);
}

} // namespace

TEST_F(AudioStreamTest, TheBridgesOwnProviderIsNeverListed)
{
    const std::vector<StreamProviderEntry> entries = ListedStreamProviders();
    ASSERT_EQ(entries.size(), 2u);
    for (const StreamProviderEntry &e : entries)
        EXPECT_NE(e.name, "HALVORIN");
}

TEST_F(AudioStreamTest, TheCurrentProvidersPageShowsItsSettingsAndOkReadsThemBack)
{
    StreamSettings settings;
    settings.provider = indexOf("Other Stream");
    settings.port = 3;
    settings.sampleRate = 44100;
    settings.bitsPerSample = 16;
    settings.bufferFrames = 512;
    std::vector<std::string> names;
    std::string shownPort;
    long pagesOpen = -1;
    DialogAnswer answer(IDC_STREAM_LIST, [&](HWND dialog) {
        names = listed(dialog);
        char text[16] = {};
        GetWindowTextA(pageField(dialog), text, sizeof(text));
        shownPort = text;
        pagesOpen = openPages();
        SetWindowTextA(pageField(dialog), "5");
        testing_support::writeWindowPicture(dialog, "rallimoth_audio_stream_dialog");
        press(dialog, IDOK);
    });
    ASSERT_TRUE(RunAudioStreamDialog(nullptr, settings));
    ASSERT_TRUE(answer.answered());
    EXPECT_EQ(names.size(), 2u);
    EXPECT_EQ(shownPort, "3");
    EXPECT_EQ(pagesOpen, 1);
    EXPECT_EQ(openPages(), 0);
    EXPECT_EQ(settings.provider, indexOf("Other Stream"));
    EXPECT_EQ(settings.port, 5);
    EXPECT_EQ(settings.sampleRate, 48000);
    EXPECT_EQ(settings.bitsPerSample, 24);
    EXPECT_EQ(settings.bufferFrames, 256);
}

TEST_F(AudioStreamTest, AnotherProviderStartsWithoutPortAndTheOldPageCloses)
{
    StreamSettings settings;
    settings.provider = indexOf("Other Stream");
    settings.port = 7;
    std::string shownPort;
    long pagesOpen = -1;
    DialogAnswer answer(IDC_STREAM_LIST, [&](HWND dialog) {
        HWND list = GetDlgItem(dialog, IDC_STREAM_LIST);
        const LRESULT item = SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                          reinterpret_cast<LPARAM>("Test Stream"));
        SendMessageA(list, LB_SETCURSEL, item, 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_STREAM_LIST, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list));
        char text[16] = {};
        GetWindowTextA(pageField(dialog), text, sizeof(text));
        shownPort = text;
        pagesOpen = openPages();
        press(dialog, IDCANCEL);
    });
    const StreamSettings before = settings;
    EXPECT_FALSE(RunAudioStreamDialog(nullptr, settings));
    EXPECT_EQ(shownPort, "0");
    EXPECT_EQ(pagesOpen, 1);
    EXPECT_EQ(openPages(), 0);
    EXPECT_EQ(settings.provider, before.provider);
    EXPECT_EQ(settings.port, 7);
}
