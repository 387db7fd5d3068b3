#include "outside/velmarin/sysex_port.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include <string>

namespace {

struct Velmarin {
    Velmarin() : module(LoadLibraryA("Velmarin.dll")) {}
    ~Velmarin() { FreeLibrary(module); }
    template <typename Proc> Proc entry(const char *name)
    {
        return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
    }
    HMODULE module;
};

using PortName = char *(*)(int, long);
using PortId = long (*)(int, char *);
using Step = void (*)();
using StepCount = long (*)();
using OutPort = Quorvane::ISysExPort *(*)(long);

// The output ports are the system's MIDI output devices, by number and by
// name; a system without any (as under Wine here) lists none.
TEST(Velmarin, ListsTheSystemsMidiOutputs)
{
    Velmarin velmarin;
    ASSERT_NE(velmarin.module, nullptr);
    auto name = velmarin.entry<PortName>("GetMIDIPortName");
    auto id = velmarin.entry<PortId>("GetMIDIPortID");
    ASSERT_NE(name, nullptr);
    ASSERT_NE(id, nullptr);
    const UINT devices = midiOutGetNumDevs();
    for (UINT i = 0; i < devices && i < 32; ++i) {
        MIDIOUTCAPSA caps = {};
        ASSERT_EQ(midiOutGetDevCapsA(i, &caps, sizeof caps), MMSYSERR_NOERROR);
        ASSERT_NE(name(1, static_cast<long>(i)), nullptr);
        EXPECT_STREQ(name(1, static_cast<long>(i)), caps.szPname);
        EXPECT_EQ(id(1, caps.szPname), static_cast<long>(i));
    }
    EXPECT_EQ(name(1, static_cast<long>(devices)), nullptr);
    EXPECT_EQ(name(1, -1), nullptr);
    EXPECT_EQ(name(0, 0), nullptr) << "no inputs";
    EXPECT_EQ(id(1, const_cast<char *>("No Such Port")), -1);
    EXPECT_EQ(id(1, nullptr), -1);
}

// Each output port has one SysEx object, kept by the module; other numbers
// have none.
TEST(Velmarin, HandsOutOneSysExObjectPerOutputPort)
{
    Velmarin velmarin;
    auto port = velmarin.entry<OutPort>("GetMIDIOutPort");
    ASSERT_NE(port, nullptr);
    const long devices = static_cast<long>(midiOutGetNumDevs());
    for (long i = 0; i < devices && i < 32; ++i) {
        EXPECT_NE(port(i), nullptr);
        EXPECT_EQ(port(i), port(i));
    }
    EXPECT_EQ(port(devices), nullptr);
    EXPECT_EQ(port(-1), nullptr);
    EXPECT_EQ(port(32), nullptr);
}

// Sending fails without sending for bad arguments and for a device that
// cannot be opened.
TEST(VelmarinSysExPort, FailsWhereTheDeviceOrTheMessageIsMissing)
{
    const unsigned char reset[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    velmarin::SysExPort port;
    port.SetDevice(midiOutGetNumDevs() + 5);
    EXPECT_EQ(port.SendSysEx(0, reset, sizeof reset), 0) << "no such device";
    EXPECT_EQ(port.SendSysEx(1, reset, sizeof reset), 0) << "unknown flags";
    EXPECT_EQ(port.SendSysEx(0, nullptr, 6), 0);
    EXPECT_EQ(port.SendSysEx(0, reset, 0), 0);
}

TEST(Velmarin, CountsItsSteps)
{
    Velmarin velmarin;
    auto step = velmarin.entry<Step>("MIDIOutStepSignal");
    auto count = velmarin.entry<StepCount>("VelmarinStepCount");
    ASSERT_NE(step, nullptr);
    const long before = count();
    step();
    step();
    EXPECT_EQ(count(), before + 2);
}

} // namespace
