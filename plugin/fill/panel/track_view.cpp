#include "plugin/fill/panel/track_view.h"

#include "plugin/fill/engine/grindelvosket.h"
#include "plugin/fill/panel/panel_ids.h"
#include "plugin/framework/gui/graphics_context.h"

#include "base/arith.h"
#include "plugin/framework/plugin/com_object.h"

#include <algorithm>

namespace Quorvane {

void TrackView::ColorButton::setState(int state)
{
    if (state == state_ && isSelected() == (state == 3))
        return;
    state_ = state;
    setSelected(state == 3);
    repaint();
}

void TrackView::ColorButton::paintBackground(GraphicsContext &gc, const Rect &rect)
{
    if (state_ <= 0 || state_ >= 3) {
        gc.fillRectInColor(rect, state_ >= 3 ? kPassing : kMasked);
        return;
    }
    const int stripes = 2 * state_;
    const int height = rect.height / stripes;
    gc.fillRectInColor(rect, kMasked);
    for (int i = 0; i < stripes; ++i)
        gc.fillRectInColor({rect.x, rect.y + i * height, rect.width, height},
                           i % 2 == 0 ? kMasked : kPassing);
}

TrackView::TrackView(Grindelvosket &engine) : engine_(engine)
{
    ColorButton *buttons[] = {&pre_, &fill_, &after_};
    for (int zone = 0; zone < 3; ++zone) {
        listeners_[zone] = IndexedDelegateT<TrackView>::create(this, &TrackView::clicked, zone);
        buttons[zone]->addCommandListener(listeners_[zone].get());
    }
}

TrackView::~TrackView()
{
    after_.detach();
    fill_.detach();
    pre_.detach();
}

const char *TrackView::maskCaption(int mode)
{
    static const char *const captions[] = {"mask all", "mask drumset", "mask instrument", "through"};
    return mode >= 0 && mode < 4 ? captions[mode] : "";
}

const char *TrackView::stateDescription(int state)
{
    static const char *const descriptions[] = {
        "Mask All. All notes of the track are filtered. ",
        "Mask Drumset. Filters notes used in current drumset of the fill. ",
        "Mask Instrument. Filters notes used in current fill. ",
        "No Mask. All notes of the track pass through. ",
    };
    return state >= 0 && state < 4 ? descriptions[state] : "";
}

void TrackView::create(Pane *parent, const RECT &rect, Font *font)
{
    font_ = RefPtr<Font>(font);
    setBounds(parent, Rect::fromRECT(rect));
    const int ids[] = {IDC_TRACK_MASKING, IDC_TRACK_FILL_ZONE, IDC_TRACK_AFTER_ZONE};
    ColorButton *buttons[] = {&pre_, &fill_, &after_};
    for (int zone = 0; zone < 3; ++zone) {
        buttons[zone]->create(ids[zone], {}, this);
        buttons[zone]->setAlwaysFramed(true);
        buttons[zone]->setFont(font);
    }
    update();
    repaint();
}

TrackView::Zones TrackView::zones(int32_t length, int32_t start, int32_t end)
{
    // Right edge of the pre zone, left edge of the after zone.
    int preRight = 0;
    int afterLeft = kWidth;
    if (length > 0) {
        start = std::clamp<int32_t>(start, 0, length);
        preRight = kWidth - mulDiv64(kWidth, length - start, length);
        afterLeft = std::max(mulDiv64(kWidth, std::clamp<int32_t>(end, 0, length), length), preRight);
    }
    int fillRight = afterLeft;
    // One-pixel gaps between the zones.
    preRight -= 1;
    if (afterLeft < kWidth)
        fillRight -= 1;
    const int fillLeft = std::max(preRight + 1, 0);
    return {{0, 0, std::max(preRight, 0), kHeight},
            {fillLeft, 0, std::max(fillRight - fillLeft, 0), kHeight},
            {afterLeft, 0, kWidth - afterLeft, kHeight}};
}

void TrackView::update()
{
    const Zones strip = zones(engine_.fillLength(), engine_.punchIn(), engine_.punchOut());
    pre_.setRect(strip.pre);
    fill_.setRect(strip.fill);
    after_.setRect(strip.after);

    pre_.setState(engine_.preZone() ? 3 : 0);
    fill_.setState(engine_.maskMode());
    fill_.setText(maskCaption(engine_.maskMode()));
    after_.setState(engine_.afterZone() ? 3 : 0);
    repaint();
}

void TrackView::clicked(int zone)
{
    switch (zone) {
    case 0:
        engine_.setZones(pre_.isSelected() ? 0 : 1, -1, -1, true);
        break;
    case 1:
        engine_.setZones(-1, engine_.maskMode() + 1, -1, true);
        break;
    default:
        engine_.setZones(-1, -1, after_.isSelected() ? 0 : 1, true);
        break;
    }
}

bool TrackView::toolTip(Point at, std::string &title, std::string &status)
{
    const ColorButton *under = nullptr;
    for (const ColorButton *button : {&pre_, &fill_, &after_})
        if (button->bounds().contains(at.x, at.y))
            under = button;
    if (!under)
        return false;
    char text[256] = {};
    LoadStringA(com::thisModule(), IDC_TRACK_MASKING, text, sizeof text);
    const std::string help = text;
    const size_t split = help.find('\n');
    title = help.substr(0, split);
    status = std::string(stateDescription(under->state())) +
             (split == std::string::npos ? std::string() : help.substr(split + 1));
    return true;
}

} // namespace Quorvane
