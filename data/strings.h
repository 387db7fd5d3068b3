// The string operations every library of the system uses. Strings handed
// out are malloc blocks, freed with the C runtime's free.
#pragma once

#include "data/corvadel_api.h"

namespace Quorvane {

// A copy with a terminator of length bytes (up to the terminator for -1);
// null for a null or empty text or when memory runs out.
CORVADEL_API char *CreateString(const char *text, long length = -1);
// 0 for null.
CORVADEL_API long LengthString(const char *text);
// Byte-wise -1, 0 or 1; null equals the empty text.
CORVADEL_API long CompareStringA(const char *a, const char *b);
// Every character below 32 becomes a blank, in place.
CORVADEL_API char *SingleLineString(char *text);
// In place: keeps what follows the last '\' or '/' and cuts at the last '.'.
CORVADEL_API char *FileNameFromPath(char *path);
// The sum of the table's widths of the characters (all 256 byte values);
// characters below 32 count 0. length -1 measures up to the terminator.
CORVADEL_API long TextWidth(const char *text, long length, const long *widths);

} // namespace Quorvane
