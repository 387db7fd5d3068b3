#include "plugin/framework/folders/change_observer.h"

#include <string>

namespace Quorvane {

namespace {

// Wine's recursive watch covers a sub-folder only once the folder has been
// opened while the watch exists; opening each one once costs little
// elsewhere. The depth is capped like the pattern trees' own.
void openSubFolders(const std::string &folder, int depth)
{
    if (depth > 64)
        return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileExA((folder + "\\*").c_str(), FindExInfoBasic, &found,
                                     FindExSearchLimitToDirectories, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..")
            openSubFolders(folder + "\\" + name, depth + 1);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

} // namespace

ChangeObserver::~ChangeObserver()
{
    stop();
}

bool ChangeObserver::start()
{
    if (thread_ && GetCurrentThreadId() == threadId_)
        return false;
    stop();

    const char *folder = path();
    if (!folder || !*folder)
        return false;
    notification_ = FindFirstChangeNotificationA(folder, TRUE,
                                                 FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME);
    stopEvent_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (notification_ != INVALID_HANDLE_VALUE && stopEvent_)
        thread_ = CreateThread(nullptr, 0, watch, this, CREATE_SUSPENDED, &threadId_);
    if (!thread_) {
        closeHandles();
        return false;
    }
    openSubFolders(folder, 0);
    // Watching is background work; the thread raises itself to end quickly.
    SetThreadPriority(thread_, THREAD_PRIORITY_IDLE);
    ResumeThread(thread_);
    return true;
}

void ChangeObserver::stop()
{
    if (thread_) {
        SetEvent(stopEvent_);
        // Inside changed() we cannot wait for ourselves; the thread ends as
        // soon as changed() returns, and the next stop() collects it.
        if (GetCurrentThreadId() == threadId_)
            return;
        WaitForSingleObject(thread_, INFINITE);
    }
    closeHandles();
}

void ChangeObserver::closeHandles()
{
    if (thread_)
        CloseHandle(thread_);
    thread_ = nullptr;
    threadId_ = 0;
    if (notification_ != INVALID_HANDLE_VALUE)
        FindCloseChangeNotification(notification_);
    notification_ = INVALID_HANDLE_VALUE;
    if (stopEvent_)
        CloseHandle(stopEvent_);
    stopEvent_ = nullptr;
}

DWORD WINAPI ChangeObserver::watch(void *self)
{
    auto *observer = static_cast<ChangeObserver *>(self);
    // The stop event comes first: once a stop is asked for, a change that
    // arrived meanwhile is not reported any more.
    HANDLE waits[2] = {observer->stopEvent_, observer->notification_};
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1)
        observer->changed();
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    return 0;
}

} // namespace Quorvane
