// Output devices held open for the outputs that play to them: one handle
// per device for the whole process, opened by the first user and closed by
// the last, so short messages and SysEx for one port share it (a device
// often takes only one handle). Each port has its own lock; a message is
// sent under it, so messages to one port never interleave.
#pragma once

#include <windows.h>
#include <mmsystem.h>

namespace velmarin {

constexpr UINT kMaxHeldPorts = 32;

// Counted: true when the device is open (now or already).
bool HoldPort(UINT device);
void ReleasePort(UINT device);
// False when the port is not held or the device refused the message.
bool SendShortMessage(UINT device, DWORD message);
// Runs send(handle, context) on the held handle under the port's lock and
// gives its result in sent; false (not run) when the port is not held.
bool WithHeldPort(UINT device, bool (*send)(HMIDIOUT handle, void *context), void *context, bool &sent);

} // namespace velmarin
