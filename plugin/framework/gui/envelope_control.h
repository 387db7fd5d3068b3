// The small graphic editor of a velocity envelope: its three points over
// one cycle of 960 steps, a drag of one point or of the whole curve, and a
// context menu that switches the envelope on or off and between relative
// and absolute values. Listeners hear every change with a status text
// while dragging.
#pragma once

#include "plugin/framework/gui/control.h"

#include <memory>
#include <string>

class VelocityEnvelope;

namespace Quorvane {

class EnvelopeControl;

// One gesture of the control, from press to release.
class EnvelopeDragger {
public:
    virtual ~EnvelopeDragger() = default;
    virtual void begin(int x, int y);
    // True when something moved.
    virtual bool move(int x, int y);
    // Places the cursor at the point where the gesture ends.
    virtual void end(int x, int y);
    virtual std::string statusText() const;

protected:
    explicit EnvelopeDragger(EnvelopeControl &control) : control_(control) {}
    EnvelopeControl &control_;
};

class EnvelopeControl : public Control {
public:
    static constexpr int kSpan = 960;
    static constexpr int kHandleCount = 3;
    static constexpr int kMenuToggle = 999;
    static constexpr int kMenuRelative = 100;
    static constexpr int kMenuAbsolute = 101;

    enum Kind { Dragged = 1, DragEnded = 2, MenuChanged = 3 };
    struct ChangedArgs {
        EnvelopeControl *source;
        int kind;
        const char *text; // the drag's status while dragging, else null
    };

    EnvelopeControl() = default;
    ~EnvelopeControl() override;

    // Attaches the edited envelope (not owned; null detaches).
    void setEnvelope(VelocityEnvelope *envelope);
    VelocityEnvelope *envelope() const { return envelope_; }
    void addListener(Delegate1<const ChangedArgs &> *listener) { addDelegate(listeners_, listener); }
    // Reads the envelope again (after it changed elsewhere) and repaints.
    void refresh();

    // The area the points are drawn in: the pane less 4 pixels each side.
    Rect plot() const;
    Point handle(int index) const { return handles_[index]; }
    bool isDragging() const { return tool_ != nullptr; }
    // Ticks and value of a pane point.
    int positionAt(int x) const;
    int valueAt(int y) const;
    int valueRange() const;
    int topValue() const;
    // An envelope to edit and room to show it.
    bool isUsable() const;

    void mousePressed(MouseEvent &e) override;
    void mouseReleased(MouseEvent &e) override;
    void mouseDragged(MouseEvent &e) override;
    void paintSelf(GraphicsContext &gc) override;
    void setBounds(Pane *parent, const Rect &rect) override;

    // For the drag tools.
    Point *handles() { return handles_; }
    void placeCursor(int x, int y) { setMousePosition({x, y}); }

private:
    void computeHandles();
    void writeBack();
    void notify(int kind, const char *text);
    void showMenu(const MouseEvent &e);

    RefPtr<Delegate1<const ChangedArgs &>> listeners_;
    VelocityEnvelope *envelope_ = nullptr;
    // 0-2 the handles, 3-5 their places when the drag began.
    Point handles_[2 * kHandleCount] = {};
    // The envelope's points (position, value) when the drag began.
    Point startPoints_[kHandleCount] = {};
    std::unique_ptr<EnvelopeDragger> tool_;
};

} // namespace Quorvane
