// Reading counts and byte blocks from saved states without trusting them:
// a block is read in pieces, so a damaged length costs no more memory than
// the stream really holds.
#pragma once

#include "base/stream.h"

#include <cstdint>
#include <string>

namespace Quorvane {

// Reads exactly length bytes into bytes; false on a short stream.
bool readBoundedBytes(InputStream &in, int32_t length, std::string &bytes);

} // namespace Quorvane
