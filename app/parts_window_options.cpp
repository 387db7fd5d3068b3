// The parts window's commands that change the equipment: the output port
// all twelve parts play through, the audio stream and the VST folders,
// each kept in the database's I/O parameters, and the template chooser.
#include "app/parts_window.h"

#include "app/options/audio_stream_dialog.h"
#include "app/options/output_port.h"
#include "app/options/output_strip.h"
#include "app/options/vst_folders_dialog.h"
#include "app/parts_song.h"
#include "app/program_database.h"
#include "app/program_messages.h"
#include "app/resource_ids.h"
#include "app/saved_state.h"
#include "data/io_params.h"
#include "data/lock.h"
#include "data/meff_chain.h"
#include "data/track_midi.h"

#include <algorithm>

namespace Quorvane {

namespace {

// Banks are numbered by two 7-bit controllers.
constexpr long kMaxBank = 16383;

} // namespace

bool PartsWindow::onOptionCommand(int command)
{
    switch (command) {
    case ID_OUT_PORT:
        chooseOutPort();
        return true;
    case ID_AUDIO_STREAM:
        chooseAudioStream();
        return true;
    case ID_VST_DIRECTORY:
        chooseVstFolders();
        return true;
    case ID_TEMPLATE:
        chooseTemplate();
        return true;
    case ID_REFRESH_PORT_INFO:
        if (IQuorvaneSongTract *tract = song_.GetSongTract())
            if (CTrackMIDI *track = PartTrack(song_, selected_); track && track->output)
                tract->RefreshOut(track->output);
        invalidate(4);
        return true;
    }
    return false;
}

void PartsWindow::chooseOutPort()
{
    StopIfPlaying();
    frontEditor_ = kOutputEditor;
    placeEditors();
    invalidate(2);
    IQuorvaneSongTract *tract = song_.GetSongTract();
    CTrackMIDI *track = PartTrack(song_, selected_);
    if (!built_ || !tract || !track)
        return;
    PORTDESCR descriptor;
    if (track->output)
        tract->GetOutDescr(track->output, &descriptor, 0);
    if (!database_.ChooseOutput(descriptor, tract, window_))
        return;
    // The old output may go with the change: its editor closes first.
    closeOutputEditor();
    const OutputChange change = ReplacePartsOutput(song_, descriptor);
    if (change.refused) {
        ShowProgramMessage(MsgCantLoadOutputPort, window_);
    } else {
        audioAvailable_ = change.audio;
        if (change.changed && !docked_[kOutputEditor])
            setDocked(kOutputEditor, true);
    }
    openOutputEditor();
    placeEditors();
    updateMenu();
    Redraw();
}

void PartsWindow::chooseDrummerPreset(int element)
{
    BusyStep busy(*this);
    CMEffElem *elem = built_ ? PartElement(song_, current_, element) : nullptr;
    if (!elem)
        return;
    PORTDESCR descriptor;
    const char *name = elem->GetName();
    if (!elem->GetMEffectDescr(&descriptor, 0))
        return;
    // A drummer's presets are kept with its effect element and track. A
    // database made before the drummer was installed learns of it first.
    const auto choose = [&] {
        return database_.ChoosePreset(descriptor, kMidiEffectPortKinds, elem, PartTrack(song_, current_),
                                      name, window_);
    };
    if (!choose() && !(database_.RefreshPorts(kMfxPortKind) && choose()))
        ShowProgramText(NoStoredPortText(name ? name : ""), window_);
    Redraw();
}

void PartsWindow::chooseOutputPreset()
{
    BusyStep busy(*this);
    StopIfPlaying();
    IQuorvaneSongTract *tract = song_.GetSongTract();
    CTrackMIDI *track = PartTrack(song_, selected_);
    if (!built_ || !tract || !track || !track->output)
        return;
    PORTDESCR descriptor;
    if (!tract->GetOutDescr(track->output, &descriptor, 0))
        return;
    // An output's presets are kept with its handle and the song tract.
    const std::string name = OutputPortText(*tract, track->output);
    if (!database_.ChoosePreset(descriptor, kOutputPortKinds, track->output, tract, name.c_str(), window_))
        ShowProgramText(NoStoredPortText(name), window_);
    Redraw();
}

void PartsWindow::chooseAudioStream()
{
    IOPARAMS *params = session_.Params();
    if (!params || !session_.SoundManager())
        return;
    session_.StopEngine(*this);
    StreamSettings settings = StreamSettingsOf(*params);
    if (!RunAudioStreamDialog(window_, settings)) {
        session_.Resume(*this);
        return;
    }
    ApplyStreamSettings(settings, *params);
    database_.SetIOParams(params);
    // The engine runs again whatever became of the new parameters.
    if (!session_.Restart(*this))
        session_.Resume(*this);
}

void PartsWindow::chooseVstFolders()
{
    IOPARAMS *params = session_.Params();
    if (!params)
        return;
    VstFolders folders = VstFoldersOf(*params);
    if (!RunVstFoldersDialog(window_, folders) || folders == VstFoldersOf(*params))
        return;
    // The database keeps its own parameters; only the folders change there.
    IOPARAMS stored;
    if (database_.GetIOParams(&stored) && SetVstFolders(stored, folders))
        database_.SetIOParams(&stored);
    SetVstFolders(*params, folders);
}

void PartsWindow::chooseOutputField(OutputField which, int x)
{
    IQuorvaneSongTract *tract = song_.GetSongTract();
    CTrackMIDI *track = PartTrack(song_, selected_);
    if (!tract || !track)
        return;
    std::vector<PopupEntry> entries;
    switch (which) {
    case OutputField::Channel:
        entries = ChannelEntries(track->channel);
        break;
    case OutputField::BankMethod:
        entries = BankMethodEntries(track->bankMode);
        break;
    case OutputField::Bank:
        entries = BankEntries(*tract, track->output, track->bank);
        // An output without bank names takes the bank as a number.
        if (entries.size() <= 1) {
            editBank();
            return;
        }
        break;
    case OutputField::Program:
        entries = ProgramEntries(*tract, track->output, track->bank, track->program);
        break;
    }
    // The popup opens under its field.
    POINT at{x, kRowsTop + 4 * kRowHeight};
    ClientToScreen(window_, &at);
    long value = kNoOutputValue;
    bool chosen = false;
    {
        BusyStep busy(*this);
        chosen = ChoosePopupEntry(window_, at, entries, value);
    }
    if (!chosen)
        return;
    if (value == kRefreshPortInfo) {
        PostMessageA(window_, WM_COMMAND, ID_REFRESH_PORT_INFO, 0);
        return;
    }
    ApplyOutputChoice(song_, which, value, selected_);
    invalidate(4);
}

void PartsWindow::editBank()
{
    CTrackMIDI *track = PartTrack(song_, selected_);
    if (!track)
        return;
    const int left = options_.nameWidth + 220;
    bankEditor_.Start(left, kRowsTop + 3 * kRowHeight + 6, 78, track->bank, 0, kMaxBank);
}

void PartsWindow::bankEdited()
{
    ApplyOutputChoice(song_, OutputField::Bank, bankEditor_.Value(), selected_);
    invalidate(4);
}

void PartsWindow::chooseTemplate()
{
    const SavedPartsState present = CurrentState();
    const auto *bytes = reinterpret_cast<const uint8_t *>(&present);
    std::vector<uint8_t> state(bytes, bytes + sizeof(present));
    CTrackMIDI *before[kPartCount];
    for (int part = 0; part < kPartCount; ++part)
        before[part] = PartTrack(song_, part);
    bool released = false, refused = false;
    const bool chosen = database_.ChooseTemplate(
        &song_,
        [this, &released] {
            releaseParts();
            released = true;
            return true;
        },
        [&refused](const CTrack *first) {
            refused = !HoldsPartTracks(first);
            return !refused;
        },
        state, window_);
    if (!released)
        return;
    // A load that failed or was refused left the song's tracks as they
    // were (a template's are made while those live, so a track that came in
    // never has an old one's address): the parts keep their lengths and
    // state and are attached again.
    bool replaced = false;
    for (int part = 0; part < kPartCount; ++part)
        replaced = replaced || PartTrack(song_, part) != before[part];
    if (replaced) {
        frontEditor_ = 1;
        std::fill(std::begin(lengths_), std::end(lengths_), 2);
        SavedPartsState loaded{};
        if (chosen && ReadSavedState(state.data(), state.size(), loaded))
            applyState(loaded);
    }
    built_ = attachParts(false);
    partsLost_ = !built_;
    if (built_) {
        openEditors();
        openOutputEditor();
        for (int i = 0; i < kEditorWindows; ++i)
            setDocked(i, docked_[i] != 0);
    }
    updateMenu();
    Redraw();
    if (refused)
        ShowProgramMessage(MsgCantLoadTemplate, window_);
}

void PartsWindow::releaseParts()
{
    StopIfPlaying();
    for (int i = 0; i < kEditorWindows; ++i)
        if (!docked_[i])
            setDocked(i, true);
    // The editors close and the drummers are let go without the song lock,
    // which the render thread plays under: only the parts' re-routing takes
    // it.
    closeEditors(current_);
    closeOutputEditor();
    drummers_.ReleaseAll();
    void *first = RoutePartsToFirstOutput(song_);
    audioAvailable_ = !first || song_.GetSongTract()->GetOutType(first) != kOutputWithoutAudio;
}

} // namespace Quorvane
