// The provider's settings page inside a program's dialog: with the devices
// the test gives it, and through the provider module with the system's own
// (none here).
#include "outside/directsound/settings_page.h"

#include "testing/screenshot.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

using Quorvane::ASPSETTINGS;
using Quorvane::kAspFloat;

namespace {

class SettingsPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        OleInitialize(nullptr);
        host = CreateWindowExA(0, "#32770", "Audio streaming", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 40,
                               40, 320, 130, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(host, nullptr);
    }
    void TearDown() override
    {
        page.reset();
        if (IsWindow(host))
            DestroyWindow(host);
        OleUninitialize();
    }
    ASPSETTINGS settings(int port, int rate, uint16_t format, int frames)
    {
        ASPSETTINGS record = {};
        record.channel = port;
        record.sampleRate = rate;
        record.sampleFormat = format;
        record.bufferFrames = frames;
        // The host's handle as a 32-bit caller stores it, at offset 28.
        const uint32_t window = uint32_t(uintptr_t(host));
        std::memcpy(reinterpret_cast<uint8_t *>(&record) + 28, &window, sizeof window);
        return record;
    }
    HWND pageWindow() { return FindWindowExA(host, nullptr, "#32770", nullptr); }
    HWND control(int id) { return GetDlgItem(pageWindow(), id); }
    std::string selected(int id)
    {
        char buffer[128] = {};
        const LRESULT at = SendMessageA(control(id), CB_GETCURSEL, 0, 0);
        if (at != CB_ERR)
            SendMessageA(control(id), CB_GETLBTEXT, at, reinterpret_cast<LPARAM>(buffer));
        return buffer;
    }
    std::vector<std::string> entries(int id)
    {
        std::vector<std::string> texts;
        const LRESULT count = SendMessageA(control(id), CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            char buffer[128] = {};
            SendMessageA(control(id), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buffer));
            texts.push_back(buffer);
        }
        return texts;
    }
    void choose(int id, const char *text)
    {
        const LRESULT at =
            SendMessageA(control(id), CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(text));
        ASSERT_NE(at, CB_ERR) << text;
        SendMessageA(control(id), CB_SETCURSEL, at, 0);
    }
    void pump()
    {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    // Read into a record whose every byte was 0xCC.
    int read(ASPSETTINGS &out)
    {
        std::memset(&out, 0xCC, sizeof out);
        return page->Read(out);
    }

    HWND host = nullptr;
    std::unique_ptr<DirectSoundSettingsPage> page;
    const std::vector<std::string> devices = {kPrimaryDevice, "Speakers (Test Card)",
                                              "Headphones (Test Card)"};
};

TEST_F(SettingsPageTest, ThePageShowsTheDevicesAndTheSettingsItWasGiven)
{
    page.reset(DirectSoundSettingsPage::Create(settings(2, 48000, 24, 1024), devices));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(GetParent(pageWindow()), host);
    EXPECT_TRUE(IsWindowVisible(pageWindow()));
    EXPECT_EQ(entries(kDeviceList), devices) << "the system's default first, then by port";
    EXPECT_EQ(selected(kDeviceList), "Headphones (Test Card)");
    EXPECT_TRUE(IsWindowVisible(control(kDeviceList)));
    EXPECT_FALSE(IsWindowVisible(control(kNoDeviceText)));
    EXPECT_EQ(entries(kRateList),
              (std::vector<std::string>{"22050", "32000", "44100", "48000", "88200", "96000"}));
    EXPECT_EQ(selected(kRateList), "48000");
    EXPECT_EQ(entries(kFormatList), (std::vector<std::string>{"16", "24", "32", "32-FLOAT"}));
    EXPECT_EQ(selected(kFormatList), "24");
    EXPECT_EQ(selected(kBufferList), "1024");
    pump();
    testing_support::writeWindowPicture(host, "directsound_settings_page");

    ASPSETTINGS out;
    ASSERT_EQ(read(out), 1);
    const uint8_t expected[40] = {
        0x02, 0, 0, 0, 0x80, 0xBB, 0, 0, 24, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x04, 0, 0,
        0,    0, 0, 0, 0,    0,    0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 0,    0,    0, 0,
    };
    const auto *bytes = reinterpret_cast<const uint8_t *>(&out);
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(bytes[i], expected[i]) << "byte " << i;

    choose(kDeviceList, kPrimaryDevice);
    choose(kRateList, "96000");
    choose(kFormatList, "32-FLOAT");
    choose(kBufferList, "64");
    ASSERT_EQ(read(out), 1);
    EXPECT_EQ(out.channel, 0);
    EXPECT_EQ(out.sampleRate, 96000);
    EXPECT_EQ(out.sampleFormat, kAspFloat);
    EXPECT_EQ(out.bufferFrames, 64);
}

// A record never set (format 0, as the first-time set-up gives it) or with
// values the lists lack takes the defaults; a port past the devices (one
// unplugged) the system's default.
TEST_F(SettingsPageTest, ValuesOutsideTheListsTakeTheDefaults)
{
    page.reset(DirectSoundSettingsPage::Create(settings(7, 12345, 0, 300), devices));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(selected(kDeviceList), kPrimaryDevice);
    EXPECT_EQ(selected(kRateList), "44100");
    EXPECT_EQ(selected(kFormatList), "16");
    EXPECT_EQ(selected(kBufferList), "512");
    ASPSETTINGS out;
    ASSERT_EQ(read(out), 1);
    EXPECT_EQ(out.channel, 0);
    EXPECT_EQ(out.sampleRate, 44100);
    EXPECT_EQ(out.sampleFormat, 16);
    EXPECT_EQ(out.bufferFrames, 512);
}

TEST_F(SettingsPageTest, WithoutADeviceThePageSaysSoAndKeepsTheRest)
{
    page.reset(DirectSoundSettingsPage::Create(settings(1, 32000, 32, 256), {}));
    ASSERT_NE(page, nullptr);
    EXPECT_FALSE(IsWindowVisible(control(kDeviceList)));
    EXPECT_FALSE(IsWindowVisible(control(kDeviceLabel)));
    ASSERT_TRUE(IsWindowVisible(control(kNoDeviceText)));
    char text[128] = {};
    GetWindowTextA(control(kNoDeviceText), text, sizeof text);
    EXPECT_STREQ(text, "No sound device was found: the program plays without sound.");
    pump();
    testing_support::writeWindowPicture(host, "directsound_settings_page_no_device");
    ASPSETTINGS out;
    ASSERT_EQ(read(out), 1);
    EXPECT_EQ(out.channel, 0);
    EXPECT_EQ(out.sampleRate, 32000);
    EXPECT_EQ(out.sampleFormat, 32);
    EXPECT_EQ(out.bufferFrames, 256);
}

TEST_F(SettingsPageTest, EnterAndEscapeDoNotCloseThePageAndItsDialogTakesItAlong)
{
    page.reset(DirectSoundSettingsPage::Create(settings(0, 44100, 16, 512), devices));
    ASSERT_NE(page, nullptr);
    HWND shown = pageWindow();
    SendMessageA(shown, WM_COMMAND, IDOK, 0);
    SendMessageA(shown, WM_COMMAND, IDCANCEL, 0);
    pump();
    EXPECT_TRUE(IsWindow(shown));
    DestroyWindow(host);
    EXPECT_EQ(page->Window(), nullptr);
    ASPSETTINGS out;
    EXPECT_EQ(read(out), 0);
}

// The provider module as a program's dialog drives it, with the system's
// own devices: there are none on this machine.
class ProviderPageTest : public SettingsPageTest {
protected:
    void SetUp() override
    {
        SettingsPageTest::SetUp();
        char path[MAX_PATH];
        const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
        std::string folder(path, length);
        folder.erase(folder.find_last_of('\\') + 1);
        module = LoadLibraryA((folder + "TembriDirectSound.dll").c_str());
        ASSERT_NE(module, nullptr);
        auto get = reinterpret_cast<Quorvane::GetASPInterfaceProc>(
            reinterpret_cast<void (*)()>(GetProcAddress(module, "GetASPInterface")));
        ASSERT_NE(get, nullptr);
        provider = get();
        ASSERT_NE(provider, nullptr);
    }
    void TearDown() override
    {
        if (provider)
            provider->Release();
        SettingsPageTest::TearDown();
        if (module)
            FreeLibrary(module);
    }
    HMODULE module = nullptr;
    Quorvane::IAudioStreamProvider *provider = nullptr;
};

TEST_F(ProviderPageTest, ShowGetAndCloseThroughTheProvider)
{
    ASSERT_EQ(waveOutGetNumDevs(), 0u) << "this test expects a machine without a sound device";
    EXPECT_TRUE(OutputDevices().empty());
    ASPSETTINGS given = settings(0, 88200, kAspFloat, 2048);
    ASSERT_EQ(provider->ShowSettings(&given), 1);
    HWND first = pageWindow();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(IsWindowVisible(control(kNoDeviceText)));
    ASPSETTINGS other = settings(0, 22050, 16, 64);
    EXPECT_EQ(provider->ShowSettings(&other), 1);
    EXPECT_EQ(FindWindowExA(host, first, "#32770", nullptr), nullptr) << "one page";
    ASPSETTINGS out = {};
    ASSERT_EQ(provider->GetSettings(&out), 1);
    EXPECT_EQ(out.sampleRate, 88200) << "the page kept its values";
    EXPECT_EQ(out.sampleFormat, kAspFloat);
    EXPECT_EQ(out.bufferFrames, 2048);
    EXPECT_EQ(provider->CloseSettings(), 1);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(provider->CloseSettings(), 0);
    EXPECT_EQ(provider->GetSettings(&out), 0) << "no page";
    ASPSETTINGS orphan = settings(0, 44100, 16, 512);
    orphan.parentWindow = 0;
    EXPECT_EQ(provider->ShowSettings(&orphan), 0) << "no page without a parent";
}

} // namespace
