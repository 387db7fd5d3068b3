// Reads of the host's in-process data through the build table's values.
// Every read is checked first: a null base, a value the build does not have
// or an address outside readable memory fails instead of faulting.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Quorvane {

// Copies size bytes from address; false when any of them cannot be read.
bool readHostBytes(uintptr_t address, void *out, size_t size);

// The pointer or int32 at base + offset; false for a null base, an offset
// of 0 (not located) or an unreadable address.
bool readHostPointer(uintptr_t base, uintptr_t offset, uintptr_t *out);
bool readHostInt32(uintptr_t base, uintptr_t offset, int32_t *out);

// Walks a host list (nodes {next, previous, item}) whose head pointer is at
// base + offset; visit(item) returns true to stop. Stops at an unreadable
// node and after a bounded number of nodes, so a damaged or circular list
// ends. Returns the item visit stopped at, or 0.
template <typename Visit> uintptr_t walkHostList(uintptr_t base, uintptr_t offset, Visit visit)
{
    constexpr int kMaxNodes = 10000;
    uintptr_t node = 0;
    if (!readHostPointer(base, offset, &node))
        return 0;
    for (int n = 0; node && n < kMaxNodes; ++n) {
        uintptr_t item = 0;
        if (!readHostPointer(node, 2 * sizeof(void *), &item))
            return 0;
        if (item && visit(item))
            return item;
        if (!readHostBytes(node, &node, sizeof(node)))
            return 0;
    }
    return 0;
}

} // namespace Quorvane
