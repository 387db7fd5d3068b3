// One slice of the loop-slice engine: it replays a one-measure loop (a
// pattern of its folder, or events the user edited) cyclically into the
// host's output with its own offsets, mapping, velocity table, quantize,
// swing and humanize, and chooses patterns of its folder by the filters
// the pattern names carry.
//
// What the slice plays is its content (slice_content.h), swapped whole under
// the slice's lock. The host's thread plays and, at a pad switch, exchanges
// contents; the window thread builds new contents aside (reading pattern
// files without any lock held) and installs them.
#pragma once

#include "base/critical_section.h"
#include "plugin/framework/drums/humanize_random.h"
#include "plugin/framework/drums/velo_transformer.h"
#include "plugin/framework/midi/process_context.h"
#include "plugin/slice/engine/slice_content.h"
#include "plugin/slice/engine/slice_host.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace Quorvane::LoopSlice {

// What a slice tells its open slice view (the editor's).
class LooperObserver {
public:
    // Redraw; with folderChanged the folder controls too.
    virtual void looperChanged(bool folderChanged) = 0;

protected:
    ~LooperObserver() = default;
};

class Looper {
public:
    // Parameter ids.
    enum Param { VelocityOffset = 0, Dynamics = 1, TimeOffset = 2, KeyOffset = 3 };
    // Parts of the transformation an event bar leaves out.
    enum Exclude : unsigned { ExcludeMapping = 1, ExcludeHumanize = 2, ExcludeTiming = 4 };

    // Where playback stands; the live walk is the slice's own, an export
    // walks with a cursor of its own.
    struct Cursor {
        const SliceContent *content = nullptr; // what the position belongs to
        CMidiTrack::EventList::const_iterator current;
        bool synced = false;
        int64_t lastEnd = 0;
        int32_t hostRate = 0;
        int32_t trackRate = 0;
        int32_t timeOffset = 0; // 480 ticks per quarter, as synced
        int32_t swingIndex = -1;
        int64_t cycleStart = 0;
        int64_t loopLength = 1;
        int64_t offsetTicks = 0; // the time offset in host ticks
        int64_t swingCell = 1;
    };

    Looper(SliceHost &host, int index);
    virtual ~Looper();
    Looper(const Looper &) = delete;
    Looper &operator=(const Looper &) = delete;

    int index() const { return index_; }

    // ---- Content

    // The content now playing (a shared reference, taken under the lock).
    SliceContentPtr content() const;
    // Takes a content made aside; the old one is let go outside the lock.
    // Window thread.
    void install(SliceContentPtr next);
    // Exchanges the content with next under the lock: moves pointers,
    // rebuilds the velocity table and the filters for level. Allocates and
    // frees nothing; for pad switches on the host's thread.
    void exchangeContent(SliceContentPtr &next, int32_t level);
    // A copy of the content to change and install.
    std::shared_ptr<SliceContent> editableContent() const;

    // ---- Playback

    // Plays the inclusive range [from, thru] into the context with the live
    // cursor and the slice's own humanize generator. The context's meter
    // map is read before the slice's lock is taken and the events go out
    // to it after the lock is let go.
    void play(int32_t from, int32_t thru, ProcessContext &context);
    // The same with a cursor of the caller's (exports).
    void play(Cursor &cursor, int32_t from, int32_t thru, ProcessContext &context, HumanizeRandom &random);
    // The next cycle start after time: time + the loop length, moved to the
    // next measure line.
    int32_t nextCycleStart(int32_t time, ProcessContext &context) const;
    // The loop length in the context's ticks: the track's length (100 host
    // ticks when it has none), moved up to a measure line, at least 1.
    int64_t loopLength(ProcessContext &context) const;
    // An event as it plays (exclude: Exclude bits) in the cycle that starts
    // at cycleStart. Needs the lock held or a content the caller keeps.
    CMidiTrack::Event transformed(const CMidiTrack::Event &event, const SliceContent &content,
                                  const Cursor &scale, int64_t cycleStart, unsigned exclude,
                                  HumanizeRandom *random) const;
    // Forgets the live position (the next play resyncs).
    void resetPosition();
    // Where the live walk stands in its loop, in the host's ticks; false
    // before the slice played.
    bool playPosition(int64_t &position, int64_t &length) const;
    // The rates, offset, swing cell and loop length a walk of content in
    // context uses (its cycle start 0): the scale the event bar draws with.
    Cursor scaleOf(const SliceContent &content, ProcessContext &context) const;

    // ---- Pattern selection (window thread)

    // Selects the pattern when the slice may change; notify sends
    // "Looper::setPattern". False when the slice may not change.
    bool setPattern(const std::string &folder, const std::string &file, bool notify);
    // The step behind setPattern and the loop reader: nothing (false)
    // unless forced when both names are the current ones. A file the
    // folder lacks empties the track and, unless keepNames, the file name.
    bool selectPattern(const std::string &folder, const std::string &file, bool forced,
                       bool keepNames = false);
    // Resolves the path in the library (three levels deep) and selects its
    // folder without a file; then the filters choose.
    bool setFolder(const std::string &path);
    bool setCollection(const std::string &name);
    bool setSubCollection(const std::string &name);
    // Steps by a random count of available patterns; never lands on
    // previousName (an empty one never matches). Fewer than two available:
    // nothing changes. False when nothing changed.
    bool randomPattern(const std::string &previousName);
    // Steps n available patterns forward or backward; with checkRules only
    // patterns the rule checker accepts count.
    bool nextPattern(int n, bool notify, bool checkRules);
    bool previousPattern(int n, bool notify, bool checkRules);
    // After a level or folder change: the level and the second-number range
    // present at it; with choose, a slice whose pattern is no longer
    // available takes the next available one and composes anew.
    void recomputeFilters(int32_t level, bool choose);
    // Whether a pattern is available at the slice's level and range.
    bool isAvailable(const PatternName &name) const;
    // Whether the calling thread holds the slice's lock.
    bool lockHeldHere() const { return lock_.heldByThisThread(); }

    // ---- Settings (window thread; each makes a new content)

    void setMute(bool mute, bool notify);
    // Plays the note as the slice maps it (the engine's map, then the fixed
    // note or the slice's map and the key offset): velocity 110, two beats.
    void preview(int note);
    // 0 velocity offset, 1 dynamics, 2 time offset, 3 key offset; clamped.
    void setParam(int id, int32_t value);
    int32_t param(int id) const;
    // With the fixed-note flag the fixed note becomes note & 127; else the
    // slice's drum map sends its source note to note.
    void setInstrument(int note, int sourceNote);
    // Offsets, drum map, time offset, dynamics and the second-number range.
    void resetParameters();
    // No pattern, no own events, an empty track.
    void clearLoop();
    void setModified(bool modified);
    void setOwnEvents(bool own);
    // An edited slice asks the open panels before its pattern changes; a
    // refusal locks it.
    bool mayChange();
    // After the user let the edits go: no longer modified, and no pattern
    // name that the edited events would wrongly carry.
    void forgetEdits();

    // ---- Note edits of the event bar (window thread). A note is named by
    // its index in the event list; each edit makes the events the slice's
    // own, marks it modified and answers the note's index afterwards (-1
    // when there is none). Times are in the track's ticks.

    // A note at time (moved into the loop) of velocity (1..127), a
    // sixteenth long but no longer than the rest of the loop.
    int addNote(int32_t time, int note, int velocity);
    int setNoteVelocity(int index, int velocity);
    // Time is kept inside the loop.
    int moveNote(int index, int32_t time);
    bool deleteNote(int index);
    // The loop's length in the track's ticks: its last note's end moved up
    // to a whole 4/4 measure, at least one.
    static int32_t trackLoopTicks(const CMidiTrack &track);

    // ---- Flags kept apart from the content

    bool isLocked() const { return locked_; }
    void setLocked(bool locked);
    bool isSolo() const { return solo_; }
    void setSolo(bool solo) { solo_ = solo; }
    // While set (the X key held in the editor) a muted slice plays.
    bool isAuditioning() const { return audition_; }
    void setAudition(bool on) { audition_ = on; }
    bool rowLines() const { return rowLines_; }
    void setRowLines(bool on) { rowLines_ = on; }
    int32_t level() const { return level_; }
    int32_t highestSecond() const { return highestSecond_; }
    int32_t lowestSecond() const { return lowestSecond_; }
    void setSecondRange(int32_t lowest, int32_t highest);
    // The velocity the table gives (for the event bar and tests).
    int32_t mapVelocity(int32_t velocity) const;
    void rebuildVelocityTable();

    // ---- View

    // Seeds the live humanize generator (the engine seeds it from the clock).
    void seedRandom(uint32_t seed);

    void setView(LooperObserver *view) { view_ = view; }
    LooperObserver *view() const { return view_; }
    void refreshView(bool folderChanged = false);

private:
    void rebuildVelocityTableLocked();
    // The loop length of a track whose last event ends at lastEnd (in
    // trackRate ticks); asks the context's meter map, so no lock is held.
    static int64_t loopLengthOf(int32_t lastEnd, int32_t trackRate, ProcessContext &context);
    // An event's time as it plays: quantized, in its cycle, offset and
    // swung (timing excluded: quantized and in its cycle only).
    int64_t playTime(const CMidiTrack::Event &event, const Cursor &scale, int64_t cycleStart, bool timing,
                     int64_t *duration) const;
    void applyFilters(const SliceContent &content, int32_t level);
    // Steps through the available patterns; direction +1 or -1.
    bool stepPattern(int n, int direction, bool notify, bool checkRules);
    void edit(const std::function<void(SliceContent &)> &change);
    // Changes a copy of the events, makes them the slice's own and installs
    // them; change answers the index the caller gets.
    int editEvents(const std::function<int(CMidiTrack &)> &change);
    void syncScale(Cursor &cursor, const SliceContent &content, int32_t hostRate, int64_t loopLength) const;

    SliceHost &host_;
    const int index_;
    // Guards content_, the live cursor and the velocity table. Lock order:
    // the engine's list lock, then the engine's pad lock, then this; the
    // pattern library's lock is never taken with it. The host (its clock,
    // its meter map, its output list) is never called with it held.
    mutable CriticalSection lock_;
    SliceContentPtr content_;
    // Counts the contents installed, so that a walk that let the lock go
    // between batches knows whether its content is still the one playing.
    uint64_t contentVersion_ = 0;
    Cursor cursor_;
    VeloTransformer velocityTable_;
    HumanizeRandom humanize_;
    LooperObserver *view_ = nullptr;
    std::atomic<bool> locked_{false};
    std::atomic<bool> solo_{false};
    std::atomic<bool> audition_{false};
    bool rowLines_ = false;
    std::atomic<int32_t> level_{-1};
    std::atomic<int32_t> highestSecond_{-1};
    std::atomic<int32_t> lowestSecond_{-1};
};

} // namespace Quorvane::LoopSlice
