// Blocks for the messages the song hands the sound engine while it plays:
// reserved before the engine's render thread starts, taken and given back
// without a lock or the heap, so a playing song allocates nothing. Blocks
// are never returned to the heap, so a message may outlive the engine.
// Requests that do not fit a block, or find none free, use the heap.
#pragma once

#include <cstddef>

namespace Quorvane {
namespace MessagePool {

// The size a block holds.
constexpr size_t kBlockSize = 64;

// Adds blocks until the pool holds count, free or taken: a taken block
// comes back when its message goes, so an engine started again while some
// are out reuses them instead of adding a slab. False when memory ran out
// or the slabs are used up.
bool Reserve(long count);
// Blocks free now.
long Available();
// Allocations the pool holds its blocks in.
int Slabs();
// Requests a block would have held that found the pool empty.
long HeapFallbacks();
// A block for size bytes (the heap when none fits); null when memory ran out.
void *Allocate(size_t size) noexcept;
// Gives a block back (to the heap when it came from there).
void Free(void *block) noexcept;

} // namespace MessagePool
} // namespace Quorvane
