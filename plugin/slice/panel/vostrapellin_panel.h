// The loop-slice drummer's editor window: six slice rows, the global
// performance controls (mode, variation size, swing, main dynamics,
// humanize, quantize), the column headers with their choosers, the quick
// pads, the drag-out field, the loop browser, Reset, Options and Help, and
// context help for every control. It follows the engine as one of its views
// and drives it.
#pragma once

#include "plugin/framework/gui/buttons.h"
#include "plugin/framework/gui/drag_from_here.h"
#include "plugin/framework/gui/drummer_panel.h"
#include "plugin/framework/gui/flat_combo.h"
#include "plugin/framework/gui/gone_notice.h"
#include "plugin/framework/gui/modal_dialog.h"
#include "plugin/framework/gui/pad_panel.h"
#include "plugin/framework/gui/sliders.h"
#include "plugin/slice/engine/vostrapellin.h"
#include "plugin/slice/panel/loop_browser.h"
#include "plugin/slice/panel/looper_view.h"

#include <array>
#include <memory>
#include <string>

namespace Quorvane::LoopSlice {

// A control with its label: a frame round both, the label's text inside.
struct LabeledControl {
    std::string label;
    UINT format = 0;
    Rect labelRect;
    Rect controlRect;

    void set(const std::string &text, const Rect &labelPlace, const Rect &controlPlace, UINT textFormat);
    void draw(GraphicsContext &gc, COLORREF frame) const;
};

class VostrapellinPanel : public DrummerPanel, public EngineView {
public:
    static constexpr int kSlices = kSliceCount;
    static constexpr int kSliceTop = 51;
    static constexpr int kRowStep = LooperView::kHeight + 2;
    static constexpr int kBottomBand = 90;
    // The grid combo's entries and the divisions of a measure they give.
    static constexpr int kGridDivisions[7] = {0, 8, 12, 16, 24, 32, 48};
    static constexpr const char *kStatusPrompt = "For Help, press F1";

    explicit VostrapellinPanel(Vostrapellin &engine);
    ~VostrapellinPanel() override;

    // PluginView. The layout is fixed: the window keeps the preferred size
    // wherever the host places it.
    void getViewSize(SIZE *size) override;

    // EngineView
    void engineChanged() override;
    void padSelected(int pad) override;
    void showStatus(const std::string &text) override;
    // "Save edits to loop?": Yes saves through the loop browser and goes on
    // only when the save succeeded; No goes on; Cancel stops.
    bool mayChangePatterns() override;
    HWND viewWindow() const override { return handle(); }
    void closeView() override { destroyView(); }

    // Engine, loop browser and six views present.
    bool isComplete() const;
    // The panel's commands; false for ids it does not know (they go on to
    // the window's standard handling).
    bool onCommand(int id);

    // Context help: the id of the control at a point (0 for none), and a
    // help request for an id: the tooltip text, with the status text shown.
    int helpIdAt(int x, int y) const;
    bool helpRequest(int id, std::string &tooltip);

    // The focused slice's row, the last focused one (-1 for none), and the
    // current one: the focused, else the last focused.
    int focusedSlice() const { return focused_; }
    int lastFocusedSlice() const { return lastFocused_; }
    int currentSlice() const { return focused_ >= 0 ? focused_ : lastFocused_; }
    int rememberedControl() const { return rememberedControl_; }
    // Row i shows slice 5 - i: the kick on top.
    LooperView &view(int row) { return *views_[static_cast<size_t>(row)]; }
    static int sliceOfRow(int row) { return kSlices - 1 - row; }
    static Rect rowPlace(int row)
    {
        return {2, kSliceTop + 2 + row * kRowStep, LooperView::kWidth, LooperView::kHeight};
    }
    LoopBrowser &browser() { return *browser_; }

    // The grid of every event bar ("---" for a value not listed).
    void setGrid(int divisions);
    bool editMode() const { return editMode_; }
    const std::string &statusText() { return statusControl().text(); }

    FlatCombo &modeCombo() { return mode_; }
    FlatCombo &gridCombo() { return grid_; }
    FlatCombo &parameterChooser() { return chooser_; }
    FlatCombo &noteNamesCombo() { return noteNames_; }
    PadPanel &pads() { return pads_; }
    DragFromHere &dragField() { return drag_; }
    SelSmartTextButton &variationButton(int level) { return variation_[static_cast<size_t>(level)]; }
    SelSmartTextButton &quantizeButton() { return quantize_; }
    FlatSlider &swingSlider() { return swing_; }
    FlatSlider &humanizeSlider() { return humanize_; }
    DoubleSlider &dynamicsControl() { return dynamics_; }

protected:
    void initPanel() override;
    int toolHitTest(int x, int y) override;
    LRESULT toolText(NMTTDISPINFOA *info) override;
    void setLoopIndex(int index) override;
    void onTimer() override;
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void paintSelf(GraphicsContext &gc) override;

private:
    void buildHeader(Font *font);
    void buildRows(Font *font);
    void buildBottom(Font *font);
    void refreshAll();
    void refreshModes();
    void selectPad(int pad);
    void sliceFocusChanged(LooperView *view, int controlId);
    void moveFocus(int rows);
    void focusCurrentSlice();
    int rowOf(const LooperView *view) const;
    void repaintFrame(int row);
    Rect frameOf(int row) const;

    // Listeners of the controls.
    void modeChosen(int index);
    void gridChosen(int index);
    void parameterChosen(int index);
    void noteNamesChosen(int index);
    void padClicked(int index);
    void viewCommand(int id) { onCommand(id); }
    void dragOut();
    void composeAll() { onCommand(ID_COMPOSE_ALL); }
    void smallChosen() { chooseVariation(0); }
    void mediumChosen() { chooseVariation(1); }
    void largeChosen() { chooseVariation(2); }
    void chooseVariation(int level);
    void quantizeClicked();
    void editClicked() { onCommand(ID_EDIT); }
    void resetClicked() { onCommand(ID_RESET); }
    void optionsClicked() { onCommand(ID_OPTIONS); }
    void helpClicked() { onCommand(ID_HELP); }
    void swingMoved(bool going);
    void humanizeMoved(bool going);
    void dynamicsMoved(bool going);

    Vostrapellin *engine_;
    FlatSlider swing_{true};
    DoubleSlider dynamics_;
    FlatSlider humanize_{true};
    SelSmartTextButton quantize_;
    FlatCombo mode_;
    FlatCombo chooser_;
    FlatCombo noteNames_;
    std::array<LabeledControl, 4> labels_;
    SmartTextButton reset_;
    SmartTextButton options_;
    SmartTextButton help_;
    PadPanel pads_{10, 2};
    class Logo : public Pane {
    public:
        void paintSelf(GraphicsContext &gc) override;
        PictureUse picture{IDB_LOGO};
    } logo_;
    DragFromHere drag_;
    FlatButton composeAll_;
    std::array<SelSmartTextButton, 3> variation_;
    std::array<std::unique_ptr<LooperView>, kSlices> views_;
    int focused_ = -1;
    int lastFocused_ = -1;
    int rememberedControl_ = -1;
    std::unique_ptr<LoopBrowser> browser_;
    int preferredHeight_ = 0;
    std::array<TextControl, 4> headers_;
    SelSmartTextButton edit_;
    bool editMode_ = false;
    FlatCombo grid_;
    std::string helpText_;
    PictureUse composeAllPicture_{IDB_COMPOSE_ALL};
    PictureUse sliderTrack_{IDB_SLIDER_TRACK};
    PictureUse sliderThumb_{IDB_SLIDER_THUMB};
    PictureUse header_{IDB_HEADER};
    // Set while a slider is dragged: the engine's news do not move it.
    bool sliding_ = false;
    bool refreshing_ = false;
    // The options dialog while it runs: it ends when the panel goes.
    ModalDialog *openDialog_ = nullptr;
    // Questions and the options dialog wait in modal loops.
    GoneNotice gone_;
};

} // namespace Quorvane::LoopSlice
