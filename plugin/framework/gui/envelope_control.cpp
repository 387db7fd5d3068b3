#include "plugin/framework/gui/envelope_control.h"

#include "base/arith.h"
#include "plugin/framework/drums/velocity_envelope.h"
#include "plugin/framework/gui/graphics_context.h"
#include "plugin/framework/gui/sliders.h"

#include <algorithm>
#include <cstdio>

namespace Quorvane {

void EnvelopeDragger::begin(int, int) {}

bool EnvelopeDragger::move(int, int)
{
    return false;
}

void EnvelopeDragger::end(int x, int y)
{
    control_.placeCursor(x, y);
}

std::string EnvelopeDragger::statusText() const
{
    return {};
}

namespace {

std::string formatted(const char *format, int value)
{
    char text[64];
    snprintf(text, sizeof(text), format, value);
    return text;
}

// Drags one point between its neighbours.
class PointDragger : public EnvelopeDragger {
public:
    PointDragger(EnvelopeControl &control, int index) : EnvelopeDragger(control), index_(index) {}

    void begin(int x, int y) override
    {
        const Point h = control_.handle(index_);
        offset_ = {h.x - x, h.y - y};
    }

    bool move(int x, int y) override
    {
        const Rect plot = control_.plot();
        Point *handles = control_.handles();
        const int lowest = index_ == 0 ? plot.x : handles[index_ - 1].x + 1;
        const int highest =
            index_ == EnvelopeControl::kHandleCount - 1 ? plot.x + plot.width - 1 : handles[index_ + 1].x - 1;
        handles[index_].x = follow(x, offset_.x, lowest, highest);
        handles[index_].y = follow(y, offset_.y, plot.y, plot.y + plot.height - 1);
        return true;
    }

    void end(int, int) override
    {
        const Point h = control_.handle(index_);
        control_.placeCursor(h.x, h.y);
    }

    std::string statusText() const override
    {
        const int value = control_.valueAt(control_.handle(index_).y);
        const bool absolute = control_.envelope() && control_.envelope()->isAbsolute();
        return formatted(absolute ? "Velocity Envelope: velo = %d" : "Velocity Envelope: velo += %d", value);
    }

private:
    // The pointer plus the grab offset, limited: past a limit the point
    // waits there until the pointer comes back to where it stopped.
    static int follow(int pointer, int offset, int lowest, int highest)
    {
        return std::clamp(pointer + offset, lowest, std::max(lowest, highest));
    }

    int index_;
    Point offset_;
};

// Drags the whole curve, keeping it inside the plot.
class CurveDragger : public EnvelopeDragger {
public:
    explicit CurveDragger(EnvelopeControl &control) : EnvelopeDragger(control) {}

    void begin(int x, int y) override
    {
        last_ = {x, y};
        const Point *handles = control_.handles();
        int top = handles[0].y;
        int bottom = handles[0].y;
        for (int i = 1; i < EnvelopeControl::kHandleCount; ++i) {
            top = std::min(top, handles[i].y);
            bottom = std::max(bottom, handles[i].y);
        }
        const int left = handles[0].x;
        const int right = handles[EnvelopeControl::kHandleCount - 1].x;
        corner_ = {left, top};
        const Rect plot = control_.plot();
        area_ = {plot.x, plot.y, std::max(0, plot.width - 1 - (right - left)),
                 std::max(0, plot.height - 1 - (bottom - top))};
    }

    bool move(int x, int y) override
    {
        const int cornerX = std::clamp(corner_.x + x - last_.x, area_.x, area_.x + area_.width);
        const int cornerY = std::clamp(corner_.y + y - last_.y, area_.y, area_.y + area_.height);
        last_ = {x, y};
        const Point moved{cornerX - corner_.x, cornerY - corner_.y};
        if (moved.x == 0 && moved.y == 0)
            return false;
        corner_ = {cornerX, cornerY};
        verticalMove_ += moved.y;
        Point *handles = control_.handles();
        for (int i = 0; i < EnvelopeControl::kHandleCount; ++i) {
            handles[i].x += moved.x;
            handles[i].y += moved.y;
        }
        return true;
    }

    void end(int x, int y) override
    {
        const Rect plot = control_.plot();
        control_.placeCursor(std::clamp(x, plot.x, plot.x + plot.width),
                             std::clamp(y, plot.y, plot.y + plot.height));
    }

    std::string statusText() const override
    {
        const int change = -mulDiv64(control_.valueRange(), verticalMove_, control_.plot().height);
        return formatted("Velocity Envelope: velo change = %+d", change);
    }

private:
    Point last_;
    Point corner_;
    Rect area_;
    int verticalMove_ = 0;
};

} // namespace

EnvelopeControl::~EnvelopeControl()
{
    tool_.reset();
    envelope_ = nullptr;
    listeners_.reset();
}

void EnvelopeControl::setBounds(Pane *parent, const Rect &rect)
{
    Control::setBounds(parent, rect);
    computeHandles();
}

void EnvelopeControl::setEnvelope(VelocityEnvelope *envelope)
{
    envelope_ = envelope;
    for (Point &point : handles_)
        point = {};
    computeHandles();
    repaint();
}

void EnvelopeControl::refresh()
{
    if (!tool_)
        computeHandles();
    repaint();
}

Rect EnvelopeControl::plot() const
{
    const Rect &area = bounds();
    return {4, 4, area.width - 8, area.height - 8};
}

int EnvelopeControl::valueRange() const
{
    if (!envelope_)
        return 0;
    return envelope_->isAbsolute() ? 126 : 2 * envelope_->range();
}

int EnvelopeControl::topValue() const
{
    if (!envelope_)
        return 0;
    return envelope_->isAbsolute() ? 127 : envelope_->range();
}

bool EnvelopeControl::isUsable() const
{
    const Rect area = plot();
    return envelope_ && valueRange() > 0 && area.width >= 1 && area.height >= 1;
}

int EnvelopeControl::positionAt(int x) const
{
    const Rect area = plot();
    return area.width < 1 ? 0 : mulDiv64(kSpan, x - area.x, area.width);
}

int EnvelopeControl::valueAt(int y) const
{
    const Rect area = plot();
    return area.height < 1 ? topValue() : topValue() - mulDiv64(valueRange(), y - area.y, area.height);
}

void EnvelopeControl::computeHandles()
{
    if (!isUsable())
        return;
    const Rect area = plot();
    for (int i = 0; i < kHandleCount; ++i) {
        handles_[i].x = area.x + mulDiv64(envelope_->position(i), area.width, kSpan);
        handles_[i].y = area.y + mulDiv64(topValue() - envelope_->value(i), area.height, valueRange());
    }
}

void EnvelopeControl::writeBack()
{
    // A handle on its starting pixel keeps its exact starting point: the
    // pixel grid is coarser than the envelope's steps.
    for (int i = 0; i < kHandleCount; ++i) {
        if (handles_[i] == handles_[kHandleCount + i])
            envelope_->setPoint(i, startPoints_[i].x, startPoints_[i].y);
        else
            envelope_->setPoint(i, positionAt(handles_[i].x), valueAt(handles_[i].y));
    }
}

void EnvelopeControl::notify(int kind, const char *text)
{
    invokeDelegate(listeners_, ChangedArgs{this, kind, text});
}

void EnvelopeControl::mousePressed(MouseEvent &e)
{
    if (e.button != 1 || tool_ || !isUsable())
        return;
    computeHandles();
    int hit = -1;
    for (int i = 0; i < kHandleCount && hit < 0; ++i)
        if (std::abs(e.x - handles_[i].x) <= 3 && std::abs(e.y - handles_[i].y) <= 3)
            hit = i;
    if (hit >= 0)
        tool_ = std::make_unique<PointDragger>(*this, hit);
    else
        tool_ = std::make_unique<CurveDragger>(*this);
    std::copy(handles_, handles_ + kHandleCount, handles_ + kHandleCount);
    for (int i = 0; i < kHandleCount; ++i)
        startPoints_[i] = {envelope_->position(i), envelope_->value(i)};
    tool_->begin(e.x, e.y);
    hidePointer();
    repaint();
}

void EnvelopeControl::mouseDragged(MouseEvent &e)
{
    if (!tool_ || !tool_->move(e.x, e.y))
        return;
    writeBack();
    repaint();
    const std::string status = tool_->statusText();
    notify(Dragged, status.c_str());
}

void EnvelopeControl::mouseReleased(MouseEvent &e)
{
    if (e.button == 1 && tool_) {
        tool_->end(e.x, e.y);
        tool_.reset();
        showPointer();
        repaint();
        notify(DragEnded, nullptr);
    } else if (e.button == 2) {
        showMenu(e);
    }
}

void EnvelopeControl::showMenu(const MouseEvent &e)
{
    if (!envelope_)
        return;
    const bool absolute = envelope_->isAbsolute();
    const PopupMenuItems menu = {
        {envelope_->isOn() ? "Disable" : "Enable", kMenuToggle, MF_STRING},
        {"", 0, MF_STRING},
        {"Velo+", kMenuRelative, static_cast<UINT>(MF_STRING | (absolute ? 0 : MF_CHECKED))},
        {"Velo", kMenuAbsolute, static_cast<UINT>(MF_STRING | (absolute ? MF_CHECKED : 0))},
    };
    const int chosen = showPopupMenu(menu, {e.x, e.y, 0, 0});
    bool accepted = false;
    if (chosen == kMenuToggle) {
        envelope_->setOn(!envelope_->isOn());
        accepted = true;
    } else if (chosen == kMenuRelative || chosen == kMenuAbsolute) {
        accepted = envelope_->setAbsolute(chosen == kMenuAbsolute ? 1 : 0);
        if (accepted)
            computeHandles();
    }
    if (!accepted)
        return;
    repaint();
    notify(MenuChanged, nullptr);
}

void EnvelopeControl::paintSelf(GraphicsContext &gc)
{
    gc.fillRectInColor(getLocalBounds(), 0xC8D0D4);
    if (!envelope_)
        return;
    const Rect area = plot();
    gc.fillRectInColor(area, envelope_->isOn() ? 0x9CE4D4 : 0x81B3A8);
    if (!isUsable())
        return;
    if (!tool_)
        computeHandles();
    if (!envelope_->isAbsolute()) {
        const int zero = area.y + mulDiv64(topValue(), area.height, valueRange());
        gc.drawLineInColor({area.x, zero}, {area.right(), zero}, 0x75AB9F);
    }
    POINT curve[kHandleCount + 2];
    curve[0] = {area.x, handles_[0].y};
    for (int i = 0; i < kHandleCount; ++i)
        curve[i + 1] = {handles_[i].x, handles_[i].y};
    curve[kHandleCount + 1] = {area.right(), handles_[kHandleCount - 1].y};
    RefPtr<Pen> pen = RefPtr<Pen>::adopt(Pen::create(0x4E726A));
    HGDIOBJ old = SelectObject(gc.dc(), pen->handle());
    Polyline(gc.dc(), curve, kHandleCount + 2);
    SelectObject(gc.dc(), old);
    for (int i = 0; i < kHandleCount; ++i) {
        const Rect box{handles_[i].x - 3, handles_[i].y - 3, 7, 7};
        const RECT edges = box.toRECT();
        drawFrame3d(gc.dc(), edges, 0xFFFFFF, 0x808080);
        gc.fillRectInColor({box.x + 1, box.y + 1, 5, 5}, 0xC8D0D4);
    }
}

} // namespace Quorvane
