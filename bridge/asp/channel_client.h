// The host's side of a channel: a bridge plug-in claims a channel, sends
// each audio segment with its note, transport, tempo, bend and modulation,
// and takes the program's audio back into the host's buffers.
#pragma once

#include <windows.h>

namespace Halvorin {

// The export "ASPHalvorinRequest": the operations of RequestOp.
int HalvorinRequest(int channel, int op, void *data);

// How long a host waits for the program's answers to one segment: the
// margin and two periods of the segment, never longer than the most.
struct WaitBound {
    DWORD marginMs;
    DWORD longestMs;
};
constexpr WaitBound kWaitBound = {50, 250};
// Sets the bound of this process's waits and gives the one it replaces
// (the tests of the protocol's arithmetic wait as long as a loaded machine
// needs; the shipped library keeps kWaitBound).
WaitBound SetWaitBound(WaitBound bound);

} // namespace Halvorin
