// Register and Unregister through the platform's filter mapper, read back
// from the registry. Each test registers a class id of its own.
#include "dshow/ds_filter.h"

#include "dshow/tests/test_filters.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace ds_test;

std::wstring guidText(const GUID &id)
{
    WCHAR text[40];
    StringFromGUID2(id, text, 40);
    return text;
}

bool keyExists(const std::wstring &path)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// A value under HKEY_CLASSES_ROOT as text (strings) or number (DWORDs).
std::wstring valueText(const std::wstring &path, const WCHAR *name)
{
    BYTE data[1024] = {};
    DWORD size = sizeof data, type = 0;
    if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_ANY, &type, data, &size) != ERROR_SUCCESS)
        return L"<none>";
    if (type == REG_DWORD)
        return std::to_wstring(*reinterpret_cast<DWORD *>(data));
    if (type == REG_SZ)
        return reinterpret_cast<WCHAR *>(data);
    return L"<type " + std::to_wstring(type) + L">";
}

class RegistrationTest : public ::testing::Test {
protected:
    ComScope com;
    GUID classId{};
    std::wstring classKey;  // the filter's pins and merit
    std::wstring filterKey; // the filter's name
    DsPinTypeSetup types[1] = {{&kTypeA, &kSubX}};
    DsPinSetup pins[2] = {
        {L"In", FALSE, FALSE, FALSE, FALSE, nullptr, nullptr, 1, types},
        {L"Out", FALSE, TRUE, FALSE, TRUE, nullptr, nullptr, 1, types},
    };
    DsFilterSetup setup{};

    void SetUp() override
    {
        ASSERT_EQ(CoCreateGuid(&classId), S_OK);
        classKey = L"CLSID\\" + guidText(classId);
        filterKey = L"Filter\\" + guidText(classId);
        setup = {&classId, L"Kit Test Filter", MERIT_DO_NOT_USE, 2, pins};
    }
    void TearDown() override
    {
        RegDeleteTreeW(HKEY_CLASSES_ROOT, classKey.c_str());
        RegDeleteTreeW(HKEY_CLASSES_ROOT, filterKey.c_str());
    }
};

TEST_F(RegistrationTest, RegisterWritesFilterPinsAndTypes)
{
    FilterRef filter(new TestFilter(classId, 1, 1));
    filter->setSetup(&setup);
    ASSERT_EQ(filter->Register(), S_OK);
    EXPECT_EQ(valueText(filterKey, nullptr), L"Kit Test Filter");
    EXPECT_EQ(valueText(classKey, L"Merit"), std::to_wstring(MERIT_DO_NOT_USE));
    EXPECT_EQ(valueText(classKey + L"\\Pins\\Out", L"Direction"), L"1");
    EXPECT_EQ(valueText(classKey + L"\\Pins\\Out", L"AllowedMany"), L"1");
    EXPECT_EQ(valueText(classKey + L"\\Pins\\In", L"Direction"), L"0");
    EXPECT_TRUE(keyExists(classKey + L"\\Pins\\In\\Types\\" + guidText(kTypeA) + L"\\" + guidText(kSubX)));

    ASSERT_EQ(filter->Unregister(), S_OK);
    EXPECT_FALSE(keyExists(classKey + L"\\Pins"));
    EXPECT_EQ(valueText(classKey, L"Merit"), L"<none>");
    EXPECT_FALSE(keyExists(filterKey));
}

TEST_F(RegistrationTest, UnregisteringAFilterNeverRegisteredSucceeds)
{
    FilterRef filter(new TestFilter(classId, 0, 1));
    filter->setSetup(&setup);
    EXPECT_EQ(filter->Unregister(), S_OK);
}

TEST_F(RegistrationTest, RegisteringAgainReplacesTheOldPins)
{
    FilterRef filter(new TestFilter(classId, 1, 1));
    filter->setSetup(&setup);
    ASSERT_EQ(filter->Register(), S_OK);
    setup.pinCount = 1; // the output pin is gone
    ASSERT_EQ(filter->Register(), S_OK);
    EXPECT_TRUE(keyExists(classKey + L"\\Pins\\In"));
    EXPECT_FALSE(keyExists(classKey + L"\\Pins\\Out"));
    filter->Unregister();
}

TEST_F(RegistrationTest, RegisteringKeepsTheCallersComApartment)
{
    // The test thread is in the multithreaded apartment; Register must not
    // take it away.
    FilterRef filter(new TestFilter(classId, 0, 1));
    filter->setSetup(&setup);
    ASSERT_EQ(filter->Register(), S_OK);
    ASSERT_EQ(filter->Unregister(), S_OK);
    IMemAllocator *allocator = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                               reinterpret_cast<void **>(&allocator)),
              S_OK);
    if (allocator)
        allocator->Release();
}

} // namespace
