// A pane is a rectangle in a tree of panes drawn inside one window: every
// button, slider, combo, bar and view of a drummer panel is one. Panes hit
// test and paint themselves and their children; focus, invalidation and
// popup-menu requests climb to the root (RootPane), which turns them into
// window operations. A pane owns neither its parent nor its children:
// whoever creates a pane destroys it.
#pragma once

#include "base/delegate.h"
#include "plugin/framework/gui/geometry.h"
#include "plugin/framework/gui/pane_events.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace Quorvane {

class GraphicsContext;
class RootPane;

// One entry of a popup menu: an empty text is a separator; command id 0
// shows the entry greyed.
struct PopupMenuItem {
    std::string text;
    int id = 0;
    UINT flags = MF_STRING;
};
using PopupMenuItems = std::vector<PopupMenuItem>;

class Pane {
public:
    enum Flag : uint32_t { Visible = 1, Enabled = 2, Opaque = 8 };

    Pane() = default;
    virtual ~Pane();
    Pane(const Pane &) = delete;
    Pane &operator=(const Pane &) = delete;

    // Stores the bounds; with a parent, appends this pane to its children
    // (so call it once per pane).
    virtual void setBounds(Pane *parent, const Rect &rect);
    // Takes this pane and its subtree out of the tree, destroying nothing.
    // The root forgets every pane of the subtree it knew.
    virtual void detach();
    virtual bool contains(int x, int y) const;
    // The deepest visible, enabled pane at (x, y) of this pane; the first
    // matching child in insertion order wins.
    virtual Pane *findPaneAt(int x, int y);
    virtual bool isFocusOwner(const Pane *pane) const;
    virtual void setVisible(bool visible);
    virtual void setEnabled(bool enabled);
    virtual HWND getWindowHandle() const;
    // A context for drawing outside the paint cycle, its origin at this
    // pane; null outside a tree.
    virtual std::unique_ptr<GraphicsContext> getGraphics();
    virtual void dispatchFocusEvent(FocusEvent &e);
    virtual void dispatchKeyEvent(KeyEvent &e);
    virtual void dispatchMouseEvent(MouseEvent &e);
    virtual void dispatchWindowEvent(WindowEvent &e);
    // Paints this pane and its children; the clip is already the area to
    // draw, in root coordinates.
    virtual void paint(GraphicsContext &gc);
    // Draws the pane itself, in its own coordinates.
    virtual void paintSelf(GraphicsContext &gc);
    virtual void processEvent(PaneEvent &e);
    // A key this pane does not use goes on to the parent.
    virtual void passKeyEvent(KeyEvent &e);
    virtual void processFocusEvent(FocusEvent &e);
    virtual void processMouseEvent(MouseEvent &e);
    virtual void requestFocusFor(Pane *pane);
    virtual void invalidate(const Rect &rect);
    // The chosen command id, 0 when dismissed, -1 outside a tree.
    virtual int trackPopupMenu(const PopupMenuItems &menu, const Rect &rect);

    Pane *parent() const { return parent_; }
    const Rect &bounds() const { return bounds_; }
    uint32_t flags() const { return flags_; }
    bool isVisible() const { return flags_ & Visible; }
    bool isEnabled() const { return flags_ & Enabled; }
    bool isOpaque() const { return flags_ & Opaque; }
    bool hasChildren() const { return children_ != nullptr; }
    const std::vector<Pane *> *children() const { return children_.get(); }

    Rect getLocalBounds() const { return {0, 0, bounds_.width, bounds_.height}; }
    // Each repaints the old area and the new one.
    void setSize(int width, int height);
    void setRect(const Rect &rect);
    Point getRootOrigin() const;
    Rect getRootBounds() const;
    void repaint();
    void repaintRect(const Rect &rect);
    bool isFocused() const { return isFocusOwner(this); }
    void requestFocus() { requestFocusFor(this); }
    void dispatchEvent(PaneEvent &e) { e.dispatchTo(*this); }
    // Listeners are combined and never removed; they are not owned.
    void addMouseListener(MouseListener *listener);
    void setFocusListener(Delegate1<bool> *listener) { focusListener_ = RefPtr<Delegate1<bool>>(listener); }
    int showPopupMenu(const PopupMenuItems &menu, const Rect &rect);
    // Moves the screen cursor to a point of this pane.
    void setMousePosition(Point point);
    // Whether pane is this pane or lies below it.
    bool isAncestorOf(const Pane *pane) const;

protected:
    void setFlag(uint32_t flag, bool on);
    MouseListener *mouseListener() const { return mouseListener_; }

private:
    void removeChild(Pane *child);
    RootPane *findRoot();

    RefPtr<Delegate1<bool>> focusListener_;
    uint32_t flags_ = Visible | Enabled;
    Pane *parent_ = nullptr;
    std::unique_ptr<std::vector<Pane *>> children_;
    Rect bounds_;
    MouseListener *mouseListener_ = nullptr;
    std::unique_ptr<MouseEventMulticaster> ownedListeners_;
};

} // namespace Quorvane
