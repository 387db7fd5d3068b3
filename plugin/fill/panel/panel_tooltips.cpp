// The panel's tooltips: fixed regions of its client area name the control
// under the pointer, and the control's help text gives the tooltip's title
// and the status line's description.
#include "plugin/fill/panel/grindelvosket_panel.h"

#include "plugin/fill/panel/panel_ids.h"
#include "plugin/framework/plugin/com_object.h"

#include <cstring>
#include <string>

namespace Quorvane {

namespace {

struct ToolRegion {
    Rect area;
    int id;
};

// Tested in this order; the first match wins.
constexpr ToolRegion kRegions[] = {
    {{8, 3, 150, 13}, IDC_PADS},
    {{465, 8, 112, 26}, IDC_DRAG_OUT},
    {{323, 2, 26, 14}, IDC_MEASURE},
    {{225, 19, 212, 11}, IDC_TIME_LOCATORS},
    {{206, 19, 15, 11}, IDC_LOCK},
    {{232, 38, 199, 20}, IDC_TRACK_MASKING},
    {{187, 41, 30, 23}, IDC_MIXER},
    {{444, 71, 30, 14}, IDC_CONTROL_SELECTION},
    {{480, 71, 96, 14}, IDC_NOTE_NAMES},
    {{185, 68, 36, 18}, IDC_EDIT_MODE},
    {{412, 69, 26, 16}, IDC_GRID},
    {{186, 299, 34, 18}, IDC_XFORM},
    {{186, 323, 34, 18}, IDC_COMPARE},
    {{444, 298, 133, 43}, IDC_MAIN_DYNAMICS},
    {{229, 298, 206, 43}, IDC_ENVELOPE},
    {{306, 353, 54, 14}, IDC_SWING},
    {{364, 352, 22, 15}, IDC_SWING_DURATION},
    {{396, 354, 11, 11}, IDC_QUANTIZE},
    {{460, 352, 315, 41}, IDC_RESOLUTION},
    {{517, 349, 58, 18}, IDC_RESET},
    {{474, 42, 47, 18}, IDC_OPTIONS},
    {{525, 42, 47, 18}, IDC_HELP_BUTTON},
    {{185, 349, 60, 20}, IDC_SAVE_FILL},
};

// The rows' names, top row first.
const char *const kRowNames[] = {"Crash",   "Tom 4",    "Tom 3", "Tom 2", "Tom 1",
                                 "Open HH", "Close HH", "Snare", "Kick",  "eXtra"};

} // namespace

int GrindelvosketPanel::toolHitTest(int x, int y)
{
    lastToolPoint_ = {x, y};
    for (const ToolRegion &region : kRegions)
        if (region.area.contains(x, y))
            return region.id;
    const auto parameterId = [this]() {
        std::string shown;
        controlSelection_.getText(shown);
        if (shown == "Velo")
            return IDS_PARAMETER_VELO;
        if (shown == "Dyn")
            return IDS_PARAMETER_DYN;
        if (shown == "Time")
            return IDS_PARAMETER_TIME;
        return 0;
    };
    for (int i = 0; i < kRows; ++i) {
        // The extra drums' row is 29 high: its controls sit 5 lower.
        const bool extra = i == kRows - 1;
        const int rowY = extra ? 266 : 90 + 19 * i;
        if (Rect{186, rowY - 3, 21, 19}.contains(x, y)) {
            std::strncpy(toolTitle_, kRowNames[i], sizeof toolTitle_ - 1);
            return extra ? IDC_EXTRA_DRUMS : IDC_INSTRUMENT;
        }
        if (Rect{214, rowY, 5, 13}.contains(x, y))
            return IDC_MUTE;
        if ((extra ? Rect{225, 258, 214, 35} : Rect{225, rowY - 3, 214, 19}).contains(x, y))
            return IDC_EVENT_BAR;
        if (Rect{444, rowY, 30, 15}.contains(x, y))
            return parameterId();
        if (Rect{480, rowY, 96, 15}.contains(x, y))
            return IDC_NOTE_COMBO;
    }
    return 0;
}

LRESULT GrindelvosketPanel::toolText(NMTTDISPINFOA *info)
{
    int id = static_cast<int>(info->hdr.idFrom);
    if (info->uFlags & TTF_IDISHWND) {
        const int control = GetDlgCtrlID(reinterpret_cast<HWND>(info->hdr.idFrom));
        id = control != 0 ? control : static_cast<int>(info->lParam);
    }
    if (id == 0)
        return 0;
    if (id >= IDC_PADS && id <= IDC_PADS_LAST)
        id = IDC_PADS;
    std::string title;
    std::string status;
    if (id == IDC_TRACK_MASKING && trackView_ &&
        trackView_->toolTip(
            {lastToolPoint_.x - trackView_->bounds().x, lastToolPoint_.y - trackView_->bounds().y}, title,
            status)) {
        // The zone's state tells what the strip does there.
    } else {
        char text[257] = {};
        LoadStringA(com::thisModule(), static_cast<UINT>(id), text, 256);
        const std::string help = text;
        const size_t split = help.find('\n');
        title = help.substr(0, split);
        status = split == std::string::npos ? std::string() : help.substr(split + 1);
    }
    setStatusText(status.c_str());
    if (id != IDC_INSTRUMENT && id != IDC_EXTRA_DRUMS) {
        std::strncpy(toolTitle_, title.c_str(), sizeof toolTitle_ - 1);
        toolTitle_[sizeof toolTitle_ - 1] = '\0';
    }
    info->lpszText = toolTitle_;
    return 1;
}

} // namespace Quorvane
