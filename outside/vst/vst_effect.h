// "Tembri VST", the audio effect that runs a VST 2 effect on a bus, in
// place on the bus's buffer; the plug-in is chosen by the path its host
// extension is handed.
#pragma once

#include "outside/vst/vst_plugin_host.h"
#include "sound/audio_effect.h"

class CVstEffect final : public Quorvane::IQuorvaneAudioEffect {
public:
    CVstEffect();

    void Reset() override {}
    void Resume() override {}
    void Destroy() override { delete this; }
    void SetSampleRate(float rate) override;
    void SetBlockSize(int frames) override;
    void Reserved() override {}
    bool Process(float **buffer, int frames) override;
    bool ProcessSilence(float **buffer, int frames) override;
    void ClearOutput() override {}
    void SaveState(Quorvane::Seekable::OutputStream *out) override { plugin_.SaveState(out); }
    void LoadState(Quorvane::Seekable::InputStream *in) override { plugin_.LoadState(in); }
    void GetEditorSize(int *width, int *height) override { plugin_.EditorSize(width, height); }
    bool OpenEditor(HWND parent) override { return plugin_.OpenEditor(parent); }
    bool CloseEditor() override { return plugin_.CloseEditor(); }
    const char *GetVendor() override { return "Quorvane"; }
    const char *GetName() override;
    int GetConstant1() override { return 1; }
    int GetConstant2() override { return -1; }
    const char *GetProductName() override { return GetName(); }
    int GetStateSize() override { return 0; }
    int GetNumParams() override { return 0; }
    float GetParam(int) override { return 0.0f; }
    void SetParam(int, float) override {}
    void GetText1(char *out, int flag) override { emptyText(out, flag); }
    void GetText2(char *out, int flag) override { emptyText(out, flag); }
    void GetText3(char *out, int flag) override { emptyText(out, flag); }
    void *GetSubInterface(int id) override;

    Quorvane::VstPluginHost &Plugin() { return plugin_; }

private:
    ~CVstEffect() = default;
    static void changed(void *owner);
    static void emptyText(char *out, int flag)
    {
        if (flag && out)
            *out = '\0';
    }

    class Host : public Quorvane::IZQAEExTembri {
    public:
        explicit Host(CVstEffect &effect) : effect_(effect) {}
        void Nothing() override {}
        void SetSong(Quorvane::ITembriSong *song) override { effect_.plugin_.SetSong(song); }
        void Reserved() override {}
        bool GetSelection(long flag, void *out) override;
        bool Select(long flag, const void *data) override;

    private:
        CVstEffect &effect_;
    };

    Quorvane::VstPluginHost plugin_;
    Host host_{*this};
};
