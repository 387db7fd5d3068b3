// Where the tests find the program stand-in (stand_in_program.cpp) and how
// they wait for what it leaves behind.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

namespace halvorin_test {

// The folder of the running test program, ending with a backslash.
std::string testsFolder();
// The stand-in's path, quoted for a command line.
std::string standInCommand();

// A process of the stand-in that the test ends when it is done with it.
class StandInProcess {
public:
    // Starts the stand-in with the arguments; suspended, it stays alive
    // without doing anything.
    explicit StandInProcess(const std::string &arguments, bool suspended = false);
    ~StandInProcess() { Kill(); }
    StandInProcess(const StandInProcess &) = delete;
    StandInProcess &operator=(const StandInProcess &) = delete;

    bool Started() const { return process_ != nullptr; }
    DWORD Id() const { return id_; }
    HANDLE Handle() const { return process_; }
    // Terminates it and waits until it is gone.
    void Kill();

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// The process's start time as the channels keep it (0 when it cannot be
// read).
uint64_t StartTime(HANDLE process);

// Runs the call on a thread of its own, so that a call that never comes
// back fails a test instead of hanging it: the milliseconds it took, or -1
// when it did not come back within the time (it is then left running).
double TimedCall(std::function<void()> call, DWORD timeoutMs = 5000);

// Registers a string (or other typed) value under HKEY_LOCAL_MACHINE
// "Software\Quorvane\HalvorinApp".
void registerLaunch(const char *name, const std::string &data, DWORD type = REG_SZ);

// The file's contents once it exists and is no longer growing; empty when
// it did not appear within the time.
std::string awaitFile(const std::string &path, DWORD timeoutMs = 10000);

} // namespace halvorin_test
