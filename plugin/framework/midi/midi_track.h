// One track of MIDI events as the drummers hold a pattern, a loop or a fill:
// a time-ordered event list with a few header values and note statistics,
// loaded from and saved to Standard MIDI Files.
#pragma once

#include "base/stream.h"

#include <cstdint>
#include <list>
#include <string>

namespace Quorvane {

class CMidiTrack {
public:
#pragma pack(push, 1)
    // 17 bytes, the layout the engines share with the host's event.
    struct Event {
        enum Kind : int32_t {
            None = -1,
            Note = 0,
            KeyPressure = 1,
            Controller = 2,
            ProgramChange = 3,
            ChannelPressure = 4,
            PitchBend = 5,
        };

        int32_t time = 0;
        uint8_t flags = 0; // 0 as loaded; the engines keep the output port here
        uint8_t channel = 0;
        int32_t kind = None;
        uint8_t data1 = 0;    // note, controller or program; pitch bend: low byte
        uint8_t data2 = 0;    // velocity, value or pressure; pitch bend: high byte
        uint8_t flags2 = 0;   // 0 as loaded; the engines keep the release velocity here
        int32_t duration = 0; // note length in ticks, -1 while a note has no end

        bool isNote() const { return kind == Note; }
        // A pitch bend spans both data bytes: -8192..8191.
        int16_t pitchBend() const { return static_cast<int16_t>(data1 | (data2 << 8)); }
        void setPitchBend(int16_t value)
        {
            data1 = static_cast<uint8_t>(value & 0xFF);
            data2 = static_cast<uint8_t>((value >> 8) & 0xFF);
        }
    };

    // A row of these ends with a record whose limit is 0.
    struct CollisionGroup {
        uint8_t limit;
        uint8_t notes[20]; // ascending, ends at a 0 or after 20 entries
    };

    struct CountingGroup {
        uint8_t header[4]; // the caller's own
        uint8_t notes[8];  // ends at a 0 or after 8 entries
    };
#pragma pack(pop)

    using EventList = std::list<Event>;
    using Position = EventList::iterator;

    static constexpr int32_t DefaultResolution = 240;
    static constexpr int32_t DefaultTempo = 500000; // microseconds per quarter
    static constexpr uint16_t NoNote = 65535;

    CMidiTrack();
    CMidiTrack(const CMidiTrack &other);
    CMidiTrack &operator=(const CMidiTrack &other);
    // Moving hands the events over without allocating (a swap on the
    // real-time thread relies on it).
    CMidiTrack(CMidiTrack &&other) noexcept;
    CMidiTrack &operator=(CMidiTrack &&other) noexcept;
    virtual ~CMidiTrack();

    // Drops every event and both texts; header values stay.
    void clear();

    // Standard MIDI File. loadSmf: 0, or 1 when the data is not a valid file
    // (the track is then left as it was). saveSmf: 0, or 1 when the stream
    // took less than was written or a delta could not be encoded.
    int loadSmf(InputStream &in);
    int saveSmf(OutputStream &out) const;
    // The same on a file; saving replaces the file only when complete.
    int loadSmfFile(const std::string &path);
    int saveSmfFile(const std::string &path) const;

    // Event list, kept in time order. Callers that change times or notes
    // through events() restore the order and call refreshStatistics().
    const EventList &events() const
    {
        return events_;
    }
    EventList &events()
    {
        return events_;
    }
    size_t getEventCount() const
    {
        return events_.size();
    }

    // Inserts after every event at the same or an earlier time.
    Position insertEvent(const Event &event);
    void eraseEvent(Position position);
    void refreshStatistics();

    // Header values.
    int32_t getResolution() const
    {
        return resolution_;
    }
    void setResolution(int32_t ticksPerQuarter)
    {
        resolution_ = ticksPerQuarter;
    }
    int32_t getHeaderWord(int index) const
    {
        return headerWords_[index & 3];
    }
    void setHeaderWord(int index, int32_t value)
    {
        headerWords_[index & 3] = value;
    }
    int getTimeSigNumerator() const
    {
        return numerator_;
    }
    int getTimeSigDenominator() const
    {
        return denominator_;
    }
    int getBeatUnit() const
    {
        return beatUnit_;
    }
    void setTimeSignature(uint16_t numerator, uint16_t denominator);
    int32_t getTempo() const
    {
        return tempo_;
    } // microseconds per quarter
    void setTempo(int32_t microsecondsPerQuarter)
    {
        tempo_ = microsecondsPerQuarter;
    }
    // The lyric text of the file, split at its first '/'; empty when unset.
    const std::string &getFirstText() const
    {
        return firstText_;
    }
    const std::string &getSecondText() const
    {
        return secondText_;
    }
    void setTexts(const std::string &first, const std::string &second);

    // Statistics.
    int getLowestNote() const
    {
        return lowestNote_;
    }
    int getHighestNote() const
    {
        return highestNote_;
    }
    int32_t getLastEnd() const
    {
        return lastEnd_;
    }
    int getUsedNoteCount() const
    {
        return usedNoteCount_;
    }
    bool isNoteUsed(int note) const
    {
        return note >= 0 && note < 128 && used_[note] != 0;
    }
    // The i-th used note in ascending order; NoNote outside the range.
    uint16_t getUsedNote(int index) const;

    // Velocities of the note events: their lowest, average (rounded down)
    // and highest; 1, 64 and 127 when there is no note.
    void getVelocityStatistics(int &lowest, int &average, int &highest) const;
    // -1 when there is no note.
    int32_t getFirstNoteTime() const;
    int32_t getLastNoteTime() const;
    int getNoteEventCount() const;
    int getDistinctNoteCount() const;

    // One bit per step of stepsPerWhole steps to the whole note, the first
    // step in the highest of the steps bits; count gets the set bits among
    // bits 0..15.
    uint32_t getRhythmMask(int stepsPerWhole, int steps, int *count = nullptr) const;
    // OR of 1 << (map[note] % 32) over the notes.
    uint32_t getInstrumentMask(const uint8_t map[128]) const;
    // counts[0..n-1]: used notes in each group; counts[n]: used notes in none.
    void countNotesPerGroup(const CountingGroup *groups, int n, int *counts) const;

    // Note edits.
    void mapNotes(const uint8_t map[128]);
    // Plain replacement; the statistics are not refreshed.
    void replaceNote(uint8_t from, uint8_t to);
    // Moves the notes `from` to `to`; a note that would collide within the
    // window (with `to` itself when check is on, or with the members of a
    // group beyond its limit) is removed instead.
    void remapNote(uint8_t from, uint8_t to, const CollisionGroup *groups, int32_t window, bool check);
    // Of notes of one number that follow each other within the window, only
    // the last stays.
    void removeDoubledNotes(int32_t window);
    void removeGroupCollisions(int32_t window, const CollisionGroup *groups, bool check);
    // Moves the events back by whole periods so that the first note lies in
    // the first one.
    void moveToFirstPeriod(int32_t period);
    void setNoteDurations(int32_t duration);
    // Rounds note times to the grid, drops notes at or past end and shortens
    // the others to end before it.
    void quantizeAndTrim(int32_t grid, int32_t end);
    // Weighted count of the gaps between notes in five classes; packed gets
    // the counts, 4 bits each, the shortest class highest.
    int getDensityScore(uint32_t *packed) const;
    // Replaces the events by those of source whose note the filter allows
    // (every event without a filter; events that are not notes always), and
    // takes the source's tempo, resolution and header words. The track keeps
    // its own time signature.
    void copyFiltered(const CMidiTrack &source, const uint8_t *filter);

private:
    void resetStatistics();
    void addToStatistics(const Event &event);
    void sortByTime();

    int32_t resolution_ = DefaultResolution;
    int32_t headerWords_[4] = {0, 0, 0, 0};
    uint16_t numerator_ = 4;
    uint16_t denominator_ = 4;
    uint16_t beatUnit_ = 4;
    std::string secondText_;
    std::string firstText_;
    EventList events_;
    int32_t tempo_ = DefaultTempo;
    uint16_t lowestNote_ = 127;
    uint16_t highestNote_ = 0;
    int32_t lastEnd_ = -1;
    uint32_t usedNoteCount_ = 0;
    uint8_t used_[128] = {};
};

static_assert(sizeof(CMidiTrack::Event) == 17);
static_assert(sizeof(CMidiTrack::CollisionGroup) == 21);
static_assert(sizeof(CMidiTrack::CountingGroup) == 12);

} // namespace Quorvane
