#include "plugin/framework/gui/drummer_panel.h"

#include "plugin/framework/gui/graphics_context.h"
#include "plugin/framework/gui/self_drawn_item.h"
#include "plugin/framework/gui/translate_accelerator.h"
#include "plugin/framework/gui/user_answers.h"
#include "plugin/framework/plugin/com_object.h"
#include "plugin/framework/plugin/drummer_engine_view.h"

#include <windowsx.h>

namespace Quorvane {

ClientGraphicsContext::ClientGraphicsContext(HWND window) : GraphicsContext(GetDC(window)), window_(window) {}

ClientGraphicsContext::~ClientGraphicsContext()
{
    restoreObjects();
    ReleaseDC(window_, dc());
}

namespace {

void registerMessages()
{
    Quorvane::translateAcceleratorMessage();
    Quorvane::viewsSetLoopIdxMessage();
}

int modifierBits()
{
    return (GetKeyState(VK_SHIFT) < 0 ? Modifier::Shift : 0) |
           (GetKeyState(VK_CONTROL) < 0 ? Modifier::Control : 0);
}

int buttonBits(WPARAM keys)
{
    return ((keys & MK_LBUTTON) ? ButtonBit::Left : 0) | ((keys & MK_RBUTTON) ? ButtonBit::Right : 0) |
           ((keys & MK_MBUTTON) ? ButtonBit::Middle : 0);
}

} // namespace

DrummerPanel::DrummerPanel()
{
    registerMessages();
}

DrummerPanel::~DrummerPanel()
{
    if (toolTip_)
        DestroyWindow(toolTip_);
    if (HWND window = handle())
        DestroyWindow(window);
}

UINT DrummerPanel::translateAcceleratorMessage()
{
    return Quorvane::translateAcceleratorMessage();
}

UINT DrummerPanel::viewsSetLoopIdxMessage()
{
    return Quorvane::viewsSetLoopIdxMessage();
}

RECT DrummerPanel::placement(const RECT &rect)
{
    if (!keepsPreferredSize_)
        return rect;
    SIZE size{};
    getViewSize(&size);
    return {rect.left, rect.top, rect.left + size.cx, rect.top + size.cy};
}

bool DrummerPanel::createView(HWND parent, const RECT &given)
{
    const RECT rect = placement(given);
    if (!createWindow(WS_EX_CONTROLPARENT, WS_CHILD | WS_VISIBLE, rect, parent, 0))
        return false;
    SetWindowPos(handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    return true;
}

void DrummerPanel::destroyView()
{
    if (HWND window = handle())
        DestroyWindow(window);
    stopTimer();
}

void DrummerPanel::showView()
{
    ShowWindow(handle(), SW_SHOW);
}

void DrummerPanel::hideView()
{
    ShowWindow(handle(), SW_HIDE);
}

void DrummerPanel::moveView(const RECT &given)
{
    const RECT rect = placement(given);
    MoveWindow(handle(), rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}

void DrummerPanel::setStatusText(const char *text)
{
    status_.setText(text ? text : "", true);
}

bool DrummerPanel::loadAccelerators(WORD resourceId)
{
    return accelerators_.load(resourceId);
}

void DrummerPanel::postPanelMessage(int index)
{
    PostMessageA(handle(), viewsSetLoopIdxMessage(), static_cast<WPARAM>(index), 0);
}

void DrummerPanel::initPanel()
{
    font_ = RefPtr<Font>::adopt(Font::create("Tahoma", 11, 0, Font::kPixels));
    SetTimer(handle(), kTimerId, kTimerPeriodMs, nullptr);
}

int DrummerPanel::toolHitTest(int, int)
{
    return 0;
}

LRESULT DrummerPanel::toolText(NMTTDISPINFOA *)
{
    return 0;
}

void DrummerPanel::stopTimer()
{
    if (HWND window = handle())
        KillTimer(window, kTimerId);
}

// ---- Window services of the root

HWND DrummerPanel::getWindowHandle() const
{
    return handle();
}

std::unique_ptr<GraphicsContext> DrummerPanel::getGraphics()
{
    if (!handle())
        return nullptr;
    return std::make_unique<ClientGraphicsContext>(handle());
}

void DrummerPanel::passKeyEvent(KeyEvent &e)
{
    if (e.id == EventId::KeyPressed && accelerators_.translate(handle(), WM_KEYDOWN, e.keyCode, 1))
        return;
    if (HWND parent = handle() ? GetParent(handle()) : nullptr) {
        e.postTo(parent);
        return;
    }
    RootPane::passKeyEvent(e);
}

int DrummerPanel::trackPopupMenu(const PopupMenuItems &items, const Rect &rect)
{
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return 0;
    for (const PopupMenuItem &item : items) {
        if (item.text.empty())
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuA(menu, item.flags | (item.id == 0 ? MF_GRAYED : 0), static_cast<UINT_PTR>(item.id),
                        item.text.c_str());
    }
    POINT at{rect.x, rect.y};
    ClientToScreen(handle(), &at);
    const int chosen = Quorvane::trackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, handle());
    DestroyMenu(menu);
    return chosen;
}

bool DrummerPanel::hasMouseCapture() const
{
    return handle() && GetCapture() == handle();
}

void DrummerPanel::invalidateWindowRect(const Rect &rect)
{
    if (!handle())
        return;
    const RECT area = rect.toRECT();
    InvalidateRect(handle(), &area, TRUE);
}

void DrummerPanel::captureMouse()
{
    if (!handle())
        return;
    if (GetCapture() != handle())
        SetCapture(handle());
    captured_ = true;
}

void DrummerPanel::releaseMouse()
{
    // Cleared first: the WM_CAPTURECHANGED that follows is no lost drag.
    captured_ = false;
    if (handle() && GetCapture() == handle())
        ReleaseCapture();
}

void DrummerPanel::takeWindowFocus()
{
    if (GetFocus() == handle())
        fireWindowFocusGained();
    else
        SetFocus(handle());
}

void DrummerPanel::dropWindowFocus()
{
    if (GetFocus() != handle())
        fireWindowFocusLost();
    else
        SetFocus(nullptr);
}

// ---- Messages

LRESULT DrummerPanel::windowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: {
        const LRESULT result = defaultProc(message, wParam, lParam);
        if (result == 0)
            onCreate();
        return result;
    }
    case WM_NOTIFY:
        if (LRESULT answered = onNotify(*reinterpret_cast<NMHDR *>(lParam)))
            return answered;
        break;
    case WM_SETFOCUS:
        fireWindowFocusGained();
        return 0;
    case WM_KILLFOCUS:
        fireWindowFocusLost();
        return 0;
    case WM_SETTEXT:
        setStatusText(reinterpret_cast<const char *>(lParam));
        break;
    case WM_PAINT:
        onPaint();
        return 0;
    case WM_PRINTCLIENT: {
        RECT client{};
        GetClientRect(handle(), &client);
        paintBuffered(reinterpret_cast<HDC>(wParam), client);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_DRAWITEM:
        return onDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT *>(lParam));
    case WM_MEASUREITEM:
        return onMeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT *>(lParam));
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(font_ ? font_->handle() : nullptr);
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
        onKey(message, wParam, lParam);
        return 0;
    case WM_TIMER:
        onTimer();
        break;
    case WM_MENURBUTTONUP:
        onMenuRightButtonUp(wParam, lParam);
        break;
    case WM_MOUSEWHEEL:
        onWheel(wParam, lParam);
        return 0;
    case WM_CAPTURECHANGED:
        onCaptureLost();
        break;
    default:
        if (message >= WM_MOUSEMOVE && message <= WM_MBUTTONDBLCLK) {
            onMouse(message, wParam, lParam);
            return 0;
        }
        if (message == translateAcceleratorMessage() && message != 0) {
            if (onTranslateAccelerator(LOWORD(wParam), HIWORD(wParam), lParam))
                return 1;
            break;
        }
        if (message == viewsSetLoopIdxMessage() && message != 0) {
            setLoopIndex(static_cast<int>(wParam));
            return 1;
        }
        break;
    }
    return defaultProc(message, wParam, lParam);
}

bool DrummerPanel::onTranslateAccelerator(UINT message, WORD wParam, LPARAM lParam)
{
    // A command a window inside the panel left is the panel's own.
    if (message == WM_COMMAND) {
        SendMessageA(handle(), WM_COMMAND, MAKEWPARAM(wParam, 0), lParam);
        return true;
    }
    return accelerators_.translate(handle(), message, wParam, lParam);
}

void DrummerPanel::onCreate()
{
    RECT client{};
    GetClientRect(handle(), &client);
    setBounds(nullptr, Rect::fromRECT(client));
    initPanel();
    enableToolTips();
}

void DrummerPanel::paintBuffered(HDC target, const RECT &area)
{
    RECT client{};
    GetClientRect(handle(), &client);
    HDC memory = CreateCompatibleDC(target);
    HBITMAP canvas = memory ? CreateCompatibleBitmap(target, client.right, client.bottom) : nullptr;
    if (!canvas) {
        // No room for a buffer: paint straight into the window.
        if (memory)
            DeleteDC(memory);
        GraphicsContext gc(target);
        gc.setFont(font_.get());
        paintWindow(gc);
        return;
    }
    HGDIOBJ old = SelectObject(memory, canvas);
    {
        GraphicsContext gc(memory);
        gc.setFont(font_.get());
        paintWindow(gc);
    }
    BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top, memory, area.left,
           area.top, SRCCOPY);
    SelectObject(memory, old);
    DeleteObject(canvas);
    DeleteDC(memory);
}

void DrummerPanel::onPaint()
{
    const LONG_PTR style = GetWindowLongPtrA(handle(), GWL_STYLE);
    if (!(style & WS_CLIPCHILDREN))
        SetWindowLongPtrA(handle(), GWL_STYLE, style | WS_CLIPCHILDREN);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(handle(), &ps);
    if (dc) {
        RECT box{};
        GetClipBox(dc, &box);
        paintBuffered(dc, box);
    }
    EndPaint(handle(), &ps);
}

void DrummerPanel::onMouse(UINT message, WPARAM wParam, LPARAM lParam)
{
    MouseEvent e(EventId::MouseMoved);
    e.x = GET_X_LPARAM(lParam);
    e.y = GET_Y_LPARAM(lParam);
    e.buttons = buttonBits(wParam);
    int button = 0;
    bool down = false;
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        down = true;
        [[fallthrough]];
    case WM_LBUTTONUP:
        button = 1;
        break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        down = true;
        [[fallthrough]];
    case WM_RBUTTONUP:
        button = 2;
        break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        down = true;
        [[fallthrough]];
    case WM_MBUTTONUP:
        button = 3;
        break;
    default:
        break;
    }
    e.button = button;
    if (button == 0) {
        e.id = captured_ ? EventId::MouseDragged : EventId::MouseMoved;
    } else if (down) {
        // Click counting decides double clicks, from the messages' times.
        const auto now = static_cast<int32_t>(GetMessageTime());
        if (now - pressTimes_[button] > static_cast<int32_t>(GetDoubleClickTime()))
            clickCounts_[button] = 0;
        pressTimes_[button] = now;
        ++clickCounts_[button];
        e.id = EventId::MousePressed;
        e.clickCount = clickCounts_[button];
    } else {
        e.id = EventId::MouseReleased;
        e.clickCount = clickCounts_[button];
    }
    lastMouse_ = e;
    dispatchMouseMessage(e);
}

void DrummerPanel::onWheel(WPARAM wParam, LPARAM lParam)
{
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ScreenToClient(handle(), &point);
    MouseEvent e(EventId::MouseWheel);
    e.x = point.x;
    e.y = point.y;
    e.buttons = buttonBits(GET_KEYSTATE_WPARAM(wParam));
    e.wheelDelta = GET_WHEEL_DELTA_WPARAM(wParam);
    dispatchWheelEvent(e);
}

void DrummerPanel::onKey(UINT message, WPARAM wParam, LPARAM lParam)
{
    const int id = message == WM_KEYDOWN ? EventId::KeyPressed
                   : message == WM_KEYUP ? EventId::KeyReleased
                                         : EventId::KeyTyped;
    KeyEvent e(id);
    e.modifiers = modifierBits();
    e.keyCode = static_cast<int>(wParam);
    e.message = message;
    e.wParam = wParam;
    e.lParam = lParam;
    dispatchKeyToFocus(e);
}

void DrummerPanel::onCaptureLost()
{
    if (!captured_)
        return;
    captured_ = false;
    // The drag ends as if each held button had come up where the mouse was.
    for (int button = 1; button <= 3; ++button) {
        const int bit = button == 1 ? ButtonBit::Left : button == 2 ? ButtonBit::Right : ButtonBit::Middle;
        if (!(lastMouse_.buttons & bit))
            continue;
        lastMouse_.buttons &= ~bit;
        MouseEvent release = lastMouse_;
        release.id = EventId::MouseReleased;
        release.button = button;
        release.clickCount = clickCounts_[button];
        endCapturedDrag(release);
    }
}

void DrummerPanel::onMenuRightButtonUp(WPARAM wParam, LPARAM lParam)
{
    HMENU menu = reinterpret_cast<HMENU>(lParam);
    const int id = static_cast<int>(GetMenuItemID(menu, static_cast<int>(wParam)));
    MENUINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = MIM_MENUDATA;
    if (GetMenuInfo(menu, &info) && info.dwMenuData)
        reinterpret_cast<PopupMenuOwner *>(info.dwMenuData)->rightClicked(id);
}

LRESULT DrummerPanel::onDrawItem(const DRAWITEMSTRUCT &item)
{
    if (SelfDrawnItem *object = selfDrawnItemOf(item))
        drawSelfDrawnItem(*object, item);
    return TRUE;
}

LRESULT DrummerPanel::onMeasureItem(MEASUREITEMSTRUCT &item)
{
    int width = 0;
    int height = 0;
    if (auto *object = reinterpret_cast<SelfDrawnItem *>(item.itemData))
        object->measure(width, height);
    item.itemWidth = static_cast<UINT>(width);
    item.itemHeight = static_cast<UINT>(height);
    return TRUE;
}

// ---- Tooltips: the panel is one tool, described afresh whenever the
// pane under the mouse changes.

void DrummerPanel::enableToolTips()
{
    static const bool initialised = [] {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
        return InitCommonControlsEx(&controls) != FALSE;
    }();
    (void)initialised;
    toolTip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, handle(), nullptr,
                               com::thisModule(), nullptr);
    if (toolTip_)
        SendMessageA(toolTip_, TTM_ACTIVATE, TRUE, 0);
}

int DrummerPanel::hitTestTool(POINT client, TOOLINFOA &tool)
{
    tool = {};
    tool.cbSize = sizeof(tool);
    tool.hwnd = handle();
    tool.uFlags = TTF_IDISHWND;
    tool.lpszText = LPSTR_TEXTCALLBACKA;
    // Child windows answer first.
    HWND child = ChildWindowFromPointEx(handle(), client, CWP_SKIPINVISIBLE);
    if (child && child != handle()) {
        toolTipId_ = 0;
        tool.uId = reinterpret_cast<UINT_PTR>(child);
        return GetDlgCtrlID(child);
    }
    toolTipId_ = toolHitTest(client.x, client.y);
    if (toolTipId_ == 0)
        return -1;
    tool.uId = reinterpret_cast<UINT_PTR>(handle());
    return toolTipId_;
}

void DrummerPanel::filterToolTipMessage(const MSG &message)
{
    if (!toolTip_ || !handle() || (message.hwnd != handle() && !IsChild(handle(), message.hwnd)))
        return;
    if (message.message < WM_MOUSEFIRST || message.message > WM_MOUSELAST || message.message == WM_MOUSEWHEEL)
        return;
    POINT point{GET_X_LPARAM(message.lParam), GET_Y_LPARAM(message.lParam)};
    MapWindowPoints(message.hwnd, handle(), &point, 1);
    TOOLINFOA tool;
    const int hit = hitTestTool(point, tool);
    if (hit != lastToolHit_ || tool.uId != lastTool_.uId) {
        if (lastToolHit_ != -1)
            SendMessageA(toolTip_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&lastTool_));
        if (hit != -1)
            SendMessageA(toolTip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
        lastToolHit_ = hit;
        lastTool_ = tool;
    }
    MSG relayed = message;
    SendMessageA(toolTip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

LRESULT DrummerPanel::onNotify(NMHDR &header)
{
    if (header.code != TTN_NEEDTEXTA || header.hwndFrom != toolTip_)
        return 0;
    auto &info = reinterpret_cast<NMTTDISPINFOA &>(header);
    if (toolTipId_ != 0 && header.idFrom == reinterpret_cast<UINT_PTR>(handle())) {
        header.idFrom = static_cast<UINT_PTR>(toolTipId_);
        info.uFlags &= ~TTF_IDISHWND;
    }
    return toolText(&info);
}

} // namespace Quorvane
