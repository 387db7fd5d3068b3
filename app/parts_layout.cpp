#include "app/parts_layout.h"

#include "data/levels.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace Quorvane {

namespace {

bool inside(int v, int from, int to)
{
    return v >= from && v < to;
}

PartsHit hit(PartsRegion region, int tooltip, int index = 0, int element = 0)
{
    return PartsHit{region, index, element, tooltip};
}

} // namespace

PartsHit HitTestParts(int x, int y, int W)
{
    const int rowsBottom = kRowsTop + 3 * kRowHeight; // 106
    const int outputBottom = rowsBottom + kRowHeight; // 132
    if (inside(y, kHeaderTop, kRowsTop)) {
        if (inside(x, W + 88, W + 92))
            return hit(PartsRegion::ResizeGrip, 1);
        if (inside(x, W + 168, W + 376))
            return hit(PartsRegion::MeasureRuler, 6, (x - W - 168) / kRowHeight);
        return {};
    }
    if (inside(y, kRowsTop, outputBottom) && inside(x, 6, 84))
        return hit(PartsRegion::PartGrid, 22, (x - 6) / kRowHeight + 3 * ((y - kRowsTop) / kRowHeight));
    if (inside(y, kRowsTop, rowsBottom)) {
        const int row = (y - kRowsTop) / kRowHeight;
        if (inside(x, 90, W + 90))
            return hit(PartsRegion::DrummerRow, 0, row);
        if (inside(x, W + 90, W + 116))
            return hit(PartsRegion::PresetColumn, 3, row);
        if (inside(x, W + 116, W + 142))
            return hit(PartsRegion::DockColumn, 4, row);
        if (inside(x, W + 142, W + 168))
            return hit(PartsRegion::MuteColumn, 5, row);
        if (inside(x, W + 168, W + 376) && row > 0)
            return hit(PartsRegion::MeasureCell, 6 + row, (x - W - 168) / kRowHeight, row);
        if (inside(x, W + 382, W + 512))
            return hit(PartsRegion::LevelDrag, 9 + row, row);
        if (inside(x, W + 512, W + 538))
            return hit(PartsRegion::LevelDefault, 12, row);
        return {};
    }
    if (inside(y, rowsBottom, outputBottom + 1)) {
        // The buttons reach one pixel lower than the output row.
        struct Button {
            int to;
            PartsRegion region;
            int tooltip;
        };
        static const Button buttons[] = {{408, PartsRegion::CopyResult, 13},
                                         {434, PartsRegion::DragResult, 14},
                                         {460, PartsRegion::Metronome, 15},
                                         {512, PartsRegion::PlayStop, 16},
                                         {538, PartsRegion::Loop, 17}};
        int from = W + 382;
        for (const Button &b : buttons) {
            if (inside(x, from, W + b.to))
                return hit(b.region, b.tooltip);
            from = W + b.to;
        }
        if (y == outputBottom)
            return {};
        if (inside(x, 90, W + 82))
            return hit(PartsRegion::OutputName, 0);
        if (inside(x, W + 82, W + 90))
            return hit(PartsRegion::OutputChooser, 2);
        if (inside(x, W + 90, W + 116))
            return hit(PartsRegion::OutputPreset, 3);
        if (inside(x, W + 116, W + 142))
            return hit(PartsRegion::OutputDock, 4);
        if (inside(x, W + 142, W + 194))
            return hit(PartsRegion::Channel, 18);
        if (inside(x, W + 194, W + 220))
            return hit(PartsRegion::BankMethod, 19);
        if (inside(x, W + 220, W + 290))
            return hit(PartsRegion::Bank, 20);
        if (inside(x, W + 290, W + 298))
            return hit(PartsRegion::BankList, 20);
        if (inside(x, W + 298, W + 376))
            return hit(PartsRegion::Program, 21);
    }
    return {};
}

RECT PartsControlArea(PartsRegion region, int index, int W)
{
    const LONG rowTop = kRowsTop + index * kRowHeight, rowBottom = rowTop + kRowHeight;
    const LONG outputTop = kRowsTop + 3 * kRowHeight, outputBottom = outputTop + kRowHeight;
    switch (region) {
    case PartsRegion::PresetColumn:
        return {W + 90, rowTop, W + 116, rowBottom};
    case PartsRegion::OutputChooser:
        return {W + 82, outputTop, W + 90, outputBottom};
    case PartsRegion::OutputPreset:
        return {W + 90, outputTop, W + 116, outputBottom};
    case PartsRegion::Channel:
        return {W + 142, outputTop, W + 194, outputBottom};
    case PartsRegion::BankMethod:
        return {W + 194, outputTop, W + 220, outputBottom};
    case PartsRegion::Bank:
    case PartsRegion::BankList:
        return {W + 220, outputTop, W + 298, outputBottom};
    case PartsRegion::Program:
        return {W + 298, outputTop, W + 376, outputBottom};
    case PartsRegion::LevelDrag:
        return {W + 382, rowTop, W + 512, rowBottom};
    case PartsRegion::LevelDefault:
        return {W + 512, rowTop, W + 538, rowBottom};
    case PartsRegion::ResizeGrip:
        return {W + 88, kHeaderTop, W + 92, kRowsTop};
    // The buttons reach one pixel lower than the output row.
    case PartsRegion::CopyResult:
        return {W + 382, outputTop, W + 408, outputBottom + 1};
    case PartsRegion::DragResult:
        return {W + 408, outputTop, W + 434, outputBottom + 1};
    default:
        return {0, 0, 0, 0};
    }
}

RECT PlaceTooltip(POINT cursor, SIZE size, const RECT &area)
{
    // Below the cursor's picture, or above its tip.
    constexpr LONG kBelow = 20, kAbove = 2;
    LONG top = cursor.y + kBelow;
    if (top + size.cy > area.bottom)
        top = cursor.y - kAbove - size.cy;
    top = std::max(area.top, std::min(top, area.bottom - size.cy));
    const LONG left = std::max(area.left, std::min(cursor.x, area.right - size.cx));
    return {left, top, left + size.cx, top + size.cy};
}

const char *PartsTooltipText(int index)
{
    static const char *const texts[] = {"",
                                        "Resize column",
                                        "Select out port",
                                        "Preset",
                                        "Dock",
                                        "Mute",
                                        "Set measures",
                                        "Set GV1 measure",
                                        "Set GV2 measure",
                                        "Volume",
                                        "Panning",
                                        "Tempo",
                                        "Default",
                                        "Copy result",
                                        "Begin drag",
                                        "Metronome",
                                        "Play/Stop",
                                        "Loop",
                                        "MIDI channel",
                                        "Bank select method",
                                        "Bank",
                                        "Program",
                                        "Select Part"};
    return index >= 0 && index < static_cast<int>(std::size(texts)) ? texts[index] : "";
}

RECT PartsRedrawArea(int area, int W, const RECT &client)
{
    const LONG right = client.right, bottom = client.bottom;
    switch (area) {
    case 1:
        return {W + 383, kHeaderTop, W + 536, kRowsTop};
    case 2:
        return {90, kRowsTop, W + 90, bottom};
    case 3:
        return {W + 168, kHeaderTop, W + 376, bottom};
    case 4:
        return {90, 106, W + 376, bottom};
    case 5:
        return {W + 90, kRowsTop, W + 116, bottom};
    case 6:
        return {W + 116, kRowsTop, W + 142, bottom};
    case 7:
        return {W + 142, kRowsTop, W + 376, bottom};
    case 8:
        return {W + 382, kRowsTop, W + 538, bottom};
    case 9:
        return {6, kRowsTop, 84, bottom};
    case 10:
        return {W + 382, 106, W + 538, bottom};
    default:
        return {0, kHeaderTop, right, bottom};
    }
}

PixelSpan FillRegionSpan(const FillTimes &t, int partLength, int nameWidth)
{
    const long measureTicks = t.measureEnd + 1 - t.measureStart;
    if (measureTicks <= 0 || t.fillEnd < t.fillStart)
        return {};
    const long areaLeft = nameWidth + 168L;
    const long areaRight = areaLeft + std::clamp(partLength, 0, kMeasureCells) * kRowHeight;
    const long measureLeft = areaLeft + t.measure * kRowHeight;
    // 64-bit products: a fill may lie far from its measure's start.
    const auto at = [&](long tick) {
        const long long offset = static_cast<long long>(tick - t.measureStart) * kRowHeight / measureTicks;
        return static_cast<long>(std::clamp<long long>(measureLeft + offset, areaLeft, areaRight));
    };
    PixelSpan span{at(t.fillStart), at(t.fillEnd + 1)};
    if (span.empty())
        return {};
    return span;
}

std::string VolumeText(float volume)
{
    if (volume <= 0.001f)
        return "-inf";
    char text[32];
    std::snprintf(text, sizeof(text), "%.1f db", DBFromVal(volume));
    return text;
}

std::string PanningText(float p)
{
    if (p == 1.0f)
        return "C";
    const bool right = p > 1.0f;
    const int percent = static_cast<int>((right ? p - 1.0f : 1.0f - p) * 100.0f + 0.5f);
    if (percent == 0)
        return "C";
    char text[32];
    std::snprintf(text, sizeof(text), right ? "%i%% R" : "%i%% L", percent);
    return text;
}

} // namespace Quorvane
