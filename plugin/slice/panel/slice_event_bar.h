// The strip of a slice view that shows the notes of the slice's loop with a
// moving play line (the slice's notes draw themselves, slice_notes.h). In
// edit mode the mouse adds, deletes, moves and re-velocities notes; outside
// it a drag takes the loop out of the plug-in. The background tells whether
// the slice plays, is the focused one and is in edit mode.
#pragma once

#include "plugin/framework/gui/control.h"
#include "plugin/framework/gui/gdi_objects.h"
#include "plugin/slice/engine/vostrapellin.h"
#include "plugin/slice/panel/panel_ids.h"
#include "plugin/slice/panel/shared_pictures.h"

#include <cstdint>

namespace Quorvane::LoopSlice {

class EventBar : public Control {
public:
    // By index: +1 highlighted, +2 playing, +4 edit mode.
    static constexpr COLORREF kBackgrounds[8] = {RGB(187, 200, 145), RGB(200, 209, 165), RGB(212, 228, 156),
                                                 RGB(226, 237, 188), RGB(200, 200, 144), RGB(204, 204, 154),
                                                 RGB(240, 240, 180), RGB(244, 244, 202)};

    EventBar();
    ~EventBar() override;

    void bind(Looper *looper, Vostrapellin *engine);
    Looper *looper() const { return looper_; }
    // Places the bar; a click gives it the keyboard focus.
    void place(Pane *parent, const Rect &rect);

    void setHighlight(bool on);
    void setEditMode(bool on);
    void setGrid(int divisions);
    bool isHighlighted() const { return highlight_; }
    bool isEditMode() const { return editMode_; }
    int grid() const { return grid_; }

    // Moves the play line to position of a loop of length (host ticks),
    // drawn at once: a step of 1 to 3 pixels forward moves it by one pixel.
    // A length of 0 or less is no position and is ignored.
    void setPlayPosition(int64_t position, int64_t length);
    // The line's offset from the note area's left end less 6.
    int playLine() const { return playLine_; }

    Rect noteArea() const;
    int backgroundIndex() const;

    void paintSelf(GraphicsContext &gc) override;
    void mousePressed(MouseEvent &e) override;
    void mouseReleased(MouseEvent &e) override;
    void mouseDragged(MouseEvent &e) override;
    void mouseMoved(MouseEvent &e) override;

    // The gesture in edit mode, for tests.
    enum class Drag { None, Waiting, Velocity, Time };
    Drag drag() const { return drag_; }
    int editedNote() const { return edited_; }

protected:
    // Takes the loop out by drag and drop; true when a drag ran.
    virtual bool startDragOut();

private:
    void pressInEditMode(const MouseEvent &e);
    void follow(const MouseEvent &e);
    void drawPlayLine(GraphicsContext &gc, int line) const;
    void status(const char *format, int a, int b = 0);

    Looper *looper_ = nullptr;
    Vostrapellin *engine_ = nullptr;
    int playLine_ = 0;
    int grid_ = 0;
    bool tracking_ = false;
    bool highlight_ = false;
    bool editMode_ = false;
    Drag drag_ = Drag::None;
    Point press_;
    int edited_ = -1;
    int startVelocity_ = 0;
    // Shared by all bars, from the first bar's construction to the last
    // one's destruction.
    PictureUse bar_{IDB_NOTE_BAR};
    PictureUse marker_{IDB_NOTE_MARKER};
};

} // namespace Quorvane::LoopSlice
