// The SysEx window sending through the sound engine: a song tract's MIDI
// output hands the entry's bytes to the MIDI output module's port. The
// module is the tests' stand-in, loaded before the engine asks for
// "Velmarin.dll" so that the engine gets it; its ports keep what arrives.
#include "gui/windows/tests/editor_host.h"

#include "data/sysex.h"
#include "gui/windows/sysex_window.h"
#include "sound/asp_registry.h"
#include "sound/module_keys.h"
#include "sound/sound_mngr.h"
#include "sound/ssynth_elem.h"
#include "sound/tests/engine_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace Quorvane;
using namespace windows_test;

namespace {

using ReceivedProc = long (*)(long index, unsigned char *bytes, long size);

long mid(long row)
{
    return 22 + 26 * row + 13;
}

struct SysExSendingTest : ::testing::Test {
    void SetUp() override
    {
        ASSERT_EQ(GetModuleHandleA("Velmarin.dll"), nullptr) << "the real module is loaded already";
        midiModule = LoadLibraryA((sound_test::testsFolder() + "midi_fixture\\Velmarin.dll").c_str());
        ASSERT_NE(midiModule, nullptr);
        received = reinterpret_cast<ReceivedProc>(
            reinterpret_cast<void (*)()>(GetProcAddress(midiModule, "FixtureSysExReceived")));
        ASSERT_NE(received, nullptr);
        sound_test::registerModule(kSoftSynthKey, "Tembri MIDI",
                                   sound_test::testsFolder() + "sound_probes.dll");
        sound_test::resetProbes();
        IOPARAMS params = sound_test::testParams();
        params.asp = sound_test::providerIndex("Probe");
        ASSERT_EQ(manager->Init(&params), 1);
        ASSERT_EQ(manager->EngineStart(), 1);
        host = std::make_unique<Host>(960, manager);
        editor = &host->open<CSysExWindow>(32766, 0, 700, 300);
        window = editor->as<CSysExWindow>();
    }
    void TearDown() override
    {
        host.reset();
        manager->Release();
        sound_test::unregisterModule(kSoftSynthKey, "Tembri MIDI");
        if (midiModule)
            FreeLibrary(midiModule);
    }
    IQuorvaneSongTract *tract() const { return host->song.GetSongTract(); }
    void *midiOut(const char *port)
    {
        PORTDESCR d(OUT_MIDI);
        d.SetData(port);
        return tract()->AddNewOut(&d);
    }
    void add(const std::vector<unsigned char> &bytes, void *port)
    {
        SYSEX entry;
        entry.SetData(bytes.data(), static_cast<long>(bytes.size()));
        entry.port = port;
        host->song.sysEx.Add(entry);
        window->OnSize(kTimeMax, kTimeMax);
    }
    std::vector<unsigned char> arrived(long port)
    {
        std::vector<unsigned char> bytes(256);
        const long count = received(port, bytes.data(), static_cast<long>(bytes.size()));
        bytes.resize(count < 0 ? 0 : count);
        return bytes;
    }

    HMODULE midiModule = nullptr;
    ReceivedProc received = nullptr;
    CSoundMngr *manager = new CSoundMngr("sysex sending tests");
    std::unique_ptr<Host> host;
    Editor *editor = nullptr;
    CSysExWindow *window = nullptr;
};

const std::vector<unsigned char> kIdentity = {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};
const std::vector<unsigned char> kMasterVolume = {0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x00, 0x64, 0xF7};

TEST_F(SysExSendingTest, AnEntryArrivesAtThePortOfItsMidiOutput)
{
    void *portB = midiOut("Fixture Port B");
    ASSERT_NE(portB, nullptr);
    ASSERT_EQ(tract()->GetOutType(portB), 7);
    add(kIdentity, portB);
    editor->press(10, mid(0));
    ASSERT_EQ(window->CanSend(), 1);
    EXPECT_EQ(window->OnSend(), 1);
    EXPECT_EQ(arrived(1), kIdentity);
    EXPECT_EQ(arrived(0), std::vector<unsigned char>{}) << "only the output's own port";
    editor->paintAll();
    editor->screenshot("pannikel_sysex_window_midi_port");
}

TEST_F(SysExSendingTest, SendAllReachesEachEntrysPortInOrder)
{
    void *portA = midiOut("Fixture Port A");
    void *portB = midiOut("Fixture Port B");
    ASSERT_NE(portA, nullptr);
    ASSERT_NE(portB, nullptr);
    add(kMasterVolume, portB);
    add(kIdentity, portA);
    add(kIdentity, portB);
    EXPECT_EQ(window->OnSendAll(), 1);
    std::vector<unsigned char> both = kMasterVolume;
    both.insert(both.end(), kIdentity.begin(), kIdentity.end());
    EXPECT_EQ(arrived(1), both);
    EXPECT_EQ(arrived(0), kIdentity);
}

// Only a MIDI output takes SysEx: an entry on the preview synthesizer fails
// and sends nothing anywhere.
TEST_F(SysExSendingTest, AnOutputThatIsNoMidiPortFails)
{
    void *preview = tract()->GetOutPreview();
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(tract()->GetSysExPort(preview), nullptr);
    add(kIdentity, preview);
    EXPECT_EQ(window->SendSysEx(0), 0);
    for (long port = 0; port < 4; ++port)
        EXPECT_EQ(arrived(port), std::vector<unsigned char>{}) << port;
}

} // namespace
