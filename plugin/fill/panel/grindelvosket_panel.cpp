// The panel's life: made over an engine, its controls built and placed when
// its window exists, detached from the engine when its view closes.
#include "plugin/fill/panel/grindelvosket_panel.h"

#include "plugin/fill/engine/fill_module.h"
#include "plugin/fill/engine/grindelvosket.h"
#include "plugin/framework/gui/function_delegate.h"
#include "plugin/fill/panel/panel_ids.h"
#include "plugin/fill/panel/panel_layout.h"
#include "plugin/fill/panel/patterns_view.h"
#include "plugin/framework/gui/graphics_context.h"
#include "plugin/framework/gui/panel_message_hook.h"

#include <algorithm>

namespace Quorvane {

namespace {

// The pictures every panel shares, made with the first panel and released
// with the last.
struct SharedPictures {
    RefPtr<Bitmap> swingTrack;
    RefPtr<Bitmap> swingThumb;
    RefPtr<Bitmap> locatorLow;
    RefPtr<Bitmap> locatorHigh;
    RefPtr<Bitmap> mixerModes;
    HBRUSH childBrush = nullptr;
};
SharedPictures shared;
int panelCount = 0;

void acquireShared()
{
    if (panelCount++ > 0)
        return;
    const auto load = [](WORD id) { return RefPtr<Bitmap>::adopt(OpaqueBitmap::load(MAKEINTRESOURCEA(id))); };
    // The locators' white shows the panel's grey.
    const ColourMapEntry white[] = {{0xFFFFFF, 0xD4, 0xD0, 0xC8, 0}};
    const auto loadOnGrey = [&white](WORD id) {
        return RefPtr<Bitmap>::adopt(OpaqueBitmap::loadMapped(MAKEINTRESOURCEA(id), white, 1));
    };
    shared.swingTrack = load(IDB_SWING_TRACK);
    shared.swingThumb = load(IDB_SWING_THUMB);
    shared.locatorLow = loadOnGrey(IDB_LOCATOR_LOW);
    shared.locatorHigh = loadOnGrey(IDB_LOCATOR_HIGH);
    shared.mixerModes = load(IDB_MIXER_MODES);
}

void releaseShared()
{
    if (--panelCount > 0)
        return;
    shared.swingTrack.reset();
    shared.swingThumb.reset();
    shared.locatorLow.reset();
    shared.locatorHigh.reset();
    shared.mixerModes.reset();
    if (shared.childBrush)
        DeleteObject(shared.childBrush);
    shared.childBrush = nullptr;
}

HBRUSH childBrush()
{
    if (!shared.childBrush)
        shared.childBrush = CreateSolidBrush(GrindelvosketPanel::kBackground);
    return shared.childBrush;
}

} // namespace

// ---- The lock button

GrindelvosketPanel::LockButton::LockButton()
{
    const ColourMapEntry light[] = {{0x0000FF, 0xF2, 0xEE, 0xE6, 0}};
    const ColourMapEntry grey[] = {{0x0000FF, 0xD4, 0xD0, 0xC8, 0}};
    selectedPicture_ = RefPtr<Bitmap>::adopt(OpaqueBitmap::loadMapped(MAKEINTRESOURCEA(IDB_LOCK), light, 1));
    picture_ = RefPtr<Bitmap>::adopt(OpaqueBitmap::loadMapped(MAKEINTRESOURCEA(IDB_LOCK), grey, 1));
}

Bitmap *GrindelvosketPanel::LockButton::getBitmap(Point &sourceOrigin)
{
    sourceOrigin = {0, 0};
    return isSelected() ? selectedPicture_.get() : picture_.get();
}

void GrindelvosketPanel::LockButton::paintContent(GraphicsContext &gc, const Rect &)
{
    // The picture is the whole face.
    Point origin;
    if (Bitmap *picture = getBitmap(origin))
        gc.drawBitmapAt({0, 0}, picture);
}

void GrindelvosketPanel::LockButton::sizeToBitmap()
{
    if (selectedPicture_)
        setSize(selectedPicture_->width(), selectedPicture_->height());
}

// ---- Life

GrindelvosketPanel *GrindelvosketPanel::create(Grindelvosket *engine)
{
    if (!engine)
        return nullptr;
    auto *panel = new GrindelvosketPanel(*engine);
    bool usable = panel->trackView_ != nullptr;
    for (LooperViewPane *row : panel->rows_)
        usable = usable && row != nullptr;
    if (!usable) {
        delete panel;
        return nullptr;
    }
    return panel;
}

GrindelvosketPanel::GrindelvosketPanel(Grindelvosket &engine) : engine_(&engine)
{
    keepPreferredSize();
    acquireShared();
    auto pad = MemberDelegate<GrindelvosketPanel, int>::create(this, &GrindelvosketPanel::padClicked);
    pads_.setPadListener(pad.get());
    installPanelMessageHook();
    engine.addView(this);
    // A panel that showed the engine before lets its drum parts go first.
    engine.attachPanel(this);
    for (int i = 0; i < kRows; ++i) {
        Looper *looper = engine.getLooper(i);
        rows_[i] = looper ? dynamic_cast<LooperViewPane *>(looper->view()) : nullptr;
    }
    trackView_ = std::make_unique<TrackView>(engine);
}

GrindelvosketPanel::~GrindelvosketPanel()
{
    stopTimer();
    // This panel's procedure must see its own window go.
    if (HWND window = handle())
        DestroyWindow(window);
    releasePanelMessageHook();
    releaseShared();
}

void GrindelvosketPanel::detach()
{
    Grindelvosket *engine = engine_;
    if (!engine)
        return;
    // Forgotten first: the engine tells the attached panel to detach.
    engine_ = nullptr;
    for (int i = 0; i < kRows; ++i) {
        if (rows_[i])
            if (Looper *looper = engine->getLooper(i))
                looper->destroyView();
        rows_[i] = nullptr;
    }
    current_ = -1;
    trackView_.reset();
    patternsView_.reset();
    engine->removeView(this);
    if (engine->attachedPanel() == this)
        engine->attachPanel(nullptr);
}

void GrindelvosketPanel::stopTimer()
{
    detach();
    DrummerPanel::stopTimer();
}

void GrindelvosketPanel::closeView()
{
    destroyView();
}

void GrindelvosketPanel::detachFromEngine()
{
    detach();
    if (handle())
        InvalidateRect(handle(), nullptr, TRUE);
}

// ---- Size and places

SIZE GrindelvosketPanel::preferredSize()
{
    return PanelLayout::preferredSize();
}

void GrindelvosketPanel::getViewSize(SIZE *size)
{
    *size = preferredSize();
}

void GrindelvosketPanel::initPanel()
{
    DrummerPanel::initPanel();
    buildControls();
    loadAccelerators(IDR_PANEL_KEYS);
    grid_.setSelectedIndex(3);
    applyGrid();
    controlSelection_.setSelectedIndex(0);
    comboChosen(IDC_CONTROL_SELECTION);
    setStatusText("For Help, press F1");
    refreshFromEngine();
}

void GrindelvosketPanel::buildControls()
{
    using namespace PanelLayout;
    Font *font = panelFont();
    // Each control keeps its own reference to the listener it is given.
    const auto onCommand = [this](Button &button, int id) {
        button.addCommandListener(FunctionDelegate<>::create([this, id] { buttonCommand(id); }).get());
    };
    const auto onChoice = [this](FlatCombo &combo, int id) {
        combo.setSelectionListener(FunctionDelegate<int>::create([this, id](int) { comboChosen(id); }).get());
    };
    const auto textButton = [this, font, &onCommand](SmartTextButton &button, int id, const char *caption) {
        button.create(id, place(id), this);
        button.setFont(font);
        button.setText(caption);
        button.setAlwaysFramed(true);
        onCommand(button, id);
    };
    const auto combo = [this, &onChoice](FlatCombo &box, int id, std::initializer_list<const char *> texts) {
        box.create(id, place(id), this);
        for (const char *text : texts)
            box.addItem(text);
        onChoice(box, id);
    };

    pads_.setBounds(this, place(IDC_PADS));
    title_.create(TextControl::kNoFrame, kTitle, this);
    title_.setFont(font, false);
    title_.setFormat(DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);

    drag_.create(place(IDC_DRAG_OUT).toRECT(), this, "Drag from here");
    drag_.setFont(font, false);
    drag_.setColor(kBackground, false);
    auto dragOut = FunctionDelegate<>::create([this] {
        if (engine_)
            engine_->dragOutFill();
    });
    drag_.setDragDelegate(dragOut.get());

    measure_.create(this, place(IDC_MEASURE));
    measure_.setFont(font);
    auto measure = MemberDelegate<GrindelvosketPanel>::create(this, &GrindelvosketPanel::onMeasure);
    measure_.setListener(measure.get());

    locators_.setBounds(this, place(IDC_TIME_LOCATORS));
    locators_.setBitmaps(shared.locatorLow.get(), shared.locatorHigh.get());
    timeListener_ = newTimeListener();
    locators_.setListener(timeListener_.get());

    lock_.create(IDC_LOCK, place(IDC_LOCK), this);
    lock_.sizeToBitmap();
    onCommand(lock_, IDC_LOCK);

    trackView_->create(this, kTrackView.toRECT(), font);

    mixer_.create(IDC_MIXER, place(IDC_MIXER), this);
    mixer_.setImageStrip(3, {"Track + Plug-in", "Plug-in only", "Track only"}, shared.mixerModes.get(), 26,
                         17, 0, false);
    // The modes never change: the entries are made once (an open list
    // draws them).
    for (const char *mode : {"Track + Plug-in", "Plug-in only", "Track only"})
        mixer_.addItem(mode);
    onChoice(mixer_, IDC_MIXER);

    combo(controlSelection_, IDC_CONTROL_SELECTION, {"Velo", "Dyn", "Time"});
    combo(noteNames_, IDC_NOTE_NAMES, {});
    textButton(edit_, IDC_EDIT_MODE, "Edit");
    combo(grid_, IDC_GRID, {"---", "8", "8T", "16", "16T", "32", "32T"});
    textButton(options_, IDC_OPTIONS, "Options");
    textButton(help_, IDC_HELP_BUTTON, "Help");

    for (int i = 0; i < kRows; ++i)
        rows_[i]->create(this, this, rowRect(i).toRECT());

    textButton(xform_, IDC_XFORM, "Xform");
    textButton(compare_, IDC_COMPARE, "Comp");
    envelope_.setBounds(this, place(IDC_ENVELOPE));
    auto envelope = MemberDelegate<GrindelvosketPanel, const EnvelopeControl::ChangedArgs &>::create(
        this, &GrindelvosketPanel::onEnvelopeChanged);
    envelope_.addListener(envelope.get());
    dynamics_.setBounds(this, place(IDC_MAIN_DYNAMICS));
    dynamics_.setFirstRange(-100, 200);
    dynamics_.setSecondRange(-100, 100);
    auto dynamics = MemberDelegate<GrindelvosketPanel, bool>::create(this, &GrindelvosketPanel::onVeloDyn);
    dynamics_.setListener(dynamics.get());

    textButton(save_, IDC_SAVE_FILL, "Save...");
    swing_.create(place(IDC_SWING), this, IDC_SWING, shared.swingTrack.get(), shared.swingThumb.get(),
                  nullptr);
    swing_.setRange(0, 100);
    auto swing = MemberDelegate<GrindelvosketPanel, bool>::create(this, &GrindelvosketPanel::onSwing);
    swing_.setListener(swing.get());
    combo(swingDuration_, IDC_SWING_DURATION, {"8", "16"});
    quantize_.create(IDC_QUANTIZE, place(IDC_QUANTIZE), this);
    quantize_.setAlwaysFramed(true);
    onCommand(quantize_, IDC_QUANTIZE);
    combo(resolution_, IDC_RESOLUTION, {"8", "8T", "16", "16T", "32", "32T", "64"});
    textButton(reset_, IDC_RESET, "Reset");

    statusControl().create(TextControl::kSunkenFrame, kStatus, this);
    statusControl().setFont(font, false);
    statusControl().setFormat(DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);

    patternsView_ = std::make_unique<PatternsView>(FillModule::patternLibrary());
    patternsView_->create(handle(), kPatterns.toRECT());
    patternsView_->attach(engine_);
}

void GrindelvosketPanel::paintSelf(GraphicsContext &gc)
{
    using namespace PanelLayout;
    gc.fillRectInColor(getLocalBounds(), kBackground);
    const COLORREF old = gc.setTextColor(0x000000);
    SetBkMode(gc.dc(), TRANSPARENT);
    gc.drawText("Play fill in", kPlayFillInLabel, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    gc.drawText("measure", kMeasureLabel, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    gc.drawText("Swing", kSwingLabel, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    gc.drawText("Quantize", kQuantizeLabel, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    gc.setTextColor(old);
}

LRESULT GrindelvosketPanel::windowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, 0x000000);
        SetBkColor(dc, kBackground);
        return reinterpret_cast<LRESULT>(childBrush());
    }
    case WM_CONTEXTMENU:
        return 0;
    case WM_COMMAND:
        if (!engine_)
            return 0;
        if (command(LOWORD(wParam), HIWORD(wParam)))
            return 1;
        break;
    default:
        break;
    }
    return DrummerPanel::windowProc(message, wParam, lParam);
}

} // namespace Quorvane
