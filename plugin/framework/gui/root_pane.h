// The top of a pane tree and the only pane that knows a window: it owns the
// keyboard focus among its panes, tracks the pane under the mouse (entered
// and exited, capture while a button is held), turns invalidation and focus
// requests into window operations and paints the tree. The window services
// are pure operations the panel implementing the root supplies.
#pragma once

#include "plugin/framework/gui/pane.h"

namespace Quorvane {

class RootPane : public Pane {
public:
    RootPane() = default;

    bool isFocusOwner(const Pane *pane) const override;
    void processEvent(PaneEvent &e) override;
    void requestFocusFor(Pane *pane) override;
    void invalidate(const Rect &rect) override;

    virtual bool isRootPane() const { return true; }
    // Paints the tree inside a clip of the root's bounds.
    virtual void paintWindow(GraphicsContext &gc);
    virtual void processWindowEvent(WindowEvent &e);
    virtual bool hasMouseCapture() const = 0;
    virtual void invalidateWindowRect(const Rect &rect) = 0;
    virtual void captureMouse() = 0;
    virtual void releaseMouse() = 0;
    virtual void takeWindowFocus() = 0;
    virtual void dropWindowFocus() = 0;

    // Routes a mouse event whose point is in window client coordinates: a
    // press goes to the pane under the pointer, and every event until the
    // last button is released goes to that same pane.
    void dispatchMouseMessage(MouseEvent &e);
    // To the focus owner; dropped when there is none.
    void dispatchWheelEvent(MouseEvent &e);
    // To the focus owner, or to the root when there is none.
    void dispatchKeyToFocus(KeyEvent &e);
    void fireWindowFocusGained();
    void fireWindowFocusLost();
    void paintPanes(GraphicsContext &gc) { paint(gc); }
    Pane *getFocusOwner() const { return focusOwner_; }
    Pane *getMousePane() const { return mousePane_; }

    // Forgets every pane of the subtree rooted at gone (focus owner,
    // previous, requested and mouse pane), releasing the capture the mouse
    // pane held. Panes call it when they leave the tree.
    void forgetPanes(const Pane &gone);

protected:
    // The capture went away during a drag: the mouse pane gets e (a
    // release, in window coordinates) as if the button had come up over it.
    void endCapturedDrag(MouseEvent &e);

private:
    void sendCopy(Pane &pane, const MouseEvent &e, int id);

    Pane *focusOwner_ = nullptr;
    Pane *previousFocus_ = nullptr;
    Pane *requestedFocus_ = nullptr;
    Pane *mousePane_ = nullptr;
    bool mouseInside_ = false;
    // The mouse pane was told entered and not exited since.
    bool mousePaneEntered_ = false;
};

// One accelerator table of the module's resources.
class AcceleratorTable {
public:
    AcceleratorTable() = default;
    ~AcceleratorTable() { destroy(); }
    AcceleratorTable(const AcceleratorTable &) = delete;
    AcceleratorTable &operator=(const AcceleratorTable &) = delete;

    // Replaces the held table; a missing resource keeps it and gives false.
    bool load(WORD resourceId);
    void destroy();
    // Runs the accelerator translation on a message made of the four values
    // and the current message time and position; true when translated.
    bool translate(HWND window, UINT message, WPARAM wParam, LPARAM lParam) const;
    HACCEL handle() const { return table_; }

private:
    HACCEL table_ = nullptr;
};

} // namespace Quorvane
