#include "bridge/asp/settings_page.h"

#include "bridge/asp/channel_client.h"
#include "bridge/asp/halvorin_provider.h"
#include "bridge/asp/shared_channels.h"
#include "bridge/asp/tests/test_environment.h"
#include "testing/screenshot.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstring>
#include <string>

using namespace Halvorin;
using namespace halvorin_test;
using Quorvane::ASPSETTINGS;
using Quorvane::kAspFloat;

namespace {

// A program's dialog that the page is embedded in, and the provider whose
// page it is.
class SettingsPageTest : public ChannelTest {
protected:
    void SetUp() override
    {
        ChannelTest::SetUp();
        OleInitialize(nullptr);
        host = CreateWindowExA(0, "#32770", "Audio streaming", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 40,
                               40, 340, 180, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(host, nullptr);
    }
    void TearDown() override
    {
        provider->Release();
        if (IsWindow(host))
            DestroyWindow(host);
        OleUninitialize();
        ChannelTest::TearDown();
    }
    ASPSETTINGS settings(int channel, int rate, int frames, uint16_t format = kAspFloat)
    {
        ASPSETTINGS record = {};
        record.channel = channel;
        record.sampleRate = rate;
        record.sampleFormat = format;
        record.bufferFrames = frames;
        // The host's handle as a 32-bit caller stores it, at offset 28.
        const uint32_t window = uint32_t(uintptr_t(host));
        std::memcpy(reinterpret_cast<uint8_t *>(&record) + 28, &window, sizeof window);
        return record;
    }
    HWND page() { return FindWindowExA(host, nullptr, "#32770", nullptr); }
    HWND control(int id) { return GetDlgItem(page(), id); }
    std::string text(int id)
    {
        char buffer[64] = {};
        GetWindowTextA(control(id), buffer, sizeof buffer);
        return buffer;
    }
    std::string selected(int id)
    {
        char buffer[64] = {};
        const LRESULT at = SendMessageA(control(id), CB_GETCURSEL, 0, 0);
        if (at != CB_ERR)
            SendMessageA(control(id), CB_GETLBTEXT, at, reinterpret_cast<LPARAM>(buffer));
        return buffer;
    }
    // GetSettings into a record whose every byte was 0xCC.
    int read(ASPSETTINGS &out)
    {
        std::memset(&out, 0xCC, sizeof out);
        return provider->GetSettings(&out);
    }
    void pump()
    {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }

    HWND host = nullptr;
    CHalvorinProvider *provider = new CHalvorinProvider;
};

TEST_F(SettingsPageTest, ThePageShowsTheSettingsItWasGiven)
{
    ASPSETTINGS given = settings(2, 48000, 1024);
    ASSERT_EQ(provider->ShowSettings(&given), 1);
    ASSERT_NE(page(), nullptr);
    EXPECT_EQ(GetParent(page()), host);
    EXPECT_TRUE(IsWindowVisible(page()));
    EXPECT_EQ(SendMessageA(control(kChannelList), CB_GETCOUNT, 0, 0), 4);
    EXPECT_EQ(selected(kChannelList), "Halvorin channel 3");
    EXPECT_EQ(SendMessageA(control(kRateList), CB_GETCOUNT, 0, 0), 6);
    EXPECT_EQ(selected(kRateList), "48000");
    EXPECT_EQ(text(kFormatText), "32-FLOAT");
    EXPECT_EQ(text(kBufferSizeText), "1024");
    EXPECT_EQ(text(kPreferredButton), "Prefered");
    pump();
    testing_support::writeWindowPicture(host, "asp_halvorin_settings_page");

    ASPSETTINGS out;
    ASSERT_EQ(read(out), 1);
    const auto *bytes = reinterpret_cast<const uint8_t *>(&out);
    const uint8_t expected[40] = {
        0x02, 0, 0, 0, 0x80, 0xBB, 0, 0, 0x20, 0x80, 0, 0, 0, 0, 0, 0, 0x00, 0x04, 0, 0,
        0,    0, 0, 0, 0,    0,    0, 0, 0,    0,    0, 0, 0, 0, 0, 0, 0,    0,    0, 0,
    };
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(bytes[i], expected[i]) << "byte " << i;
}

TEST_F(SettingsPageTest, ShowingTwiceShowsOnePage)
{
    ASPSETTINGS given = settings(0, 44100, 256);
    ASSERT_EQ(provider->ShowSettings(&given), 1);
    HWND first = page();
    ASPSETTINGS other = settings(3, 96000, 64);
    EXPECT_EQ(provider->ShowSettings(&other), 1);
    EXPECT_EQ(FindWindowExA(host, first, "#32770", nullptr), nullptr) << "one page";
    EXPECT_EQ(selected(kChannelList), "Halvorin channel 1") << "the page kept its values";
    EXPECT_EQ(provider->CloseSettings(), 1);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(provider->CloseSettings(), 0);
    ASPSETTINGS out;
    EXPECT_EQ(read(out), 0) << "no page";
}

TEST_F(SettingsPageTest, ValuesOutsideTheListsAreNotChosen)
{
    ASPSETTINGS given = settings(1, 12345, 300);
    ASSERT_EQ(provider->ShowSettings(&given), 1);
    EXPECT_EQ(selected(kRateList), "");
    EXPECT_EQ(text(kBufferSizeText), "512") << "a size outside the table leaves 512";
    ASPSETTINGS out;
    EXPECT_EQ(read(out), 0) << "no rate chosen";
    EXPECT_EQ(out.channel, 1);
}

TEST_F(SettingsPageTest, AnUnsetFormatTakesTheHostsValuesAtOnce)
{
    ASSERT_EQ(HalvorinRequest(-1, kOpClaim, nullptr), 0);
    int rate = 96000, frames = 700;
    HalvorinRequest(0, kOpSampleRate, &rate);
    HalvorinRequest(0, kOpBlockSize, &frames);
    ASPSETTINGS given = settings(0, 44100, 2048, 0);
    ASSERT_EQ(provider->ShowSettings(&given), 1);
    EXPECT_EQ(selected(kRateList), "96000");
    EXPECT_EQ(text(kBufferSizeText), "512");
    EXPECT_TRUE(shownBoxes.empty());
}

TEST_F(SettingsPageTest, PreferredWithoutAHostWarnsAndTakesTheDefaults)
{
    ASPSETTINGS given = settings(3, 96000, 2048);
    ASSERT_EQ(provider->ShowSettings(&given), 1);
    SendMessageA(control(kPreferredButton), BM_CLICK, 0, 0);
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].text, "Halvorin Plug-in was not started.\nThis is default values.");
    EXPECT_EQ(shownBoxes[0].caption, "Halvorin");
    EXPECT_EQ(shownBoxes[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONWARNING));
    EXPECT_EQ(selected(kRateList), "44100");
    EXPECT_EQ(text(kBufferSizeText), "256");
}

TEST_F(SettingsPageTest, ChoosingAChannelTakesItsHostsValues)
{
    ASSERT_EQ(HalvorinRequest(-1, kOpClaim, nullptr), 0);
    ASSERT_EQ(HalvorinRequest(-1, kOpClaim, nullptr), 1);
    int rate = 32000, frames = 96;
    HalvorinRequest(1, kOpSampleRate, &rate);
    HalvorinRequest(1, kOpBlockSize, &frames);
    ASPSETTINGS given = settings(0, 44100, 1024);
    ASSERT_EQ(provider->ShowSettings(&given), 1);
    SendMessageA(control(kChannelList), CB_SETCURSEL, 1, 0);
    SendMessageA(page(), WM_COMMAND, MAKEWPARAM(kChannelList, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(control(kChannelList)));
    EXPECT_EQ(selected(kRateList), "32000");
    EXPECT_EQ(text(kBufferSizeText), "64");
    EXPECT_TRUE(shownBoxes.empty());
    ASPSETTINGS out;
    ASSERT_EQ(read(out), 1);
    EXPECT_EQ(out.channel, 1);
    EXPECT_EQ(out.sampleRate, 32000);
    EXPECT_EQ(out.bufferFrames, 64);
}

TEST_F(SettingsPageTest, TheNumberFollowsTheTrackBarUntilTheEndOfTracking)
{
    ASPSETTINGS given = settings(0, 44100, 256);
    ASSERT_EQ(provider->ShowSettings(&given), 1);
    HWND bar = control(kBufferSizeBar);
    SendMessageA(bar, TBM_SETPOS, TRUE, 5);
    SendMessageA(page(), WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 5), reinterpret_cast<LPARAM>(bar));
    EXPECT_EQ(text(kBufferSizeText), "2048");
    SendMessageA(bar, TBM_SETPOS, TRUE, 0);
    SendMessageA(page(), WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(bar));
    EXPECT_EQ(text(kBufferSizeText), "2048") << "the end of tracking changes nothing";
    SendMessageA(page(), WM_HSCROLL, MAKEWPARAM(TB_LINEUP, 0), reinterpret_cast<LPARAM>(bar));
    EXPECT_EQ(text(kBufferSizeText), "64");
}

TEST_F(SettingsPageTest, EnterAndEscapeDoNotCloseThePage)
{
    ASPSETTINGS given = settings(0, 44100, 256);
    ASSERT_EQ(provider->ShowSettings(&given), 1);
    HWND shown = page();
    SendMessageA(shown, WM_COMMAND, IDOK, 0);
    SendMessageA(shown, WM_COMMAND, IDCANCEL, 0);
    pump();
    EXPECT_TRUE(IsWindow(shown));
}

TEST_F(SettingsPageTest, APageDestroyedWithItsDialogIsForgotten)
{
    ASPSETTINGS given = settings(0, 44100, 256);
    ASSERT_EQ(provider->ShowSettings(&given), 1);
    DestroyWindow(host);
    ASPSETTINGS out;
    EXPECT_EQ(read(out), 0);
    EXPECT_EQ(provider->CloseSettings(), 1);
}

TEST_F(SettingsPageTest, WithoutAParentNoPageIsMade)
{
    ASPSETTINGS given = settings(0, 44100, 256);
    given.parentWindow = 0;
    EXPECT_EQ(provider->ShowSettings(&given), 0);
    EXPECT_EQ(provider->CloseSettings(), 0);
}

} // namespace
