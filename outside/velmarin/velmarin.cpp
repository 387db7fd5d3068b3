// Velmarin.dll, the MIDI output module the sound engine loads while it
// runs: the Windows MIDI output ports by name and number, their SysEx
// objects, and the step signal the render thread gives once per buffer.
// Where the system has no MIDI output device it lists none, and the step
// has nothing to do.
#include "outside/velmarin/held_ports.h"
#include "outside/velmarin/sysex_port.h"

#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <cstring>

namespace {

// Directions of the port functions: 1 asks for outputs.
constexpr int kOutputs = 1;

constexpr long kMaxPorts = 32;
static_assert(kMaxPorts == velmarin::kMaxHeldPorts);

// Names and port objects handed out stay valid until the module is
// unloaded.
char portNames[kMaxPorts][MAXPNAMELEN];
velmarin::SysExPort sysExPorts[kMaxPorts];

bool IsOutputPort(long index)
{
    return index >= 0 && index < static_cast<long>(midiOutGetNumDevs()) && index < kMaxPorts;
}

std::atomic<long> steps{0};

} // namespace

// Called by the render thread once per buffer. The step opens no port:
// what it would send goes through outputs that hold one.
extern "C" __declspec(dllexport) void MIDIOutStepSignal()
{
    steps.fetch_add(1, std::memory_order_relaxed);
}

// The name of output port index, or null when there is no such port.
extern "C" __declspec(dllexport) char *GetMIDIPortName(int direction, long index)
{
    if (direction != kOutputs || !IsOutputPort(index))
        return nullptr;
    MIDIOUTCAPSA caps = {};
    if (midiOutGetDevCapsA(static_cast<UINT_PTR>(index), &caps, sizeof caps) != MMSYSERR_NOERROR)
        return nullptr;
    std::memcpy(portNames[index], caps.szPname, MAXPNAMELEN);
    portNames[index][MAXPNAMELEN - 1] = '\0';
    return portNames[index];
}

// The number of the output port with that name, or -1 when there is none.
extern "C" __declspec(dllexport) long GetMIDIPortID(int direction, char *name)
{
    if (direction != kOutputs || !name)
        return -1;
    const UINT count = midiOutGetNumDevs();
    for (UINT i = 0; i < count; ++i) {
        MIDIOUTCAPSA caps = {};
        if (midiOutGetDevCapsA(i, &caps, sizeof caps) == MMSYSERR_NOERROR &&
            std::strncmp(caps.szPname, name, MAXPNAMELEN) == 0)
            return static_cast<long>(i);
    }
    return -1;
}

// Output port index held open for an output that plays to it (counted);
// nonzero when it is open.
extern "C" __declspec(dllexport) int MIDIOutHoldPort(long index)
{
    return IsOutputPort(index) && velmarin::HoldPort(static_cast<UINT>(index)) ? 1 : 0;
}

extern "C" __declspec(dllexport) void MIDIOutReleasePort(long index)
{
    if (index >= 0)
        velmarin::ReleasePort(static_cast<UINT>(index));
}

// One packed short message to a held port; nonzero when the device took it.
extern "C" __declspec(dllexport) int MIDIOutShortMessage(long index, unsigned long message)
{
    return index >= 0 && velmarin::SendShortMessage(static_cast<UINT>(index), message) ? 1 : 0;
}

// The object that sends SysEx to output port index, or null when there is
// no such port.
extern "C" __declspec(dllexport) Quorvane::ISysExPort *GetMIDIOutPort(long index)
{
    if (!IsOutputPort(index))
        return nullptr;
    sysExPorts[index].SetDevice(static_cast<UINT>(index));
    return &sysExPorts[index];
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        if (midiOutGetNumDevs() == 0)
            OutputDebugStringA("Velmarin: this system has no MIDI output port\n");
    }
    return TRUE;
}

// How many step signals the module has had (for tests).
extern "C" __declspec(dllexport) long VelmarinStepCount()
{
    return steps.load();
}
