// The indexes over the key table that make look-ups by id and walks by
// parent independent of the file's size: the live entry of every id, every
// entry (deleted ones too) by its parent id in file order, and the ids that
// entries carry.
#pragma once

#include "db/records/sdb_note.h"

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace Quorvane {

class KeyIndex {
public:
    using Entries = std::vector<SDBNOTE *>;

    // Enters an entry appended at the end of the key table; a live one
    // becomes the live entry of its id unless the id has one (the first in
    // file order stays). False when memory runs out (the index is then as
    // before).
    bool Add(SDBNOTE *note);
    // Takes out the last entry added.
    void RemoveLast(SDBNOTE *note);
    // The entry is no longer live.
    void Deleted(const SDBNOTE *note);
    // The entry is no longer live and `successor`, added with its id, is.
    void Replaced(const SDBNOTE *note, SDBNOTE *successor);
    // Rebuilds the index over a whole table; false when memory runs out.
    bool Rebuild(SDBNOTE *table);

    SDBNOTE *Live(uint32_t id) const;
    // The entries below a parent in file order, deleted ones included;
    // null when there are none.
    const Entries *Children(uint32_t parent) const;
    // Whether an entry has this id or this parent id.
    bool InUse(uint32_t id) const;
    size_t Size() const { return m_size; }

private:
    std::unordered_map<uint32_t, SDBNOTE *> m_live;
    std::unordered_map<uint32_t, Entries> m_children;
    std::unordered_set<uint32_t> m_ids;
    size_t m_size = 0;
};

// The first live entry of `entries` at or after `from` whose type matches.
SDBNOTE *FirstLiveOfType(const KeyIndex::Entries &entries, size_t from, uint8_t type);

} // namespace Quorvane
