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

} // namespace Quorvane::left_band
