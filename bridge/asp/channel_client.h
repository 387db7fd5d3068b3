// The host's side of a channel: a bridge plug-in claims a channel, sends
// each audio segment with its note, transport, tempo, bend and modulation,
// and takes the program's audio back into the host's buffers.
#pragma once

namespace Halvorin {

// The export "ASPHalvorinRequest": the operations of RequestOp.
int HalvorinRequest(int channel, int op, void *data);

} // namespace Halvorin
