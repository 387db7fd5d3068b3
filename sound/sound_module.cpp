#include "sound/sound_module.h"

#include "data/strings.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace Quorvane {

namespace {

// The running program's file name without its last four characters.
std::string programModuleName()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return {};
    std::string name(path, length);
    const size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    name.resize(name.size() > 4 ? name.size() - 4 : 0);
    return name;
}

std::string programFolder()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return {};
    std::string folder(path, length);
    folder.erase(folder.find_last_of("\\/") + 1);
    return folder;
}

// The registered path; empty on any failure.
std::string registeredPath(const char *key, const char *name)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return {};
    char path[MAX_PATH + 1] = {};
    DWORD type = 0;
    DWORD size = MAX_PATH;
    const LONG result = RegQueryValueExA(opened, name, nullptr, &type, reinterpret_cast<BYTE *>(path), &size);
    RegCloseKey(opened);
    if (result != ERROR_SUCCESS || type != REG_SZ)
        return {};
    return std::string(path, strnlen(path, size));
}

using EntryProc = void *(*)(unsigned char, long);

} // namespace

bool IsModuleName(const char *name)
{
    return name && *name && !std::strpbrk(name, "\\/:") && !std::strstr(name, "..");
}

SOUNDMODULE::~SOUNDMODULE()
{
    Unload();
    std::free(name);
}

void *SOUNDMODULE::Load(const char *moduleName, const char *key, const char *entry)
{
    iface = nullptr;
    handle = nullptr;
    std::free(name);
    name = (moduleName && *moduleName) ? CreateString(moduleName) : CreateString(programModuleName().c_str());
    if (!IsModuleName(name))
        return nullptr;
    std::string path = registeredPath(key, name);
    if (path.empty())
        path = programFolder() + name + ".zql";
    handle = LoadLibraryA(path.c_str());
    if (!handle)
        return nullptr;
    auto create = reinterpret_cast<EntryProc>(reinterpret_cast<void (*)()>(GetProcAddress(handle, entry)));
    if (create)
        iface = create(flag, number);
    return iface;
}

void SOUNDMODULE::Unload()
{
    iface = nullptr;
    if (handle) {
        FreeLibrary(handle);
        handle = nullptr;
    }
}

} // namespace Quorvane
