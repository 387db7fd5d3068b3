#include "plugin/framework/plugin/warning_dialog.h"

#include "base/registry.h"
#include "plugin/framework/plugin/plugin_resources.h"
#include "plugin/framework/plugin/tests/fake_host_windows.h"
#include "plugin/framework/plugin/tests/test_environment.h"
#include "plugin/framework/plugin/tests/test_plugin.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using Quorvane::CWarningDlg;

namespace {

// What the user saw of a warning, and what they did.
struct Seen {
    int dialogs = 0;
    std::string caption;
    std::string text;
    bool boxVisible = false;
    bool boxTicked = false;
    bool ownerEnabled = false;
};

struct User {
    HWND owner = nullptr;
    bool tick = false;
    UINT press = IDOK;
    Seen seen;
};
User *user = nullptr;

BOOL CALLBACK findWarning(HWND window, LPARAM found)
{
    char className[16] = {};
    GetClassNameA(window, className, sizeof(className));
    if (std::string(className) == "#32770" && IsWindowVisible(window) &&
        GetDlgItem(window, IDC_WARNING_SUPPRESS)) {
        *reinterpret_cast<HWND *>(found) = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK answer(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), findWarning, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog)
        return;
    KillTimer(nullptr, timer);
    Seen &seen = user->seen;
    ++seen.dialogs;
    char text[512] = {};
    GetWindowTextA(dialog, text, sizeof(text));
    seen.caption = text;
    GetDlgItemTextA(dialog, IDC_WARNING_TEXT, text, sizeof(text));
    seen.text = text;
    seen.boxVisible = IsWindowVisible(GetDlgItem(dialog, IDC_WARNING_SUPPRESS));
    seen.boxTicked = IsDlgButtonChecked(dialog, IDC_WARNING_SUPPRESS) == BST_CHECKED;
    seen.ownerEnabled = user->owner && IsWindowEnabled(user->owner);
    if (user->tick)
        CheckDlgButton(dialog, IDC_WARNING_SUPPRESS, BST_CHECKED);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(user->press, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, user->press == IDOK ? IDOK : IDC_WARNING_TEXT)));
}

class WarningDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        owner = plugin_test::makeWindow("PluginTestOwner", "Host", WS_OVERLAPPEDWINDOW, nullptr);
        ASSERT_TRUE(owner) << "windows need a display";
        key = "Offline" + std::to_string(GetTickCount()) + std::to_string(counter++);
    }
    void TearDown() override
    {
        DestroyWindow(owner);
        RegDeleteKeyValueA(HKEY_CURRENT_USER, CWarningDlg::profilePath().c_str(), key.c_str());
    }

    // Runs a warning that the user answers; returns DoModal's result.
    INT_PTR run(const std::string &profileKey, bool tick, UINT press = IDOK)
    {
        User u;
        u.owner = owner;
        u.tick = tick;
        u.press = press;
        user = &u;
        const UINT_PTR timer = SetTimer(nullptr, 0, 30, answer);
        INT_PTR result;
        {
            CWarningDlg dialog(plugin_test::kTestWarningText, profileKey.c_str(), owner);
            result = dialog.DoModal();
        }
        KillTimer(nullptr, timer);
        seen = u.seen;
        user = nullptr;
        return result;
    }

    DWORD stored(DWORD missing = 0xFFFF)
    {
        DWORD value = 0, size = sizeof(value);
        if (RegGetValueA(HKEY_CURRENT_USER, CWarningDlg::profilePath().c_str(), key.c_str(), RRF_RT_REG_DWORD,
                         nullptr, &value, &size) != ERROR_SUCCESS)
            return missing;
        return value;
    }

    static int counter;
    HWND owner = nullptr;
    std::string key;
    Seen seen;
};
int WarningDialogTest::counter = 0;

TEST_F(WarningDialogTest, ShowsTheModulesMessageUnderTheApplicationTitle)
{
    EXPECT_EQ(run(key, false), IDOK);
    EXPECT_EQ(seen.dialogs, 1);
    EXPECT_EQ(seen.caption, Quorvane::appProductName());
    char expected[512] = {};
    LoadStringA(GetModuleHandleA(nullptr), plugin_test::kTestWarningText, expected, sizeof(expected));
    EXPECT_EQ(seen.text, expected);
    EXPECT_TRUE(seen.boxVisible);
    EXPECT_FALSE(seen.boxTicked);
    EXPECT_TRUE(seen.ownerEnabled) << "only the dialog's own window is modal";
    EXPECT_EQ(CWarningDlg::profilePath(), plugin_test::settingsPath() + "\\Warnings");
}

TEST_F(WarningDialogTest, DontWarnAgainIsRemembered)
{
    EXPECT_EQ(run(key, true), IDOK);
    EXPECT_EQ(seen.dialogs, 1);
    EXPECT_EQ(stored(), 0u);
    // The next warning with that key is not shown and reports OK.
    EXPECT_EQ(run(key, false), IDOK);
    EXPECT_EQ(seen.dialogs, 0);
    EXPECT_EQ(stored(), 0u);
    CWarningDlg again(plugin_test::kTestWarningText, key.c_str(), owner);
    EXPECT_TRUE(again.suppressed());
}

// Each shown dialog costs Wine about two seconds to take down without a
// window manager, so the cases below show one each and check the rest
// through the stored answer.
TEST_F(WarningDialogTest, OkWithTheBoxClearWarnsAgain)
{
    EXPECT_EQ(run(key, false), IDOK);
    EXPECT_EQ(seen.dialogs, 1);
    EXPECT_EQ(stored(), 1u);
    EXPECT_FALSE(CWarningDlg(plugin_test::kTestWarningText, key.c_str(), owner).suppressed());
}

TEST_F(WarningDialogTest, CancelKeepsTheStoredAnswer)
{
    EXPECT_EQ(run(key, true, IDCANCEL), IDCANCEL);
    EXPECT_EQ(seen.dialogs, 1);
    EXPECT_EQ(stored(), 1u) << "the box ticked but not confirmed";
    EXPECT_FALSE(CWarningDlg(plugin_test::kTestWarningText, key.c_str(), owner).suppressed());
}

TEST_F(WarningDialogTest, AWarningWithoutKeyHasNoBoxAndRemembersNothing)
{
    HKEY before = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, CWarningDlg::profilePath().c_str(), 0, nullptr, 0, KEY_READ, nullptr,
                    &before, nullptr);
    DWORD valuesBefore = 0;
    RegQueryInfoKeyA(before, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &valuesBefore, nullptr,
                     nullptr, nullptr, nullptr);
    EXPECT_EQ(run("", true), IDOK);
    EXPECT_EQ(seen.dialogs, 1);
    EXPECT_FALSE(seen.boxVisible);
    DWORD valuesAfter = 0;
    RegQueryInfoKeyA(before, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &valuesAfter, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(before);
    EXPECT_EQ(valuesAfter, valuesBefore);
    EXPECT_FALSE(CWarningDlg(plugin_test::kTestWarningText, "", owner).suppressed());
}

TEST_F(WarningDialogTest, StoredValuesOfZeroOrLessSuppress)
{
    // The stored value counts as signed: 0 and below mean "don't warn".
    const std::pair<DWORD, bool> cases[] = {{0u, true},  {0xFFFFFFFFu, true}, {0x80000000u, true},
                                            {1u, false}, {5u, false},         {0x7FFFFFFFu, false}};
    for (const auto &[value, suppressed] : cases) {
        RegSetKeyValueA(HKEY_CURRENT_USER, CWarningDlg::profilePath().c_str(), key.c_str(), REG_DWORD, &value,
                        sizeof(value));
        CWarningDlg dialog(plugin_test::kTestWarningText, key.c_str(), owner);
        EXPECT_EQ(dialog.suppressed(), suppressed) << value;
    }
}

} // namespace

namespace {

TEST(WarningDialogHook, AnswersWithoutAWindow)
{
    const std::string key = "Hooked" + std::to_string(GetCurrentProcessId());
    std::string shownMessage, shownKey;
    Quorvane::setWarningDialogHook(
        [&](const std::string &message, const std::string &profileKey, bool *tick) {
            shownMessage = message;
            shownKey = profileKey;
            *tick = true;
            return static_cast<INT_PTR>(IDOK);
        });
    {
        CWarningDlg dialog(plugin_test::kTestWarningText, key.c_str());
        EXPECT_EQ(dialog.DoModal(), IDOK);
        EXPECT_TRUE(dialog.suppressed());
    }
    EXPECT_EQ(shownKey, key);
    EXPECT_EQ(shownMessage, CWarningDlg(plugin_test::kTestWarningText, "").message());
    shownKey.clear();
    EXPECT_EQ(CWarningDlg(plugin_test::kTestWarningText, key.c_str()).DoModal(), IDOK);
    EXPECT_TRUE(shownKey.empty()) << "suppressed: not asked again";
    Quorvane::setWarningDialogHook({});
    RegDeleteKeyValueA(HKEY_CURRENT_USER, CWarningDlg::profilePath().c_str(), key.c_str());
}

} // namespace
