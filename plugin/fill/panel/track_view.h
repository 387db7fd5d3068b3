// The strip of the fill editor that shows how the notes of the host track
// are treated while the fill plays: before the fill, during it and after it.
// Each zone is a coloured button as wide as the part of the loop it stands
// for; a click changes the engine's masking.
#pragma once

#include "plugin/framework/gui/buttons.h"

#include <string>

namespace Quorvane {

class Grindelvosket;

class TrackView : public Pane {
public:
    static constexpr int kWidth = 201;
    static constexpr int kHeight = 22;
    static constexpr COLORREF kMasked = 0x81B3A8;
    static constexpr COLORREF kPassing = 0x9CE4D4;

    // A zone button: state 0..3, selected exactly at 3; state 1 and 2 paint
    // 2 and 4 stripes.
    class ColorButton : public SelSmartTextButton {
    public:
        void setState(int state);
        int state() const { return state_; }
        void paintBackground(GraphicsContext &gc, const Rect &rect) override;

    private:
        int state_ = 0;
    };

    explicit TrackView(Grindelvosket &engine);
    ~TrackView() override;

    // The three zones on the strip for a loop of length L holding the fill
    // from S to E (all in 240 ticks per quarter), one pixel apart; a loop of
    // no length is one fill zone.
    struct Zones {
        Rect pre;
        Rect fill;
        Rect after;
    };
    static Zones zones(int32_t length, int32_t start, int32_t end);

    // The captions of the mask modes 0..3.
    static const char *maskCaption(int mode);
    // The description of a button state in the help line.
    static const char *stateDescription(int state);

    // Places the view (rect as left, top, right, bottom) with the panel's
    // font and lays out the zones.
    void create(Pane *parent, const RECT &rect, Font *font);
    // The zones and states from the engine.
    void update();

    // The tooltip of the zone under a point of the view: its title and the
    // help line; false outside the zones.
    bool toolTip(Point at, std::string &title, std::string &status);

    ColorButton &preZone() { return pre_; }
    ColorButton &fillZone() { return fill_; }
    ColorButton &afterZone() { return after_; }

private:
    void clicked(int zone);

    Grindelvosket &engine_;
    RefPtr<Font> font_;
    ColorButton pre_;
    ColorButton fill_;
    ColorButton after_;
    RefPtr<Delegate> listeners_[3];
};

} // namespace Quorvane
