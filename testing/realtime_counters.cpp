#include "testing/realtime_counters.h"

#include "testing/import_table.h"

#include <cstddef>
#include <cstring>
#include <mutex>
#include <tuple>
#include <type_traits>

namespace testing_support {

namespace {

// The counter of each thread, in a slot of the Windows thread-local
// storage: reading it never allocates (C++ thread_local may).
DWORD counterSlot = TLS_OUT_OF_INDEXES;

RealTimeCounter *currentCounter()
{
    if (counterSlot == TLS_OUT_OF_INDEXES)
        return nullptr;
    // TlsGetValue clears the last error; the caller of the hooked function
    // must still see its own.
    const DWORD error = GetLastError();
    auto *counter = static_cast<RealTimeCounter *>(TlsGetValue(counterSlot));
    SetLastError(error);
    return counter;
}

enum class Kind { Allocation, FileOpen, FileAccess, KernelWait, Module };

constexpr int kHookCount = 43;
// The entry of WriteFile in the table below.
constexpr int kWriteFileHook = 21;
FARPROC originals[kHookCount] = {};

// Function pointers change type through void (*)(), which stands for any
// function: the import table holds every entry as a FARPROC.
template <typename F> FARPROC asEntry(F function)
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

template <typename F> F fromEntry(FARPROC entry)
{
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(entry));
}

// Counts, then calls the real function the import table held. timeoutAt:
// the argument that holds a wait's time-out, -1 for none.
template <Kind kind, int id, int timeoutAt, typename R, typename... A> R counted(A... args)
{
    if (RealTimeCounter *counter = currentCounter()) {
        if (kind == Kind::Allocation) {
            counter->countAllocation();
            if constexpr (std::is_pointer_v<R>)
                if (counter->takeFailure())
                    return nullptr;
        } else if (kind == Kind::FileOpen) {
            counter->countFileOpen();
        } else if (kind == Kind::FileAccess) {
            counter->countFileAccess();
            if constexpr (id == kWriteFileHook)
                if (counter->takeWriteFailure()) {
                    SetLastError(ERROR_DISK_FULL);
                    return FALSE;
                }
        } else if (kind == Kind::Module) {
            counter->countModuleCall();
        } else {
            bool poll = false;
            if constexpr (timeoutAt >= 0)
                poll = std::get<timeoutAt>(std::tuple<A...>(args...)) == 0;
            counter->countKernelWait(poll);
        }
    }
    return fromEntry<R (*)(A...)>(originals[id])(args...);
}

// A message box on a counting thread is counted and answered, never shown.
template <int id, typename Text> int WINAPI countedMessageBox(HWND owner, Text text, Text caption, UINT type)
{
    if (RealTimeCounter *counter = currentCounter()) {
        counter->countMessageBox();
        return IDOK;
    }
    return fromEntry<int(WINAPI *)(HWND, Text, Text, UINT)>(originals[id])(owner, text, caption, type);
}

double secondsSince(const LARGE_INTEGER &start)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// A lock that cannot be taken at once makes the thread wait in the kernel,
// for as long as it is measured; one taken at once does not, and is not
// counted.
template <int id, typename Lock, BOOL (*tryTake)(Lock *)> void WINAPI countedLock(Lock *lock)
{
    RealTimeCounter *counter = currentCounter();
    if (counter && tryTake(lock))
        return;
    if (!counter) {
        fromEntry<void(WINAPI *)(Lock *)>(originals[id])(lock);
        return;
    }
    counter->countKernelWait();
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    fromEntry<void(WINAPI *)(Lock *)>(originals[id])(lock);
    counter->countLockWait(secondsSince(start));
}

BOOL tryEnter(CRITICAL_SECTION *section)
{
    return TryEnterCriticalSection(section);
}

BOOL tryExclusive(SRWLOCK *lock)
{
    return TryAcquireSRWLockExclusive(lock);
}

BOOL tryShared(SRWLOCK *lock)
{
    return TryAcquireSRWLockShared(lock);
}

struct Hook {
    const char *name;
    FARPROC standIn;
};

template <Kind kind, int id, typename R, typename... A> constexpr Hook hook(const char *name)
{
    return Hook{name, asEntry(&counted<kind, id, -1, R, A...>)};
}

// A wait whose time-out is the argument at timeoutAt.
template <int id, int timeoutAt, typename R, typename... A> constexpr Hook waitHook(const char *name)
{
    return Hook{name, asEntry(&counted<Kind::KernelWait, id, timeoutAt, R, A...>)};
}

constexpr Kind A = Kind::Allocation;
constexpr Kind F = Kind::FileOpen;
constexpr Kind X = Kind::FileAccess;
constexpr Kind W = Kind::KernelWait;
constexpr Kind M = Kind::Module;
using Handle = HANDLE;
using Security = LPSECURITY_ATTRIBUTES;

const Hook hooks[kHookCount] = {
    // The C runtime's allocators; operator new and the containers use these.
    hook<A, 0, void *, size_t>("malloc"),
    hook<A, 1, void *, size_t, size_t>("calloc"),
    hook<A, 2, void *, void *, size_t>("realloc"),
    hook<A, 3, void *, size_t, size_t>("_aligned_malloc"),
    hook<A, 4, char *, const char *>("_strdup"),
    hook<A, 5, char *, const char *>("strdup"),
    // The Windows heaps.
    hook<A, 6, LPVOID, Handle, DWORD, SIZE_T>("HeapAlloc"),
    hook<A, 7, LPVOID, Handle, DWORD, LPVOID, SIZE_T>("HeapReAlloc"),
    hook<A, 8, HGLOBAL, UINT, SIZE_T>("GlobalAlloc"),
    hook<A, 9, HLOCAL, UINT, SIZE_T>("LocalAlloc"),
    // Opening files and listing folders.
    hook<F, 10, Handle, LPCSTR, DWORD, DWORD, Security, DWORD, DWORD, Handle>("CreateFileA"),
    hook<F, 11, Handle, LPCWSTR, DWORD, DWORD, Security, DWORD, DWORD, Handle>("CreateFileW"),
    hook<F, 12, Handle, LPCSTR, LPWIN32_FIND_DATAA>("FindFirstFileA"),
    hook<F, 13, Handle, LPCWSTR, LPWIN32_FIND_DATAW>("FindFirstFileW"),
    hook<F, 14, Handle, LPCSTR, FINDEX_INFO_LEVELS, LPVOID, FINDEX_SEARCH_OPS, LPVOID, DWORD>(
        "FindFirstFileExA"),
    hook<F, 15, Handle, LPCWSTR, FINDEX_INFO_LEVELS, LPVOID, FINDEX_SEARCH_OPS, LPVOID, DWORD>(
        "FindFirstFileExW"),
    hook<F, 16, FILE *, const char *, const char *>("fopen"),
    hook<F, 17, FILE *, const wchar_t *, const wchar_t *>("_wfopen"),
    hook<F, 18, int, const char *, int, int>("_open"),
    hook<F, 19, int, const wchar_t *, int, int>("_wopen"),
    // Reading, writing and seeking files already open.
    hook<X, 20, BOOL, Handle, LPVOID, DWORD, LPDWORD, LPOVERLAPPED>("ReadFile"),
    hook<X, kWriteFileHook, BOOL, Handle, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED>("WriteFile"),
    hook<X, 22, DWORD, Handle, LONG, PLONG, DWORD>("SetFilePointer"),
    hook<X, 23, BOOL, Handle, LARGE_INTEGER, PLARGE_INTEGER, DWORD>("SetFilePointerEx"),
    // Asking the user.
    {"MessageBoxA", asEntry(&countedMessageBox<24, LPCSTR>)},
    {"MessageBoxW", asEntry(&countedMessageBox<25, LPCWSTR>)},
    // Waiting in the kernel (a sleep of 0 gives the processor away, so it
    // can block).
    waitHook<26, 1, DWORD, Handle, DWORD>("WaitForSingleObject"),
    waitHook<27, 1, DWORD, Handle, DWORD, BOOL>("WaitForSingleObjectEx"),
    waitHook<28, 3, DWORD, DWORD, const HANDLE *, BOOL, DWORD>("WaitForMultipleObjects"),
    waitHook<29, 3, DWORD, DWORD, const HANDLE *, BOOL, DWORD, BOOL>("WaitForMultipleObjectsEx"),
    waitHook<30, 2, DWORD, Handle, Handle, DWORD, BOOL>("SignalObjectAndWait"),
    waitHook<31, 3, DWORD, DWORD, const HANDLE *, BOOL, DWORD, DWORD>("MsgWaitForMultipleObjects"),
    waitHook<32, 2, DWORD, DWORD, const HANDLE *, DWORD, DWORD, DWORD>("MsgWaitForMultipleObjectsEx"),
    hook<W, 33, void, DWORD>("Sleep"),
    hook<W, 34, DWORD, DWORD, BOOL>("SleepEx"),
    {"EnterCriticalSection", asEntry(&countedLock<35, CRITICAL_SECTION, tryEnter>)},
    {"AcquireSRWLockExclusive", asEntry(&countedLock<36, SRWLOCK, tryExclusive>)},
    {"AcquireSRWLockShared", asEntry(&countedLock<37, SRWLOCK, tryShared>)},
    // Modules loaded and freed.
    hook<M, 38, HMODULE, LPCSTR>("LoadLibraryA"),
    hook<M, 39, HMODULE, LPCWSTR>("LoadLibraryW"),
    hook<M, 40, HMODULE, LPCSTR, Handle, DWORD>("LoadLibraryExA"),
    hook<M, 41, HMODULE, LPCWSTR, Handle, DWORD>("LoadLibraryExW"),
    hook<M, 42, BOOL, HMODULE>("FreeLibrary"),
};

const Hook *findHook(const char *name, int &id)
{
    for (id = 0; id < kHookCount; ++id)
        if (std::strcmp(hooks[id].name, name) == 0)
            return &hooks[id];
    return nullptr;
}

bool patchImports(HMODULE module)
{
    bool written = true;
    const bool read = forEachImport(module, [&written](const char *name, FARPROC *entry) {
        int id = 0;
        const Hook *hook = findHook(name, id);
        if (!hook || *entry == hook->standIn)
            return true;
        if (!originals[id])
            originals[id] = *entry;
        written = writeImportEntry(entry, hook->standIn);
        return written;
    });
    return read && written;
}

std::mutex &installLock()
{
    static std::mutex lock;
    return lock;
}

} // namespace

bool installRealTimeHooks(HMODULE module)
{
    std::lock_guard<std::mutex> guard(installLock());
    if (counterSlot == TLS_OUT_OF_INDEXES)
        counterSlot = TlsAlloc();
    return counterSlot != TLS_OUT_OF_INDEXES && patchImports(module ? module : GetModuleHandleA(nullptr));
}

RealTimeCounter::RealTimeCounter()
{
    // A counter without hooks would read zero whatever happens.
    static const bool executableHooked = installRealTimeHooks();
    (void)executableHooked;
    TlsSetValue(counterSlot, this);
}

RealTimeCounter::~RealTimeCounter()
{
    TlsSetValue(counterSlot, nullptr);
}

} // namespace testing_support
