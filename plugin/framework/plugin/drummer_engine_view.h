// What a drummer's engine tells the editor views that show it. The engine
// calls them on the window thread only; news that arise on another thread (a
// pad switched by a trigger note) are posted to the view's window as
// "Quorvane_ViewsSetLoopIdx" with the current pad in wParam, and the view
// then asks the engine itself.
#pragma once

#include <windows.h>

#include <string>

namespace Quorvane {

class DrummerEngineView {
public:
    // Redraw everything from the engine's state.
    virtual void engineChanged() = 0;
    // The quick pad now current.
    virtual void padSelected(int pad) = 0;
    virtual void showStatus(const std::string &text) = 0;
    // The window that posted news go to; null when there is none.
    virtual HWND viewWindow() const = 0;
    // The engine goes away (its host disconnected): the view closes its
    // window and may leave the engine's views.
    virtual void closeView() = 0;

protected:
    ~DrummerEngineView() = default;
};

// "Quorvane_ViewsSetLoopIdx", registered once per module.
UINT viewsSetLoopIdxMessage();

} // namespace Quorvane
