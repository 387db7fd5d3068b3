// How this system names itself to a VST 2 plug-in that asks for the host's
// vendor or product: the scan host and the instrument and effect outputs
// answer alike.
#pragma once

#include "platform/vst2/vst2.h"

#include <cstdint>
#include <cstring>

namespace Quorvane {

inline constexpr char kVstHostName[] = "Quorvane Tembri";

// The name into the plug-in's buffer (kMaxVendorStringLength characters and
// the end); 0 when it gave none.
inline intptr_t WriteVstHostName(void *buffer)
{
    static_assert(sizeof kVstHostName <= vst2::kMaxVendorStringLength + 1);
    if (!buffer)
        return 0;
    std::memcpy(buffer, kVstHostName, sizeof kVstHostName);
    return 1;
}

} // namespace Quorvane
