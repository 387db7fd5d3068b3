// A VST 2 host for the bridge plug-in's tests: it answers the plug-in's
// callbacks as the test sets it up, keeps what the plug-in asked, and
// builds MIDI event lists.
#pragma once

#include "platform/vst2/vst2.h"

#include <string>
#include <vector>

namespace vst_test {

class TestVstHost {
public:
    TestVstHost();
    ~TestVstHost();
    TestVstHost(const TestVstHost &) = delete;
    TestVstHost &operator=(const TestVstHost &) = delete;

    // The callback to hand the plug-in's entry.
    static intptr_t VST2_CALL Callback(vst2::Effect *effect, int32_t opcode, int32_t index, intptr_t value,
                                       void *ptr, float opt);

    intptr_t version = 2400;
    intptr_t timeInfoAnswer = 1; // what canDo "sendVstTimeInfo" answers
    bool giveTime = true;        // whether hostGetTime answers the record
    vst2::TimeInfo time = {};
    int wantEventsCalls = 0;
    int timeRequests = 0;
    intptr_t lastTimeFlagsAsked = 0;
};

// MIDI events for effProcessEvents.
class EventList {
public:
    void Add(int32_t delta, int status, int data1, int data2 = 0);
    // An event of another type (SysEx), which the plug-in passes over.
    void AddOther(int32_t delta);
    vst2::Events *Get();

private:
    std::vector<vst2::MidiEvent> events_;
    std::vector<char> list_;
};

// Drives an effect record through its dispatcher and process calls.
intptr_t Dispatch(vst2::Effect *effect, int32_t opcode, intptr_t value = 0, void *ptr = nullptr,
                  float opt = 0.0f);
std::string Text(vst2::Effect *effect, int32_t opcode);

} // namespace vst_test
