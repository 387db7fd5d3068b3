// "Tembri MIDI", the output that plays to a Windows MIDI output port: the
// port (parameter 0, set by the engine from the port's name) is held open
// through the MIDI output module Velmarin.dll, each block's messages are
// sent at their frames' times by a sender thread of its own, and no audio
// is rendered. SysEx goes to the same port through the module's SysEx
// objects, which use the held handle.
//
// The render thread only stamps the block's messages with their times and
// hands them to the sender through a ring made room for once; it never
// sends, allocates or waits.
#pragma once

#include "sound/soft_synth_base.h"

#include <atomic>
#include <cstdint>

class CMidiOutSynth final : public Quorvane::SoftSynthBase {
public:
    // Messages that can wait for their time at once.
    static constexpr int kRingSize = 2048;
    // How far ahead of now the render thread may run: beyond that the next
    // block starts now again (a burst of blocks, an off-line render).
    static constexpr double kMaxLeadMilliseconds = 500.0;
    // How long the output's end waits for its sender to stop; a sender
    // still sending then (held up in the port's driver) is left to finish
    // and let go of the port and the modules itself.
    static constexpr DWORD kSenderStopMilliseconds = 2000;

    CMidiOutSynth();

    void Reset() override;
    void Destroy() override;
    void MidiIn(const uint8_t *message, int offset) override;
    bool RenderAdding(float **buffer, int frames) override;
    bool RenderReplacing(float **buffer, int frames) override;
    void SaveState(Quorvane::Seekable::OutputStream *) override {}
    void LoadState(Quorvane::Seekable::InputStream *) override {}
    void GetEditorSize(int *width, int *height) override;
    bool OpenEditor(HWND) override { return false; }
    bool CloseEditor() override { return false; }
    // The port's name, which the engine keeps as the output's data.
    const char *GetName() override;
    int GetStateSize() override { return 0; }
    int GetNumParams() override { return 1; }
    // Parameter 0: the port played to, -1 when none is held.
    float GetParam(int index) override;
    void SetParam(int index, float value) override;
    void *GetSubInterface(int) override { return nullptr; }

    // Whether the MIDI output module was found.
    bool HasModule() const;

private:
    ~CMidiOutSynth();
    // Stamps the block's messages and wakes the sender.
    void endBlock(int frames);
    static DWORD WINAPI senderThread(void *shared);
    static double now();

    // What the sender thread uses: the ring, the port and the MIDI output
    // module. The output and the sender each own it; the last to let go
    // releases the port, frees the module and deletes it.
    struct Shared;
    Shared *shared_ = nullptr;
    HANDLE thread_ = nullptr;
    char name_[Quorvane::kSoundNameSize] = "Tembri MIDI";

    // The block's messages until the render call stamps them.
    struct Pending {
        uint32_t message;
        int offset;
    };
    Pending pending_[512];
    int pendingCount_ = 0;
    // When the next block starts sounding, in milliseconds of now().
    double nextBlock_ = 0.0;
};
