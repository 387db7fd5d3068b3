// The steps of a panel that wait for the user or hand work to the shell: the
// Save As dialog, the help, and the shell's delete and open. Each goes through
// one function that a test can answer in the user's place, as message boxes
// and popup menus do.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace Quorvane {

// The Save As dialog (GetSaveFileNameA with an overwrite prompt): opens in
// folder with name proposed; true and the chosen path when the user chose
// one.
struct SaveFileRequest {
    HWND owner = nullptr;
    std::string folder;
    std::string name;
    std::string defaultExtension; // without the dot
    std::string filter;           // pairs separated by '|', e.g. "MIDI Files|*.mid"
};
bool chooseSaveFile(const SaveFileRequest &request, std::string &path);
using SaveFileHook = std::function<bool(const SaveFileRequest &, std::string &)>;
SaveFileHook setSaveFileHook(SaveFileHook hook);

// The help file at a command (WinHelpA, or the hook in its place); a file
// that is not there is told in a message box instead, and false returned.
bool openHelp(HWND owner, const std::string &file, UINT command);
using HelpHook = std::function<bool(HWND, const std::string &, UINT)>;
HelpHook setHelpHook(HelpHook hook);

// A folder deleted through the shell, which asks the user first
// (SHFileOperation, FO_DELETE, FOF_SIMPLEPROGRESS); true when it went.
bool shellDelete(HWND owner, const std::string &path);
using ShellDeleteHook = std::function<bool(HWND, const std::string &)>;
ShellDeleteHook setShellDeleteHook(ShellDeleteHook hook);

// A folder or file opened by the shell with the verb "open".
bool shellOpen(HWND owner, const std::string &path);
using ShellOpenHook = std::function<bool(HWND, const std::string &)>;
ShellOpenHook setShellOpenHook(ShellOpenHook hook);

} // namespace Quorvane
