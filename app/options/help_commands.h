// The help commands: the program's manual (a PDF beside it, opened by the
// shell) and the help files of the two drummers, found through their
// installation folders. What cannot be opened is told in a text that
// names the file.
#pragma once

#include <windows.h>

#include <string>

namespace Quorvane {

// The manual of the program at that path: everything from the path's last
// "." replaced by "Manual.pdf".
std::string ManualPath(const std::string &programPath);

enum class DrummerHelp { Fill, LoopSlice };

// The drummer's help file: the folder in value "InstallDir" of its key
// under HKEY_LOCAL_MACHINE followed by its file name; empty when the key or
// the value is missing.
std::string DrummerHelpPath(DrummerHelp drummer);

// Opens the running program's manual with the shell; empty when it was
// opened, else why not (a missing file, no program for it).
std::string OpenManual(HWND owner);
// Opens the drummer's help at its contents; empty when it was opened, else
// why not (no installation folder, a missing file, no viewer).
std::string OpenDrummerHelp(HWND owner, DrummerHelp drummer);

} // namespace Quorvane
