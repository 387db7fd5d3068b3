// What the fill engine tells the panels that show it. The editor panels
// implement these; the engine calls them on the window thread only. News that
// arise on another thread (a pad switched by a trigger note, a state loaded
// or a parameter set there) are posted to the view's window as
// "Quorvane_ViewsSetLoopIdx" with the current pad in wParam, once for each
// change; the panel then calls padSelected and refreshes itself.
#pragma once

#include <windows.h>

#include <string>

namespace Quorvane {

class EngineView {
public:
    // Redraw everything from the engine's state.
    virtual void engineChanged() = 0;
    // The quick pad now current.
    virtual void padSelected(int pad) = 0;
    virtual void showStatus(const std::string &text) = 0;
    // The window that posted news go to; null when there is none.
    virtual HWND viewWindow() const = 0;
    // The engine goes away (its host disconnected): the view closes its
    // window and leaves the engine's views.
    virtual void closeView() = 0;

protected:
    ~EngineView() = default;
};

// The editor panel attached to an engine.
class EnginePanel {
public:
    // Another panel took over the engine.
    virtual void detachFromEngine() = 0;
    // Select the engine's pattern in the panel's pattern tree.
    virtual void showPatternSelection(const std::string &folder, const std::string &file) = 0;

protected:
    ~EnginePanel() = default;
};

// The registered message that carries posted news to a view's window.
UINT viewsSetLoopIdxMessage();

} // namespace Quorvane
