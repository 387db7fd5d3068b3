// The row of the fill editor that shows and controls one looper (one drum
// part): an instrument button with the part's drum icon, a mute button, the
// event bar with the part's beats, a parameter field (velocity, dynamics
// strength or time offset of the part) and a combo of the part's output drum
// sounds. It has its own keys and context menu and tells the panel which of
// its controls has the focus. The looper owns it (as its LooperView) and
// makes it through its engine on first demand; the panel places it.
#pragma once

#include "plugin/fill/looper/looper_view.h"
#include "plugin/fill/panel/looper_controls.h"
#include "plugin/framework/gui/event_bar.h"
#include "plugin/framework/gui/number_fields.h"
#include "plugin/framework/gui/root_pane.h"

#include <string>

namespace Quorvane {

class Grindelvosket;
class LooperViewPane;

// The panel as a row sees it.
class LooperViewOwner {
public:
    virtual Font *rowFont() = 0;
    virtual void showRowStatus(const std::string &text) = 0;
    // A control of the row took the focus (child 1..5), or the row itself
    // did (its current child).
    virtual void rowFocused(LooperViewPane &row, int child) = 0;
    // The focus left a row's control for somewhere else.
    virtual void rowFocusLeft(LooperViewPane &row) = 0;

protected:
    ~LooperViewOwner() = default;
};

class LooperViewPane : public EventBarOwner, public LooperView {
public:
    // The focused child of a row.
    enum Child { InstrumentChild = 1, MuteChild, BarChild, ParameterChild, NoteChild };

    static constexpr int kWidth = 396;
    static constexpr int kHeight = 19;
    static constexpr int kExtraHeight = 29; // the row of looper 0

    LooperViewPane(Grindelvosket &engine, Looper &looper, int index);
    ~LooperViewPane() override;

    // The instrument name of a looper index ("eXtra", "Kick", ... "Crash");
    // empty outside 0..9.
    static const char *instrumentName(int index);
    static SIZE preferredSize(int index);

    // Places the row in the panel (rect as left, top, right, bottom) and
    // lays out its controls.
    void create(Pane *panel, LooperViewOwner *owner, const RECT &rect);
    int index() const { return index_; }
    Looper &looper() const { return looper_; }

    // ---- LooperView: the looper shows its state
    void showMute(bool muted) override;
    void showNotesOff(bool notesOff) override;
    void refreshParameter() override;
    void refreshEvents() override;
    void setShown(bool shown) override;
    void locateTime(int32_t time, int32_t length, bool inZone) override;

    // Everything again: the flags, the parameter, the events, the
    // instrument caption and the combo's menu.
    void refresh();
    // The note combo's menu and caption from the drum maps and note names.
    void refreshInstrument();

    // ---- Set by the panel
    // The parameter the field shows: "Velo", "Dyn" or "Time".
    void showParameter(const std::string &name);
    int parameterIndex() const { return parameterIndex_; }
    void setEditMode(bool on) { bar_.setFlagAndRepaint(on); }
    void setGridDivisions(int divisions) { bar_.setDisplayValue(divisions); }
    // The panel selects (focused, with the child to focus) or deselects the
    // row.
    void setFocusState(bool focused, int child);
    bool isHighlighted() const override { return focused_; }
    int focusedChild() const { return focusedChild_; }

    // One entry point for buttons, keys and the context menu.
    void command(int id);
    // The context menu at a point of the row.
    void showContextMenu(Point at);

    // The parts, for the panel and tests.
    InstrumentButton &instrumentButton() { return instrument_; }
    SelectableButton &muteButton() { return mute_; }
    EventBar &eventBar() { return bar_; }
    ParamEdit &parameterField() { return param_; }
    NoteCombo &noteCombo() { return combo_; }

    void passKeyEvent(KeyEvent &e) override;
    void processMouseEvent(MouseEvent &e) override;
    void processFocusEvent(FocusEvent &e) override;
    void paintSelf(GraphicsContext &gc) override;

private:
    class ContextMenuHandler : public MouseListener {
    public:
        explicit ContextMenuHandler(LooperViewPane &row) : row_(row) {}
        void mousePressed(MouseEvent &e) override;

    private:
        LooperViewPane &row_;
    };
    // Remembers how often a button was pressed in a row, for its click.
    class ClickCounter : public MouseListener {
    public:
        void mousePressed(MouseEvent &e) override { count = e.clickCount; }
        int count = 0;
    };

    void childFocus(int child, bool gained);
    void instrumentClicked(unsigned mouseButton);
    void muteClicked(unsigned mouseButton);
    void noteChosen(int value);
    void notePreviewed(int value);
    Pane *child(int number);
    std::string instrumentMenuKey() const;

    Grindelvosket &engine_;
    Looper &looper_;
    LooperViewOwner *owner_ = nullptr;
    int index_;
    bool focused_ = false;
    int focusedChild_ = ParameterChild;
    int parameterIndex_ = Looper::VelocityOffset;
    AcceleratorTable keys_;
    InstrumentButton instrument_;
    FourStateSelectableButton<2100> mute_;
    EventBar bar_;
    ParamEdit param_;
    NoteCombo combo_;
    // What the instrument menu was last made from.
    std::string instrumentKey_;
    ContextMenuHandler contextMenu_{*this};
    ClickCounter instrumentClicks_;
    ClickCounter muteClicks_;
    RefPtr<Delegate1<unsigned>> instrumentListener_;
    RefPtr<Delegate1<unsigned>> muteListener_;
    RefPtr<Delegate1<int>> noteListener_;
    RefPtr<Delegate1<int>> previewListener_;
};

// Makes the row of a looper; null without a looper.
LooperView *createLooperView(Grindelvosket &engine, Looper *looper, int index);
void destroyLooperView(LooperView *view);

} // namespace Quorvane
