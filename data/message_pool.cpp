#include "data/message_pool.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <malloc.h>

namespace Quorvane {
namespace MessagePool {

namespace {

// Each slab is one allocation of blocks; a pointer inside one is a block.
constexpr int kMaxSlabs = 32;

struct Slab {
    uintptr_t begin;
    uintptr_t end;
};

struct Pool {
    Pool()
    {
        InitializeSListHead(&freeBlocks);
        InitializeCriticalSection(&reserving);
    }
    // The slabs stay until the process ends: messages may live that long.

    SLIST_HEADER freeBlocks;
    Slab slabs[kMaxSlabs] = {};
    std::atomic<int> slabCount{0};
    // Blocks in all slabs, and of them those free now.
    long owned = 0;
    std::atomic<long> available{0};
    std::atomic<long> heapFallbacks{0};
    CRITICAL_SECTION reserving;
};

Pool &pool()
{
    static Pool instance;
    return instance;
}

bool inPool(const void *block)
{
    const auto address = reinterpret_cast<uintptr_t>(block);
    Pool &p = pool();
    const int count = p.slabCount.load(std::memory_order_acquire);
    for (int i = 0; i < count; ++i)
        if (address >= p.slabs[i].begin && address < p.slabs[i].end)
            return true;
    return false;
}

} // namespace

bool Reserve(long count)
{
    Pool &p = pool();
    EnterCriticalSection(&p.reserving);
    bool ok = true;
    const long missing = count - p.owned;
    const int slab = p.slabCount.load();
    if (missing > 0) {
        auto *blocks = static_cast<uint8_t *>(
            slab < kMaxSlabs
                ? _aligned_malloc(kBlockSize * static_cast<size_t>(missing), MEMORY_ALLOCATION_ALIGNMENT)
                : nullptr);
        if (!blocks) {
            ok = false;
        } else {
            p.slabs[slab] = {reinterpret_cast<uintptr_t>(blocks),
                             reinterpret_cast<uintptr_t>(blocks + kBlockSize * static_cast<size_t>(missing))};
            p.slabCount.store(slab + 1, std::memory_order_release);
            for (long i = 0; i < missing; ++i)
                InterlockedPushEntrySList(&p.freeBlocks, reinterpret_cast<PSLIST_ENTRY>(
                                                             blocks + kBlockSize * static_cast<size_t>(i)));
            p.owned += missing;
            p.available += missing;
        }
    }
    LeaveCriticalSection(&p.reserving);
    return ok;
}

long Available()
{
    return pool().available.load();
}

int Slabs()
{
    return pool().slabCount.load();
}

long HeapFallbacks()
{
    return pool().heapFallbacks.load();
}

void *Allocate(size_t size) noexcept
{
    if (size <= kBlockSize) {
        Pool &p = pool();
        if (PSLIST_ENTRY entry = InterlockedPopEntrySList(&p.freeBlocks)) {
            --p.available;
            return entry;
        }
        ++p.heapFallbacks;
    }
    return std::malloc(size ? size : 1);
}

void Free(void *block) noexcept
{
    if (!block)
        return;
    if (!inPool(block)) {
        std::free(block);
        return;
    }
    Pool &p = pool();
    InterlockedPushEntrySList(&p.freeBlocks, static_cast<PSLIST_ENTRY>(block));
    ++p.available;
}

} // namespace MessagePool
} // namespace Quorvane
