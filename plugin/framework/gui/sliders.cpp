#include "plugin/framework/gui/sliders.h"

#include "plugin/framework/gui/graphics_context.h"

#include <algorithm>

namespace Quorvane {

void hidePointer()
{
    while (ShowCursor(FALSE) >= 0) {
    }
}

void showPointer()
{
    while (ShowCursor(TRUE) < 0) {
    }
}

namespace {

// a * b / c in 64 bits, truncated; 0 for an empty divisor.
int scaled(int64_t a, int64_t b, int64_t c)
{
    return c == 0 ? 0 : static_cast<int>(a * b / c);
}

void drawBox(GraphicsContext &gc, const Rect &box)
{
    const RECT edges = box.toRECT();
    drawFrame3d(gc.dc(), edges, 0xFFFFFF, 0x808080);
    gc.fillRectInColor({box.x + 1, box.y + 1, box.width - 2, box.height - 2}, 0xC8D0D4);
}

} // namespace

// ---- FlatSlider

int FlatSlider::create(const Rect &rect, Pane *parent, int, Bitmap *background, Bitmap *focusedThumb,
                       Bitmap *thumb)
{
    background_ = RefPtr<Bitmap>(background);
    focusedThumb_ = RefPtr<Bitmap>(focusedThumb);
    thumb_ = RefPtr<Bitmap>(thumb ? thumb : focusedThumb);
    press_ = {};
    valueAtPress_ = 0;
    previousValue_ = 0;
    value_ = 0;
    Rect placed = rect;
    if (background) {
        placed.width = background->width();
        placed.height = background->height();
    }
    trackLength_ = vertical_ ? placed.height : placed.width;
    setBounds(parent, placed);
    return 1;
}

void FlatSlider::setRange(int minimum, int maximum)
{
    minimum_ = minimum;
    maximum_ = maximum;
    repaint();
}

void FlatSlider::setValue(int value)
{
    value_ = value;
    repaint();
}

void FlatSlider::clampAndNotify()
{
    value_ = std::clamp(value_, std::min(minimum_, maximum_), std::max(minimum_, maximum_));
    if (value_ != previousValue_) {
        repaint();
        invokeDelegate(listener_, true);
    }
}

void FlatSlider::followPointer(const MouseEvent &e)
{
    previousValue_ = value_;
    const int delta = vertical_ ? press_.y - e.y : e.x - press_.x;
    // A slider without a track does not move.
    value_ = valueAtPress_ + scaled(int64_t{maximum_} - minimum_, delta, trackLength_);
    clampAndNotify();
}

void FlatSlider::mousePressed(MouseEvent &e)
{
    if (e.button != 1)
        return;
    valueAtPress_ = value_;
    press_ = {e.x, e.y};
    repaint();
}

void FlatSlider::mouseDragged(MouseEvent &e)
{
    followPointer(e);
}

void FlatSlider::mouseReleased(MouseEvent &e)
{
    if (e.button != 1)
        return;
    followPointer(e);
    invokeDelegate(listener_, false);
    repaint();
}

void FlatSlider::passKeyEvent(KeyEvent &e)
{
    if (e.id == EventId::KeyTyped) {
        int delta = 0;
        switch (e.keyCode) {
        case '+':
        case ';':
        case '=':
        case '^':
            delta = 1;
            break;
        case '-':
        case '_':
            delta = -1;
            break;
        default:
            break;
        }
        if (delta != 0) {
            previousValue_ = value_;
            value_ += delta;
            clampAndNotify();
            return;
        }
    }
    Control::passKeyEvent(e);
}

void FlatSlider::paintSelf(GraphicsContext &gc)
{
    const int width = background_ ? background_->width() : bounds().width;
    const int height = background_ ? background_->height() : bounds().height;
    if (background_)
        gc.drawBitmapAt({0, 0}, background_.get());
    Bitmap *thumb = isFocused() ? focusedThumb_.get() : thumb_.get();
    const int thumbWidth = thumb ? thumb->width() : 0;
    const int thumbHeight = thumb ? thumb->height() : 0;
    const int free = vertical_ ? height - thumbHeight : width - thumbWidth;
    int offset = maximum_ == minimum_
                     ? free / 2
                     : scaled(int64_t{value_} - minimum_, free, int64_t{maximum_} - minimum_);
    Point at;
    if (vertical_) {
        offset = free - offset; // larger values are higher
        at = {(width - thumbWidth) / 2, offset};
    } else {
        at = {offset, (height - thumbHeight) / 2};
    }
    thumbCentre_ = {at.x + thumbWidth / 2, at.y + thumbHeight / 2};
    if (thumb)
        gc.drawBitmapAt(at, thumb);
}

// ---- TwinSlider

TwinSlider::TwinSlider() = default;

void TwinSlider::setRange(int minimum, int maximum)
{
    if (minimum > maximum) {
        minimum = 0;
        maximum = 1;
    }
    minimum_ = minimum;
    maximum_ = maximum;
}

void TwinSlider::storeStart(int value)
{
    low_ = std::clamp(value, minimum_, std::max(minimum_, maximum_ - 1));
    if (high_ <= low_)
        high_ = low_ + 1;
}

void TwinSlider::storeEnd(int value)
{
    high_ = std::clamp(value, std::min(minimum_ + 1, maximum_), maximum_);
    if (low_ >= high_)
        low_ = high_ - 1;
}

void TwinSlider::setStart(int value)
{
    storeStart(value);
    repaint();
}

void TwinSlider::setEnd(int value)
{
    storeEnd(value);
    repaint();
}

void TwinSlider::setBitmaps(Bitmap *low, Bitmap *high)
{
    lowHandle_ = RefPtr<Bitmap>(low);
    highHandle_ = RefPtr<Bitmap>(high);
    repaint();
}

void TwinSlider::setListener(Listener *listener)
{
    listener_ = RefPtr<Listener>(listener);
}

Point TwinSlider::pointOf(int value) const
{
    return {6 + scaled(int64_t{value} - minimum_, trackWidth(), int64_t{maximum_} - minimum_),
            bounds().height / 2};
}

void TwinSlider::mousePressed(MouseEvent &e)
{
    if (e.button != 1 && e.button != 2)
        return;
    divisor_ = e.button == 2 ? 8 : 1;
    if (dragged_ == 0) {
        const int middle = (pointOf(low_).x + pointOf(high_).x) / 2;
        dragged_ = e.x < middle ? 1 : 2;
        repaint();
        hidePointer();
    }
    anchorValue_ = dragged_ == 1 ? low_ : high_;
    anchor_ = pointOf(anchorValue_);
}

void TwinSlider::mouseDragged(MouseEvent &e)
{
    if (dragged_ == 0 || (e.x == anchor_.x && e.y == anchor_.y))
        return;
    const int64_t span = int64_t{divisor_} * trackWidth();
    if (span <= 0 || maximum_ == minimum_)
        return; // no track to move along
    const int moved = scaled(int64_t{e.x} - anchor_.x, int64_t{maximum_} - minimum_, span) + anchorValue_;
    if (dragged_ == 1)
        storeStart(moved);
    else
        storeEnd(moved);
    const int value = dragged_ == 1 ? low_ : high_;
    if (value != anchorValue_ || moved < minimum_ || moved > maximum_) {
        anchorValue_ = value;
        anchor_ = pointOf(value);
    }
    if (listener_)
        listener_->changed(*this);
    repaint();
}

void TwinSlider::endDrag()
{
    if (dragged_ == 0)
        return;
    dragged_ = 0;
    showPointer();
    repaint();
}

void TwinSlider::mouseReleased(MouseEvent &e)
{
    if (e.button == 1 || e.button == 2)
        endDrag();
}

void TwinSlider::mouseExited(MouseEvent &)
{
    endDrag();
}

void TwinSlider::paintSelf(GraphicsContext &gc)
{
    const Rect local = getLocalBounds();
    gc.fillRectInColor(local, 0xC8D0D4);
    const int y = local.height / 2;
    gc.drawLineInColor({6, y}, {6 + trackWidth(), y}, 0x808080);
    const Point lowPoint = pointOf(low_);
    const Point highPoint = pointOf(high_);
    if (lowHandle_)
        gc.drawBitmapAt({lowPoint.x + 1 - lowHandle_->width(), y - lowHandle_->height() / 2},
                        lowHandle_.get());
    else
        drawBox(gc, {lowPoint.x - 7, y - 4, 8, 8});
    if (highHandle_)
        gc.drawBitmapAt({highPoint.x, y - highHandle_->height() / 2}, highHandle_.get());
    else
        drawBox(gc, {highPoint.x, y - 4, 8, 8});
}

// ---- DoubleSlider

void DoubleSlider::setRange(Axis &axis, int minimum, int maximum)
{
    if (minimum > maximum)
        minimum = maximum = 0;
    axis.minimum = minimum;
    axis.maximum = maximum;
    axis.value = std::clamp(axis.value, minimum, maximum);
}

void DoubleSlider::setFirstRange(int minimum, int maximum)
{
    setRange(x_, minimum, maximum);
    repaint();
}

void DoubleSlider::setSecondRange(int minimum, int maximum)
{
    setRange(y_, minimum, maximum);
    repaint();
}

void DoubleSlider::setFirstValue(int value)
{
    x_.value = std::clamp(value, x_.minimum, x_.maximum);
    repaint();
}

void DoubleSlider::setSecondValue(int value)
{
    y_.value = std::clamp(value, y_.minimum, y_.maximum);
    repaint();
}

void DoubleSlider::setActiveLook(bool active)
{
    activeLook_ = active;
    repaint();
}

Point DoubleSlider::pointOf(int x, int y) const
{
    const Rect a = area();
    return {5 + scaled(int64_t{x} - x_.minimum, a.width, int64_t{x_.maximum} - x_.minimum),
            5 + a.height - scaled(int64_t{y} - y_.minimum, a.height, int64_t{y_.maximum} - y_.minimum)};
}

Point DoubleSlider::knobPoint() const
{
    return pointOf(x_.value, y_.value);
}

void DoubleSlider::mousePressed(MouseEvent &e)
{
    if (e.button != 1 && e.button != 2)
        return;
    divisor_ = e.button == 2 ? 8 : 1;
    if (dragging_)
        return;
    dragging_ = true;
    repaint();
    hidePointer();
    anchor_ = knobPoint();
    x_.anchorValue = x_.value;
    y_.anchorValue = y_.value;
}

void DoubleSlider::followAxis(Axis &axis, int newValue)
{
    axis.value = std::clamp(newValue, axis.minimum, axis.maximum);
}

void DoubleSlider::mouseDragged(MouseEvent &e)
{
    if (!dragging_ || (e.x == anchor_.x && e.y == anchor_.y))
        return;
    const Rect a = area();
    const int64_t xSpan = int64_t{divisor_} * a.width;
    const int64_t ySpan = int64_t{divisor_} * a.height;
    const int newX =
        xSpan > 0 ? scaled(int64_t{e.x} - anchor_.x, int64_t{x_.maximum} - x_.minimum, xSpan) + x_.anchorValue
                  : x_.value;
    const int newY =
        ySpan > 0 ? scaled(int64_t{anchor_.y} - e.y, int64_t{y_.maximum} - y_.minimum, ySpan) + y_.anchorValue
                  : y_.value;
    followAxis(x_, newX);
    followAxis(y_, newY);
    const Point knob = knobPoint();
    if (x_.value != x_.anchorValue || newX < x_.minimum || newX > x_.maximum) {
        anchor_.x = knob.x;
        x_.anchorValue = x_.value;
    }
    if (y_.value != y_.anchorValue || newY < y_.minimum || newY > y_.maximum) {
        anchor_.y = knob.y;
        y_.anchorValue = y_.value;
    }
    invokeDelegate(listener_, true);
    repaint();
}

void DoubleSlider::mouseReleased(MouseEvent &e)
{
    if ((e.button != 1 && e.button != 2) || !dragging_)
        return;
    dragging_ = false;
    showPointer();
    invokeDelegate(listener_, false);
    repaint();
}

void DoubleSlider::paintSelf(GraphicsContext &gc)
{
    const Rect local = getLocalBounds();
    const RECT edges = local.toRECT();
    drawFrame3d(gc.dc(), edges, 0x808080, 0xFFFFFF);
    const Rect inner{1, 1, local.width - 2, local.height - 2};
    gc.fillRectInColor(inner, activeLook_ ? 0x9CE4D4 : 0x81B3A8);
    const Point zero = pointOf(0, 0);
    gc.drawLineInColor({zero.x, inner.y}, {zero.x, inner.bottom()}, 0x65827B);
    gc.drawLineInColor({inner.x, zero.y}, {inner.right(), zero.y}, 0x65827B);
    const Point knob = knobPoint();
    if (dragging_) {
        gc.drawLineInColor({knob.x, inner.y}, {knob.x, inner.bottom()}, 0xFFFFFF);
        gc.drawLineInColor({inner.x, knob.y}, {inner.right(), knob.y}, 0xFFFFFF);
    }
    drawBox(gc, {knob.x - 4, knob.y - 4, 9, 9});
}

} // namespace Quorvane
