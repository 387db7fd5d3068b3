#include "plugin/framework/drums/file_names.h"

#include <windows.h>

namespace Quorvane {

std::string folderPrefix(const std::string &folder)
{
    if (folder.empty())
        return folder;
    const char last = folder.back();
    if (last == '\\' || last == '/' || last == ':')
        return folder;
    return folder + "\\";
}

bool isSafeFileName(const std::string &name)
{
    if (name.empty() || name.find("..") != std::string::npos)
        return false;
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20)
            return false;
        switch (c) {
        case '\\':
        case '/':
        case ':':
        case '*':
        case '?':
        case '"':
        case '<':
        case '>':
        case '|':
            return false;
        default:
            break;
        }
    }
    return true;
}

std::vector<std::string> filesWithExtension(const std::string &folder, const std::string &extension)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folderPrefix(folder) + "*" + extension).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        // The pattern may also match longer extensions through short names.
        const std::string name = found.cFileName;
        if (name.size() > extension.size() &&
            lstrcmpiA(name.c_str() + name.size() - extension.size(), extension.c_str()) == 0)
            names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

std::string stripExtension(const std::string &fileName, const std::string &extension)
{
    if (fileName.size() < extension.size())
        return fileName;
    return fileName.substr(0, fileName.size() - extension.size());
}

} // namespace Quorvane
