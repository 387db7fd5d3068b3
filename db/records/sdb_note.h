// A record of the record file: its header (SDBNOTE, also the entry of the
// key table) and the codec of a record kind's body (CSDBInterpretator).
#pragma once

#include "db/stavrund_api.h"

#include <cstdint>

namespace Quorvane {

class CXFile;

// Flags byte of a stored record.
constexpr uint8_t SDB_COMMITTED = 0;
constexpr uint8_t SDB_ADDED = 0x01;   // added, not yet committed
constexpr uint8_t SDB_DELETED = 0x80; // deleted, not yet committed
// Parent id of a top-level record.
constexpr uint32_t SDB_NO_PARENT = 0xFFFFFFFF;
// A type that matches every record type in look-ups.
constexpr uint8_t SDB_ANY_TYPE = 0xFF;
// Stored header: flags u8, type u8, id u32, parent u32, size u32.
constexpr uint32_t SDB_HEADER_SIZE = 14;
// The file's head: type magic u32 and the 16-byte id.
constexpr uint32_t SDB_HEAD_SIZE = 20;

struct STAVRUND_API SDBNOTE {
    SDBNOTE() { Clear(); }
    SDBNOTE(const SDBNOTE &) = default;
    SDBNOTE &operator=(const SDBNOTE &) = default;
    void Clear()
    {
        flags = type = 0;
        id = parent = size = position = 0;
        next = nullptr;
    }
    bool IsLive() const { return (flags & SDB_DELETED) == 0; }

    uint8_t flags;
    uint8_t type;
    uint32_t id;
    uint32_t parent;
    uint32_t size;
    uint32_t position; // file offset of the header
    SDBNOTE *next;     // next entry of the key table, in file order
};

// Decodes and encodes the body of one record kind.
class STAVRUND_API CSDBInterpretator {
public:
    CSDBInterpretator(uint8_t type, uint32_t id, uint32_t parent) : type(type), id(id), parent(parent) {}
    CSDBInterpretator(const CSDBInterpretator &) = default;
    CSDBInterpretator &operator=(const CSDBInterpretator &) = default;
    virtual ~CSDBInterpretator() = default;

    // Decodes the body from the file's current position.
    virtual int Read(CXFile *file) = 0;
    // Encodes the body at the file's current position; writes exactly
    // GetSize() bytes.
    virtual int Write(CXFile *file) = 0;
    // Orders two codecs of the same kind (choosers sort by it).
    virtual int Compare(const CSDBInterpretator *other) const = 0;
    virtual uint32_t GetSize() = 0;

    uint8_t type;
    uint32_t id;
    uint32_t parent;
    uint32_t user = 0; // free for the record kind
};

} // namespace Quorvane
