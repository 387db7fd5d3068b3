// The preset object of a top-level port record, by the port's kind.
#pragma once

#include <cstdint>

namespace Quorvane {

class CTembriDB;
class ITembriPreset;

// Output, audio effect or MIDI effect presets; null when the record is
// missing, not top-level or not a port.
ITembriPreset *PresetsOfPort(CTembriDB *db, uint32_t portId, int lock);

} // namespace Quorvane
