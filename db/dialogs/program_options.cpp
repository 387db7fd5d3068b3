#include "db/dialogs/program_options.h"

#include "base/registry.h"

#include <windows.h>

namespace Quorvane {

std::string ProgramSectionKey(const char *section)
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, length);
    name = name.substr(name.find_last_of("\\/") + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos)
        name.resize(dot);
    return "Software\\Quorvane\\" + name + "\\" + section;
}

uint32_t ReadProgramInt(const char *section, const char *name, uint32_t defaultValue)
{
    return readRegistryDword(ProgramSectionKey(section).c_str(), name, defaultValue, true);
}

int WriteProgramInt(const char *section, const char *name, uint32_t value)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, ProgramSectionKey(section).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return 0;
    const DWORD stored = value;
    const LONG result =
        RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&stored), sizeof stored);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

} // namespace Quorvane
