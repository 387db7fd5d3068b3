// A stand-in for the MIDI output module with a fixed list of output ports:
// one name twice, and one longer than the engine's name buffers. Its ports
// keep the SysEx bytes they are sent, which tests read back, and a port can
// be made to hold up its senders, as a driver that does not answer.
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

// Short messages as they arrive, with the time in milliseconds (of the
// performance counter), and how often each port is held.
struct ShortMessages {
    ShortMessages() { InitializeCriticalSection(&lock); }
    CRITICAL_SECTION lock;
    std::vector<unsigned long> messages[kPorts];
    std::vector<double> times[kPorts];
    long holds[kPorts] = {};
    // Set while a port lets its senders through, and how many it holds up.
    HANDLE open[kPorts] = {};
    long heldUp[kPorts] = {};
};
ShortMessages shorts;

HANDLE portOpen(long index)
{
    EnterCriticalSection(&shorts.lock);
    if (!shorts.open[index])
        shorts.open[index] = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    const HANDLE open = shorts.open[index];
    LeaveCriticalSection(&shorts.lock);
    return open;
}

double Milliseconds()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

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

extern "C" __declspec(dllexport) int MIDIOutHoldPort(long index)
{
    if (index < 0 || index >= kPorts)
        return 0;
    EnterCriticalSection(&shorts.lock);
    ++shorts.holds[index];
    LeaveCriticalSection(&shorts.lock);
    return 1;
}

extern "C" __declspec(dllexport) void MIDIOutReleasePort(long index)
{
    if (index < 0 || index >= kPorts)
        return;
    EnterCriticalSection(&shorts.lock);
    --shorts.holds[index];
    LeaveCriticalSection(&shorts.lock);
}

// Taken only while the port is held, as the real module does; a stalled
// port holds the sender up first.
extern "C" __declspec(dllexport) int MIDIOutShortMessage(long index, unsigned long message)
{
    if (index < 0 || index >= kPorts)
        return 0;
    InterlockedIncrement(&shorts.heldUp[index]);
    WaitForSingleObject(portOpen(index), INFINITE);
    InterlockedDecrement(&shorts.heldUp[index]);
    EnterCriticalSection(&shorts.lock);
    const bool held = shorts.holds[index] > 0;
    if (held) {
        shorts.messages[index].push_back(message);
        shorts.times[index].push_back(Milliseconds());
    }
    LeaveCriticalSection(&shorts.lock);
    return held ? 1 : 0;
}

// The short messages port index has taken (up to size) with their times in
// milliseconds; the count taken so far, -1 for no such port.
extern "C" __declspec(dllexport) long FixtureShortReceived(long index, unsigned long *messages, double *times,
                                                           long size)
{
    if (index < 0 || index >= kPorts)
        return -1;
    EnterCriticalSection(&shorts.lock);
    const long count = static_cast<long>(shorts.messages[index].size());
    for (long i = 0; i < count && i < size; ++i) {
        if (messages)
            messages[i] = shorts.messages[index][static_cast<size_t>(i)];
        if (times)
            times[i] = shorts.times[index][static_cast<size_t>(i)];
    }
    LeaveCriticalSection(&shorts.lock);
    return count;
}

// How many holds port index has now.
extern "C" __declspec(dllexport) long FixtureHolds(long index)
{
    return index >= 0 && index < kPorts ? shorts.holds[index] : -1;
}

// The fixture's performance-counter clock in milliseconds.
extern "C" __declspec(dllexport) double FixtureMilliseconds()
{
    return Milliseconds();
}

// Makes port index hold up every sender of a short message (stall 1) until
// it lets them through again (stall 0).
extern "C" __declspec(dllexport) void FixtureStallPort(long index, int stall)
{
    if (index < 0 || index >= kPorts)
        return;
    if (stall)
        ResetEvent(portOpen(index));
    else
        SetEvent(portOpen(index));
}

// How many senders port index holds up now.
extern "C" __declspec(dllexport) long FixtureHeldSenders(long index)
{
    return index >= 0 && index < kPorts ? shorts.heldUp[index] : -1;
}
