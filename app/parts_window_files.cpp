// The parts window's file, export, copy and option commands: the window
// seen as the store of parts and the source of the result that the units
// of app/files and app/options work on.
#include "app/parts_window.h"

#include "app/files/chain_drummers.h"
#include "app/files/part_commands.h"
#include "app/files/result_commands.h"
#include "app/files/result_export.h"
#include "app/options/accent_dialog.h"
#include "app/options/help_commands.h"
#include "app/options/metronome_level.h"
#include "app/options/option_settings.h"
#include "app/options/playback_dialog.h"
#include "app/parts_song.h"
#include "app/program_messages.h"
#include "app/resource_ids.h"
#include "data/track_midi.h"

#include <shellapi.h>

#include <memory>
#include <optional>

namespace Quorvane {

namespace {

// Drummer parameters the result is played with: velocity, bend, modulation.
constexpr LONG kVelocityParam = 6;
constexpr LONG kBendParam = 7;
constexpr LONG kModulationParam = 8;
constexpr LONG kStrengthParam = 9;

} // namespace

// A part's drummer states; switching a fill drummer on or off also keeps
// the window's mirror of it.
class PartsWindowStates final : public PartStates {
public:
    PartsWindowStates(CMEffChain &chain, PartDrummers &drummers, int part)
        : chain_(chain), drummers_(drummers), part_(part)
    {
    }
    bool isActive(int element) override { return chain_.isActive(element); }
    void setActive(int element, bool active) override
    {
        chain_.setActive(element, active);
        if (element > 0)
            drummers_.Mirror(part_, element).inactive = active ? 0 : 1;
    }
    bool saveState(int element, std::string &state) override { return chain_.saveState(element, state); }
    bool loadState(int element, const std::string &state) override
    {
        return chain_.loadState(element, state);
    }

private:
    ChainDrummers chain_;
    PartDrummers &drummers_;
    int part_;
};

class PartsWindowFiles final : public PartFileHost, public ResultSource {
public:
    explicit PartsWindowFiles(PartsWindow &window) : w_(window) {}

    // --- PartStore
    int32_t partLength(int part) override { return w_.lengths_[part]; }
    void setPartLength(int part, int32_t measures) override { w_.lengths_[part] = measures; }
    float tempo() override { return w_.transport_.Tempo(); }
    void setTempo(float beatsPerMinute) override { w_.transport_.SetTempo(beatsPerMinute); }
    PartStates *states(int part) override
    {
        CTrackMIDI *track = PartTrack(w_.song_, part);
        if (!track)
            return nullptr;
        states_[part].emplace(track->effects, w_.drummers_, part);
        return &*states_[part];
    }

    // --- PartFileHost
    HWND owner() override { return w_.window_; }
    int currentPart() override { return w_.current_; }
    void stopPlayback() override { w_.StopIfPlaying(); }
    void partsLoaded() override
    {
        w_.applyTimeSelection();
        w_.relayout();
        w_.Redraw();
    }
    void fileNamed(const std::string &path) override
    {
        w_.fileTitle_ = path;
        w_.updateTitle();
    }
    std::string fileFolder() override { return w_.profile_.getString(option::StylePath); }
    void setFileFolder(const std::string &folder) override
    {
        w_.profile_.writeString(option::StylePath, folder);
    }

    // --- ResultSource
    bool midiChosen() override { return w_.options_.oleMidi != 0; }
    bool exportMidi(CStorage &storage) override
    {
        CTrackMIDI *track = prepareResult();
        const bool ok =
            track && ExportPartMidi(w_.song_, *track, LoopTicks(w_.song_, w_.lengths_[w_.current_]),
                                    w_.exportChoices_.midiFormat0, storage);
        partsLoaded();
        return ok;
    }
    bool exportWave(CStorage &storage) override
    {
        CTrackMIDI *track = prepareResult();
        const bool ok = track && ExportPartWave(w_.song_, *track, LoopTicks(w_.song_, w_.lengths_[w_.current_]),
                                                 w_.exportChoices_.waveFormat, storage);
        partsLoaded();
        return ok;
    }
    bool saveCurrentPart(CStorage &storage) override
    {
        return SaveClipboardPart(storage, *this, w_.current_);
    }
    void dragRendered() override {}

private:
    // The current part plays alone, its drummers at the plain velocity.
    CTrackMIDI *prepareResult()
    {
        if (w_.selected_ != w_.current_)
            w_.SwitchPart(w_.current_, 2, false);
        w_.SetDrummerParam(w_.current_, kVelocityParam, w_.options_.veloStat);
        w_.SetDrummerParam(w_.current_, kBendParam, 0);
        w_.SetDrummerParam(w_.current_, kModulationParam, 0);
        w_.song_.playStartTick = 0;
        return PartTrack(w_.song_, w_.current_);
    }

    PartsWindow &w_;
    std::optional<PartsWindowStates> states_[kPartCount];
};

bool PartsWindow::onFileCommand(int command)
{
    PartsWindowFiles files(*this);
    const ProgramOptions before = options_;
    switch (command) {
    case ID_OPEN_PART:
    case ID_OPEN_STYLE:
        OpenPartCommand(files, command == ID_OPEN_STYLE ? PartFileKind::Style : PartFileKind::Part);
        return true;
    case ID_SAVE_PART:
    case ID_SAVE_STYLE:
        SavePartCommand(files, command == ID_SAVE_STYLE ? PartFileKind::Style : PartFileKind::Part);
        return true;
    case ID_COPY_PART:
        CopyPartCommand(files);
        return true;
    case ID_PASTE_PART:
        PastePartCommand(files);
        return true;
    case ID_EXPORT_MIDI:
    case ID_EXPORT_AUDIO:
        if (command == ID_EXPORT_AUDIO && !audioAvailable_)
            return true;
        ExportResultCommand(files, exportChoices_,
                            command == ID_EXPORT_MIDI ? ResultKind::Midi : ResultKind::Wave);
        return true;
    case ID_COPY_RESULT_MIDI:
    case ID_COPY_RESULT_WAVE:
        options_.oleMidi = command == ID_COPY_RESULT_MIDI ? 1 : 0;
        WriteChangedOptions(before, options_, profile_);
        CopyResultCommand(files, audioAvailable_);
        return true;
    case ID_FORMAT_MIDI:
    case ID_FORMAT_WAVE:
        options_.oleMidi = command == ID_FORMAT_MIDI ? 1 : 0;
        WriteChangedOptions(before, options_, profile_);
        return true;
    case ID_ACCENT:
        StopIfPlaying();
        if (RunAccentDialog(window_, options_, DrummerNoteNamer(FirstAttachedDrummer(drummers_))))
            WriteChangedOptions(before, options_, profile_);
        return true;
    case ID_PLAYBACK:
        StopIfPlaying();
        if (RunPlaybackDialog(window_, options_)) {
            WriteChangedOptions(before, options_, profile_);
            transport_.ResetPlaybackValues();
            for (int part = 0; part < kPartCount; ++part)
                SetDrummerParam(part, kStrengthParam, options_.strength);
        }
        return true;
    case ID_METRONOME_LEVEL: {
        POINT cursor{};
        GetCursorPos(&cursor);
        if (song_.songTract)
            RunMetronomeLevel(window_, cursor, *song_.songTract);
        return true;
    }
    case ID_HELP_MANUAL:
    case ID_HELP_LOOP_SLICE:
    case ID_HELP_FILL: {
        const std::string failed =
            command == ID_HELP_MANUAL
                ? OpenManual(window_)
                : OpenDrummerHelp(window_,
                                  command == ID_HELP_FILL ? DrummerHelp::Fill : DrummerHelp::LoopSlice);
        if (!failed.empty())
            ShowProgramText(failed, window_);
        return true;
    }
    }
    return false;
}

void PartsWindow::openCommandLineStyle()
{
    PartsWindowFiles files(*this);
    OpenPartCommand(files, PartFileKind::Style, stylePath_);
}

void PartsWindow::copyResult()
{
    BusyStep busy(*this);
    PartsWindowFiles files(*this);
    CopyResultCommand(files, audioAvailable_);
}

void PartsWindow::dragResult()
{
    BusyStep busy(*this);
    PartsWindowFiles files(*this);
    DragResultCommand(files, audioAvailable_);
}

void PartsWindow::onDropFiles(HDROP drop)
{
    BusyStep busy(*this);
    const std::vector<std::string> names = DroppedFileNames(drop);
    DragFinish(drop);
    PartsWindowFiles files(*this);
    OpenDroppedFiles(files, names);
}

} // namespace Quorvane
