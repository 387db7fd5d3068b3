// The preview synthesizer's editor: a small child dialog that shows which
// of the 18 channels sound and lets the user drag or reset the metronome
// click level. It lives on the user-interface thread. The synthesizer
// reaches it only by posting to the window handle it published, so the
// render thread never touches this object and never waits for the window.
#pragma once

#include "gui/draw/draw_types.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

namespace Quorvane {

class CGUIContext;
class IQuorvaneSoftSynth;

// Posted to the editor: the channels that sounded (bit n: channel n) when
// they changed after a render call.
constexpr UINT kEditorActivityMessage = WM_USER + 800;
// Posted to the editor when the click level was set.
constexpr UINT kEditorLevelMessage = WM_USER + 801;

constexpr int kEditorWidth = 220;
constexpr int kEditorHeight = 116;

class CPreviewEditor {
public:
    // Makes the dialog as a hidden child of parent; null when it cannot be
    // made. published is where the synthesizer keeps the handle it posts
    // to; the editor clears it when its window goes for any reason.
    static CPreviewEditor *Create(IQuorvaneSoftSynth *synth, HWND parent, std::atomic<HWND> *published);
    CPreviewEditor(const CPreviewEditor &) = delete;
    CPreviewEditor &operator=(const CPreviewEditor &) = delete;

    // Null once the window is gone (also when its parent took it along).
    HWND Window() const { return window; }
    // Shows the window with the channels that sound now.
    void Show(uint32_t activity);
    // Destroys the window (on its own thread), then the object.
    void Destroy();

private:
    enum class Gesture { None, Dragging, ResetPressed };

    CPreviewEditor(IQuorvaneSoftSynth *owner, std::atomic<HWND> *handle) : synth(owner), published(handle) {}
    ~CPreviewEditor() = default;

    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT &result);

    int level() const;
    void invalidate(const QUAD &area);
    void paint(HDC dc);
    void draw(CGUIContext &ctx) const;
    void drawLevel(CGUIContext &ctx) const;
    void drawChannel(CGUIContext &ctx, int channel) const;

    void showActivity(uint32_t bits);
    void press(int x, int y);
    void pressReset();
    void startDrag(int y);
    void drag(int x, int y);
    void endDrag();
    // Puts the mouse cursor at the bar position x of the window, row y.
    void placeCursor(long x, int y);

    IQuorvaneSoftSynth *synth;
    std::atomic<HWND> *published;
    HWND window = nullptr;
    uint32_t drawn = 0; // the activity bits on the screen
    Gesture gesture = Gesture::None;
    int dragValue = 0;
    long anchorX = 0;
};

} // namespace Quorvane
