// A stand-in for the MIDI output module with a fixed list of output ports:
// one name twice, and one longer than the engine's name buffers. Its ports
// keep the SysEx bytes they are sent, which tests read back.
#include "data/sound_interfaces.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const std::string ports[] = {"Fixture Port A", "Fixture Port B", "Fixture Port A", std::string(300, 'L')};
constexpr long kPorts = static_cast<long>(sizeof ports / sizeof ports[0]);

class RecordingPort final : public Quorvane::ISysExPort {
public:
    int SendSysEx(long flags, const unsigned char *data, long length) override
    {
        if (flags != 0 || !data || length <= 0)
            return 0;
        received.insert(received.end(), data, data + length);
        return 1;
    }
    std::vector<unsigned char> received;
};

RecordingPort recorders[kPorts];

} // namespace

extern "C" __declspec(dllexport) void MIDIOutStepSignal() {}

extern "C" __declspec(dllexport) char *GetMIDIPortName(int direction, long index)
{
    if (direction != 1 || index < 0 || index >= kPorts)
        return nullptr;
    return const_cast<char *>(ports[index].c_str());
}

// The first port of that name.
extern "C" __declspec(dllexport) long GetMIDIPortID(int direction, char *name)
{
    for (long i = 0; direction == 1 && name && i < kPorts; ++i)
        if (ports[i] == name)
            return i;
    return -1;
}

extern "C" __declspec(dllexport) Quorvane::ISysExPort *GetMIDIOutPort(long index)
{
    return index >= 0 && index < kPorts ? &recorders[index] : nullptr;
}

// What port index has been sent so far, copied into bytes (up to size);
// the count of bytes received, -1 for no such port.
extern "C" __declspec(dllexport) long FixtureSysExReceived(long index, unsigned char *bytes, long size)
{
    if (index < 0 || index >= kPorts)
        return -1;
    const auto &received = recorders[index].received;
    const long count = static_cast<long>(received.size());
    if (bytes && size > 0)
        std::memcpy(bytes, received.data(), static_cast<size_t>(count < size ? count : size));
    return count;
}
