#include "plugin/framework/gui/root_pane.h"

#include "plugin/framework/gui/graphics_context.h"
#include "plugin/framework/plugin/com_object.h"

namespace Quorvane {

bool RootPane::isFocusOwner(const Pane *pane) const
{
    return pane && pane == focusOwner_;
}

void RootPane::processEvent(PaneEvent &e)
{
    if (e.id == EventId::WindowFocusGained || e.id == EventId::WindowFocusLost) {
        if (auto *window = dynamic_cast<WindowEvent *>(&e))
            processWindowEvent(*window);
        return;
    }
    Pane::processEvent(e);
}

void RootPane::requestFocusFor(Pane *pane)
{
    previousFocus_ = focusOwner_;
    requestedFocus_ = pane;
    if (pane)
        takeWindowFocus();
    else
        dropWindowFocus();
}

void RootPane::invalidate(const Rect &rect)
{
    invalidateWindowRect(rect);
}

void RootPane::paintWindow(GraphicsContext &gc)
{
    Region clip(bounds());
    gc.setClipRegion(clip);
    paint(gc);
}

void RootPane::processWindowEvent(WindowEvent &e)
{
    if (e.id == EventId::WindowFocusGained) {
        if (requestedFocus_) {
            if (requestedFocus_ != focusOwner_) {
                Pane *old = focusOwner_;
                focusOwner_ = requestedFocus_;
                if (old) {
                    FocusEvent lost(EventId::FocusLost);
                    old->dispatchEvent(lost);
                }
            }
        } else {
            focusOwner_ = previousFocus_ ? previousFocus_ : this;
        }
        requestedFocus_ = nullptr;
        if (focusOwner_) {
            FocusEvent gained(EventId::FocusGained);
            focusOwner_->dispatchEvent(gained);
        }
    } else if (e.id == EventId::WindowFocusLost) {
        Pane *old = focusOwner_;
        previousFocus_ = focusOwner_;
        focusOwner_ = nullptr;
        if (old) {
            FocusEvent lost(EventId::FocusLost);
            old->dispatchEvent(lost);
        }
    }
}

void RootPane::sendCopy(Pane &pane, const MouseEvent &e, int id)
{
    MouseEvent copy = e;
    copy.id = id;
    const Point origin = pane.getRootOrigin();
    copy.x = e.x - origin.x;
    copy.y = e.y - origin.y;
    pane.dispatchEvent(copy);
}

void RootPane::dispatchMouseMessage(MouseEvent &e)
{
    const Rect &root = bounds();
    Pane *target = findPaneAt(e.x - root.x, e.y - root.y);

    if (hasMouseCapture() && mousePane_) {
        // A pane told it was entered hears the pointer leave even when the
        // first move of the drag already lies outside it.
        if (target != mousePane_ && (mouseInside_ || mousePaneEntered_)) {
            mouseInside_ = false;
            mousePaneEntered_ = false;
            sendCopy(*mousePane_, e, EventId::MouseExited);
        } else if (!mouseInside_ && target == mousePane_) {
            mouseInside_ = true;
            mousePaneEntered_ = true;
            sendCopy(*mousePane_, e, EventId::MouseEntered);
        }
    } else if (target != mousePane_) {
        if (mousePane_)
            sendCopy(*mousePane_, e, EventId::MouseExited);
        mousePane_ = target;
        mousePaneEntered_ = target != nullptr;
        if (target)
            sendCopy(*target, e, EventId::MouseEntered);
    }

    // A listener above may have taken the pane out of the tree.
    if (!mousePane_)
        return;
    if (e.id == EventId::MousePressed && (e.buttons & ButtonBit::Any))
        captureMouse();
    else if (e.id == EventId::MouseReleased && !(e.buttons & ButtonBit::Any))
        releaseMouse();
    if (!mousePane_)
        return;
    const Point origin = mousePane_->getRootOrigin();
    e.x -= origin.x;
    e.y -= origin.y;
    mousePane_->dispatchEvent(e);
}

void RootPane::endCapturedDrag(MouseEvent &e)
{
    if (!mousePane_)
        return;
    mouseInside_ = false;
    sendCopy(*mousePane_, e, e.id);
}

void RootPane::dispatchWheelEvent(MouseEvent &e)
{
    if (focusOwner_)
        focusOwner_->dispatchEvent(e);
}

void RootPane::dispatchKeyToFocus(KeyEvent &e)
{
    if (focusOwner_)
        focusOwner_->dispatchEvent(e);
    else
        dispatchEvent(e);
}

void RootPane::fireWindowFocusGained()
{
    WindowEvent e(EventId::WindowFocusGained);
    processEvent(e);
}

void RootPane::fireWindowFocusLost()
{
    WindowEvent e(EventId::WindowFocusLost);
    processEvent(e);
}

void RootPane::forgetPanes(const Pane &gone)
{
    for (Pane **known : {&focusOwner_, &previousFocus_, &requestedFocus_})
        if (gone.isAncestorOf(*known))
            *known = nullptr;
    if (gone.isAncestorOf(mousePane_)) {
        mousePane_ = nullptr;
        mouseInside_ = false;
        mousePaneEntered_ = false;
        if (hasMouseCapture())
            releaseMouse();
    }
}

bool AcceleratorTable::load(WORD resourceId)
{
    HACCEL table = LoadAcceleratorsA(com::thisModule(), MAKEINTRESOURCEA(resourceId));
    if (!table)
        return false;
    destroy();
    table_ = table;
    return true;
}

void AcceleratorTable::destroy()
{
    if (table_)
        DestroyAcceleratorTable(table_);
    table_ = nullptr;
}

bool AcceleratorTable::translate(HWND window, UINT message, WPARAM wParam, LPARAM lParam) const
{
    if (!table_)
        return false;
    MSG record{};
    record.hwnd = window;
    record.message = message;
    record.wParam = wParam;
    record.lParam = lParam;
    record.time = static_cast<DWORD>(GetMessageTime());
    const DWORD position = GetMessagePos();
    record.pt = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    return TranslateAcceleratorA(window, table_, &record) != 0;
}

} // namespace Quorvane
