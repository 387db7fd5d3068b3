// The fill drummer's editor: a drummer panel over one engine that shows the
// quick pads, the fill's time locators and measure, the ten drum parts (each
// with its event bar), the pattern library, the track masking strip, the
// mixer mode, the main dynamics and velocity envelope, swing and quantize,
// and the edit tools. Every control writes straight into the engine; the
// engine tells the panel after each change, and news from other threads
// arrive as the posted "Quorvane_ViewsSetLoopIdx".
#pragma once

#include "plugin/fill/engine/engine_view.h"
#include "plugin/fill/panel/looper_view_pane.h"
#include "plugin/fill/panel/track_view.h"
#include "plugin/framework/gui/drag_from_here.h"
#include "plugin/framework/gui/drummer_panel.h"
#include "plugin/framework/gui/envelope_control.h"
#include "plugin/framework/gui/flat_combo.h"
#include "plugin/framework/gui/number_fields.h"
#include "plugin/framework/gui/pad_panel.h"
#include "plugin/framework/gui/sliders.h"

#include <memory>
#include <string>

namespace Quorvane {

class Grindelvosket;
class PatternsView;

class GrindelvosketPanel : public DrummerPanel,
                           public EngineView,
                           public EnginePanel,
                           public LooperViewOwner {
public:
    static constexpr int kRows = 10;
    static constexpr COLORREF kBackground = 0xC8D0D4;

    // The lock of the time locators: its picture shows the manual mode.
    class LockButton : public SelSmartBmpButton {
    public:
        LockButton();
        Bitmap *getBitmap(Point &sourceOrigin) override;
        void paintContent(GraphicsContext &gc, const Rect &rect) override;
        void sizeToBitmap() override;

    private:
        RefPtr<Bitmap> selectedPicture_;
        RefPtr<Bitmap> picture_;
    };

    // A panel over the engine; null without an engine, or when its drum
    // parts or its track strip could not be made.
    static GrindelvosketPanel *create(Grindelvosket *engine);
    ~GrindelvosketPanel() override;

    // The size that holds every control.
    static SIZE preferredSize();
    // The panel keeps this size at the place it is given.
    void getViewSize(SIZE *size) override;

    // ---- EngineView
    void engineChanged() override;
    void padSelected(int pad) override;
    void showStatus(const std::string &text) override;
    HWND viewWindow() const override { return handle(); }
    void closeView() override;

    // ---- EnginePanel
    void detachFromEngine() override;
    void showPatternSelection(const std::string &folder, const std::string &file) override;

    // ---- LooperViewOwner
    Font *rowFont() override { return panelFont(); }
    void showRowStatus(const std::string &text) override { setStatusText(text.c_str()); }
    void rowFocused(LooperViewPane &row, int child) override;
    void rowFocusLeft(LooperViewPane &row) override;

    // ---- Drum parts
    // Makes row current (null: none); a child other than -1 becomes the
    // child the current row focuses.
    void selectLooperView(LooperViewPane *row, int child);
    // Selects the last row again when none is current, and focuses it.
    void restoreLooperFocus();
    void setEditMode(bool on);
    bool editMode() const { return edit_.isSelected(); }
    int currentLooperIndex() const { return current_; }
    LooperViewPane *row(int looperIndex) const;

    // Handles a command as WM_COMMAND does; false when left unhandled.
    bool command(int id, int code);

    Grindelvosket *engine() const { return engine_; }
    PatternsView *patternsView() const { return patternsView_.get(); }
    TrackView *trackView() const { return trackView_.get(); }
    const std::string &fillTitle() const { return title_.text(); }
    const char *toolTitle() const { return toolTitle_; }

    // The controls, for tests.
    PadPanel &pads() { return pads_; }
    TwinSlider &timeLocators() { return locators_; }
    LockButton &lockButton() { return lock_; }
    BarEdit &measureField() { return measure_; }
    FlatCombo &controlSelection() { return controlSelection_; }
    FlatCombo &noteNamesCombo() { return noteNames_; }
    FlatCombo &gridCombo() { return grid_; }
    FlatCombo &resolutionCombo() { return resolution_; }
    FlatCombo &swingDurationCombo() { return swingDuration_; }
    FlatImageCombo &mixerCombo() { return mixer_; }
    FlatSlider &swingSlider() { return swing_; }
    DoubleSlider &dynamicsControl() { return dynamics_; }
    EnvelopeControl &envelopeControl() { return envelope_; }
    SelSmartTextButton &quantizeButton() { return quantize_; }
    SelSmartTextButton &compareButton() { return compare_; }
    SelSmartTextButton &editButton() { return edit_; }
    DragFromHere &dragControl() { return drag_; }

protected:
    void initPanel() override;
    int toolHitTest(int x, int y) override;
    LRESULT toolText(NMTTDISPINFOA *info) override;
    void stopTimer() override;
    void setLoopIndex(int index) override;
    void onTimer() override;
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void paintSelf(GraphicsContext &gc) override;

private:
    class TimeListener;

    explicit GrindelvosketPanel(Grindelvosket &engine);
    RefPtr<TwinSlider::Listener> newTimeListener();
    void buildControls();
    void detach();
    void refreshFromEngine();
    void refreshTitle();
    void refreshCompare();
    void applyGrid();
    void padClicked(int pad);
    void choosePad(int pad);
    void onSwing(bool changing);
    void onVeloDyn(bool changing);
    void onEnvelopeChanged(const EnvelopeControl::ChangedArgs &args);
    void onTimeLocators();
    void onMeasure();
    void comboChosen(int id);
    void buttonCommand(int id);

    Grindelvosket *engine_;
    PadPanel pads_{10, 1};
    LooperViewPane *rows_[kRows] = {};
    std::unique_ptr<TrackView> trackView_;
    std::unique_ptr<PatternsView> patternsView_;
    int current_ = -1;
    int lastValid_ = -1;
    int child_ = LooperViewPane::ParameterChild;

    TextControl title_;
    DragFromHere drag_;
    BarEdit measure_;
    TwinSlider locators_;
    LockButton lock_;
    FlatImageCombo mixer_;
    FlatCombo controlSelection_;
    FlatCombo noteNames_;
    SelSmartTextButton edit_;
    FlatCombo grid_;
    SmartTextButton options_;
    SmartTextButton help_;
    SmartTextButton xform_;
    SelSmartTextButton compare_;
    EnvelopeControl envelope_;
    DoubleSlider dynamics_;
    SmartTextButton save_;
    FlatSlider swing_;
    FlatCombo swingDuration_;
    SelSmartTextButton quantize_;
    FlatCombo resolution_;
    SmartTextButton reset_;
    char toolTitle_[256] = {};
    Point lastToolPoint_;
    std::string shownPattern_;
    bool swingDragging_ = false;
    RefPtr<TwinSlider::Listener> timeListener_;
};

} // namespace Quorvane
