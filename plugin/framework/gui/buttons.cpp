#include "plugin/framework/gui/buttons.h"

#include "plugin/framework/gui/graphics_context.h"

namespace Quorvane {

Button::Button() : clickToCommand_(*this) {}

void Button::ClickToCommand::invoke(unsigned mouseButton)
{
    if (mouseButton == 1)
        invokeDelegate(button_.commandListeners_);
}

int Button::create(int, const Rect &rect, Pane *parent)
{
    setBounds(parent, rect);
    return 1;
}

void Button::addClickListener(Delegate1<unsigned> *listener)
{
    addDelegate(clickListeners_, listener);
}

void Button::addCommandListener(Delegate *listener)
{
    if (!commandListeners_)
        addDelegate<unsigned>(clickListeners_, &clickToCommand_);
    addDelegate(commandListeners_, listener);
}

void Button::stateChanged()
{
    repaint();
}

void Button::processMouseEvent(MouseEvent &e)
{
    const auto number = static_cast<uint32_t>(e.button) & kPressedBits;
    switch (e.id) {
    case EventId::MouseEntered:
        state_ |= kHover;
        stateChanged();
        break;
    case EventId::MouseExited:
        state_ &= ~kHover;
        stateChanged();
        break;
    case EventId::MousePressed:
        if (state_ & kHover)
            state_ |= number;
        else
            state_ &= ~number;
        stateChanged();
        break;
    case EventId::MouseReleased:
        state_ &= ~number;
        stateChanged();
        if (state_ & kHover)
            invokeDelegate(clickListeners_, static_cast<unsigned>(e.button));
        break;
    default:
        break;
    }
    Pane::processMouseEvent(e);
}

int FlatButton::create(const RECT &rect, Pane *parent, int)
{
    initPicture(true);
    setBounds(parent, Rect::fromRECT(rect));
    sizeToPicture();
    return 1;
}

int FlatButton::attachToDialog(int, HWND)
{
    initPicture(true);
    sizeToPicture();
    return 1;
}

void FlatButton::setPicture(Bitmap *bitmap, int cellWidth, int cellY, int cellHeight)
{
    picture_ = RefPtr<Bitmap>(bitmap);
    cellWidth_ = cellWidth;
    cellY_ = cellY;
    cellHeight_ = (cellHeight == 0 && bitmap) ? bitmap->height() : cellHeight;
}

void FlatButton::initPicture(bool) {}

int FlatButton::getVisualState() const
{
    if (!isEnabled())
        return 3;
    const bool hover = isHovered();
    const bool pressed = pressedButtons() != 0;
    if (hover && pressed)
        return 2;
    return (hover || pressed) ? 1 : 0;
}

void FlatButton::sizeToPicture()
{
    setSize(cellWidth_, cellHeight_);
}

void FlatButton::paintSelf(GraphicsContext &gc)
{
    if (!picture_)
        return;
    const Rect &area = bounds();
    gc.drawBitmapPart({0, 0}, {getVisualState() * cellWidth_, cellY_, area.width, area.height},
                      picture_.get());
}

SelectableButton::SelectableButton()
{
    auto toggler = MemberDelegate<SelectableButton>::create(this, &SelectableButton::toggle);
    addCommandListener(toggler.get());
}

void SelectableButton::setSelected(bool selected)
{
    if (selected == selected_)
        return;
    selected_ = selected;
    repaint();
    invokeDelegate(stateListener_, selected);
}

int SelectableButton::getVisualState() const
{
    if (!isEnabled())
        return 3;
    const bool hover = isHovered();
    const bool pressed = pressedButtons() != 0;
    if (hover && pressed)
        return selected_ ? 0 : 2;
    if (!hover && !pressed)
        return selected_ ? 2 : 0;
    return selected_ ? 2 : 1;
}

COLORREF SmartButton::faceColour()
{
    static const COLORREF face = GetSysColor(COLOR_BTNFACE);
    return face;
}

bool SmartButton::isDown() const
{
    return pressedButtons() != 0;
}

void SmartButton::paintSelf(GraphicsContext &gc)
{
    const Rect local = getLocalBounds();
    const bool framed = alwaysFramed_ || isHovered();
    COLORREF first = faceColour();
    COLORREF second = faceColour();
    if (isDown() && framed) {
        first = 0x404040; // sunken
        second = 0xFFFFFF;
    } else if (isDown() || framed) {
        first = 0xFFFFFF; // raised
        second = 0x404040;
    }
    gc.frameRectInColor(local, second);
    gc.fillRectInColor({0, 0, 1, local.height}, first);
    gc.fillRectInColor({0, 0, local.width, 1}, first);
    paintBackground(gc, {1, 1, local.width - 2, local.height - 2});
    Rect content{2, 2, local.width - 4, local.height - 4};
    if (framed && isDown()) {
        content.x += 1;
        content.y += 1;
    }
    paintContent(gc, content);
}

void SmartButton::paintContent(GraphicsContext &, const Rect &) {}

void SmartButton::paintBackground(GraphicsContext &gc, const Rect &rect)
{
    gc.fillRectInColor(rect, faceColour());
}

void SmartTextButton::setText(const std::string &text)
{
    caption_ = text;
    repaint();
}

void SmartTextButton::setFont(Font *font)
{
    font_ = RefPtr<Font>(font);
    repaint();
}

void SmartTextButton::paintContent(GraphicsContext &gc, const Rect &rect)
{
    gc.drawTextWithFont(caption_.c_str(), rect, font_.get(), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void SmartBmpButton::sizeToBitmap()
{
    const Point size = getBitmapSize();
    setSize(size.x + 6, size.y + 6);
}

Point SmartBmpButton::getBitmapSize()
{
    Point origin;
    Bitmap *bitmap = getBitmap(origin);
    return bitmap ? Point{bitmap->width(), bitmap->height()} : Point{};
}

Bitmap *SmartBmpButton::getBitmap(Point &)
{
    return nullptr;
}

void SmartBmpButton::paintContent(GraphicsContext &gc, const Rect &rect)
{
    Point origin;
    if (Bitmap *bitmap = getBitmap(origin))
        gc.drawBitmapPart(rect.topLeft(), {origin.x, origin.y, rect.width, rect.height}, bitmap);
}

} // namespace Quorvane
