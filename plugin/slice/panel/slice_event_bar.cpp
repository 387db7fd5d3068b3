#include "plugin/slice/panel/slice_event_bar.h"

#include "plugin/framework/gui/graphics_context.h"
#include "plugin/framework/gui/user_answers.h"
#include "plugin/slice/panel/slice_notes.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>

namespace Quorvane::LoopSlice {

namespace {

// The play line's pen, shared by the bars.
int linePenUsers = 0;
RefPtr<Pen> &linePen()
{
    static RefPtr<Pen> pen;
    return pen;
}

} // namespace

EventBar::EventBar()
{
    if (linePenUsers++ == 0)
        linePen() = RefPtr<Pen>::adopt(Pen::create(RGB(255, 255, 255)));
}

EventBar::~EventBar()
{
    if (--linePenUsers == 0)
        linePen().reset();
}

void EventBar::bind(Looper *looper, Vostrapellin *engine)
{
    looper_ = looper;
    engine_ = engine;
    repaint();
}

void EventBar::place(Pane *parent, const Rect &rect)
{
    setBounds(parent, rect);
}

Rect EventBar::noteArea() const
{
    return {1, 1, bounds().width - 2, bounds().height - 2};
}

void EventBar::setHighlight(bool on)
{
    if (on == highlight_)
        return;
    highlight_ = on;
    repaint();
}

void EventBar::setEditMode(bool on)
{
    if (on == editMode_)
        return;
    editMode_ = on;
    repaint();
}

void EventBar::setGrid(int divisions)
{
    if (divisions == grid_)
        return;
    grid_ = divisions;
    repaint();
}

int EventBar::backgroundIndex() const
{
    const bool playing = looper_ && !looper_->content()->mute;
    return (highlight_ ? 1 : 0) + (playing ? 2 : 0) + (editMode_ ? 4 : 0);
}

void EventBar::drawPlayLine(GraphicsContext &gc, int line) const
{
    const Rect area = noteArea();
    const int x = area.x + line + SliceNotes::kMargin;
    const int mode = gc.getDrawMode();
    gc.setDrawMode(3);
    gc.drawLineWithPen({x, area.y}, {x, area.bottom() - 1}, linePen().get());
    gc.setDrawMode(mode);
}

void EventBar::setPlayPosition(int64_t position, int64_t length)
{
    if (length <= 0)
        return;
    const int64_t span = noteArea().width - 2 * SliceNotes::kMargin;
    // Rounded, as a 64-bit multiply-divide does.
    const int64_t product = span * position;
    const int target =
        static_cast<int>((product >= 0 ? product + length / 2 : product - length / 2) / length);
    if (target == playLine_)
        return;
    const int step = target - playLine_;
    const int next = (step >= 1 && step <= 3) ? playLine_ + 1 : target;
    if (auto gc = getGraphics()) {
        drawPlayLine(*gc, playLine_);
        drawPlayLine(*gc, next);
    }
    playLine_ = next;
}

void EventBar::paintSelf(GraphicsContext &gc)
{
    const Rect local = getLocalBounds();
    drawFrame3d(gc.dc(), local.toRECT(), RGB(128, 128, 128), RGB(255, 255, 255));
    const Rect area = noteArea();
    gc.fillRectInColor(area, kBackgrounds[backgroundIndex()]);
    if (!looper_ || !engine_)
        return;
    SliceNotes(*looper_, *engine_, area).paint(gc, grid_, bar_.get(), marker_.get(), looper_->rowLines());
    drawPlayLine(gc, playLine_);
}

void EventBar::status(const char *format, int a, int b)
{
    char text[64];
    std::snprintf(text, sizeof text, format, a, b);
    if (engine_)
        engine_->showStatus(text);
}

void EventBar::mousePressed(MouseEvent &e)
{
    if (e.button != 1)
        return;
    requestFocus();
    tracking_ = true;
    press_ = {e.x, e.y};
    drag_ = Drag::None;
    edited_ = -1;
    if (editMode_ && looper_ && engine_)
        pressInEditMode(e);
}

void EventBar::pressInEditMode(const MouseEvent &e)
{
    const SliceNotes notes(*looper_, *engine_, noteArea());
    const Point point{e.x, e.y};
    const int under = notes.findNote(point);
    // A double click, or a click with Ctrl held, deletes.
    if (e.clickCount >= 2 || isControlKeyDown()) {
        if (under >= 0)
            looper_->deleteNote(under);
        tracking_ = false;
        return;
    }
    if (under >= 0) {
        edited_ = under;
    } else {
        const int32_t time = notes.trackTime(notes.timeAt(e.x, grid_));
        const int row = notes.rowAt(e.y);
        if (row >= 0)
            edited_ = looper_->addNote(time, notes.rowNote(row), notes.velocityAt(e.y, row));
        // Where the loop has no row: its lowest note, or the slice's own.
        if (edited_ < 0)
            edited_ = looper_->addNote(time, notes.fallbackNote(), 100);
        if (edited_ < 0) {
            MessageBeep(MB_ICONASTERISK);
            tracking_ = false;
            return;
        }
    }
    startVelocity_ = 64;
    const auto &events = looper_->content()->events();
    if (edited_ < static_cast<int>(events.size()))
        startVelocity_ = std::next(events.begin(), edited_)->data2;
    drag_ = Drag::Waiting;
    repaint();
}

void EventBar::mouseReleased(MouseEvent &)
{
    tracking_ = false;
    drag_ = Drag::None;
    edited_ = -1;
}

void EventBar::mouseMoved(MouseEvent &e)
{
    // Under the panel's capture a move with the button held comes as a drag.
    follow(e);
}

void EventBar::mouseDragged(MouseEvent &e)
{
    follow(e);
}

void EventBar::follow(const MouseEvent &e)
{
    if (!tracking_)
        return;
    const int dx = std::abs(e.x - press_.x);
    const int dy = std::abs(e.y - press_.y);
    const int dragWidth = GetSystemMetrics(SM_CXDRAG);
    const int dragHeight = GetSystemMetrics(SM_CYDRAG);
    if (!editMode_ || !looper_ || !engine_) {
        if ((dx > dragWidth || dy > dragHeight) && startDragOut())
            tracking_ = false;
        return;
    }
    if (drag_ == Drag::None || edited_ < 0)
        return;
    if (drag_ == Drag::Waiting) {
        // Half the drag rectangle decides, once, what the drag changes.
        if (2 * dx <= dragWidth && 2 * dy <= dragHeight)
            return;
        drag_ = dy > dx ? Drag::Velocity : Drag::Time;
    }
    if (drag_ == Drag::Velocity) {
        const int velocity = std::clamp(startVelocity_ + press_.y - e.y, 1, 127);
        edited_ = looper_->setNoteVelocity(edited_, velocity);
        status("Velocity: %d", velocity);
    } else {
        const SliceNotes notes(*looper_, *engine_, noteArea());
        const int32_t time = notes.trackTime(notes.timeAt(e.x, grid_));
        edited_ = looper_->moveNote(edited_, time);
        const int quarter = std::max(1, looper_->content()->track->getResolution());
        status("Position: %d:%d", time / quarter + 1, time % quarter);
    }
    if (edited_ < 0)
        drag_ = Drag::None;
    repaint();
}

bool EventBar::startDragOut()
{
    return engine_ && engine_->dragOutLoop();
}

} // namespace Quorvane::LoopSlice
