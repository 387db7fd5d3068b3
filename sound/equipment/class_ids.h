// Class ids as the registry writes them: "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}".
#pragma once

#include <windows.h>

#include <string>

namespace Quorvane {

// False for anything but a class id in braces.
bool ParseClassId(const std::string &text, GUID &id);

} // namespace Quorvane
