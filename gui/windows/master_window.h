// The song's master track: its time signatures, key signatures and tempo.
// Time runs left to right under the ruler; a strip below it shows the
// signature changes as text, and the rest of the window is the tempo lane,
// in which the tempo curve is drawn and edited with the controller drawing
// tool (10 to 250 quarters per minute from the bottom to the top).
#pragma once

#include "gui/draw/gui_tables.h"
#include "gui/windows/abst_window.h"
#include "gui/windows/draw_ctrl.h"
#include "gui/windows/first_visible.h"
#include "gui/windows/time_line.h"

namespace Quorvane {

class CTrackMaster;

// Gestures of the master window, besides the base's.
enum : long {
    MASTER_SELECT_TEMPO = 2,
    MASTER_DRAW_TEMPO = 3,
    MASTER_ERASE_TEMPO = 4,
    MASTER_ERASE_SIGNATURES = 5,
};

// Requests of the master window: a key signature index, or a time
// signature as numerator * 256 + the denominator's power of two.
enum : long { MASTERREQ_KEY = 1, MASTERREQ_METER = 2 };

class PANNIKEL_API CMasterWindow : public CAbstWindow {
public:
    CMasterWindow();
    CMasterWindow(const CMasterWindow &) = delete;
    CMasterWindow &operator=(const CMasterWindow &) = delete;

    int InitLocal() override;
    void DestroyLocal() override {}
    void Resize() override;
    void Render(CGUIContext *ctx) override;
    long GetValFromY(long y) override;
    long GetYFromVal(long value) override;
    void OnLButtonDown(long x, long y, int flag1, int flag2) override;
    void OnLButtonUp(long x, long y, int flag1, int flag2) override;
    void OnMouseMove(long x, long y, int flag1, int flag2) override;
    void OnMouseWheel(float delta, int vertical) override;

    // The band edge moved by the pointer: 26..200 pixels.
    // A key (y < 35) or time signature at the bar line nearest to x.
    void EditSignature(long x, long y);

    CTrackMaster *track = nullptr;
    CTimeLine timeLine;
    FIRSTVISIBLE firstVisible;
    DRAWCTRL tool;
    CGUIGradient gradients;

private:
    long LaneHeight() const { return height - topBand; }
    // The tempo grid lines the lane's height has room for.
    int GridValues(long *values) const;
    void DrawStrip(CGUIContext *ctx);
    void DrawLeftBand(CGUIContext *ctx);
    void DrawLeftCorner(CGUIContext *ctx);
    void DrawSignatures(CGUIContext *ctx, long from, long to, long first);
    void DrawTempo();
    void DeleteTempo();
    void DeleteSignatures();
    // A master edit is done: the maps follow and every window updates.
    void MasterChanged();
    void SetHoverStatus(long x, long y);
};

} // namespace Quorvane
