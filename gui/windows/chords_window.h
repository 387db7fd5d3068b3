// One chord track as a lead sheet: the song cut into rows of whole bars,
// each row the chord names above a grid of the twelve pitch classes in
// which every chord shows its root and chord notes. The grid can show one
// controller lane of the track instead (pitch wheel, channel aftertouch or
// a controller), drawn and edited with the controller drawing tool.
#pragma once

#include "gui/draw/gui_tables.h"
#include "gui/windows/abst_window.h"
#include "gui/windows/chord_string.h"
#include "gui/windows/draw_ctrl.h"
#include "gui/windows/erase_stroke.h"
#include "gui/windows/first_visible.h"

namespace Quorvane {

class CTrackChords;
struct EVENT;

// Gestures of the chords window, besides the base's band resize. Its time
// selection is its own: the times run along rows, not under a ruler.
enum : long {
    CHORDS_TIME_SELECTION = 1,
    CHORDS_BAND_CHORDS = 2,
    CHORDS_BAND_CELLS = 3,
    CHORDS_NEW_CHORD = 4,
    CHORDS_MOVE = 5,
    CHORDS_TRANSPOSE = 6,
    CHORDS_DRAW_LANE = 7,
    CHORDS_ERASE_BAND = 8,
    CHORDS_ERASE = 9,
    CHORDS_ERASE_LANE = 10,
    CHORDS_PAST_THE_BARS = 2000,
};

// Where a point lies, besides a pitch class or a lane value.
enum : long { CELL_OUTSIDE = -3, CELL_NAMES = -2, CELL_BELOW = -1 };

class PANNIKEL_API CChordsWindow : public CAbstWindow {
public:
    CChordsWindow();
    CChordsWindow(const CChordsWindow &) = delete;
    CChordsWindow &operator=(const CChordsWindow &) = delete;

    int InitLocal() override;
    void Resize() override;
    void Render(CGUIContext *ctx) override;
    void ShowCursor(int on, CGUIContext *ctx) override;
    void ShowSongPtr(int on, CGUIContext *ctx) override;
    long GetTimeFromX(long x) override;
    long GetXFromTime(long time) override;
    long GetValFromY(long y) override;
    long GetYFromVal(long value) override;
    void OnLButtonDown(long x, long y, int flag1, int flag2) override;
    void OnLButtonUp(long x, long y, int flag1, int flag2) override;
    void OnMouseMove(long x, long y, int flag1, int flag2) override;
    void OnMouseWheel(float delta, int vertical) override;
    void UpdateTime(long from, long to, int full, int erase) override;
    void UpdateChords(long time) override;
    void EnsureVisibleTime(long time, int page) override;
    void SetZoomVert(long zoom) override;

    // 133 chords, 128 pitch wheel, 129 channel aftertouch, 0..127 a
    // controller.
    void SetEdit(long lane);
    void SetByKSign(int on);
    long GetKSign(long time);
    char *StringTime(long time, char *text);
    long GridTime(long time);

    // The tick under a point: the row by y (below the last row its end),
    // within the row's bars.
    long GetTimeFromXY(long x, long y);
    // The row and x of a tick (at or past the song end: its last tick);
    // the row's index, -1 without rows.
    long GetXYFromTime(long time, long &x, long &y);
    // CELL_OUTSIDE, CELL_NAMES, CELL_BELOW, or in the grid the pitch class
    // (11 at the top) or the lane value (plus 8192 for the wheel).
    long InCell(long x, long y);
    // 4 a new chord, 5 a chord start to move, 6 a chord to transpose; event
    // is the chord concerned.
    long InChordNote(long time, long pitchClass, EVENT *&event);
    // The band edge moved by the pointer: 26..200 pixels.

    // Fields.
    CTrackChords *track = nullptr;
    long edit = 133;
    int byKSign = 0;
    long noteRowHeight;
    long rowHeight;
    // The lane's scale (SetEdit).
    long laneTop = 0;
    long laneMin = 0;
    long laneMax = 0;
    long snapStep = 0;
    long snapTolerance = 0;
    double pixelsPerValue = 1.0;
    CChordString rows;
    CQuadNotes dragged;
    FIRSTVISIBLE chordCache;
    FIRSTVISIBLE laneCache;
    DRAWCTRL tool;
    CGUIGradient gradients;
    long currentRow = 0;
    // The gesture: where it began and where the pointer is now (content
    // coordinates for the bands), and the undo step of an erase.
    long pressTime = 0;
    long pressX = 0;
    long pressY = 0;
    long pressCell = 0;
    long lastTime = 0;
    long lastCell = 0;
    long moveDelta = 0;
    long strokeRow = -1;
    EraseStroke erase;

private:
    long RowTop(long row) const { return row * rowHeight - scrollPosY; }
    long RowOf(long y) const;
    long GridTop(long row) const { return RowTop(row) + 29; }
    long LaneTopContent(long row) const { return row * rowHeight + 29; }
    long RowEndTime(const CHORDSTRING *row) const { return row->time + row->bars * row->ticksPerBar; }
    long XInRow(const CHORDSTRING *row, long time) const;
    void DrawLeftBand(CGUIContext *ctx, long firstRow, long lastRow);
    void DrawRow(CGUIContext *ctx, long index);
    void DrawGridShading(CGUIContext *ctx, const CHORDSTRING *row, long index);
    void DrawBarStrip(CGUIContext *ctx, const CHORDSTRING *row, long index);
    void DrawBarLines(CGUIContext *ctx, const CHORDSTRING *row, long index);
    void DrawChords(CGUIContext *ctx, const CHORDSTRING *row, long index);
    void DrawChordNotes(CGUIContext *ctx, const EVENT *chord, long index, long left, long right);
    void DrawNoteCell(CGUIContext *ctx, QUAD cell, const RGBACOLOR *colour);
    void DrawLane(CGUIContext *ctx, const CHORDSTRING *row, long index);
    void EndGesture();
    void StartTimeSelection(long x, long y, int flag1);
    void OnChordName(long x, long y);
    void EditNoteStart(long x, long y, long cell);
    void EditNoteMove(long x, long y);
    void EditNoteStop(int flag1);
    void DeleteNote(long x, long y);
    void EndErase();
    void SelectInBand(int flag1);
    void DrawLaneStroke();
    void DeleteInBand(long lane, const char *caption);
    void ChordsChanged(long from);
    void DrawDragged();
    const char *LaneName(char *text);
    void SetHoverStatus(long x, long y);
    long ShiftedRoot(long value, long rows) const;
    static int PointerShape(CAbstWindow *window, long time, SongPtrShape &shape);
};

} // namespace Quorvane
