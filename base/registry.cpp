#include "base/registry.h"

#include <cstdlib>
#include <memory>

namespace Quorvane {

namespace {

struct ModuleSettings {
    std::string productName;
    std::string subKey;
    HMODULE module = nullptr;
    bool initialised = false;
    std::string folder;
    std::string root;
};

ModuleSettings &settings()
{
    static ModuleSettings instance;
    return instance;
}

HKEY hive(bool currentUser)
{
    return currentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

[[noreturn]] void fail(LONG code)
{
    throw new registry_exception(static_cast<uint32_t>(code));
}

// Runs a reading operation; any registry exception is swallowed and the
// caller's default stands.
template <typename T, typename Op> T orDefault(T defaultValue, Op op)
{
    try {
        return op();
    } catch (registry_exception *e) {
        delete e;
        return defaultValue;
    }
}

} // namespace

void initAppRegistry(const char *productName, HMODULE module, DWORD reason, const char *subKey)
{
    if (reason != DLL_PROCESS_ATTACH)
        return;
    ModuleSettings &s = settings();
    s.productName = productName ? productName : "";
    s.subKey = subKey ? subKey : "";
    s.module = module;
    s.initialised = true;
    s.folder = getModuleFolder();
    s.root = std::string("Software\\") + "Quorvane\\" + s.productName;
    if (subKey)
        s.root += std::string("\\") + subKey;
}

bool appRegistryInitialised()
{
    return settings().initialised;
}
const std::string &appRegistryRoot()
{
    return settings().root;
}
const std::string &appProductName()
{
    return settings().productName;
}

uint32_t readAppRegistryValue(const char *subPath, const char *valueName, uint32_t defaultValue,
                              bool localMachine)
{
    const std::string path = settings().root + "\\" + (subPath ? subPath : "");
    return readRegistryDword(path.c_str(), valueName, defaultValue, !localMachine);
}

uint32_t readRegistryDword(const char *keyPath, const char *valueName, uint32_t defaultValue,
                           bool currentUser)
{
    return orDefault(defaultValue, [&] {
        RegistryKey key(openRegistryKey(hive(currentUser), keyPath, KEY_READ));
        return queryDwordValue(key.get(), valueName);
    });
}

std::string ReadRegistryString(const char *keyPath, const char *valueName, bool currentUser)
{
    return orDefault(std::string(), [&] {
        RegistryKey key(openRegistryKey(hive(currentUser), keyPath, KEY_READ));
        std::unique_ptr<char, decltype(&free)> text(queryStringValue(key.get(), valueName), &free);
        return text ? std::string(text.get()) : std::string();
    });
}

HKEY openRegistryKey(HKEY parent, const char *path, REGSAM access)
{
    HKEY key = nullptr;
    const LONG result = RegOpenKeyExA(parent, path, 0, access, &key);
    if (result != ERROR_SUCCESS)
        fail(result);
    return key;
}

void RegistryKey::closeRegistryKey()
{
    if (key_)
        RegCloseKey(key_);
    key_ = nullptr;
}

void RegistryKey::queryRegistryValue(const char *valueName, DWORD *type, void *data, DWORD *size)
{
    const LONG result = RegQueryValueExA(key_, valueName, nullptr, type, static_cast<BYTE *>(data), size);
    if (result != ERROR_SUCCESS)
        fail(result);
}

uint32_t queryDwordValue(HKEY key, const char *valueName)
{
    DWORD type = 0;
    uint32_t value = 0;
    DWORD size = sizeof(value);
    const LONG result =
        RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE *>(&value), &size);
    if (result == ERROR_MORE_DATA)
        fail(0);
    if (result != ERROR_SUCCESS)
        fail(result);
    if (type == REG_DWORD)
        return value;
    if (type == REG_DWORD_BIG_ENDIAN)
        return (value >> 24) | ((value >> 8) & 0xFF00u) | ((value << 8) & 0xFF0000u) | (value << 24);
    throw new registry_invalid_value_type();
}

char *queryStringValue(HKEY key, const char *valueName)
{
    DWORD type = 0;
    DWORD size = 0;
    LONG result = RegQueryValueExA(key, valueName, nullptr, &type, nullptr, &size);
    if (result != ERROR_SUCCESS)
        fail(result);
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        throw new registry_invalid_value_type();
    if (size == 0)
        return nullptr;
    // One byte more than asked, so the text is terminated even when the
    // stored value is not.
    char *buffer = static_cast<char *>(calloc(size + 1, 1));
    if (!buffer)
        fail(ERROR_OUTOFMEMORY);
    result = RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE *>(buffer), &size);
    if (result != ERROR_SUCCESS) {
        free(buffer);
        fail(result);
    }
    return buffer;
}

std::string getModulePath()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(settings().module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    return std::string(path, length);
}

std::string getModuleFolder()
{
    std::string path = getModulePath();
    const size_t slash = path.rfind('\\');
    if (slash != std::string::npos)
        path.resize(slash + 1);
    return path;
}

RegistryStream::RegistryStream(const char *subKey, const char *valueName)
    : stringStream(content_, 1024), valueName_(valueName ? valueName : "")
{
    HKEY software = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                        &software, nullptr) != ERROR_SUCCESS)
        return;
    if (RegCreateKeyExA(software, subKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key_, nullptr) !=
        ERROR_SUCCESS)
        key_ = nullptr;
    RegCloseKey(software);
    if (!key_)
        return;

    DWORD size = 0;
    if (RegQueryValueExA(key_, valueName_.c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS ||
        size == 0)
        return;
    std::string bytes(size, '\0');
    if (RegQueryValueExA(key_, valueName_.c_str(), nullptr, nullptr, reinterpret_cast<BYTE *>(bytes.data()),
                         &size) == ERROR_SUCCESS) {
        bytes.resize(size);
        content_ = std::move(bytes);
    }
}

RegistryStream::~RegistryStream()
{
    if (!key_)
        return;
    if (!content_.empty())
        RegSetValueExA(key_, valueName_.c_str(), 0, REG_BINARY,
                       reinterpret_cast<const BYTE *>(content_.data()), static_cast<DWORD>(content_.size()));
    RegCloseKey(key_);
}

} // namespace Quorvane
