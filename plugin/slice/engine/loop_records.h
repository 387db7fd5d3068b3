// The loop-slice engine's stored forms, as plain records: the loop record
// (a loop file, the clipboard's "Vostrapellin Loop", a quick pad, the
// composer's snapshot), the globals record (the registry stream "Globals")
// and the engine state record (what the host stores with its song, and the
// registry stream "Last"). Integers are little-endian, strings a 32-bit
// length and the bytes.
//
// Readers check everything before anyone uses a record: a version other
// than the engine's, a slice record version outside 1..6, a negative count
// or a stream that ends early fails the whole record. Slice and second
// records beyond the sixth are read and dropped.
#pragma once

#include "base/stream.h"
#include "plugin/framework/drums/drum_map.h"
#include "plugin/framework/midi/midi_track.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Quorvane::LoopSlice {

constexpr int32_t kRecordVersion = 11;
constexpr int32_t kSliceRecordVersion = 6;
constexpr int32_t kSecondBlockVersion = 1;

struct SliceRecord {
    int32_t version = kSliceRecordVersion;
    std::string folder;
    std::string file;
    int32_t mute = 0;
    int32_t velocityOffset = 0;
    int32_t keyOffset = 0;
    // From version 3.
    int32_t fixedNoteOn = 0;
    DrumMap drumMap;
    // From version 4.
    int32_t timeOffset = 0;
    int32_t dynamics = 100;
    // From version 5.
    uint8_t fixedNote = 54;
    // From version 6: bit 0 own events, bit 1 modified.
    int32_t flags = 0;
    // With own events: the slice's events.
    std::shared_ptr<const CMidiTrack> events;

    static constexpr int32_t kOwnEvents = 1;
    static constexpr int32_t kModified = 2;
};

struct SecondBlock {
    int32_t version = kSecondBlockVersion;
    uint8_t locked = 0;
    int32_t highest = -1;
    int32_t lowest = -1;
};

struct LoopRecord {
    uint8_t level = 0;
    std::vector<SliceRecord> slices;  // at most six are kept
    std::vector<SecondBlock> seconds; // with second blocks only
};

struct GlobalsRecord {
    DrumMap drumMap;
    std::string noteNameSet;
    int8_t outputChannel = -1;
    int8_t outputPort = 0;
    int32_t cycleMeasures = 4;
    uint8_t multiTrack = 0;
    uint8_t triggerEnabled = 0;
    uint8_t triggerLow = 36;
    uint8_t minVelocity = 30;
    uint8_t maxVelocity = 127;
    uint8_t notifyHost = 1;
};

struct StateRecord {
    // The quick pads (key, loop record bytes) in the pad store's order.
    std::vector<std::pair<int32_t, std::string>> pads;
    int32_t currentPad = 0;
    int32_t swingPercent = 0;
    int32_t velocityDynamics = 0;
    int32_t velocityCentre = 0;
    int32_t humanize = 0;
    int32_t quantize = 0;
    GlobalsRecord globals;
    LoopRecord loop; // with second blocks
};

bool writeSliceRecord(OutputStream &out, const SliceRecord &record);
bool readSliceRecord(InputStream &in, SliceRecord &record);
bool writeLoopRecord(OutputStream &out, const LoopRecord &record, bool withSeconds);
bool readLoopRecord(InputStream &in, LoopRecord &record, bool withSeconds);
bool writeGlobalsRecord(OutputStream &out, const GlobalsRecord &record);
bool readGlobalsRecord(InputStream &in, GlobalsRecord &record);
// The pads go through the pad store's own block, which bounds their keys
// by padCount; every pad must hold a sound loop record.
bool writeStateRecord(OutputStream &out, const StateRecord &record);
bool readStateRecord(InputStream &in, StateRecord &record, int32_t padCount);

} // namespace Quorvane::LoopSlice
