// The event record every track keeps its content in: MIDI channel messages,
// the song's own special events (chords, melody notes, patterns) and long
// events with a payload (meta events, SysEx). A note keeps its duration in
// value; no note-off is ever stored.
#pragma once

#include "data/corvadel_api.h"
#include "data/struct_array.h"

#include <cstdint>

namespace Quorvane {

class CPattern;

// Kind bits (0-1 of flags) and marks.
enum : uint8_t {
    EVENT_SHORT = 0,
    EVENT_SPECIAL = 1,
    EVENT_LONG = 2,
    EVENT_INVALID = 3,
    EVENT_KIND_MASK = 0x03,
    EVENT_DELETED = 0x40,
    EVENT_SELECTED = 0x80,
};

// Special types (kind 1).
enum : uint8_t { SPEC_CHORD = 14, SPEC_MELODY = 15, SPEC_PATTINV = 16, SPEC_PATTERN = 17 };

// What GetTypeLong gives for long events.
enum : long {
    LONG_PORT = 7,
    LONG_TSIGN = 8,
    LONG_KSIGN = 9,
    LONG_TEMPO = 10,
    LONG_TEXT = 11,
    LONG_META = 12,
    LONG_SYSEX = 13,
};

// The tempo a tempo event without a usable value stands for (120 quarters
// per minute), and the largest one its 3-byte field holds.
constexpr long kDefaultMicrosPerQuarter = 500000;
constexpr long kMaxMicrosPerQuarter = 0xFFFFFF;

// Key signature index 0..29 (0..14 minor, 15..29 major; 14 A minor, 15 C
// major) to the meta payload's signed sharps and minor flag, and back.
// Sharps are clamped to -7..7 and any non-zero minor flag counts as 1.
CORVADEL_API void KSignIndexToMeta(long index, int &sharps, int &minor);
CORVADEL_API long KSignMetaToIndex(int sharps, int minor);

struct CORVADEL_API EVENT : public STRUCTELEM {
    int32_t time = 0;
    uint8_t flags = 0;
    uint8_t status = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;
    // Short: a note's duration; special: its value; long: the owned payload;
    // pattern: the pattern it plays (not owned).
    union {
        int32_t value;
        uint8_t *payload;
        CPattern *pattern;
    };
    int32_t length = 0;

    EVENT() : payload(nullptr) {}
    // Copies duplicate the payload (none when memory runs out).
    EVENT(const EVENT &other);
    EVENT &operator=(const EVENT &other);
    // Moves take the payload over.
    EVENT(EVENT &&other) noexcept;
    EVENT &operator=(EVENT &&other) noexcept;
    ~EVENT() { Clear(); }

    void Clear() override;
    void Spoil() override;
    void Pump(EVENT &other);

    // marks
    int IsSlct() const { return (flags & EVENT_SELECTED) != 0; }
    void SetSlct(int on) { flags = on ? (flags | EVENT_SELECTED) : (flags & ~EVENT_SELECTED); }
    int IsDelt() const { return (flags & EVENT_DELETED) != 0; }
    void SetDelt() { flags |= EVENT_DELETED; }

    // kinds
    int GetKind() const { return flags & EVENT_KIND_MASK; }
    int IsShort() const { return GetKind() == EVENT_SHORT; }
    int IsSpec() const { return GetKind() == EVENT_SPECIAL; }
    int IsLong() const { return GetKind() == EVENT_LONG; }
    int IsChannel() const { return IsShort() && status < 0xF0; }
    int IsNote() const { return IsShort() && (status & 0xF0) == 0x90; }
    int IsCtrl() const { return IsShort() && (status & 0xF0) == 0xB0; }
    int IsCtrl(long number) const { return IsCtrl() && data1 == number; }
    int IsProg() const { return IsShort() && (status & 0xF0) == 0xC0; }
    int IsWheel() const { return IsShort() && (status & 0xF0) == 0xE0; }
    int IsCAT() const { return IsShort() && (status & 0xF0) == 0xD0; }
    int IsTSign() const { return IsLong() && GetTypeLong() == LONG_TSIGN; }
    int IsKSign() const { return IsLong() && GetTypeLong() == LONG_KSIGN; }
    int IsTempo() const { return IsLong() && GetTypeLong() == LONG_TEMPO; }
    int IsText() const { return IsLong() && GetTypeLong() == LONG_TEXT; }
    int IsSysEx() const { return IsLong() && GetTypeLong() == LONG_SYSEX; }
    int IsChord() const { return IsSpec() && status == SPEC_CHORD; }
    int IsMelody() const { return IsSpec() && status == SPEC_MELODY; }
    int IsPattInv() const { return IsSpec() && status == SPEC_PATTINV; }
    int IsPattern() const { return IsSpec() && status == SPEC_PATTERN; }

    // types
    long GetType() const;
    long GetTypeShort() const { return (status >> 4) - 9; }
    long GetTypeSpec() const { return status; }
    long GetTypeLong() const;
    // The order of events at one tick (lower first).
    long GetWeight() const;

    // getters
    long getChan() const { return status & 0x0F; }
    long getProg() const { return data1; }
    long getCATVal() const { return data1; }
    long getNoteVel() const { return data2; }
    long getCtrlVal() const { return data2; }
    long getWheelVal() const { return (data1 | (data2 << 7)) - 8192; }
    long getChordNote() const { return static_cast<long>(value & 0xFFFF) - 1; }
    long getChordType() const { return (static_cast<uint32_t>(value) >> 16) & 0xFFFF; }
    long getMelodyNote() const { return value - 1; }
    CPattern *getPatternPtr() const { return pattern; }
    long getPatternLen() const { return length; }
    long getTextType() const { return status; }
    long getPortVal() const { return (payload && length >= 1) ? payload[0] : 0; }
    long getTSignVal1() const { return (payload && length >= 1) ? payload[0] : 4; }
    long getTSignVal2() const { return (payload && length >= 2) ? payload[1] : 2; }
    // Microseconds per quarter; a missing, short or zero value reads as
    // kDefaultMicrosPerQuarter.
    long getTempoMicros() const;
    // Quarters per minute.
    float getTempoVal() const { return 6e7f / static_cast<float>(getTempoMicros()); }
    // Key index 0..29; C major without a payload.
    long getKSignVal() const;
    // A malloc copy of the text with a terminator (null without a payload);
    // 0 when memory runs out.
    int getText(char **text) const;

    // setters (into this event or its payload)
    void setChan(long channel) { status = static_cast<uint8_t>((status & 0xF0) | (channel & 0x0F)); }
    void setProg(long program) { data1 = static_cast<uint8_t>(program); }
    void setCATVal(long pressure) { data1 = static_cast<uint8_t>(pressure); }
    void setNoteVel(long velocity) { data2 = static_cast<uint8_t>(velocity); }
    void setCtrlVal(long v) { data2 = static_cast<uint8_t>(v); }
    void setWheelVal(short v)
    {
        data1 = static_cast<uint8_t>(v & 0x7F);
        data2 = static_cast<uint8_t>(((v + 8192) >> 7) & 0x7F);
    }
    void setPatternPtr(CPattern *p) { pattern = p; }
    void setPatternLen(long len) { length = len; }
    void setPortVal(long port);
    void setTSignVal(long numerator, long power);
    // 3 big-endian bytes of 6e7 / qpm, clamped to 1..kMaxMicrosPerQuarter;
    // 0 (nothing written) for a tempo that is not positive or no payload.
    int setTempoVal(float qpm);
    void setKSignVal(long index);

    // builders: each sets the kind (and frees an earlier payload)
    void setNote(long channel, long note, long velocity) { setShort(0x90, channel, note, velocity); }
    void setKAT(long channel, long note, long pressure) { setShort(0xA0, channel, note, pressure); }
    void setCtrl(long channel, long number, long v) { setShort(0xB0, channel, number, v); }
    void setProg(long channel, long program) { setShort(0xC0, channel, program, 0); }
    void setCAT(long channel, long pressure) { setShort(0xD0, channel, pressure, 0); }
    void setWheel(long channel, short v)
    {
        setShort(0xE0, channel, 0, 0);
        setWheelVal(v);
    }
    void setChord(long v) { setSpecial(SPEC_CHORD, v, 0); }
    void setChord(long root, long type) { setSpecial(SPEC_CHORD, (type << 16) | ((root + 1) & 0xFFFF), 0); }
    void setMelody(long note) { setSpecial(SPEC_MELODY, note + 1, 0); }
    void setPattInv(long a, long b) { setSpecial(SPEC_PATTINV, a, b); }
    void setPattern(CPattern *p, long len);
    // Long events with a fresh payload; 0 when memory runs out.
    int setText(long type, const char *text);
    int setPort(long port);
    int setTSign(long numerator, long power);
    int setKSign(long index);
    int setTempo(float qpm);
    // A long event of the given status with a copy of the bytes.
    int setLong(long type, const void *bytes, long count);

private:
    // Every field as it is (a payload pointer included).
    void CopyFields(const EVENT &other);
    void setShort(uint8_t kindStatus, long channel, long d1, long d2);
    void setSpecial(uint8_t type, long v, long second);
};

} // namespace Quorvane
