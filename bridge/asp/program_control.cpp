#include "bridge/asp/program_control.h"

#include "bridge/asp/shared_channels.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace Halvorin {

namespace {

const char kLaunchKey[] = "Software\\Quorvane\\HalvorinApp";
constexpr DWORD kCommandLineSize = 260;
// How long the disconnect event stays set for the program to see it.
constexpr DWORD kDisconnectPauseMs = 100;

// The command line registered under the name; false when the key or value
// is missing, empty or not a string.
bool registeredCommandLine(const char *name, char (&line)[kCommandLineSize + 1])
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kLaunchKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD size = kCommandLineSize;
    const LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE *>(line), &size);
    RegCloseKey(key);
    line[size < kCommandLineSize ? size : kCommandLineSize] = '\0';
    return result == ERROR_SUCCESS && type == REG_SZ && line[0] != '\0';
}

} // namespace

int DisconnectProgram(int channel)
{
    if (!SharedChannel(channel))
        return 0;
    char program[kProgramNameSize];
    if (!AttachedProgramName(channel, program))
        return 1;
    char name[kProgramNameSize + 8];
    std::snprintf(name, sizeof name, "%s_DCNT", program);
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, name);
    if (!event)
        return 0;
    SetEvent(event);
    Sleep(kDisconnectPauseMs);
    CloseHandle(event);
    return 1;
}

int LaunchProgram(int channel, const char *name)
{
    char line[kCommandLineSize + 1];
    if (!SharedChannel(channel) || !name || !registeredCommandLine(name, line))
        return 0;
    char commandLine[kCommandLineSize + 32];
    std::snprintf(commandLine, sizeof commandLine, "%s -halvorin:channel:%i", line, channel + 1);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                        nullptr, &startup, &process))
        return 0;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 1;
}

int CanConnect(int channel, int *sampleRate, int *blockSize)
{
    if (!DisconnectProgram(channel))
        return 0;
    const HalvorinChannel &shared = *SharedChannel(channel);
    if (blockSize)
        *blockSize = NearestBlockSize(shared.blockSize);
    if (sampleRate)
        *sampleRate = shared.sampleRate;
    return 1;
}

int NearestBlockSize(int frames)
{
    int nearest = kBlockSizes[0];
    const auto distance = [frames](int size) { return std::llabs(static_cast<long long>(size) - frames); };
    for (int size : kBlockSizes)
        if (distance(size) < distance(nearest))
            nearest = size;
    return nearest;
}

} // namespace Halvorin
