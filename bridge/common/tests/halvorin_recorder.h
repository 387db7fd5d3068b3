// A stand-in for the stream provider, for the bridge plug-ins' tests: a
// module registered as "Halvorin" whose "ASPHalvorinRequest" keeps every
// call and answers as the tests set it up. Op 0 writes the segment's
// number (counted from 1) into the frames it covers: mode 0 adds it, mode 1
// writes it to the left and its negative to the right, mode 2 writes it to
// both sides of the interleaved output.
#pragma once

#include "bridge/asp/halvorin_request.h"

namespace halvorin_test {

struct RecordedCall {
    int channel;
    int op;
    Halvorin::BridgeRenderBlock block; // op 0
    char text[64];                     // op 6
};

// The module's exports besides ASPHalvorinRequest.
using RecorderTakeProc = int (*)(RecordedCall *out, int most);
// Op 3 answers claim; op 5 answers name (null: no program).
using RecorderSetUpProc = void (*)(int claim, const char *name);

} // namespace halvorin_test
