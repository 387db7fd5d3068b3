#include "sound/tests/engine_fixture.h"

#include "sound/asp_registry.h"
#include "sound/module_keys.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace sound_test {

namespace {

HMODULE probeModule = nullptr;

// HKEY_LOCAL_MACHINE of this program is a private key, with the build's
// preview synthesizer and the probe modules registered.
class MachineRegistry : public ::testing::Environment {
public:
    void SetUp() override
    {
        machine = new testing_support::LocalMachineOverride();
        ASSERT_TRUE(machine->active());
        const std::string probes = testsFolder() + "sound_probes.dll";
        probeModule = LoadLibraryA(probes.c_str());
        ASSERT_NE(probeModule, nullptr);
        registerModule(Quorvane::kSoftSynthKey, "Default Preview", testsFolder() + "Pellandor.dll");
        registerModule(Quorvane::kSoftSynthKey, "Tembri Audio", testsFolder() + "..\\dist\\TembriAudio.dll");
        registerModule(Quorvane::kSoftSynthKey, "Probe Synth", probes);
        registerModule(Quorvane::kAudioEffectKey, "Probe Effect", probes);
        registerModule(Quorvane::kStreamProviderKey, "Probe", probes);
    }
    void TearDown() override { delete machine; }

private:
    testing_support::LocalMachineOverride *machine = nullptr;
};

[[maybe_unused]] ::testing::Environment *const environment =
    ::testing::AddGlobalTestEnvironment(new MachineRegistry);

} // namespace

std::string testsFolder()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

void registerModule(const char *key, const char *name, const std::string &path)
{
    HKEY opened = nullptr;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened, nullptr),
        ERROR_SUCCESS);
    RegSetValueExA(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(path.c_str()),
                   static_cast<DWORD>(path.size() + 1));
    RegCloseKey(opened);
}

void unregisterModule(const char *key, const char *name)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_SET_VALUE, &opened) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(opened, name);
    RegCloseKey(opened);
}

void clearModules(const char *key)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_ALL_ACCESS, &opened) != ERROR_SUCCESS)
        return;
    std::vector<std::string> names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumValueA(opened, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, size);
    }
    for (const std::string &n : names)
        RegDeleteValueA(opened, n.c_str());
    RegCloseKey(opened);
}

probe::PROBESTATE &probes()
{
    auto state = reinterpret_cast<probe::ProbeStateProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(probeModule, "ProbeState")));
    return *state();
}

bool probeRequest(int index, int32_t frames)
{
    auto request = reinterpret_cast<probe::ProbeRequestProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(probeModule, "ProbeRequest")));
    return request(index, frames);
}

void resetProbes()
{
    probe::PROBESTATE &p = probes();
    p.synthLevel = 0.0f;
    p.afterDestroy = 0;
    p.messageCount = 0;
    p.notesSounding = 0;
    p.selectResult = 1;
    p.paramAnswer = -1.0f;
    p.stateBytes = 4;
    p.stateValue = 0;
    p.loadedValue = -1;
    p.offerNames = 0;
    p.readSongMaps = 0;
    p.songReads = 0;
    p.badSongReads = 0;
    p.renderWatch = nullptr;
    p.renderWatchContext = nullptr;
    p.effectProcess = 0;
    p.effectSilence = 0;
    p.effectSawAudio = 0;
    p.openResult = 1;
    p.startResult = 1;
    p.doneResult = 1;
}

long providerIndex(const char *product)
{
    char name[Quorvane::kAspNameSize];
    for (long i = 0; Quorvane::SndGetASPProductName(i, name); ++i)
        if (std::strcmp(name, product) == 0)
            return i;
    return -1;
}

Quorvane::IOPARAMS testParams(long frames, long rate, long format)
{
    Quorvane::IOPARAMS params;
    params.bufferFrames = frames;
    params.sampleRate = rate;
    params.bitsPerSample = format;
    return params;
}

SongWithTract::SongWithTract(const Quorvane::IOPARAMS &params)
    : manager(new Quorvane::CSoundMngr("sound tests"))
{
    Quorvane::IOPARAMS copy = params;
    manager->Init(&copy);
    song = std::make_unique<Quorvane::CSong>(&params, manager);
    song->SetDefault();
}

SongWithTract::~SongWithTract()
{
    song.reset();
    manager->Release();
}

Quorvane::CSongTract *SongWithTract::tract() const
{
    return static_cast<Quorvane::CSongTract *>(song->GetSongTract());
}

Quorvane::PORTDESCR byName(long kind, const char *module)
{
    Quorvane::PORTDESCR descriptor(kind);
    descriptor.SetData(module);
    return descriptor;
}

void takeMessagesUntil(const std::function<bool()> &done, unsigned long bound)
{
    const DWORD start = GetTickCount();
    while (!done() && GetTickCount() - start < bound) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

} // namespace sound_test
