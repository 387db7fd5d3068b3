// The samples of one audio track (or of a decoded sound) as interleaved
// 32-bit float frames in a temporary file, so that audio of any length costs
// no memory. A wave made for playback also keeps a peak file for drawing and
// runs a reader thread that reads ahead of the player.
//
// A wave owns its files, events and thread, so it cannot be copied: a copy
// would share them and free them twice. CopyFrom copies another wave's
// samples into this one instead.
#pragma once

#include "data/corvadel_api.h"
#include "data/lock.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

namespace Quorvane {

class CStorage;

// ExportWave's formats: PCM of 16, 24 or 32 bits, or 32-bit float.
constexpr unsigned kWaveFloat32 = 0x8020;

class CORVADEL_API CWave {
public:
    // One read-ahead buffer of playback: the frames of the wave from its
    // start on, read by the reader thread. The player asks for a fill by
    // raising requested (after setting start); the reader, when it is done
    // with that request, sets filled to it. The buffer is the player's while
    // the two are equal, the reader's while they differ.
    struct PLAYHDR {
        float *buffer = nullptr;
        std::atomic<int64_t> start{0}; // frame of the wave at the buffer's start
        std::atomic<long> requested{0};
        std::atomic<long> filled{0};
        long framesRead = 0;           // frames that came from the wave
        std::atomic<long> capacity{0}; // frames, 32 blocks
        int index = 0;
        bool IsReady() const { return filled.load(std::memory_order_acquire) == requested.load(); }
    };

    // The longest a start waits for the reader.
    static constexpr DWORD kPrimeWaitMs = 1000;
    // Blocks per buffer, and the frames a buffer holds beyond them.
    static constexpr long kBlocksPerHalf = 32;
    // The read-ahead buffers: the one playing, the one after it, and the
    // loop start kept ready.
    static constexpr int kPlayBuffers = 3;
    static constexpr long kGuardFrames = 128;
    // Frames read or written at a time by import, export and the peaks.
    static constexpr unsigned long kChunkFrames = 4096;
    // Frames per peak pair, and pairs written at a time.
    static constexpr unsigned long kPeakFrames = 128;
    static constexpr unsigned long kPeakPairsPerWrite = 1024;

    // The sample file goes to folder (the system's temporary folder when
    // null or empty); a playback wave also makes its peak file, events and
    // reader thread. IsStateOk tells whether all of it was had.
    CWave(int playback, long sampleRate, const char *folder);
    ~CWave();
    CWave(const CWave &) = delete;
    CWave &operator=(const CWave &) = delete;

    int IsStateOk() const;
    // Length 0; both files emptied.
    void Clear();
    int IsStereo() const { return channels == 2; }
    // Bytes of frames frames.
    unsigned long GetBuffSize(unsigned long frames) const { return frames * bytesPerFrame; }

    // Frames before position 0 and past the end of the file are silence;
    // 0 when seeking or reading fails.
    int Read(float *buffer, int64_t position, unsigned long frames);
    // Writes at the position (not before 0); the caller extends the length.
    int Write(const float *buffer, int64_t position, unsigned long frames);
    // Per channel, in place: forward turns samples into differences from the
    // previous sample (the first stays), backward turns them back.
    int Delta(float *buffer, unsigned long frames, int forward);
    // Moves the sample file to a frame (nothing to do when already there).
    int SetPosition(int64_t frame);

    // Rebuilds the peak file: one (minimum, maximum) pair per 128 frames
    // over all channels. 1 at once for a wave not made for playback.
    int CreateGraphics();
    // count pairs from pair index on; pairs past the end read (0, 0).
    int ReadGraphics(float *buffer, int64_t pairIndex, unsigned long count);

    // RIFF WAVE: PCM 16/24/32-bit or float, mono or stereo, appended at the
    // end of the wave (resampled to its rate when the file's differs).
    int ImportWave(CStorage *storage);
    // format 16, 24 or 32 (PCM) or kWaveFloat32; 0 for an empty wave.
    int ExportWave(CStorage *storage, unsigned format);
    // Makes this wave hold a copy of source's samples, rate and channels.
    int CopyFrom(CWave &source);
    // Resamples the whole wave to another rate (through 24-bit samples
    // scaled to the wave's peak, so that nothing clips). On failure the wave
    // stays as it was.
    int ChangeSampleRate(long rate);

    // Playback (playback waves only). The player asks for blocks of
    // round(blockFrames x speed) frames and never waits for the reader: a
    // block the reader has not read in time is silence, counted in
    // lateBlocks, and the play position goes on. InitPlayback starts the
    // reading from start on and, with wait, waits for the first buffer for
    // at most kPrimeWaitMs (priming, off the render thread, but maybe on the
    // stream provider's). Without wait it allocates nothing: it fails
    // instead when the buffers reserved so far are too small (priming
    // reserves them for up to twice the speed).
    int InitPlayback(int64_t start, long blockFrames, float speed, int wait = 1);
    void DeinitPlayback();
    // The next block: frames asks for up to one block and comes back lowered
    // to what the wave still had (silence is the caller's); null with 0
    // frames when none of it was there. switchNow turns 1 when a buffer was
    // used up: then call ChangePlaybackBuffer.
    float *GetPlaybackData(long &frames, int &switchNow);
    // Sets the reader on what is to be read next; never waits.
    void ChangePlaybackBuffer();
    // The play position jumps back to loopStart; the block handed out next
    // fades in, and a request for less than a block (the loop end) fades
    // out. Seamless when the loop start was kept ready.
    void LoopPlayback(int64_t loopStart);
    // While looping keeps the frames from loopStart on read ahead, so that
    // the jump finds them; looping 0 forgets the loop.
    void KeepLoopReady(int64_t loopStart, int looping);
    // Hands a buffer to the reader (to read it again from its start) /
    // waits until the reader gave it back; 0 when the reader thread is gone
    // or the limit (in milliseconds) passed. The player never waits;
    // priming and tests do.
    void InitReading(PLAYHDR *buffer);
    int WaitForReady(PLAYHDR *buffer, DWORD limit = INFINITE);
    // Linear ramp over frames x channels samples (fewer than 4 frames stay).
    void FadeLoop(float *buffer, long frames, int fadeIn);

    int playback;
    long sampleRate;
    int channels = 2;
    int bytesPerFrame = 8;
    int64_t length = 0;     // frames
    int64_t peakLength = 0; // floats
    PLAYHDR buffers[kPlayBuffers];
    long blockFrames = 0; // frames per block at the playback speed
    float speed = 1.0f;
    int loopPending = 0;
    // The next frame to hand out, and the loop start kept ready.
    int64_t playPosition = 0;
    int64_t loopStart = 0;
    int looping = 0;
    // Blocks handed out (partly) silent because the reader was late.
    std::atomic<long> lateBlocks{0};
    // The file's lock: the last of the song's locks; nothing else is taken
    // while it is held.
    SYNCOBJECT *sync = nullptr;
    int64_t filePosition = -1; // frames; -1 unknown
    HANDLE sampleFile = INVALID_HANDLE_VALUE;
    HANDLE peakFile = INVALID_HANDLE_VALUE;
    HANDLE readerThread = nullptr;
    HANDLE requestEvent = nullptr; // auto-reset
    HANDLE readyEvent = nullptr;   // manual reset, initially set
    // The resampling mode of ImportWave and ChangeSampleRate (0 linear).
    int resampleMode = 0;
    // Where the temporary files go (empty: the system's temporary folder).
    char folder[MAX_PATH] = {};
    // Set by every change of the samples (writes, clearing, a new rate); a
    // song file clears it once it holds the samples, so that an unchanged
    // wave is not stored again.
    int changed = 0;

private:
    static DWORD WINAPI ReaderMain(void *wave);
    void Fill(PLAYHDR &buffer);
    int ReserveBuffers(long capacity, long blockFrames, int wait);
    // Points the buffers at the frames to read next: the range holding the
    // play position, the one after it, the loop start.
    void PlanReading();
    void Request(PLAYHDR &buffer, int64_t start);
    // A ready buffer holding frame position, or null.
    PLAYHDR *ReadyHolding(int64_t position);

    std::atomic<int> stopReader{0};
    int playing = 0;
    long reservedCapacity = 0;
    // Frames each new request reads: 32 blocks at the playback speed.
    long readCapacity = 0;
    // A faded or pieced block is put together here, so that the buffers keep
    // their samples.
    float *fadeBuffer = nullptr;
    long fadeCapacity = 0;
};

} // namespace Quorvane
