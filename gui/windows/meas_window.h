// The whole song as a grid of tracks by bars: a bar ruler, the master row
// with the tempo curve and the time and key signatures, and one row per
// track (the rows of the tracks window) with a small preview of its
// content. A rubber band sets the song's time selection and track
// selection, which all editors use. Registered under key1 -1; it scrolls
// vertically together with the tracks window.
#pragma once

#include "data/struct_array.h"
#include "gui/windows/abst_window.h"
#include "gui/windows/draw_ctrl.h"
#include "gui/windows/first_visible.h"
#include "gui/windows/time_line.h"

namespace Quorvane {

class CTrack;
class CTrackAudio;

// One first-visible cache per track, in song order.
class PANNIKEL_API CFirstVisibleArray : public CStructArray {
public:
    CFirstVisibleArray() : CStructArray(sizeof(FIRSTVISIBLE), 16) {}
    FIRSTVISIBLE *GetAt(long i) const
    {
        return i >= 0 && i < count ? static_cast<FIRSTVISIBLE *>(GetElementAt(i)) : nullptr;
    }
};

class PANNIKEL_API CMeasWindow : public CAbstWindow {
public:
    CMeasWindow();
    CMeasWindow(const CMeasWindow &) = delete;
    CMeasWindow &operator=(const CMeasWindow &) = delete;

    int InitLocal() override;
    void Resize() override;
    void Render(CGUIContext *ctx) override;
    void ModifyScrollQuad(long axis, QUAD *quad) override;
    long GetYFromVal(long value) override;
    void OnLButtonDown(long x, long y, int flag1, int flag2) override;
    void OnLButtonDblClk(long x, long y, int flag1, int flag2) override;
    void OnLButtonUp(long x, long y, int flag1, int flag2) override;
    void OnMouseMove(long x, long y, int flag1, int flag2) override;
    void OnMouseWheel(float delta, int vertical) override;
    void UpdateChords(long time) override;

    // -1 above y 23, 0 the master row (y 23..48), else the track row.
    long GetRow(long y) const;
    CTrack *GetTrack(long y) const;
    // Repaints the columns between two times of row -2 (all rows, whole
    // height), -1 (the ruler), 0 (the master row) or a track's row.
    void UpdateTrack(long row, long from, long to);
    // (-1, -1): the selected tracks take the time selection again; else
    // the rows first..last become the selected tracks.
    void SelectTrack(long first, long last, int hasTimeSelection);

    // Fields in their order.
    CTimeLine timeLine{TIMELINE_EVERY_FOURTH_BAR};
    long songEdition[2] = {0x7fffff, 0};
    CFirstVisibleArray caches;
    long rowBase = 0;
    DRAWCTRL tempoTool;

private:
    int RebuildCaches();
    long RowTop(long row) const { return 22 + 26 * row - scrollPosY; }
    void FillTrackBkgnd(CGUIContext *ctx, CTrack *track, long top);
    void DrawMasterRow(CGUIContext *ctx, long from, long to);
    void DrawTrackRow(CGUIContext *ctx, CTrack *track, FIRSTVISIBLE *cache, long from, long to);
    void DrawChordsPreview(CGUIContext *ctx, CTrack *track, long first, long top, long to);
    void DrawMelodyPreview(CGUIContext *ctx, CTrack *track, long first, long top, long to);
    void DrawNotesPreview(CGUIContext *ctx, CTrack *track, long first, long top, long to);
    void DrawAudioPreview(CGUIContext *ctx, CTrackAudio *track, long top, long from, long to);
    void SetStatus(long x, long y);
};

} // namespace Quorvane
