#include "bridge/asp/tests/stand_in.h"

#include "testing/sandbox.h"

namespace halvorin_test {

std::string testsFolder()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    const std::string file(path, length);
    return file.substr(0, file.find_last_of('\\') + 1);
}

std::string standInCommand()
{
    std::string command(1, '"');
    command += testsFolder();
    command += "halvorin_stand_in.exe\"";
    return command;
}

void registerLaunch(const char *name, const std::string &data, DWORD type)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Quorvane\\HalvorinApp", 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE *>(data.c_str()),
                   static_cast<DWORD>(data.size() + 1));
    RegCloseKey(key);
}

std::string awaitFile(const std::string &path, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    std::string last;
    bool seen = false;
    while (GetTickCount() - start < timeoutMs) {
        if (testing_support::fileExists(path)) {
            const std::string now = testing_support::readFile(path);
            if (seen && now == last && !now.empty())
                return now;
            seen = true;
            last = now;
        }
        Sleep(20);
    }
    return {};
}

} // namespace halvorin_test
