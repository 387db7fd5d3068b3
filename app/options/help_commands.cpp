#include "app/options/help_commands.h"

#include <shellapi.h>

namespace Quorvane {

std::string ManualPath(const std::string &programPath)
{
    const size_t dot = programPath.find_last_of('.');
    return (dot == std::string::npos ? programPath : programPath.substr(0, dot)) + "Manual.pdf";
}

std::string DrummerHelpPath(DrummerHelp drummer)
{
    const bool fill = drummer == DrummerHelp::Fill;
    const char *key = fill ? "Software\\Quorvane\\Grindelvosket\\2" : "Software\\Quorvane\\Vostrapellin\\2";
    char folder[MAX_PATH] = {};
    DWORD size = sizeof(folder);
    if (RegGetValueA(HKEY_LOCAL_MACHINE, key, "InstallDir", RRF_RT_REG_SZ, nullptr, folder, &size) !=
        ERROR_SUCCESS)
        return {};
    return std::string(folder) + (fill ? "\\Grindelvosket.hlp" : "\\Vostrapellin.hlp");
}

bool OpenManual(HWND owner)
{
    char program[MAX_PATH * 2] = {};
    const DWORD length = GetModuleFileNameA(nullptr, program, sizeof(program));
    if (length == 0 || length >= sizeof(program))
        return false;
    const std::string manual = ManualPath(program);
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(owner, "open", manual.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

bool OpenDrummerHelp(HWND owner, DrummerHelp drummer)
{
    const std::string help = DrummerHelpPath(drummer);
    return !help.empty() && WinHelpA(owner, help.c_str(), HELP_FINDER, 0);
}

} // namespace Quorvane
