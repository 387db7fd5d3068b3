#include "testing/sandbox.h"

#include <atomic>
#include <fstream>
#include <sstream>

namespace testing_support {

std::string uniqueName(const std::string &prefix)
{
    static std::atomic<int> counter{0};
    return prefix + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
}

namespace {

void removeTree(const std::string &path)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string child = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(child);
            else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

} // namespace

TempFolder::TempFolder()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + uniqueName("tembri-test");
    // A folder of this name is the leftover of a killed process that had
    // the same id: it is not this test's to keep.
    removeTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
}

TempFolder::~TempFolder()
{
    removeTree(path_);
}

RegistrySandbox::RegistrySandbox() : product_(uniqueName("Test"))
{
    // A process of the same id that died before cleaning up left it.
    RegDeleteTreeA(HKEY_CURRENT_USER, path().c_str());
}

RegistrySandbox::~RegistrySandbox()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, path().c_str());
}

PredefinedKeyOverride::PredefinedKeyOverride(HKEY predefined) : predefined_(predefined)
{
    if (RegCreateKeyExA(HKEY_CURRENT_USER, sandbox_.path().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &root_, nullptr) == ERROR_SUCCESS)
        active_ = RegOverridePredefKey(predefined_, root_) == ERROR_SUCCESS;
}

PredefinedKeyOverride::~PredefinedKeyOverride()
{
    if (active_)
        RegOverridePredefKey(predefined_, nullptr);
    if (root_)
        RegCloseKey(root_);
}

bool mapPredefinedKey(HKEY predefined, const std::string &path)
{
    HKEY root = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &root) != ERROR_SUCCESS)
        return false;
    // The key stays open for the rest of the process.
    return RegOverridePredefKey(predefined, root) == ERROR_SUCCESS;
}

void PredefinedKeyOverride::suspend()
{
    if (active_)
        RegOverridePredefKey(predefined_, nullptr);
}

void PredefinedKeyOverride::resume()
{
    if (active_)
        RegOverridePredefKey(predefined_, root_);
}

bool fileExists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool writeFile(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::vector<std::string> filesIn(const std::string &folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

} // namespace testing_support
