#include "outside/vst/vst_host_answers.h"

#include "platform/vst2/vst2.h"
#include "sound/equipment/vst_host_name.h"

#include <cstring>
#include <initializer_list>

namespace Quorvane {

namespace {

// The host sends events and time and gives editors idle calls; it takes no
// events from plug-ins and does not resize their windows.
intptr_t CanDo(const char *question)
{
    if (!question)
        return 0;
    for (const char *yes : {"sendVstEvents", "sendVstMidiEvent", "sendVstTimeInfo", "supplyIdle"})
        if (std::strcmp(question, yes) == 0)
            return 1;
    return 0;
}

} // namespace

intptr_t AnswerAnyHostQuestion(int32_t opcode, void *ptr)
{
    switch (opcode) {
    case vst2::hostVersion:
        return vst2::kHostVersion2;
    case vst2::hostWantEvents:
        return 1;
    case vst2::hostGetVendorString:
    case vst2::hostGetProductString:
        return WriteVstHostName(ptr);
    case vst2::hostCanDo:
        return CanDo(static_cast<const char *>(ptr));
    default:
        return 0;
    }
}

} // namespace Quorvane
