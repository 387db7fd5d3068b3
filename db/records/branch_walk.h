// Visits the live descendants of a record depth first, each before its own
// children, children in key-table order.
#pragma once

#include "db/records/key_index.h"
#include "db/records/sdb_note.h"

#include <cstdint>
#include <new>
#include <utility>
#include <vector>

namespace Quorvane {

// `visit` (SDBNOTE*) answers false to stop the walk; it may mark records
// deleted but not add any. The walk fails when a visit fails, when memory
// runs out, or when it would visit more records than the table holds: the
// parent ids of a damaged file form a cycle.
template <class Visit> bool WalkBranch(const KeyIndex *index, uint32_t id, Visit visit)
{
    if (!index)
        return true;
    size_t budget = index->Size();
    try {
        // Per level: the children of a record and the next one to look at.
        std::vector<std::pair<const KeyIndex::Entries *, size_t>> levels;
        if (const KeyIndex::Entries *top = index->Children(id))
            levels.emplace_back(top, 0);
        while (!levels.empty()) {
            auto &[children, next] = levels.back();
            while (next < children->size() && !(*children)[next]->IsLive())
                ++next;
            if (next == children->size()) {
                levels.pop_back();
                continue;
            }
            SDBNOTE *child = (*children)[next++];
            if (budget-- == 0 || !visit(child))
                return false;
            if (const KeyIndex::Entries *below = index->Children(child->id))
                levels.emplace_back(below, 0);
        }
    } catch (const std::bad_alloc &) {
        return false;
    }
    return true;
}

} // namespace Quorvane
