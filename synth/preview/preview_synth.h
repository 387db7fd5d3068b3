// Pellandor, the preview synthesizer ("Default Preview"): simple tones on
// sixteen MIDI channels, three drum sounds on the drum channel (channel
// 10), chord previews on a private channel and metronome clicks on
// another. It needs no installed instrument.
#pragma once

#include "sound/soft_synth_base.h"
#include "synth/preview/preview_channel.h"

#include <atomic>
#include <cstdint>

namespace Quorvane {

class CPreviewEditor;

// Channels: 0..15 the MIDI channels (9 the drums), then these two.
enum : int { kChordChannel = 16, kClickChannel = 17, kPreviewChannels = 18 };

class CPreviewSynth final : public SoftSynthBase {
public:
    CPreviewSynth();
    CPreviewSynth(const CPreviewSynth &) = delete;
    CPreviewSynth &operator=(const CPreviewSynth &) = delete;

    void Reset() override;
    void Destroy() override;
    void SetSampleRate(float rate) override;
    void SetBlockSize(int frames) override;
    void MidiIn(const uint8_t *message, int offset) override;
    bool RenderAdding(float **buffer, int frames) override;
    bool RenderReplacing(float **buffer, int frames) override;
    void SaveState(Seekable::OutputStream *out) override;
    void LoadState(Seekable::InputStream *in) override;
    // The editor (one at most) shows the channels that sound and sets the
    // click level.
    void GetEditorSize(int *width, int *height) override;
    bool OpenEditor(HWND parent) override;
    bool CloseEditor() override;
    const char *GetName() override { return "Default Preview"; }
    const char *GetProductName() override { return "Default Preview"; }
    int GetStateSize() override { return GetNumParams() * 4; }
    int GetNumParams() override { return 1; }
    float GetParam(int index) override;
    void SetParam(int index, float value) override;
    void *GetSubInterface(int id) override;

    // The channels that sounded in the last rendered block (bit n:
    // channel n).
    uint32_t GetActivity() const { return activity.load(); }

    // The metronome click level, shared by every preview synthesizer.
    static int ClickLevel();

private:
    ~CPreviewSynth();
    bool render(float *out, int frames, bool replace);
    void playChord(int root, int type, int offset);
    void channelMessage(int channel, const uint8_t *message, int offset);

    class Names : public IZQSSExEnum {
    public:
        void Nothing() override {}
        long Banks(tagENUMITEM **list) override;
        long Programs(long bank, tagENUMITEM **list) override;
        long Notes(long bank, long program, long channel, tagENUMITEM **list) override;
        long Controllers(tagENUMITEM **list) override;
        // The lists are fixed tables.
        void GiveBack(tagENUMITEM *) override {}
    };

    class Host : public IZQSSExTembri {
    public:
        void Nothing() override {}
        void SetSong(ITembriSong *tembriSong) override { song = tembriSong; }
        void Transport(long, long, long, float) override {}
        int AudioBlock(long, const float *, long) override { return 0; }
        bool GetInstrument(long, void *) override { return false; }
        bool SelectInstrument(long, const void *) override { return false; }
        ITembriSong *song = nullptr;
    };

    // Tells the editor, if one is open; from any thread, never waiting.
    void postToEditor(UINT message, WPARAM wParam);

    PreviewVoicePool pool;
    PreviewChannel channels[kPreviewChannels];
    float *mix = nullptr;
    // Written by the render thread, read by the editor when it opens.
    std::atomic<uint32_t> activity{0};
    // The bits last reported (render thread only).
    uint32_t reported = 0;
    // The user-interface thread's editor, and the handle of its window that
    // other threads post to: published once the window exists, cleared
    // before it goes.
    CPreviewEditor *editor = nullptr;
    std::atomic<HWND> editorWindow{nullptr};
    Names names;
    Host host;
};

} // namespace Quorvane
