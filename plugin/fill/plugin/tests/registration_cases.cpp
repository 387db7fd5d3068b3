#include "plugin/fill/plugin/tests/registration_cases.h"

#include <gtest/gtest.h>

#include <olectl.h>

#include <utility>
#include <vector>

namespace grindel_test {

namespace {

void expectEntries(HKEY root, const std::string &module, const ServedClasses &classes, bool drummer,
                   bool page)
{
    // Key and default value of each entry; "" stands for the module's path.
    const std::pair<std::string, std::string> entries[] = {
        {classes.drummerKey, classes.drummerDescription},
        {classes.drummerKey + "\\InprocServer32", ""},
        {classes.pageKey, classes.pageDescription},
        {classes.pageKey + "\\InprocServer32", ""},
    };
    for (const auto &[key, value] : entries) {
        const bool wanted =
            key.compare(0, classes.drummerKey.size(), classes.drummerKey) == 0 ? drummer : page;
        EXPECT_EQ(readDefault(root, key), wanted ? (value.empty() ? module : value) : "<missing>") << key;
    }
}

} // namespace

const ServedClasses &fillDrummerClasses()
{
    static const ServedClasses classes{
        "CLSID\\{70781444-08F0-5C91-8DF7-9AECBDB9E7C5}", "Quorvane Grindelvosket",
        "CLSID\\{604A9C27-B0F9-547F-A08B-7BE80F175A5A}", "Quorvane Grindelvosket Property Page"};
    return classes;
}

std::string readDefault(HKEY root, const std::string &path)
{
    char value[MAX_PATH] = {};
    LONG size = sizeof(value);
    if (RegQueryValueA(root, path.c_str(), value, &size) != ERROR_SUCCESS)
        return "<missing>";
    return value;
}

void checkRegistrationCases(HKEY root, const std::string &module,
                            const std::function<HRESULT()> &registerServer,
                            const std::function<HRESULT()> &unregisterServer, const ServedClasses &classes)
{
    const std::string &drummerKey = classes.drummerKey;
    const std::string &pageKey = classes.pageKey;
    {
        SCOPED_TRACE("register");
        ASSERT_EQ(registerServer(), S_OK);
        expectEntries(root, module, classes, true, true);
    }
    {
        SCOPED_TRACE("unregister, then again: already gone is fine");
        ASSERT_EQ(unregisterServer(), S_OK);
        expectEntries(root, module, classes, false, false);
        EXPECT_EQ(unregisterServer(), S_OK);
    }
    {
        // A volatile class key takes no lasting sub key: the page's server
        // entry cannot be written. The failure is reported, not hidden
        // behind S_OK; the steps that could be done stay done.
        SCOPED_TRACE("a step that cannot be written");
        HKEY blocker = nullptr;
        ASSERT_EQ(RegCreateKeyExA(root, "CLSID", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &blocker, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(blocker);
        ASSERT_EQ(RegCreateKeyExA(root, pageKey.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                                  nullptr, &blocker, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(blocker);
        EXPECT_EQ(registerServer(), SELFREG_E_CLASS);
        EXPECT_EQ(readDefault(root, drummerKey + "\\InprocServer32"), module);
        EXPECT_EQ(readDefault(root, pageKey + "\\InprocServer32"), "<missing>");
        RegDeleteTreeA(root, pageKey.c_str());
    }
    {
        SCOPED_TRACE("register again");
        ASSERT_EQ(registerServer(), S_OK);
        expectEntries(root, module, classes, true, true);
    }
}

} // namespace grindel_test
