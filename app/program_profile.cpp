#include "app/program_profile.h"

#include <windows.h>

namespace Quorvane {

std::string RunningProgramName()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name = path;
    const size_t slash = name.find_last_of("\\/:");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

ProgramProfile::ProgramProfile() : programName_(RunningProgramName()) {}

ProgramProfile::ProgramProfile(std::string programName) : programName_(std::move(programName)) {}

std::string ProgramProfile::optionsKey() const
{
    return "Software\\Quorvane\\" + programName_ + "\\Options";
}

int ProgramProfile::getInt(const char *name, int defaultValue) const
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    DWORD type = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, optionsKey().c_str(), name, RRF_RT_REG_DWORD, &type, &value, &size) !=
        ERROR_SUCCESS)
        return defaultValue;
    return static_cast<int>(value);
}

bool ProgramProfile::writeInt(const char *name, int value) const
{
    const DWORD data = static_cast<DWORD>(value);
    return RegSetKeyValueA(HKEY_CURRENT_USER, optionsKey().c_str(), name, REG_DWORD, &data, sizeof(data)) ==
           ERROR_SUCCESS;
}

std::string ProgramProfile::getString(const char *name, const std::string &defaultValue) const
{
    char text[MAX_PATH * 2] = {};
    DWORD size = sizeof(text);
    if (RegGetValueA(HKEY_CURRENT_USER, optionsKey().c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size) !=
        ERROR_SUCCESS)
        return defaultValue;
    return text;
}

bool ProgramProfile::writeString(const char *name, const std::string &value) const
{
    return RegSetKeyValueA(HKEY_CURRENT_USER, optionsKey().c_str(), name, REG_SZ, value.c_str(),
                           static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

} // namespace Quorvane
