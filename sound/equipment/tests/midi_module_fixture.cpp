// A stand-in for the MIDI output module with a fixed list of output ports:
// one name twice, and one longer than the engine's name buffers.
#include <windows.h>

#include <string>

namespace {

const std::string ports[] = {"Fixture Port A", "Fixture Port B", "Fixture Port A", std::string(300, 'L')};

} // namespace

extern "C" __declspec(dllexport) void MIDIOutStepSignal() {}

extern "C" __declspec(dllexport) char *GetMIDIPortName(int direction, long index)
{
    if (direction != 1 || index < 0 || index >= static_cast<long>(sizeof ports / sizeof ports[0]))
        return nullptr;
    return const_cast<char *>(ports[index].c_str());
}

extern "C" __declspec(dllexport) long GetMIDIPortID(int, char *)
{
    return -1;
}
