#include "sound/equipment/vst_scan_host.h"

#include "sound/equipment/vst_host_name.h"

#include <cstring>

namespace Quorvane {

namespace {

constexpr intptr_t kTempoAt = 100000;

bool Is(const void *question, const char *text)
{
    return question && std::strcmp(static_cast<const char *>(question), text) == 0;
}

intptr_t CanDo(bool eventsAllowed, const void *question)
{
    if (Is(question, "sendVstEvents") || Is(question, "sendVstMidiEvent"))
        return eventsAllowed ? 1 : 0;
    return Is(question, "sendVstTimeInfo") || Is(question, "sizeWindow") || Is(question, "supplyIdle") ? 1
                                                                                                       : 0;
}

} // namespace

intptr_t AnswerHostOpcode(bool eventsAllowed, int32_t opcode, void *ptr)
{
    // The time record stays valid after the call, as plug-ins expect.
    static thread_local vst2::TimeInfo time;
    switch (opcode) {
    case vst2::hostVersion:
        return vst2::kHostVersion2;
    case vst2::hostGetTime:
        if (!eventsAllowed)
            return 0;
        time = {};
        time.sampleRate = kScanSampleRate;
        return reinterpret_cast<intptr_t>(&time);
    case vst2::hostProcessEvents:
        return eventsAllowed ? 1 : 0;
    case vst2::hostTempoAt:
        return kTempoAt;
    case vst2::hostGetSampleRate:
        return static_cast<intptr_t>(kScanSampleRate);
    case vst2::hostGetBlockSize:
        return kScanBlockSize;
    case vst2::hostGetVendorString:
    case vst2::hostGetProductString:
        return WriteVstHostName(ptr);
    case vst2::hostCanDo:
        return CanDo(eventsAllowed, ptr);
    default:
        return 0;
    }
}

intptr_t VST2_CALL ScanHostCallback(vst2::Effect *, int32_t opcode, int32_t, intptr_t, void *ptr, float)
{
    return AnswerHostOpcode(false, opcode, ptr);
}

} // namespace Quorvane
