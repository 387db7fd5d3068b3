// A slice's notes as its event bar shows them: one row per note of the
// loop (the lowest at the bottom), each note a bar at its time whose height
// tells its velocity (a velocity at or below the display minimum leaves one
// pixel, 127 fills the row's cell), over subdivision and beat lines. The
// notes stand where they play (but for humanize) with their own velocity;
// the
// loop's time runs over the note area less 6 pixels at each end, where the
// play line runs too. Also the way back: a point to a time, a row, a
// velocity, and the note under it.
#pragma once

#include "plugin/framework/gui/bitmaps.h"
#include "plugin/framework/gui/geometry.h"
#include "plugin/slice/engine/vostrapellin.h"

#include <cstdint>
#include <vector>

namespace Quorvane {
class GraphicsContext;
}

namespace Quorvane::LoopSlice {

// The sound a slice plays by default: the three percussion layers' fixed
// notes, then cymbal, snare and kick.
int sliceSound(int sliceIndex);

class SliceNotes {
public:
    // The note bars' width and the margin the loop leaves at each end.
    static constexpr int kBarWidth = 3;
    static constexpr int kMargin = 6;
    static constexpr COLORREF kRowLine = 0x88AAA3;
    static constexpr COLORREF kSubdivisionLine = 0x96B4AC;
    static constexpr COLORREF kBeatLine = 0x6A958C;

    struct Drawn {
        int index;    // in the event list
        int row;      // 0 at the bottom
        int x;        // left edge of the bar
        int top;      // first pixel of the bar
        int velocity; // as drawn
    };

    SliceNotes(const Looper &looper, Vostrapellin &engine, const Rect &area);

    int rowCount() const { return static_cast<int>(rowNotes_.size()); }
    int rowNote(int row) const { return rowNotes_[static_cast<size_t>(row)]; }
    int cellHeight() const { return cellHeight_; }
    // The top of a row's cell.
    int rowTop(int row) const;
    // The row at y; -1 when none.
    int rowAt(int y) const;
    const std::vector<Drawn> &notes() const { return drawn_; }
    int64_t loopLength() const { return scale_.loopLength; }

    // The bar's top for a velocity in a cell: louder is taller.
    int barTop(int row, int velocity) const;
    // The x of a loop time (host ticks, 0 at the loop's start).
    int xOf(int64_t time) const;
    // The loop time at x, on the grid's nearest line when there is one
    // (grid divisions of a 4/4 measure).
    int64_t timeAt(int x, int grid) const;
    // The velocity of a point within a row's cell.
    int velocityAt(int y, int row) const;
    // The note drawn within 6 pixels of a point (both distances at most 6,
    // their sum below 8); -1 when none.
    int findNote(Point point) const;
    // A loop time as the track keeps it (ticks of the track, before the
    // slice's time offset).
    int32_t trackTime(int64_t time) const;
    // The note a slice adds where its loop has no row: the loop's lowest, or
    // the slice's own sound when the loop is empty.
    int fallbackNote() const;

    void paint(GraphicsContext &gc, int grid, Bitmap *bar, Bitmap *marker, bool rowLines) const;

private:
    const Looper &looper_;
    SliceContentPtr content_;
    Looper::Cursor scale_;
    Rect area_;
    int displayMinimum_;
    std::vector<int> rowNotes_;
    int cellHeight_ = 0;
    std::vector<Drawn> drawn_;
};

} // namespace Quorvane::LoopSlice
