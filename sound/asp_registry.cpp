#include "sound/asp_registry.h"

#include "data/strings.h"
#include "sound/module_keys.h"

#include <windows.h>

#include <cstring>

namespace Quorvane {

namespace {

// Reads the value at the index: its name into name (kAspNameSize bytes) and
// its data into path (kAspPathSize bytes), either may be null.
bool readProvider(long index, char *name, char *path)
{
    if (index < 0)
        return false;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kStreamProviderKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    char nameBuffer[kAspNameSize] = {};
    char pathBuffer[kAspPathSize] = {};
    DWORD nameSize = sizeof nameBuffer;
    DWORD pathSize = sizeof pathBuffer - 1;
    DWORD type = 0;
    const LONG result = RegEnumValueA(key, static_cast<DWORD>(index), nameBuffer, &nameSize, nullptr, &type,
                                      reinterpret_cast<BYTE *>(pathBuffer), &pathSize);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return false;
    if (path && (type != REG_SZ || pathBuffer[0] == '\0'))
        return false;
    if (name)
        std::memcpy(name, nameBuffer, sizeof nameBuffer);
    if (path)
        std::memcpy(path, pathBuffer, sizeof pathBuffer);
    return true;
}

} // namespace

long SndGetNumASP()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kStreamProviderKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return 0;
    DWORD values = 0;
    const LONG result = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                                         nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? static_cast<long>(values) : 0;
}

int SndGetASPProductName(long index, char *out)
{
    return out && readProvider(index, out, nullptr);
}

int SndGetASPModuleName(long index, char *out)
{
    return out && readProvider(index, nullptr, out);
}

int SndGetASPHalvorin(long &index, char *out)
{
    if (!out)
        return 0;
    char name[kAspNameSize];
    for (long i = 0; readProvider(i, name, nullptr); ++i) {
        if (CompareStringA(name, "Halvorin") == 0 && readProvider(i, nullptr, out)) {
            index = i;
            return 1;
        }
    }
    return 0;
}

} // namespace Quorvane
