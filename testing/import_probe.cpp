#include "testing/import_probe.h"

#include <malloc.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace testing_support {

namespace {

std::atomic<DWORD> countedThread{0};
std::atomic<long> allocationCount{0};
std::atomic<long> fileCount{0};
std::atomic<long> messageBoxCount{0};

bool Counted()
{
    return GetCurrentThreadId() == countedThread;
}

void *CountMalloc(size_t size)
{
    if (Counted())
        ++allocationCount;
    return std::malloc(size);
}

void *CountCalloc(size_t count, size_t size)
{
    if (Counted())
        ++allocationCount;
    return std::calloc(count, size);
}

void *CountRealloc(void *block, size_t size)
{
    if (Counted())
        ++allocationCount;
    return std::realloc(block, size);
}

void *CountAlignedMalloc(size_t size, size_t alignment)
{
    if (Counted())
        ++allocationCount;
    return _aligned_malloc(size, alignment);
}

FILE *CountFopen(const char *path, const char *mode)
{
    if (Counted())
        ++fileCount;
    return std::fopen(path, mode);
}

HANDLE WINAPI CountCreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                               DWORD disposition, DWORD flags, HANDLE templateFile)
{
    if (Counted())
        ++fileCount;
    return CreateFileA(name, access, share, security, disposition, flags, templateFile);
}

HANDLE WINAPI CountCreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                               DWORD disposition, DWORD flags, HANDLE templateFile)
{
    if (Counted())
        ++fileCount;
    return CreateFileW(name, access, share, security, disposition, flags, templateFile);
}

BOOL WINAPI CountReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD done, LPOVERLAPPED overlapped)
{
    if (Counted())
        ++fileCount;
    return ReadFile(file, buffer, size, done, overlapped);
}

BOOL WINAPI CountWriteFile(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD done, LPOVERLAPPED overlapped)
{
    if (Counted())
        ++fileCount;
    return WriteFile(file, buffer, size, done, overlapped);
}

BOOL WINAPI CountSetFilePointerEx(HANDLE file, LARGE_INTEGER distance, PLARGE_INTEGER position, DWORD method)
{
    if (Counted())
        ++fileCount;
    return SetFilePointerEx(file, distance, position, method);
}

int WINAPI CountMessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    if (!Counted())
        return MessageBoxA(owner, text, caption, type);
    ++messageBoxCount;
    return IDOK;
}

int WINAPI CountMessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)
{
    if (!Counted())
        return MessageBoxW(owner, text, caption, type);
    ++messageBoxCount;
    return IDOK;
}

struct Hook {
    const char *name;
    void *replacement;
};

const Hook hooks[] = {
    {"malloc", reinterpret_cast<void *>(&CountMalloc)},
    {"calloc", reinterpret_cast<void *>(&CountCalloc)},
    {"realloc", reinterpret_cast<void *>(&CountRealloc)},
    {"_aligned_malloc", reinterpret_cast<void *>(&CountAlignedMalloc)},
    {"fopen", reinterpret_cast<void *>(&CountFopen)},
    {"CreateFileA", reinterpret_cast<void *>(&CountCreateFileA)},
    {"CreateFileW", reinterpret_cast<void *>(&CountCreateFileW)},
    {"ReadFile", reinterpret_cast<void *>(&CountReadFile)},
    {"WriteFile", reinterpret_cast<void *>(&CountWriteFile)},
    {"SetFilePointerEx", reinterpret_cast<void *>(&CountSetFilePointerEx)},
    {"MessageBoxA", reinterpret_cast<void *>(&CountMessageBoxA)},
    {"MessageBoxW", reinterpret_cast<void *>(&CountMessageBoxW)},
};

// The module's original entries, put back when the probe ends.
struct Saved {
    void **slot;
    void *original;
};
Saved saved[64];
int savedCount = 0;

void WriteSlot(void **slot, void *value)
{
    DWORD old;
    if (VirtualProtect(slot, sizeof(void *), PAGE_READWRITE, &old)) {
        *slot = value;
        VirtualProtect(slot, sizeof(void *), old, &old);
    }
}

// Walks the import descriptors and redirects every slot whose imported
// name is one of the hooks.
int Redirect(HMODULE module)
{
    auto *base = reinterpret_cast<unsigned char *>(module);
    const auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
    if (!module || dos->e_magic != IMAGE_DOS_SIGNATURE)
        return 0;
    const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir.VirtualAddress)
        return 0;
    int count = 0;
    for (auto *d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR *>(base + dir.VirtualAddress); d->Name;
         ++d) {
        if (!d->OriginalFirstThunk)
            continue;
        const auto *names = reinterpret_cast<const IMAGE_THUNK_DATA *>(base + d->OriginalFirstThunk);
        auto **slots = reinterpret_cast<void **>(base + d->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const auto *byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME *>(base + names->u1.AddressOfData);
            for (const Hook &hook : hooks) {
                if (std::strcmp(reinterpret_cast<const char *>(byName->Name), hook.name) != 0 ||
                    savedCount == int(sizeof(saved) / sizeof(saved[0])))
                    continue;
                saved[savedCount++] = {slots, *slots};
                WriteSlot(slots, hook.replacement);
                ++count;
            }
        }
    }
    return count;
}

} // namespace

ImportProbe::ImportProbe(HMODULE module) : module_(module)
{
    reset();
    countedThread = GetCurrentThreadId();
    hooked_ = Redirect(module_);
}

ImportProbe::~ImportProbe()
{
    while (savedCount > 0) {
        --savedCount;
        WriteSlot(saved[savedCount].slot, saved[savedCount].original);
    }
    countedThread = 0;
}

long ImportProbe::allocations() const
{
    return allocationCount;
}

long ImportProbe::fileCalls() const
{
    return fileCount;
}

long ImportProbe::messageBoxes() const
{
    return messageBoxCount;
}

void ImportProbe::reset()
{
    allocationCount = 0;
    fileCount = 0;
    messageBoxCount = 0;
}

} // namespace testing_support
