#include "db/dialogs/program_options.h"

#include "base/registry.h"

#include <windows.h>

namespace Quorvane {

std::string ProgramSectionKey(const char *program, const char *section)
{
    return std::string("Software\\Quorvane\\") + (program ? program : "") + "\\" + section;
}

uint32_t ReadProgramInt(const char *program, const char *section, const char *name, uint32_t defaultValue)
{
    return readRegistryDword(ProgramSectionKey(program, section).c_str(), name, defaultValue, true);
}

int WriteProgramInt(const char *program, const char *section, const char *name, uint32_t value)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, ProgramSectionKey(program, section).c_str(), 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return 0;
    const DWORD stored = value;
    const LONG result =
        RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&stored), sizeof stored);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

} // namespace Quorvane
