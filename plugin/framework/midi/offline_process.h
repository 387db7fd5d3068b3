// The off-line process context: an engine plays into it for an export, and
// it collects the emitted events in time order for a Standard MIDI File.
#pragma once

#include "plugin/framework/midi/process_context.h"
#include "plugin/framework/midi/smf_chunks.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Quorvane {

// Tempo and meter handed to an off-line process.
struct OfflineTempo {
    int32_t tempo;            // hundredths of a beat per minute, 12000 = 120.00
    int32_t resolution;       // ticks per quarter
    int32_t numerator;        // beats per bar
    int32_t denominatorPower; // beat unit = 2 to this power
};

struct OfflineEntry {
    int32_t time;
    uint8_t status;
    uint8_t data1;
    uint8_t data2;
};

// Collected events in time order; an entry goes after every entry at the
// same or an earlier time.
class OfflineEventList {
public:
    void insert(const OfflineEntry &entry);
    const std::vector<OfflineEntry> &entries() const { return entries_; }
    size_t size() const { return entries_.size(); }
    void clear() { entries_.clear(); }

private:
    std::vector<OfflineEntry> entries_;
};

class OfflineProcess : public ProcessContext {
public:
    explicit OfflineProcess(const OfflineTempo &tempo);

    // With a list: the event's message, and for a note its note-off at time +
    // duration, go into the list. Without one nothing happens.
    void emitEvent(const CMidiTrack::Event &event) override;
    int32_t toTime(int32_t bar, int32_t beat, int32_t tick) override;
    int32_t toBarBeatTick(int32_t ticks, int32_t *bar, int32_t *beat, int32_t *tick) override;

    // The engines' export processes: play the engine into this context, and
    // write the collected events as a file (true when complete).
    virtual void render(int32_t base, int32_t from, int32_t thru) = 0;
    virtual bool write(OutputStream &out) = 0;

    // Starts a format-1 file of trackCount + 1 tracks in an emptied list: the
    // tempo track with the time signature and the tempo. SmfOk or
    // SmfOutOfMemory.
    int writeTempoTrack(SmfChunkList &list, int trackCount);
    // Appends the collected events as a track, named when name is not empty.
    int addNamedTrack(SmfChunkList &list, const char *name);

    OfflineEventList *getEventList() const { return eventList_; }
    void setEventList(OfflineEventList *list) { eventList_ = list; }
    int32_t getStartTime() const { return startTime_; }
    void setStartTime(int32_t ticks) { startTime_ = ticks; }
    int32_t getTempo() const { return tempo_; }
    int32_t getTicksPerBeat() const { return ticksPerBeat_; }
    int32_t getNumerator() const { return numerator_; }
    int32_t getDenominatorPower() const { return denominatorPower_; }

protected:
    OfflineEventList *eventList_ = nullptr;
    int32_t startTime_ = 0;
    int32_t tempo_;
    int32_t ticksPerBeat_;
    int32_t numerator_;
    int32_t denominatorPower_;
};

} // namespace Quorvane
