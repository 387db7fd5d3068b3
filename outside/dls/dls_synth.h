// "Tembri DLS", the output that plays through a DLS synthesizer (a
// DirectMusic software synthesizer) chosen by its class id: the
// synthesizer's own interface opened at the engine's rate, the system's
// default General MIDI collection downloaded into it, each block's MIDI
// handed over at its frames and its audio rendered into the engine's
// buffers through a sink of its own (no sound device of its own). Without
// the synthesizer or the collection the output cannot be made.
#pragma once

#include "outside/dls/dls_download.h"
#include "outside/dls/synth_sink.h"
#include "sound/soft_synth_base.h"

#include <cstdint>
#include <vector>

class CDlsSynth final : public Quorvane::SoftSynthBase {
public:
    // Messages one block may hold; later ones in a block are dropped.
    static constexpr int kMostMessages = 1024;

    CDlsSynth();

    void Destroy() override;
    void SetSampleRate(float rate) override;
    void SetBlockSize(int frames) override;
    void MidiIn(const uint8_t *message, int offset) override;
    bool RenderAdding(float **buffer, int frames) override;
    bool RenderReplacing(float **buffer, int frames) override;
    void SaveState(Quorvane::Seekable::OutputStream *) override {}
    void LoadState(Quorvane::Seekable::InputStream *) override {}
    void GetEditorSize(int *width, int *height) override;
    bool OpenEditor(HWND) override { return false; }
    bool CloseEditor() override { return false; }
    const char *GetName() override { return name_; }
    int GetStateSize() override { return 0; }
    void *GetSubInterface(int id) override;

private:
    ~CDlsSynth();
    // The synthesizer of the class, opened at the rate with the collection
    // downloaded; false (and nothing open) when any of it fails.
    bool open(const CLSID &id);
    void close();
    bool render(float *out, int frames, bool replace);
    // Hands the block's messages to the synthesizer at their times.
    void playQueued();

    class Host : public Quorvane::IZQSSExTembri {
    public:
        explicit Host(CDlsSynth &synth) : synth_(synth) {}
        void Nothing() override {}
        void SetSong(Quorvane::ITembriSong *) override {}
        void Transport(long, long, long, float) override {}
        int AudioBlock(long, const float *, long) override { return 0; }
        bool GetInstrument(long flag, void *out) override;
        bool SelectInstrument(long flag, const void *data) override;

    private:
        CDlsSynth &synth_;
    };

    struct Message {
        int offset;
        uint8_t length;
        uint8_t bytes[3];
    };

    Host host_{*this};
    SynthSink sink_;
    IDirectMusicSynth *synth_ = nullptr;
    bool selected_ = false;
    CLSID selection_ = {};
    char name_[Quorvane::kSoundNameSize] = "Tembri DLS";
    // What the synthesizer holds: the blocks stay until they are unloaded.
    std::vector<DlsDownload> downloads_;
    std::vector<HANDLE> handles_;
    // Frames rendered since the synthesizer opened: the sink's clock.
    LONGLONG position_ = 0;
    Message queue_[kMostMessages];
    int queued_ = 0;
    // The block's messages in the synthesizer's buffer format.
    std::vector<uint64_t> events_;
    std::vector<short> rendered_;
};
