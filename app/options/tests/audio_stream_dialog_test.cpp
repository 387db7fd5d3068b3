#include "app/options/audio_stream_dialog.h"

#include "app/options/option_dialog_ids.h"
#include "app/options/tests/dialog_answer.h"
#include "outside/directsound/directsound_capture.h"
#include "outside/directsound/settings_page.h"
#include "sound/sound_mngr.h"
#include "testing/sandbox.h"
#include "testing/screenshot.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
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

// The sound-card provider's own page in the dialog (this machine has no
// sound device, and the page says so): what the user chooses there comes
// back, goes into the I/O parameters, and the engine opens the provider
// with it, as its capture shows.
TEST_F(AudioStreamTest, TheSoundCardProvidersChoiceStartsTheEngine)
{
    const std::string module = besideTheTest("TembriDirectSound.dll");
    HKEY key = nullptr;
    ASSERT_EQ(
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Quorvane\\AudioStreamProviders", 0, KEY_SET_VALUE, &key),
        ERROR_SUCCESS);
    RegSetValueExA(key, "DirectSound", 0, REG_SZ, reinterpret_cast<const BYTE *>(module.c_str()),
                   static_cast<DWORD>(module.size() + 1));
    RegCloseKey(key);
    IOPARAMS params;
    params.asp = indexOf("DirectSound");
    ASSERT_GE(params.asp, 0);
    StreamSettings settings = StreamSettingsOf(params);
    std::string noDevice;
    DialogAnswer answer(IDC_STREAM_LIST, [&](HWND dialog) {
        HWND page = FindWindowExA(GetDlgItem(dialog, IDC_STREAM_PAGE), nullptr, "#32770", nullptr);
        ASSERT_NE(page, nullptr);
        char text[128] = {};
        if (IsWindowVisible(GetDlgItem(page, kNoDeviceText)))
            GetDlgItemTextA(page, kNoDeviceText, text, sizeof text);
        noDevice = text;
        const auto choose = [page](int id, const char *entry) {
            HWND list = GetDlgItem(page, id);
            SendMessageA(list, CB_SETCURSEL,
                         SendMessageA(list, CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(entry)),
                         0);
        };
        choose(kRateList, "48000");
        choose(kFormatList, "24");
        choose(kBufferList, "1024");
        testing_support::writeWindowPicture(dialog, "rallimoth_audio_stream_dialog_directsound");
        press(dialog, IDOK);
    });
    ASSERT_TRUE(RunAudioStreamDialog(nullptr, settings));
    ASSERT_TRUE(answer.answered());
    EXPECT_EQ(noDevice, "No sound device was found: the program plays without sound.");
    EXPECT_EQ(settings.provider, params.asp);
    EXPECT_EQ(settings.port, 0);
    EXPECT_EQ(settings.sampleRate, 48000);
    EXPECT_EQ(settings.bitsPerSample, 24);
    EXPECT_EQ(settings.bufferFrames, 1024);

    ApplyStreamSettings(settings, params);
    testing_support::TempFolder folder;
    const std::string wave = folder.file("stream.wav");
    HMODULE provider = LoadLibraryA(module.c_str());
    ASSERT_NE(provider, nullptr);
    auto setCapture = reinterpret_cast<DirectSoundSetCaptureProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(provider, "DirectSoundSetCapture")));
    ASSERT_NE(setCapture, nullptr);
    HANDLE finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DSCAPTURE capture = {1, 2, wave.c_str(), nullptr, nullptr, finished};
    ASSERT_EQ(setCapture(&capture), 1);
    IQuorvaneSoundMngr *manager = TindrelGetSoundMngrInterface("tests");
    ASSERT_NE(manager, nullptr);
    ASSERT_EQ(manager->Init(&params), 1);
    ASSERT_EQ(manager->EngineStart(), 1);
    EXPECT_EQ(WaitForSingleObject(finished, 20000), WAIT_OBJECT_0);
    manager->Release();
    setCapture(nullptr);
    FreeLibrary(provider);
    CloseHandle(finished);

    std::ifstream file(wave, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                     std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 44u + 2 * 1024 * 6) << "two buffers of 1024 frames of 24-bit stereo";
    const auto word = [&](size_t at) {
        return uint32_t(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24);
    };
    EXPECT_EQ(word(24), 48000u) << "the sample rate";
    EXPECT_EQ(bytes[34], 24) << "bits per sample";
}
