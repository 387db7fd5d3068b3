#include "gui/windows/note_box.h"

#include "gui/draw/gui_context.h"
#include "gui/draw/shared_objects.h"

namespace Quorvane {

void DrawNoteBox(CGUIContext *ctx, QUAD q, const RGBACOLOR *fill, long lit, long shade)
{
    if (q.right < q.left)
        q.right = q.left;
    const long w = q.right - q.left + 1;
    if (w < 2) {
        ctx->FillQuad(QUAD(q.left, q.top, q.left + 1, q.bottom + 1), fill);
        return;
    }
    if (w >= 3 && q.bottom - q.top >= 2)
        ctx->FillQuad(QUAD(q.left + 1, q.top + 1, q.right, q.bottom), fill);
    ctx->SelectPen(&sharedPen, lit);
    ctx->StartLine(q.left, q.bottom);
    ctx->ContinueLine(q.left, q.top);
    ctx->ContinueLine(q.right, q.top);
    ctx->SelectPen(&sharedPen, shade);
    ctx->StartLine(q.right, q.top);
    ctx->ContinueLine(q.right, q.bottom);
    ctx->ContinueLine(q.left, q.bottom);
}

} // namespace Quorvane
