// The module-wide host-information record as the integration's own files
// change it; everyone else reads it through hostInfo().
#pragma once

#include "plugin/framework/plugin/host_integration.h"

namespace Quorvane {

HostInfo &hostInfoRecord();

} // namespace Quorvane
