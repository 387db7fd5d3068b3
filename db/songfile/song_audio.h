// An audio track's samples in a song file: a chain of blocks, each the child
// of the one before, the first the child of the track's record. A block holds
// at most 0x80000 bytes of samples, delta-coded per channel and packed as a
// compressed block.
#pragma once

#include <cstdint>

namespace Quorvane {

class CSDB;
class CTrackAudio;

// Appends the chain below the record `parent` (one block also for an empty
// wave, so that its channel count and start offset are kept).
int WriteAudioChain(CSDB &db, CTrackAudio &track, uint32_t parent);
// Rebuilds the wave from the chain below the record `parent`; the first
// block sets the wave's channel count and the track's start offset. 0 for a
// missing chain or a block that does not fit it.
int ReadAudioChain(CSDB &db, CTrackAudio &track, uint32_t parent);

} // namespace Quorvane
