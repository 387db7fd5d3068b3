// "Tembri VSTi", the output that plays a VST 2 instrument: the engine's
// soft synthesizer around one hosted plug-in, chosen by the path its host
// extension is handed.
#pragma once

#include "outside/vst/vst_plugin_host.h"
#include "sound/soft_synth_base.h"

class CVstiSynth final : public Quorvane::SoftSynthBase {
public:
    CVstiSynth();

    void Destroy() override;
    void SetSampleRate(float rate) override;
    void SetBlockSize(int frames) override;
    void MidiIn(const uint8_t *message, int offset) override;
    bool RenderAdding(float **buffer, int frames) override;
    bool RenderReplacing(float **buffer, int frames) override;
    void SaveState(Quorvane::Seekable::OutputStream *out) override { plugin_.SaveState(out); }
    void LoadState(Quorvane::Seekable::InputStream *in) override { plugin_.LoadState(in); }
    void GetEditorSize(int *width, int *height) override { plugin_.EditorSize(width, height); }
    bool OpenEditor(HWND parent) override { return plugin_.OpenEditor(parent); }
    bool CloseEditor() override { return plugin_.CloseEditor(); }
    const char *GetName() override;
    int GetStateSize() override { return 0; }
    void *GetSubInterface(int id) override;

    Quorvane::VstPluginHost &Plugin() { return plugin_; }

private:
    ~CVstiSynth() = default;
    static void changed(void *owner);

    class Host : public Quorvane::IZQSSExTembri {
    public:
        explicit Host(CVstiSynth &synth) : synth_(synth) {}
        void Nothing() override {}
        void SetSong(Quorvane::ITembriSong *song) override { synth_.plugin_.SetSong(song); }
        void Transport(long code, long tick, long, float) override { synth_.plugin_.Transport(code, tick); }
        int AudioBlock(long, const float *, long) override { return 0; }
        // The plug-in's path, into a buffer of MAX_PATH + 1 bytes.
        bool GetInstrument(long flag, void *out) override;
        bool SelectInstrument(long flag, const void *data) override;

    private:
        CVstiSynth &synth_;
    };

    Quorvane::VstPluginHost plugin_;
    Host host_{*this};
};
