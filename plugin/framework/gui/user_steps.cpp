#include "plugin/framework/gui/user_steps.h"

#include "base/help_file.h"
#include "base/message_box.h"

#include <commdlg.h>
#include <shellapi.h>

#include <mutex>
#include <utility>
#include <vector>

namespace Quorvane {

namespace {

std::mutex hookLock;

// One installed hook per step; the step names it, since two steps may
// share a hook's type.
enum Step { SaveFile, Help, Delete, Open };

template <Step step, typename Hook> Hook &installed()
{
    static Hook hook;
    return hook;
}

template <Step step, typename Hook> Hook current()
{
    std::lock_guard<std::mutex> guard(hookLock);
    return installed<step, Hook>();
}

template <Step step, typename Hook> Hook exchange(Hook hook)
{
    std::lock_guard<std::mutex> guard(hookLock);
    return std::exchange(installed<step, Hook>(), std::move(hook));
}

} // namespace

bool chooseSaveFile(const SaveFileRequest &request, std::string &path)
{
    if (SaveFileHook hook = current<SaveFile, SaveFileHook>())
        return hook(request, path);
    std::vector<char> file(MAX_PATH, '\0');
    request.name.copy(file.data(), MAX_PATH - 1);
    // The filter's pairs are zero-separated and end with two zeros.
    std::string filter = request.filter;
    for (char &c : filter)
        if (c == '|')
            c = '\0';
    filter.append(2, '\0');
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = request.owner;
    dialog.lpstrFilter = request.filter.empty() ? nullptr : filter.c_str();
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrInitialDir = request.folder.empty() ? nullptr : request.folder.c_str();
    dialog.lpstrDefExt = request.defaultExtension.empty() ? nullptr : request.defaultExtension.c_str();
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    if (!GetSaveFileNameA(&dialog))
        return false;
    path = file.data();
    return true;
}

SaveFileHook setSaveFileHook(SaveFileHook hook)
{
    return exchange<SaveFile>(std::move(hook));
}

bool openHelp(HWND owner, const std::string &file, UINT command)
{
    if (const std::string missing = MissingHelpFileMessage(file); !missing.empty()) {
        showMessageBox(owner, missing.c_str(), "Help", MB_OK | MB_ICONINFORMATION);
        return false;
    }
    if (HelpHook hook = current<Help, HelpHook>())
        return hook(owner, file, command);
    return WinHelpA(owner, file.c_str(), command, 0);
}

HelpHook setHelpHook(HelpHook hook)
{
    return exchange<Help>(std::move(hook));
}

bool shellDelete(HWND owner, const std::string &path)
{
    if (ShellDeleteHook hook = current<Delete, ShellDeleteHook>())
        return hook(owner, path);
    std::string from = path;
    from.append(2, '\0');
    SHFILEOPSTRUCTA operation{};
    operation.hwnd = owner;
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_SIMPLEPROGRESS;
    return SHFileOperationA(&operation) == 0 && !operation.fAnyOperationsAborted;
}

ShellDeleteHook setShellDeleteHook(ShellDeleteHook hook)
{
    return exchange<Delete>(std::move(hook));
}

bool shellOpen(HWND owner, const std::string &path)
{
    if (ShellOpenHook hook = current<Open, ShellOpenHook>())
        return hook(owner, path);
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(owner, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

ShellOpenHook setShellOpenHook(ShellOpenHook hook)
{
    return exchange<Open>(std::move(hook));
}

} // namespace Quorvane
