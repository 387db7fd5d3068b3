// "Tembri DX", the audio effect that runs a DirectX audio effect (a DMO) on
// a bus, in place on the bus's buffer, through IMediaObject; the effect is
// chosen by the class id its host extension is handed, and its state is
// what the DMO keeps through IPersistStream.
#pragma once

#include "outside/dx/dmo_stream.h"
#include "sound/audio_effect.h"

#include <vector>

class CDmoEffect final : public Quorvane::IQuorvaneAudioEffect {
public:
    CDmoEffect() = default;

    void Reset() override;
    void Resume() override {}
    void Destroy() override { delete this; }
    void SetSampleRate(float rate) override;
    void SetBlockSize(int frames) override;
    void Reserved() override {}
    bool Process(float **buffer, int frames) override;
    bool ProcessSilence(float **buffer, int frames) override;
    void ClearOutput() override {}
    void SaveState(Quorvane::Seekable::OutputStream *out) override;
    void LoadState(Quorvane::Seekable::InputStream *in) override;
    void GetEditorSize(int *width, int *height) override;
    bool OpenEditor(HWND) override { return false; }
    bool CloseEditor() override { return false; }
    const char *GetVendor() override { return "Quorvane"; }
    const char *GetName() override { return name_; }
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

private:
    ~CDmoEffect();
    // Runs the DMO over frames of the buffer and puts what it gave there.
    void run(float *buffer, int frames);
    // Takes what the DMO has to give into held_.
    void drain();
    bool select(const CLSID &id);
    static void emptyText(char *out, int flag)
    {
        if (flag && out)
            *out = '\0';
    }

    class Host : public Quorvane::IZQAEExTembri {
    public:
        explicit Host(CDmoEffect &effect) : effect_(effect) {}
        void Nothing() override {}
        void SetSong(Quorvane::ITembriSong *) override {}
        void Reserved() override {}
        bool GetSelection(long flag, void *out) override;
        bool Select(long flag, const void *data) override;

    private:
        CDmoEffect &effect_;
    };

    IMediaObject *dmo_ = nullptr;
    // Whether the DMO took the rate and plays; one that did not is kept for
    // its settings, and the user was told of it once.
    bool streaming_ = false;
    bool toldRate_ = false;
    CLSID selected_ = {};
    char name_[Quorvane::kSoundNameSize] = "Tembri DX";
    static constexpr size_t kFrameBytes = 2 * sizeof(float);
    // What the DMO gave and the bus has not played yet: up to kHeldBlocks
    // blocks of stereo floats. The input is a copy of the bus's block.
    static constexpr size_t kHeldBlocks = 4;
    std::vector<float> held_ = std::vector<float>(2 * static_cast<size_t>(blockSize) * kHeldBlocks);
    size_t heldFrames_ = 0;
    std::vector<float> input_ = std::vector<float>(2 * static_cast<size_t>(blockSize));
    MediaBufferView inView_;
    MediaBufferView outView_;
    Host host_{*this};
};
