// Reading what other programs registered: only string values count, and a
// value of another type, or an empty one, is skipped.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace Quorvane {

// An open key, closed when it goes; invalid when it could not be opened.
class OpenedKey {
public:
    OpenedKey(HKEY root, const char *path);
    ~OpenedKey();
    OpenedKey(const OpenedKey &) = delete;
    OpenedKey &operator=(const OpenedKey &) = delete;

    explicit operator bool() const { return key_ != nullptr; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

// The string value (nullptr: the default value), empty when it is missing,
// not a string or empty.
std::string TextValue(HKEY key, const char *name);
// The same, below a sub key.
std::string TextValue(HKEY root, const char *path, const char *name);
bool KeyExists(HKEY root, const char *path);

struct NamedText {
    std::string name;
    std::string text;
};
// The values of the key that have a name and a non-empty string.
std::vector<NamedText> NamedTextValues(HKEY key);
std::vector<std::string> SubKeyNames(HKEY key);

} // namespace Quorvane
