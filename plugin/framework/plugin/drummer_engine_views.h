// The editor views attached to a drummer's engine, and how the engine tells
// them: directly on the window thread, by a posted message from any other.
// The list is guarded by the engine's own lock (the one its pad switch takes
// on the host's thread), so that news posted there read the current pad and
// the list at once; the list adds no lock and no lock order of its own.
#pragma once

#include "base/critical_section.h"
#include "plugin/framework/plugin/drummer_engine_view.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace Quorvane {

// View is the drummer's view interface (a DrummerEngineView); Pad the type
// of the engine's current pad (a plain or an atomic int).
template <class View, class Pad> class DrummerEngineViews {
public:
    // Both the lock and the pad are the engine's and outlive the list. The
    // constructing thread is the window thread until set. The message is
    // registered here, so that the host's thread never does it.
    DrummerEngineViews(CriticalSection &engineLock, const Pad &currentPad)
        : lock_(engineLock), currentPad_(currentPad), windowThread_(GetCurrentThreadId())
    {
        viewsSetLoopIdxMessage();
    }
    DrummerEngineViews(const DrummerEngineViews &) = delete;
    DrummerEngineViews &operator=(const DrummerEngineViews &) = delete;

    // The thread whose views are called directly.
    void setWindowThread(DWORD threadId) { windowThread_ = threadId; }
    bool onWindowThread() const { return GetCurrentThreadId() == windowThread_; }

    // A view is held once, however often it is added.
    void add(View *view)
    {
        CriticalSectionGuard guard(lock_);
        if (view && std::find(views_.begin(), views_.end(), view) == views_.end())
            views_.push_back(view);
    }
    void remove(View *view)
    {
        CriticalSectionGuard guard(lock_);
        views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end());
    }
    // Every view closes itself, outside the lock (a view may leave or wait
    // on its window as it closes); the list is empty then.
    void closeAll()
    {
        std::vector<View *> views;
        {
            CriticalSectionGuard guard(lock_);
            views = views_;
        }
        for (View *view : views)
            view->closeView();
        CriticalSectionGuard guard(lock_);
        views_.clear();
    }

    // The first view attached, null when there is none (window thread).
    View *first() const { return views_.empty() ? nullptr : views_.front(); }
    // Every view redraws; off the window thread the news are posted.
    void tellChanged()
    {
        if (onWindowThread())
            tellEach([](View &view) { view.engineChanged(); });
        else
            post();
    }
    // Every view hears of the current pad; off the window thread the news
    // are posted.
    void tellPad()
    {
        if (onWindowThread())
            tellEach([this](View &view) { view.padSelected(currentPad_); });
        else
            post();
    }
    // Shown on the window thread only; elsewhere a status is dropped.
    void tellStatus(const std::string &text)
    {
        if (onWindowThread())
            tellEach([&text](View &view) { view.showStatus(text); });
    }
    // "Quorvane_ViewsSetLoopIdx" with the current pad, once to every view's
    // window. Nothing is allocated here: this runs on the host's thread
    // after a trigger note.
    void post()
    {
        CriticalSectionGuard guard(lock_);
        for (View *view : views_)
            if (HWND window = view->viewWindow())
                PostMessageA(window, viewsSetLoopIdxMessage(), static_cast<WPARAM>(currentPad_), 0);
    }

private:
    // The views are read on the window thread without the lock: they are
    // added and removed there, and so telling takes no lock and stays clear
    // of the engine's lock order. Each is told over a copy, as a view may
    // leave the list while it is told.
    template <class Tell> void tellEach(Tell tell)
    {
        const std::vector<View *> views = views_;
        for (View *view : views)
            tell(*view);
    }

    CriticalSection &lock_;
    const Pad &currentPad_;
    std::vector<View *> views_;
    DWORD windowThread_;
};

} // namespace Quorvane
