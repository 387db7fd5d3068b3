// Memory streams for the tests of COM persistence.
#pragma once

#include <objidl.h>

#include <string>

namespace testing_support {

// What persist saves into a fresh memory stream; empty when Save fails.
std::string savedBytes(IPersistStream *persist);
// A memory stream holding bytes, positioned at its start; one reference for
// the caller.
IStream *streamHolding(const std::string &bytes);

} // namespace testing_support
