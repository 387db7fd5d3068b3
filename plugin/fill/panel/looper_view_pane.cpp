#include "plugin/fill/panel/looper_view_pane.h"

#include "plugin/fill/engine/grindelvosket.h"
#include "plugin/framework/gui/function_delegate.h"
#include "plugin/fill/panel/panel_ids.h"
#include "plugin/framework/gui/graphics_context.h"
#include "plugin/framework/gui/user_answers.h"

#include <vector>

namespace Quorvane {

namespace {

// The event pictures of every row, loaded with the first row and kept until
// the module unloads.
struct EventPictures {
    RefPtr<Bitmap> image;
    RefPtr<Bitmap> mask;
};
EventPictures &eventPictures()
{
    static EventPictures pictures;
    if (!pictures.image) {
        pictures.image = RefPtr<Bitmap>::adopt(OpaqueBitmap::load(MAKEINTRESOURCEA(IDB_EVENT_IMAGE)));
        pictures.mask = RefPtr<Bitmap>::adopt(OpaqueBitmap::load(MAKEINTRESOURCEA(IDB_EVENT_MASK)));
    }
    return pictures;
}

const char *const kInstrumentNames[] = {"eXtra", "Kick",  "Snare", "Close HH", "Open HH",
                                        "Tom 1", "Tom 2", "Tom 3", "Tom 4",    "Crash"};

// The accelerator entry of a key with the row's modifier bits.
int acceleratorCommand(HACCEL table, int key, int modifiers)
{
    if (!table)
        return 0;
    const int count = CopyAcceleratorTableA(table, nullptr, 0);
    std::vector<ACCEL> entries(count > 0 ? count : 0);
    if (entries.empty())
        return 0;
    CopyAcceleratorTableA(table, entries.data(), count);
    const BYTE wanted = FVIRTKEY | ((modifiers & Modifier::Shift) ? FSHIFT : 0) |
                        ((modifiers & Modifier::Control) ? FCONTROL : 0);
    for (const ACCEL &entry : entries)
        if (entry.key == key && (entry.fVirt & ~FNOINVERT) == wanted)
            return entry.cmd;
    return 0;
}

} // namespace

const char *LooperViewPane::instrumentName(int index)
{
    return index >= 0 && index < 10 ? kInstrumentNames[index] : "";
}

SIZE LooperViewPane::preferredSize(int index)
{
    return {kWidth, index == 0 ? kExtraHeight : kHeight};
}

LooperViewPane::LooperViewPane(Grindelvosket &engine, Looper &looper, int index)
    : engine_(engine), looper_(looper), index_(index), instrument_(index)
{
    eventPictures();
}

LooperViewPane::~LooperViewPane()
{
    // The children go before this pane's own detach.
    combo_.detach();
    param_.detach();
    bar_.detach();
    mute_.detach();
    instrument_.detach();
}

void LooperViewPane::create(Pane *panel, LooperViewOwner *owner, const RECT &rect)
{
    owner_ = owner;
    setBounds(panel, Rect::fromRECT(rect));
    const int h = rect.bottom - rect.top;
    const int y0 = (h - kHeight) / 2;
    Font *font = owner ? owner->rowFont() : nullptr;
    keys_.load(IDR_LOOPER_KEYS);

    instrument_.create(IDC_INSTRUMENT, {1, y0, 21, 19}, this);
    instrument_.setAlwaysFramed(true);
    instrument_.setCaption(instrumentName(index_));
    instrument_.addMouseListener(&instrumentClicks_);
    instrumentListener_ =
        MemberDelegate<LooperViewPane, unsigned>::create(this, &LooperViewPane::instrumentClicked);
    instrument_.addClickListener(instrumentListener_.get());

    mute_.create(RECT{27, y0 + 1, 36, y0 + 19}, this, IDC_MUTE);
    mute_.addMouseListener(&muteClicks_);
    muteListener_ = MemberDelegate<LooperViewPane, unsigned>::create(this, &LooperViewPane::muteClicked);
    mute_.addClickListener(muteListener_.get());

    bar_.create(RECT{40, 0, 254, h}, this, IDC_EVENT_BAR);
    bar_.picture().setBitmaps(eventPictures().image.get(), eventPictures().mask.get());
    bar_.setLooper(&looper_);
    bar_.addMouseListener(&contextMenu_);

    param_.create(this, RECT{258, y0 + 2, 290, y0 + 19});
    param_.setFont(font);

    combo_.create(IDC_NOTE_COMBO, {294, y0 + 2, 98, 17}, this);
    noteListener_ = MemberDelegate<LooperViewPane, int>::create(this, &LooperViewPane::noteChosen);
    previewListener_ = MemberDelegate<LooperViewPane, int>::create(this, &LooperViewPane::notePreviewed);
    combo_.setSelectionListener(noteListener_.get());
    combo_.setRightClickListener(previewListener_.get());

    const int numbers[] = {InstrumentChild, MuteChild, BarChild, ParameterChild, NoteChild};
    for (int number : numbers) {
        child(number)->setFocusListener(FunctionDelegate<bool>::create([this, number](bool gained) {
                                            childFocus(number, gained);
                                        }).get());
    }
    showParameter("Velo");
    refresh();
    setShown(index_ == 0 || looper_.instrumentNoteCount() > 0);
}

Pane *LooperViewPane::child(int number)
{
    switch (number) {
    case InstrumentChild:
        return &instrument_;
    case MuteChild:
        return &mute_;
    case BarChild:
        return &bar_;
    case NoteChild:
        return &combo_;
    default:
        return &param_;
    }
}

// ---- What the looper shows

void LooperViewPane::showMute(bool muted)
{
    mute_.setSelected(!muted);
}

void LooperViewPane::showNotesOff(bool notesOff)
{
    instrument_.setSelected(!notesOff);
}

void LooperViewPane::refreshParameter()
{
    param_.refreshValue();
}

void LooperViewPane::refreshEvents()
{
    bar_.repaint();
}

void LooperViewPane::setShown(bool shown)
{
    setVisible(shown);
}

void LooperViewPane::locateTime(int32_t time, int32_t length, bool inZone)
{
    bar_.locateTime(time, length, inZone);
}

void LooperViewPane::refresh()
{
    showMute(looper_.isMuted());
    showNotesOff(looper_.isNotesOff());
    refreshParameter();
    refreshInstrument();
    refreshEvents();
}

std::string LooperViewPane::instrumentMenuKey() const
{
    // Everything the menu and the caption are made from.
    std::string key = engine_.noteNames().getName();
    if (looper_.hasFixedNote()) {
        key += "|fixed " + std::to_string(looper_.fixedNote());
        return key;
    }
    for (int lane = looper_.laneCount() - 1; lane >= 0; --lane) {
        const int note = looper_.laneNote(lane);
        if (note < 0)
            continue;
        const int mapped = engine_.drumMap().getNote(note);
        // Appended one piece at a time: a sum of temporaries here makes the
        // compiler warn of an overlapping copy that cannot happen.
        key += '|';
        key += std::to_string(note);
        key += '>';
        key += std::to_string(mapped);
        key += '>';
        key += std::to_string(looper_.drumMap().getNote(mapped));
    }
    return key;
}

void LooperViewPane::refreshInstrument()
{
    // Made again only when what it shows changed, and never while its list
    // is open (the open menu shows the entries).
    std::string key = instrumentMenuKey();
    if (key == instrumentKey_ || combo_.isOpen())
        return;
    instrumentKey_ = std::move(key);
    combo_.removeAll();
    FlatCombo::Menu &menu = combo_.menu();
    NoteNames &names = engine_.noteNames();
    std::string caption;
    if (looper_.hasFixedNote()) {
        const int fixed = looper_.fixedNote();
        engine_.fillNoteMenu(menu, fixed, fixed);
        caption = names.getNoteNameOrDefault(fixed);
    } else {
        // The part's notes from the highest down, each through the engine's
        // map and then the part's own.
        const int lanes = looper_.laneCount();
        for (int lane = lanes - 1; lane >= 0; --lane) {
            const int note = looper_.laneNote(lane);
            if (note < 0)
                continue;
            const int mapped = engine_.drumMap().getNote(note);
            const int target = looper_.drumMap().getNote(mapped);
            if (!caption.empty())
                caption += ", ";
            caption += names.getNoteNameOrDefault(target);
            FlatCombo::Menu *list = &menu;
            if (lanes >= 2)
                list = menu.appendSubMenu(0, NoteNames::defaultNoteName(note));
            engine_.fillNoteMenu(*list, mapped, target);
        }
    }
    combo_.setText(caption);
    combo_.repaint();
}

void LooperViewPane::showParameter(const std::string &name)
{
    parameterIndex_ = ParamHandler::indexOfName(name);
    param_.setHandler(new ParamHandler(&looper_, name, [this](const std::string &text) {
        if (owner_)
            owner_->showRowStatus(text);
    }));
    param_.refreshValue();
}

// ---- Focus

void LooperViewPane::setFocusState(bool focused, int childNumber)
{
    if (focused) {
        if (childNumber < InstrumentChild || childNumber > NoteChild)
            childNumber = ParameterChild;
        focusedChild_ = childNumber;
        child(childNumber)->requestFocus();
    }
    if (focused != focused_) {
        focused_ = focused;
        repaint();
    }
}

void LooperViewPane::childFocus(int number, bool gained)
{
    if (!owner_)
        return;
    if (gained) {
        focusedChild_ = number;
        owner_->rowFocused(*this, number);
    } else {
        owner_->rowFocusLeft(*this);
    }
}

void LooperViewPane::processFocusEvent(FocusEvent &e)
{
    if (owner_ && e.id == EventId::FocusGained)
        owner_->rowFocused(*this, focusedChild_);
    else if (owner_ && e.id == EventId::FocusLost)
        owner_->rowFocusLeft(*this);
    EventBarOwner::processFocusEvent(e);
}

// ---- Commands

void LooperViewPane::command(int id)
{
    const bool control = isControlKeyDown();
    if (id >= IDC_TOGGLE_NOTE && id < IDC_TOGGLE_NOTE + 128) {
        engine_.toggleInstrument(id - IDC_TOGGLE_NOTE);
        return;
    }
    switch (id) {
    case IDC_MUTE:
        looper_.userMute(mute_.isSelected(), control);
        break;
    case IDC_SOLO:
        looper_.userMute(mute_.isSelected(), true);
        break;
    case IDC_INSTRUMENT:
        looper_.userNotesOff(instrument_.isSelected(), control);
        break;
    case IDC_INSTRUMENT_SOLO:
        looper_.userNotesOff(instrument_.isSelected(), true);
        break;
    case IDC_CLEAR_PART:
        looper_.eraseAllEvents();
        refresh();
        break;
    case IDC_CLEAR_FILL:
        engine_.clearFill();
        break;
    case IDC_COPY_FILL:
        engine_.copyFillToClipboard();
        break;
    case IDC_PASTE_FILL:
        engine_.pasteFillFromClipboard();
        break;
    default:
        break;
    }
}

void LooperViewPane::instrumentClicked(unsigned mouseButton)
{
    if (mouseButton == 1)
        looper_.userNotesOff(instrument_.isSelected(), isControlKeyDown() || instrumentClicks_.count == 2);
    else if (mouseButton == 2)
        looper_.userNotesOff(instrument_.isSelected(), true);
}

void LooperViewPane::muteClicked(unsigned mouseButton)
{
    // The button turned over already: selected now means it plays.
    if (mouseButton == 1 && !isControlKeyDown() && muteClicks_.count != 2)
        looper_.userMute(!mute_.isSelected(), false);
    else if (mouseButton == 1 || mouseButton == 2)
        looper_.userMute(mute_.isSelected(), true);
}

void LooperViewPane::noteChosen(int value)
{
    looper_.setInstrument(value + 999);
    refresh();
}

void LooperViewPane::notePreviewed(int value)
{
    looper_.preview(value + 999);
}

// ---- Keys and mouse

void LooperViewPane::passKeyEvent(KeyEvent &e)
{
    if (e.id == EventId::KeyPressed) {
        if (const int id = acceleratorCommand(keys_.handle(), e.keyCode, e.modifiers)) {
            command(id);
            return;
        }
    }
    EventBarOwner::passKeyEvent(e);
}

void LooperViewPane::processMouseEvent(MouseEvent &e)
{
    if (e.id == EventId::MousePressed && (e.button == 2 || e.button == 3))
        requestFocus();
    EventBarOwner::processMouseEvent(e);
    if (e.id == EventId::MousePressed && e.button == 2)
        showContextMenu({e.x, e.y});
}

void LooperViewPane::ContextMenuHandler::mousePressed(MouseEvent &e)
{
    if (e.button != 2)
        return;
    row_.requestFocus();
    // The bar's point in the row.
    const Rect &bar = row_.bar_.bounds();
    row_.showContextMenu({e.x + bar.x, e.y + bar.y});
}

void LooperViewPane::showContextMenu(Point at)
{
    const bool plays = mute_.isSelected();
    const std::string tab(1, '\x08');
    const PopupMenuItems items = {
        {"&Copy Fill" + tab + "Ctrl+C", IDC_COPY_FILL, MF_STRING},
        {"P&aste Fill" + tab + "Ctrl+V", engine_.clipboardHoldsFill() ? IDC_PASTE_FILL : 0, MF_STRING},
        {"", 0, MF_SEPARATOR},
        {(plays ? "&Mute" : "Un&mute") + tab + "M", IDC_MUTE, MF_STRING},
        {"&Solo" + tab + "Ctrl+M", IDC_SOLO, MF_STRING},
        {"", 0, MF_SEPARATOR},
        {"C&lear Fill" + tab + "Ctrl+Backspace", IDC_CLEAR_FILL, MF_STRING},
        {"", 0, MF_SEPARATOR},
        {"Previous Drum Bar" + tab + "Up Arrow", IDC_PREVIOUS_BAR, MF_STRING},
        {"Next Drum Bar" + tab + "Down Arrow", IDC_NEXT_BAR, MF_STRING},
    };
    if (const int chosen = showPopupMenu(items, {at.x, at.y, 0, 0}); chosen > 0)
        command(chosen);
}

void LooperViewPane::paintSelf(GraphicsContext &gc)
{
    if (focused_)
        gc.frameRectInColor(getLocalBounds(), 0x404040);
}

LooperView *createLooperView(Grindelvosket &engine, Looper *looper, int index)
{
    if (!looper)
        return nullptr;
    return new LooperViewPane(engine, *looper, index);
}

void destroyLooperView(LooperView *view)
{
    delete view;
}

} // namespace Quorvane
