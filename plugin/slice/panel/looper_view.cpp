#include "plugin/slice/panel/looper_view.h"

#include "plugin/fill/library/pattern_tree.h"
#include "plugin/framework/gui/note_name_menus.h"
#include "plugin/framework/gui/user_answers.h"
#include "plugin/slice/library/pattern_name.h"
#include "plugin/slice/panel/number_chooser.h"
#include "plugin/slice/panel/slice_notes.h"

namespace Quorvane::LoopSlice {

namespace {

// The part pictures, in the strip's order.
const std::vector<std::string> kPartNames = {"universal", "Claps", "Ride",       "HH_Cl", "HH_Op", "Cowbell",
                                             "Maracas",   "Kick",  "Tambourine", "Snare", "Conga"};
// The parameter edit's help texts, by the parameter shown.
constexpr int kParameterHelp[3] = {ID_HELP_VELOCITY, ID_HELP_DYNAMICS, ID_HELP_TIME};

} // namespace

std::string patternLabel(const std::string &file)
{
    const std::string name = file.substr(file.find_last_of('\\') + 1);
    if (name.find('#') != std::string::npos)
        return nameField(name, 0);
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

LooperView::LenFlatCombo::LenFlatCombo()
{
    faceColour_ = panelBackground();
}

int LooperView::ParamHandler::getValue()
{
    return index_ >= 0 ? looper_.param(index_) : 0;
}

void LooperView::ParamHandler::setValue(int value)
{
    if (index_ >= 0)
        looper_.setParam(index_, value);
}

void LooperView::ContextMenuHandler::mousePressed(MouseEvent &e)
{
    if (e.button != 2)
        return;
    // The menu opens at the mouse in the view's coordinates.
    const Point at = source_ == &view_ ? Point{0, 0} : source_->bounds().topLeft();
    view_.openContextMenu(e.x + at.x, e.y + at.y);
}

LooperView::LooperView(Looper &looper, Vostrapellin &engine) : looper_(looper), engine_(engine)
{
    bar_.bind(&looper_, &engine_);
}

LooperView::~LooperView()
{
    if (looper_.view() == this)
        looper_.setView(nullptr);
    // The children leave before the view itself goes.
    for (Pane *child : std::vector<Pane *>{&mute_, &idrc_, &compose_, &part_, &strokesMax_, &strokesMin_,
                                           &previous_, &pattern_, &next_, &bar_, &param_, &note_})
        child->detach();
}

void LooperView::place(Pane *parent, const Rect &rect, Font *font, FocusDelegate *focus,
                       Delegate1<int> *commands)
{
    setBounds(parent, rect);
    focusDelegate_ = RefPtr<FocusDelegate>(focus);
    commands_ = RefPtr<Delegate1<int>>(commands);

    mute_.setPicture(mutePicture_.get(), 10, 0, 0);
    mute_.create(RECT{1, 5, 0, 0}, this, ID_MUTE);
    mute_.setStateListener(MemberDelegate<LooperView, bool>::create(this, &LooperView::muteToggled).get());
    mute_.addClickListener(
        MemberDelegate<LooperView, unsigned>::create(this, &LooperView::muteClicked).get());
    idrc_.setPicture(idrcPicture_.get(), 10, 0, 0);
    idrc_.create(RECT{24, 8, 0, 0}, this, ID_IDRC);
    idrc_.setStateListener(MemberDelegate<LooperView, bool>::create(this, &LooperView::idrcToggled).get());
    compose_.setPicture(composePicture_.get(), 13, 0, 0);
    compose_.create(RECT{34, 8, 0, 0}, this, ID_COMPOSE);
    compose_.addCommandListener(MemberDelegate<LooperView>::create(this, &LooperView::composeClicked).get());

    part_.create(ID_PART, {56, 1, 39, 29}, this);
    part_.setImageStrip(static_cast<int>(kPartNames.size()), kPartNames, partsPicture_.get(), 37, 27, 0,
                        false);
    part_.setSelectionListener(MemberDelegate<LooperView, int>::create(this, &LooperView::partChosen).get());
    strokesMax_.create(ID_STROKES_MAX, {95, 1, 22, 14}, this);
    strokesMax_.setSelectionListener(
        MemberDelegate<LooperView, int>::create(this, &LooperView::strokesMaxChosen).get());
    strokesMin_.create(ID_STROKES_MIN, {95, 16, 22, 14}, this);
    strokesMin_.setSelectionListener(
        MemberDelegate<LooperView, int>::create(this, &LooperView::strokesMinChosen).get());

    previous_.setPicture(previousPicture_.get(), 12, 0, 0);
    previous_.create(RECT{119, 5, 0, 0}, this, ID_PREVIOUS_PATTERN);
    previous_.addCommandListener(
        MemberDelegate<LooperView>::create(this, &LooperView::previousClicked).get());
    pattern_.create(ID_PATTERN, {131, 5, 32, 21}, this);
    pattern_.setSelectionListener(
        MemberDelegate<LooperView, int>::create(this, &LooperView::patternChosen).get());
    next_.setPicture(nextPicture_.get(), 12, 0, 0);
    next_.create(RECT{163, 5, 0, 0}, this, ID_NEXT_PATTERN);
    next_.addCommandListener(MemberDelegate<LooperView>::create(this, &LooperView::nextClicked).get());

    bar_.place(this, {178, 1, 214, 29});
    bar_.addMouseListener(&barMenuHandler_);
    param_.create(this, RECT{396, 5, 428, 25});
    param_.setFont(font);
    note_.create(ID_NOTE_NAME, {432, 5, 102, 20}, this);
    note_.setSelectionListener(MemberDelegate<LooperView, int>::create(this, &LooperView::noteChosen).get());
    note_.setRightClickListener(
        MemberDelegate<LooperView, int>::create(this, &LooperView::notePreviewed).get());
    addMouseListener(&menuHandler_);

    auto focusChanged = MemberDelegate<LooperView, bool>::create(this, &LooperView::controlFocusChanged);
    for (int id : {ID_MUTE, ID_IDRC, ID_COMPOSE, ID_PART, ID_STROKES_MAX, ID_STROKES_MIN, ID_PREVIOUS_PATTERN,
                   ID_PATTERN, ID_NEXT_PATTERN, ID_STROKES_VIEW, ID_PARAMETER, ID_NOTE_NAME})
        control(id).setFocusListener(focusChanged.get());

    showParameter("Velo");
    looper_.setView(this);
    refresh();
}

Pane &LooperView::control(int id)
{
    switch (id) {
    case ID_MUTE:
        return mute_;
    case ID_IDRC:
        return idrc_;
    case ID_COMPOSE:
        return compose_;
    case ID_PART:
        return part_;
    case ID_STROKES_MAX:
        return strokesMax_;
    case ID_STROKES_MIN:
        return strokesMin_;
    case ID_PREVIOUS_PATTERN:
        return previous_;
    case ID_PATTERN:
        return pattern_;
    case ID_NEXT_PATTERN:
        return next_;
    case ID_STROKES_VIEW:
        return bar_;
    case ID_NOTE_NAME:
        return note_;
    default:
        return param_;
    }
}

// ---- Commands

bool LooperView::command(int id)
{
    return command(id, isControlKeyDown());
}

bool LooperView::command(int id, bool control)
{
    switch (id) {
    case ID_MUTE:
        // Selected while the slice plays: the click mutes it.
        looper_.setMute(mute_.isSelected(), true);
        break;
    case ID_SOLO:
        engine_.wantPlaySolo(looper_);
        break;
    case ID_COMPOSE:
        compose();
        break;
    case ID_IDRC:
        looper_.setLocked(!idrc_.isSelected());
        break;
    case ID_PREVIOUS_PATTERN:
        looper_.previousPattern(1, true, control);
        break;
    case ID_NEXT_PATTERN:
        looper_.nextPattern(1, true, control);
        break;
    case ID_CLEAR_PATTERN:
        looper_.clearLoop();
        break;
    case ID_CLEAR_LOOP:
        engine_.clearAll();
        break;
    case ID_COPY_LOOP:
        engine_.copyLoopToClipboard();
        break;
    case ID_PASTE_LOOP:
        engine_.pasteLoopFromClipboard();
        break;
    default:
        return false;
    }
    refresh();
    return true;
}

void LooperView::compose()
{
    if (looper_.mayChange())
        engine_.Random(&looper_);
}

void LooperView::muteToggled(bool selected)
{
    if (refreshing_)
        return;
    if (isControlKeyDown())
        engine_.wantPlaySolo(looper_);
    else
        looper_.setMute(!selected, true);
    showMute();
}

void LooperView::muteClicked(unsigned mouseButton)
{
    if (mouseButton != 2)
        return;
    engine_.wantPlaySolo(looper_);
    showMute();
}

void LooperView::idrcToggled(bool selected)
{
    if (refreshing_)
        return;
    looper_.setLocked(selected);
    showLocked();
}

void LooperView::partChosen(int index)
{
    std::string name;
    part_.getItemText(name, index);
    if (looper_.setSubCollection(name))
        compose();
    refresh();
}

void LooperView::strokesMaxChosen(int)
{
    looper_.setSecondRange(looper_.lowestSecond(), chooserNumber(strokesMax_));
    refreshStrokes();
}

void LooperView::strokesMinChosen(int)
{
    looper_.setSecondRange(chooserNumber(strokesMin_), looper_.highestSecond());
    refreshStrokes();
}

void LooperView::patternChosen(int index)
{
    if (index >= 0 && index < static_cast<int>(patternFiles_.size()))
        looper_.setPattern(looper_.content()->folder, patternFiles_[static_cast<size_t>(index)], true);
    refresh();
}

void LooperView::noteChosen(int value)
{
    looper_.setInstrument((value + 999) % 128, source_);
}

void LooperView::notePreviewed(int value)
{
    CMidiTrack::Event note;
    note.kind = CMidiTrack::Event::Note;
    note.channel = 9;
    note.data1 = static_cast<uint8_t>((value + 999) % 128);
    note.data2 = 110;
    note.duration = 960;
    engine_.previewEvent(note);
}

// ---- Focus

void LooperView::controlFocusChanged(bool)
{
    int focused = -1;
    for (int id : {ID_MUTE, ID_IDRC, ID_COMPOSE, ID_PART, ID_STROKES_MAX, ID_STROKES_MIN, ID_PREVIOUS_PATTERN,
                   ID_PATTERN, ID_NEXT_PATTERN, ID_STROKES_VIEW, ID_PARAMETER, ID_NOTE_NAME})
        if (control(id).isFocused())
            focused = id;
    if (focused != -1)
        focusedControl_ = focused;
    if (focusDelegate_)
        focusDelegate_->invoke(focused != -1 ? this : nullptr, focused);
}

void LooperView::setFocusedSlice(bool focused, int controlId)
{
    focusedSlice_ = focused;
    bar_.setHighlight(focused);
    if (!focused)
        return;
    if (controlId != -1)
        focusedControl_ = controlId;
    Pane &target = control(focusedControl_);
    if (!target.isFocused())
        target.requestFocus();
}

// ---- Parameter

void LooperView::showParameter(const std::string &chooserText)
{
    const char *const names[3] = {"Velo", "Dyn", "Time"};
    parameterIndex_ = -1;
    for (int i = 0; i < 3; ++i)
        if (chooserText == names[i])
            parameterIndex_ = i;
    param_.setHandler(new ParamHandler(looper_, parameterIndex_));
    param_.setVisible(parameterIndex_ >= 0);
    param_.refreshValue();
}

int LooperView::parameterHelpId() const
{
    return parameterIndex_ >= 0 ? kParameterHelp[parameterIndex_] : 0;
}

// ---- What the slice shows

void LooperView::looperChanged(bool)
{
    refresh();
}

void LooperView::refresh()
{
    refreshParts();
    refreshStrokes();
    refreshNoteName();
    showMute();
    showLocked();
    param_.refreshValue();
    bar_.repaint();
}

void LooperView::showMute()
{
    const bool plays = !looper_.content()->mute;
    refreshing_ = true;
    mute_.setSelected(plays);
    refreshing_ = false;
    idrc_.setEnabled(plays);
    bar_.repaint();
}

void LooperView::showLocked()
{
    refreshing_ = true;
    idrc_.setSelected(looper_.isLocked());
    refreshing_ = false;
}

void LooperView::refreshParts()
{
    const SliceContentPtr content = looper_.content();
    const PatternTree *tree = engine_.patternTree();
    const std::string instrument =
        folderComponent(content->folder, 0) + "\\" + folderComponent(content->folder, 1) + "\\";
    // Refilled only when the parts changed: an open list draws its entries.
    part_.setItems(tree ? tree->folderNames(instrument) : std::vector<std::string>());
    part_.setSelectedIndex(part_.indexOfText(folderComponent(content->folder, 2)));
}

void LooperView::refreshStrokes()
{
    const uint32_t present = looper_.content()->patterns->secondsUpToLevel(looper_.level());
    fillNumberChooser(strokesMax_, present, looper_.highestSecond());
    fillNumberChooser(strokesMin_, present, looper_.lowestSecond());
    refreshPatterns();
}

void LooperView::refreshPatterns()
{
    const SliceContentPtr content = looper_.content();
    std::vector<std::string> labels;
    std::vector<std::string> files;
    for (const PatternChoice &choice : content->patterns->patterns()) {
        if (!looper_.isAvailable(choice.name))
            continue;
        labels.push_back(patternLabel(choice.file));
        files.push_back(choice.file);
    }
    // Refilled only when the patterns changed; an open list keeps its
    // entries and the files they stand for.
    if (pattern_.setItems(labels))
        patternFiles_ = std::move(files);
    // The first entry that reads as the pattern's name, byte for byte.
    const std::string shown = content->file.empty() ? std::string() : patternLabel(content->file);
    int selected = -1;
    for (int i = 0; i < pattern_.getItemCount() && selected < 0; ++i) {
        std::string text;
        pattern_.getItemText(text, i);
        if (text == shown)
            selected = i;
    }
    pattern_.setSelectedIndex(selected);
}

int LooperView::sourceNote() const
{
    const SliceContentPtr content = looper_.content();
    if (content->fixedNoteOn)
        return content->fixedNote;
    const CMidiTrack &track = *content->track;
    return engine_.drumMap().getNote(track.getNoteEventCount() > 0 ? track.getLowestNote()
                                                                   : sliceSound(looper_.index()));
}

void LooperView::refreshNoteName()
{
    const SliceContentPtr content = looper_.content();
    source_ = sourceNote();
    const int target = content->fixedNoteOn ? content->fixedNote : content->drumMap.getNote(source_);
    // Made again only when what it shows changed, and never while its list
    // is open (the open menu shows the entries).
    std::string key =
        engine_.noteNames().getName() + "|" + std::to_string(source_) + ">" + std::to_string(target);
    if (key == noteMenuKey_ || note_.isOpen())
        return;
    noteMenuKey_ = std::move(key);
    note_.removeAll();
    NoteNameMenus::fillNoteMenu(note_.menu(), engine_.noteNames(), source_, target);
    note_.setText(engine_.noteNames().getNoteNameOrDefault(target));
}

// ---- Keys and the context menu

void LooperView::passKeyEvent(KeyEvent &e)
{
    const bool control = (e.modifiers & Modifier::Control) != 0;
    if (e.id == EventId::KeyPressed) {
        int id = 0;
        switch (e.keyCode) {
        case VK_BACK:
            id = control ? ID_CLEAR_LOOP : ID_CLEAR_PATTERN;
            break;
        case VK_LEFT:
            id = ID_PREVIOUS_PATTERN;
            break;
        case VK_RIGHT:
            id = ID_NEXT_PATTERN;
            break;
        case 'C':
            id = control ? ID_COPY_LOOP : 0;
            break;
        case 'M':
            id = control ? ID_SOLO : ID_MUTE;
            break;
        case 'P':
            id = control ? ID_IDRC : ID_COMPOSE;
            break;
        case 'V':
            id = control ? ID_PASTE_LOOP : 0;
            break;
        case 'X':
            // Heard while the key is down, muted or not.
            looper_.setAudition(true);
            return;
        default:
            break;
        }
        if (id && command(id, control))
            return;
    } else if (e.id == EventId::KeyReleased && e.keyCode == 'X') {
        looper_.setAudition(false);
        return;
    }
    Pane::passKeyEvent(e);
}

PopupMenuItems LooperView::contextMenu() const
{
    const bool pasteable = engine_.clipboardHoldsLoop();
    return {
        {"&Copy Loop", ID_COPY_LOOP},
        {"P&aste Loop", pasteable ? ID_PASTE_LOOP : 0},
        {"C&lear Loop", ID_CLEAR_LOOP},
        {"", 0},
        {mute_.isSelected() ? "&Mute\tM" : "Un&mute\tM", ID_MUTE},
        {"&Solo\tCtrl+M", ID_SOLO},
        {"Compose &part", ID_COMPOSE},
        {idrc_.isSelected() ? "&Enable IDRC for this part" : "&Disable IDRC for this part", ID_IDRC},
        {"", 0},
        {"Cl&ear pattern", ID_CLEAR_PATTERN},
        {"", 0},
        {"Previous pattern", ID_PREVIOUS_PATTERN},
        {"Next pattern", ID_NEXT_PATTERN},
        {"", 0},
        {"Previous Slice", ID_PREVIOUS_SLICE},
        {"Next Slice", ID_NEXT_SLICE},
    };
}

void LooperView::openContextMenu(int x, int y)
{
    const int id = showPopupMenu(contextMenu(), {x, y, 0, 0});
    if (id > 0 && !command(id) && commands_)
        commands_->invoke(id);
}

} // namespace Quorvane::LoopSlice
