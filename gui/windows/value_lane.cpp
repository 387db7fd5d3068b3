#include "gui/windows/value_lane.h"

#include "data/text_widths.h"
#include "gui/draw/gui_context.h"
#include "gui/draw/shared_objects.h"

#include <algorithm>
#include <cstdlib>

namespace Quorvane {

namespace {

constexpr unsigned long kAlignRightMiddle = 6;
constexpr long kLabelInset = 6;
constexpr long kTickLength = 5;

} // namespace

void ValueLane::SetWheel(long height)
{
    topValue = 8192;
    min = -8192;
    max = 8191;
    step = 2048;
    tolerance = 128;
    scale = height * 0.00006103515625;
    wheel = 1;
}

void ValueLane::SetByte(long height)
{
    topValue = 127;
    min = 0;
    max = 127;
    step = 16;
    tolerance = 1;
    scale = height / 127.0;
    wheel = 0;
}

void ValueLane::SetVelocity(long height)
{
    SetByte(height);
    min = 1;
    scale = height * 0.0078125;
}

long ValueLane::YFromVal(long value, long top) const
{
    return static_cast<long>((topValue - value) * scale + 0.5) + top;
}

long ValueLane::ValFromY(long y, long top) const
{
    const double unscaled = scale > 0 ? (y - top) / scale : 0.0;
    long value = static_cast<long>(topValue - unscaled + 0.5);
    const long rest = std::labs(value % step);
    if (rest <= tolerance || rest >= step - tolerance) {
        // The grid value nearest to it: beyond the value's grid step below
        // (toward zero) when the value lies nearer the next one.
        long grid = value / step * step;
        if (rest > tolerance)
            grid += value < 0 ? -step : step;
        if (std::labs(YFromVal(grid, top) - y) <= 1)
            value = grid;
    }
    return std::clamp(value, min, max);
}

int ValueLane::Marks(long height, long *values) const
{
    const long font = std::max(HeightD, 1L);
    if (height < 5 * font)
        return 0;
    const long count = height < 9 * font ? 1 : 3;
    if (wheel) {
        values[0] = 0;
        values[1] = 4096;
        values[2] = -4096;
    } else {
        values[0] = 64;
        values[1] = 32;
        values[2] = 96;
    }
    return static_cast<int>(count);
}

void ValueLane::DrawBand(CGUIContext *ctx, long band, long top, long bottom) const
{
    const long height = bottom - top;
    if (height <= 2 * HeightD)
        return;
    ctx->SelectFont(&sharedFont, 0);
    ctx->SelectFontColor(&colBlack);
    ctx->SelectPen(&sharedPen, 1);
    const long right = band - kLabelInset;
    ctx->DrawInt(QUAD(0, top, right, top + HeightD), kAlignRightMiddle, 0, max, "%i");
    ctx->DrawInt(QUAD(0, bottom - HeightD, right, bottom), kAlignRightMiddle, 0, min, "%i");
    long values[3];
    const int marks = Marks(height, values);
    for (int i = 0; i < marks; ++i) {
        const long y = YFromVal(values[i], top);
        ctx->DrawLine(band - kTickLength, y, band, y);
        ctx->DrawInt(QUAD(0, y - HeightD / 2, right, y + HeightD - HeightD / 2), kAlignRightMiddle, 0,
                     values[i], "%i");
    }
}

void ValueLane::DrawGrid(CGUIContext *ctx, long left, long right, long top, long bottom) const
{
    long values[3];
    const int marks = Marks(bottom - top, values);
    for (int i = 0; i < marks; ++i) {
        const long y = YFromVal(values[i], top);
        ctx->SelectPen(&sharedPen, i == 0 ? 1 : 3);
        ctx->DrawLine(left, y, right, y);
    }
}

} // namespace Quorvane
