// The set-up dialog that runs once after the equipment database was created:
// the initial I/O parameters (time base, stream provider with its settings
// page, VST folders) and a refresh of the port lists of the kinds asked for.
#pragma once

#include <windows.h>

#include <cstdint>

namespace Quorvane {

class CTembriDB;

// Bit i of the mask offers port kind i (0..9); bits 1 and 6 (VST
// instruments and effects) enable the VST folders, bit 26 the MIDI input
// list. OK stores the parameters and refreshes the checked kinds; Cancel
// stores and refreshes nothing. Answers IDOK or IDCANCEL.
INT_PTR RunFirstTimeDialog(HINSTANCE resources, CTembriDB *db, uint32_t mask);

} // namespace Quorvane
