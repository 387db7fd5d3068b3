// The audio track: its samples in a wave at the song's sample rate, kept in
// the song's wave folder, placed on the song's time line by a start offset
// in samples. Its events are its volume and pan controllers, which play on
// the track's output, an output of its own that plays audio.
#pragma once

#include "data/corvadel_api.h"
#include "data/track.h"
#include "data/wave.h"

#include <cstdint>

namespace Quorvane {

class IZQSSExTembri;

// The kind of output (PORTDESCR kind) that plays an audio track's wave.
constexpr long kAudioOutputKind = 2;

class CORVADEL_API CTrackAudio : public CTrack {
public:
    // The wave is made for playback, at the song's sample rate, in the
    // song's wave folder.
    CTrackAudio(unsigned long id, CSong *song);

    // "Audio", flags 0, volume 100 and pan 64 as controllers at tick 0 on
    // channel 0, an empty wave at offset 0, and a new output that plays
    // audio. 0 without that output or a working wave.
    int SetDefault() override;
    // 0 only for an empty wave under exactly the two default controllers.
    int HaveData() override;
    // The later of the last event and the tick where the wave ends.
    int UpdateLastTime() override;
    // Resamples the wave to the new rate and moves the start offset with
    // it; 0 (the wave as it was) when that fails.
    int ChangeSPS(long oldRate, long newRate) override;

    int IsStereo() const { return wave.IsStereo(); }
    // The wave's frames that play from song sample position on, as many as
    // frames asks (silence before the start offset and past the wave's
    // end), interleaved when stereo, in a block the caller frees with free;
    // null for no frames or on failure.
    float *Read(int64_t position, unsigned long &frames);
    // The wave's (minimum, maximum) pairs for song samples from..to
    // (exclusive): GraphicsPairs (from, to) pairs, the i-th being the
    // wave's pair that holds sample from + 128 i; (0, 0) before the start
    // offset and past the end. In a block the caller frees with free; null
    // for an empty range or on failure.
    float *ReadGraphics(int64_t from, int64_t to);
    static int64_t GraphicsPairs(int64_t from, int64_t to);

    // Playback: the wave's blocks to the output's host extension, the
    // volume and pan controllers to the output.
    int OnStartPlayback() override;
    void OnStopPlayback() override;
    void AskPlayback(ASKPLAYBACK *cell) override;

    CWave wave;
    // Where the wave's first frame plays, in samples of the song.
    int64_t startOffset = 0;
    // Beat synchronisation of the recording: both 0 = none.
    long synchro[2] = {0, 0};
    // While playing: the output's host extension, which takes the wave's
    // blocks, and whether the wave's playback buffers run.
    IZQSSExTembri *hostExtension = nullptr;
    int wavePlaying = 0;

private:
    // The wave's playback from the song's current position; 0 when it
    // cannot start. With wait it waits for the first frames (the start
    // from the transport); the render thread never waits.
    int StartWave(float factor, int wait);
    void StopWave();
};

} // namespace Quorvane
