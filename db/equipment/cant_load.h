// The question asked when a stored port or effect cannot be created.
#pragma once

#include "data/io_params.h"
#include "db/stavrund_api.h"

#include <cstdint>
#include <string>

namespace Quorvane {

// The text of the question for a record type (0x81 output, 0x82 audio
// effect, 0x83 MIDI effect) and descriptor kind; empty for a combination
// that is not asked about.
STAVRUND_API std::string CantLoadText(uint8_t recordType, const PORTDESCR *descriptor);
// Asks the user (Yes/No, question icon); 1 for Yes, 0 for No or a
// combination that is not asked about.
STAVRUND_API int CantLoadQuestion(uint8_t recordType, const PORTDESCR *descriptor);

} // namespace Quorvane
