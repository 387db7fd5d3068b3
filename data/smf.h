// Standard MIDI Files (format 0 and 1) of a song: the decoder turns a file
// into master-track meta events, MIDI tracks and SysEx entries; the coder
// writes a song, its time selection or its selected tracks.
#pragma once

#include "data/corvadel_api.h"

#include <cstdint>

namespace Quorvane {

class CSong;
class CStorage;
class CTrack;
class CTrackMIDI;

class CORVADEL_API CSMFDecoder {
public:
    explicit CSMFDecoder(CSong *song);
    ~CSMFDecoder();
    CSMFDecoder(const CSMFDecoder &) = delete;
    CSMFDecoder &operator=(const CSMFDecoder &) = delete;

    // 1 on success (also for an empty storage). A damaged file gives 0;
    // the tracks imported before stay.
    int ImportSMF(CStorage *storage);

protected:
    int ReadFileHeader();
    // Finds the next track chunk, skipping chunks of other kinds; its body
    // ends at end. 0 at the end of the data or for a chunk longer than it.
    int ReadTrackHeader(uint32_t &end);
    // At most four bytes, within end.
    int ReadVarLen(uint32_t end, uint32_t &value);
    // Reads the chunk up to its end of track into the track.
    int ImportTrack(CTrack *track, uint32_t end);
    // Sorts and checks an imported track and sends its initial state.
    int FinishTrack(CTrack *track);
    int ImportFormat0();
    int ImportFormat1();

    CSong *song;
    uint8_t *image = nullptr;
    uint32_t size = 0;
    uint32_t position = 0;
    long timeBase;
    long format = 0;
    long numTracks = 0;
    long division = 0;
};

// Flags of the coder.
enum : unsigned long { SMF_FORMAT0 = 1, SMF_SELECTION = 2, SMF_SELECTED_TRACKS = 4 };

class CORVADEL_API CSMFCoder {
public:
    // division <= 0: the song's time base.
    CSMFCoder(CSong *song, unsigned long flags, long division);
    ~CSMFCoder();
    CSMFCoder(const CSMFCoder &) = delete;
    CSMFCoder &operator=(const CSMFCoder &) = delete;

    // 1 on success; 0 when no track is to be written or the storage fails.
    int ExportSMF(CStorage *storage);

    // Song ticks at which every track ends, for a clip as long as what it
    // holds (a loop): notes sounding there are let go there, and each
    // track's end comes there at the earliest. 0 (the default): each track
    // ends with its last event.
    void SetEndTime(long time) { endTime = time > 0 ? time : 0; }

protected:
    int BeginFile(long tracks);
    int BeginTrack();
    int EndTrack();
    int PutVarLen(uint32_t value);
    int64_t FileTick(int64_t time) const { return time * division / timeBase; }
    int PutEvent(const struct EVENT *e);
    // Copies what the track plays in the range into the dump track (emptied
    // first unless add), with the state in force at the range start.
    int PutToDumpTrack(CTrack *track, int add);
    int PutDumpToStorage();
    // The next track to write (the first for null).
    CTrack *GetNextTrack(CTrack *after);

    CSong *song;
    unsigned long flags;
    long timeBase;
    long division;
    CStorage *storage = nullptr;
    long lengthPosition = 0;
    long rangeStart = 0;
    long rangeEnd = 0;
    long endTime = 0;
    int64_t lastFileTick = 0;
    uint8_t runningStatus = 255;
    CTrackMIDI *dump;
};

} // namespace Quorvane
