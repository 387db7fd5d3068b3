// The editor view of a plug-in, as the property page drives it: the page
// asks its size, creates it inside the host's frame and shows, hides, moves
// and closes it. The drummer panels implement it.
#pragma once

#include <windows.h>

namespace Quorvane {

class PluginView {
public:
    virtual ~PluginView() = default;
    // The size the view wants, in pixels.
    virtual void getViewSize(SIZE *size) = 0;
    // Creates the view's window as a child of parent at rect.
    virtual bool createView(HWND parent, const RECT &rect) = 0;
    // Closes the window; the object stays until the plug-in deletes it.
    virtual void destroyView() = 0;
    virtual void showView() = 0;
    virtual void hideView() = 0;
    virtual void moveView(const RECT &rect) = 0;
};

} // namespace Quorvane
