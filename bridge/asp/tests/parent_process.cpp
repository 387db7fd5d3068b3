#include "bridge/asp/tests/parent_process.h"

#include <tlhelp32.h>

#include <cstdint>

namespace halvorin_test {

namespace {

uint64_t creationTime(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return static_cast<uint64_t>(created.dwHighDateTime) << 32 | created.dwLowDateTime;
}

DWORD parentId()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    DWORD parent = 0;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId()) {
            parent = entry.th32ParentProcessID;
            break;
        }
    }
    CloseHandle(snapshot);
    return parent;
}

} // namespace

HANDLE OpenParentProcess()
{
    const DWORD id = parentId();
    HANDLE parent = id ? OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id) : nullptr;
    // A process that took the id of a parent already gone started after
    // this one.
    const uint64_t started = parent ? creationTime(parent) : 0;
    if (parent && (started == 0 || started > creationTime(GetCurrentProcess()))) {
        CloseHandle(parent);
        parent = nullptr;
    }
    return parent;
}

bool WaitUnlessOrphaned(HANDLE event, HANDLE parent)
{
    const HANDLE waits[] = {event, parent};
    return WaitForMultipleObjects(parent ? 2 : 1, waits, FALSE, parent ? INFINITE : 60000) == WAIT_OBJECT_0;
}

} // namespace halvorin_test
