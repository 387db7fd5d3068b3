// Visits the live descendants of a record depth first, each before its own
// children, children in key-table order.
#pragma once

#include "db/records/sdb_note.h"

#include <cstdint>
#include <new>
#include <utility>
#include <vector>

namespace Quorvane {

// `visit` (SDBNOTE*) answers false to stop the walk. The walk fails when a
// visit fails, when memory runs out, or when it would visit more records
// than the table holds: the parent ids of a damaged file form a cycle.
template <class Visit> bool WalkBranch(SDBNOTE *table, uint32_t id, Visit visit)
{
    size_t budget = 0;
    for (const SDBNOTE *note = table; note; note = note->next)
        ++budget;
    try {
        // Per level: the parent id and the entry to look on from.
        std::vector<std::pair<uint32_t, SDBNOTE *>> levels{{id, table}};
        while (!levels.empty()) {
            auto &[parent, from] = levels.back();
            SDBNOTE *child = from;
            while (child && !(child->IsLive() && child->parent == parent))
                child = child->next;
            if (!child) {
                levels.pop_back();
                continue;
            }
            from = child->next;
            if (budget-- == 0 || !visit(child))
                return false;
            levels.emplace_back(child->id, table);
        }
    } catch (const std::bad_alloc &) {
        return false;
    }
    return true;
}

} // namespace Quorvane
