// The registry-based kinds, the DirectShow filters and the MIDI ports, each
// against what the test registered in the program's private keys.
#include "sound/equipment/port_enum.h"

#include "data/meff_chain.h"
#include "sound/equipment/tests/equipment_fixture.h"
#include "sound/equipment/tests/equipment_test_ids.h"
#include "sound/equipment/tests/test_audio_filter.h"
#include "sound/module_keys.h"

#include <gtest/gtest.h>
#include <dmo.h>
#include <mmsystem.h>
#include <uuids.h>

#include <algorithm>
#include <cstdio>

namespace {

using namespace equipment_test;
using Quorvane::PORTENUM;

constexpr char kDxiKey[] = "MfxSoftSynths";
constexpr char kBridgeKey[] = "Software\\Quorvane\\HalvorinApp\\HalvorinDXi";
constexpr char kDlsKey[] = "Software\\Microsoft\\DirectMusic\\SoftwareSynths";
constexpr char kMfxKey[] = "Software\\MFX Hosts\\MIDI Filters";

// Each test starts from empty keys and leaves them so.
class PortEnumTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (const char *key : {Quorvane::kSoftSynthKey, Quorvane::kAudioEffectKey, Quorvane::kMIDIEffectKey,
                                kBridgeKey, kDlsKey, kMfxKey})
            deleteKey(HKEY_LOCAL_MACHINE, key);
        deleteKey(HKEY_CLASSES_ROOT, kDxiKey);
    }
};

std::vector<Entry> byName(std::vector<Entry> list)
{
    std::sort(list.begin(), list.end(), [](const Entry &a, const Entry &b) { return a.name < b.name; });
    return list;
}

// Values of every type and shape under one key of the system's modules.
void registerModuleValues(const char *key)
{
    writeText(HKEY_LOCAL_MACHINE, key, "Beta Module", "C:\\beta.dll");
    writeText(HKEY_LOCAL_MACHINE, key, "Alpha Module", "C:\\alpha.dll");
    writeText(HKEY_LOCAL_MACHINE, key, "Tembri Audio", "C:\\audio.dll");
    writeText(HKEY_LOCAL_MACHINE, key, "Tembri DX", "C:\\dx.dll");
    writeText(HKEY_LOCAL_MACHINE, key, "Empty Path", "");
    const DWORD number = 7;
    writeValue(HKEY_LOCAL_MACHINE, key, "Number", REG_DWORD, &number, sizeof number);
    writeValue(HKEY_LOCAL_MACHINE, key, "Bytes", REG_BINARY, "C:\\x", 4);
    // A string stored without its terminator is still read as one.
    writeValue(HKEY_LOCAL_MACHINE, key, "Unterminated", REG_SZ, "C:\\u.dll", 8);
    writeValue(HKEY_LOCAL_MACHINE, key, "", REG_SZ, "C:\\default.dll", 15);
}

TEST_F(PortEnumTest, OwnModulesAreTheStringValuesWithNameAndPath)
{
    struct Case {
        long equipmentClass;
        const char *key;
        std::vector<Entry> expected;
    };
    const Case cases[] = {
        {0,
         Quorvane::kSoftSynthKey,
         {{"Alpha Module", 3, "Alpha Module"},
          {"Beta Module", 3, "Beta Module"},
          {"Tembri Audio", 2, "Tembri Audio"},
          {"Unterminated", 3, "Unterminated"}}},
        {1,
         Quorvane::kAudioEffectKey,
         {{"Alpha Module", 0, "Alpha Module"},
          {"Beta Module", 0, "Beta Module"},
          {"Unterminated", 0, "Unterminated"}}},
        {2,
         Quorvane::kMIDIEffectKey,
         {{"Alpha Module", 0, "Alpha Module"},
          {"Beta Module", 0, "Beta Module"},
          {"Unterminated", 0, "Unterminated"}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.key);
        auto empty = enumPorts(c.equipmentClass, 0);
        ASSERT_TRUE(empty) << "a missing key is an empty list";
        EXPECT_EQ(empty->GetNumb(), 0);
        registerModuleValues(c.key);
        auto ports = enumPorts(c.equipmentClass, 0);
        ASSERT_TRUE(ports);
        EXPECT_EQ(byName(entries(*ports)), c.expected);
    }
}

TEST_F(PortEnumTest, DxiSynthsAreDescribedAndTheBridgeIsLeftOut)
{
    const GUID piano = TestId(0x01), wrapped = TestId(0x02), nameless = TestId(0x03), numbered = TestId(0x04),
               bridge = TestId(0x05), empty = TestId(0x06);
    writeText(HKEY_CLASSES_ROOT, std::string(kDxiKey) + "\\" + guidText(piano), "Description", "Dx Piano");
    writeText(HKEY_CLASSES_ROOT, std::string(kDxiKey) + "\\" + guidText(wrapped), "Description",
              "VST Strings");
    createKey(HKEY_CLASSES_ROOT, std::string(kDxiKey) + "\\" + guidText(nameless));
    const DWORD number = 1;
    writeValue(HKEY_CLASSES_ROOT, std::string(kDxiKey) + "\\" + guidText(numbered), "Description", REG_DWORD,
               &number, sizeof number);
    writeText(HKEY_CLASSES_ROOT, std::string(kDxiKey) + "\\" + guidText(bridge), "Description",
              "QN3_HalvorinDXi");
    writeText(HKEY_CLASSES_ROOT, std::string(kDxiKey) + "\\" + guidText(empty), "Description", "");
    writeText(HKEY_CLASSES_ROOT, std::string(kDxiKey) + "\\Not A Class Id", "Description", "Stray");
    // The bridge names its class in lower case: names compare without case.
    std::string bridgeName = guidText(bridge);
    for (char &c : bridgeName)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    writeText(HKEY_LOCAL_MACHINE, kBridgeKey, bridgeName.c_str(), "QN3_HalvorinDXi");

    registerHost(Quorvane::kSoftSynthKey, "Tembri DXi");
    auto ports = enumPorts(0, 5);
    ASSERT_TRUE(ports);
    EXPECT_EQ(entries(*ports, true), (std::vector<Entry>{{"Dx Piano", 5, guidData(piano)}}));
}

TEST_F(PortEnumTest, DlsSynthsAreTheirDescriptions)
{
    const GUID synth = TestId(0x11), nameless = TestId(0x12);
    writeText(HKEY_LOCAL_MACHINE, std::string(kDlsKey) + "\\" + guidText(synth), "Description", "Dls Synth");
    createKey(HKEY_LOCAL_MACHINE, std::string(kDlsKey) + "\\" + guidText(nameless));
    registerHost(Quorvane::kSoftSynthKey, "Tembri DLS");
    auto ports = enumPorts(0, 6);
    ASSERT_TRUE(ports);
    EXPECT_EQ(entries(*ports, true), (std::vector<Entry>{{"Dls Synth", 6, guidData(synth)}}));
}

// The choosers offer only what can be loaded: a kind whose host module is
// not registered, or registered at a file that is not there, lists nothing
// (the engine could make no output or effect of it).
TEST_F(PortEnumTest, AHostedKindIsListedOnlyWhenItsModuleIsThere)
{
    writeText(HKEY_CLASSES_ROOT, std::string(kDxiKey) + "\\" + guidText(TestId(0x07)), "Description",
              "Dx Organ");
    writeText(HKEY_LOCAL_MACHINE, std::string(kDlsKey) + "\\" + guidText(TestId(0x13)), "Description",
              "Dls Organ");
    struct Case {
        long kind;
        const char *module;
        const char *listed;
    };
    for (const Case &c : {Case{5, "Tembri DXi", "Dx Organ"}, Case{6, "Tembri DLS", "Dls Organ"}}) {
        SCOPED_TRACE(c.module);
        auto unregistered = enumPorts(0, c.kind);
        ASSERT_TRUE(unregistered);
        EXPECT_TRUE(entries(*unregistered, true).empty());
        writeText(HKEY_LOCAL_MACHINE, Quorvane::kSoftSynthKey, c.module, "C:\\missing\\module.dll");
        auto gone = enumPorts(0, c.kind);
        ASSERT_TRUE(gone);
        EXPECT_TRUE(entries(*gone, true).empty());
        registerHost(Quorvane::kSoftSynthKey, c.module);
        auto there = enumPorts(0, c.kind);
        ASSERT_TRUE(there);
        const std::vector<Entry> listed = entries(*there, true);
        ASSERT_EQ(listed.size(), 1u);
        EXPECT_EQ(listed[0].name, c.listed);
    }
}

TEST_F(PortEnumTest, MfxFiltersAreTheRegisteredClassesNotSkipped)
{
    // The fill drummer registers its class itself.
    HMODULE drummer = LoadLibraryA((testsFolder() + "..\\dist\\Grindelvosket.dll").c_str());
    ASSERT_NE(drummer, nullptr);
    auto registerServer = reinterpret_cast<HRESULT(STDAPICALLTYPE *)()>(
        reinterpret_cast<void (*)()>(GetProcAddress(drummer, "DllRegisterServer")));
    ASSERT_NE(registerServer, nullptr);
    ASSERT_EQ(registerServer(), S_OK);
    FreeLibrary(drummer);
    const char *drummerId = "{70781444-08F0-5C91-8DF7-9AECBDB9E7C5}";
    const GUID noClass = TestId(0x21), numberedClass = TestId(0x22);
    const DWORD number = 3;
    writeValue(HKEY_CLASSES_ROOT, "CLSID\\" + guidText(numberedClass), nullptr, REG_DWORD, &number,
               sizeof number);
    // Two of the skipped ids, one in lower case, with class keys of their own.
    for (const char *skipped :
         {"{8E6DCE55-5F21-5E18-B147-7937A804A7CE}", "{edf360ee-2e36-5a02-973b-de60dabee2ea}"}) {
        writeText(HKEY_CLASSES_ROOT, std::string("CLSID\\") + skipped, nullptr, "Skipped Filter");
        createKey(HKEY_LOCAL_MACHINE, std::string(kMfxKey) + "\\" + skipped);
    }
    for (const std::string &id : {std::string(drummerId), guidText(noClass), guidText(numberedClass)})
        createKey(HKEY_LOCAL_MACHINE, std::string(kMfxKey) + "\\" + id);
    registerHost(Quorvane::kMIDIEffectKey, Quorvane::kMfxHostModule);

    auto ports = enumPorts(2, 1);
    ASSERT_TRUE(ports);
    GUID drummerClass;
    ASSERT_EQ(IIDFromString(L"{70781444-08F0-5C91-8DF7-9AECBDB9E7C5}", &drummerClass), S_OK);
    EXPECT_EQ(entries(*ports, true),
              (std::vector<Entry>{{"Quorvane Grindelvosket", 1, guidData(drummerClass)}}));
}

class DirectXFilterTest : public PortEnumTest {
protected:
    void TearDown() override
    {
        for (const GUID &id : registered)
            unregisterAudioFilter(id);
        PortEnumTest::TearDown();
    }
    void add(const GUID &id, const std::wstring &name, int pins = kAudioIn | kAudioOut)
    {
        registerAudioFilter(id, name, pins);
        registered.push_back(id);
    }
    std::vector<GUID> registered;
};

TEST_F(DirectXFilterTest, AudioFiltersLessSynthsWrappedPluginsAndRejectedOnes)
{
    const GUID echo = TestId(0x31), twice = TestId(0x32), wrapped = TestId(0x33), synth = TestId(0x34),
               renderer = TestId(0x35), source = TestId(0x36);
    add(echo, L"Test Echo");
    add(twice, L"Test Twice");
    registerInSecondCategory(twice, L"Test Twice");
    add(wrapped, L"VST Wrapped Filter");
    add(synth, L"Test Dxi Filter");
    writeText(HKEY_CLASSES_ROOT, std::string(kDxiKey) + "\\" + guidText(synth), "Description", "Test Dxi");
    add(renderer, L"Test Renderer", kAudioIn);
    add(source, L"Test Source", kAudioOut);
    add(kRejectedFilter, L"Test Rejected");

    // DMOs are listed by their own class ids: the audio-effect category's.
    const GUID dmo = TestId(0x37);
    DMO_PARTIAL_MEDIATYPE floats = {MEDIATYPE_Audio, MEDIASUBTYPE_IEEE_FLOAT};
    ASSERT_EQ(DMORegister(L"Test Dmo Effect", dmo, DMOCATEGORY_AUDIO_EFFECT, 0, 1, &floats, 1, &floats),
              S_OK);
    // One in another category, which the filter mapper lists by a moniker
    // named after its class id.
    const GUID decoder = TestId(0x38);
    DMO_PARTIAL_MEDIATYPE pcm = {MEDIATYPE_Audio, MEDIASUBTYPE_PCM};
    ASSERT_EQ(DMORegister(L"Test Dmo Decoder", decoder, DMOCATEGORY_AUDIO_DECODER, 0, 1, &pcm, 1, &pcm),
              S_OK);
    struct Unregister {
        GUID effect, decoder;
        ~Unregister()
        {
            DMOUnregister(effect, DMOCATEGORY_AUDIO_EFFECT);
            DMOUnregister(decoder, DMOCATEGORY_AUDIO_DECODER);
        }
    } unregister{dmo, decoder};

    auto unkeyed = enumPorts(1, 2);
    ASSERT_TRUE(unkeyed);
    EXPECT_TRUE(entries(*unkeyed, true).empty()) << "without the audio-effect key";
    writeText(HKEY_LOCAL_MACHINE, Quorvane::kAudioEffectKey, "Some Effect", "C:\\effect.dll");
    auto without = enumPorts(1, 2);
    ASSERT_TRUE(without);
    EXPECT_TRUE(entries(*without, true).empty()) << "without the module that hosts them nothing is offered";

    writeText(HKEY_LOCAL_MACHINE, Quorvane::kAudioEffectKey, "Tembri DX",
              testsFolder() + "tembri_dx_fixture.dll");
    auto checked = enumPorts(1, 2);
    ASSERT_TRUE(checked);
    EXPECT_EQ(byName(entries(*checked, true)), (std::vector<Entry>{{"Test Dmo Decoder", 2, guidData(decoder)},
                                                                   {"Test Dmo Effect", 2, guidData(dmo)},
                                                                   {"Test Echo", 2, guidData(echo)},
                                                                   {"Test Twice", 2, guidData(twice)}}));
}

// The MIDI output module beside the running program: the test program's
// own folder holds the real one.
TEST_F(PortEnumTest, MidiPortsAreTheSystemsOutputs)
{
    registerHost(Quorvane::kSoftSynthKey, "Tembri MIDI");
    auto ports = enumPorts(0, 7);
    ASSERT_TRUE(ports);
    std::vector<Entry> expected;
    for (UINT i = 0; i < midiOutGetNumDevs() && i < 32; ++i) {
        MIDIOUTCAPSA caps = {};
        ASSERT_EQ(midiOutGetDevCapsA(i, &caps, sizeof caps), MMSYSERR_NOERROR);
        if (std::find(expected.begin(), expected.end(), Entry{caps.szPname, 7, caps.szPname}) ==
            expected.end())
            expected.push_back({caps.szPname, 7, caps.szPname});
    }
    EXPECT_EQ(entries(*ports), expected);
}

// The probe program copied into a folder of its own with the engine, with
// or without a MIDI output module beside it; its output and exit code.
struct ProbeRun {
    std::string output;
    DWORD exitCode;
};

ProbeRun runProbe(const std::string &folder)
{
    const std::string log = folder + "\\probe.txt";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE out =
        CreateFileA(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = out;
    PROCESS_INFORMATION process = {};
    std::string command = "\"" + folder + "\\midi_port_probe.exe\"";
    ProbeRun run{{}, 99};
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(), &startup,
                       &process)) {
        WaitForSingleObject(process.hProcess, 60000);
        GetExitCodeProcess(process.hProcess, &run.exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(out);
    run.output = testing_support::readFile(log);
    return run;
}

TEST(MidiPortProbe, ListsTheModulesPortsOnceEachAndNothingWithoutIt)
{
    testing_support::TempFolder with, without;
    // "Tembri MIDI", which plays the ports, beside the probe in both.
    for (const auto *folder : {&with, &without}) {
        for (const char *file : {"midi_port_probe.exe", "Tindrel.dll", "Corvadel.dll"})
            ASSERT_TRUE(CopyFileA((testsFolder() + file).c_str(), folder->file(file).c_str(), FALSE)) << file;
        ASSERT_TRUE(CopyFileA((testsFolder() + "tembri_dx_fixture.dll").c_str(),
                              folder->file("Tembri MIDI.zql").c_str(), FALSE));
    }
    ASSERT_TRUE(CopyFileA((testsFolder() + "midi_fixture\\Velmarin.dll").c_str(),
                          with.file("Velmarin.dll").c_str(), FALSE));

    const ProbeRun listed = runProbe(with.path());
    EXPECT_EQ(listed.exitCode, 0u) << listed.output;
    // The long name is cut to the engine's name buffers (127 characters).
    const std::string cut(127, 'L');
    EXPECT_EQ(listed.output, "7|Fixture Port A|Fixture Port A|0\r\n7|Fixture Port B|Fixture Port B|0\r\n7|" +
                                 cut + "|" + cut + "|0\r\n");

    const ProbeRun missing = runProbe(without.path());
    EXPECT_EQ(missing.exitCode, 3u) << "no MIDI output module: null";
    EXPECT_EQ(missing.output, "");

    // A module without the port list lists nothing.
    ASSERT_TRUE(CopyFileA((testsFolder() + "tembri_dx_fixture.dll").c_str(),
                          without.file("Velmarin.dll").c_str(), FALSE));
    const ProbeRun empty = runProbe(without.path());
    EXPECT_EQ(empty.exitCode, 0u);
    EXPECT_EQ(empty.output, "");
}

TEST_F(PortEnumTest, UnknownKindsGiveNull)
{
    const std::pair<long, long> unknown[] = {{0, 1}, {0, 2}, {0, 3}, {0, 8}, {0, -1},
                                             {1, 3}, {2, 2}, {3, 0}, {-1, 0}};
    for (const auto &[equipmentClass, kind] : unknown)
        EXPECT_FALSE(enumPorts(equipmentClass, kind)) << equipmentClass << " " << kind;
}

// Copies deep, so both copies own their descriptor; Spoil forgets it.
TEST(PortEnum, CopiesOwnTheirDescriptors)
{
    Quorvane::PORTENUM first;
    first.descr.kind = 3;
    ASSERT_TRUE(first.descr.SetName("Name"));
    ASSERT_TRUE(first.descr.SetData("Data"));
    first.recordId = 9;
    Quorvane::PORTENUM copy(first);
    Quorvane::PORTENUM assigned;
    assigned = first;
    for (const auto *other : {&copy, &assigned}) {
        EXPECT_NE(other->descr.name, first.descr.name);
        EXPECT_STREQ(other->descr.name, "Name");
        EXPECT_TRUE(other->descr.IsEqual(first.descr));
        EXPECT_EQ(other->recordId, 9u);
    }
    first.Clear();
    EXPECT_EQ(first.descr.name, nullptr);
    EXPECT_EQ(first.recordId, 0u);
    EXPECT_STREQ(copy.descr.name, "Name");
    char *keptName = copy.descr.name;
    void *keptData = copy.descr.data;
    copy.Spoil();
    EXPECT_EQ(copy.descr.name, nullptr);
    EXPECT_EQ(copy.descr.data, nullptr);
    std::free(keptName);
    std::free(keptData);
}

} // namespace
