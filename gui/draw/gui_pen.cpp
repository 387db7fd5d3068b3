#include "gui/draw/gdi_bitmaps.h"
#include "gui/draw/gui_tables.h"

namespace Quorvane {

int CGUIPen::Init(long n)
{
    Destroy();
    if (n < 0)
        return 0;
    if (n == 0)
        return 1;
    pens = gdi::allocSlots<HPEN>(n);
    if (!pens)
        return 0;
    count = n;
    return 1;
}

int CGUIPen::SetPen(long i, CGUIContext *, const RGBACOLOR *colour)
{
    if (!IsSlot(i))
        return 0;
    if (pens[i])
        DeleteObject(pens[i]);
    pens[i] = colour ? CreatePen(PS_SOLID, 1, colour->OSColor()) : nullptr;
    return pens[i] != nullptr;
}

void CGUIPen::Destroy()
{
    for (long i = 0; i < count; ++i) {
        if (pens[i])
            DeleteObject(pens[i]);
    }
    gdi::freeSlots(pens);
    count = 0;
}

} // namespace Quorvane
