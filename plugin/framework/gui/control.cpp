#include "plugin/framework/gui/control.h"

#include "plugin/framework/gui/graphics_context.h"

namespace Quorvane {

Control::Control()
{
    addMouseListener(this);
}

void Control::processMouseEvent(MouseEvent &e)
{
    switch (e.id) {
    case EventId::MouseMoved:
        mouseMoved(e);
        break;
    case EventId::MouseDragged:
        mouseDragged(e);
        break;
    case EventId::MouseWheel:
        mouseWheel(e);
        break;
    case EventId::MouseClicked:
        mouseListener()->mouseClicked(e);
        break;
    default:
        Pane::processMouseEvent(e);
        break;
    }
}

int wheelNotches(int delta)
{
    return (delta >= 0 ? delta + 60 : delta - 60) / 120;
}

FlatControl::FlatControl() : faceColour_(GetSysColor(COLOR_BTNFACE)) {}

void FlatControl::mousePressed(MouseEvent &e)
{
    if (e.button == 1)
        requestFocus();
}

void FlatControl::processFocusEvent(FocusEvent &e)
{
    repaint();
    Control::processFocusEvent(e);
}

void FlatControl::passKeyEvent(KeyEvent &e)
{
    if (e.id == EventId::KeyPressed && !(e.modifiers & Modifier::Control)) {
        if (e.keyCode == VK_ADD && stepBy(1))
            return;
        if (e.keyCode == VK_SUBTRACT && stepBy(-1))
            return;
    }
    Control::passKeyEvent(e);
}

void FlatControl::mouseWheel(MouseEvent &e)
{
    stepBy(wheelNotches(e.wheelDelta));
}

void FlatControl::paintSelf(GraphicsContext &gc)
{
    const COLORREF oldBack = SetBkColor(gc.dc(), faceColour_);
    const COLORREF oldText = gc.setTextColor(textColour_);
    const Rect local = getLocalBounds();
    gc.frameRectInColor(local, isFocused() ? focusFrameColour_ : frameColour_);
    gc.fillRectInColor({1, 1, local.width - 2, local.height - 2}, faceColour_);
    paintContent(gc, {4, 2, local.width - 8, local.height - 4});
    gc.setTextColor(oldText);
    SetBkColor(gc.dc(), oldBack);
}

void FlatControl::paintContent(GraphicsContext &, const Rect &) {}

bool FlatControl::step(int)
{
    return false;
}

bool FlatControl::stepBy(int delta)
{
    return step(delta);
}

void TextControl::create(int frameStyle, const Rect &rect, Pane *parent)
{
    frameStyle_ = frameStyle;
    setBounds(parent, rect);
}

void TextControl::setText(const std::string &text, bool repaintNow)
{
    text_ = text;
    if (repaintNow)
        repaint();
}

void TextControl::setFont(Font *font, bool repaintNow)
{
    font_ = RefPtr<Font>(font);
    if (repaintNow)
        repaint();
}

void TextControl::paintSelf(GraphicsContext &gc)
{
    Rect area = getLocalBounds();
    gc.fillRectInColor(area, GetSysColor(COLOR_BTNFACE));
    if (frameStyle_ == kGreyFrame) {
        gc.frameRectInColor(area, GetSysColor(COLOR_GRAYTEXT));
    } else if (frameStyle_ != kNoFrame) {
        const RECT edges = area.toRECT();
        drawFrame3d(gc.dc(), edges, 0x808080, 0xFFFFFF);
    }
    if (frameStyle_ != kNoFrame)
        area = {2, 1, area.width - 4, area.height - 2};
    const COLORREF old = gc.getTextColor();
    if (!isEnabled())
        gc.setTextColor(GetSysColor(COLOR_GRAYTEXT));
    gc.drawTextWithFont(text_.c_str(), area, font_.get(), format_);
    gc.setTextColor(old);
}

} // namespace Quorvane
