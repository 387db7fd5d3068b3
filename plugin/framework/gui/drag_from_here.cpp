#include "plugin/framework/gui/drag_from_here.h"

#include "plugin/framework/gui/graphics_context.h"

#include <cstdlib>

namespace Quorvane {

bool DragFromHere::create(const RECT &rect, Pane *parent, const std::string &caption)
{
    caption_ = caption;
    setBounds(parent, Rect::fromRECT(rect));
    return true;
}

void DragFromHere::setFont(Font *font, bool repaintNow)
{
    font_ = RefPtr<Font>(font);
    if (repaintNow)
        repaint();
}

void DragFromHere::setColor(COLORREF colour, bool repaintNow)
{
    colour_ = colour;
    if (repaintNow)
        repaint();
}

void DragFromHere::mousePressed(MouseEvent &e)
{
    if (e.button != 1)
        return;
    armed_ = true;
    press_ = {e.x, e.y};
}

void DragFromHere::mouseReleased(MouseEvent &e)
{
    if (e.button == 1)
        armed_ = false;
}

void DragFromHere::followPointer(const MouseEvent &e)
{
    if (!armed_)
        return;
    if (std::abs(e.x - press_.x) > GetSystemMetrics(SM_CXDRAG) ||
        std::abs(e.y - press_.y) > GetSystemMetrics(SM_CYDRAG)) {
        armed_ = false;
        invokeDelegate(dragDelegate_);
    }
}

void DragFromHere::mouseMoved(MouseEvent &e)
{
    followPointer(e);
}

void DragFromHere::mouseDragged(MouseEvent &e)
{
    followPointer(e);
}

void DragFromHere::paintSelf(GraphicsContext &gc)
{
    const Rect local = getLocalBounds();
    gc.frameRectInColor(local, 0xFFFFFF);
    const Rect inner{1, 1, local.width - 2, local.height - 2};
    gc.fillRectInColor(inner, colour_);
    const COLORREF old = gc.setTextColor(0x000000);
    gc.drawTextWithFont(caption_.c_str(), inner, font_.get(), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    gc.setTextColor(old);
}

} // namespace Quorvane
