#include "sound/equipment/registry_reader.h"

#include "base/registry.h"

#include <cstdlib>
#include <memory>

namespace Quorvane {

namespace {

// Value and key names are at most this long, the terminator included.
constexpr DWORD kMaxRegistryName = 16384;

} // namespace

OpenedKey::OpenedKey(HKEY root, const char *path)
{
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key_) != ERROR_SUCCESS)
        key_ = nullptr;
}

OpenedKey::~OpenedKey()
{
    if (key_)
        RegCloseKey(key_);
}

std::string TextValue(HKEY key, const char *name)
{
    try {
        std::unique_ptr<char, decltype(&free)> text(queryStringValue(key, name), &free);
        return text ? std::string(text.get()) : std::string();
    } catch (registry_exception *failure) {
        delete failure;
        return {};
    }
}

std::string TextValue(HKEY root, const char *path, const char *name)
{
    OpenedKey key(root, path);
    return key ? TextValue(key.get(), name) : std::string();
}

bool KeyExists(HKEY root, const char *path)
{
    return static_cast<bool>(OpenedKey(root, path));
}

std::vector<NamedText> NamedTextValues(HKEY key)
{
    std::vector<NamedText> values;
    std::unique_ptr<char[]> name(new char[kMaxRegistryName]);
    for (DWORD index = 0;; ++index) {
        DWORD length = kMaxRegistryName;
        DWORD type = 0;
        const LONG result = RegEnumValueA(key, index, name.get(), &length, nullptr, &type, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result != ERROR_SUCCESS || length == 0)
            continue;
        std::string text = TextValue(key, name.get());
        if (!text.empty())
            values.push_back({std::string(name.get(), length), std::move(text)});
    }
    return values;
}

std::vector<std::string> SubKeyNames(HKEY key)
{
    std::vector<std::string> names;
    std::unique_ptr<char[]> name(new char[kMaxRegistryName]);
    for (DWORD index = 0;; ++index) {
        DWORD length = kMaxRegistryName;
        const LONG result =
            RegEnumKeyExA(key, index, name.get(), &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result == ERROR_SUCCESS)
            names.emplace_back(name.get(), length);
    }
    return names;
}

} // namespace Quorvane
