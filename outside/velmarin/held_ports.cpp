#include "outside/velmarin/held_ports.h"

namespace velmarin {

namespace {

struct HeldPort {
    HeldPort() { InitializeCriticalSection(&lock); }
    ~HeldPort() { DeleteCriticalSection(&lock); }
    CRITICAL_SECTION lock;
    HMIDIOUT handle = nullptr;
    long users = 0;
};

HeldPort ports[kMaxHeldPorts];

struct Locked {
    explicit Locked(HeldPort &port) : port(port) { EnterCriticalSection(&port.lock); }
    ~Locked() { LeaveCriticalSection(&port.lock); }
    HeldPort &port;
};

} // namespace

bool HoldPort(UINT device)
{
    if (device >= kMaxHeldPorts)
        return false;
    Locked locked(ports[device]);
    HeldPort &port = ports[device];
    if (!port.handle && midiOutOpen(&port.handle, device, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
        port.handle = nullptr;
        return false;
    }
    ++port.users;
    return true;
}

void ReleasePort(UINT device)
{
    if (device >= kMaxHeldPorts)
        return;
    Locked locked(ports[device]);
    HeldPort &port = ports[device];
    if (port.users <= 0 || --port.users > 0)
        return;
    // Notes still sounding are ended before the handle goes.
    midiOutReset(port.handle);
    midiOutClose(port.handle);
    port.handle = nullptr;
}

bool SendShortMessage(UINT device, DWORD message)
{
    if (device >= kMaxHeldPorts)
        return false;
    Locked locked(ports[device]);
    return ports[device].handle && midiOutShortMsg(ports[device].handle, message) == MMSYSERR_NOERROR;
}

bool WithHeldPort(UINT device, bool (*send)(HMIDIOUT handle, void *context), void *context, bool &sent)
{
    if (device >= kMaxHeldPorts)
        return false;
    Locked locked(ports[device]);
    if (!ports[device].handle)
        return false;
    sent = send(ports[device].handle, context);
    return true;
}

} // namespace velmarin
