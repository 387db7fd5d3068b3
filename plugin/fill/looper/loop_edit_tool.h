// One edit gesture on a looper's pattern in its event bar, from the press to
// the release: a click on an empty grid position inserts a beat, a drag on a
// beat changes its time or its velocity, a drag after an insertion paints
// further beats along the grid, and Ctrl-click or a double click erases.
//
// Coordinates are those of the bar's lane area: width W and height H, the
// lanes spread evenly from the top (the highest lane at y 0) to the bottom
// (lane 0). The tool reads the pattern under the looper's lock and edits it
// through the looper's own operations, which tell the engine outside that
// lock; an edit at a position of a pattern replaced meanwhile (a pad switch
// on the host's thread) does nothing.
#pragma once

#include "plugin/fill/looper/looper.h"
#include "plugin/framework/gui/event_bar.h"

#include <cstdint>

namespace Quorvane {

class LoopEditTool : public LooperEditor {
public:
    static constexpr int kHitReach = 6;    // pixels in x and in y
    static constexpr int kHitDistance = 7; // |dx| + |dy|
    static constexpr int kInsertVelocity = 100;

    LoopEditTool(Looper &looper, int width, int height, int gridDivisions);

    void press(unsigned state, int x, int y) override;
    void doubleClick(unsigned state, int x, int y) override;
    void drag(unsigned state, int x, int y) override;
    void release(unsigned state, int x, int y) override;

    // Whether a gesture can start: a lane area of some width, a loop of some
    // length, lanes, and with several lanes room for each (one lane needs no
    // height: every point of the area is on it).
    bool isUsable() const;
    // The loop time at x (pattern ticks).
    int32_t timeAt(int x) const;
    // The lane at y: the highest at the top, lane 0 at the bottom.
    int laneAt(int y) const;
    // The loop time at x moved to the nearest line of the edit grid.
    int32_t snap(int x) const;
    // Lines of the edit grid in the loop (whole bars times divisions).
    int gridCells() const { return cells_; }

private:
    enum class Handler { None, Erase, MoveExisting, MoveNew, Time, Velocity, Paint };
    using Position = CMidiTrack::EventList::const_iterator;

    void run(Handler handler, int x, int y);
    // The first beat within reach of (x, y), walking the lanes from the top;
    // it becomes current. False when there is none.
    bool hitTest(int x, int y);
    // The beat of the lane's note that plays at time t, if any.
    bool findAt(int lane, int32_t time, Position &found, uint32_t &generation) const;
    void insertAt(int32_t time, int lane);
    void takeCurrent(Position position, uint32_t generation);
    int laneHeight() const { return height_ / lanes_; }

    Looper &looper_;
    int32_t ticksPerQuarter_;
    int32_t length_;
    int width_;
    int height_;
    int lanes_;
    int cells_;
    int pressX_ = 0;
    int pressY_ = 0;
    bool hasCurrent_ = false;
    Position current_{};
    uint32_t generation_ = Looper::kAnyGeneration;
    int32_t takenTime_ = 0;
    int takenVelocity_ = 0;
    Handler handler_ = Handler::None;
};

} // namespace Quorvane
