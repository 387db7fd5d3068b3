#include "plugin/framework/plugin/host_memory.h"

#include <windows.h>

#include <cstring>

namespace Quorvane {

namespace {

constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                            PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;

// Whether every byte of the range lies in committed, readable memory.
bool readable(uintptr_t address, size_t size)
{
    if (address + size < address)
        return false;
    for (uintptr_t at = address; at < address + size;) {
        MEMORY_BASIC_INFORMATION info{};
        if (!VirtualQuery(reinterpret_cast<const void *>(at), &info, sizeof(info)) ||
            info.State != MEM_COMMIT || !(info.Protect & kReadable) ||
            (info.Protect & (PAGE_GUARD | PAGE_NOACCESS)))
            return false;
        at = reinterpret_cast<uintptr_t>(info.BaseAddress) + info.RegionSize;
    }
    return true;
}

} // namespace

bool readHostBytes(uintptr_t address, void *out, size_t size)
{
    if (!address || !readable(address, size))
        return false;
    memcpy(out, reinterpret_cast<const void *>(address), size);
    return true;
}

bool readHostPointer(uintptr_t base, uintptr_t offset, uintptr_t *out)
{
    if (!base || !offset)
        return false;
    return readHostBytes(base + offset, out, sizeof(*out));
}

bool readHostInt32(uintptr_t base, uintptr_t offset, int32_t *out)
{
    if (!base || !offset)
        return false;
    return readHostBytes(base + offset, out, sizeof(*out));
}

} // namespace Quorvane
