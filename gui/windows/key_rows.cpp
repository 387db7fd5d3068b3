#include "gui/windows/key_rows.h"

#include "data/music_text.h"
#include "gui/draw/gui_context.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/abst_window.h"
#include "gui/windows/time_line.h"

#include <algorithm>

namespace Quorvane {

namespace {

// By note mod 12: 1 C and F, 2 a black key, 0 another white key.
constexpr int kKeyShape[12] = {1, 2, 0, 2, 0, 1, 2, 0, 2, 0, 2, 0};

} // namespace

KeyRows::KeyRows(long rowOrigin, long height, long top, long bottom)
    : origin(rowOrigin), rowH(std::max(height, 1L))
{
    first = std::clamp(127 - (bottom - 1 - origin) / rowH, 0L, 127L);
    last = std::clamp(127 - (top - origin) / rowH, 0L, 127L);
}

void KeyRows::DrawKeyboard(CGUIContext *ctx, long band) const
{
    const long middle = band / 2;
    ctx->SelectPen(&sharedPen, 1);
    for (long note = first; note <= last; ++note) {
        const long top = Top(note);
        switch (kKeyShape[note % 12]) {
        case 2:
            ctx->FillQuad(QUAD(0, top, middle, top + rowH), &colBlack);
            ctx->DrawLine(middle, top + rowH / 2, band, top + rowH / 2);
            break;
        case 1:
            ctx->DrawLine(0, top + rowH - 1, band, top + rowH - 1);
            break;
        default:
            break;
        }
    }
}

void KeyRows::DrawShading(CGUIContext *ctx, CAbstWindow *window, CTimeLine &timeLine, QUAD data, int byKSign,
                          const RGBACOLOR *strong, const RGBACOLOR *weak, int underF) const
{
    QUAD visible = data;
    if (!ctx->QuadToViewport(visible))
        return;
    // spans of one key signature, or the whole width
    long left = visible.left;
    long time = window->GetTimeFromX(left);
    while (left < visible.right) {
        long next = kTimeMax;
        const long key = byKSign ? timeLine.GetKSign(time, next) : 0;
        const long right =
            next >= kTimeMax ? visible.right : std::clamp(window->GetXFromTime(next), left, visible.right);
        for (long note = first; note <= last; ++note) {
            const RGBACOLOR *shade = nullptr;
            if (byKSign) {
                const long stage = GetStageByNote(note % 12, key);
                if (stage >= 0)
                    shade = stage == 0 || stage == 3 || stage == 4 ? strong : weak;
            } else if (kKeyShape[note % 12] == 2) {
                shade = weak;
            }
            if (shade)
                ctx->FillQuad(QUAD(left, Top(note), right, Top(note) + rowH), shade);
        }
        if (next >= kTimeMax || right <= left)
            break;
        left = right;
        time = next;
    }
    ctx->SelectPen(&sharedPen, 1);
    for (long note = first; note <= last; ++note)
        if (note % 12 == 0 || (underF && note % 12 == 5))
            ctx->DrawLine(data.left, Top(note) + rowH - 1, data.right, Top(note) + rowH - 1);
}

} // namespace Quorvane
