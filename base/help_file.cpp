#include "base/help_file.h"

#include <windows.h>

namespace Quorvane {

std::string MissingHelpFileMessage(const std::string &file)
{
    const DWORD attributes = file.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(file.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return {};
    return "The help file " + (file.empty() ? std::string("of this drummer") : file) +
           " is missing: the drummers' help files are not part of this release. The program's manual "
           "(RallimothManual.pdf, Help, Manual) tells how the drummers' editors work, in its chapter "
           "\"The drummers and their editors\".";
}

} // namespace Quorvane
