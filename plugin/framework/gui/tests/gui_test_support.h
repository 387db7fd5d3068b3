// What the toolkit's tests share: a memory canvas to paint into and read
// pixels from, a root pane that draws on a canvas and records the window
// services asked of it, a pane that records its events, answers for popup
// menus and the Ctrl key, and for window tests a host window, a pump that
// runs posted messages through GetMessage, and posting helpers.
#pragma once

#include "plugin/framework/gui/control.h"
#include "plugin/framework/gui/graphics_context.h"
#include "plugin/framework/gui/root_pane.h"
#include "plugin/framework/gui/user_answers.h"

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

namespace gui_test {

using Quorvane::MouseEvent;
using Quorvane::Pane;
using Quorvane::Point;
using Quorvane::Rect;

// A 32-bit DIB section in a memory DC.
class Canvas {
public:
    Canvas(int width, int height, COLORREF fill = 0xC8D0D4);
    ~Canvas();
    Canvas(const Canvas &) = delete;
    Canvas &operator=(const Canvas &) = delete;

    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }
    COLORREF pixel(int x, int y) const;
    void fill(COLORREF colour);
    // Pixels of a row (or column) that differ from colour.
    int countInRow(int y, int from, int to, COLORREF colour) const;
    bool rowHasOtherThan(int y, int from, int to, COLORREF colour) const;

private:
    int width_;
    int height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    uint32_t *bits_ = nullptr;
};

// A root on a canvas. Capture and window focus are flags; every request is
// recorded.
class TestRoot : public Quorvane::RootPane {
public:
    explicit TestRoot(int width = 300, int height = 200);

    void paintAll();
    Canvas &canvas() { return canvas_; }

    bool hasMouseCapture() const override { return capture; }
    void invalidateWindowRect(const Rect &rect) override { invalidated.push_back(rect); }
    void captureMouse() override;
    void releaseMouse() override;
    void takeWindowFocus() override;
    void dropWindowFocus() override;
    std::unique_ptr<Quorvane::GraphicsContext> getGraphics() override;
    int trackPopupMenu(const Quorvane::PopupMenuItems &menu, const Rect &rect) override;

    // Sends a mouse message as the panel would, in root coordinates.
    void mouse(int id, int x, int y, int buttons = 0, int button = 0, int clicks = 1);
    void press(int x, int y, int button = 1, int clicks = 1);
    void drag(int x, int y, int buttons = Quorvane::ButtonBit::Left);
    void release(int x, int y, int button = 1);
    void move(int x, int y);

    bool capture = false;
    int captures = 0;
    int releases = 0;
    bool windowFocus = false;
    std::vector<Rect> invalidated;
    Quorvane::PopupMenuItems lastMenu;
    Rect lastMenuRect;
    int menuAnswer = 0;

private:
    Canvas canvas_;
};

// One event as a pane saw it.
struct Seen {
    int id;
    int x;
    int y;
    int clickCount;
    bool operator==(const Seen &) const = default;
};

// A pane that records the mouse, key and focus events it gets and can fill
// itself with a colour.
class RecordingPane : public Quorvane::Control {
public:
    explicit RecordingPane(COLORREF colour = CLR_INVALID) : colour_(colour) {}
    void processMouseEvent(MouseEvent &e) override;
    void processFocusEvent(Quorvane::FocusEvent &e) override;
    void passKeyEvent(Quorvane::KeyEvent &e) override;
    void paintSelf(Quorvane::GraphicsContext &gc) override;
    void setOpaque(bool opaque) { setFlag(Opaque, opaque); }
    std::vector<int> ids() const;

    std::vector<Seen> seen;
    std::vector<int> keys;
    std::vector<int> keyModifiers;
    int paints = 0;
    DWORD paintedDcType = 0;
    bool passKeysOn = false;

private:
    COLORREF colour_;
};

// Answers popup menus while it lives: records the menu's items and returns
// a command found by answer (or 0).
struct MenuItem {
    std::string text;
    UINT id;
    UINT state;
};
class PopupAnswer {
public:
    explicit PopupAnswer(std::function<int(const std::vector<MenuItem> &)> answer);
    // Returns the same command every time.
    explicit PopupAnswer(int command);
    ~PopupAnswer();

    std::vector<std::vector<MenuItem>> menus;
    std::vector<POINT> places;

private:
    Quorvane::PopupMenuHook old_;
};
std::vector<MenuItem> readMenu(HMENU menu);

// Holds the asynchronous Ctrl state while it lives.
class ControlKeyHeld {
public:
    explicit ControlKeyHeld(bool held = true);
    ~ControlKeyHeld();

private:
    Quorvane::KeyStateHook old_;
};

// Sets keys in the thread's keyboard state while it lives.
class KeysDown {
public:
    explicit KeysDown(std::initializer_list<int> keys);
    ~KeysDown();

private:
    BYTE saved_[256];
};

// How often the pointer is shown on this thread (below 0: hidden).
int pointerCount();

// ---- Windows

// A top-level window on the screen that records what reaches it.
class HostWindow {
public:
    HostWindow(int x = 40, int y = 40, int width = 640, int height = 480);
    ~HostWindow();
    HWND handle() const { return window_; }

    std::vector<UINT> messages; // keys, characters and commands received
    std::vector<WPARAM> keys;
    std::vector<std::pair<UINT, WPARAM>> keyMessages; // message, key
    std::vector<std::pair<WORD, WORD>> commands;      // id, code
    std::function<LRESULT(UINT, WPARAM, LPARAM, bool &)> handler;

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND window_;
};

// Runs every message posted so far (and what they post in turn) through
// GetMessage, as a host's loop would: the host's accelerators first (when
// given), then TranslateMessage and DispatchMessage.
void pump(HACCEL hostAccelerators = nullptr, HWND acceleratorWindow = nullptr);
// Pumps for a while (timers run).
void pumpFor(DWORD milliseconds);

void postMouse(HWND window, UINT message, int x, int y, WPARAM keys = 0);
// A key message with a plausible lParam (repeat 1, scan code, extended).
void postKey(HWND window, UINT message, WPARAM key, bool extended = false);
LPARAM keyLParam(UINT message, WPARAM key, bool extended = false);
// Posted input to a panel's window, then a pump: a left click (the mouse
// moved there first), a drag along a path with the left or right button
// held, a key pressed and let go.
void click(HWND window, int x, int y, WPARAM keys = 0);
void dragPath(HWND window, const std::vector<POINT> &points, bool right = false);
void pressKey(HWND window, WPARAM key, bool extended = false);
// The point of a pane's centre in its root's coordinates.
POINT centre(const Pane &pane);

// The text of a tree-view item, and the first top-level item of a text
// (null when there is none).
std::string treeItemText(HWND tree, HTREEITEM item);
HTREEITEM findTreeItem(HWND tree, const std::string &text);

// Windows of this thread that are still there, and their classes.
int threadWindowCount();
std::string listThreadWindows();

} // namespace gui_test
