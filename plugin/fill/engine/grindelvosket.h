// The fill drummer's engine: one drum fill split over ten per-instrument
// loopers, played inside one fill bar of the host song between a punch-in
// and a punch-out, with the incoming MIDI passed or masked by zone. It keeps
// ten quick pads, the velocity, swing and quantize settings the loopers
// apply, the drum map, the drum set and the note names.
//
// The same object is rendered on line (the MFX plug-in object derives from
// it) and off line (exports play the loopers into their own context). It owns
// no thread: every entry point runs on its caller's thread.
#pragma once

#include "plugin/fill/engine/engine_lock.h"
#include "plugin/fill/engine/engine_view.h"
#include "plugin/fill/engine/fill_state.h"
#include "plugin/fill/engine/quick_pad_store.h"
#include "plugin/fill/looper/looper.h"
#include "plugin/fill/looper/looper_host.h"
#include "plugin/framework/drums/drum_map.h"
#include "plugin/framework/drums/drum_set.h"
#include "plugin/framework/drums/note_names.h"
#include "plugin/framework/drums/note_names_provider.h"
#include "plugin/framework/drums/output_event.h"
#include "plugin/framework/drums/output_velocity_dynamics.h"
#include "plugin/framework/drums/velocity_envelope.h"
#include "plugin/framework/gui/flat_combo.h"
#include "plugin/framework/mfx/mfx_host.h"
#include "plugin/framework/midi/midi_track.h"
#include "plugin/framework/midi/process_context.h"
#include "plugin/framework/plugin/drummer_engine_views.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Quorvane {

class Grindelvosket : public ProcessContext, public LooperHost, public QuickPadStore::Owner {
public:
    static constexpr int kLooperCount = kFillParts;
    static constexpr int kPadCount = QuickPadStore::kDefaultPadCount;
    static constexpr int32_t kMaxMeasureCount = 1000;

    // Regions of a time around the fill bar; the fill zone is pad + 1.
    static constexpr int32_t kOutside = 0;
    static constexpr int32_t kPreZone = -2;
    static constexpr int32_t kAfterZone = -1;

    // Parameter ids reported through parameterChanged.
    enum ParamId {
        FillMeasureParam = 0,
        PunchInParam,
        PunchOutParam,
        MaskModeParam,
        PreZoneParam,
        AfterZoneParam
    };

    Grindelvosket();
    ~Grindelvosket() override;
    Grindelvosket(const Grindelvosket &) = delete;
    Grindelvosket &operator=(const Grindelvosket &) = delete;

    // ---- Virtual operations (the MFX object overrides several)

    // Stamps port and channel, shapes the velocity of notes and adds the
    // event to the host's output queue; nothing outside a processing call.
    void emitEvent(const CMidiTrack::Event &event) override;
    // With host maps attached, the host's meter map; else plain 4/4 at the
    // current resolution.
    int32_t toTime(int32_t bar, int32_t beat, int32_t tick) override;
    int32_t toBarBeatTick(int32_t ticks, int32_t *bar, int32_t *beat, int32_t *tick) override;
    // Any time not on beat 1 of a bar moves to the next bar line.
    virtual int32_t roundUpToBar(int32_t ticks) { return roundUpToBeat(ticks, 1); }
    virtual uint32_t capabilityBits() { return 1 | 4; }
    virtual void hostTransport(int /*command*/) {}
    void somethingChanged(const char * /*label*/) override {}
    virtual void drumMapChanged();
    virtual void selectNoteNameSet(const std::string &name);
    void previewEvent(const CMidiTrack::Event & /*event*/) override {}
    virtual Grindelvosket *engine() { return this; }
    // Host ticks of the playing position, -1 when unknown.
    virtual int32_t currentTime() { return -1; }
    // Length in ticks of the measure count starting at time.
    virtual int32_t measureCountLength(int32_t time);
    virtual void parameterChanged(int /*id*/) {}
    // Tempo (hundredths of a BPM), ticks per quarter, numerator and
    // denominator power.
    virtual void tempoAndMeter(int32_t *tempo, int32_t *ticksPerQuarter, int32_t *numerator,
                               int32_t *denominatorPower);
    // The fill handed to the outside world (the plug-in object does it;
    // an engine alone has no clipboard, drag or help): to and from the
    // clipboard, whether the clipboard holds a fill, dragged out as a
    // Standard MIDI File, and the module's help contents for a window.
    virtual void copyFillToClipboard() {}
    virtual void pasteFillFromClipboard() {}
    virtual bool clipboardHoldsFill() { return false; }
    virtual void dragOutFill() {}
    virtual void openHelp(HWND /*window*/) {}

    // ---- What the loopers read of their engine

    const ProcessContext *engineContext() const override { return this; }
    int32_t fillStart() const override { return fillStart_; }
    int32_t fillLength() const override { return fill_.fillLength; }
    int32_t punchIn() const override { return fill_.punchIn; }
    int32_t punchOut() const override { return fill_.punchOut; }
    int32_t swingPercent() const override { return fill_.swingPc; }
    int32_t swingGridIndex() const override { return fill_.swingDurIdx; }
    int32_t humanizeVelocity() const override { return humanizeVelo_; }
    const DrumMap &drumMap() const override { return drumMap_; }
    int32_t velocityDynamics() const override { return fill_.veloDyn; }
    int32_t velocityCentrePercent() const override { return fill_.veloCenterPc; }
    int32_t minOutputVelocity() const override { return outputDynamics_.min(); }
    int32_t maxOutputVelocity() const override { return outputDynamics_.max(); }
    int region(int32_t time) override;
    void wantPlaySolo(Looper &looper) override;
    void wantNotesOffSolo(Looper &looper) override;
    void updateInputMask() override { recomputeInputMask(); }
    void refreshViews() override;
    void loadAndRearrange(bool notify) override { LoadAndRearrange(notify); }
    void markSourceEdited() override;
    void showStatus(const std::string &text) override;

    // ---- Module registration (host connect / disconnect)

    void registerEngine();
    void unregisterEngine();

    // ---- Host time base (borrowed; the plug-in object holds the references)

    void attachHostMaps(IMfxTempoMap *tempoMap, IMfxMeterMap *meterMap);
    void detachHostMaps() { attachHostMaps(nullptr, nullptr); }
    bool hasHostMaps() const { return tempoMap_ != nullptr; }
    // Takes the output queue and the host resolution, and places the fill.
    void setupTimeBase(IMfxEventQueue *output);
    // Fill placement at a resolution: host meter map or plain 4/4.
    void placeFill();

    // ---- Real-time path

    // Region of a time (kOutside, kPreZone, kAfterZone or pad + 1); end is
    // set to the last tick of the region, except outside after the bar,
    // where it is left as the caller preset it.
    int32_t regionOf(int32_t time, int32_t &end) const;
    // Whether an input event that is not a trigger note passes in a region.
    bool passesInput(int32_t region, const MfxEvent &event) const;
    // The ten loopers play [from, thru] into this engine, unless silenced.
    void playRange(int32_t from, int32_t thru);
    // One processing window [from, thru]: region walk, input pass rule,
    // trigger notes, and the empty-window marker.
    void processRange(int32_t from, int32_t thru, IMfxEventQueue *input, IMfxEventQueue *output);
    int32_t lastProcessStart() const { return lastProcessStart_; }
    int emittedCount() const { return emitted_; }

    // ---- Loopers

    Looper *getLooper(int index) const;
    bool hasLoopers() const;
    // Start of the loop pass that contains t (ctx is the engine or an
    // off-line process).
    int32_t passStart(int32_t time, const ProcessContext *ctx) const;
    void updatePositions();

    // ---- Parameters

    void setSwingPc(int32_t value, bool notify);
    void setSwingDurIdx(int32_t value, bool notify);
    void setQuantizeDur(int32_t value, bool notify);
    void setVeloDyn(int32_t value, bool notify);
    void setVeloCenterPC(int32_t value, bool notify);
    void setHumanizeVelo(int32_t value, bool notify);
    void setQuantizeOn(bool on, bool notify);
    void setVelocityMin(int32_t value);
    void setVelocityMax(int32_t value);

    void setPunchIn(int32_t value);
    void setPunchOut(int32_t value);
    void setPunchRange(int32_t in, int32_t out);
    void setFillMeasure(int32_t measure);
    void setZones(int32_t pre, int32_t mask, int32_t after, bool notify);
    void setMixerMode(int32_t mode);
    void setKeepPunch(bool keep);
    void setTriggerEnabled(bool enabled);
    void setTriggerBase(int32_t note);
    // Measures 0..kMaxMeasureCount.
    void setMeasureCount(int32_t count) { measureCount_ = count < 0 ? 0 : std::min(count, kMaxMeasureCount); }
    void setOutputChannel(int32_t channel);
    void setOutputPort(int32_t port);
    void setRestartHostOnChange(bool restart) { restartHostOnChange_ = restart; }
    void setMultiTrackExport(bool on) { multiTrackExport_ = on; }

    int32_t swingPc() const { return fill_.swingPc; }
    int32_t swingDurIdx() const { return fill_.swingDurIdx; }
    int32_t quantizeDur() const { return fill_.quantizeDur; }
    int32_t veloDyn() const { return fill_.veloDyn; }
    int32_t veloCenterPC() const { return fill_.veloCenterPc; }
    int32_t humanizeVelo() const { return humanizeVelo_; }
    bool quantizeOn() const { return fill_.quantizeOn; }
    int32_t fillMeasure() const { return fillMeasure_; }
    int32_t preZone() const { return fill_.preZone; }
    int32_t maskMode() const { return fill_.maskMode; }
    int32_t afterZone() const { return fill_.afterZone; }
    int32_t mixerMode() const { return mixerMode_; }
    bool keepPunch() const { return keepPunch_; }
    bool triggerEnabled() const { return triggerEnabled_; }
    int32_t triggerLow() const { return triggerLow_; }
    int32_t triggerHigh() const { return triggerHigh_; }
    int32_t measureCount() const { return measureCount_; }
    int32_t outputChannel() const { return outputChannel_; }
    int32_t outputPort() const { return outputPort_; }
    bool restartHostOnChange() const { return restartHostOnChange_; }
    bool multiTrackExport() const { return multiTrackExport_; }
    int32_t displayMinVelocity() const override { return displayMinVelocity_; }
    int currentPad() const { return currentPad_; }
    const uint8_t *inputMask() const { return fill_.inputMask; }
    const uint8_t *remapTable() const { return fill_.remap; }

    OutputVelocityDynamics &outputDynamics() { return outputDynamics_; }
    VelocityEnvelope &velocityEnvelope() { return fill_.envelope; }
    DrumMap &drumMap() { return drumMap_; }
    // Seeds the loopers' humanize generators (the engine does it once from
    // the clock).
    void seedRandom(uint32_t seed);
    DrumSet &drumSet() { return drumSet_; }
    NoteNames &noteNames();
    NoteNamesProvider &noteNamesProvider() { return noteNamesProvider_; }
    void markNoteNamesDirty() { noteNamesDirty_ = true; }

    // ---- Triggers and quick pads

    bool isTriggerNote(const MfxEvent &event) const;
    // Switches to pad note - low when the note is a trigger; on any thread.
    bool triggerPad(int32_t note, bool immediate);
    // Stores the current state under the current pad and recalls pad (a
    // pad never stored clears the fill). On any thread: every stored pad is
    // prepared beforehand, so the switch reads no file and allocates
    // nothing; views hear of it directly on the window thread, by a posted
    // message elsewhere; the host and the requester (parameterChanged,
    // somethingChanged) after the engine's lock is let go.
    void selectPad(int pad, bool notify = true);
    // Whether the calling thread holds the engine's lock or a looper's: the
    // host's and the requester's calls find them free.
    bool holdsEngineLocks() const;
    // The stored pads, each as its last state (window thread).
    const QuickPadStore &pads();
    // Whether pad holds a state (stored, or left since).
    bool padStored(int pad) const;
    // Reads again every stored pad's pattern from the library and prepares
    // it anew (the library changed on disk). Window thread.
    void libraryChanged();

    // ---- Solo and arrangement

    void ResetPars();
    void clearFill();
    void recomputeInputMask();
    // After a change of the drum set's instruments: the loopers take their
    // notes anew, and the stored pads are prepared again.
    void refreshInstruments();

    // ---- Patterns

    bool selectPattern(const std::string &folder, const std::string &file);
    void setPattern(const std::string &folder, const std::string &file, bool notify);
    // Writes the source track (rebuilt from the loopers when they were
    // edited) as a Standard MIDI File at path; the fill then plays from that
    // file: inside the Fills folder it is found there again, elsewhere the
    // folder is empty. False, with names and file left as they were, when the
    // file cannot be written.
    bool savePatternAs(const std::string &path);
    bool selectPatternIfDifferent(const std::string &folder, const std::string &file);
    void onPatternTreeEvent(int kind, const std::string &folder, const std::string &file);
    bool selectDrumMapByName(const std::string &name);
    // Makes sure the source track holds the fill; false when the pattern
    // could not be read.
    bool ensureSource();
    std::string patternDisplayName() const;
    // The live fill's names, in the form canonicalPatternFolder gives.
    std::string patternFolder() const;
    std::string patternFile() const;
    const CMidiTrack &sourceTrack() const { return fill_.source; }
    bool trackLoaded() const { return fill_.trackLoaded; }
    bool sourceModified() const { return fill_.sourceModified; }
    bool embeddedTrack() const { return fill_.embedded; }
    // Whether the fill holds what no pattern file of the library holds: it
    // was edited by hand, or it lives only in the state (pasted, loaded with
    // its own track, saved outside the library).
    bool hasUnsavedEdits() const;

    // ---- Fill preparation

    void LoadAndRearrange(bool notify);
    // On a copy of the live fill's source.
    void prepare(CMidiTrack &copy, bool skipMono);
    void fitToInstruments(CMidiTrack &copy);
    void autoTransform(bool groupMode);
    void toggleOriginal();
    void toggleInstrument(int note);
    bool isUntransformed() const;

    // ---- Views

    // The names of notes 0..127 of the current set as menu entries, each
    // with the id noteMenuId(source, note): the selected note checked, the
    // source note the default entry, a new column every twelve entries;
    // notes without a name are left out unless they are the source or the
    // selected note, which then show their default names.
    void fillNoteMenu(FlatCombo::Menu &menu, int source, int selected);
    static int noteMenuId(int source, int target);
    // The provider's note-name sets, in its order.
    std::vector<std::string> noteNameSets() const;
    // A combo of the note-name sets with the current one selected.
    void fillNoteNameCombo(FlatCombo &combo);
    void fillNoteNameCombo(HWND comboBox);
    // Every view closes itself (the host disconnected).
    void closeViews();

    void attachPanel(EnginePanel *panel);
    EnginePanel *attachedPanel() const { return panel_; }
    void addView(EngineView *view) { views_.add(view); }
    void removeView(EngineView *view) { views_.remove(view); }
    // The thread whose views are called directly; news from other threads
    // are posted to every view's window. The constructing thread unless set.
    void setWindowThread(DWORD threadId) { views_.setWindowThread(threadId); }

    // ---- Persistence

    bool saveGlobals(OutputStream &out);
    bool loadGlobals(InputStream &in);
    bool saveLoop(OutputStream &out);
    // All or nothing, like loadState.
    bool loadLoop(InputStream &in, bool notify);
    bool saveSnapshot(OutputStream &out) override { return saveLoop(out); }
    bool loadSnapshot(InputStream &in, bool notify) override { return loadLoop(in, notify); }
    bool saveState(OutputStream &out);
    // All or nothing: a damaged state answers false and leaves the engine
    // as it was.
    bool loadState(InputStream &in);
    // The registry streams "Globals" and "Last".
    void writeGlobalsValue();
    bool readGlobalsValue();
    void writeLastValue();
    bool readLastValue();

    EngineLock &lock() { return lock_; }

private:
    friend class EngineStateCodec;
    using PartRefs = std::array<const LooperPart *, kLooperCount>;

    void tellViews() { views_.tellChanged(); }
    void tellViewsPad() { views_.tellPad(); }
    // News off the window thread: a posted message to every view's window.
    void postViewNews() { views_.post(); }
    // The views and the host told of a punch point set (and of the other,
    // -1 for none, dragged along), with the lock let go.
    void tellPunch(int set, int dragged);
    // The views and the host told of both punch points, with the lock let
    // go.
    void tellPunchRange();
    bool onWindowThread() const { return views_.onWindowThread(); }
    void resetRemapTables();
    // The punch range the fill's parts give, set in the fill; the lock is
    // held, the caller tells of it (tellPunchRange) after letting go.
    void setAutomaticPunchRange(FillSettings &settings, const PartRefs &parts);
    // The loopers take the drum set's notes, and the input mask follows;
    // the lock is held.
    void takeInstruments();

    // ---- Fills (engine_fills.cpp). Functions of a fill take its settings
    // and parts; the live fill's parts are the loopers'.
    PartRefs liveParts() const;
    static PartRefs partsOf(const Fill &fill);
    // A copy of the live fill, to be changed aside and installed.
    Fill liveCopy() const;
    // A fill with nothing in it and room for the names.
    static std::unique_ptr<Fill> blankFill();
    // Swaps a fill with the live one; allocates nothing.
    void swapLive(Fill &fill);
    // Takes a fill made aside as the live one (window thread).
    void install(Fill &fill);
    // The live fill made anew aside and installed: change applied to a
    // copy, which is then rearranged (its pattern read when it is not
    // loaded) and given to arranged. A pad switch meanwhile brings another
    // live fill, which is made anew in turn. Window thread, with the lock
    // free: a switch never waits for the arrangement or the disk.
    void remakeLive(const std::function<void(Fill &)> &change = nullptr,
                    const std::function<void(Fill &)> &arranged = nullptr);
    // What clearing the fill leaves: into a blank fill, the live fill's
    // settings without its pattern.
    void clearedCopy(Fill &blank);
    // The fill's parts made anew from its source (read first when it is
    // not loaded): LoadAndRearrange's work. A source that cannot be read
    // leaves the parts as they are.
    void rearrange(Fill &fill);
    bool ensureSource(FillSettings &settings, const PartRefs &parts);
    void rebuildSource(FillSettings &settings, const PartRefs &parts);
    void computeFillLength(FillSettings &settings, const PartRefs &parts);
    void computeInputMask(FillSettings &settings, const PartRefs &parts) const;
    void automaticPunchRange(const PartRefs &parts, int32_t fillLength, int32_t &in, int32_t &out) const;
    void rebuildVelocityMaps(Fill &fill) const;
    VelocityMapInputs velocityInputs(const FillSettings &settings) const;
    void prepare(CMidiTrack &copy, bool skipMono, const FillSettings &settings) const;
    void fitToInstruments(CMidiTrack &copy, const PartRefs &parts) const;

    // ---- Pads (engine_pads.cpp)
    // What a switch did, for the news told once the lock is let go.
    struct PadSwitch {
        bool switched = false;
        // A stored pad was recalled.
        bool recalled = false;
        bool patternChanged = false;
    };
    // Switches the live fill to pad; the lock is held. Calls nothing of the
    // host's or the requester's.
    PadSwitch switchToPad(int pad);
    // Writes the bytes of the pads left since their last store.
    void storeLeftPads();
    // Prepares every stored pad but the current one again; with reread,
    // patterns that come from files are read again.
    void repreparePads(bool reread);

    bool loadPattern(const std::string &folder, const std::string &file);
    // Rebuilds the live source from edited loopers. With redistribute the
    // loopers then take the fill as a reload would give it, so a stored
    // state reads back exactly.
    void rebuildSourceIfEdited(bool redistribute = false);
    void loopersRebuildVelocityMaps(bool redraw);
    void loopersRedraw();
    void applyAutoTransform(Fill &fill, bool groupMode);
    // Between the transformed arrangement and the untransformed one, which
    // the toggle keeps for the way back; the lock is held, the punch range
    // is told of after it.
    void switchArrangement();
    void setUntransformedArrangement();
    void solo(Looper &looper, bool notesOff);

    int32_t punchTicks(int32_t fillUnits) const;

    // Fields, in the order the state is described.
    EnginePanel *panel_ = nullptr;
    Looper *loopers_[kLooperCount] = {};
    NoteNamesProvider noteNamesProvider_;
    bool restartHostOnChange_ = true;
    int currentPad_ = 0;
    int32_t mixerMode_ = 0;
    // The live fill; its parts are the loopers'.
    FillSettings fill_;
    OutputVelocityDynamics outputDynamics_{30, 127};
    int32_t fillStart_ = 0;
    int32_t fillMeasure_ = 2;
    int32_t measureCount_ = 4;
    int32_t outputChannel_ = -1;
    int32_t outputPort_ = 0;
    int32_t displayMinVelocity_ = 20;
    QuickPadStore pads_;
    // Each pad's fill, prepared for a switch. The current pad's is a blank
    // spare that takes the live fill when another pad is switched to; a
    // pad never stored has a blank one too.
    std::array<std::unique_ptr<Fill>, kPadCount> prepared_;
    // The pads left since their bytes were written: their prepared fill is
    // newer. And the pads that hold a state, whether written or not.
    std::array<bool, kPadCount> padLeft_ = {};
    std::array<bool, kPadCount> padHeld_ = {};
    // Counts the switches that changed each pad's prepared fill.
    std::array<uint32_t, kPadCount> padVersion_ = {};
    // Counts the switches that put another fill live: a fill made aside
    // from the live one is installed only when none came between.
    uint32_t liveVersion_ = 0;
    int32_t humanizeVelo_ = 0;
    bool keepPunch_ = false;
    DrumMap drumMap_;
    DrumSet drumSet_;
    NoteNames noteNames_;
    bool noteNamesDirty_ = false;
    bool multiTrackExport_ = false;
    int32_t triggerLow_ = 36;
    int32_t triggerHigh_ = 45;
    bool triggerEnabled_ = false;
    // The arrangement saved by the last toggle.
    uint8_t savedRemap_[128];
    uint8_t savedEnabled_[128];
    uint8_t savedNotesOff_[kLooperCount] = {};
    uint8_t savedMute_[kLooperCount] = {};
    int32_t savedPunchIn_ = 0;
    int32_t savedPunchOut_ = 960;
    // What the loopers had before a solo.
    uint8_t soloMute_[kLooperCount] = {};
    uint8_t soloNotesOff_[kLooperCount] = {};
    uint8_t soloExclude_[kLooperCount] = {};
    // Profile values of fill preparation: note durations of a whole note
    // divided by this ("Length") and the collision window ("Mono").
    int32_t durationsLength_ = 32;
    int32_t monoDivision_ = 128;

    // Host side.
    // Guards the live fill, the pads and the views list against a pad
    // switch on the host's thread. Lock order: the module's engine-list
    // lock, then this, then the pattern library's, then a looper's; never
    // the other way round. A pad switch calls neither the host nor the
    // requester while it holds it.
    mutable EngineLock lock_;
    IMfxTempoMap *tempoMap_ = nullptr;
    IMfxMeterMap *meterMap_ = nullptr;
    IMfxEventQueue *output_ = nullptr;
    int emitted_ = 0;
    int32_t lastProcessStart_ = 0;
    bool registered_ = false;
    // The attached views, guarded by lock_; declared after it, so that the
    // list goes before the lock does.
    DrummerEngineViews<EngineView, int> views_{lock_, currentPad_};
};

} // namespace Quorvane
