// The loop-slice drummer's engine: six slices (kick, snare, cymbal and three
// percussion layers), each replaying a one-measure loop from its own pattern
// folder, played block by block into the host's output. It switches between
// stored combinations (quick pads) when a trigger note arrives, carries the
// engine-wide swing, quantize, humanize, velocity curve and pattern level,
// composes new combinations by its rules, keeps the note names and the drum
// map, and stores its state.
//
// The MFX object (VostrapellinMFX) derives from it and overrides the
// operations that need the host. It owns no thread: blocks come on the
// host's thread, everything else on the window thread.
#pragma once

#include "plugin/fill/engine/quick_pad_store.h"
#include "plugin/framework/drums/drum_map.h"
#include "plugin/framework/drums/humanize_random.h"
#include "plugin/framework/drums/note_names.h"
#include "plugin/framework/drums/note_names_provider.h"
#include "plugin/framework/drums/output_velocity_dynamics.h"
#include "plugin/framework/midi/offline_tracks.h"
#include "plugin/framework/midi/process_context.h"
#include "plugin/framework/plugin/drummer_engine_views.h"
#include "plugin/slice/engine/loop_records.h"
#include "plugin/slice/engine/looper.h"
#include "plugin/slice/engine/rhythm_rules.h"
#include "plugin/slice/engine/slice_host.h"

#include "base/critical_section.h"

#include <windows.h>

#include <array>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace Quorvane::LoopSlice {

// An open editor panel of the engine: the drummers' view interface, and the
// question the composer asks before edits are lost.
class EngineView : public DrummerEngineView {
public:
    // Whether edited slices may change their pattern (the panel asks).
    virtual bool mayChangePatterns() = 0;
    // The host let the plug-in go: the view closes its window.
    void closeView() override {}

protected:
    ~EngineView() = default;
};

// One quick pad's combination, decoded: the six slices' contents with the
// pattern level and collection the loop record gives.
struct Combination {
    std::array<SliceContentPtr, kSliceCount> slices;
    int32_t level = 0;
    std::shared_ptr<const std::string> collection;

    bool ready() const { return slices[0] != nullptr; }
};

class Vostrapellin : public ProcessContext, public SliceHost, public QuickPadStore::Owner {
public:
    static constexpr int kPadCount = QuickPadStore::kDefaultPadCount;
    static constexpr int32_t kEngineTicksPerQuarter = 480;
    static constexpr int32_t kMaxCycleMeasures = 1000;

    Vostrapellin();
    ~Vostrapellin() override;
    Vostrapellin(const Vostrapellin &) = delete;
    Vostrapellin &operator=(const Vostrapellin &) = delete;

    // ---- Operations the MFX object overrides, in slot order

    // Plays nothing here; the MFX object hands events to the host.
    void emitEvent(const CMidiTrack::Event &) override {}
    // Plain 4/4 at the engine's resolution; bars and beats from 1.
    int32_t toTime(int32_t bar, int32_t beat, int32_t tick) override;
    int32_t toBarBeatTick(int32_t ticks, int32_t *bar, int32_t *beat, int32_t *tick) override;
    virtual uint32_t capabilityBits() { return 1 | 4; }
    virtual void hostCommand(int /*command*/) {}
    void somethingChanged(const char * /*label*/) override {}
    virtual void drumMapChanged();
    void previewEvent(const CMidiTrack::Event & /*event*/) override {}
    // Moves the trigger range to start at note, keeping its width.
    virtual void setTriggerLow(int32_t note);
    virtual void setTriggerEnabled(bool enabled);
    virtual void selectNoteNameSet(const std::string &name);
    // Host ticks of the playing position.
    virtual int32_t currentTime() { return 0; }
    // Tempo (hundredths of a beat per minute), ticks per quarter, numerator
    // and denominator power.
    virtual void tempoAndMeter(int32_t *tempo, int32_t *ticksPerQuarter, int32_t *numerator,
                               int32_t *denominatorPower);
    // The engine's cycle in ticks of tempoAndMeter's resolution: cycle
    // measures of 4/4 at 480 ticks per quarter.
    virtual int32_t cycleLength();

    // ---- What the editor hands to the outside world, which the MFX object
    // does: the loop dragged out and on the clipboard, and the help.
    // True when a drag ran.
    virtual bool dragOutLoop() { return false; }
    virtual void copyLoopToClipboard() {}
    // False (the loop as it was) when the clipboard holds no loop.
    virtual bool pasteLoopFromClipboard() { return false; }
    virtual bool clipboardHoldsLoop() { return false; }
    virtual void openHelp(HWND /*window*/) {}

    // ---- What the slices read of their engine

    int32_t swingPercent() const override { return swingPc_; }
    int32_t swingDurationIndex() const override { return swingDurIdx_; }
    bool quantizeOn() const override { return quantize_; }
    int32_t humanizeRange() const override { return humanize_; }
    const DrumMap &drumMap() const override { return drumMap_; }
    VelocityMapInputs velocityInputs() const override;
    bool soloActive() const override { return soloed_ >= 0; }
    const PatternTree *patternTree() const override;
    HumanizeRandom &drawRandom() override { return drawRandom_; }
    bool mayChangePatterns() override;
    void composeSlice(Looper &looper) override { Random(&looper); }
    bool violatesRules(const Looper &looper) override;

    // ---- Life with the host

    // The plug-in connected: the library, default folders, the collection,
    // "Globals" and "Last", the note names.
    void attach();
    void detach();
    bool isAttached() const { return attached_; }

    // ---- Real-time path

    // Plays every slice over [from, thru], switching back at a pending
    // counted switch.
    void processRange(int32_t from, int32_t thru);
    bool isTrigger(int note) const;
    // Selects pad note - low when the note is a trigger.
    bool selectByTrigger(int note, bool immediate);
    // Stores the live combination under the current pad and takes pad's (a
    // pad never stored loads nothing). The switch time is the latest next
    // cycle start of the slices after now (immediate) or after the last
    // switch time; with a count the previous pad comes back then (a
    // negative count keeps switching). On any thread: every stored pad is
    // decoded beforehand, so a switch reads no file and allocates nothing.
    void selectPad(int pad, bool immediate, int32_t count = 0);
    int currentPad() const { return currentPad_; }
    bool padStored(int pad) const;
    // -1 when no return is pending.
    int returnPad() const { return returnPad_; }
    // Whether the calling thread holds the pad lock or a slice's lock: the
    // host's calls find them free.
    bool holdsEngineLocks() const;
    int32_t switchTime() const { return switchTime_; }
    // The grid a collection's leading number gives: 2 (sixteenths) for 16,
    // 1 (eighths) for 8, else 0 (straight).
    static int32_t gridOfCollection(const std::string &name);
    // The stored pads, each as its last state (window thread).
    const QuickPadStore &pads();

    // ---- Slices

    Looper &slice(int index) const { return *loopers_[static_cast<size_t>(index)]; }
    // Seeds every slice's humanize generator and the composer's.
    void seedRandom(uint32_t seed);
    // The pattern library changed: every slice and pad takes its patterns
    // anew (window thread).
    void libraryChanged();

    // ---- Parameters (window thread; each refreshes the views)

    void setSwingPc(int32_t value, bool notify);
    void setSwingDurIdx(int32_t value, bool notify);
    void setVelocityDynamics(int32_t value);
    void setVelocityCentre(int32_t value);
    void setOutputMinimum(int32_t value);
    void setOutputMaximum(int32_t value);
    void setHumanizeVelo(int32_t value, bool notify);
    void setQuantize(bool on);
    void setOutputChannel(int32_t channel);
    void setOutputPort(int32_t port);
    void setCycleMeasures(int32_t measures);
    void setNotifyHost(bool on) { notifyHost_ = on; }
    void setMultiTrack(bool on) { multiTrack_ = on; }
    // Every slice takes the collection; its "Default.mid" loop then loads.
    void setVolume(const std::string &name);
    // Stores the collection's name; its leading number sets the grid (16
    // sixteenths, 8 eighths, else straight).
    void setCollectionName(const std::string &name);
    // Every slice filters its patterns for the level; with choose a slice
    // whose pattern is no longer available chooses anew.
    void setPatternLevel(int32_t level, bool choose);
    // Solos the slice alone; asked again for the soloed slice, ends the
    // solo.
    void wantPlaySolo(Looper &looper);
    void ResetPars();
    void clearAll();
    bool anyModified() const;
    void clearModified();

    int32_t velocityDynamics() const { return veloDyn_; }
    int32_t velocityCentre() const { return veloCentre_; }
    int32_t outputChannel() const { return outputChannel_; }
    int32_t outputPort() const { return outputPort_; }
    int32_t cycleMeasures() const { return cycleMeasures_; }
    bool notifyHost() const { return notifyHost_; }
    bool multiTrack() const { return multiTrack_; }
    bool triggerEnabled() const { return triggerEnabled_; }
    int32_t triggerLow() const { return triggerLow_; }
    int32_t triggerHigh() const { return triggerHigh_; }
    int32_t displayMinVelocity() const { return displayMinVelocity_; }
    int32_t patternLevel() const { return level_; }
    std::string collectionName() const;
    OutputVelocityDynamics &outputDynamics() { return outputDynamics_; }
    DrumMap &drumMap() { return drumMap_; }
    const NoteNames &noteNames() const { return noteNames_; }
    NoteNamesProvider &noteNamesProvider() { return noteNamesProvider_; }

    // ---- Composer (window thread)

    // Composes a new combination for the slices that take part (every slice
    // neither locked nor muted), or for one slice.
    void Random(Looper *slice);
    // The rules over the tested slices with the masks of the slices' current
    // patterns.
    RuleVerdict checkRules(uint32_t tested) const;
    RuleMasks ruleMasks() const;

    // ---- Stored forms (window thread)

    // The loop record of the live combination; with clearModified the
    // slices' modified flags go first.
    bool SaveLoop(OutputStream &out, bool clearModified);
    // All or nothing: a damaged record answers false and changes nothing.
    bool LoadLoop(InputStream &in, bool notify);
    bool saveLoopRecord(OutputStream &out, bool withSeconds);
    bool loadLoopRecord(InputStream &in, bool withSeconds, bool notify);
    bool saveSnapshot(OutputStream &out) override { return SaveLoop(out, false); }
    bool loadSnapshot(InputStream &in, bool notify) override { return LoadLoop(in, notify); }
    bool saveGlobals(OutputStream &out);
    bool loadGlobals(InputStream &in);
    bool saveState(OutputStream &out);
    bool loadState(InputStream &in);
    // The registry streams "Globals" and "Last".
    void writeGlobalsValue();
    bool readGlobalsValue();
    void writeLastValue();
    bool readLastValue();

    // The engine's cycle rendered as a Standard MIDI File: one track, or one
    // per slice when the multi-track switch is on.
    bool renderLoop(OutputStream &out);

    // ---- Views

    void addView(EngineView *view) { views_.add(view); }
    void removeView(EngineView *view) { views_.remove(view); }
    // Every view closes itself (the host disconnected).
    void closeViews() { views_.closeAll(); }
    void showStatus(const std::string &text) { views_.tellStatus(text); }
    void refreshViews() { tellViews(); }
    // The thread whose views are called directly; the constructing thread
    // unless set.
    void setWindowThread(DWORD threadId) { views_.setWindowThread(threadId); }

protected:
    // Called with a count pending when its switch time comes.
    void switchBack();

private:
    friend class EngineRecords;

    LoopRecord liveLoopRecord(bool withSeconds) const;
    static SliceRecord recordOf(const SliceContent &content);
    // Contents of a loop record taken onto base contents, made aside (reads
    // pattern files; no lock held).
    Combination combinationOf(const LoopRecord &record,
                              const std::array<SliceContentPtr, kSliceCount> &base) const;
    SliceContentPtr contentOf(const SliceRecord &record, const SliceContent &base) const;
    // Takes a combination live under the pad lock; the old contents are left
    // in it, to be let go outside.
    void installLive(Combination &combination);
    void applySeconds(const std::vector<SecondBlock> &seconds);
    void applyGlobals(const GlobalsRecord &record);
    GlobalsRecord globalsRecord() const;
    std::array<SliceContentPtr, kSliceCount> liveContents() const;
    // With the pad lock held.
    void switchToPadLocked(int pad);
    void storeLeftPadsLocked();
    // Decodes every stored pad but the current one again.
    void preparePads();
    void playSlices(int32_t from, int32_t thru);
    // The latest next cycle start of the six slices after a time; takes no
    // lock while it asks the host.
    int32_t latestCycleStart(int32_t after);
    void tellViews() { views_.tellChanged(); }
    void tellViewsPad() { views_.tellPad(); }
    // The pad and everything else: told directly on the window thread,
    // by one posted message elsewhere.
    void tellViewsOfPad();
    void postViewNews() { views_.post(); }
    bool onWindowThread() const { return views_.onWindowThread(); }
    void rebuildVelocityTables();

    std::array<std::unique_ptr<Looper>, kSliceCount> loopers_;
    NoteNamesProvider noteNamesProvider_;
    OutputVelocityDynamics outputDynamics_{30, 127};
    // The trigger range spans the pads: high is low + kTriggerWidth, cut at
    // 127.
    static constexpr int32_t kTriggerWidth = kPadCount - 1;
    int32_t triggerLow_ = 36;
    int32_t triggerHigh_ = 36 + kTriggerWidth;
    bool triggerEnabled_ = false;
    int32_t outputChannel_ = -1;
    int32_t outputPort_ = 0;
    int32_t cycleMeasures_ = 4;
    bool notifyHost_ = true;
    bool attached_ = false;
    int32_t displayMinVelocity_ = 20;
    QuickPadStore pads_;
    std::atomic<int> currentPad_{0};
    // A pending counted switch: the pad to return to (-1 none), when, and
    // the count to go on with.
    std::atomic<int> returnPad_{-1};
    std::atomic<int32_t> switchTime_{0};
    int32_t switchCount_ = 0;
    // Counts the switches, so that a switch time worked out without the pad
    // lock is kept only when no other switch came meanwhile.
    uint32_t switches_ = 0;
    int32_t swingPc_ = 0;
    int32_t swingDurIdx_ = 0;
    int32_t veloDyn_ = 0;
    int32_t veloCentre_ = 0;
    int32_t humanize_ = 0;
    bool quantize_ = false;
    std::shared_ptr<const std::string> collection_;
    int32_t level_ = -1;
    DrumMap drumMap_;
    NoteNames noteNames_;
    std::array<uint8_t, kSliceCount> initialMute_{};
    std::array<uint8_t, kSliceCount> initialLocked_{};
    bool multiTrack_ = false;
    // The soloed slice, -1 for none.
    std::atomic<int> soloed_{-1};

    // Each stored pad's combination, decoded for a switch; the current
    // pad's is empty (its combination is the live one).
    std::array<Combination, kPadCount> prepared_;
    // Pads left since their bytes were written (their decoded combination
    // is newer), and pads that hold a combination, written or not.
    std::array<bool, kPadCount> padLeft_{};
    std::array<bool, kPadCount> padHeld_{};
    // Counts the switches that touched each pad's decoded combination.
    std::array<uint32_t, kPadCount> padVersion_{};
    // Guards the pads, the current pad, the pending switch, the live
    // combination's level and collection, and the views list against a pad
    // switch on the host's thread. Lock order: the module's list lock, then this, then a
    // slice's lock. Never held across a file read, nor while the host is
    // called (its clock, its meter map, its output list).
    mutable CriticalSection padLock_;
    HumanizeRandom drawRandom_;
    uint32_t seed_ = 1;
    // The attached views, guarded by padLock_; declared after it, so that
    // the list goes before the lock does.
    DrummerEngineViews<EngineView, std::atomic<int>> views_{padLock_, currentPad_};
};

// The engine's cycle as an export plays it: each slice with a cursor and a
// humanize generator of its own, so the live walk stays where it is.
class SliceExportParts : public OfflineParts {
public:
    SliceExportParts(Vostrapellin &engine, uint32_t seed);

    int offlinePartCount() override { return kSliceCount; }
    void playOfflinePart(int index, int32_t from, int32_t thru, OfflineProcess &process) override;

private:
    Vostrapellin &engine_;
    std::array<Looper::Cursor, kSliceCount> cursors_;
    std::array<HumanizeRandom, kSliceCount> randoms_;
};

// Reads a collection's "Default.mid" loop (or any loop file of the
// library) through the library into the engine; false when there is none or
// it is damaged (the engine then stays as it was).
bool loadAsLoop(const PatternTree &tree, const std::string &folder, const std::string &file,
                Vostrapellin &engine);

} // namespace Quorvane::LoopSlice
