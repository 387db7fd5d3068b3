#include "data/module_loader.h"

#include "data/strings.h"

#include <cstring>
#include <string>

namespace Quorvane {

namespace {

std::string programPath()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, length < MAX_PATH ? length : 0);
}

// The registered path of the module, or empty.
std::string registeredPath(const char *key, const char *name)
{
    char path[MAX_PATH] = {};
    DWORD size = sizeof(path);
    if (RegGetValueA(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_SZ, nullptr, path, &size) != ERROR_SUCCESS)
        return {};
    return path;
}

} // namespace

int IsPlainModuleName(const char *name)
{
    if (!name || !*name)
        return 0;
    return std::strpbrk(name, "\\/:") == nullptr && std::strstr(name, "..") == nullptr;
}

namespace {

// The module's name (the program's own without a name given) and the path
// it is loaded from; an empty path when the name is not plain.
std::string modulePath(const char *key, const char *name, std::string &moduleName)
{
    const std::string program = programPath();
    const size_t slash = program.find_last_of('\\');
    if (name && *name) {
        moduleName = name;
    } else {
        // The program's own file name without its extension.
        moduleName = program.substr(slash == std::string::npos ? 0 : slash + 1);
        moduleName.resize(moduleName.size() > 4 ? moduleName.size() - 4 : 0);
    }
    // A name from stored data never reaches outside the modules' places.
    if (!IsPlainModuleName(moduleName.c_str()))
        return {};
    std::string path = registeredPath(key, moduleName.c_str());
    if (path.empty())
        path = program.substr(0, slash == std::string::npos ? 0 : slash + 1) + moduleName + ".zql";
    return path;
}

} // namespace

int FindModuleByName(const char *key, const char *name, char *path, DWORD size)
{
    std::string moduleName;
    const std::string found = modulePath(key, name, moduleName);
    if (path && size)
        lstrcpynA(path, found.c_str(), static_cast<int>(size));
    const DWORD attributes = found.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(found.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

HMODULE LoadModuleByName(const char *key, const char *name, char **usedName)
{
    std::string moduleName;
    const std::string path = modulePath(key, name, moduleName);
    if (usedName)
        *usedName = CreateString(moduleName.c_str());
    return path.empty() ? nullptr : LoadLibraryA(path.c_str());
}

} // namespace Quorvane
