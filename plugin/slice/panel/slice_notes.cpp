#include "plugin/slice/panel/slice_notes.h"

#include "plugin/framework/gui/graphics_context.h"
#include "plugin/framework/midi/tick_math.h"

#include <algorithm>
#include <cstdlib>
#include <map>

namespace Quorvane::LoopSlice {

namespace {

int64_t floorMod(int64_t value, int64_t by)
{
    return (value % by + by) % by;
}

constexpr int kSliceSounds[kSliceCount] = {67, 73, 61, 42, 38, 36};

} // namespace

int sliceSound(int sliceIndex)
{
    return sliceIndex >= 0 && sliceIndex < kSliceCount ? kSliceSounds[sliceIndex] : 36;
}

SliceNotes::SliceNotes(const Looper &looper, Vostrapellin &engine, const Rect &area)
    : looper_(looper), content_(looper.content()), area_(area), displayMinimum_(engine.displayMinVelocity())
{
    scale_ = looper.scaleOf(*content_, engine);
    for (const CMidiTrack::Event &event : content_->events())
        if (event.isNote() && std::find(rowNotes_.begin(), rowNotes_.end(), event.data1) == rowNotes_.end())
            rowNotes_.push_back(event.data1);
    std::sort(rowNotes_.begin(), rowNotes_.end());
    if (rowNotes_.empty())
        return;
    cellHeight_ = area_.height / rowCount();
    int index = 0;
    for (const CMidiTrack::Event &event : content_->events()) {
        if (event.isNote()) {
            const CMidiTrack::Event shown = looper.transformed(
                event, *content_, scale_, 0, Looper::ExcludeMapping | Looper::ExcludeHumanize, nullptr);
            const int row = static_cast<int>(std::find(rowNotes_.begin(), rowNotes_.end(), event.data1) -
                                             rowNotes_.begin());
            const int x = xOf(floorMod(shown.time, scale_.loopLength));
            // The height tells the note's own velocity, the one the mouse
            // edits.
            drawn_.push_back({index, row, x, barTop(row, event.data2), event.data2});
        }
        ++index;
    }
}

int SliceNotes::rowTop(int row) const
{
    return area_.bottom() - (row + 1) * cellHeight_;
}

int SliceNotes::rowAt(int y) const
{
    if (cellHeight_ <= 0 || y >= area_.bottom())
        return -1;
    const int row = (area_.bottom() - 1 - y) / cellHeight_;
    return row < rowCount() ? row : -1;
}

int SliceNotes::barTop(int row, int velocity) const
{
    const int top = rowTop(row);
    const int bottom = top + cellHeight_ - 1;
    if (velocity <= displayMinimum_)
        return bottom;
    const int range = std::max(1, 127 - displayMinimum_);
    return std::clamp(top + (cellHeight_ - 1) * (127 - velocity) / range, top, bottom);
}

int SliceNotes::xOf(int64_t time) const
{
    const int64_t span = std::max(0, area_.width - 2 * kMargin);
    return area_.x + kMargin + static_cast<int>(time * span / std::max<int64_t>(1, scale_.loopLength));
}

int64_t SliceNotes::timeAt(int x, int grid) const
{
    const int64_t span = area_.width - 2 * kMargin;
    const int64_t length = std::max<int64_t>(1, scale_.loopLength);
    if (span <= 0)
        return 0;
    int64_t time = std::clamp<int64_t>((x - area_.x - kMargin) * length / span, 0, length - 1);
    if (grid > 0) {
        const int64_t step = std::max<int64_t>(1, 4 * int64_t{scale_.hostRate} / grid);
        time = std::min((time + step / 2) / step * step, (length - 1) / step * step);
    }
    return time;
}

int SliceNotes::velocityAt(int y, int row) const
{
    const int into = y - rowTop(row);
    const int range = 127 - displayMinimum_;
    return std::clamp(127 - into * range / std::max(1, cellHeight_ - 1), 1, 127);
}

int SliceNotes::findNote(Point point) const
{
    int found = -1;
    int nearest = 8;
    for (const Drawn &note : drawn_) {
        const int bottom = rowTop(note.row) + cellHeight_ - 1;
        const int dx = point.x < note.x ? note.x - point.x : std::max(0, point.x - (note.x + kBarWidth - 1));
        const int dy = point.y < note.top ? note.top - point.y : std::max(0, point.y - bottom);
        if (dx <= 6 && dy <= 6 && dx + dy < nearest) {
            nearest = dx + dy;
            found = note.index;
        }
    }
    return found;
}

int32_t SliceNotes::trackTime(int64_t time) const
{
    const int64_t raw = floorMod(time - scale_.offsetTicks, std::max<int64_t>(1, scale_.loopLength));
    return clampToInt32(convertTicks(clampToInt32(raw), scale_.hostRate, scale_.trackRate));
}

int SliceNotes::fallbackNote() const
{
    return rowNotes_.empty() ? sliceSound(looper_.index()) : rowNotes_.front();
}

void SliceNotes::paint(GraphicsContext &gc, int grid, Bitmap *bar, Bitmap *marker, bool rowLines) const
{
    const int64_t length = std::max<int64_t>(1, scale_.loopLength);
    const int64_t quarter = std::max(1, scale_.hostRate);
    const int64_t subdivision = std::max<int64_t>(1, 4 * quarter / (grid > 0 ? grid : 16));
    const auto lines = [&](int64_t step, COLORREF colour) {
        if (length / step > area_.width)
            return; // closer than the pixels
        for (int64_t time = step; time < length; time += step) {
            const int x = xOf(time);
            gc.drawLineInColor({x, area_.y}, {x, area_.bottom() - 1}, colour);
        }
    };
    lines(subdivision, kSubdivisionLine);
    lines(quarter, kBeatLine);
    if (rowLines && rowCount() >= 2)
        for (int row = 1; row < rowCount(); ++row)
            gc.drawLineInColor({area_.x, rowTop(row - 1)}, {area_.right() - 1, rowTop(row - 1)}, kRowLine);

    // Notes that meet at one place draw once, the loudest, with a marker.
    std::map<std::pair<int, int>, std::pair<const Drawn *, int>> places;
    for (const Drawn &note : drawn_) {
        auto &[loudest, count] = places[{note.row, note.x}];
        if (!loudest || note.velocity > loudest->velocity)
            loudest = &note;
        ++count;
    }
    for (const auto &[place, shown] : places) {
        const Drawn &note = *shown.first;
        const int height = rowTop(note.row) + cellHeight_ - note.top;
        if (bar)
            gc.drawBitmapPart({note.x, note.top}, {0, 0, kBarWidth, height}, bar);
        if (marker && shown.second > 1)
            gc.drawBitmapPart({note.x - 1, rowTop(note.row)}, {0, 0, marker->width(), marker->height()},
                              marker);
    }
}

} // namespace Quorvane::LoopSlice
