// The bases of the panels' widgets. A Control is a pane that is its own
// mouse listener and also gets moves, drags and the wheel; a FlatControl
// adds the flat framed look with a focus frame and the keyboard and wheel
// stepping of the value controls; a TextControl is a label with an optional
// frame.
#pragma once

#include "plugin/framework/gui/gdi_objects.h"
#include "plugin/framework/gui/pane.h"

#include <string>

namespace Quorvane {

class Control : public Pane, public MouseListener {
public:
    Control();

    // Moves, drags and the wheel to the operations below, the clicked id to
    // the listeners' fifth operation, the rest to the listeners (this
    // control first, then any added).
    void processMouseEvent(MouseEvent &e) override;

    virtual void mouseMoved(MouseEvent &) {}
    virtual void mouseDragged(MouseEvent &) {}
    virtual void mouseWheel(MouseEvent &) {}
};

// Wheel notches of a delta: delta / 120 rounded to the nearest whole
// number, halves away from zero.
int wheelNotches(int delta);

class FlatControl : public Control {
public:
    FlatControl();

    // A left press takes the focus.
    void mousePressed(MouseEvent &e) override;
    void processFocusEvent(FocusEvent &e) override;
    // Numeric-pad plus and minus (without Ctrl) step by one.
    void passKeyEvent(KeyEvent &e) override;
    void mouseWheel(MouseEvent &e) override;
    void paintSelf(GraphicsContext &gc) override;

    // Draws the content inside the frame.
    virtual void paintContent(GraphicsContext &gc, const Rect &rect);
    // Changes the value by delta; true when something changed.
    virtual bool step(int delta);
    virtual bool stepBy(int delta);

protected:
    COLORREF textColour_ = 0x000000;
    COLORREF faceColour_;
    COLORREF frameColour_ = 0xFFFFFF;
    COLORREF focusFrameColour_ = 0x404040;
};

class TextControl : public Control {
public:
    // Frame styles: none, a grey one-pixel frame, or any other value a
    // sunken 3-D frame.
    static constexpr int kNoFrame = 0;
    static constexpr int kGreyFrame = -2;
    static constexpr int kSunkenFrame = 1;

    void create(int frameStyle, const Rect &rect, Pane *parent);
    void setText(const std::string &text, bool repaintNow);
    const std::string &text() const { return text_; }
    void setFont(Font *font, bool repaintNow);
    void setFormat(UINT format) { format_ = format; }
    void paintSelf(GraphicsContext &gc) override;

private:
    std::string text_;
    RefPtr<Font> font_;
    int frameStyle_ = kNoFrame;
    UINT format_ = 0;
};

} // namespace Quorvane
