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
    bool HasModule() const { return module_ != nullptr; }

private:
    ~CMidiOutSynth();
    // Stamps the block's messages and wakes the sender.
    void endBlock(int frames);
    void releasePort();
    static DWORD WINAPI senderThread(void *self);
    void send();
    static double now();

    using HoldProc = int (*)(long index);
    using ReleaseProc = void (*)(long index);
    using ShortProc = int (*)(long index, unsigned long message);
    using NameProc = char *(*)(int direction, long index);
    HMODULE module_ = nullptr;
    HoldProc hold_ = nullptr;
    ReleaseProc release_ = nullptr;
    ShortProc short_ = nullptr;
    NameProc portName_ = nullptr;
    std::atomic<long> port_{-1};
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

    // Single producer (the render thread), single consumer (the sender).
    struct Timed {
        uint32_t message;
        double due;
    };
    Timed ring_[kRingSize];
    std::atomic<uint32_t> head_{0}; // next to write
    std::atomic<uint32_t> tail_{0}; // next to send
    HANDLE wake_ = nullptr;
    std::atomic<bool> stopping_{false};
    HANDLE thread_ = nullptr;
};
