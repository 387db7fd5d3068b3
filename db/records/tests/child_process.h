// The other processes of the two-process and crash tests: the tests' own
// program started from the test executable's folder, and named events to
// meet it.
#pragma once

#include <windows.h>

#include <string>

namespace records_test {

// A program of the tests' own, started with arguments from the folder of
// the running test executable.
class ChildProcess {
public:
    ChildProcess(const std::string &program, const std::string &arguments);
    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;
    bool started() const { return process_ != nullptr; }
    // The exit code; -1 when the program did not start, -2 when it did not
    // end in time.
    int wait(DWORD milliseconds = 60000);
    void kill();
    HANDLE handle() const { return process_; }

private:
    HANDLE process_ = nullptr;
};

// A named manual-reset event with a name of its own.
class NamedEvent {
public:
    NamedEvent();
    ~NamedEvent();
    NamedEvent(const NamedEvent &) = delete;
    NamedEvent &operator=(const NamedEvent &) = delete;
    const std::string &name() const { return name_; }
    HANDLE handle() const { return event_; }
    void set() { SetEvent(event_); }
    bool waitFor(DWORD milliseconds) { return WaitForSingleObject(event_, milliseconds) == WAIT_OBJECT_0; }

private:
    std::string name_;
    HANDLE event_;
};

} // namespace records_test
