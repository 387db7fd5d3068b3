// A message-only window on the thread that made it, through which any
// thread reaches the window's owner on that thread: notices posted without
// waiting, a timer's ticks, and calls waited for with a bound.
//
// The owner is reached under one lock of all such windows, which cutting a
// window from its owner takes too: once Destroy returns, the window never
// reaches its owner again, even when its thread did not answer in time (it
// then goes when that thread next takes messages, and keeps this module
// loaded for good). Whoever waits for the lock answers the messages its
// thread is sent meanwhile.
#pragma once

#include <windows.h>

#include <string>

namespace Quorvane {

class VstHostWindow {
public:
    class Owner {
    public:
        // On the window's thread. A notice for the user is put into text
        // and caption; it is shown once the window's lock is let go.
        virtual void WindowMessage(WPARAM what, std::string &text, std::string &caption) = 0;

    protected:
        ~Owner() = default;
    };

    VstHostWindow() = default;
    ~VstHostWindow() { Destroy(0); }
    VstHostWindow(const VstHostWindow &) = delete;
    VstHostWindow &operator=(const VstHostWindow &) = delete;

    // On the calling thread; false when no window could be made. Create
    // and Destroy are not called while another thread uses the window.
    bool Create(Owner *owner);
    bool IsCreated() const { return window_ != nullptr; }
    bool OnItsThread() const { return GetCurrentThreadId() == thread_; }
    // From any thread, never waiting: what reaches the owner when the
    // window's thread next takes messages.
    bool Post(WPARAM what) const;
    // Runs what on the window's thread: at once on it, else sent there and
    // waited for at most bound milliseconds. True when it ran; a call that
    // was not run in time is never run.
    bool Call(WPARAM what, DWORD bound);
    // Ticks that reach the owner as what (not 0), on the window's thread.
    bool StartTimer(UINT interval, WPARAM what);
    // Destroys the window, with its timer, on its thread: at once on it,
    // else sent there and waited for at most bound milliseconds (0: not
    // at all), and cut from the owner when it was not done in time.
    void Destroy(DWORD bound);

private:
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Reaches the owner under the lock and shows its notice afterwards.
    static LRESULT reach(HWND window, WPARAM what, bool call);

    Owner *owner_ = nullptr;
    HWND window_ = nullptr;
    DWORD thread_ = 0;
    // The call sent and still wanted, and whether it ran; under the lock.
    WPARAM calling_ = 0;
    bool callRan_ = false;
};

} // namespace Quorvane
