#include "testing/realtime_counters.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <atomic>
#include <thread>
#include <vector>

namespace {

using testing_support::RealTimeCounter;

// Keeps the compiler from dropping an allocation it can see is unused.
void *volatile sink;

TEST(RealTimeCounters, CountHeapAllocationsOfEveryKind)
{
    RealTimeCounter counter;
    sink = std::malloc(16);
    std::free(sink);
    sink = std::calloc(4, 4);
    sink = std::realloc(sink, 4096);
    std::free(sink);
    auto owned = std::make_unique<int[]>(8);
    std::vector<int> grown;
    grown.push_back(1);
    std::string text(100, 'x');
    sink = HeapAlloc(GetProcessHeap(), 0, 32);
    HeapFree(GetProcessHeap(), 0, sink);
    EXPECT_EQ(counter.allocations(), 7);
    EXPECT_EQ(counter.fileOpens(), 0);
}

TEST(RealTimeCounters, TheNextAllocationsFailAndAreCounted)
{
    void *got[4];
    long counted = 0;
    {
        RealTimeCounter counter;
        counter.failNextAllocations(3);
        got[0] = std::malloc(16);
        got[1] = std::calloc(4, 4);
        got[2] = HeapAlloc(GetProcessHeap(), 0, 32);
        got[3] = std::malloc(16);
        counted = counter.allocations();
    }
    EXPECT_EQ(got[0], nullptr);
    EXPECT_EQ(got[1], nullptr);
    EXPECT_EQ(got[2], nullptr);
    EXPECT_NE(got[3], nullptr) << "only the next three fail";
    std::free(got[3]);
    EXPECT_EQ(counted, 4);
}

TEST(RealTimeCounters, CountFileOpensAndFolderListings)
{
    testing_support::TempFolder folder;
    ASSERT_TRUE(testing_support::writeFile(folder.file("a.txt"), "a"));
    RealTimeCounter counter;
    HANDLE file = CreateFileA(folder.file("a.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    // A failed open counts as well and keeps its error.
    EXPECT_EQ(
        CreateFileA(folder.file("missing").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
        INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder.path() + "\\*").c_str(), &found);
    EXPECT_NE(search, INVALID_HANDLE_VALUE);
    FindClose(search);
    EXPECT_EQ(counter.fileOpens(), 3);
}

TEST(RealTimeCounters, AWatchIsCalledAtEveryFileOpen)
{
    testing_support::TempFolder folder;
    const std::string path = folder.file("b.txt");
    ASSERT_TRUE(testing_support::writeFile(path, "b"));
    struct Seen {
        int opens = 0;
    } seen;
    RealTimeCounter counter;
    counter.watchFileOpens(
        [](void *context) {
            auto *s = static_cast<Seen *>(context);
            ++s->opens;
        },
        &seen);
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_EQ(seen.opens, 1);
    EXPECT_EQ(counter.fileOpens(), 1);
}

TEST(RealTimeCounters, CountReadsWritesAndSeeksApartFromOpens)
{
    testing_support::TempFolder folder;
    HANDLE file = CreateFileA(folder.file("b.bin").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    RealTimeCounter counter;
    DWORD moved = 0;
    char bytes[4] = {1, 2, 3, 4};
    EXPECT_TRUE(WriteFile(file, bytes, sizeof bytes, &moved, nullptr));
    EXPECT_NE(SetFilePointer(file, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_TRUE(ReadFile(file, bytes, sizeof bytes, &moved, nullptr));
    LARGE_INTEGER start{};
    EXPECT_TRUE(SetFilePointerEx(file, start, nullptr, FILE_BEGIN));
    EXPECT_EQ(counter.fileAccesses(), 4);
    EXPECT_EQ(counter.fileOpens(), 0);
    counter.reset();
    EXPECT_EQ(counter.fileAccesses(), 0);
    CloseHandle(file);
}

TEST(RealTimeCounters, WritesFailAsOnAFullDiskAfterTheChosenOne)
{
    testing_support::TempFolder folder;
    HANDLE file =
        CreateFileA(folder.file("c.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    BOOL wrote[3];
    DWORD error = 0;
    {
        RealTimeCounter counter;
        counter.failWritesAfter(1);
        DWORD moved = 0;
        wrote[0] = WriteFile(file, "ab", 2, &moved, nullptr);
        wrote[1] = WriteFile(file, "cd", 2, &moved, nullptr);
        error = GetLastError();
        wrote[2] = WriteFile(file, "ef", 2, &moved, nullptr);
    }
    DWORD moved = 0;
    EXPECT_TRUE(WriteFile(file, "gh", 2, &moved, nullptr)) << "a thread without the counter writes";
    CloseHandle(file);
    EXPECT_TRUE(wrote[0]);
    EXPECT_FALSE(wrote[1]);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_DISK_FULL));
    EXPECT_FALSE(wrote[2]) << "a full disk stays full";
    EXPECT_EQ(testing_support::readFile(folder.file("c.bin")), "abgh");
}

TEST(RealTimeCounters, MessageBoxesAreCountedAndAnsweredUnseen)
{
    RealTimeCounter counter;
    EXPECT_EQ(MessageBoxA(nullptr, "text", "caption", MB_YESNO), IDOK);
    EXPECT_EQ(MessageBoxW(nullptr, L"text", L"caption", MB_OK), IDOK);
    EXPECT_EQ(counter.messageBoxes(), 2);
}

// A kernel mutex is a wait even when it is free; a critical section or a
// slim lock is one only when another thread holds it. A wait with a
// time-out of 0 only looks: it never blocks.
TEST(RealTimeCounters, KernelWaitsAreCountedButLocksTakenAtOnceAreNot)
{
    HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
    HANDLE events[2] = {CreateEventA(nullptr, TRUE, TRUE, nullptr),
                        CreateEventA(nullptr, TRUE, TRUE, nullptr)};
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    SRWLOCK slim = SRWLOCK_INIT;
    HANDLE held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    {
        RealTimeCounter counter;
        EXPECT_EQ(WaitForSingleObject(mutex, INFINITE), WAIT_OBJECT_0);
        ReleaseMutex(mutex);
        EXPECT_EQ(WaitForMultipleObjects(2, events, TRUE, 0), WAIT_OBJECT_0);
        Sleep(0);
        EXPECT_EQ(counter.kernelWaits(), 3);
        EXPECT_EQ(counter.blockingWaits(), 2) << "all but the look at the events";
        EXPECT_EQ(WaitForSingleObject(held, 0), WAIT_TIMEOUT);
        EXPECT_EQ(WaitForSingleObjectEx(held, 1, FALSE), WAIT_TIMEOUT);
        EXPECT_EQ(counter.kernelWaits(), 5);
        EXPECT_EQ(counter.blockingWaits(), 3) << "a wait of 1 ms can block";
        counter.reset();

        EnterCriticalSection(&section);
        LeaveCriticalSection(&section);
        AcquireSRWLockExclusive(&slim);
        ReleaseSRWLockExclusive(&slim);
        AcquireSRWLockShared(&slim);
        ReleaseSRWLockShared(&slim);
        EXPECT_EQ(counter.kernelWaits(), 0) << "taken at once";

        // Another thread holds each until this thread is seen waiting for
        // it (counted as it finds the lock taken): only the take is
        // measured (the thread's start and end wait in the kernel too).
        const auto waitsWhileHeld = [&](auto take, auto release, auto wait) {
            ResetEvent(held);
            std::atomic<long> before{-1};
            std::thread holder([&] {
                take();
                SetEvent(held);
                // A generous bound, only so that a fault cannot hang the run.
                for (DWORD start = GetTickCount(); GetTickCount() - start < 30000; Sleep(1)) {
                    const long from = before.load();
                    if (from >= 0 && counter.kernelWaits() > from)
                        break;
                }
                release();
            });
            WaitForSingleObject(held, INFINITE);
            before = counter.kernelWaits();
            wait();
            const long waits = counter.kernelWaits() - before;
            holder.join();
            return waits;
        };
        EXPECT_EQ(counter.slowLockWaits(), 0);
        EXPECT_EQ(counter.longestLockWait(), 0.0);
        EXPECT_EQ(waitsWhileHeld([&] { EnterCriticalSection(&section); },
                                 [&] { LeaveCriticalSection(&section); },
                                 [&] {
                                     EnterCriticalSection(&section);
                                     LeaveCriticalSection(&section);
                                 }),
                  1);
        // The wait lasted until the holder let go.
        EXPECT_GT(counter.longestLockWait(), 0.0);
        EXPECT_EQ(counter.slowLockWaits(), counter.longestLockWait() > 0.0005 ? 1 : 0);
        EXPECT_EQ(waitsWhileHeld([&] { AcquireSRWLockExclusive(&slim); },
                                 [&] { ReleaseSRWLockExclusive(&slim); },
                                 [&] {
                                     AcquireSRWLockShared(&slim);
                                     ReleaseSRWLockShared(&slim);
                                 }),
                  1);
    }
    DeleteCriticalSection(&section);
    for (HANDLE h : {mutex, events[0], events[1], held})
        CloseHandle(h);
}

// Loading and freeing a module are counted, and the slow-call watch sees
// them as it sees file opens and reads.
TEST(RealTimeCounters, ModuleCallsAndFileAccessesReachTheSlowCallWatch)
{
    testing_support::TempFolder folder;
    ASSERT_TRUE(testing_support::writeFile(folder.file("c.txt"), "c"));
    int watched = 0;
    RealTimeCounter counter;
    counter.watchSlowCalls([](void *context) { ++*static_cast<int *>(context); }, &watched);
    HMODULE module = LoadLibraryA("version.dll");
    ASSERT_NE(module, nullptr);
    EXPECT_TRUE(FreeLibrary(module));
    HMODULE wide = LoadLibraryExW(L"version.dll", nullptr, 0);
    ASSERT_NE(wide, nullptr);
    EXPECT_TRUE(FreeLibrary(wide));
    EXPECT_EQ(counter.moduleCalls(), 4);
    HANDLE file = CreateFileA(folder.file("c.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char byte = 0;
    DWORD read = 0;
    EXPECT_TRUE(ReadFile(file, &byte, 1, &read, nullptr));
    CloseHandle(file);
    EXPECT_EQ(watched, 6);
    counter.reset();
    EXPECT_EQ(counter.moduleCalls(), 0);
}

TEST(RealTimeCounters, OnlyTheCountingThreadCounts)
{
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread other([go, done] {
        WaitForSingleObject(go, INFINITE);
        sink = std::malloc(8);
        std::free(sink);
        SetEvent(done);
    });
    {
        RealTimeCounter counter;
        SetEvent(go);
        WaitForSingleObject(done, INFINITE);
        EXPECT_EQ(counter.allocations(), 0);
    }
    other.join();
    CloseHandle(go);
    CloseHandle(done);
}

} // namespace
