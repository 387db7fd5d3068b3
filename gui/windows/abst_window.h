// The base of every song editor window. The host owns the real window: it
// binds an editor to a song, a liaison and its client (Init), forwards size,
// scroll, paint, mouse, keyboard and timer events to it, and carries out
// what the editor asks through the client. The base keeps the binding, the
// geometry, scrolling per axis, the zooms and the left band's width as
// windows of a kind share them, the song-pointer marker, pointer bounding
// and auto-scroll, the double-buffered paint, and the gestures the windows
// share: the rubber band and span, the time ruler's selection, the drawing
// stroke and the left band's resize (abst_window_gesture.cpp).
//
// Times are song ticks; x and y are window pixels. The data area is
// leftBand <= x < width - rightMargin, topBand <= y < height - bottomMargin.
#pragma once

#include "gui/draw/draw_types.h"
#include "gui/pannikel_api.h"

namespace Quorvane {

class CSong;
class CLiason;
class CGUIClient;
class CGUIContext;
class CGUIGradient;
class CTimeLine;
class CTrack;
struct DRAWCTRL;

// The largest tick: "to the end". Also the size OnSize takes to mean
// "recompute the scroll ranges only".
constexpr long kTimeMax = 0x7fffffff;

// The gesture states the base carries out alike in every window that has
// them: the time ruler's span setting the time selection, and a left band
// being resized. A window numbers its own gestures beside them.
enum : long { GESTURE_TIME_SELECTION = 1, GESTURE_BAND_RESIZE = 1000 };

class PANNIKEL_API CAbstWindow {
public:
    CAbstWindow();
    CAbstWindow(const CAbstWindow &) = default;
    CAbstWindow &operator=(const CAbstWindow &) = default;

    // The virtual operations in their order; the base behaviour is said
    // where it is not "nothing".
    virtual ~CAbstWindow();  // calls Destroy
    virtual int InitLocal(); // 1
    virtual void DestroyLocal();
    // A window recomputes its scroll ranges here (CalcScroll).
    virtual void Resize();
    virtual void Render(CGUIContext *ctx);
    // Shrinks the rectangle whose pixels move when scrolling along axis 0
    // (x) or 1 (y), for example to keep a header still; with bandsStay the
    // left band and the top band stay.
    virtual void ModifyScrollQuad(long axis, QUAD *quad);
    // Draws (on) or erases the window's own inverted cursor; the rubber
    // band of a gesture begun with StartFrame, StartSpan or StartFrameAt.
    virtual void ShowCursor(int on, CGUIContext *ctx);
    // The song-pointer marker; without a context one is taken from the
    // client.
    virtual void ShowSongPtr(int on, CGUIContext *ctx);
    // Never negative.
    virtual long GetTimeFromX(long x);
    // kTimeMax for kTimeMax and beyond.
    virtual long GetXFromTime(long time);
    virtual long GetValFromY(long y);     // 0
    virtual long GetYFromVal(long value); // 0
    // flag1 and flag2 are the host's two modifier-key flags.
    virtual void OnLButtonDown(long x, long y, int flag1, int flag2);
    virtual void OnLButtonDblClk(long x, long y, int flag1, int flag2); // as a press
    virtual void OnLButtonUp(long x, long y, int flag1, int flag2);
    virtual void OnMouseMove(long x, long y, int flag1, int flag2);
    virtual void OnMouseWheel(float delta, int vertical);
    virtual int OnKeyDown(long key, int flag1, int flag2); // 0: not handled
    virtual int OnChar(long character);                    // 0: not handled
    virtual void OnTimer();
    // Brings the song pointer into view.
    virtual void OnActivate();
    // Repaints the columns of a time range (to = kTimeMax: to the right
    // edge); full: all rows, else the data area's.
    virtual void UpdateTime(long from, long to, int full, int erase);
    virtual void UpdateChords(long time);
    // Moves the marker to the song pointer, and scrolls to it when asked.
    virtual void UpdateSongPtr(int ensureVisible);
    // Scrolls the time into the data area: to the left edge, or with page
    // unset only as far as needed when it lies to the right.
    virtual void EnsureVisibleTime(long time, int page);
    // Ticks per pixel, kept within zoomMin..zoomMax; the time at the left
    // edge stays in place, and the zoom at 960 ticks per quarter is kept
    // for the next window of the kind (ShareZoomHorz).
    virtual void SetZoomHorz(long zoom);
    // The row height the window zooms (ShareZoomVert) and its limits; 0
    // without one.
    virtual long GetZoomVert(long &min, long &max);
    virtual void SetZoomVert(long zoom);
    // The track or object the window edits: dataObject.
    virtual void *GetDataObject();

    // Binds and starts the window; 0 on failure (the window stays unused).
    int Init(CSong *song, CLiason *liason, CGUIClient *client);
    // Unregisters and unbinds; then DestroyLocal.
    void Destroy();
    // Paints the whole window double-buffered.
    void Draw(CGUIContext *ctx);
    // A new size; kTimeMax for both: recompute the scroll ranges only.
    void OnSize(long width, long height);
    // The host's scroll bar moved; axis 0 x, 1 y.
    void OnScroll(long axis, long pos);
    void ScrollToPosition(long x, long y);
    // Invalidates the rectangle (null: the whole window).
    void Update(QUAD *quad, int erase);
    long GetZoomHorz(long &min, long &max);
    long GetXScrollPos() const { return scrollPosX; }
    long GetYScrollPos() const { return scrollPosY; }
    CGUIClient *GetGUIClient() const { return client; }
    CSong *GetSong() const { return song; }

    // page = windowSize - fixedSize, max = contentSize - page; both 0 when
    // max < 1; pos is lowered to max.
    static void CalcScroll(long windowSize, long fixedSize, long contentSize, long &max, long &page,
                           long &pos);

    // Where the song-pointer marker of a time goes: a stem at x from stemEnd
    // to tip, closed by a triangle from tip to a base x - 4 .. x + 4 on
    // row edge; drawn clipped to clip. 0: nowhere.
    struct SongPtrShape {
        long x;
        long stemEnd;
        long tip;
        long edge;
        QUAD clip;
    };

    // Fields in their order.
    long snap = 1;
    long grid = 8;
    int initialised = 0;
    CSong *song = nullptr;
    CLiason *liason = nullptr;
    CGUIClient *client = nullptr;
    long width = 0;
    long height = 0;
    long scrollPosX = 0;
    long scrollPosY = 0;
    long scrollMaxX = 0;
    long scrollMaxY = 0;
    long scrollPageX = 0;
    long scrollPageY = 0;
    int scrollYByRedraw = 0;
    long zoom;
    long zoomMin = 1;
    long zoomMax = 64;
    long cursorType = -1;
    long dragState = 0;
    long dragX = 0;
    long dragY = 0;
    long songPtrTime = -1000;
    const RGBACOLOR *bkgndColour = nullptr;
    long leftBand = 0;
    long topBand = 0;
    long rightMargin = 0;
    long bottomMargin = 0;
    // Whether the marker drawn at songPtrTime outside a paint is on the
    // window, so that taking it away never draws a stray one.
    int songPtrOnWindow = 0;
    // Set while Draw paints.
    int painting = 0;
    // The rubber band of the gesture under way: x in content pixels, y in
    // content pixels when frameScrollsY, else the window's. Its moving
    // corner stays inside frameClip (window pixels); of a span only x moves.
    QUAD frame{0, 0, 0, 0};
    QUAD frameClip{0, 0, 0, 0};
    int frameScrollsY = 0;
    int frameSpan = 0;
    // What GetDataObject answers; the window sets it when it binds.
    void *dataObject = nullptr;
    // Whether scrolling moves the data area only (ModifyScrollQuad).
    int bandsStay = 0;
    // Where the zoom is kept between windows of a kind (ShareZoomHorz).
    long *zoomShared;
    // The row height the window zooms vertically: the window's field, where
    // it is kept between windows of the kind, and its limits (ShareZoomVert).
    struct RowZoom {
        long *height = nullptr;
        long *shared = nullptr;
        long min = 0;
        long max = 0;
    } rowZoom;
    // The left band's gradients and where its width is kept between windows
    // (SetLeftBand), and the time line of the ruler and strokes; null in a
    // window without them.
    CGUIGradient *bandGradients = nullptr;
    long *bandShared = nullptr;
    CTimeLine *timeRuler = nullptr;
    // The gesture the base carries out, while dragState is still the state
    // it began with: its kind, the stroke's tool and the span's track.
    long sharedState = 0;
    long sharedKind = 0;
    DRAWCTRL *strokeTool = nullptr;
    long spanTrackId = 0;

protected:
    enum : long { SHARED_NONE, SHARED_BAND_RESIZE, SHARED_FRAME, SHARED_TIME_SELECTION, SHARED_STROKE };

    // Auto-scroll while a gesture drags outside frame: scrolls by the
    // distance past its edge (on the allowed axes) and puts the pointer back
    // on the edge; 1 when x scrolled plus 2 when y did.
    long ScrollFrame(QUAD frame, long x, long y, int allowX, int allowY);
    // Keeps the pointer in area (null: the data area); 1 when it was moved.
    int BoundMouseInQuad(long x, long y, QUAD *area = nullptr);
    // area in content coordinates; outside the data area the view scrolls
    // towards the pointer instead.
    int BoundMouseInQuadAbs(long x, long y, QUAD area);
    void SetCursorType(long type);
    // A dotted inverted rubber band clipped to clip. Without a context one
    // is taken from the client; with done 0 it is returned still prepared
    // for the next call, else given back (result null).
    CGUIContext *DrawFrame(QUAD frame, QUAD clip, CGUIContext *ctx, int done);
    // The gesture under way ends: its cursor is taken away, the state
    // cleared and the mouse let go; a band resize repaints the window, a
    // stroke's tool stops. The state it was, 0 for none.
    long DropGesture();
    // The kind (SHARED_*) of the gesture under way when the base carries it
    // out, else SHARED_NONE.
    long SharedGesture() const;
    // The pointer moves in a gesture the base carries out: the left band's
    // edge follows it, a rubber band or span follows it, a stroke draws on.
    // 1 when it was one. A window handles the gestures it moves its own way
    // before it calls this.
    int MoveSharedGesture(long x, long y);
    // The release of a band resize (the window repaints) or of the time
    // ruler's span (ReleaseSpan): the cursor taken away and the state
    // cleared, the mouse still captured. 1 when it was one.
    int ReleaseSharedGesture(int flag1);
    // The drawing tool's stroke starts at the pointer in the client's tool
    // mode, the mouse captured; 0 when the tool does not start.
    int StartStroke(long state, DRAWCTRL &tool, long x, long y);
    // Starts the gesture state with a rubber band at the pointer, its y
    // kept inside clip: the mouse is captured and the cursor shown (the
    // window's ShowCursor draws the band with ShowFrame). With scrollsY the
    // band follows the view's vertical scroll.
    void StartFrame(long state, long x, long y, QUAD clip, int scrollsY = 0);
    // The same for a span over clip's rows at x (the time ruler's, a beat
    // line).
    void StartSpan(long state, long x, QUAD clip);
    // The same for a band that starts as a rectangle in content pixels.
    void StartFrameAt(long state, QUAD start, QUAD clip, int scrollsY, int span = 0);
    // The band's moving corner follows the pointer, the cursor taken away
    // and shown again, scrolling the view past the clip's edges (vertically
    // only when the band follows that scroll); what ScrollFrame returns.
    long MoveFrame(long x, long y);
    QUAD FrameOnWindow() const;
    // Draws the band, or takes it away when drawn already (inverted).
    void ShowFrame();
    // The band's ticks (from its left column to past its right one) and
    // values (at its bottom and top rows).
    void FrameRange(long &from, long &to, long &low, long &high);
    // The track's events of the lane inside the band are selected (added to
    // the selection with flag1); the track's windows show the change.
    void SelectInFrame(CTrack *track, long lane, int flag1);
    // The stroke follows the pointer inside the data area; the status shows
    // the value and the time there.
    void MoveStroke(long x, long y);
    // The window's zoom starts from shared and SetZoomHorz keeps it there
    // (constructor).
    void ShareZoomHorz(long &shared);
    // The window's row height starts from shared within min..max, and
    // KeepZoomVert keeps it there (constructor).
    void ShareZoomVert(long &rowHeight, long &shared, long min, long max);
    // A new row height, kept within the limits, for this window and the
    // next of the kind; the height.
    long KeepZoomVert(long rowHeight);
    // The window's left band: its width, its gradients, and where a new
    // width is kept for the next window of the kind (null: nowhere).
    void SetLeftBand(CGUIGradient &gradients, long bandWidth, long *shared);
    // The left band's gradients, count of them, made for its width; 0 on
    // failure.
    int BuildLeftBand(long count);
    // The track the client's first key names when it is of the kind, else
    // null.
    CTrack *BoundTrack(long kind) const;
    // The left band's edge dragged to x, its gradients built for the new
    // width: the window is laid out and repainted, and the width kept.
    void DragLeftBand(long x);
    // A press on the left band's edge: the band is being resized, the mouse
    // captured and the window repainted.
    void StartBandResize();
    // Whether the left band is being resized (its corner shows it).
    int ResizingBand() const { return dragState == GESTURE_BAND_RESIZE; }
    // The pointer over the left band: on its edge the status and cursor
    // offer the resize, elsewhere they offer nothing.
    void HoverLeftBand(int edge);
    // The pointer over the left band (HoverLeftBand; onEdge: on its edge)
    // or over the time ruler, where the status offers to set the song
    // pointer at the time there; 1 when it was over either.
    int HoverBandOrRuler(long x, long y, int onEdge);
    // The cursor of the client's tool.
    long ToolCursor() const;
    // A wheel turn that moves the view by pixels along y (vertical) or x;
    // the client hears of it. Nothing for 0.
    void WheelScroll(long pixels, int vertical);
    // The pixels of one wheel step along x: half a quarter at the zoom, at
    // most a tenth of the width beside the left band, at least 1.
    long WheelStepX() const;
    // The song's ticks per quarter, at least 1.
    long TicksPerQuarter() const;
    // The song's length in ticks: its end or, when later, its play range's.
    long SongLength() const;
    // Moves the song pointer to time (the other windows follow when it
    // moved) and scrolls it into view.
    void MoveSongPointer(long time);
    // A press in the time ruler at x: the song pointer goes to the grid
    // time there, with flag1 the time selection is cleared, the measures
    // window selects the track, and the ruler's span starts there
    // (GESTURE_TIME_SELECTION).
    void PressRuler(long x, int flag1, long trackId);
    // The ruler's span released: the span between its ends, snapped to the
    // grid, becomes the time selection; equal ends clear it with flag1. The
    // measures window selects the span's track.
    void ReleaseSpan(int flag1);
    // The data area.
    QUAD DataQuad() const { return QUAD(leftBand, topBand, width - rightMargin, height - bottomMargin); }
    using SongPtrShapeFn = int (*)(CAbstWindow *window, long time, SongPtrShape &shape);
    // The marker drawn or taken away by inverting; without a context on one
    // of the client's. Drawn again at the same place it disappears.
    void ShowSongPtrShaped(int on, CGUIContext *ctx, SongPtrShapeFn shapeOf);
    // The client's context, viewport set and prepared; null when there is
    // none.
    CGUIContext *TakeContext();
    void GiveContext(CGUIContext *ctx);
};

} // namespace Quorvane
