// The events that flow through a pane tree: key, mouse, focus and window
// events made by the root from window messages, each dispatching itself to
// the matching operation of the pane it is sent to; and the listener a pane
// tells about mouse presses, releases and crossings.
#pragma once

#include <windows.h>

#include <memory>

namespace Quorvane {

class Pane;

namespace EventId {
enum : int {
    KeyPressed = 0,
    KeyReleased = 2,
    KeyTyped = 3,
    MouseEntered = 4,
    MouseMoved = 5,
    MouseClicked = 6, // not produced; routed to a listener's fifth operation
    MouseExited = 7,
    MouseDragged = 8,
    MousePressed = 9,
    MouseReleased = 10,
    MouseWheel = 11,
    FocusGained = 12,
    FocusLost = 13,
    WindowFocusGained = 14,
    WindowFocusLost = 15,
};
} // namespace EventId

// Bits of MouseEvent::buttons.
namespace ButtonBit {
enum : int { Left = 2, Right = 4, Middle = 8, Any = Left | Right | Middle };
} // namespace ButtonBit

// Bits of InputEvent::modifiers (key events).
namespace Modifier {
enum : int { Shift = 1, Control = 2 };
} // namespace Modifier

class PaneEvent {
public:
    explicit PaneEvent(int id = 0) : id(id) {}
    virtual ~PaneEvent() = default;
    virtual void dispatchTo(Pane &pane) = 0;

    int id;
};

class InputEvent : public PaneEvent {
public:
    using PaneEvent::PaneEvent;
    int modifiers = 0;
};

class MouseEvent : public InputEvent {
public:
    using InputEvent::InputEvent;
    void dispatchTo(Pane &pane) override;

    int x = 0;
    int y = 0;
    int buttons = 0;    // ButtonBit values held
    int button = 0;     // 1 left, 2 right, 3 middle, 0 none
    int clickCount = 0; // presses of the button within the double-click time
    int wheelDelta = 0; // signed, id 11 only
    Pane *source = nullptr;
};

class KeyEvent : public InputEvent {
public:
    using InputEvent::InputEvent;
    void dispatchTo(Pane &pane) override;
    // Posts the message the event came from to another window.
    void postTo(HWND window) const;

    int keyCode = 0; // virtual key (ids 0, 2) or character (id 3)
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

class FocusEvent : public PaneEvent {
public:
    using PaneEvent::PaneEvent;
    void dispatchTo(Pane &pane) override;
};

class WindowEvent : public PaneEvent {
public:
    using PaneEvent::PaneEvent;
    void dispatchTo(Pane &pane) override;
};

class EventListener {
public:
    virtual ~EventListener() = default;
};

class MouseListener : public EventListener {
public:
    virtual void mousePressed(MouseEvent &) {}
    virtual void mouseReleased(MouseEvent &) {}
    virtual void mouseEntered(MouseEvent &) {}
    virtual void mouseExited(MouseEvent &) {}
    virtual void mouseClicked(MouseEvent &) {}
};

// Tells the first listener, then the second. Owns the first when it is a
// multicaster itself, so a pane's chain goes with its head.
class MouseEventMulticaster : public MouseListener {
public:
    MouseEventMulticaster(MouseListener *first, MouseListener *second,
                          std::unique_ptr<MouseEventMulticaster> ownedFirst = {});

    void mousePressed(MouseEvent &e) override;
    void mouseReleased(MouseEvent &e) override;
    void mouseEntered(MouseEvent &e) override;
    void mouseExited(MouseEvent &e) override;
    void mouseClicked(MouseEvent &e) override;

private:
    std::unique_ptr<MouseEventMulticaster> ownedFirst_;
    MouseListener *first_;
    MouseListener *second_;
};

} // namespace Quorvane
