// Context help: which control lies at a point, and its help texts (a string
// resource of the control's id: the tooltip, a line feed, the status text).
#include "plugin/slice/panel/vostrapellin_panel.h"

#include "plugin/framework/plugin/com_object.h"

namespace Quorvane::LoopSlice {

namespace {

struct Place {
    int id;
    Rect rect;
};

// In the order they are tested; the first that holds the point wins.
const Place kGlobalPlaces[] = {
    {ID_MODE, {6, 6, 60, 20}},
    {ID_SMALL, {69, 8, 16, 16}},
    {ID_MEDIUM, {87, 8, 16, 16}},
    {ID_LARGE, {105, 8, 16, 16}},
    {ID_PAD_FIRST, {126, 2, 75, 26}},
    {ID_DRAG_OUT, {435, 6, 98, 20}},
    {ID_PARAMETER_CHOOSER, {398, 35, 32, 15}},
    {ID_NOTE_NAMES, {434, 35, 102, 15}},
    {ID_COMPOSE_ALL, {21, 259, 27, 51}},
    {ID_DYNAMICS, {63, 259, 124, 51}},
    {ID_HUMANIZE, {261, 255, 22, 59}},
    {ID_HUMANIZE, {197, 295, 64, 19}},
    {ID_SWING, {289, 255, 22, 59}},
    {ID_SWING, {311, 295, 64, 19}},
    {ID_QUANTIZE, {317, 255, 58, 34}},
    {ID_RESET, {384, 255, 58, 18}},
    {ID_OPTIONS, {384, 275, 58, 18}},
    {ID_HELP, {384, 295, 58, 18}},
    {ID_EDIT, {180, 35, 32, 15}},
    {ID_GRID, {362, 35, 32, 15}},
};

// A row's controls, relative to the row's y0 = 61 + 33 i; the parameter
// edit (id 0 here) takes the id of what it shows.
const Place kRowPlaces[] = {
    {ID_MUTE, {5, -2, 5, 17}},
    {ID_IDRC, {27, 0, 7, 12}},
    {ID_COMPOSE, {37, 0, 11, 14}},
    {ID_PART, {59, -7, 37, 27}},
    {ID_STROKES_MAX, {99, -7, 19, 12}},
    {ID_STROKES_MIN, {99, 8, 19, 12}},
    {ID_PREVIOUS_PATTERN, {124, 1, 6, 11}},
    {ID_PATTERN, {134, -3, 30, 19}},
    {ID_NEXT_PATTERN, {168, 8, 6, 11}},
    {ID_STROKES_VIEW, {181, -7, 212, 27}},
    {0, {399, -3, 30, 18}},
    {ID_NOTE_NAME, {435, -3, 100, 18}},
};

} // namespace

int VostrapellinPanel::helpIdAt(int x, int y) const
{
    for (const Place &place : kGlobalPlaces)
        if (place.rect.contains(x, y))
            return place.id;
    for (int row = 0; row < kSlices; ++row) {
        const int y0 = 61 + 33 * row;
        for (const Place &place : kRowPlaces) {
            if (!Rect{place.rect.x, y0 + place.rect.y, place.rect.width, place.rect.height}.contains(x, y))
                continue;
            if (place.id != 0)
                return place.id;
            return views_[static_cast<size_t>(row)] ? views_[static_cast<size_t>(row)]->parameterHelpId() : 0;
        }
    }
    return 0;
}

bool VostrapellinPanel::helpRequest(int id, std::string &tooltip)
{
    if (id <= 0)
        return false;
    if (id >= ID_PAD_FIRST && id <= ID_PAD_LAST)
        id = ID_PAD_FIRST;
    char text[257] = {};
    if (LoadStringA(com::thisModule(), static_cast<UINT>(id), text, sizeof text) <= 0)
        return false;
    const std::string help = text;
    const size_t feed = help.find('\n');
    tooltip = help.substr(0, feed);
    setStatusText(feed == std::string::npos ? "" : help.substr(feed + 1).c_str());
    return true;
}

int VostrapellinPanel::toolHitTest(int x, int y)
{
    return helpIdAt(x, y);
}

LRESULT VostrapellinPanel::toolText(NMTTDISPINFOA *info)
{
    if (!helpRequest(toolTipId(), helpText_))
        return 0;
    info->lpszText = helpText_.data();
    return 0;
}

} // namespace Quorvane::LoopSlice
