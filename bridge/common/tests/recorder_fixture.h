// The stream provider stand-in (halvorin_recorder.dll) registered as
// "Halvorin" in a private machine key for one test.
#pragma once

#include "bridge/common/tests/halvorin_recorder.h"
#include "testing/sandbox.h"

#include <string>
#include <vector>

namespace halvorin_test {

// The folder of the running test program, ending with a backslash.
std::string programFolder();

class Recorder {
public:
    Recorder();
    ~Recorder();
    Recorder(const Recorder &) = delete;
    Recorder &operator=(const Recorder &) = delete;

    bool Ready() const { return take_ && setUp_; }
    // The calls since the last take.
    std::vector<RecordedCall> Take();
    // Only the op 0 calls since the last take.
    std::vector<Halvorin::BridgeRenderBlock> TakeSegments();
    void SetUp(int claim, const char *name) { setUp_(claim, name); }

    testing_support::LocalMachineOverride machine;

private:
    HMODULE module_ = nullptr;
    RecorderTakeProc take_ = nullptr;
    RecorderSetUpProc setUp_ = nullptr;
};

} // namespace halvorin_test
