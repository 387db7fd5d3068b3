#include "gui/windows/left_band.h"

#include "gui/draw/gui_context.h"
#include "gui/draw/gui_tables.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/gui_client.h"

#include <algorithm>

namespace Quorvane::left_band {

namespace {

constexpr long kMinWidth = 26;
constexpr long kMaxWidth = 200;

} // namespace

int Build(CGUIGradient &gradients, CGUIClient *client, long width)
{
    CGUIContext *ctx = client ? client->GUICLGetContext() : nullptr;
    if (!ctx)
        return 0;
    const int built = gradients.SetGradient(0, ctx, width - 1, &colLtGray, 40, 0) &&
                      gradients.SetGradient(1, ctx, width - 1, &colEdit, 40, 0);
    client->GUICLReleaseContext(ctx);
    return built;
}

long Drag(CGUIGradient &gradients, CGUIClient *client, long width, long &dragX, long x)
{
    const long wanted = std::clamp(width + x - dragX, kMinWidth, kMaxWidth);
    if (wanted == width)
        return width;
    if (!Build(gradients, client, wanted)) {
        Build(gradients, client, width);
        return width;
    }
    dragX += wanted - width;
    return wanted;
}

void DrawCorner(CGUIContext *ctx, CGUIGradient &gradients, long width, long bottom, int resizing)
{
    const QUAD corner(0, 0, width, bottom);
    if (!ctx->IsQuadInViewport(corner) || !ctx->SetDrawingQuad(QUAD(0, 0, width, bottom - 1)))
        return;
    ctx->DrawVertGradient(&gradients, resizing ? 1 : 0, 0, 0, bottom);
    ctx->SelectPen(&sharedPen, 1);
    ctx->DrawLine(width - 1, 0, width - 1, bottom);
    ctx->SelectPen(&sharedPen, 3);
    ctx->DrawLine(0, bottom - 3, width, bottom - 3);
    ctx->SelectPen(&sharedPen, 1);
    ctx->DrawLine(0, bottom - 2, width, bottom - 2);
    ctx->SelectPen(&sharedPen, 0);
    ctx->DrawLine(0, bottom - 1, width, bottom - 1);
    ctx->ResetDrawingQuad();
}

} // namespace Quorvane::left_band
