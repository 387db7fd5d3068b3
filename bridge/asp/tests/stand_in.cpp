#include "bridge/asp/tests/stand_in.h"

#include "testing/sandbox.h"

namespace halvorin_test {

std::string testsFolder()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    const std::string file(path, length);
    return file.substr(0, file.find_last_of('\\') + 1);
}

std::string standInCommand()
{
    std::string command(1, '"');
    command += testsFolder();
    command += "halvorin_stand_in.exe\"";
    return command;
}

StandInProcess::StandInProcess(const std::string &arguments, bool suspended)
{
    std::string line = standInCommand() + " " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, suspended ? CREATE_SUSPENDED : 0,
                        nullptr, nullptr, &startup, &process))
        return;
    CloseHandle(process.hThread);
    process_ = process.hProcess;
    id_ = process.dwProcessId;
}

void StandInProcess::Kill()
{
    if (!process_)
        return;
    TerminateProcess(process_, 9);
    WaitForSingleObject(process_, 10000);
    CloseHandle(process_);
    process_ = nullptr;
}

uint64_t StartTime(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return static_cast<uint64_t>(created.dwHighDateTime) << 32 | created.dwLowDateTime;
}

double TimedCall(std::function<void()> call, DWORD timeoutMs)
{
    // Owned by the thread: a call left running keeps what it uses.
    auto *owned = new std::function<void()>(std::move(call));
    const auto run = [](void *function) -> DWORD {
        auto *f = static_cast<std::function<void()> *>(function);
        (*f)();
        delete f;
        return 0;
    };
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    HANDLE thread = CreateThread(nullptr, 0, run, owned, 0, nullptr);
    if (!thread) {
        delete owned;
        return -1.0;
    }
    const bool back = WaitForSingleObject(thread, timeoutMs) == WAIT_OBJECT_0;
    QueryPerformanceCounter(&end);
    CloseHandle(thread);
    return back ? 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                      static_cast<double>(frequency.QuadPart)
                : -1.0;
}

void registerLaunch(const char *name, const std::string &data, DWORD type)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Quorvane\\HalvorinApp", 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE *>(data.c_str()),
                   static_cast<DWORD>(data.size() + 1));
    RegCloseKey(key);
}

std::string awaitFile(const std::string &path, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    std::string last;
    bool seen = false;
    while (GetTickCount() - start < timeoutMs) {
        if (testing_support::fileExists(path)) {
            const std::string now = testing_support::readFile(path);
            if (seen && now == last && !now.empty())
                return now;
            seen = true;
            last = now;
        }
        Sleep(20);
    }
    return {};
}

} // namespace halvorin_test
