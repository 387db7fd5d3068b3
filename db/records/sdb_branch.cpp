// Copies of a record with all its descendants, out to memory and back in
// below another parent.
#include "db/records/sdb.h"

#include "db/records/branch_walk.h"

#include <cstring>
#include <new>
#include <utility>
#include <vector>

namespace Quorvane {

namespace {

// In memory a copied record is a 24-byte image of its header (flags u8,
// type u8, two unused bytes, id, parent, size, position, one u32 of no
// meaning) followed by its body.
constexpr uint32_t imageSize = 24;

void putField(unsigned char *image, uint32_t offset, uint32_t value)
{
    std::memcpy(image + offset, &value, 4);
}

uint32_t getField(const unsigned char *image, uint32_t offset)
{
    uint32_t value;
    std::memcpy(&value, image + offset, 4);
    return value;
}

} // namespace

uint32_t CSDB::GetNotesBranch(const SDBNOTE *note, unsigned char **cursor)
{
    if (!note)
        return 0;
    if (!cursor) {
        uint64_t bytes = imageSize + note->size;
        const bool walked = WalkBranch(m_index, note->id, [&bytes](const SDBNOTE *child) {
            bytes += imageSize + child->size;
            return true;
        });
        return walked && bytes <= 0xFFFFFFFF ? uint32_t(bytes) : 0;
    }
    uint32_t records = 0;
    auto copy = [this, cursor, &records](const SDBNOTE *record) {
        unsigned char *image = *cursor;
        std::memset(image, 0, imageSize);
        image[0] = record->flags;
        image[1] = record->type;
        putField(image, 4, record->id);
        putField(image, 8, record->parent);
        putField(image, 12, record->size);
        putField(image, 16, record->position);
        if (record->size > 0 && !(m_file.SeekToPos(record->position + SDB_HEADER_SIZE) &&
                                  m_file.Read(image + imageSize, record->size)))
            return false;
        *cursor += imageSize + record->size;
        ++records;
        return true;
    };
    return copy(note) && WalkBranch(m_index, note->id, copy) ? records : 0;
}

int CSDB::InsertNotesBranch(uint32_t parent, uint32_t &count, unsigned char **cursor, uint32_t &firstId)
{
    if (count == 0) {
        firstId = parent;
        return 1;
    }
    SignalModified();
    std::vector<std::pair<uint32_t, uint32_t>> newIds; // old id -> new id
    try {
        newIds.reserve(count);
    } catch (const std::bad_alloc &) {
        return 0;
    }
    while (count > 0) {
        const unsigned char *image = *cursor;
        SDBNOTE note;
        note.type = image[1];
        note.parent = parent;
        note.size = getField(image, 12);
        const uint32_t oldId = getField(image, 4), oldParent = getField(image, 8);
        for (const auto &[from, to] : newIds)
            if (from == oldParent)
                note.parent = to;
        if (!AddNewNote(&note, image + imageSize))
            return 0;
        if (newIds.empty())
            firstId = note.id;
        newIds.emplace_back(oldId, note.id);
        *cursor += imageSize + note.size;
        --count;
    }
    return 1;
}

} // namespace Quorvane
