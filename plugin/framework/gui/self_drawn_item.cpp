#include "plugin/framework/gui/self_drawn_item.h"

#include "plugin/framework/gui/graphics_context.h"

namespace Quorvane {

SelfDrawnItem *selfDrawnItemOf(const DRAWITEMSTRUCT &item)
{
    if (item.CtlType == ODT_BUTTON || item.CtlType == ODT_STATIC)
        return reinterpret_cast<SelfDrawnItem *>(GetWindowLongPtrA(item.hwndItem, GWLP_USERDATA));
    return reinterpret_cast<SelfDrawnItem *>(item.itemData);
}

void drawSelfDrawnItem(SelfDrawnItem &object, const DRAWITEMSTRUCT &item)
{
    // The item's own area is the clip while it draws; the DC may carry an
    // origin of its own (a printed dialog), so the clip is set in its
    // logical coordinates and the DC's state comes back afterwards.
    const int saved = SaveDC(item.hDC);
    {
        GraphicsContext gc(item.hDC);
        const Rect rect = Rect::fromRECT(item.rcItem);
        gc.intersectClipRect(rect);
        object.draw(gc, rect, item.itemState);
    }
    RestoreDC(item.hDC, saved);
}

} // namespace Quorvane
