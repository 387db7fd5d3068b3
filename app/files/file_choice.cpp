#include "app/files/file_choice.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cctype>
#include <mutex>
#include <utility>

namespace Quorvane {

namespace {

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool endsWith(const std::string &text, const char *suffix)
{
    const size_t n = std::char_traits<char>::length(suffix);
    return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

std::mutex runnerLock;

FileDialogRunner &installedRunner()
{
    static FileDialogRunner runner;
    return runner;
}

bool runPlatformDialog(OPENFILENAMEA &dialog, bool save)
{
    return (save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog)) != FALSE;
}

// The filter lists of part and style files.
constexpr char kPartFilters[] = "QNOV Part Files (*.qnp)\0*.qnp;*.qn3\0";
constexpr char kPartSaveFilters[] = "QNOV Part Files (*.qnp)\0*.qnp\0";
constexpr char kStyleFilters[] = "QNOV Style Files (*.qns)\0*.qns;*.qn3x12\0";
constexpr char kStyleSaveFilters[] = "QNOV Style Files (*.qns)\0*.qns\0";

} // namespace

std::string DocumentsFolder()
{
    char path[MAX_PATH] = {};
    if (FAILED(
            SHGetFolderPathA(nullptr, CSIDL_PERSONAL | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path)))
        return {};
    return path;
}

PartFileKind KindOfFileName(const std::string &name)
{
    const std::string lower = lowered(name);
    if (endsWith(lower, ".qns") || endsWith(lower, ".qn3x12"))
        return PartFileKind::Style;
    if (endsWith(lower, ".qnp") || endsWith(lower, ".qn3"))
        return PartFileKind::Part;
    return PartFileKind::None;
}

int FirstKnownFile(const std::vector<std::string> &names)
{
    for (size_t i = 0; i < names.size(); ++i)
        if (KindOfFileName(names[i]) != PartFileKind::None)
            return static_cast<int>(i);
    return -1;
}

std::vector<std::string> DroppedFileNames(HDROP drop)
{
    std::vector<std::string> names;
    const UINT count = drop ? DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0) : 0;
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileA(drop, i, nullptr, 0);
        std::string name(length + 1, '\0');
        DragQueryFileA(drop, i, name.data(), length + 1);
        name.resize(length);
        names.push_back(std::move(name));
    }
    return names;
}

std::string FolderOf(const std::string &path)
{
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

FileDialogRunner SetFileDialogRunner(FileDialogRunner runner)
{
    std::lock_guard<std::mutex> guard(runnerLock);
    return std::exchange(installedRunner(), std::move(runner));
}

std::string ChooseFile(HWND owner, FileDialogRequest &request, bool save)
{
    char file[MAX_PATH * 2] = {};
    request.fileName.copy(file, sizeof(file) - 1);
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = request.filters;
    dialog.nFilterIndex = static_cast<DWORD>(request.filterIndex);
    dialog.lpstrFile = file;
    dialog.nMaxFile = sizeof(file);
    // Never the program's own folder, where a user may not write: the
    // documents folder until a folder is known.
    const std::string folder = request.folder.empty() ? DocumentsFolder() : request.folder;
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.lpstrDefExt = request.defaultExtension;
    dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);

    // The dialog may move the current folder; the program's relative paths
    // must not follow it.
    char current[MAX_PATH * 2] = {};
    const bool haveCurrent = GetCurrentDirectoryA(sizeof(current), current) != 0;
    FileDialogRunner runner;
    {
        std::lock_guard<std::mutex> guard(runnerLock);
        runner = installedRunner();
    }
    const bool chosen = runner ? runner(dialog, save) : runPlatformDialog(dialog, save);
    if (haveCurrent)
        SetCurrentDirectoryA(current);
    if (!chosen)
        return {};
    request.filterIndex = static_cast<int>(dialog.nFilterIndex);
    file[sizeof(file) - 1] = '\0';
    return file;
}

std::string ChoosePartFile(HWND owner, PartFileKind kind, bool save, std::string &folder)
{
    const bool style = kind == PartFileKind::Style;
    FileDialogRequest request;
    request.filters =
        style ? (save ? kStyleSaveFilters : kStyleFilters) : (save ? kPartSaveFilters : kPartFilters);
    request.defaultExtension = style ? "qns" : "qnp";
    request.folder = folder;
    std::string path = ChooseFile(owner, request, save);
    if (!path.empty())
        folder = FolderOf(path);
    return path;
}

} // namespace Quorvane
