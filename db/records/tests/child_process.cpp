#include "db/records/tests/child_process.h"

#include "db/records/tests/record_test_support.h"
#include "testing/sandbox.h"

#include <cstdio>

namespace records_test {

ChildProcess::ChildProcess(const std::string &program, const std::string &arguments)
{
    std::string commandLine = "\"";
    commandLine.append(testExecutableFolder()).append("\\").append(program).append("\" ").append(arguments);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    // Wine now and then refuses a start with an internal error (about one
    // in two thousand here); a second attempt starts the program.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                           &startup, &info)) {
            CloseHandle(info.hThread);
            process_ = info.hProcess;
            return;
        }
        std::printf("%s did not start: error %lu\n", program.c_str(), GetLastError());
        Sleep(100);
    }
}

ChildProcess::~ChildProcess()
{
    if (process_) {
        if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT)
            kill();
        CloseHandle(process_);
    }
}

int ChildProcess::wait(DWORD milliseconds)
{
    DWORD code;
    if (!process_)
        return -1;
    if (WaitForSingleObject(process_, milliseconds) != WAIT_OBJECT_0 || !GetExitCodeProcess(process_, &code))
        return -2;
    return int(code);
}

void ChildProcess::kill()
{
    if (process_) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 10000);
    }
}

NamedEvent::NamedEvent()
    : name_(testing_support::uniqueName("tembri-records-event")),
      event_(CreateEventA(nullptr, TRUE, FALSE, name_.c_str()))
{
}

NamedEvent::~NamedEvent()
{
    CloseHandle(event_);
}

} // namespace records_test
