// The test instrument's switches and what it saw, shared with the tests
// through its export "TestDxiControl" (the tests load the same module).
#pragma once

#include "platform/dxi.h"

// Class ids: the instrument with its page, the one without, the page.
inline constexpr CLSID CLSID_TestDxi = dxi_detail::guid("6C1F3E20-8B5A-4D37-9E21-3A7B5C9D0E11");
inline constexpr CLSID CLSID_TestDxiNoPage = dxi_detail::guid("6C1F3E21-8B5A-4D37-9E21-3A7B5C9D0E11");
inline constexpr CLSID CLSID_TestDxiPage = dxi_detail::guid("6C1F3E22-8B5A-4D37-9E21-3A7B5C9D0E11");

inline constexpr char kTestDxiName[] = "Tembri Test DXi";
inline constexpr char kTestDxiNoPageName[] = "Tembri Test DXi Without Page";

// Frames of one note's burst.
inline constexpr int kTestDxiBurstFrames = 1000;

struct TEST_DXI_CONTROL {
    // Output connections accepted: 2 stereo only, 1 mono only.
    LONG outputChannels = 2;
    // 0: a block is rendered but never delivered.
    LONG deliver = 1;
    // > 0: at most this many frames are reported per block.
    LONG reportFrames = 0;
    // What the host told it.
    LONG connected = 0;
    LONG starts = 0, stops = 0, loops = 0;
    LONG lastStart = 0, lastStop = 0, loopFrom = 0, loopTo = 0;
    LONG eventCalls = 0, eventsSeen = 0;
    LONG windowStart = 0, windowEnd = 0;
    DXI_EVENT events[64] = {};
    LONG tempoCalls = 0, temposSeen = 0;
    DXI_TEMPO_CHANGE tempos[16] = {};
    // The song sample of the last block's first frame and its frames.
    LONGLONG blockStart = 0;
    LONG blockFrames = 0;
    // Set: the page's Activate and Deactivate signal pageEntered and wait
    // (at most 5 s) for pageGoOn while their window opens or closes, so a
    // test can act meanwhile; a wait that ran out is counted.
    HANDLE pageEntered = nullptr;
    HANDLE pageGoOn = nullptr;
    LONG pageWaitsRanOut = 0;
    // The same for writing the state: it signals stateEntered and waits for
    // stateGoOn.
    HANDLE stateEntered = nullptr;
    HANDLE stateGoOn = nullptr;
    LONG stateWaitsRanOut = 0;
};

using TestDxiControlProc = TEST_DXI_CONTROL *(*)();
using TestDxiLiveObjectsProc = LONG (*)();
