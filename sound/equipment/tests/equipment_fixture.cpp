#include "sound/equipment/tests/equipment_fixture.h"

#include "data/simple_string.h"
#include "sound/equipment/port_enum.h"
#include "sound/equipment/tests/vst_fixture_kinds.h"
#include "testing/screenshot.h"

#include <dshow.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <ostream>

namespace equipment_test {

namespace {

// The whole program sees private machine and class keys. The platform's
// filter mapper only enumerates registered categories, so the category of
// DirectShow filters is made in the private keys first.
class EquipmentRegistry : public ::testing::Environment {
public:
    void SetUp() override
    {
        machine = new testing_support::LocalMachineOverride();
        classes = new testing_support::ClassesRootOverride();
        ASSERT_TRUE(machine->active());
        ASSERT_TRUE(classes->active());
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        IFilterMapper2 *mapper = nullptr;
        ASSERT_EQ(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                                   reinterpret_cast<void **>(&mapper)),
                  S_OK);
        EXPECT_EQ(mapper->CreateCategory(CLSID_LegacyAmFilterCategory, MERIT_NORMAL, L"DirectShow Filters"),
                  S_OK);
        mapper->Release();
        CoUninitialize();
    }
    void TearDown() override
    {
        delete classes;
        delete machine;
    }

    testing_support::LocalMachineOverride *machine = nullptr;
    testing_support::ClassesRootOverride *classes = nullptr;
};

EquipmentRegistry *const environment =
    static_cast<EquipmentRegistry *>(::testing::AddGlobalTestEnvironment(new EquipmentRegistry));

} // namespace

std::string writeDialogPicture(HWND window, const std::string &name)
{
    environment->classes->suspend();
    const std::string path = testing_support::writeWindowPicture(window, name);
    environment->classes->resume();
    return path;
}

std::string testsFolder()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

std::string guidText(const GUID &id)
{
    WCHAR wide[40];
    StringFromGUID2(id, wide, 40);
    return std::string(wide, wide + 38);
}

void createKey(HKEY root, const std::string &key)
{
    HKEY opened = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened, nullptr),
              ERROR_SUCCESS)
        << key;
    RegCloseKey(opened);
}

void writeValue(HKEY root, const std::string &key, const char *name, DWORD type, const void *data, DWORD size)
{
    HKEY opened = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened, nullptr),
              ERROR_SUCCESS)
        << key;
    EXPECT_EQ(RegSetValueExA(opened, name, 0, type, static_cast<const BYTE *>(data), size), ERROR_SUCCESS);
    RegCloseKey(opened);
}

void registerHost(const char *key, const char *module)
{
    writeText(HKEY_LOCAL_MACHINE, key, module, testsFolder() + "tembri_dx_fixture.dll");
}

void writeText(HKEY root, const std::string &key, const char *name, const std::string &text)
{
    writeValue(root, key, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

void deleteKey(HKEY root, const std::string &key)
{
    RegDeleteTreeA(root, key.c_str());
    RegDeleteKeyA(root, key.c_str());
}

std::ostream &operator<<(std::ostream &out, const Entry &entry)
{
    return out << "{\"" << entry.name << "\", " << entry.kind << ", \"" << entry.data << "\"}";
}

std::string guidData(const GUID &id)
{
    return "guid:" + guidText(id);
}

std::unique_ptr<Quorvane::CStructArray> enumPorts(long equipmentClass, long kind, Quorvane::IOPARAMS *params,
                                                  Quorvane::CStructArray *known, Quorvane::CStructArray *scan)
{
    return std::unique_ptr<Quorvane::CStructArray>(
        TindrelEnumPorts(equipmentClass, kind, params, known, scan));
}

std::vector<Entry> entries(const Quorvane::CStructArray &ports, bool classIds)
{
    std::vector<Entry> list;
    EXPECT_EQ(ports.elemSize, static_cast<long>(sizeof(Quorvane::PORTENUM)));
    for (long i = 0; i < ports.GetNumb(); ++i) {
        const auto *entry = static_cast<const Quorvane::PORTENUM *>(ports.GetElementAt(i));
        EXPECT_EQ(entry->recordId, 0u);
        const Quorvane::PORTDESCR &d = entry->descr;
        std::string data;
        if (classIds) {
            EXPECT_EQ(d.dataSize, 16);
            GUID id{};
            if (d.data && d.dataSize == 16)
                std::memcpy(&id, d.data, 16);
            data = guidData(id);
        } else if (d.data && d.dataSize > 0) {
            const char *text = static_cast<const char *>(d.data);
            EXPECT_EQ(text[d.dataSize - 1], '\0') << "texts end with their terminator";
            data.assign(text, strnlen(text, d.dataSize));
        }
        list.push_back({d.name ? d.name : "", d.kind, data});
    }
    return list;
}

VstFolders::VstFolders() : log_(temp_.file("fixtures.log"))
{
    for (const char *folder :
         {"one", "one\\effects", "one\\effects\\mono", "two", "two\\deeper", "three", "three\\b", "three\\a"})
        CreateDirectoryA(temp_.file(folder).c_str(), nullptr);
    place("instrument", "one\\Instrument.dll");
    place("stereo_effect", "one\\effects\\Stereo.dll");
    place("mono_effect", "one\\effects\\mono\\Mono.dll");
    place("no_main", "one\\NoEntry.dll");
    testing_support::writeFile(temp_.file("one\\readme.txt"), "not a plug-in");
    place("bad_magic", "two\\deeper\\BadMagic.dll");
    place("bridge", "two\\Bridge.dll");
    place("crash_open", "three\\b\\Crash.dll");
    place("throw_open", "three\\a\\Throw.dll");
    SetEnvironmentVariableA(kVstFixtureLogVariable, log_.c_str());
}

VstFolders::~VstFolders()
{
    SetEnvironmentVariableA(kVstFixtureLogVariable, nullptr);
    while (HMODULE crashed = GetModuleHandleA(temp_.file("three\\b\\Crash.dll").c_str()))
        FreeLibrary(crashed);
}

std::string VstFolders::folder(int which) const
{
    static const char *const names[] = {"one", "two", "three"};
    return temp_.file(names[which - 1]);
}

void VstFolders::place(const std::string &fixture, const std::string &relative) const
{
    const std::string source = testsFolder() + "vst_fixtures\\" + fixture + ".dll";
    ASSERT_TRUE(CopyFileA(source.c_str(), temp_.file(relative).c_str(), FALSE)) << source;
}

Quorvane::IOPARAMS VstFolders::params() const
{
    Quorvane::IOPARAMS params;
    for (int i = 1; i <= 3; ++i)
        params.SetString(Quorvane::IOSTR_VSTDIR1 + i - 1, folder(i).c_str());
    return params;
}

std::vector<std::string> VstFolders::fixtureLog() const
{
    std::vector<std::string> lines;
    std::ifstream in(log_);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

void VstFolders::clearFixtureLog() const
{
    DeleteFileA(log_.c_str());
}

std::unique_ptr<Quorvane::CStructArray> stringList()
{
    return std::make_unique<Quorvane::CStructArray>(sizeof(Quorvane::SIMPLE_STRING), 16);
}

void addString(Quorvane::CStructArray &list, const std::string &text, uint32_t param1, uint32_t param2)
{
    Quorvane::SIMPLE_STRING element;
    ASSERT_TRUE(element.SetText(text.c_str()));
    element.SetParam1(static_cast<long>(param1));
    element.SetParam2(static_cast<long>(param2));
    ASSERT_TRUE(list.Insert(list.GetNumb(), 1, &element));
}

std::ostream &operator<<(std::ostream &out, const ScanEntry &entry)
{
    char numbers[32];
    std::snprintf(numbers, sizeof numbers, "%08X, %08X", entry.value, entry.recordId);
    return out << "{\"" << entry.path << "\", " << numbers << "}";
}

std::vector<ScanEntry> scanEntries(const Quorvane::CStructArray &list)
{
    std::vector<ScanEntry> result;
    for (long i = 0; i < list.GetNumb(); ++i) {
        const auto *element = static_cast<const Quorvane::SIMPLE_STRING *>(list.GetElementAt(i));
        result.push_back({element->GetText() ? element->GetText() : "",
                          static_cast<uint32_t>(element->GetParam1()),
                          static_cast<uint32_t>(element->GetParam2())});
    }
    return result;
}

} // namespace equipment_test
