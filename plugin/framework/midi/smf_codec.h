// The byte-level codec of track chunks: variable-length numbers, events
// with running status, tempo and time-signature look-up, and writers that
// append to a chunk. Every read is bounded by the chunk's length.
#pragma once

#include "plugin/framework/midi/smf_chunks.h"

#include <cstdint>

namespace Quorvane {

struct SmfMessage {
    uint16_t status = 0;
    uint16_t data1 = 0; // meta events: the meta type
    uint16_t data2 = 0;
};

enum class SmfEvent {
    Event,      // one event parsed, the position is past it
    EndOfTrack, // the end-of-track meta; the position is past it
    Malformed,  // runs past the end, a data byte without running status, an
                // over-long number; the position is not moved
};

// At most four bytes (values up to 0x0FFFFFFF); false, with the position
// unmoved, when the number runs past length or is longer.
bool readVarLen(const uint8_t *bytes, uint32_t length, uint32_t &position, uint32_t &value);
bool readVarLen(const SmfChunk &chunk, uint32_t &position, uint32_t &value);

// Parses one event (without its delta). A note-on with velocity 0 comes back
// as a note-off. Channel messages set the running status; SysEx and system
// messages clear it; meta events leave it. Meta and SysEx events hand out
// their data and its length when asked.
SmfEvent parseSmfEvent(const uint8_t *bytes, uint32_t length, uint32_t &position, SmfMessage &message,
                       uint8_t &runningStatus, const uint8_t **data = nullptr,
                       uint32_t *dataLength = nullptr);
SmfEvent parseSmfEvent(const SmfChunk &chunk, uint32_t &position, SmfMessage &message, uint8_t &runningStatus,
                       const uint8_t **data = nullptr, uint32_t *dataLength = nullptr);

// Walks a chunk to its end of track: SmfOk, or SmfMalformed when an event is
// malformed or the chunk ends first.
int checkSmfTrack(const SmfChunk &chunk);

// From position on: the next tempo (microseconds per quarter) and the time
// of its event, adding deltas to time; false at the end of the track.
bool findSmfTempo(const SmfChunk &chunk, uint32_t &position, uint32_t &tempo, uint32_t &time,
                  uint8_t &runningStatus);
// The first time signature of the chunk.
bool findSmfTimeSignature(const SmfChunk &chunk, int &numerator, int &denominatorPower);

// Writers append at the chunk's length, growing the buffer by 1000 bytes when
// full. On failure they mark the chunk failed and return false.
bool appendSmfByte(SmfChunk &chunk, uint8_t byte);
// Values above 0x0FFFFFFF have no encoding in a file and fail.
bool writeVarLen(SmfChunk &chunk, uint32_t value);
// Status, data 1, and data 2 unless a program change or channel pressure.
bool writeSmfMessage(SmfChunk &chunk, const SmfMessage &message);
bool writeSmfEvent(SmfChunk &chunk, uint32_t delta, const SmfMessage &message);
bool writeSmfMetaHead(SmfChunk &chunk, uint32_t delta, uint8_t type);
bool writeSmfMeta(SmfChunk &chunk, uint32_t delta, uint8_t type, uint32_t length, const uint8_t *bytes);
bool writeSmfEndOfTrack(SmfChunk &chunk, uint32_t delta);

} // namespace Quorvane
