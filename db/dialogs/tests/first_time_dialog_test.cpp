// The first-time set-up dialog driven as a user drives it, over a database
// of its own, with stream providers and modules registered for the test
// program alone.
#include "db/dialogs/first_time_dialog.h"

#include "base/message_box.h"
#include "db/dialogs/dialog_ids.h"
#include "db/dialogs/tests/dialog_driver.h"
#include "db/equipment/items.h"
#include "db/equipment/tembri_db.h"
#include "outside/directsound/settings_page.h"
#include "sound/asp_registry.h"
#include "sound/audio_stream_provider.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shlobj.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace Quorvane;
using namespace dialogs_test;

namespace {

constexpr const char *kCaption = "Equipment DataBase";
// The program's mask: VST instruments, DXi, DLS and MIDI ports.
constexpr uint32_t kProgramMask = 30;

void setValue(const char *key, const char *name, const std::string &data)
{
    HKEY opened;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened, nullptr),
        ERROR_SUCCESS);
    RegSetValueExA(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(data.c_str()),
                   DWORD(data.size() + 1));
    RegCloseKey(opened);
}

long providerIndex(const std::string &wanted)
{
    for (long i = 0, n = SndGetNumASP(); i < n; ++i) {
        char name[kAspNameSize] = {};
        if (SndGetASPProductName(i, name) && wanted == name)
            return i;
    }
    return -1;
}

std::vector<std::string> portNames(CTembriDB &db, long kind)
{
    std::vector<std::string> names;
    ITembriPort *ports = db.GetITembriPort(kind, 1);
    if (!ports)
        return names;
    uint32_t id;
    long descriptorKind;
    char *name;
    for (SDBNOTE *n = ports->GetNext(nullptr, id, descriptorKind, name, nullptr, nullptr); n;
         n = ports->GetNext(n, id, descriptorKind, name, nullptr, nullptr)) {
        names.push_back(name ? name : "");
        std::free(name);
    }
    ports->Release();
    return names;
}

std::vector<std::string> listItems(HWND dialog, int id)
{
    std::vector<std::string> items;
    const LRESULT n = SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        char text[128] = {};
        SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

std::string selectedItem(HWND dialog, int id)
{
    const LRESULT item = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
    if (item == CB_ERR)
        return "<none>";
    char text[128] = {};
    SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, WPARAM(item), reinterpret_cast<LPARAM>(text));
    return text;
}

// The test provider's edit field inside the page area, if a page is shown.
HWND rateField(HWND dialog)
{
    return GetDlgItem(GetDlgItem(dialog, IDC_FIRST_PROVIDER_PAGE), 100);
}

class FirstTimeDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoInitialize(nullptr);
        provider = LoadLibraryA("stavrund_test_provider.dll");
        ASSERT_NE(provider, nullptr);
        lastShown = reinterpret_cast<int (*)(ASPSETTINGS *)>(
            reinterpret_cast<void *>(GetProcAddress(provider, "TestProviderLastShown")));
        char path[MAX_PATH];
        GetModuleFileNameA(provider, path, MAX_PATH);
        const char *providers = "Software\\Quorvane\\AudioStreamProviders";
        setValue(providers, "Halvorin", path);
        setValue(providers, "Test Provider", path);
        setValue(providers, "Missing Provider", folder.file("missing.dll"));
        setValue("Software\\Quorvane\\SoftSynth", "Synth One", "C:\\synth1.dll");
        setValue("Software\\Quorvane\\SoftSynth", "Synth Two", "C:\\synth2.dll");
        setValue("Software\\Quorvane\\MIDIEffect", "Arpeggio", "C:\\arp.zql");
        long result = 0;
        db = std::make_unique<CTembriDB>(folder.file("Test.prs").c_str(), 0x10000u, result);
        ASSERT_EQ(result, 2);
    }
    void TearDown() override
    {
        db.reset();
        FreeLibrary(provider);
        CoUninitialize();
    }

    // Stores parameters before the dialog runs.
    void store(long provider, long timeBase, long bitsPerSample, const char *vstFolder)
    {
        IOPARAMS params;
        params.asp = provider;
        params.aspPort = 3;
        params.timeBase = timeBase;
        params.bitsPerSample = bitsPerSample;
        params.SetString(IOSTR_VSTDIR1, vstFolder);
        ASSERT_EQ(db->SetIOParams(&params), 1);
    }

    INT_PTR run(uint32_t mask, std::vector<Step> steps)
    {
        return runScripted(
            kCaption, [&] { return RunFirstTimeDialog(GetModuleHandleA(nullptr), db.get(), mask); },
            std::move(steps));
    }

    testing_support::LocalMachineOverride machine;
    testing_support::CurrentUserOverride user;
    testing_support::TempFolder folder;
    HMODULE provider = nullptr;
    int (*lastShown)(ASPSETTINGS *) = nullptr;
    std::unique_ptr<CTembriDB> db;
};

TEST_F(FirstTimeDialogTest, ProgramMaskOffersItsKindsAndCancelStoresNothing)
{
    const INT_PTR result =
        run(kProgramMask, {[&](HWND dialog) {
                for (int kind = 0; kind < 10; ++kind) {
                    SCOPED_TRACE("kind " + std::to_string(kind));
                    const bool offered = kind >= 1 && kind <= 4;
                    HWND box = GetDlgItem(dialog, IDC_FIRST_KIND_FIRST + kind);
                    EXPECT_EQ(IsWindowEnabled(box) != 0, offered);
                    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_FIRST_KIND_FIRST + kind),
                              offered ? BST_CHECKED : BST_UNCHECKED);
                }
                for (int i = 0; i < 3; ++i) {
                    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_FIRST_VST_FOLDER1 + i)));
                    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_FIRST_VST_BROWSE1 + i)));
                }
                EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_FIRST_MIDI_INPUT)));
                EXPECT_EQ(listItems(dialog, IDC_FIRST_TIMEBASE).size(), 15u);
                EXPECT_EQ(selectedItem(dialog, IDC_FIRST_TIMEBASE), "960");
                // Every provider but the bridge's own.
                EXPECT_EQ(listItems(dialog, IDC_FIRST_PROVIDER),
                          (std::vector<std::string>{"Missing Provider", "Test Provider"}));
                picture(dialog, "stavrund_first_time_dialog");
                click(dialog, IDCANCEL);
            }});
    EXPECT_EQ(result, IDCANCEL);
    IOPARAMS params;
    EXPECT_EQ(db->GetIOParams(&params), 0);
    EXPECT_TRUE(portNames(*db, 1).empty());
}

TEST_F(FirstTimeDialogTest, ProviderPageIsReadBackAndCheckedKindsRefreshOnOk)
{
    const long test = providerIndex("Test Provider");
    ASSERT_GE(test, 0);
    store(test, 480, 16, "C:\\VST\\");
    // Own soft synths and MIDI effects, and VST effects (for the folders).
    const uint32_t mask = (1u << 0) | (1u << 8) | (1u << 6);
    const INT_PTR result =
        run(mask, {[&](HWND dialog) {
                       HWND field = rateField(dialog);
                       ASSERT_NE(field, nullptr) << "no settings page inside the area";
                       ASPSETTINGS shown;
                       ASSERT_GE(lastShown(&shown), 1);
                       EXPECT_EQ(shown.channel, 3);
                       EXPECT_EQ(shown.sampleRate, 44100);
                       EXPECT_EQ(shown.sampleFormat, 0);
                       EXPECT_EQ(shown.bufferFrames, 512);
                       // The handle's 32 bits stand at offset 28, the record's
                       // other bytes past the buffer size stay 0.
                       const auto *bytes = reinterpret_cast<const uint8_t *>(&shown);
                       const auto area = uintptr_t(GetDlgItem(dialog, IDC_FIRST_PROVIDER_PAGE));
                       uint8_t expected[20] = {};
                       for (int i = 0; i < 4; ++i)
                           expected[8 + i] = uint8_t(area >> (8 * i));
                       EXPECT_EQ(std::memcmp(bytes + 20, expected, sizeof expected), 0);
                       EXPECT_EQ(selectedItem(dialog, IDC_FIRST_TIMEBASE), "480");
                       EXPECT_EQ(selectedItem(dialog, IDC_FIRST_PROVIDER), "Test Provider");
                       char text[MAX_PATH] = {};
                       GetDlgItemTextA(dialog, IDC_FIRST_VST_FOLDER1, text, sizeof text);
                       EXPECT_STREQ(text, "C:\\VST\\");
                       SetWindowTextA(field, "48000");
                       SetDlgItemTextA(dialog, IDC_FIRST_VST_FOLDER1 + 1, "D:\\More/");
                       // The user leaves the MIDI effects and the VST scan out.
                       click(dialog, IDC_FIRST_KIND_FIRST + 8);
                       click(dialog, IDC_FIRST_KIND_FIRST + 6);
                       picture(dialog, "stavrund_first_time_dialog_page");
                   },
                   [](HWND dialog) { click(dialog, IDOK); }});
    EXPECT_EQ(result, IDOK);
    IOPARAMS params;
    ASSERT_EQ(db->GetIOParams(&params), 1);
    EXPECT_EQ(params.asp, test);
    EXPECT_EQ(params.aspPort, 7);
    EXPECT_EQ(params.sampleRate, 48000);
    EXPECT_EQ(params.bitsPerSample, 24);
    EXPECT_EQ(params.bufferFrames, 1024);
    EXPECT_EQ(params.timeBase, 480);
    EXPECT_STREQ(params.strings[IOSTR_VSTDIR1], "C:\\VST");
    EXPECT_STREQ(params.strings[IOSTR_VSTDIR2], "D:\\More");
    EXPECT_EQ(params.strings[IOSTR_VSTDIR3], nullptr);
    EXPECT_EQ(portNames(*db, 0), (std::vector<std::string>{"Synth One", "Synth Two"}));
    EXPECT_TRUE(portNames(*db, 8).empty());
}

TEST_F(FirstTimeDialogTest, TheFolderButtonPutsTheChosenFolderIntoItsField)
{
    std::vector<std::string> asked;
    setMessageBoxHook([&](HWND, const char *text, const char *, UINT) {
        asked.push_back(text);
        return IDOK;
    });
    const std::string chosen = folder.path();
    std::string field;
    const INT_PTR result = run(1u << 6, {[&](HWND dialog) {
                                   runScripted("Browse for Folder",
                                               [&] {
                                                   click(dialog, IDC_FIRST_VST_BROWSE1 + 1);
                                                   return INT_PTR(0);
                                               },
                                               {[&](HWND browse) {
                                                   SendMessageA(browse, BFFM_SETSELECTIONA, TRUE,
                                                                reinterpret_cast<LPARAM>(chosen.c_str()));
                                                   pump();
                                                   picture(browse, "stavrund_first_time_folder_browser");
                                                   click(browse, IDOK);
                                               }});
                                   char text[MAX_PATH] = {};
                                   GetDlgItemTextA(dialog, IDC_FIRST_VST_FOLDER1 + 1, text, sizeof text);
                                   field = text;
                                   click(dialog, IDCANCEL);
                               }});
    setMessageBoxHook({});
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(field, chosen);
    EXPECT_TRUE(asked.empty());
}

TEST_F(FirstTimeDialogTest, UnknownTimeBaseStaysAndAProviderThatCannotLoadShowsNoPage)
{
    store(providerIndex("Missing Provider"), 500, 0, nullptr);
    const INT_PTR result =
        run(kProgramMask, {[&](HWND dialog) {
                               EXPECT_EQ(selectedItem(dialog, IDC_FIRST_TIMEBASE), "<none>");
                               EXPECT_EQ(rateField(dialog), nullptr);
                               char text[64] = {};
                               GetDlgItemTextA(dialog, IDC_FIRST_PROVIDER_PAGE, text, sizeof text);
                               EXPECT_STREQ(text, "Audio Stream Provider not connected.");
                               // Choosing the test provider shows its page; going back
                               // closes it.
                               HWND list = GetDlgItem(dialog, IDC_FIRST_PROVIDER);
                               SendMessageA(list, CB_SETCURSEL, 1, 0);
                               SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_FIRST_PROVIDER, CBN_SELCHANGE),
                                            reinterpret_cast<LPARAM>(list));
                               EXPECT_NE(rateField(dialog), nullptr);
                               SendMessageA(list, CB_SETCURSEL, 0, 0);
                               SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_FIRST_PROVIDER, CBN_SELCHANGE),
                                            reinterpret_cast<LPARAM>(list));
                               EXPECT_EQ(rateField(dialog), nullptr);
                               // No refresh: the VST scan is not part of this test.
                               for (int kind = 1; kind <= 4; ++kind)
                                   click(dialog, IDC_FIRST_KIND_FIRST + kind);
                           },
                           [](HWND dialog) { click(dialog, IDOK); }});
    EXPECT_EQ(result, IDOK);
    IOPARAMS params;
    ASSERT_EQ(db->GetIOParams(&params), 1);
    EXPECT_EQ(params.timeBase, 500);
    EXPECT_EQ(params.bitsPerSample, 16); // a format of 0 becomes 16
    EXPECT_EQ(params.asp, providerIndex("Missing Provider"));
}

// The sound-card provider's own page in the set-up: on this machine without
// a sound device it says so; the user's rate, format and buffer size are
// stored as the database's parameters.
TEST_F(FirstTimeDialogTest, TheSoundCardProvidersPageChoosesTheStream)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(provider, path, MAX_PATH);
    std::string module = path;
    module = module.substr(0, module.find_last_of('\\') + 1) + "TembriDirectSound.dll";
    setValue("Software\\Quorvane\\AudioStreamProviders", "DirectSound", module);
    const long directSound = providerIndex("DirectSound");
    ASSERT_GE(directSound, 0);
    // What a new database starts from: the sound-card provider, no format.
    store(directSound, 960, 0, nullptr);
    const auto choose = [](HWND page, int id, const char *text) {
        HWND list = GetDlgItem(page, id);
        const LRESULT at = SendMessageA(list, CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(text));
        SendMessageA(list, CB_SETCURSEL, WPARAM(at), 0);
    };
    std::string noDevice;
    const INT_PTR result =
        run(kProgramMask, {[&](HWND dialog) {
                               EXPECT_EQ(selectedItem(dialog, IDC_FIRST_PROVIDER), "DirectSound");
                               HWND page = FindWindowExA(GetDlgItem(dialog, IDC_FIRST_PROVIDER_PAGE), nullptr,
                                                         "#32770", nullptr);
                               ASSERT_NE(page, nullptr) << "no settings page inside the area";
                               EXPECT_EQ(selectedItem(page, kRateList), "44100");
                               EXPECT_EQ(selectedItem(page, kFormatList), "16") << "a format never set";
                               char text[128] = {};
                               if (IsWindowVisible(GetDlgItem(page, kNoDeviceText)))
                                   GetDlgItemTextA(page, kNoDeviceText, text, sizeof text);
                               noDevice = text;
                               choose(page, kRateList, "48000");
                               choose(page, kFormatList, "24");
                               choose(page, kBufferList, "256");
                               for (int kind = 1; kind <= 4; ++kind)
                                   click(dialog, IDC_FIRST_KIND_FIRST + kind);
                               picture(dialog, "stavrund_first_time_dialog_directsound");
                           },
                           [](HWND dialog) { click(dialog, IDOK); }});
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(noDevice, "No sound device was found: the program plays without sound.");
    IOPARAMS params;
    ASSERT_EQ(db->GetIOParams(&params), 1);
    EXPECT_EQ(params.asp, directSound);
    EXPECT_EQ(params.aspPort, 0);
    EXPECT_EQ(params.sampleRate, 48000);
    EXPECT_EQ(params.bitsPerSample, 24);
    EXPECT_EQ(params.bufferFrames, 256);
}

} // namespace
