#include "plugin/fill/looper/loop_edit_tool.h"

#include "base/arith.h"

#include <algorithm>
#include <cstdlib>

namespace Quorvane {

LoopEditTool::LoopEditTool(Looper &looper, int width, int height, int gridDivisions)
    : looper_(looper), width_(width), height_(height), lanes_(looper.laneCount())
{
    const Looper::LoopTiming timing = looper.loopTiming();
    ticksPerQuarter_ = looper.patternResolution();
    length_ = timing.length;
    const int32_t bars = ticksPerQuarter_ > 0 ? length_ / ticksPerQuarter_ / 4 : 0;
    cells_ = std::max(0, bars * std::max(gridDivisions, 0));
}

bool LoopEditTool::isUsable() const
{
    if (width_ < 1 || length_ < 1 || lanes_ < 1 || ticksPerQuarter_ < 1)
        return false;
    return lanes_ == 1 || laneHeight() >= 1;
}

int32_t LoopEditTool::timeAt(int x) const
{
    return mulDiv64(x, length_, width_);
}

int LoopEditTool::laneAt(int y) const
{
    const int last = lanes_ - 1;
    if (last < 1)
        return 0;
    if (y < 1)
        return last;
    const int h = laneHeight();
    int r = y / h;
    if (r >= last)
        return 0;
    if (2 * (y - r * h) > h)
        ++r;
    return last - r;
}

int32_t LoopEditTool::snap(int x) const
{
    const int32_t t = timeAt(x);
    if (cells_ < 1)
        return t;
    if (t <= 0)
        return 0;
    int32_t previous = 0;
    for (int i = 1; i < cells_; ++i) {
        const int32_t line = mulDiv64(i, length_, cells_);
        if (t < (line + 1 + previous) / 2)
            return previous;
        previous = line;
    }
    return previous;
}

void LoopEditTool::takeCurrent(Position position, uint32_t generation)
{
    hasCurrent_ = true;
    current_ = position;
    generation_ = generation;
    takenTime_ = position->time;
    takenVelocity_ = position->data2;
}

bool LoopEditTool::hitTest(int x, int y)
{
    const int h = lanes_ > 0 ? laneHeight() : 0;
    Looper::ScopedLock lock(looper_);
    const CMidiTrack::EventList &events = looper_.pattern().events();
    for (int lane = lanes_ - 1, laneY = 0; lane >= 0; --lane, laneY += h) {
        const int note = looper_.laneNote(lane);
        for (auto e = events.begin(); e != events.end(); ++e) {
            if (!e->isNote() || e->data1 != note)
                continue;
            const int32_t t = looper_.displayTime(e->time);
            if (t < 0 || t >= length_)
                continue;
            const int dx = std::abs(mulDiv64(t, width_, length_) - x);
            const int dy = std::abs(laneY - y);
            if (dx <= kHitReach && dy <= kHitReach && dx + dy <= kHitDistance) {
                takeCurrent(e, looper_.patternGeneration());
                return true;
            }
        }
    }
    return false;
}

bool LoopEditTool::findAt(int lane, int32_t time, Position &found, uint32_t &generation) const
{
    const int note = looper_.laneNote(lane);
    Looper::ScopedLock lock(looper_);
    const CMidiTrack::EventList &events = looper_.pattern().events();
    for (auto e = events.begin(); e != events.end(); ++e) {
        if (e->isNote() && e->data1 == note && looper_.displayTime(e->time) == time) {
            found = e;
            generation = looper_.patternGeneration();
            return true;
        }
    }
    return false;
}

void LoopEditTool::insertAt(int32_t time, int lane)
{
    const int note = looper_.laneNote(lane);
    if (note < 0)
        return;
    uint32_t generation = Looper::kAnyGeneration;
    const Position inserted = looper_.insertNote(time, note, kInsertVelocity, &generation);
    takeCurrent(inserted, generation);
}

void LoopEditTool::press(unsigned state, int x, int y)
{
    pressX_ = x;
    pressY_ = y;
    handler_ = Handler::None;
    hasCurrent_ = false;
    if (!isUsable())
        return;
    if (state & MK_CONTROL) {
        run(Handler::Erase, x, y);
        return;
    }
    if (hitTest(x, y)) {
        handler_ = Handler::MoveExisting;
        return;
    }
    if (cells_ < 1) {
        insertAt(timeAt(x), laneAt(y));
        handler_ = Handler::MoveExisting;
        return;
    }
    const int32_t t = snap(x);
    const int lane = laneAt(y);
    Position found;
    uint32_t generation = Looper::kAnyGeneration;
    if (findAt(lane, t, found, generation)) {
        takeCurrent(found, generation);
        handler_ = Handler::Paint;
    } else {
        insertAt(t, lane);
        handler_ = Handler::MoveNew;
    }
}

void LoopEditTool::doubleClick(unsigned, int x, int y)
{
    handler_ = Handler::None;
    if (!isUsable())
        return;
    run(Handler::Erase, x, y);
}

void LoopEditTool::drag(unsigned, int x, int y)
{
    if (handler_ != Handler::None)
        run(handler_, x, y);
}

void LoopEditTool::release(unsigned, int, int) {}

void LoopEditTool::run(Handler handler, int x, int y)
{
    handler_ = handler;
    switch (handler) {
    case Handler::None:
        break;
    case Handler::Erase:
        if (hitTest(x, y)) {
            looper_.deleteEvent(current_, generation_);
            hasCurrent_ = false;
        }
        break;
    case Handler::MoveExisting:
    case Handler::MoveNew: {
        const bool across = std::abs(y - pressY_) <= std::abs(x - pressX_);
        const Handler chosen = !across                            ? Handler::Velocity
                               : handler == Handler::MoveExisting ? Handler::Time
                                                                  : Handler::Paint;
        run(chosen, x, y);
        break;
    }
    case Handler::Time:
        if (hasCurrent_ && !looper_.moveEvent(current_, snap(std::clamp(x, 0, width_ - 1)), generation_))
            hasCurrent_ = false;
        break;
    case Handler::Velocity:
        if (hasCurrent_ && !looper_.setEventVelocity(current_, takenVelocity_ + pressY_ - y, generation_))
            hasCurrent_ = false;
        break;
    case Handler::Paint: {
        const int32_t t = snap(x);
        const int lane = laneAt(y);
        Position found;
        uint32_t generation = Looper::kAnyGeneration;
        if (!findAt(lane, t, found, generation))
            insertAt(t, lane);
        break;
    }
    }
}

} // namespace Quorvane
