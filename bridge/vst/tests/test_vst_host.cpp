#include "bridge/vst/tests/test_vst_host.h"

#include <cstring>

namespace vst_test {

namespace {

TestVstHost *current = nullptr;

} // namespace

TestVstHost::TestVstHost()
{
    time.sampleRate = 44100.0;
    time.tempo = 120.0;
    time.flags = vst2::kTimeTempoValid | vst2::kTimePpqPosValid;
    current = this;
}

TestVstHost::~TestVstHost()
{
    current = nullptr;
}

intptr_t VST2_CALL TestVstHost::Callback(vst2::Effect *, int32_t opcode, int32_t, intptr_t value, void *ptr,
                                         float)
{
    TestVstHost *host = current;
    if (!host)
        return 0;
    switch (opcode) {
    case vst2::hostVersion:
        return host->version;
    case vst2::hostCanDo:
        return ptr && std::strcmp(static_cast<const char *>(ptr), "sendVstTimeInfo") == 0
                   ? host->timeInfoAnswer
                   : 0;
    case vst2::hostWantEvents:
        ++host->wantEventsCalls;
        return 1;
    case vst2::hostGetTime:
        ++host->timeRequests;
        host->lastTimeFlagsAsked = value;
        return host->giveTime ? reinterpret_cast<intptr_t>(&host->time) : 0;
    default:
        return 0;
    }
}

void EventList::Add(int32_t delta, int status, int data1, int data2)
{
    vst2::MidiEvent event = {};
    event.type = vst2::kEventMidi;
    event.byteSize = sizeof event;
    event.deltaFrames = delta;
    event.midiData[0] = static_cast<char>(status);
    event.midiData[1] = static_cast<char>(data1);
    event.midiData[2] = static_cast<char>(data2);
    events_.push_back(event);
}

void EventList::AddOther(int32_t delta)
{
    vst2::MidiEvent event = {};
    event.type = vst2::kEventSysEx;
    event.byteSize = sizeof event;
    event.deltaFrames = delta;
    event.midiData[0] = static_cast<char>(0x90);
    event.midiData[1] = 60;
    event.midiData[2] = 100;
    events_.push_back(event);
}

vst2::Events *EventList::Get()
{
    const size_t count = events_.size();
    list_.assign(offsetof(vst2::Events, events) + (count + 2) * sizeof(vst2::Event *), 0);
    auto *list = reinterpret_cast<vst2::Events *>(list_.data());
    list->numEvents = static_cast<int32_t>(count);
    for (size_t i = 0; i < count; ++i)
        list->events[i] = reinterpret_cast<vst2::Event *>(&events_[i]);
    return list;
}

intptr_t Dispatch(vst2::Effect *effect, int32_t opcode, intptr_t value, void *ptr, float opt)
{
    return effect->dispatcher(effect, opcode, 0, value, ptr, opt);
}

std::string Text(vst2::Effect *effect, int32_t opcode)
{
    char text[256] = {};
    Dispatch(effect, opcode, 0, text);
    return text;
}

} // namespace vst_test
