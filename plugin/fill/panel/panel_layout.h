// Where the fill editor's controls sit, in panel coordinates. Each control
// lies inside the region its tooltip answers for; the preferred size holds
// them all.
#pragma once

#include "plugin/fill/panel/looper_view_pane.h"
#include "plugin/fill/panel/panel_ids.h"
#include "plugin/fill/panel/track_view.h"
#include "plugin/framework/gui/geometry.h"

#include <algorithm>

namespace Quorvane::PanelLayout {

constexpr Rect kTitle{8, 19, 172, 14};
constexpr Rect kPatterns{4, 36, 177, 356};
constexpr Rect kTrackView{231, 37, TrackView::kWidth, TrackView::kHeight};
constexpr Rect kStatus{185, 372, 394, 18};
constexpr Rect kPlayFillInLabel{250, 2, 70, 14};
constexpr Rect kMeasureLabel{352, 2, 60, 14};
constexpr Rect kSwingLabel{262, 353, 40, 14};
constexpr Rect kQuantizeLabel{410, 353, 48, 14};

// The rows: looper 9 ("Crash") on top at y 87, looper 0 ("eXtra") at the
// bottom, 29 high.
constexpr int kRowsLeft = 185;
constexpr int kRowsTop = 87;

inline Rect rowRect(int looperIndex)
{
    const SIZE size = LooperViewPane::preferredSize(looperIndex);
    return {kRowsLeft, kRowsTop + (9 - looperIndex) * LooperViewPane::kHeight, size.cx, size.cy};
}

// The place of a control by its id.
inline Rect place(int id)
{
    switch (id) {
    case IDC_PADS:
        return {8, 3, 150, 13};
    case IDC_DRAG_OUT:
        return {465, 8, 112, 26};
    case IDC_MEASURE:
        return {323, 2, 26, 14};
    case IDC_TIME_LOCATORS:
        return {225, 19, 212, 11};
    case IDC_LOCK:
        return {206, 19, 15, 11};
    case IDC_MIXER:
        return {187, 41, 30, 23};
    case IDC_CONTROL_SELECTION:
        return {444, 71, 30, 14};
    case IDC_NOTE_NAMES:
        return {480, 71, 96, 14};
    case IDC_EDIT_MODE:
        return {185, 68, 36, 18};
    case IDC_GRID:
        return {412, 69, 26, 16};
    case IDC_XFORM:
        return {186, 299, 34, 18};
    case IDC_COMPARE:
        return {186, 323, 34, 18};
    case IDC_MAIN_DYNAMICS:
        return {444, 298, 133, 43};
    case IDC_ENVELOPE:
        return {229, 298, 206, 43};
    case IDC_SWING:
        return {306, 353, 54, 14};
    case IDC_SWING_DURATION:
        return {364, 352, 22, 15};
    case IDC_QUANTIZE:
        return {396, 354, 11, 11};
    case IDC_RESOLUTION:
        return {460, 352, 40, 15};
    case IDC_RESET:
        return {517, 349, 58, 18};
    case IDC_OPTIONS:
        return {474, 42, 47, 18};
    case IDC_HELP_BUTTON:
        return {525, 42, 47, 18};
    case IDC_SAVE_FILL:
        return {185, 349, 60, 20};
    default:
        return {};
    }
}

inline SIZE preferredSize()
{
    const int ids[] = {
        IDC_PADS,           IDC_DRAG_OUT,          IDC_MEASURE,       IDC_TIME_LOCATORS, IDC_LOCK,
        IDC_MIXER,          IDC_CONTROL_SELECTION, IDC_NOTE_NAMES,    IDC_EDIT_MODE,     IDC_GRID,
        IDC_XFORM,          IDC_COMPARE,           IDC_MAIN_DYNAMICS, IDC_ENVELOPE,      IDC_SWING,
        IDC_SWING_DURATION, IDC_QUANTIZE,          IDC_RESOLUTION,    IDC_RESET,         IDC_OPTIONS,
        IDC_HELP_BUTTON,    IDC_SAVE_FILL};
    int right = 0;
    int bottom = 0;
    const auto cover = [&right, &bottom](const Rect &r) {
        right = std::max(right, r.right());
        bottom = std::max(bottom, r.bottom());
    };
    for (int id : ids)
        cover(place(id));
    for (const Rect &r : {kTitle, kPatterns, kTrackView, kStatus})
        cover(r);
    for (int i = 0; i < 10; ++i)
        cover(rowRect(i));
    return {right + 2, bottom + 2};
}

} // namespace Quorvane::PanelLayout
