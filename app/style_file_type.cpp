#include "app/style_file_type.h"

#include <windows.h>

namespace Quorvane {

namespace {

bool setDefaultValue(const std::string &key, const std::string &value)
{
    return RegSetValueA(HKEY_CLASSES_ROOT, key.c_str(), REG_SZ, value.c_str(),
                        static_cast<DWORD>(value.size())) == ERROR_SUCCESS;
}

std::string defaultValue(const std::string &key)
{
    char text[MAX_PATH] = {};
    LONG size = sizeof(text);
    if (RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), text, &size) != ERROR_SUCCESS)
        return {};
    return text;
}

} // namespace

bool RegisterStyleFileType(const std::string &programPath)
{
    if (!setDefaultValue(kStyleProgId, kStyleTypeName))
        return false;
    // Quoted: a program under "Program Files" would otherwise be taken for
    // "Program" with arguments.
    if (!setDefaultValue(std::string(kStyleProgId) + "\\shell\\open\\command",
                         "\"" + programPath + "\" \"%1\""))
        return false;
    // Left alone when it already names the type, so nothing changes on
    // every start.
    if (defaultValue(kStyleExtension) != kStyleProgId)
        return setDefaultValue(kStyleExtension, kStyleProgId);
    return true;
}

} // namespace Quorvane
