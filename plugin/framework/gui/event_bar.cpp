#include "plugin/framework/gui/event_bar.h"

#include "plugin/framework/gui/graphics_context.h"
#include "plugin/framework/gui/user_answers.h"

#include <algorithm>
#include <cstdlib>

namespace Quorvane {

void EventPicture::bitmapsChanged()
{
    const int side = image_ ? image_->height() / 3 : 0;
    width_ = side;
    height_ = side;
    cellCount_ = side > 0 ? image_->width() / side : 0;
}

int EventPicture::frameForValue(int value, int min, int max) const
{
    if (max <= min)
        return 0;
    const int64_t quieter = max - std::clamp(value, min, max);
    return static_cast<int>(quieter * (cellCount_ - 1) / (max - min));
}

int LaneLayout::x(int32_t position) const
{
    return length <= 0 ? x0 : x0 + static_cast<int>(int64_t{position} * (x1 - x0) / length);
}

namespace {

// The white pen of every bar's play cursor.
RefPtr<Pen> cursorPen;
int barCount = 0;

} // namespace

EventBar::EventBar()
{
    if (barCount++ == 0)
        cursorPen = RefPtr<Pen>::adopt(Pen::create(0xFFFFFF));
}

EventBar::~EventBar()
{
    editTool_.reset();
    picture_.setBitmaps(nullptr, nullptr);
    if (--barCount == 0)
        cursorPen.reset();
}

bool EventBar::create(const RECT &rect, EventBarOwner *owner, int)
{
    owner_ = owner;
    setBounds(owner, Rect::fromRECT(rect));
    return true;
}

void EventBar::setLooper(EventBarLooper *looper)
{
    if (looper != looper_)
        editTool_.reset(); // it edits the looper that goes
    looper_ = looper;
    repaint();
}

void EventBar::setFlagAndRepaint(bool editMode)
{
    if (editMode == editMode_)
        return;
    editMode_ = editMode;
    repaint();
}

void EventBar::setDisplayValue(int divisions)
{
    gridDivisions_ = divisions;
    repaint();
}

Rect EventBar::innerRect() const
{
    const Rect &area = bounds();
    return {1, 1, area.width - 2, area.height - 2};
}

LaneLayout EventBar::laneLayout() const
{
    LaneLayout layout;
    if (!looper_)
        return layout;
    const Rect r = innerRect();
    const int side = picture_.width();
    const int lanes = looper_->laneCount();
    layout.x0 = r.x + side / 2;
    layout.x1 = r.x + r.width - side / 2;
    layout.length = looper_->barTiming().length;
    layout.top = r.y;
    if (lanes < 2) {
        layout.top = r.y + r.height / 2;
    } else {
        layout.step = std::min((r.height - side) / (lanes - 1), side);
        layout.top = r.y + (r.height - layout.step * (lanes - 1)) / 2;
    }
    // Lanes need room: some width, and distinct rows when there are several.
    const bool room = layout.x1 > layout.x0 && r.height >= 1 && (lanes < 2 || layout.step >= 1);
    layout.lanes = room ? lanes : 0;
    return layout;
}

bool EventBar::locate(Point &point, Point &size, bool clamp) const
{
    if (clamp && !innerRect().contains(point.x, point.y))
        return false;
    if (!looper_ || looper_->laneCount() < 1)
        return false;
    const LaneLayout layout = laneLayout();
    if (layout.lanes < 1 || layout.length <= 0)
        return false;
    point = {point.x - layout.x0, point.y - layout.top};
    size = {layout.x1 - layout.x0, layout.step * layout.lanes};
    return true;
}

void EventBar::paintSelf(GraphicsContext &gc)
{
    const RECT edges = getLocalBounds().toRECT();
    drawFrame3d(gc.dc(), edges, 0x808080, 0xFFFFFF);
    if (looper_)
        paintContent(gc);
    if (!cursorHidden_)
        drawCursor(gc);
}

void EventBar::paintContent(GraphicsContext &gc)
{
    const Rect r = innerRect();
    const int k = (owner_ && owner_->isHighlighted() ? 1 : 0) + (editMode_ ? 4 : 0);
    const COLORREF base = kColours[k];
    const COLORREF playing = looper_->isMuted() ? base : kColours[k + 2];
    const EventBarLooper::Timing timing = looper_->barTiming();
    const LaneLayout layout = laneLayout();
    if (timing.length <= 0 || layout.x1 <= layout.x0) {
        // No loop to show, or no room to show it in.
        gc.fillRectInColor(r, base);
        return;
    }
    const int xs = timing.startOffset > 0 ? layout.x(timing.startOffset) : layout.x0;
    const int xe = timing.endOffset < timing.length ? layout.x(timing.endOffset) : layout.x1;
    gc.fillRectInColor(r, playing);
    gc.fillRectInColor({r.x, r.y, xs - r.x, r.height}, base);
    gc.fillRectInColor({xe, r.y, r.right() - xe, r.height}, base);

    const int bars = timing.ticksPerQuarter > 0 ? timing.length / timing.ticksPerQuarter / 4 : 0;
    auto vertical = [&](int x, COLORREF colour) { gc.drawLineInColor({x, r.y}, {x, r.bottom()}, colour); };
    for (int b = 0; b < bars; ++b) {
        const int start = layout.x0 + (layout.x1 - layout.x0) * b / bars;
        const int width = layout.x0 + (layout.x1 - layout.x0) * (b + 1) / bars - start;
        for (int j = 0; gridDivisions_ > 0 && j <= gridDivisions_; ++j)
            vertical(start + j * width / gridDivisions_, kGridColour);
        for (int j = 0; j <= 4; ++j)
            vertical(start + j * width / 4, kBeatColour);
    }
    if (xs > layout.x0)
        vertical(xs, kOffsetColour);
    if (xe < layout.x1)
        vertical(xe, kOffsetColour);

    if (layout.lanes < 1)
        return;
    if (editMode_ && layout.lanes > 1)
        for (int lane = 0; lane < layout.lanes; ++lane)
            gc.drawLineInColor({r.x, layout.y(lane)}, {r.right(), layout.y(lane)}, kBeatColour);
    looper_->paintEvents(gc, layout, picture_);
}

void EventBar::drawCursor(GraphicsContext &gc)
{
    const Rect r = innerRect();
    const int oldMode = gc.getDrawMode();
    gc.setDrawMode(3);
    gc.drawLineWithPen({cursorX_, r.y}, {cursorX_, r.bottom()}, cursorPen.get());
    gc.setDrawMode(oldMode);
}

void EventBar::locateTime(int32_t time, int32_t length, bool show)
{
    if (length <= 0)
        return;
    const Rect r = innerRect();
    const int areaX = r.x + 6;
    const int areaWidth = r.width - 1;
    const int x = areaX + static_cast<int>(int64_t{time} * areaWidth / length);
    if (x == cursorX_)
        return;
    std::unique_ptr<GraphicsContext> gc = getGraphics();
    if (!gc)
        return;
    if (!cursorHidden_)
        drawCursor(*gc);
    const int difference = x - cursorX_;
    cursorX_ = (difference >= 1 && difference <= 3) ? cursorX_ + 1 : x;
    cursorHidden_ = !show;
    if (show)
        drawCursor(*gc);
}

unsigned EventBar::editorState(const MouseEvent &e)
{
    unsigned state = 0;
    if (e.buttons & ButtonBit::Left)
        state |= MK_LBUTTON;
    if (e.buttons & ButtonBit::Right)
        state |= MK_RBUTTON;
    if (e.buttons & ButtonBit::Middle)
        state |= MK_MBUTTON;
    if (GetKeyState(VK_SHIFT) < 0)
        state |= MK_SHIFT;
    if (isControlKeyDown())
        state |= MK_CONTROL;
    return state;
}

void EventBar::mousePressed(MouseEvent &e)
{
    if (e.button != 1)
        return;
    gesture_ |= Pressed;
    press_ = {e.x, e.y};
    if (editMode_ && looper_) {
        Point point{e.x, e.y};
        Point size;
        if (locate(point, size, true)) {
            editTool_.reset();
            editTool_ = looper_->createEditTool(size.x, size.y, gridDivisions_);
            if (editTool_) {
                if (e.clickCount == 2)
                    editTool_->doubleClick(editorState(e), point.x, point.y);
                else
                    editTool_->press(editorState(e), point.x, point.y);
            }
            repaint();
        }
    }
    requestFocus();
}

void EventBar::mouseDragged(MouseEvent &e)
{
    if (!looper_ || !(gesture_ & Pressed))
        return;
    if (!(gesture_ & Dragging)) {
        if (!(e.buttons & ButtonBit::Left))
            return;
        const bool farEnough = std::abs(e.x - press_.x) * 2 > GetSystemMetrics(SM_CXDRAG) ||
                               std::abs(e.y - press_.y) * 2 > GetSystemMetrics(SM_CYDRAG);
        if (!farEnough)
            return;
        gesture_ |= Dragging;
    }
    if (editMode_) {
        Point point{e.x, e.y};
        Point size;
        if (editTool_ && locate(point, size, false)) {
            editTool_->drag(editorState(e), point.x, point.y);
            repaint();
        }
    } else if (startDragOut()) {
        gesture_ = 0;
    }
}

void EventBar::mouseReleased(MouseEvent &e)
{
    if (e.button != 1)
        return;
    gesture_ = 0;
    if (editTool_) {
        editTool_->release(editorState(e), e.x, e.y);
        repaint();
    }
}

bool EventBar::startDragOut()
{
    return false;
}

} // namespace Quorvane
