#include "base/registry.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <cstring>

namespace {

using namespace Quorvane;
using testing_support::RegistrySandbox;

class RegistrySettings : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, sandbox.path().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override { RegCloseKey(key); }

    void set(const char *name, DWORD type, const void *data, DWORD size)
    {
        ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE *>(data), size), ERROR_SUCCESS);
    }
    bool exists(const char *name)
    {
        return RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    }

    RegistrySandbox sandbox;
    HKEY key = nullptr;
};

TEST_F(RegistrySettings, DwordValuesAndTheirDefaults)
{
    const DWORD little = 42;
    const unsigned char big[4] = {0x00, 0x00, 0x01, 0x02};
    const DWORD wide[2] = {1, 2};
    set("Little", REG_DWORD, &little, 4);
    set("Big", REG_DWORD_BIG_ENDIAN, big, 4);
    set("Text", REG_SZ, "12", 3);
    set("Wide", REG_BINARY, wide, 8);

    struct Case {
        const char *key;
        const char *value;
        uint32_t expected;
    };
    const std::string path = sandbox.path();
    const Case cases[] = {
        {path.c_str(), "Little", 42},
        {path.c_str(), "Big", 258},
        {path.c_str(), "Text", 7},    // wrong type
        {path.c_str(), "Wide", 7},    // more data than a DWORD
        {path.c_str(), "Missing", 7}, // missing value
        {"Software\\Quorvane\\NoSuchKeyAnywhere", "Little", 7},
    };
    for (const Case &c : cases)
        EXPECT_EQ(readRegistryDword(c.key, c.value, 7, true), c.expected) << c.value;
    EXPECT_EQ(readRegistryDword(path.c_str(), "Little", 7, false), 7u) << "other hive";
}

TEST_F(RegistrySettings, StringValues)
{
    set("Name", REG_SZ, "Brushes", 8);
    set("Expand", REG_EXPAND_SZ, "%TEMP%", 7);
    const DWORD number = 3;
    set("Number", REG_DWORD, &number, 4);

    const std::string path = sandbox.path();
    EXPECT_EQ(ReadRegistryString(path.c_str(), "Name", true), "Brushes");
    EXPECT_EQ(ReadRegistryString(path.c_str(), "Expand", true), "%TEMP%");
    EXPECT_EQ(ReadRegistryString(path.c_str(), "Number", true), "");
    EXPECT_EQ(ReadRegistryString(path.c_str(), "Missing", true), "");
}

// Windows hands a stored string back as it was stored, terminator or not.
// (Wine adds one itself, so there this case cannot go wrong.)
TEST_F(RegistrySettings, AnUnterminatedStoredStringIsReadWithinItsBuffer)
{
    set("Unterminated", REG_SZ, "abc", 3);
    char *text = queryStringValue(key, "Unterminated");
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "abc");
    EXPECT_LT(std::strlen(text), _msize(text)) << "the terminator lies inside the buffer";
    free(text);
    EXPECT_EQ(ReadRegistryString(sandbox.path().c_str(), "Unterminated", true), "abc");
}

TEST_F(RegistrySettings, LowLevelFailuresThrowRegistryExceptions)
{
    try {
        openRegistryKey(HKEY_CURRENT_USER, (sandbox.path() + "\\Nope").c_str(), KEY_READ);
        FAIL() << "no exception";
    } catch (registry_exception *e) {
        EXPECT_EQ(e->code, uint32_t(ERROR_FILE_NOT_FOUND));
        delete e;
    }

    set("Text", REG_SZ, "x", 2);
    try {
        queryDwordValue(key, "Text");
        FAIL() << "no exception";
    } catch (registry_exception *e) {
        EXPECT_NE(dynamic_cast<registry_invalid_value_type *>(e), nullptr);
        EXPECT_EQ(e->code, 0u);
        delete e;
    }
}

TEST_F(RegistrySettings, ModuleRootAndAppValues)
{
    initAppRegistry(sandbox.product().c_str(), nullptr, DLL_PROCESS_DETACH, nullptr);
    EXPECT_FALSE(appRegistryInitialised()) << "only the process attach counts";

    initAppRegistry(sandbox.product().c_str(), nullptr, DLL_PROCESS_ATTACH, "Options");
    EXPECT_TRUE(appRegistryInitialised());
    EXPECT_EQ(appRegistryRoot(), sandbox.path() + "\\Options");

    initAppRegistry(sandbox.product().c_str(), nullptr, DLL_PROCESS_ATTACH, nullptr);
    EXPECT_EQ(appRegistryRoot(), sandbox.path());

    HKEY sub;
    ASSERT_EQ(RegCreateKeyExA(key, "Settings", 0, nullptr, 0, KEY_WRITE, nullptr, &sub, nullptr),
              ERROR_SUCCESS);
    const DWORD nine = 9;
    RegSetValueExA(sub, "Channel", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&nine), 4);
    RegCloseKey(sub);
    EXPECT_EQ(readAppRegistryValue("Settings", "Channel", 1, false), 9u);
    EXPECT_EQ(readAppRegistryValue("Settings", "Port", 1, false), 1u);
    EXPECT_EQ(readAppRegistryValue("Settings", "Channel", 1, true), 1u) << "machine hive";
}

TEST_F(RegistrySettings, ModuleFileAndFolder)
{
    initAppRegistry(sandbox.product().c_str(), nullptr, DLL_PROCESS_ATTACH, nullptr);
    const std::string path = getModulePath();
    const std::string folder = getModuleFolder();
    EXPECT_NE(path.find("base_tests.exe"), std::string::npos) << path;
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_EQ(path.rfind(folder, 0), 0u);
}

TEST_F(RegistrySettings, RegistryStreamOfAMissingValueIsEmptyAndWritesNothing)
{
    {
        RegistryStream stream(sandbox.underSoftware().c_str(), "Last");
        EXPECT_TRUE(stream.atEnd());
        EXPECT_EQ(stream.readInt32(), 0);
    }
    EXPECT_FALSE(exists("Last"));
}

TEST_F(RegistrySettings, RegistryStreamKeepsItsWholeContent)
{
    {
        RegistryStream stream(sandbox.underSoftware().c_str(), "Globals");
        stream.writeInt32(5);
        stream.writeString("pads");
        stream.setPosition(0); // the whole content is written, not up to the position
    }
    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueExA(key, "Globals", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD(REG_BINARY));
    EXPECT_EQ(size, 12u);

    RegistryStream again(sandbox.underSoftware().c_str(), "Globals");
    EXPECT_FALSE(again.atEnd());
    EXPECT_EQ(again.readInt32(), 5);
    EXPECT_EQ(again.readString(), "pads");
}

} // namespace
