// The panel's life, layout, refresh from the engine and painting.
#include "plugin/slice/panel/vostrapellin_panel.h"

#include "plugin/fill/library/pattern_tree.h"
#include "plugin/framework/gui/graphics_context.h"
#include "plugin/framework/gui/note_name_menus.h"
#include "plugin/framework/gui/panel_message_hook.h"
#include "plugin/slice/engine/slice_module.h"

namespace Quorvane::LoopSlice {

namespace {

constexpr int kHeaderBand = 33;
constexpr COLORREF kLabelFrame = RGB(128, 128, 128);
constexpr COLORREF kRowSeparator = RGB(160, 160, 160);
constexpr const char *kGridTexts[7] = {"---", "8", "8T", "16", "16T", "32", "32T"};
constexpr const char *kParameterTexts[3] = {"Velo", "Dyn", "Time"};
constexpr const char *kVariationTexts[3] = {"S", "M", "L"};
constexpr const char *kHeaderTexts[4] = {"IDRC", "Part", "Pattern", "Strokes"};
const Rect kHeaderPlaces[4] = {{22, 37, 36, 13}, {58, 37, 60, 13}, {121, 37, 56, 13}, {216, 37, 140, 13}};

} // namespace

// ---- LabeledControl

void LabeledControl::set(const std::string &text, const Rect &labelPlace, const Rect &controlPlace,
                         UINT textFormat)
{
    label = text;
    labelRect = labelPlace;
    controlRect = controlPlace;
    format = textFormat;
}

void LabeledControl::draw(GraphicsContext &gc, COLORREF frame) const
{
    const RECT labelPlace = labelRect.toRECT();
    const RECT controlPlace = controlRect.toRECT();
    HRGN both = CreateRectRgn(0, 0, 0, 0);
    HRGN labelRegion = CreateRectRgnIndirect(&labelPlace);
    HRGN controlRegion = CreateRectRgnIndirect(&controlPlace);
    CombineRgn(both, labelRegion, controlRegion, RGN_OR);
    HBRUSH brush = CreateSolidBrush(frame);
    FrameRgn(gc.dc(), both, brush, 1, 1);
    DeleteObject(brush);
    DeleteObject(controlRegion);
    DeleteObject(labelRegion);
    DeleteObject(both);
    const Rect inner{labelRect.x + 2, labelRect.y + 2, labelRect.width - 4, labelRect.height - 4};
    gc.drawText(label.c_str(), inner, format);
}

// ---- The panel

VostrapellinPanel::VostrapellinPanel(Vostrapellin &engine) : engine_(&engine)
{
    keepPreferredSize();
    installPanelMessageHook();
    engine_->addView(this);
    for (int row = 0; row < kSlices; ++row)
        views_[static_cast<size_t>(row)] =
            std::make_unique<LooperView>(engine.slice(sliceOfRow(row)), engine);
    browser_ = std::make_unique<LoopBrowser>(engine, SliceModule::dataFolders().loops, ".vpl");
}

VostrapellinPanel::~VostrapellinPanel()
{
    // An open options dialog would go on with a panel that is gone.
    if (openDialog_)
        openDialog_->endDialog(IDCANCEL);
    if (engine_)
        engine_->removeView(this);
    destroyView();
    browser_.reset();
    for (auto &view : views_)
        view.reset();
    releasePanelMessageHook();
}

bool VostrapellinPanel::isComplete() const
{
    if (!engine_ || !browser_)
        return false;
    for (const auto &view : views_)
        if (!view)
            return false;
    return true;
}

void VostrapellinPanel::getViewSize(SIZE *size)
{
    // The slice rows, the header band (the pads and 24 for the column
    // headers) and the bottom band.
    const int rows = 2 + static_cast<int>(views_.size()) * (LooperView::kHeight + 2);
    const int widest = LooperView::kWidth;
    const int header = std::max(26, pads_.bounds().height) + 2 * 2 + 24;
    preferredHeight_ = rows + header + kBottomBand;
    const int headerWidth = 433 + 102; // to the drag field's right end
    size->cx = std::max(widest + 4, headerWidth);
    size->cy = preferredHeight_;
}

void VostrapellinPanel::initPanel()
{
    DrummerPanel::initPanel();
    loadAccelerators(IDR_PANEL_KEYS);
    Font *font = panelFont();
    buildHeader(font);
    buildRows(font);
    buildBottom(font);
    refreshAll();
    setStatusText(kStatusPrompt);
}

void VostrapellinPanel::buildHeader(Font *font)
{
    mode_.create(ID_MODE, {6, 6, 60, 20}, this);
    mode_.setSelectionListener(
        MemberDelegate<VostrapellinPanel, int>::create(this, &VostrapellinPanel::modeChosen).get());
    void (VostrapellinPanel::*variations[3])() = {
        &VostrapellinPanel::smallChosen, &VostrapellinPanel::mediumChosen, &VostrapellinPanel::largeChosen};
    for (int level = 0; level < 3; ++level) {
        SelSmartTextButton &button = variation_[static_cast<size_t>(level)];
        button.create(ID_SMALL + level, {69 + 18 * level, 8, 16, 16}, this);
        button.setFont(font);
        button.setText(kVariationTexts[level]);
        button.addCommandListener(MemberDelegate<VostrapellinPanel>::create(this, variations[level]).get());
    }
    pads_.setBounds(this, {126, 2, 75, 26});
    pads_.setPadListener(
        MemberDelegate<VostrapellinPanel, int>::create(this, &VostrapellinPanel::padClicked).get());
    browser_->createWindow(handle(), RECT{207, 4, 431, 28});
    drag_.create(RECT{435, 6, 533, 26}, this, "Drag from here");
    drag_.setFont(font, false);
    drag_.setColor(0xC8D0D4, false);
    drag_.setDragDelegate(MemberDelegate<VostrapellinPanel>::create(this, &VostrapellinPanel::dragOut).get());

    for (size_t i = 0; i < headers_.size(); ++i) {
        headers_[i].create(TextControl::kNoFrame, kHeaderPlaces[i], this);
        headers_[i].setFont(font, false);
        headers_[i].setFormat(DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        headers_[i].setText(kHeaderTexts[i], false);
    }
    edit_.create(ID_EDIT, {180, 35, 32, 15}, this);
    edit_.setFont(font);
    edit_.setText("Edit");
    edit_.addCommandListener(
        MemberDelegate<VostrapellinPanel>::create(this, &VostrapellinPanel::editClicked).get());
    grid_.create(ID_GRID, {362, 35, 32, 15}, this);
    for (const char *text : kGridTexts)
        grid_.addItem(text);
    grid_.setSelectedIndex(0);
    grid_.setSelectionListener(
        MemberDelegate<VostrapellinPanel, int>::create(this, &VostrapellinPanel::gridChosen).get());
    chooser_.create(ID_PARAMETER_CHOOSER, {398, 35, 32, 15}, this);
    for (const char *text : kParameterTexts)
        chooser_.addItem(text);
    chooser_.setSelectedIndex(0);
    chooser_.setSelectionListener(
        MemberDelegate<VostrapellinPanel, int>::create(this, &VostrapellinPanel::parameterChosen).get());
    noteNames_.create(ID_NOTE_NAMES, {434, 35, 102, 15}, this);
    noteNames_.setSelectionListener(
        MemberDelegate<VostrapellinPanel, int>::create(this, &VostrapellinPanel::noteNamesChosen).get());
}

void VostrapellinPanel::buildRows(Font *font)
{
    auto focus = MemberDelegate<VostrapellinPanel, LooperView *, int>::create(
        this, &VostrapellinPanel::sliceFocusChanged);
    auto commands = MemberDelegate<VostrapellinPanel, int>::create(this, &VostrapellinPanel::viewCommand);
    for (int row = 0; row < kSlices; ++row)
        view(row).place(this, rowPlace(row), font, focus.get(), commands.get());
}

void VostrapellinPanel::buildBottom(Font *font)
{
    composeAll_.setPicture(composeAllPicture_.get(), 27, 0, 0);
    composeAll_.create(RECT{21, 259, 0, 0}, this, ID_COMPOSE_ALL);
    composeAll_.addCommandListener(
        MemberDelegate<VostrapellinPanel>::create(this, &VostrapellinPanel::composeAll).get());

    dynamics_.setBounds(this, {62, 258, 126, 53});
    dynamics_.setFirstRange(-100, 150);
    dynamics_.setSecondRange(-100, 100);
    dynamics_.setListener(
        MemberDelegate<VostrapellinPanel, bool>::create(this, &VostrapellinPanel::dynamicsMoved).get());
    humanize_.create({264, 258, 16, 53}, this, ID_HUMANIZE, sliderTrack_.get(), sliderThumb_.get(), nullptr);
    humanize_.setRange(0, 40);
    humanize_.setListener(
        MemberDelegate<VostrapellinPanel, bool>::create(this, &VostrapellinPanel::humanizeMoved).get());
    swing_.create({292, 258, 16, 53}, this, ID_SWING, sliderTrack_.get(), sliderThumb_.get(), nullptr);
    swing_.setRange(0, 100);
    swing_.setListener(
        MemberDelegate<VostrapellinPanel, bool>::create(this, &VostrapellinPanel::swingMoved).get());

    const UINT centred = DT_CENTER | DT_VCENTER | DT_WORDBREAK;
    labels_[0].set("Velocity Dynamics", {187, 259, 74, 34}, dynamics_.bounds(), centred);
    labels_[1].set("Humanize", {197, 295, 64, 19}, {261, 255, 22, 59},
                   DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    labels_[2].set("Swing", {311, 295, 64, 19}, {289, 255, 22, 59}, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    labels_[3].set("", {317, 255, 58, 34}, {317, 255, 58, 34}, centred);

    quantize_.create(ID_QUANTIZE, {318, 256, 56, 32}, this);
    quantize_.setFont(font);
    quantize_.setText("Quantize");
    quantize_.addCommandListener(
        MemberDelegate<VostrapellinPanel>::create(this, &VostrapellinPanel::quantizeClicked).get());

    struct Plain {
        SmartTextButton &button;
        int id;
        int y;
        const char *text;
        void (VostrapellinPanel::*clicked)();
    };
    for (const Plain &plain :
         {Plain{reset_, ID_RESET, 255, "Reset", &VostrapellinPanel::resetClicked},
          Plain{options_, ID_OPTIONS, 275, "Options", &VostrapellinPanel::optionsClicked},
          Plain{help_, ID_HELP, 295, "Help", &VostrapellinPanel::helpClicked}}) {
        plain.button.create(plain.id, {384, plain.y, 58, 18}, this);
        plain.button.setFont(font);
        plain.button.setText(plain.text);
        plain.button.setAlwaysFramed(true);
        plain.button.addCommandListener(MemberDelegate<VostrapellinPanel>::create(this, plain.clicked).get());
    }
    statusControl().create(TextControl::kSunkenFrame, {2, 322, 440, 18}, this);
    statusControl().setFont(font, false);
    statusControl().setFormat(DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    logo_.setBounds(this, {448, 250, 86, 87});
}

// ---- Following the engine

void VostrapellinPanel::engineChanged()
{
    refreshAll();
}

void VostrapellinPanel::padSelected(int pad)
{
    pads_.setCurrentPad(pad);
    refreshAll();
}

void VostrapellinPanel::setLoopIndex(int index)
{
    // A pad switched on another thread.
    padSelected(index);
}

void VostrapellinPanel::showStatus(const std::string &text)
{
    setStatusText(text.c_str());
}

void VostrapellinPanel::refreshModes()
{
    // Refilled only when the collections changed: an open list draws its
    // entries.
    const PatternTree *tree = engine_->patternTree();
    mode_.setItems(tree ? tree->folderNames(std::string()) : std::vector<std::string>());
    mode_.setSelectedIndex(mode_.indexOfText(engine_->collectionName()));
}

void VostrapellinPanel::refreshAll()
{
    if (!handle() || refreshing_)
        return;
    refreshing_ = true;
    refreshModes();
    for (int level = 0; level < 3; ++level)
        variation_[static_cast<size_t>(level)].setSelected(engine_->patternLevel() == level);
    if (!sliding_) {
        swing_.setValue(engine_->swingPercent());
        humanize_.setValue(engine_->humanizeRange());
        if (!dynamics_.isDragging()) {
            dynamics_.setFirstValue(engine_->velocityDynamics());
            dynamics_.setSecondValue(engine_->velocityCentre());
        }
    }
    quantize_.setSelected(engine_->quantizeOn());
    NoteNameMenus::fillSetCombo(noteNames_, engine_->noteNamesProvider(), engine_->noteNames().getName());
    pads_.setCurrentPad(engine_->currentPad());
    for (auto &view : views_)
        view->refresh();
    refreshing_ = false;
}

void VostrapellinPanel::onTimer()
{
    // The play lines follow the slices.
    for (auto &view : views_) {
        int64_t position = 0;
        int64_t length = 0;
        if (view->looper().playPosition(position, length))
            view->eventBar().setPlayPosition(position, length);
    }
}

// ---- Painting

Rect VostrapellinPanel::frameOf(int row) const
{
    const Rect place = rowPlace(row);
    return {place.x - 2, place.y - 2, place.width + 4, place.height + 4};
}

void VostrapellinPanel::repaintFrame(int row)
{
    if (row >= 0 && row < kSlices)
        repaintRect(frameOf(row));
}

void VostrapellinPanel::paintSelf(GraphicsContext &gc)
{
    const Rect all = getLocalBounds();
    gc.fillRectInColor(all, panelBackground());
    gc.fillRectInColor({0, 0, all.width, kHeaderBand}, panelBackground());
    if (Bitmap *band = header_.get())
        gc.drawBitmapPart(
            {0, 0}, {0, 0, std::min(all.width, band->width()), std::min(kHeaderBand, band->height())}, band);
    for (int row = 0; row < kSlices; ++row) {
        const int y = kSliceTop + row * kRowStep;
        gc.drawLineInColor({0, y}, {all.width, y}, kRowSeparator);
    }
    for (const LabeledControl &label : labels_)
        label.draw(gc, kLabelFrame);
    if (focused_ >= 0) {
        const Rect outer = frameOf(focused_);
        gc.frameRectInColor(outer, RGB(100, 100, 100));
        gc.frameRectInColor({outer.x + 1, outer.y + 1, outer.width - 2, outer.height - 2},
                            RGB(200, 200, 200));
    }
}

void VostrapellinPanel::Logo::paintSelf(GraphicsContext &gc)
{
    if (Bitmap *bitmap = picture.get())
        gc.drawBitmapAt({0, 0}, bitmap);
}

} // namespace Quorvane::LoopSlice
