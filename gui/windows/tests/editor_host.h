// The tests' host application of the editor windows: it owns a real song
// (over the data model tests' sound stand-in), the liaison and one client
// per editor. An editor paints into a memory bitmap as a real window would
// (paint requests gather in an invalid region until paint(); scrolls move
// the pixels), or, for the tests that show real windows, into a top-level
// window whose messages are forwarded. The client records everything the
// windows ask and answers requests by a function the test sets.
#pragma once

#include "data/song.h"
#include "data/tests/fake_sound.h"
#include "gui/windows/abst_window.h"
#include "gui/windows/gui_client.h"
#include "gui/windows/liaison.h"

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace windows_test {

// A song that records the undo steps it is asked to store and restore, and
// whether the song lock was held when the client was told of a change.
class TestSong : public Quorvane::CSong {
public:
    TestSong(Quorvane::IQuorvaneSoundMngr *sound, long ticksPerQuarter);
    int StoreTempUndo(char *caption, long scope) override;
    void RestoreTempUndo() override;

    struct Step {
        std::string caption;
        long scope;
    };
    std::vector<Step> steps;
    int restored = 0;
    int refuseUndo = 0;
    // Whether another thread finds the song mutex taken right now.
    bool lockHeldElsewhere() const;
};

struct Request {
    long code;
    LONG_PTR a;
    LONG_PTR b;
};

class Host;

class Editor : public Quorvane::CGUIClient {
public:
    Editor(Host &host, Quorvane::CAbstWindow *window, long key1, long key2, bool realWindow);
    ~Editor();
    Editor(const Editor &) = delete;
    Editor &operator=(const Editor &) = delete;

    template <typename W> W *as() const { return static_cast<W *>(window); }
    Quorvane::CAbstWindow *get() const { return window; }
    bool isOpen() const { return window != nullptr; }
    HWND handle() const { return hwnd; }

    // --- events as the host forwards them
    void size(long w, long h);
    // Paints what was invalidated (memory editors; real windows paint on
    // their own through WM_PAINT).
    void paint();
    // Everything again.
    void paintAll();
    void press(long x, long y, int flag1 = 0, int flag2 = 0);
    void move(long x, long y, int flag1 = 0, int flag2 = 0);
    void release(long x, long y, int flag1 = 0, int flag2 = 0);
    void doubleClick(long x, long y, int flag1 = 0, int flag2 = 0);
    void drag(long x0, long y0, long x1, long y1, int flag1 = 0, int flag2 = 0);
    void wheel(float delta, int vertical);
    void scroll(long axis, long pos);
    // The host's close: Destroy, then delete.
    void close();

    // --- the picture
    COLORREF pixel(long x, long y) const;
    // Pixels of a rectangle that differ from colour.
    long countNot(const Quorvane::QUAD &q, COLORREF colour) const;
    // Pixels of a rectangle that a paint of the whole window changes: what
    // inverted marks drawn outside a paint left behind.
    long unpainted(const Quorvane::QUAD &q);
    long count(const Quorvane::QUAD &q, COLORREF colour) const;
    std::string screenshot(const std::string &name);
    HDC canvasDC() const { return canvas; }

    // --- CGUIClient
    void GUICLGetKeys(long *key1, long *key2) override;
    void GUICLReserved() override {}
    void GUICLCloseWindow() override;
    Quorvane::CGUIContext *GUICLGetContext() override;
    void GUICLReleaseContext(Quorvane::CGUIContext *ctx) override;
    void GUICLSetScrollRange(long axis, long max, long page) override;
    void GUICLSetScrollPos(long axis, long pos) override;
    void GUICLScrollArea(Quorvane::QUAD *area, long dx, long dy) override;
    void GUICLInvalidate(Quorvane::QUAD *area, int erase) override;
    void GUICLSetCursor(long type) override { cursors.push_back(type); }
    void GUICLSetMousePos(long x, long y) override;
    void GUICLWheelScrolled() override { ++wheelScrolls; }
    void GUICLSetCapture(int on) override;
    void GUICLSetModified(int modified) override;
    void GUICLSetStatusText(long pane, const char *text) override { status[pane] = text ? text : "(null)"; }
    LONG_PTR GUICLRequest(long code, LONG_PTR a, LONG_PTR b) override;

    // --- what the window asked
    long keys[2];
    long scrollMax[2] = {-1, -1};
    long scrollPage[2] = {-1, -1};
    long scrollPos[2] = {0, 0};
    std::vector<Quorvane::QUAD> scrolled;
    std::vector<Quorvane::QUAD> invalidated;
    std::vector<long> cursors;
    std::vector<POINT> mousePositions;
    bool captured = false;
    int modifiedCalls = 0;
    bool lockHeldAtModified = false;
    std::map<long, std::string> status;
    std::vector<Request> requests;
    std::function<LONG_PTR(const Request &)> answer;
    int closeCalls = 0;
    bool closeRefused = false;
    int wheelScrolls = 0;
    int contextsOut = 0;
    bool refuseContexts = false;

private:
    friend class Host;
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void makeCanvas(long w, long h);
    void dropCanvas();

    Host &host;
    Quorvane::CAbstWindow *window;
    HWND hwnd = nullptr;
    HDC canvas = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ oldBitmap = nullptr;
    uint32_t *bits = nullptr;
    long canvasWidth = 0;
    long canvasHeight = 0;
    HRGN invalid = nullptr;
    bool painting = false;
    int savedDuringPaint = 0;
};

class Host {
public:
    // The song plays through engine when one is given, else through the
    // stand-in.
    explicit Host(long ticksPerQuarter = 960, Quorvane::IQuorvaneSoundMngr *engine = nullptr);
    ~Host();

    // Makes the window, binds it (Init must succeed) and sizes it.
    template <typename W>
    Editor &open(long key1, long key2 = 0, long w = 640, long h = 400, bool realWindow = false)
    {
        return openWindow(new W, key1, key2, w, h, realWindow);
    }
    Editor &openWindow(Quorvane::CAbstWindow *window, long key1, long key2, long w, long h, bool realWindow);
    // As open, but Init is allowed to fail; null then.
    Editor *tryOpen(Quorvane::CAbstWindow *window, long key1, long key2);

    // A track of the kind after the last, with the given name.
    Quorvane::CTrack *addTrack(long kind, const char *name = nullptr);
    // Paints every editor.
    void paintAll();

    FakeSoundMngr sound;
    TestSong song;
    Quorvane::CLiason liason;
    std::vector<std::unique_ptr<Editor>> editors;
};

// Runs the messages waiting for this thread's windows.
void pumpMessages();

// A library colour as the pictures' pixels hold it.
inline COLORREF colourOf(const Quorvane::RGBACOLOR &c)
{
    return RGB(c.R, c.G, c.B);
}

// Puts a shared layout value back as the test found it when it ends.
template <typename T> struct KeepGlobal {
    explicit KeepGlobal(T &value) : ref(value), saved(value) {}
    ~KeepGlobal() { ref = saved; }
    KeepGlobal(const KeepGlobal &) = delete;
    KeepGlobal &operator=(const KeepGlobal &) = delete;
    T &ref;
    T saved;
};

} // namespace windows_test
