#include "app/options/help_commands.h"

#include "base/help_file.h"

#include <shellapi.h>

namespace Quorvane {

namespace {

constexpr char kFillKey[] = "Software\\Quorvane\\Grindelvosket\\2";
constexpr char kLoopSliceKey[] = "Software\\Quorvane\\Vostrapellin\\2";

bool fileExists(const std::string &path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

std::string ManualPath(const std::string &programPath)
{
    const size_t dot = programPath.find_last_of('.');
    return (dot == std::string::npos ? programPath : programPath.substr(0, dot)) + "Manual.pdf";
}

std::string DrummerHelpPath(DrummerHelp drummer)
{
    const bool fill = drummer == DrummerHelp::Fill;
    char folder[MAX_PATH] = {};
    DWORD size = sizeof(folder);
    if (RegGetValueA(HKEY_LOCAL_MACHINE, fill ? kFillKey : kLoopSliceKey, "InstallDir", RRF_RT_REG_SZ,
                     nullptr, folder, &size) != ERROR_SUCCESS)
        return {};
    return std::string(folder) + (fill ? "\\Grindelvosket.hlp" : "\\Vostrapellin.hlp");
}

std::string OpenManual(HWND owner)
{
    char program[MAX_PATH * 2] = {};
    const DWORD length = GetModuleFileNameA(nullptr, program, sizeof(program));
    if (length == 0 || length >= sizeof(program))
        return "The manual cannot be found: the program's own path is too long.";
    const std::string manual = ManualPath(program);
    if (!fileExists(manual))
        return "The manual " + manual + " is missing.";
    SHELLEXECUTEINFOA open{};
    open.cbSize = sizeof(open);
    open.fMask = SEE_MASK_FLAG_NO_UI;
    open.hwnd = owner;
    open.lpVerb = "open";
    open.lpFile = manual.c_str();
    open.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExA(&open))
        return "No program opens the manual " + manual +
               " (a PDF file) here. Install a PDF reader, or open the file with one.";
    return {};
}

std::string OpenDrummerHelp(HWND owner, DrummerHelp drummer)
{
    const bool fill = drummer == DrummerHelp::Fill;
    const std::string help = DrummerHelpPath(drummer);
    if (help.empty())
        return std::string("The help of ") + (fill ? "Quorvane Grindelvosket" : "Quorvane Vostrapellin") +
               " (" + (fill ? "Grindelvosket.hlp" : "Vostrapellin.hlp") +
               ") cannot be found: no installation folder is registered for it (value InstallDir of "
               "HKEY_LOCAL_MACHINE\\" +
               (fill ? kFillKey : kLoopSliceKey) + ").";
    if (std::string missing = MissingHelpFileMessage(help); !missing.empty())
        return missing;
    if (!WinHelpA(owner, help.c_str(), HELP_FINDER, 0))
        return "No program shows the help file " + help + " here.";
    return {};
}

} // namespace Quorvane
