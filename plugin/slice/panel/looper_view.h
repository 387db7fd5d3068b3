// A slice's row in the editor panel: a pane one row high that shows the
// slice it is bound to (mute, IDRC, compose, drum part, strokes range,
// pattern with previous and next, the event bar, a parameter and the drum
// sound) and turns clicks, choices, keys and its context menu into calls on
// that slice. It tells the panel which of its controls has the focus, and
// hands the panel the commands it does not carry out itself.
#pragma once

#include "plugin/framework/gui/buttons.h"
#include "plugin/framework/gui/flat_combo.h"
#include "plugin/framework/gui/number_fields.h"
#include "plugin/slice/engine/vostrapellin.h"
#include "plugin/slice/panel/shared_pictures.h"
#include "plugin/slice/panel/slice_event_bar.h"

#include <string>
#include <vector>

namespace Quorvane::LoopSlice {

class LooperView : public Pane, public LooperObserver {
public:
    // Told the view (null when the focus left it) and the command id of the
    // control that has the focus (-1 for none).
    using FocusDelegate = DelegateOf<LooperView *, int>;
    static constexpr int kWidth = 536;
    static constexpr int kHeight = 31;

    // The strokes combos, on the panel's background.
    class LenFlatCombo : public FlatCombo {
    public:
        LenFlatCombo();
    };
    // The drum part combo: a picture per part.
    class CollectionCombo : public FlatImageCombo {};

    LooperView(Looper &looper, Vostrapellin &engine);
    ~LooperView() override;

    // Places the view in the panel: makes and lays out its controls,
    // connects them, then registers with its slice, which fills them.
    void place(Pane *parent, const Rect &rect, Font *font, FocusDelegate *focus, Delegate1<int> *commands);

    Looper &looper() const { return looper_; }
    // The control of a command id; any other id gives the parameter edit.
    Pane &control(int id);
    // Carries out a command of the view (the Ctrl key as it is held now);
    // false for ids it leaves to the panel.
    bool command(int id);
    bool command(int id, bool control);

    // The panel's focused slice: the event bar is highlighted, and the
    // control of id (unless -1, then the one remembered) takes the focus.
    void setFocusedSlice(bool focused, int controlId);
    bool isFocusedSlice() const { return focusedSlice_; }
    int focusedControl() const { return focusedControl_; }

    // What the parameter edit shows, by the panel chooser's text: "Velo",
    // "Dyn" or "Time"; any other shows nothing.
    void showParameter(const std::string &chooserText);
    // 4050, 4051 or 4052 by the parameter shown; 0 for none.
    int parameterHelpId() const;
    void setEditMode(bool on) { bar_.setEditMode(on); }
    void setGrid(int divisions) { bar_.setGrid(divisions); }
    EventBar &eventBar() { return bar_; }

    // Everything from the slice again.
    void refresh();
    void refreshPatterns();
    void refreshStrokes();
    void refreshParts();
    void refreshNoteName();
    void showMute();
    void showLocked();
    void looperChanged(bool folderChanged) override;

    void passKeyEvent(KeyEvent &e) override;
    // The context menu as it opens now.
    PopupMenuItems contextMenu() const;
    void openContextMenu(int x, int y);

    SelectableButton &muteButton() { return mute_; }
    SelectableButton &idrcButton() { return idrc_; }
    CollectionCombo &partCombo() { return part_; }
    LenFlatCombo &strokesMax() { return strokesMax_; }
    LenFlatCombo &strokesMin() { return strokesMin_; }
    FlatCombo &patternCombo() { return pattern_; }
    FlatMLCombo &noteCombo() { return note_; }
    ParamEdit &parameterEdit() { return param_; }
    // The pattern files the pattern combo lists, in its order.
    const std::vector<std::string> &listedPatterns() const { return patternFiles_; }

private:
    class ContextMenuHandler : public MouseListener {
    public:
        ContextMenuHandler(LooperView &view, Pane *source) : view_(view), source_(source) {}
        void mousePressed(MouseEvent &e) override;

    private:
        LooperView &view_;
        Pane *source_;
    };
    class ParamHandler : public ParamEdit::Handler {
    public:
        ParamHandler(Looper &looper, int index) : looper_(looper), index_(index) {}
        int getValue() override;
        void setValue(int value) override;

    private:
        Looper &looper_;
        int index_;
    };

    void muteToggled(bool selected);
    void muteClicked(unsigned mouseButton);
    void idrcToggled(bool selected);
    void composeClicked() { command(ID_COMPOSE); }
    void previousClicked() { command(ID_PREVIOUS_PATTERN); }
    void nextClicked() { command(ID_NEXT_PATTERN); }
    void partChosen(int index);
    void strokesMaxChosen(int index);
    void strokesMinChosen(int index);
    void patternChosen(int index);
    void noteChosen(int value);
    void notePreviewed(int value);
    void controlFocusChanged(bool gained);
    void compose();
    // The sound's source note (the slice's first note through the engine's
    // map, or its fixed note).
    int sourceNote() const;

    Looper &looper_;
    Vostrapellin &engine_;
    bool focusedSlice_ = false;
    int focusedControl_ = ID_PARAMETER;
    RefPtr<FocusDelegate> focusDelegate_;
    RefPtr<Delegate1<int>> commands_;
    ParamEdit param_;
    int parameterIndex_ = 0;
    EventBar bar_;
    LenFlatCombo strokesMax_;
    LenFlatCombo strokesMin_;
    FlatCombo pattern_;
    FlatMLCombo note_;
    // What the note menu was last made from.
    std::string noteMenuKey_;
    ContextMenuHandler menuHandler_{*this, this};
    ContextMenuHandler barMenuHandler_{*this, &bar_};
    CollectionCombo part_;
    SelectableButton mute_;
    SelectableButton idrc_;
    FlatButton previous_;
    FlatButton next_;
    FlatButton compose_;
    PictureUse mutePicture_{IDB_MUTE};
    PictureUse idrcPicture_{IDB_IDRC};
    PictureUse previousPicture_{IDB_PREVIOUS};
    PictureUse nextPicture_{IDB_NEXT};
    PictureUse composePicture_{IDB_COMPOSE};
    PictureUse partsPicture_{IDB_PARTS};
    std::vector<std::string> patternFiles_;
    int source_ = -1;
    // Set while the view shows the slice's state, so its own listeners do
    // not act on it.
    bool refreshing_ = false;
};

// The text a pattern shows in the pattern combo: its number (the name's
// first field), or the file name without the extension when the name tells
// nothing.
std::string patternLabel(const std::string &file);

} // namespace Quorvane::LoopSlice
