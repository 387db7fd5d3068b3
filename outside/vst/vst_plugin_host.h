// One VST 2 plug-in hosted for the sound engine, the instrument of "Tembri
// VSTi" and the effect of "Tembri VST" alike: the library loaded and its
// plug-in opened under the crash guard, each block's MIDI handed over as
// events, rendering with processReplacing into interleaved stereo, the
// host callback's answers, the plug-in's editor and its saved state.
//
// Threads: Open, Close, the state, the editor and SetFormat run on the
// window thread; QueueMidi and Render on the render thread, which never
// allocates or waits here. The lock keeps the two apart; the render thread
// only tries it and renders silence while the window thread holds it.
#pragma once

#include "platform/vst2/vst2.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace Quorvane {

class ITembriSong;
namespace Seekable {
class InputStream;
class OutputStream;
} // namespace Seekable

class VstPluginHost {
public:
    // Told when the plug-in's user changed a parameter (on the window
    // thread).
    using ChangedProc = void (*)(void *owner);

    VstPluginHost(ChangedProc changed, void *owner);
    ~VstPluginHost();
    VstPluginHost(const VstPluginHost &) = delete;
    VstPluginHost &operator=(const VstPluginHost &) = delete;

    // Loads the library at path and opens its plug-in with the format set
    // last; false (nothing hosted) when it is no VST 2 plug-in, is not the
    // kind wanted (instrument or not), or crashed or threw while opened.
    bool Open(const std::string &path, bool instrument);
    void Close();
    bool IsOpen() const { return effect_ != nullptr; }
    // After a fault the plug-in is never called again.
    bool Faulted() const { return faulted_; }
    const std::string &Path() const { return path_; }
    // The plug-in's own name, else its file's.
    const char *Name() const { return name_; }

    void SetFormat(float rate, int frames);
    void SetSong(ITembriSong *song) { song_ = song; }
    // Transport news: (start or stop, the play position in ticks).
    void Transport(long code, long tick);

    // One packed MIDI message at its frame in the next block; system
    // messages (the song's own codes among them) are not passed on.
    void QueueMidi(const uint8_t *message, int offset);
    // Renders frames (at most the block size) into the interleaved stereo
    // buffer, adding or replacing; input is interleaved stereo for an
    // effect, null for silence. True when it wrote sound.
    bool Render(float *buffer, int frames, bool add, const float *input);

    void SaveState(Seekable::OutputStream *out);
    void LoadState(Seekable::InputStream *in);

    void EditorSize(int *width, int *height);
    bool OpenEditor(HWND parent);
    bool CloseEditor();

    // The host callback handed to every plug-in.
    static intptr_t VST2_CALL Callback(vst2::Effect *effect, int32_t opcode, int32_t index, intptr_t value,
                                       void *ptr, float opt);

private:
    intptr_t answer(int32_t opcode, int32_t index, intptr_t value, void *ptr, float opt);
    vst2::TimeInfo *timeInfo();
    // The format and buffers the plug-in is given; on the window thread,
    // with the lock held.
    void applyFormat();
    void resizeBuffers();
    // Runs the plug-in's code under the guard; false after a fault, which
    // marks the plug-in faulted.
    template <typename Call> bool guarded(Call &call);

    ChangedProc changed_;
    void *owner_;
    // Taken after the song tract's lock where both are held (the engine
    // adds and deletes outputs under its lock); the render thread, which
    // holds the tract's lock, only tries it.
    CRITICAL_SECTION lock_;
    HMODULE module_ = nullptr;
    vst2::Effect *effect_ = nullptr;
    bool faulted_ = false;
    bool crashed_ = false;
    std::string path_;
    char name_[vst2::kMaxEffectNameLength + 1] = {};

    float rate_ = 44100.0f;
    int frames_ = 1024;
    ITembriSong *song_ = nullptr;
    bool playing_ = false;
    // Frames since the transport's start at startSample_ (engine samples).
    int64_t startSample_ = 0;
    int64_t rendered_ = 0;
    vst2::TimeInfo time_ = {};
    // The render thread, while it is inside the plug-in.
    DWORD renderThread_ = 0;

    // Events of the next block, made room for once.
    static constexpr int kMaxEvents = 512;
    std::vector<vst2::MidiEvent> midi_;
    std::vector<char> eventList_;
    int queued_ = 0;

    // One buffer per plug-in channel, frames_ long.
    std::vector<std::vector<float>> inputs_, outputs_;
    std::vector<float *> inputPointers_, outputPointers_;

    bool editorOpen_ = false;
    DWORD editorThread_ = 0;
    // The editor's idle calls come from a timer of its window thread.
    UINT_PTR idleTimer_ = 0;
    static void CALLBACK editorIdle(HWND, UINT, UINT_PTR timer, DWORD);
};

} // namespace Quorvane
