#include "plugin/framework/gui/tests/gui_test_support.h"

#include <cstring>

namespace gui_test {

using namespace Quorvane;

// ---- Canvas

Canvas::Canvas(int width, int height, COLORREF fill) : width_(width), height_(height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    void *bits = nullptr;
    bitmap_ = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    bits_ = static_cast<uint32_t *>(bits);
    old_ = SelectObject(dc_, bitmap_);
    this->fill(fill);
}

Canvas::~Canvas()
{
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

void Canvas::fill(COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    const RECT all{0, 0, width_, height_};
    FillRect(dc_, &all, brush);
    DeleteObject(brush);
}

COLORREF Canvas::pixel(int x, int y) const
{
    GdiFlush();
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return CLR_INVALID;
    const uint32_t p = bits_[static_cast<size_t>(y) * width_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

int Canvas::countInRow(int y, int from, int to, COLORREF colour) const
{
    int count = 0;
    for (int x = from; x < to; ++x)
        count += pixel(x, y) == colour;
    return count;
}

bool Canvas::rowHasOtherThan(int y, int from, int to, COLORREF colour) const
{
    return countInRow(y, from, to, colour) != to - from;
}

// ---- TestRoot

TestRoot::TestRoot(int width, int height) : canvas_(width, height)
{
    setBounds(nullptr, {0, 0, width, height});
}

void TestRoot::paintAll()
{
    GraphicsContext gc(canvas_.dc());
    paintWindow(gc);
}

void TestRoot::captureMouse()
{
    if (!capture)
        ++captures;
    capture = true;
}

void TestRoot::releaseMouse()
{
    if (capture)
        ++releases;
    capture = false;
}

void TestRoot::takeWindowFocus()
{
    if (windowFocus)
        fireWindowFocusGained();
}

void TestRoot::dropWindowFocus()
{
    if (!windowFocus)
        fireWindowFocusLost();
}

std::unique_ptr<GraphicsContext> TestRoot::getGraphics()
{
    return std::make_unique<GraphicsContext>(canvas_.dc());
}

int TestRoot::trackPopupMenu(const PopupMenuItems &menu, const Rect &rect)
{
    lastMenu = menu;
    lastMenuRect = rect;
    return menuAnswer;
}

void TestRoot::mouse(int id, int x, int y, int buttons, int button, int clicks)
{
    MouseEvent e(id);
    e.x = x;
    e.y = y;
    e.buttons = buttons;
    e.button = button;
    e.clickCount = clicks;
    dispatchMouseMessage(e);
}

namespace {

int bitOf(int button)
{
    return button == 1 ? ButtonBit::Left : button == 2 ? ButtonBit::Right : ButtonBit::Middle;
}

} // namespace

void TestRoot::press(int x, int y, int button, int clicks)
{
    mouse(EventId::MousePressed, x, y, bitOf(button), button, clicks);
}

void TestRoot::drag(int x, int y, int buttons)
{
    mouse(EventId::MouseDragged, x, y, buttons, 0, 0);
}

void TestRoot::release(int x, int y, int button)
{
    mouse(EventId::MouseReleased, x, y, 0, button, 1);
}

void TestRoot::move(int x, int y)
{
    mouse(EventId::MouseMoved, x, y, 0, 0, 0);
}

// ---- RecordingPane

void RecordingPane::processMouseEvent(MouseEvent &e)
{
    seen.push_back({e.id, e.x, e.y, e.clickCount});
    Control::processMouseEvent(e);
}

void RecordingPane::processFocusEvent(FocusEvent &e)
{
    seen.push_back({e.id, 0, 0, 0});
    Control::processFocusEvent(e);
}

void RecordingPane::passKeyEvent(KeyEvent &e)
{
    keys.push_back(e.keyCode);
    keyModifiers.push_back(e.modifiers);
    if (passKeysOn)
        Control::passKeyEvent(e);
}

void RecordingPane::paintSelf(GraphicsContext &gc)
{
    ++paints;
    paintedDcType = GetObjectType(gc.dc());
    if (colour_ != CLR_INVALID)
        gc.fillRectInColor(getLocalBounds(), colour_);
}

std::vector<int> RecordingPane::ids() const
{
    std::vector<int> result;
    for (const Seen &s : seen)
        result.push_back(s.id);
    return result;
}

// ---- Answers

std::vector<MenuItem> readMenu(HMENU menu)
{
    std::vector<MenuItem> items;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char text[128] = {};
        GetMenuStringA(menu, i, text, sizeof(text), MF_BYPOSITION);
        items.push_back({text, GetMenuItemID(menu, i), GetMenuState(menu, i, MF_BYPOSITION)});
    }
    return items;
}

PopupAnswer::PopupAnswer(std::function<int(const std::vector<MenuItem> &)> answer)
{
    old_ = setPopupMenuHook([this, answer](HMENU menu, UINT, int x, int y, HWND) {
        menus.push_back(readMenu(menu));
        places.push_back({x, y});
        return answer(menus.back());
    });
}

PopupAnswer::PopupAnswer(int command)
    : PopupAnswer([command](const std::vector<MenuItem> &) { return command; })
{
}

PopupAnswer::~PopupAnswer()
{
    setPopupMenuHook(old_);
}

ControlKeyHeld::ControlKeyHeld(bool held)
{
    old_ = setControlKeyHook([held] { return held; });
}

ControlKeyHeld::~ControlKeyHeld()
{
    setControlKeyHook(old_);
}

KeysDown::KeysDown(std::initializer_list<int> keys)
{
    GetKeyboardState(saved_);
    BYTE state[256];
    memcpy(state, saved_, sizeof(state));
    for (int key : keys)
        state[key] |= 0x80;
    SetKeyboardState(state);
}

KeysDown::~KeysDown()
{
    SetKeyboardState(saved_);
}

int pointerCount()
{
    const int count = ShowCursor(TRUE) - 1;
    ShowCursor(FALSE);
    return count;
}

// ---- Windows

HostWindow::HostWindow(int x, int y, int width, int height)
{
    static const char *className = [] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        windowClass.lpszClassName = "GuiTestHost";
        RegisterClassA(&windowClass);
        return "GuiTestHost";
    }();
    window_ = CreateWindowExA(0, className, "Host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, x, y, width,
                              height, nullptr, nullptr, GetModuleHandleA(nullptr), this);
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    SetActiveWindow(window_);
    UpdateWindow(window_);
}

HostWindow::~HostWindow()
{
    if (IsWindow(window_))
        DestroyWindow(window_);
}

LRESULT CALLBACK HostWindow::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *self = reinterpret_cast<HostWindow *>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self = static_cast<HostWindow *>(reinterpret_cast<CREATESTRUCTA *>(lParam)->lpCreateParams);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (self) {
        if (self->handler) {
            bool handled = false;
            const LRESULT result = self->handler(message, wParam, lParam, handled);
            if (handled)
                return result;
        }
        switch (message) {
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_CHAR:
            self->messages.push_back(message);
            self->keys.push_back(wParam);
            self->keyMessages.emplace_back(message, wParam);
            return 0;
        case WM_COMMAND:
            self->messages.push_back(message);
            self->commands.emplace_back(LOWORD(wParam), HIWORD(wParam));
            return 0;
        default:
            break;
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

namespace {

constexpr UINT kSentinel = WM_APP + 0x3A7;

void handle(MSG &message, HACCEL accelerators, HWND acceleratorWindow)
{
    if (accelerators && TranslateAcceleratorA(acceleratorWindow, accelerators, &message))
        return;
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

} // namespace

void pump(HACCEL accelerators, HWND acceleratorWindow)
{
    PostThreadMessageA(GetCurrentThreadId(), kSentinel, 0, 0);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.hwnd == nullptr && message.message == kSentinel)
            break;
        handle(message, accelerators, acceleratorWindow);
    }
    // What the messages posted in turn.
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        handle(message, accelerators, acceleratorWindow);
}

void pumpFor(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    MSG message;
    while (GetTickCount() - start < milliseconds) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            handle(message, nullptr, nullptr);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

void postMouse(HWND window, UINT message, int x, int y, WPARAM keys)
{
    PostMessageA(window, message, keys, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
}

LPARAM keyLParam(UINT message, WPARAM key, bool extended)
{
    LPARAM lParam = 1 | (static_cast<LPARAM>(MapVirtualKeyA(static_cast<UINT>(key), MAPVK_VK_TO_VSC)) << 16);
    if (extended)
        lParam |= LPARAM{1} << 24;
    if (message == WM_KEYUP || message == WM_SYSKEYUP)
        lParam |= (LPARAM{1} << 30) | (LPARAM{1} << 31);
    return lParam;
}

void postKey(HWND window, UINT message, WPARAM key, bool extended)
{
    PostMessageA(window, message, key, keyLParam(message, key, extended));
}

void click(HWND window, int x, int y, WPARAM keys)
{
    postMouse(window, WM_MOUSEMOVE, x, y, keys);
    postMouse(window, WM_LBUTTONDOWN, x, y, keys | MK_LBUTTON);
    postMouse(window, WM_LBUTTONUP, x, y, keys);
    pump();
}

void dragPath(HWND window, const std::vector<POINT> &points, bool right)
{
    const WPARAM held = right ? MK_RBUTTON : MK_LBUTTON;
    postMouse(window, WM_MOUSEMOVE, points.front().x, points.front().y);
    postMouse(window, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, points.front().x, points.front().y, held);
    for (size_t i = 1; i < points.size(); ++i)
        postMouse(window, WM_MOUSEMOVE, points[i].x, points[i].y, held);
    postMouse(window, right ? WM_RBUTTONUP : WM_LBUTTONUP, points.back().x, points.back().y);
    pump();
}

void pressKey(HWND window, WPARAM key, bool extended)
{
    postKey(window, WM_KEYDOWN, key, extended);
    postKey(window, WM_KEYUP, key, extended);
    pump();
}

POINT centre(const Pane &pane)
{
    const Rect area = pane.getRootBounds();
    return {area.x + area.width / 2, area.y + area.height / 2};
}

namespace {

BOOL CALLBACK countWindow(HWND window, LPARAM count)
{
    ++*reinterpret_cast<int *>(count);
    EnumChildWindows(
        window, [](HWND, LPARAM inner) -> BOOL { return ++*reinterpret_cast<int *>(inner), TRUE; }, count);
    return TRUE;
}

} // namespace

std::string treeItemText(HWND tree, HTREEITEM item)
{
    char text[MAX_PATH] = {};
    TVITEMA info{};
    info.mask = TVIF_TEXT;
    info.hItem = item;
    info.pszText = text;
    info.cchTextMax = MAX_PATH;
    TreeView_GetItem(tree, &info);
    return text;
}

HTREEITEM findTreeItem(HWND tree, const std::string &text)
{
    for (HTREEITEM item = TreeView_GetRoot(tree); item; item = TreeView_GetNextSibling(tree, item))
        if (treeItemText(tree, item) == text)
            return item;
    return nullptr;
}

int threadWindowCount()
{
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), countWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

} // namespace gui_test

namespace gui_test {

namespace {

BOOL CALLBACK listWindow(HWND window, LPARAM text)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    *reinterpret_cast<std::string *>(text) += std::string(name) + (IsWindowVisible(window) ? "+ " : "- ");
    return TRUE;
}

} // namespace

std::string listThreadWindows()
{
    std::string text;
    EnumThreadWindows(GetCurrentThreadId(), listWindow, reinterpret_cast<LPARAM>(&text));
    return text;
}

} // namespace gui_test
