#include "plugin/framework/gui/pane.h"

#include "plugin/framework/gui/graphics_context.h"
#include "plugin/framework/gui/root_pane.h"

#include <algorithm>

namespace Quorvane {

void MouseEvent::dispatchTo(Pane &pane)
{
    source = &pane;
    pane.dispatchMouseEvent(*this);
}

void KeyEvent::dispatchTo(Pane &pane)
{
    pane.dispatchKeyEvent(*this);
}

void KeyEvent::postTo(HWND window) const
{
    if (window && message)
        PostMessageA(window, message, wParam, lParam);
}

void FocusEvent::dispatchTo(Pane &pane)
{
    pane.dispatchFocusEvent(*this);
}

void WindowEvent::dispatchTo(Pane &pane)
{
    pane.dispatchWindowEvent(*this);
}

MouseEventMulticaster::MouseEventMulticaster(MouseListener *first, MouseListener *second,
                                             std::unique_ptr<MouseEventMulticaster> ownedFirst)
    : ownedFirst_(std::move(ownedFirst)), first_(first), second_(second)
{
}

void MouseEventMulticaster::mousePressed(MouseEvent &e)
{
    first_->mousePressed(e);
    second_->mousePressed(e);
}

void MouseEventMulticaster::mouseReleased(MouseEvent &e)
{
    first_->mouseReleased(e);
    second_->mouseReleased(e);
}

void MouseEventMulticaster::mouseEntered(MouseEvent &e)
{
    first_->mouseEntered(e);
    second_->mouseEntered(e);
}

void MouseEventMulticaster::mouseExited(MouseEvent &e)
{
    first_->mouseExited(e);
    second_->mouseExited(e);
}

void MouseEventMulticaster::mouseClicked(MouseEvent &e)
{
    first_->mouseClicked(e);
    second_->mouseClicked(e);
}

Pane::~Pane()
{
    detach();
}

void Pane::setBounds(Pane *parent, const Rect &rect)
{
    bounds_ = rect;
    if (!parent)
        return;
    if (!parent->children_)
        parent->children_ = std::make_unique<std::vector<Pane *>>();
    parent->children_->push_back(this);
    parent_ = parent;
}

RootPane *Pane::findRoot()
{
    Pane *top = this;
    while (top->parent_)
        top = top->parent_;
    return dynamic_cast<RootPane *>(top);
}

bool Pane::isAncestorOf(const Pane *pane) const
{
    for (; pane; pane = pane->parent_)
        if (pane == this)
            return true;
    return false;
}

void Pane::detach()
{
    // The root must not keep pointers into the subtree that leaves it.
    if (RootPane *root = findRoot(); root && root != this)
        root->forgetPanes(*this);
    if (children_) {
        for (Pane *child : *children_) {
            child->parent_ = nullptr;
            child->detach();
        }
        children_.reset();
    }
    if (parent_) {
        parent_->removeChild(this);
        parent_ = nullptr;
    }
}

void Pane::removeChild(Pane *child)
{
    if (!children_)
        return;
    auto &list = *children_;
    list.erase(std::remove(list.begin(), list.end(), child), list.end());
}

bool Pane::contains(int x, int y) const
{
    return x >= 0 && x < bounds_.width && y >= 0 && y < bounds_.height;
}

Pane *Pane::findPaneAt(int x, int y)
{
    if (children_) {
        for (Pane *child : *children_) {
            if (!child->isVisible() || !child->isEnabled() || !child->bounds_.contains(x, y))
                continue;
            if (Pane *found = child->findPaneAt(x - child->bounds_.x, y - child->bounds_.y))
                return found;
        }
    }
    return contains(x, y) ? this : nullptr;
}

bool Pane::isFocusOwner(const Pane *pane) const
{
    return parent_ ? parent_->isFocusOwner(pane) : false;
}

void Pane::setFlag(uint32_t flag, bool on)
{
    flags_ = on ? (flags_ | flag) : (flags_ & ~flag);
}

void Pane::setVisible(bool visible)
{
    if (isVisible() == visible)
        return;
    setFlag(Visible, visible);
    repaint();
}

void Pane::setEnabled(bool enabled)
{
    setFlag(Enabled, enabled);
    repaint();
}

HWND Pane::getWindowHandle() const
{
    return parent_ ? parent_->getWindowHandle() : nullptr;
}

std::unique_ptr<GraphicsContext> Pane::getGraphics()
{
    if (!parent_)
        return nullptr;
    std::unique_ptr<GraphicsContext> gc = parent_->getGraphics();
    if (gc) {
        const Point origin = getRootOrigin();
        gc->setViewportOrigin(origin.x, origin.y);
    }
    return gc;
}

void Pane::dispatchFocusEvent(FocusEvent &e)
{
    processFocusEvent(e);
}

void Pane::dispatchKeyEvent(KeyEvent &e)
{
    passKeyEvent(e);
}

void Pane::dispatchMouseEvent(MouseEvent &e)
{
    processMouseEvent(e);
}

void Pane::dispatchWindowEvent(WindowEvent &e)
{
    processEvent(e);
}

void Pane::paint(GraphicsContext &gc)
{
    // Painting always works inside a clip; a context without one gets this
    // pane's area.
    {
        Region probe;
        if (gc.getClipRegion(probe) != 1) {
            Region own(getRootBounds());
            gc.setClipRegion(own);
        }
    }

    // Opaque children first, each drawn once; their areas leave the clip.
    if (children_) {
        Region saved;
        gc.getClipRegion(saved);
        for (auto it = children_->rbegin(); it != children_->rend(); ++it) {
            Pane *child = *it;
            if (!child->isVisible() || !child->isOpaque())
                continue;
            const Rect area = child->getRootBounds();
            if (!gc.isRectVisible(area))
                continue;
            gc.intersectClipRect(area);
            Region covered;
            gc.getClipRegion(covered);
            child->paint(gc);
            gc.excludeClipRect(area);
            Region rest;
            gc.getClipRegion(rest);
            covered.subtract(rest);
            saved.subtract(covered);
            gc.setClipRegion(saved);
        }
    }

    const Point old = gc.pushViewportOrigin(getRootOrigin());
    paintSelf(gc);
    gc.setViewportOrigin(old.x, old.y);

    if (children_) {
        Region saved;
        gc.getClipRegion(saved);
        for (Pane *child : *children_) {
            if (!child->isVisible())
                continue;
            const Rect area = child->getRootBounds();
            if (!gc.isRectVisible(area))
                continue;
            gc.intersectClipRect(area);
            child->paint(gc);
            gc.setClipRegion(saved);
        }
    }
}

void Pane::paintSelf(GraphicsContext &) {}

void Pane::processEvent(PaneEvent &e)
{
    if (e.id >= EventId::MouseEntered && e.id <= EventId::MouseWheel) {
        if (auto *mouse = dynamic_cast<MouseEvent *>(&e))
            processMouseEvent(*mouse);
    } else if (e.id >= EventId::KeyPressed && e.id <= EventId::KeyTyped) {
        if (auto *key = dynamic_cast<KeyEvent *>(&e))
            passKeyEvent(*key);
    } else if (e.id == EventId::FocusGained || e.id == EventId::FocusLost) {
        if (auto *focus = dynamic_cast<FocusEvent *>(&e))
            processFocusEvent(*focus);
    }
}

void Pane::passKeyEvent(KeyEvent &e)
{
    if (parent_)
        parent_->passKeyEvent(e);
}

void Pane::processFocusEvent(FocusEvent &e)
{
    if (!focusListener_)
        return;
    if (e.id == EventId::FocusGained)
        focusListener_->invoke(true);
    else if (e.id == EventId::FocusLost)
        focusListener_->invoke(false);
}

void Pane::processMouseEvent(MouseEvent &e)
{
    if (!mouseListener_)
        return;
    switch (e.id) {
    case EventId::MousePressed:
        mouseListener_->mousePressed(e);
        break;
    case EventId::MouseReleased:
        mouseListener_->mouseReleased(e);
        break;
    case EventId::MouseEntered:
        mouseListener_->mouseEntered(e);
        break;
    case EventId::MouseExited:
        mouseListener_->mouseExited(e);
        break;
    default:
        break;
    }
}

void Pane::requestFocusFor(Pane *pane)
{
    if (parent_)
        parent_->requestFocusFor(pane);
}

void Pane::invalidate(const Rect &rect)
{
    if (parent_)
        parent_->invalidate({rect.x + bounds_.x, rect.y + bounds_.y, rect.width, rect.height});
}

int Pane::trackPopupMenu(const PopupMenuItems &menu, const Rect &rect)
{
    if (!parent_)
        return -1;
    return parent_->trackPopupMenu(menu, {rect.x + bounds_.x, rect.y + bounds_.y, rect.width, rect.height});
}

void Pane::setSize(int width, int height)
{
    repaint();
    bounds_.width = width;
    bounds_.height = height;
    repaint();
}

void Pane::setRect(const Rect &rect)
{
    repaint();
    bounds_ = rect;
    repaint();
}

Point Pane::getRootOrigin() const
{
    Point origin;
    for (const Pane *pane = this; pane; pane = pane->parent_) {
        origin.x += pane->bounds_.x;
        origin.y += pane->bounds_.y;
    }
    return origin;
}

Rect Pane::getRootBounds() const
{
    const Point origin = getRootOrigin();
    return {origin.x, origin.y, bounds_.width, bounds_.height};
}

void Pane::repaint()
{
    invalidate(getLocalBounds());
}

void Pane::repaintRect(const Rect &rect)
{
    invalidate(rect);
}

void Pane::addMouseListener(MouseListener *listener)
{
    if (!listener)
        return;
    if (!mouseListener_) {
        mouseListener_ = listener;
        return;
    }
    auto node = std::make_unique<MouseEventMulticaster>(mouseListener_, listener, std::move(ownedListeners_));
    mouseListener_ = node.get();
    ownedListeners_ = std::move(node);
}

int Pane::showPopupMenu(const PopupMenuItems &menu, const Rect &rect)
{
    return trackPopupMenu(menu, rect);
}

void Pane::setMousePosition(Point point)
{
    HWND window = getWindowHandle();
    if (!window)
        return;
    const Point origin = getRootOrigin();
    POINT screen{point.x + origin.x, point.y + origin.y};
    ClientToScreen(window, &screen);
    SetCursorPos(screen.x, screen.y);
}

} // namespace Quorvane
