#include "bridge/common/halvorin_connection.h"

#include "bridge/asp/registration.h"
#include "sound/module_keys.h"

namespace Halvorin {

namespace {

constexpr DWORD kPathSize = 260;

// The provider module's path as registered; false without a usable one.
bool registeredPath(char (&path)[kPathSize + 1])
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, Quorvane::kStreamProviderKey, 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD size = kPathSize;
    const LONG result =
        RegQueryValueExA(key, kProviderName, nullptr, &type, reinterpret_cast<BYTE *>(path), &size);
    RegCloseKey(key);
    path[size < kPathSize ? size : kPathSize] = '\0';
    return result == ERROR_SUCCESS && type == REG_SZ && path[0] != '\0';
}

} // namespace

HalvorinConnection::~HalvorinConnection()
{
    Disconnect();
}

bool HalvorinConnection::Connect()
{
    Disconnect();
    char path[kPathSize + 1];
    if (!registeredPath(path) || !(module_ = LoadLibraryA(path)))
        return false;
    request_ = reinterpret_cast<RequestProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(module_, "ASPHalvorinRequest")));
    channel_ = request_ ? request_(-1, kOpClaim, nullptr) : -1;
    if (channel_ < 0) {
        request_ = nullptr;
        FreeLibrary(module_);
        module_ = nullptr;
        return false;
    }
    return true;
}

void HalvorinConnection::Disconnect()
{
    if (request_)
        request_(channel_, kOpRelease, nullptr);
    request_ = nullptr;
    channel_ = -1;
    if (module_)
        FreeLibrary(module_);
    module_ = nullptr;
}

} // namespace Halvorin
