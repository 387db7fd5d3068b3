// What the song sends to the sound engine: time-stamped 32-bit messages,
// either packed MIDI channel messages or the song's own codes on system
// status bytes (chord 0xF4, wrapped chord-track message 0xF5, tempo 0xF9,
// metronome click 0xFD). A chain handed to the song tract is the tract's.
#pragma once

#include "data/chain.h"
#include "data/corvadel_api.h"

#include <cstddef>
#include <cstdint>
#include <new>

namespace Quorvane {

struct EVENT;

enum : uint8_t { MSG_CHORD = 0xF4, MSG_CHORD_MIDI = 0xF5, MSG_TEMPO = 0xF9, MSG_METRO = 0xFD };

// The root byte of a chord message that means no chord.
constexpr uint8_t kNoChord = 255;
// The largest tempo a tempo message's 24 bits hold.
constexpr unsigned long kMaxTempoMessage = 0xFFFFFF;

// Messages and their chains come from the message pool (the heap when none
// is reserved or free, or for larger classes built on them).
class CORVADEL_API CMessagePoolObject {
public:
    static void *operator new(size_t size);
    static void *operator new(size_t size, const std::nothrow_t &) noexcept;
    static void operator delete(void *block) noexcept;
    static void operator delete(void *block, const std::nothrow_t &) noexcept;
};

class CORVADEL_API CEvntTransElem : public CChainElem, public CMessagePoolObject {
public:
    // Makes room for count messages and chains in the pool; the sound
    // engine reserves it before its render thread plays a song. 0 when
    // memory ran out.
    static int ReservePool(long count);
    static long GetPoolAvailable();
    // The allocations the pool holds its blocks in, and the messages that
    // found it empty and came from the heap.
    static int GetPoolSlabs();
    static long GetPoolHeapFallbacks();

    // By position, then weight (computed on first use).
    long Compare(CChainElem *other) override;

    // A note-on (duration from the event, length in engine samples) and its
    // note-off. A channel of 0 or more replaces the event's; a transposition
    // moves the note, clamped to 0..127.
    void SetNoteOn(const EVENT *e, long tickOffset, int64_t noteLength, long transpose, long channel);
    void SetNoteOff(const EVENT *e, long tickOffset, long transpose, long channel);
    void SetMMsg(const EVENT *e, long tickOffset, long channel);
    void SetMMsg(unsigned long message, long channel);
    void SetNote(long note, long transpose, long velocity, long channel);
    // Root 255 for a pause; with a transposition the root wraps into 0..11.
    void SetChord(const EVENT *e, long tickOffset, long transpose);
    void SetChord(long root, long type, long transpose);
    // A chord track's channel message, wrapped in 0xF5.
    void SetChordMMSg(const EVENT *e, long tickOffset);
    void SetChordMMsg(unsigned long message);
    // Quarters per minute of the tempo event times the factor, clamped to
    // what the message's 24 bits hold.
    void SetTempo(const EVENT *e, float factor);
    // A tempo message from a tempo in quarters per minute.
    void SetTempo(float qpm, float factor, long tick);
    void SetMetro(int accent, long tick);
    // Clears this element's own links and returns the element that was next.
    CEvntTransElem *DisconnectEvntTrans();

    uint8_t Byte(int n) const { return static_cast<uint8_t>(message >> (8 * n)); }
    long GetWeight();

    // Offset in engine samples from the start of the current buffer (0 for
    // previews).
    int64_t sample = 0;
    // Byte 0 status or code, bytes 1-3 data.
    uint32_t message = 0;
    long tick = -1;
    long duration = 0;
    int64_t length = 0;
    long weight = -1;
};

class CORVADEL_API CEvntTransChain : public CChain, public CMessagePoolObject {
public:
    // A new element at the position, at the head of *chain (made when
    // null); null when memory runs out.
    static CEvntTransElem *AddNewEvntTransElem(int64_t sample, CEvntTransChain **chain);
    // Moves the other chain's elements in (adding offset to each), keeping
    // this chain in order and putting later arrivals behind equal ones;
    // then deletes the other chain.
    void EatOther(CEvntTransChain *other, int64_t offset);
    // Forgets the elements without destroying them and deletes the chain.
    void Dispel();

    CEvntTransElem *GetFirstElem() const { return static_cast<CEvntTransElem *>(first); }
};

} // namespace Quorvane
