// A small captioned field from which the user drags the drummer's current
// material out: it only notices the start of a drag gesture and calls its
// drag delegate; the owner does the dragging.
#pragma once

#include "plugin/framework/gui/control.h"

#include <string>

namespace Quorvane {

class DragFromHere : public Control {
public:
    bool create(const RECT &rect, Pane *parent, const std::string &caption);
    void setFont(Font *font, bool repaintNow);
    void setColor(COLORREF colour, bool repaintNow);
    void setDragDelegate(Delegate *delegate) { dragDelegate_ = RefPtr<Delegate>(delegate); }
    bool isArmed() const { return armed_; }

    void mousePressed(MouseEvent &e) override;
    void mouseReleased(MouseEvent &e) override;
    // A move with the button held arrives as a drag while the panel holds
    // the capture, so both start the drag.
    void mouseMoved(MouseEvent &e) override;
    void mouseDragged(MouseEvent &e) override;
    void paintSelf(GraphicsContext &gc) override;

private:
    void followPointer(const MouseEvent &e);

    RefPtr<Delegate> dragDelegate_;
    RefPtr<Font> font_;
    std::string caption_;
    Point press_;
    COLORREF colour_ = 0x808080;
    bool armed_ = false;
};

} // namespace Quorvane
