// The strip of a looper view that shows one looper's pattern: the loop with
// its bar and beat grid, the part that plays, the events as small pictures
// whose cell shows the velocity (one lane per note), and a moving play
// cursor. In edit mode it hands mouse gestures to the looper's editor.
//
// The bar knows its looper only through EventBarLooper, declared here, so
// the toolkit stays free of any drummer.
#pragma once

#include "plugin/framework/gui/bitmaps.h"
#include "plugin/framework/gui/control.h"

#include <cstdint>
#include <memory>

namespace Quorvane {

// The editor of one gesture on a looper's pattern, from the press in the
// lane area to the release. state: the mouse's MK_ bits, with MK_CONTROL
// while Ctrl is held; x, y: in the lane area (release: in the bar).
class LooperEditor {
public:
    virtual ~LooperEditor() = default;
    virtual void press(unsigned state, int x, int y) = 0;
    virtual void doubleClick(unsigned state, int x, int y) = 0;
    virtual void drag(unsigned state, int x, int y) = 0;
    virtual void release(unsigned state, int x, int y) = 0;
};

// The strip of event images: square cells (side = image height / 3) in a
// row per kind, the loudest value in the first column.
class EventPicture : public Picture {
public:
    void bitmapsChanged() override;
    int cellCount() const { return cellCount_; }
    // The column for a value between min and max: 0 for the loudest.
    int frameForValue(int value, int min, int max) const;

private:
    int cellCount_ = 0;
};

// Where the lanes of a bar lie: lane i at y(i), a loop position p at x(p).
struct LaneLayout {
    int lanes = 0;
    int top = 0;
    int step = 0;
    int x0 = 0;
    int x1 = 0;
    int32_t length = 0;

    int y(int lane) const { return top + lane * step; }
    int x(int32_t position) const;
};

class EventBarLooper {
public:
    struct Timing {
        int32_t length;      // of the loop, in the looper's ticks
        int32_t startOffset; // where the playing part starts
        int32_t endOffset;   // and ends
        int32_t ticksPerQuarter;
    };

    virtual int laneCount() const = 0;
    virtual Timing barTiming() const = 0;
    virtual bool isMuted() const = 0;
    // Paints the events into the lanes, each with the picture's cell of its
    // velocity.
    virtual void paintEvents(GraphicsContext &gc, const LaneLayout &layout, const EventPicture &picture) = 0;
    // An editor for a lane area of width x height pixels and a grid of
    // gridDivisions per bar (0: none).
    virtual std::unique_ptr<LooperEditor> createEditTool(int width, int height, int gridDivisions) = 0;

protected:
    ~EventBarLooper() = default;
};

// The looper view that holds a bar; a highlighted view tints its bar.
class EventBarOwner : public Pane {
public:
    virtual bool isHighlighted() const = 0;
};

class EventBar : public Control {
public:
    static constexpr COLORREF kColours[8] = {0x91C8BB, 0xA5D1C8, 0x9CE4D4, 0xBCEDE2,
                                             0x90C8C8, 0x9ACCCC, 0xB4F0F0, 0xCAF4F4};
    static constexpr COLORREF kGridColour = 0x9BB9AF;
    static constexpr COLORREF kBeatColour = 0x7C948C;
    static constexpr COLORREF kOffsetColour = 0x0000FF;

    EventBar();
    ~EventBar() override;

    bool create(const RECT &rect, EventBarOwner *owner, int id);
    void setLooper(EventBarLooper *looper);
    EventBarLooper *looper() const { return looper_; }
    EventPicture &picture() { return picture_; }
    // Edit mode; repaints when it changed.
    void setFlagAndRepaint(bool editMode);
    bool isEditMode() const { return editMode_; }
    // Grid divisions per bar of the edit grid (0: none).
    void setDisplayValue(int divisions);
    // Moves the play cursor to time of a loop of length (drawn at once,
    // XOR); a small step forward moves one pixel at a time.
    void locateTime(int32_t time, int32_t length, bool show);
    int cursorX() const { return cursorX_; }
    bool isCursorHidden() const { return cursorHidden_; }

    Rect innerRect() const;
    // The lanes of the current looper; lanes 0 when there is no room.
    LaneLayout laneLayout() const;
    // Turns a bar point into a point of the lane area and gives the area's
    // size; false outside the bar (with clamp), without lanes or room.
    bool locate(Point &point, Point &size, bool clamp) const;
    LooperEditor *editTool() const { return editTool_.get(); }

    void paintSelf(GraphicsContext &gc) override;
    void mousePressed(MouseEvent &e) override;
    void mouseReleased(MouseEvent &e) override;
    void mouseDragged(MouseEvent &e) override;

protected:
    // Drags the pattern out; true when a drag ran. Here nothing is offered.
    virtual bool startDragOut();

private:
    enum Gesture : unsigned { Pressed = 1, Dragging = 2 };

    void paintContent(GraphicsContext &gc);
    void drawCursor(GraphicsContext &gc);
    static unsigned editorState(const MouseEvent &e);

    EventBarLooper *looper_ = nullptr;
    EventBarOwner *owner_ = nullptr;
    EventPicture picture_;
    Point press_;
    int cursorX_ = -1;
    bool cursorHidden_ = false;
    bool editMode_ = false;
    int gridDivisions_ = 0;
    unsigned gesture_ = 0;
    std::unique_ptr<LooperEditor> editTool_;
};

} // namespace Quorvane
