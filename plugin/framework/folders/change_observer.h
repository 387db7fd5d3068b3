// Watches one folder tree on a thread of its own and reports, once per
// start, that a file or folder in it was created, deleted or renamed.
#pragma once

#include <windows.h>

namespace Quorvane {

class ChangeObserver {
public:
    ChangeObserver() = default;
    ChangeObserver(const ChangeObserver &) = delete;
    ChangeObserver &operator=(const ChangeObserver &) = delete;
    // Stops the watch. A subclass stops it in its own destructor too, as
    // changed() must not run on a half-destroyed object.
    virtual ~ChangeObserver();

    // The folder to watch, or null. Asked by start() on the caller's thread;
    // the watcher thread only ever sees its own copy of the answer.
    virtual const char *path() = 0;
    // Runs on the watcher thread when something changed. It only reports
    // (posts a message); the owner re-reads its folder on its own thread.
    virtual void changed() = 0;

    // Stops a running watch, then arms a new one over path(). The watch is
    // armed when this returns, so nothing done afterwards is missed. False
    // (and idle) when there is no path or the watch cannot be set up, and
    // when called from inside changed().
    bool start();
    // Ends the watch and waits for the watcher thread to finish, which it
    // does at once. From inside changed() it only asks the thread to end.
    void stop();

    bool isWatching() const { return thread_ != nullptr; }

private:
    static DWORD WINAPI watch(void *self);
    void closeHandles();

    HANDLE thread_ = nullptr;
    DWORD threadId_ = 0;
    HANDLE stopEvent_ = nullptr;
    HANDLE notification_ = INVALID_HANDLE_VALUE;
};

} // namespace Quorvane
