// Compressed blocks: the whole content of one storage packed into another and
// back. A block is the source length (32-bit little-endian) followed by a
// bzip2 stream (900k blocks) without its 4-byte stream header "BZh9".
#pragma once

#include "data/corvadel_api.h"

namespace Quorvane {

class CStorage;

// Both do all their work in the constructor; IsOk tells how it went. Each
// rewinds both storages first.
class CORVADEL_API CRawCompress {
public:
    CRawCompress(CStorage *source, CStorage *destination);
    int IsOk() const { return ok; }

    int ok = 0;
};

// Succeeds only when the stream ends properly, every compressed byte was used
// and exactly the stored number of bytes came out. The stored length sizes
// nothing: expansion fails as soon as the output would pass it.
class CORVADEL_API CRawExpand {
public:
    CRawExpand(CStorage *source, CStorage *destination);
    int IsOk() const { return ok; }

    int ok = 0;
};

} // namespace Quorvane
