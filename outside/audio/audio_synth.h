// "Tembri Audio", the output of audio tracks: the track hands it the
// frames of its wave block by block through the host extension (on the
// render thread, before the buffer is mixed), and it plays them in the
// order they came, at the track's volume and pan.
#pragma once

#include "sound/soft_synth_base.h"

#include <vector>

class CAudioSynth final : public Quorvane::SoftSynthBase {
public:
    // Blocks of the next buffers it keeps, at most.
    static constexpr int kBufferedBlocks = 4;
    // AudioBlock's code for frames of silence (a track that is not heard).
    static constexpr long kSilence = 2;

    CAudioSynth();

    void Reset() override;
    void Destroy() override;
    void SetBlockSize(int frames) override;
    void MidiIn(const uint8_t *message, int offset) override;
    bool RenderAdding(float **buffer, int frames) override;
    bool RenderReplacing(float **buffer, int frames) override;
    void SaveState(Quorvane::Seekable::OutputStream *) override {}
    void LoadState(Quorvane::Seekable::InputStream *) override {}
    void GetEditorSize(int *width, int *height) override;
    bool OpenEditor(HWND) override { return false; }
    bool CloseEditor() override { return false; }
    const char *GetName() override { return "Tembri Audio"; }
    int GetStateSize() override { return 0; }
    void *GetSubInterface(int id) override;

    // Frames waiting to be played.
    long Queued() const { return queued_; }

private:
    ~CAudioSynth() = default;
    // Appends count frames (1 or 2 channels, or silence for null); false
    // when they do not fit.
    bool append(const float *frames, long channels, long count);
    bool render(float *out, int frames, bool replace);

    class Host : public Quorvane::IZQSSExTembri {
    public:
        explicit Host(CAudioSynth &synth) : synth_(synth) {}
        void Nothing() override {}
        void SetSong(Quorvane::ITembriSong *) override {}
        // Playback starts, stops or jumps: what was queued is gone.
        void Transport(long, long, long, float) override { synth_.Reset(); }
        int AudioBlock(long channels, const float *frames, long count) override;
        bool GetInstrument(long, void *) override { return false; }
        bool SelectInstrument(long, const void *) override { return false; }

    private:
        CAudioSynth &synth_;
    };

    Host host_{*this};
    // Interleaved stereo frames, a ring.
    std::vector<float> ring_;
    long capacity_ = 0;
    long read_ = 0;
    long queued_ = 0;
    // The volume and pan in force at the next block's start; changes apply
    // from their frame of it.
    long volume_ = 100;
    long pan_ = 64;
    struct Change {
        int offset;
        long volume;
        long pan;
    };
    Change changes_[64];
    int changeCount_ = 0;
};
