// Registry settings of one module: its root key, DWORD and string values with
// defaults, its own file and folder, and a typed stream kept in one binary
// registry value.
#pragma once

#include "base/string_stream.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace Quorvane {

// Thrown as pointers made with new; the catcher deletes them.
class registry_exception {
public:
    explicit registry_exception(uint32_t code) : code(code) {}
    virtual ~registry_exception() = default;
    uint32_t code;
};

class registry_invalid_value_type : public registry_exception {
public:
    registry_invalid_value_type() : registry_exception(0) {}
};

// Stores the module's product name, handle and sub key once, when the
// module's entry point sees the process attach (reason 1).
void initAppRegistry(const char *productName, HMODULE module, DWORD reason, const char *subKey);
bool appRegistryInitialised();
// "Software\Quorvane\<product>[\<subKey>]".
const std::string &appRegistryRoot();
const std::string &appProductName();

uint32_t readAppRegistryValue(const char *subPath, const char *valueName, uint32_t defaultValue,
                              bool localMachine);
uint32_t readRegistryDword(const char *keyPath, const char *valueName, uint32_t defaultValue,
                           bool currentUser);
std::string ReadRegistryString(const char *keyPath, const char *valueName, bool currentUser);

// Low-level operations; failures throw registry_exception pointers.
HKEY openRegistryKey(HKEY parent, const char *path, REGSAM access);
uint32_t queryDwordValue(HKEY key, const char *valueName);
// A heap buffer (free with free) or null for an empty value.
char *queryStringValue(HKEY key, const char *valueName);

// Holds an open key and closes it when it goes.
class RegistryKey {
public:
    explicit RegistryKey(HKEY key) : key_(key) {}
    RegistryKey(const RegistryKey &) = delete;
    RegistryKey &operator=(const RegistryKey &) = delete;
    ~RegistryKey() { closeRegistryKey(); }

    HKEY get() const { return key_; }
    void closeRegistryKey();
    void queryRegistryValue(const char *valueName, DWORD *type, void *data, DWORD *size);

private:
    HKEY key_;
};

std::string getModulePath();
std::string getModuleFolder();

// Content is read from HKEY_CURRENT_USER\Software\<subKey>\<valueName> when
// the stream is made, and written back whole as REG_BINARY when it goes (an
// empty content writes nothing, so an older value stays).
class RegistryStream : public stringStream {
public:
    RegistryStream(const char *subKey, const char *valueName);
    RegistryStream(const RegistryStream &) = delete;
    RegistryStream &operator=(const RegistryStream &) = delete;
    ~RegistryStream();

    bool atEnd() override { return content_.empty(); }
    const std::string &content() const { return content_; }

private:
    std::string valueName_;
    std::string content_;
    HKEY key_ = nullptr;
};

} // namespace Quorvane
