#include "gui/windows/tests/editor_host.h"

#include "data/track.h"
#include "gui/draw/gui_context.h"
#include "testing/screenshot.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <algorithm>
#include <thread>

namespace windows_test {

using namespace Quorvane;

// --- the song

TestSong::TestSong(IQuorvaneSoundMngr *sound, long ticksPerQuarter) : CSong(nullptr, sound)
{
    params.timeBase = ticksPerQuarter;
}

int TestSong::StoreTempUndo(char *caption, long scope)
{
    steps.push_back({caption ? caption : "", scope});
    if (refuseUndo)
        return 0;
    return CSong::StoreTempUndo(caption, scope);
}

void TestSong::RestoreTempUndo()
{
    ++restored;
    CSong::RestoreTempUndo();
}

bool TestSong::lockHeldElsewhere() const
{
    bool held = false;
    std::thread probe([&] {
        CLock probe(syncObject, 0);
        held = !probe.TryLock();
    });
    probe.join();
    return held;
}

// --- an editor

namespace {

const char *const kWindowClass = "PannikelTestEditor";

void registerClass()
{
    static bool registered = false;
    if (registered)
        return;
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kWindowClass;
    registered = RegisterClassA(&wc) != 0;
}

} // namespace

Editor::Editor(Host &owner, CAbstWindow *w, long key1, long key2, bool realWindow)
    : keys{key1, key2}, host(owner), window(w)
{
    invalid = CreateRectRgn(0, 0, 0, 0);
    // A window may draw before its first size, as a real one can.
    makeCanvas(1, 1);
    if (realWindow) {
        registerClass();
        hwnd =
            CreateWindowExA(0, kWindowClass, "Pannikel editor", WS_OVERLAPPEDWINDOW | WS_HSCROLL | WS_VSCROLL,
                            30, 30, 200, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (hwnd) {
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
            SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Editor::procedure));
        }
    }
}

Editor::~Editor()
{
    close();
    if (hwnd)
        DestroyWindow(hwnd);
    dropCanvas();
    DeleteObject(invalid);
}

void Editor::makeCanvas(long w, long h)
{
    dropCanvas();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *pixels = nullptr;
    canvas = CreateCompatibleDC(nullptr);
    bitmap = CreateDIBSection(canvas, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    oldBitmap = SelectObject(canvas, bitmap);
    bits = static_cast<uint32_t *>(pixels);
    std::fill(bits, bits + w * h, 0x00FF00FFu); // magenta: never painted
    canvasWidth = w;
    canvasHeight = h;
}

void Editor::dropCanvas()
{
    if (!canvas)
        return;
    SelectObject(canvas, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(canvas);
    canvas = nullptr;
    bits = nullptr;
}

void Editor::size(long w, long h)
{
    if (hwnd) {
        RECT r{0, 0, w, h};
        AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW | WS_HSCROLL | WS_VSCROLL, FALSE);
        SetWindowPos(hwnd, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
        RECT client;
        GetClientRect(hwnd, &client);
        if (client.right != w || client.bottom != h) // the scroll bars took their room
            SetWindowPos(hwnd, nullptr, 0, 0, r.right - r.left + w - client.right,
                         r.bottom - r.top + h - client.bottom, SWP_NOMOVE | SWP_NOZORDER);
        ShowWindow(hwnd, SW_SHOWNOACTIVATE);
        UpdateWindow(hwnd);
        pumpMessages();
        return;
    }
    makeCanvas(w, h);
    if (window)
        window->OnSize(w, h);
    SetRectRgn(invalid, 0, 0, w, h);
}

void Editor::paint()
{
    if (hwnd) {
        UpdateWindow(hwnd);
        pumpMessages();
        return;
    }
    RECT box;
    if (!window || !canvas || GetRgnBox(invalid, &box) == NULLREGION)
        return;
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(region, invalid, nullptr, RGN_COPY);
    SetRectRgn(invalid, 0, 0, 0, 0);
    SelectClipRgn(canvas, region);
    painting = true;
    {
        CGUIContext ctx(canvas);
        window->Draw(&ctx);
    }
    painting = false;
    SelectClipRgn(canvas, nullptr);
    DeleteObject(region);
    GdiFlush();
}

void Editor::paintAll()
{
    if (hwnd) {
        InvalidateRect(hwnd, nullptr, FALSE);
    } else {
        SetRectRgn(invalid, 0, 0, canvasWidth, canvasHeight);
    }
    paint();
}

void Editor::press(long x, long y, int flag1, int flag2)
{
    if (window)
        window->OnLButtonDown(x, y, flag1, flag2);
}

void Editor::move(long x, long y, int flag1, int flag2)
{
    if (window)
        window->OnMouseMove(x, y, flag1, flag2);
}

void Editor::release(long x, long y, int flag1, int flag2)
{
    if (window)
        window->OnLButtonUp(x, y, flag1, flag2);
}

void Editor::doubleClick(long x, long y, int flag1, int flag2)
{
    if (!window)
        return;
    window->OnLButtonDown(x, y, flag1, flag2);
    window->OnLButtonUp(x, y, flag1, flag2);
    window->OnLButtonDblClk(x, y, flag1, flag2);
    window->OnLButtonUp(x, y, flag1, flag2);
}

void Editor::drag(long x0, long y0, long x1, long y1, int flag1, int flag2)
{
    press(x0, y0, flag1, flag2);
    const int steps = 4;
    for (int i = 1; i <= steps; ++i)
        move(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps, flag1, flag2);
    release(x1, y1, flag1, flag2);
}

void Editor::wheel(float delta, int vertical)
{
    if (window)
        window->OnMouseWheel(delta, vertical);
}

void Editor::scroll(long axis, long pos)
{
    if (window)
        window->OnScroll(axis, pos);
}

void Editor::close()
{
    if (!window)
        return;
    window->Destroy();
    delete window;
    window = nullptr;
}

COLORREF Editor::pixel(long x, long y) const
{
    if (hwnd || !bits || x < 0 || y < 0 || x >= canvasWidth || y >= canvasHeight)
        return CLR_INVALID;
    const uint32_t p = bits[y * canvasWidth + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

long Editor::count(const QUAD &q, COLORREF colour) const
{
    long n = 0;
    for (long y = q.top; y < q.bottom; ++y)
        for (long x = q.left; x < q.right; ++x)
            n += pixel(x, y) == colour;
    return n;
}

long Editor::countNot(const QUAD &q, COLORREF colour) const
{
    return (q.right - q.left) * (q.bottom - q.top) - count(q, colour);
}

long Editor::unpainted(const QUAD &q)
{
    std::vector<COLORREF> before;
    for (long y = q.top; y < q.bottom; ++y)
        for (long x = q.left; x < q.right; ++x)
            before.push_back(pixel(x, y));
    paintAll();
    long changed = 0;
    size_t i = 0;
    for (long y = q.top; y < q.bottom; ++y)
        for (long x = q.left; x < q.right; ++x)
            changed += pixel(x, y) != before[i++];
    return changed;
}

std::string Editor::screenshot(const std::string &name)
{
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::string path;
    if (hwnd) {
        path = testing_support::writeWindowPicture(hwnd, name);
    } else {
        testing_support::WindowPicture picture;
        picture.width = canvasWidth;
        picture.height = canvasHeight;
        picture.pixels.assign(bits, bits + canvasWidth * canvasHeight);
        path = testing_support::writePicture(picture, name);
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    EXPECT_FALSE(path.empty()) << name;
    return path;
}

// --- the client

void Editor::GUICLGetKeys(long *key1, long *key2)
{
    *key1 = keys[0];
    *key2 = keys[1];
}

void Editor::GUICLCloseWindow()
{
    ++closeCalls;
    if (!closeRefused)
        close();
}

CGUIContext *Editor::GUICLGetContext()
{
    if (refuseContexts)
        return nullptr;
    HDC dc = hwnd ? GetDC(hwnd) : canvas;
    if (!dc)
        return nullptr;
    // Drawing outside a paint reaches the whole window, whatever is being
    // painted.
    if (!hwnd && painting)
        savedDuringPaint = SaveDC(canvas), SelectClipRgn(canvas, nullptr);
    ++contextsOut;
    return new CGUIContext(dc);
}

void Editor::GUICLReleaseContext(CGUIContext *ctx)
{
    if (!ctx)
        return;
    --contextsOut;
    if (hwnd)
        ReleaseDC(hwnd, ctx->WIN32GetDC());
    else if (painting && savedDuringPaint)
        RestoreDC(canvas, savedDuringPaint), savedDuringPaint = 0;
    delete ctx;
}

void Editor::GUICLSetScrollRange(long axis, long max, long page)
{
    if (axis < 0 || axis > 1)
        return;
    scrollMax[axis] = max;
    scrollPage[axis] = page;
    if (hwnd) {
        SCROLLINFO info{sizeof info,
                        SIF_RANGE | SIF_PAGE,
                        0,
                        max + std::max(page, 1L) - 1,
                        static_cast<UINT>(page),
                        0,
                        0};
        SetScrollInfo(hwnd, axis == 0 ? SB_HORZ : SB_VERT, &info, TRUE);
    }
}

void Editor::GUICLSetScrollPos(long axis, long pos)
{
    if (axis < 0 || axis > 1)
        return;
    scrollPos[axis] = pos;
    if (hwnd)
        SetScrollPos(hwnd, axis == 0 ? SB_HORZ : SB_VERT, pos, TRUE);
}

void Editor::GUICLScrollArea(QUAD *area, long dx, long dy)
{
    scrolled.push_back(*area);
    RECT r{area->left, area->top, area->right, area->bottom};
    if (hwnd) {
        ScrollWindowEx(hwnd, dx, dy, &r, &r, nullptr, nullptr, SW_INVALIDATE);
        return;
    }
    if (!canvas)
        return;
    HRGN uncovered = CreateRectRgn(0, 0, 0, 0);
    ScrollDC(canvas, dx, dy, &r, &r, uncovered, nullptr);
    CombineRgn(invalid, invalid, uncovered, RGN_OR);
    DeleteObject(uncovered);
}

void Editor::GUICLInvalidate(QUAD *area, int erase)
{
    invalidated.push_back(*area);
    RECT r{area->left, area->top, area->right, area->bottom};
    if (hwnd) {
        InvalidateRect(hwnd, &r, erase);
        return;
    }
    HRGN more = CreateRectRgnIndirect(&r);
    CombineRgn(invalid, invalid, more, RGN_OR);
    DeleteObject(more);
}

void Editor::GUICLSetMousePos(long x, long y)
{
    mousePositions.push_back({x, y});
    if (hwnd) {
        POINT p{x, y};
        ClientToScreen(hwnd, &p);
        SetCursorPos(p.x, p.y);
    }
}

void Editor::GUICLSetCapture(int on)
{
    captured = on != 0;
    if (hwnd) {
        if (on)
            SetCapture(hwnd);
        else if (GetCapture() == hwnd)
            ReleaseCapture();
    }
}

void Editor::GUICLSetModified(int modified)
{
    EXPECT_EQ(modified, 1);
    ++modifiedCalls;
    lockHeldAtModified = host.song.lockHeldElsewhere();
}

LONG_PTR Editor::GUICLRequest(long code, LONG_PTR a, LONG_PTR b)
{
    requests.push_back({code, a, b});
    return answer ? answer(requests.back()) : 0;
}

// --- a real window's messages

LRESULT CALLBACK Editor::procedure(HWND w, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *editor = reinterpret_cast<Editor *>(GetWindowLongPtrA(w, GWLP_USERDATA));
    return editor ? editor->handle(message, wParam, lParam) : DefWindowProcA(w, message, wParam, lParam);
}

LRESULT Editor::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    const long x = static_cast<short>(LOWORD(lParam));
    const long y = static_cast<short>(HIWORD(lParam));
    const int flag1 = (wParam & MK_CONTROL) != 0;
    const int flag2 = (wParam & MK_SHIFT) != 0;
    switch (message) {
    case WM_SIZE:
        if (window)
            window->OnSize(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        if (window) {
            CGUIContext ctx(dc);
            window->Draw(&ctx);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        if (window) {
            CGUIContext ctx(reinterpret_cast<HDC>(wParam));
            window->Draw(&ctx);
        }
        return 0;
    case WM_LBUTTONDOWN:
        press(x, y, flag1, flag2);
        return 0;
    case WM_LBUTTONUP:
        release(x, y, flag1, flag2);
        return 0;
    case WM_LBUTTONDBLCLK:
        if (window)
            window->OnLButtonDblClk(x, y, flag1, flag2);
        return 0;
    case WM_MOUSEMOVE:
        move(x, y, flag1, flag2);
        return 0;
    case WM_MOUSEWHEEL:
        wheel(static_cast<short>(HIWORD(wParam)) / static_cast<float>(WHEEL_DELTA), 1);
        return 0;
    case WM_HSCROLL:
    case WM_VSCROLL: {
        const int bar = message == WM_HSCROLL ? SB_HORZ : SB_VERT;
        SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
        GetScrollInfo(hwnd, bar, &info);
        long pos = info.nPos;
        switch (LOWORD(wParam)) {
        case SB_LINEUP:
            pos -= 16;
            break;
        case SB_LINEDOWN:
            pos += 16;
            break;
        case SB_PAGEUP:
            pos -= static_cast<long>(info.nPage);
            break;
        case SB_PAGEDOWN:
            pos += static_cast<long>(info.nPage);
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            pos = info.nTrackPos;
            break;
        default:
            break;
        }
        scroll(bar == SB_HORZ ? 0 : 1, pos);
        return 0;
    }
    case WM_KEYDOWN:
        if (window)
            window->OnKeyDown(static_cast<long>(wParam), GetKeyState(VK_CONTROL) < 0,
                              GetKeyState(VK_SHIFT) < 0);
        return 0;
    case WM_CHAR:
        if (window)
            window->OnChar(static_cast<long>(wParam));
        return 0;
    case WM_TIMER:
        host.liason.OnTimer();
        return 0;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

// --- the host

Host::Host(long ticksPerQuarter, IQuorvaneSoundMngr *engine) : song(engine ? engine : &sound, ticksPerQuarter)
{
    EXPECT_EQ(song.SetDefault(), 1);
}

Host::~Host()
{
    // Windows go before the liaison and the song they are bound to.
    editors.clear();
}

Editor &Host::openWindow(CAbstWindow *window, long key1, long key2, long w, long h, bool realWindow)
{
    editors.push_back(std::make_unique<Editor>(*this, window, key1, key2, realWindow));
    Editor &editor = *editors.back();
    EXPECT_EQ(window->Init(&song, &liason, &editor), 1);
    editor.size(w, h);
    editor.paint();
    return editor;
}

Editor *Host::tryOpen(CAbstWindow *window, long key1, long key2)
{
    editors.push_back(std::make_unique<Editor>(*this, window, key1, key2, false));
    Editor &editor = *editors.back();
    if (window->Init(&song, &liason, &editor))
        return &editor;
    editor.close();
    editors.pop_back();
    return nullptr;
}

CTrack *Host::addTrack(long kind, const char *name)
{
    CTrack *track = song.InsertNewTrack(kind, -1, 0);
    EXPECT_NE(track, nullptr) << "kind " << kind;
    if (track && name)
        track->SetName(name);
    return track;
}

void Host::paintAll()
{
    for (auto &editor : editors)
        editor->paintAll();
}

void pumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

} // namespace windows_test
