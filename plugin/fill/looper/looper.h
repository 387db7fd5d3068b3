// One instrument part of the fill: the events of the fill pattern that belong
// to its instrument, repeated with the fill length as period, with its own
// velocity, dynamics, time and key offsets and drum map, and the engine's
// swing, humanize and velocity envelope.
#pragma once

#include "plugin/framework/drums/humanize_random.h"
#include "plugin/fill/looper/looper_host.h"
#include "plugin/fill/looper/looper_part.h"
#include "plugin/framework/drums/drum_map.h"
#include "plugin/framework/gui/event_bar.h"
#include "plugin/framework/midi/midi_track.h"
#include "plugin/framework/midi/process_context.h"

#include "base/stream.h"

#include "base/critical_section.h"

#include <windows.h>

#include <cstdint>
#include <memory>

class DrumSet;
class VelocityEnvelope;

namespace Quorvane {

class LooperView;

// A looper is also what its view's event bar shows and edits.
class Looper : public EventBarLooper {
public:
    enum Param { VelocityOffset = 0, DynamicsPercent = 1, TimeOffset = 2, KeyOffset = 3 };

    static constexpr int32_t kBlockVersion = LooperPart::kBlockVersion;
    static constexpr int32_t kExtensionVersion = LooperPart::kExtensionVersion;
    static constexpr int32_t kDefaultFixedNote = LooperPart::kDefaultFixedNote;
    // Ticks per quarter taken for a context or a pattern that has none.
    static constexpr int32_t kFallbackResolution = 480;

    // Loop length, punch-in and punch-out in the pattern's ticks.
    struct LoopTiming {
        int32_t length;
        int32_t punchIn;
        int32_t punchOut;
    };

    // Holds the looper's lock: the pattern and the play position stay as
    // they are while it lives. The lock is recursive.
    class ScopedLock {
    public:
        explicit ScopedLock(const Looper &looper);
        ~ScopedLock();
        ScopedLock(const ScopedLock &) = delete;
        ScopedLock &operator=(const ScopedLock &) = delete;

    private:
        const Looper &looper_;
    };

    // No generation: an edit at a position that does not check the pattern.
    static constexpr uint32_t kAnyGeneration = 0;

    Looper(LooperHost &host, int index);
    virtual ~Looper();
    Looper(const Looper &) = delete;
    Looper &operator=(const Looper &) = delete;

    int index() const { return index_; }
    // Whether the calling thread holds the looper's lock.
    bool lockHeldHere() const { return lock_.heldByThisThread(); }
    LooperHost &host() const { return host_; }

    // The engine's envelope, shared by its loopers; null = none.
    void setVelocityEnvelope(const VelocityEnvelope *envelope);

    // ---- Real-time

    // Emits the events of [from, thru] (ctx ticks) through ctx. Keeps its
    // position between calls, so consecutive ranges continue where the last
    // one stopped. No allocation; holds only this looper's lock.
    void play(int32_t from, int32_t thru, ProcessContext &ctx);

    // Seeds the humanize generator (the engine seeds it once at start).
    void seedRandom(uint32_t seed);

    // ---- Flags. Each setter answers whether the flag changed.

    bool setMute(bool mute);
    bool setNotesOff(bool notesOff);
    bool setExclude(bool exclude);
    bool isMuted() const override { return part_.mute != 0; }
    bool isNotesOff() const { return part_.notesOff != 0; }
    bool isExcluded() const { return part_.exclude != 0; }
    // Neither muted nor excluded.
    bool isActive() const { return !isMuted() && !isExcluded(); }
    // The user's mute and notes-off, with or without solo.
    void userMute(bool mute, bool solo);
    void userNotesOff(bool notesOff, bool solo);

    // ---- Instrument

    // Takes every note whose drum-set instrument is this number.
    void setInstrumentNotes(const DrumSet &drumSet, int instrument);
    bool isInstrumentNote(int note) const;
    int instrumentNoteCount() const { return instrumentNoteCount_; }
    // 128 bytes, 1 per instrument note.
    const uint8_t *instrumentNotes() const { return instrumentNotes_; }

    // Two 7-bit fields, high = bits 7..13, low = bits 0..6: maps the high
    // note to the low one in the looper's drum map, or with a fixed note
    // makes the low one the fixed note.
    void setInstrument(int value);
    bool hasFixedNote() const { return part_.fixedNoteOn; }
    int fixedNote() const { return part_.fixedNote; }
    void setFixedNote(bool on, int note);
    const DrumMap &drumMap() const { return part_.drumMap; }

    // Hands the engine's preview a note (mapped through the engine's map).
    void preview(int note);

    // ---- Pattern

    // Takes the events of source that belong to this part.
    void distribute(const CMidiTrack &source);
    // Empties the pattern.
    void clear();
    // Adds every pattern event to track.
    void writeInto(CMidiTrack &track) const;
    // Changes whenever the pattern is replaced (not by the edits below), so
    // a holder of event positions can tell they went away. Never
    // kAnyGeneration.
    uint32_t patternGeneration() const;
    // Read only while holding the lock.
    const CMidiTrack &pattern() const { return *part_.pattern; }

    // The whole part. Only the window thread reads it, and only while no
    // pad switch can run (under the engine's lock); nothing but swapPart
    // replaces it.
    const LooperPart &part() const { return part_; }
    // Exchanges the part with another (a prepared one) under the lock: the
    // play position starts again, nothing is allocated. The velocity map
    // comes with the part; the view is not told.
    void swapPart(LooperPart &other);

    bool hasEvents() const;
    bool usesNote(int note) const;
    int32_t patternResolution() const;
    // End of the last event, pattern ticks; -1 when empty.
    int32_t patternLength() const;
    // First / last note time in engine ticks; -1 without notes.
    int32_t firstEventTime() const;
    int32_t lastEventTime() const;

    // Lanes of the event bar: looper 0 shows the notes its pattern uses,
    // the others their instrument notes, ascending.
    int laneCount() const override;
    int laneNote(int lane) const;

    LoopTiming loopTiming() const;
    // Whole 4/4 bars of the loop.
    int32_t bars() const;

    // Velocity statistics of the pattern's notes.
    int lowestVelocity() const { return part_.lowestVelocity; }
    int averageVelocity() const { return part_.averageVelocity; }
    int highestVelocity() const { return part_.highestVelocity; }

    // ---- Parameters (0 velocity offset, 1 dynamics percent, 2 time offset
    // in 480 ticks per quarter, 3 key offset)

    int32_t getParam(int index) const;
    void setParam(int index, int32_t value);
    // Velocity 0, key 0, identity drum map, time 0, dynamics 100.
    void reset();
    // After a change of the engine's velocity settings.
    void rebuildVelocityMap();
    // The map's output velocity for v (1..127).
    int32_t mapVelocity(int32_t v) const;

    // Display transform of the event bar: a pattern time with swing and
    // time offset, in pattern ticks; a velocity with offset and map.
    int32_t displayTime(int32_t patternTime) const;
    int32_t displayVelocity(int32_t velocity) const;

    // ---- Edits by hand (loop edit tool). Each refreshes the statistics,
    // invalidates the play position and tells the engine. A position is
    // only good in the pattern of its generation: given one, an edit of a
    // pattern replaced since (a pad switch on the host's thread) does
    // nothing and answers false.

    bool deleteEvent(CMidiTrack::EventList::const_iterator position, uint32_t generation = kAnyGeneration);
    bool setEventVelocity(CMidiTrack::EventList::const_iterator position, int velocity,
                          uint32_t generation = kAnyGeneration);
    // The event keeps its position in the list; time in pattern ticks.
    bool moveEvent(CMidiTrack::EventList::const_iterator position, int32_t time,
                   uint32_t generation = kAnyGeneration);
    // A note of a sixteenth on the drum channel (9), release velocity 64;
    // the generation of the pattern it went into, when asked.
    CMidiTrack::EventList::const_iterator insertNote(int32_t time, int note, int velocity,
                                                     uint32_t *generation = nullptr);
    // Removes every event.
    void eraseAllEvents();

    // ---- Event bar

    // Loop length, punch-in and punch-out in pattern ticks, with the
    // pattern's resolution.
    Timing barTiming() const override;
    // The notes of each lane (lane 0 at the bottom) as cells of the picture:
    // the column by velocity, the row by where the note lies (2 outside the
    // punch range, 1 muted, 0 playing); a mark around places where several
    // notes meet.
    void paintEvents(GraphicsContext &gc, const LaneLayout &layout, const EventPicture &picture) override;
    // A loop edit tool for a lane area of width x height pixels.
    std::unique_ptr<LooperEditor> createEditTool(int width, int height, int gridDivisions) override;

    // ---- View

    // Made on the first request through the host; owned by the looper.
    LooperView *view();
    LooperView *existingView() const { return view_.get(); }
    // Deletes the view (the panel that showed it closes).
    void destroyView();
    // Mute, notes-off, parameter and events.
    void refreshView();
    // Moves the view's play cursor to a host time.
    void showPosition(int32_t time);

    // ---- Storage

    // The looper block; load is all or nothing.
    bool save(OutputStream &out) const;
    bool load(InputStream &in);
    // The looper extension block (exclude flag).
    bool saveExtension(OutputStream &out) const;
    bool loadExtension(InputStream &in);

private:
    void invalidatePosition();
    void replacePattern(std::unique_ptr<CMidiTrack> &pattern);
    void afterEdit();
    void newGeneration();
    // With the lock held: whether positions of that generation are good.
    bool isCurrent(uint32_t generation) const;
    VelocityMapInputs velocityInputs() const;
    int32_t engineResolution() const;
    int64_t loopLength(int32_t resolution) const;
    int64_t passStart(int64_t t, int64_t base, int64_t length) const;

    LooperHost &host_;
    const VelocityEnvelope *envelope_ = nullptr;
    std::unique_ptr<LooperView> view_;
    // Guards the part and the play position. Lock order: the last lock
    // taken; nothing is locked while it is held.
    mutable CriticalSection lock_;
    LooperPart part_;
    uint8_t instrumentNotes_[128] = {};
    int instrumentNoteCount_ = 0;
    int index_;
    HumanizeRandom random_;
    uint32_t generation_ = 1;

    // Play position, valid while positionValid_.
    bool positionValid_ = false;
    int64_t nextStart_ = -1;
    int64_t passStart_ = 0;
    int64_t loopLength_ = 0;
    int64_t base_ = 0;
    int64_t offset_ = 0;
    int64_t swingUnit_ = 0;
    int32_t contextResolution_ = 0;
    int32_t cachedPatternResolution_ = 0;
    int32_t swingGrid_ = -1;
    int32_t cachedTimeOffset_ = 0;
    const ProcessContext *context_ = nullptr;
    CMidiTrack::EventList::const_iterator current_;
};

} // namespace Quorvane
