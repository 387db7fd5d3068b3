// The parts list's regions: what lies under a point of the parts window's
// client area (x from the left, y from the top; W the name column's
// width), which tooltip it has, the areas that redraw together, and the
// texts of the level display.
#pragma once

#include <windows.h>

#include <string>

namespace Quorvane {

constexpr int kRowHeight = 26;
constexpr int kRowsTop = 28;
constexpr int kHeaderTop = 6;
// Measure cells of the ruler and of the drummer rows.
constexpr int kMeasureCells = 8;

enum class PartsRegion {
    None,
    PartGrid,     // index: the part
    DrummerRow,   // index: the element
    PresetColumn, // index: the element
    DockColumn,   // index: the element
    MuteColumn,   // index: the element
    MeasureRuler, // index: the measure 0..7
    MeasureCell,  // index: the measure; element 1 or 2
    OutputName,
    OutputChooser,
    OutputPreset,
    OutputDock,
    Channel,
    BankMethod,
    Bank,     // the in-place value editor
    BankList, // the bank field's last pixels: the list of names
    Program,
    LevelDrag,    // index: 0 volume, 1 panning, 2 tempo
    LevelDefault, // index as LevelDrag
    CopyResult,
    DragResult,
    Metronome,
    PlayStop,
    Loop,
    ResizeGrip,
};

struct PartsHit {
    PartsRegion region = PartsRegion::None;
    int index = 0;
    int element = 0;
    // 0..22; 0 is the empty text.
    int tooltip = 0;
};

PartsHit HitTestParts(int x, int y, int nameWidth);

// The control a mouse mode works (region and index as HitTestParts gives
// them), which the painter highlights while the mode lasts; empty for the
// regions that start no mode.
RECT PartsControlArea(PartsRegion region, int index, int nameWidth);

// The tooltip texts by index.
const char *PartsTooltipText(int index);
// Where a tooltip of that size shows for the cursor (screen points): just
// below it, or above it where the area's bottom would cut it, and moved
// into the area sideways.
RECT PlaceTooltip(POINT cursor, SIZE size, const RECT &area);

// The areas that redraw together, 0..10 (see the window's painting); the
// client's right and bottom edges close the open ones.
RECT PartsRedrawArea(int area, int nameWidth, const RECT &client);

// The x range [left, right) that a fill drummer's region covers in the
// measure area: its first and last tick placed at 26 pixels a measure,
// measured from the fill measure's start and length, and cut to the part's
// measures. Empty (left == right) when none of it lies in the part.
struct PixelSpan {
    long left = 0;
    long right = 0;
    bool empty() const { return right <= left; }
};
struct FillTimes {
    long measure = 0;      // the fill measure, 0-based
    long measureStart = 0; // its first tick
    long measureEnd = 0;   // its last tick
    long fillStart = 0;    // the fill's first tick
    long fillEnd = 0;      // the fill's last tick
};
PixelSpan FillRegionSpan(const FillTimes &times, int partLength, int nameWidth);

// The level display: the volume as "-inf" or "%.1f db", the panning (1.0
// the centre) as "C", "%i%% R" or "%i%% L".
std::string VolumeText(float volume);
std::string PanningText(float panning);

} // namespace Quorvane
