// The panels' sliders: FlatSlider, one value drawn from bitmaps; TwinSlider,
// a range with a low and a high handle; DoubleSlider, a pad whose knob sets
// two values. The handle sliders hide the pointer while dragging and move
// relative to where the handle stands; the right button drags eight times
// slower. Empty tracks and ranges move nothing.
#pragma once

#include "plugin/framework/gui/bitmaps.h"
#include "plugin/framework/gui/control.h"

namespace Quorvane {

// Hides the mouse pointer until the display count is negative, and shows
// it again until the count is not.
void hidePointer();
void showPointer();

class FlatSlider : public Control {
public:
    explicit FlatSlider(bool vertical = false) : vertical_(vertical) {}

    // The pane takes the background's size when there is one; a null thumb
    // uses the focused thumb for both states.
    int create(const Rect &rect, Pane *parent, int id, Bitmap *background, Bitmap *focusedThumb,
               Bitmap *thumb);
    void setRange(int minimum, int maximum);
    // Stored as it is and repainted; no listener.
    void setValue(int value);
    int value() const { return value_; }
    // Told true on each change, false when a drag ends.
    void setListener(Delegate1<bool> *listener) { listener_ = RefPtr<Delegate1<bool>>(listener); }
    Point thumbCentre() const { return thumbCentre_; }

    void mousePressed(MouseEvent &e) override;
    void mouseReleased(MouseEvent &e) override;
    void mouseDragged(MouseEvent &e) override;
    void passKeyEvent(KeyEvent &e) override;
    void paintSelf(GraphicsContext &gc) override;

private:
    void followPointer(const MouseEvent &e);
    void clampAndNotify();

    int minimum_ = 0;
    int maximum_ = 1;
    int value_ = 0;
    Point press_;
    Point thumbCentre_;
    int valueAtPress_ = 0;
    int previousValue_ = 0;
    RefPtr<Bitmap> background_;
    RefPtr<Bitmap> focusedThumb_;
    RefPtr<Bitmap> thumb_;
    int trackLength_ = 0;
    bool vertical_;
    RefPtr<Delegate1<bool>> listener_;
};

class TwinSlider : public Control {
public:
    // Hears every drag step.
    class Listener : public AbstractDelegate {
    public:
        virtual void changed(TwinSlider &slider) = 0;
    };

    TwinSlider();

    // min > max gives 0..1.
    void setRange(int minimum, int maximum);
    void setStart(int value);
    void setEnd(int value);
    void setBitmaps(Bitmap *low, Bitmap *high);
    // Null means nobody listens.
    void setListener(Listener *listener);
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    int low() const { return low_; }
    int high() const { return high_; }
    // 0 none, 1 low, 2 high.
    int draggedHandle() const { return dragged_; }
    // The handle point of a value.
    Point pointOf(int value) const;

    void mousePressed(MouseEvent &e) override;
    void mouseReleased(MouseEvent &e) override;
    void mouseExited(MouseEvent &e) override;
    void mouseDragged(MouseEvent &e) override;
    void paintSelf(GraphicsContext &gc) override;

private:
    int trackWidth() const { return bounds().width - 13; }
    void storeStart(int value);
    void storeEnd(int value);
    void endDrag();

    int minimum_ = 0;
    int maximum_ = 1;
    int low_ = 0;
    int high_ = 1;
    int anchorValue_ = 0;
    int dragged_ = 0;
    Point anchor_;
    int divisor_ = 1;
    RefPtr<Bitmap> lowHandle_;
    RefPtr<Bitmap> highHandle_;
    RefPtr<Listener> listener_;
};

class DoubleSlider : public Control {
public:
    // min > max gives 0..0.
    void setFirstRange(int minimum, int maximum);
    void setSecondRange(int minimum, int maximum);
    void setFirstValue(int value);
    void setSecondValue(int value);
    int firstValue() const { return x_.value; }
    int secondValue() const { return y_.value; }
    bool isDragging() const { return dragging_; }
    void setActiveLook(bool active);
    bool isActiveLook() const { return activeLook_; }
    // Told true on each drag step, false when the drag ends.
    void setListener(Delegate1<bool> *listener) { listener_ = RefPtr<Delegate1<bool>>(listener); }
    // The knob's point for the current values.
    Point knobPoint() const;

    void mousePressed(MouseEvent &e) override;
    void mouseReleased(MouseEvent &e) override;
    void mouseDragged(MouseEvent &e) override;
    void paintSelf(GraphicsContext &gc) override;

private:
    struct Axis {
        int minimum = 0;
        int maximum = 0;
        int value = 0;
        int anchorValue = 0;
    };
    Rect area() const { return {5, 5, bounds().width - 11, bounds().height - 11}; }
    Point pointOf(int x, int y) const;
    static void setRange(Axis &axis, int minimum, int maximum);
    static void followAxis(Axis &axis, int newValue);

    Axis x_;
    Axis y_;
    bool dragging_ = false;
    Point anchor_;
    int divisor_ = 1;
    bool activeLook_ = true;
    RefPtr<Delegate1<bool>> listener_;
};

} // namespace Quorvane
