#include "dshow/ds_wide_string.h"

#include "dshow/tests/memory_probe.h"
#include "dshow/tests/test_filters.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace ds_test;

TEST(WideStringTest, LengthCountsUpToTheTerminator)
{
    EXPECT_EQ(DsStrLen(L""), 0);
    EXPECT_EQ(DsStrLen(L"Plug-in src"), 11);
}

TEST(WideStringTest, CopyNKeepsAtMostNMinusOneCharacters)
{
    const std::wstring longName(200, L'x');
    struct Case {
        std::wstring source;
        int n;
        std::wstring expected; // what lands before the guard
    } cases[] = {
        {L"Input", 0, L"!!!!"}, // n = 0 writes nothing
        {L"Input", 1, L""},     // only the terminator
        {L"Input", 3, L"In"},      {L"Input", 6, L"Input"},
        {L"Input", 128, L"Input"}, {longName, 128, std::wstring(127, L'x')},
    };
    for (const Case &c : cases) {
        std::wstring buffer(300, L'!');
        WCHAR *result = DsStrCopyN(buffer.data(), c.source.c_str(), c.n);
        EXPECT_EQ(result, buffer.data());
        if (c.n == 0)
            EXPECT_EQ(buffer.substr(0, 4), c.expected);
        else
            EXPECT_EQ(std::wstring(buffer.c_str()), c.expected) << "n = " << c.n;
    }
}

TEST(WideStringTest, CompareIsCaseSensitiveAndUnsigned)
{
    EXPECT_EQ(DsStrCompare(L"In", L"In"), 0);
    EXPECT_NE(DsStrCompare(L"In", L"in"), 0);
    EXPECT_EQ(DsStrCompare(L"In", L"in"), L'I' - L'i');
    EXPECT_LT(DsStrCompare(L"Out", L"Out1"), 0);
    EXPECT_GT(DsStrCompare(L"Out1", L"Out"), 0);
    const WCHAR high[] = {0xFFFF, 0};
    EXPECT_GT(DsStrCompare(high, L"a"), 0);
}

TEST(WideStringTest, FormatWritesTheNumberFormat)
{
    struct Case {
        int n;
        const WCHAR *text;
    } cases[] = {
        {0, L"00000000000 "},
        {42, L"00000000042 "},
        {-42, L"-0000000042 "},
        {2147483647, L"02147483647 "},
        {-2147483647 - 1, L"-2147483648 "},
    };
    for (const Case &c : cases) {
        WCHAR buffer[32];
        EXPECT_EQ(DsFormatWide(buffer, 32, L"%011d ", c.n), 12);
        EXPECT_STREQ(buffer, c.text);
    }
}

TEST(WideStringTest, GetWideStringCopiesIntoTaskMemory)
{
    ComScope com;
    LPWSTR copy = nullptr;
    ASSERT_EQ(DsGetWideString(L"Out 1", &copy), S_OK);
    EXPECT_STREQ(copy, L"Out 1");
    CoTaskMemFree(copy);
    EXPECT_EQ(DsGetWideString(L"x", nullptr), E_POINTER);

    TaskMemoryProbe probe;
    ASSERT_TRUE(probe.active());
    probe.failNext(1);
    copy = reinterpret_cast<LPWSTR>(1);
    EXPECT_EQ(DsGetWideString(L"x", &copy), E_OUTOFMEMORY);
    EXPECT_EQ(copy, nullptr);
}

} // namespace
