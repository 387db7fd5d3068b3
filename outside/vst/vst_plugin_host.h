// One VST 2 plug-in hosted for the sound engine, the instrument of "Tembri
// VSTi" and the effect of "Tembri VST" alike: the library loaded and its
// plug-in opened under the crash guard, each block's MIDI handed over as
// events, rendering with processReplacing into interleaved stereo, the
// host callback's answers, the plug-in's editor and its saved state.
//
// Threads: the host is made and deleted, and Open, Close, the state and
// SetFormat run, on the window thread; the editor runs on the thread that
// opened it, and is closed there from any other. QueueMidi, Render and
// Transport may come from the render thread, which never allocates or
// waits here: it only tries the lock, and a block it cannot render keeps
// its events for the next one. A plug-in that faults is never called
// again, and the window thread tells the user once.
#pragma once

#include "base/critical_section.h"
#include "outside/vst/vst_host_window.h"
#include "platform/vst2/vst2.h"

#include <windows.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace Quorvane {

class ITembriSong;
namespace Seekable {
class InputStream;
class OutputStream;
} // namespace Seekable

class VstPluginHost : private VstHostWindow::Owner {
public:
    // Told when the plug-in's user changed a parameter (on the window
    // thread).
    using ChangedProc = void (*)(void *owner);

    // Events of one block, with room kept for the note-offs of every
    // note-on let through.
    static constexpr int kMaxEvents = 512;
    // How long the host waits for the thread of one of its windows (the
    // editor's, or the one it was made on) from another thread.
    static constexpr DWORD kWindowThreadBound = 2000;

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
    // Transport news: (start, stop or loop, the play position in ticks).
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
    // On the editor's thread, or from another thread waiting for that one
    // at most kWindowThreadBound; false when no editor was closed.
    bool CloseEditor();

    // The host callback handed to every plug-in.
    static intptr_t VST2_CALL Callback(vst2::Effect *effect, int32_t opcode, int32_t index, intptr_t value,
                                       void *ptr, float opt);

private:
    intptr_t answer(int32_t opcode, int32_t index, intptr_t value, void *ptr, float opt);
    bool onRenderThread() const;
    vst2::TimeInfo *timeInfo();
    // The song's musical time at position into time; on the render thread,
    // which reads the song under the song's lock.
    void readSongTime(vst2::TimeInfo &time, int64_t position) const;
    // The calling thread's record of this plug-in (not the render thread's).
    vst2::TimeInfo &threadRecord();
    // The format and buffers the plug-in is given; on the window thread,
    // with the lock held.
    void applyFormat();
    void resizeBuffers();
    bool renderLocked(float *buffer, int frames, bool add, const float *input);
    // Events the plug-in did not take: kept for the next block, from its
    // start, or dropped with the notes they owe.
    void keepEventsForNextBlock();
    void dropEvents();
    // Runs the plug-in's code under the guard; false after a fault, which
    // marks the plug-in faulted. doing says what it was doing, for the user.
    template <typename Call> bool guarded(Call &call, const char *doing);
    void WindowMessage(WPARAM what, std::string &text, std::string &caption) override;
    void closeEditorHere();

    ChangedProc changed_;
    void *owner_;
    // Taken after the song tract's lock where both are held (the engine
    // adds and deletes outputs under its lock); never taken under the host
    // windows' lock nor held while that is taken or a window's thread is
    // waited for. The render thread only tries it.
    CriticalSection lock_;
    HMODULE module_ = nullptr;
    vst2::Effect *effect_ = nullptr;
    bool instrument_ = true;
    std::atomic<bool> faulted_{false};
    std::atomic<bool> crashed_{false};
    std::string path_;
    char name_[vst2::kMaxEffectNameLength + 1] = {};

    // The fault the user is told of, once: set while a plug-in is open
    // (not while it is opened or closed).
    std::atomic<bool> tellFaults_{false};
    std::atomic<bool> faultCrashed_{false};
    std::atomic<const char *> faultDoing_{""};
    char faultName_[vst2::kMaxEffectNameLength + 1] = {};

    std::atomic<float> rate_{44100.0f};
    std::atomic<int> frames_{1024};
    ITembriSong *song_ = nullptr;
    std::atomic<bool> playing_{false};
    // Engine samples at the start of the block rendered, and a transport
    // start waiting for the next block.
    static constexpr int64_t kNoStart = INT64_MIN;
    std::atomic<int64_t> position_{0};
    std::atomic<int64_t> startAt_{kNoStart};
    // The render thread's own time record; every other thread asking has
    // one of its own with each plug-in, the oldest taken over when
    // kTimeThreads ask.
    vst2::TimeInfo renderTime_ = {};
    struct ThreadTime {
        DWORD thread = 0;
        vst2::TimeInfo time = {};
    };
    static constexpr size_t kTimeThreads = 8;
    std::array<ThreadTime, kTimeThreads> threadTimes_;
    size_t nextThreadTime_ = 0;
    CriticalSection threadTimesLock_;
    // The song's time at the last block, read on the render thread, for
    // the answers given on other threads: they never read the song's maps,
    // which the window thread edits under the song's lock. Held only to
    // copy; the render thread only tries it.
    vst2::TimeInfo songTime_ = {};
    CriticalSection songTimeLock_;
    // The render thread, while it is inside the plug-in.
    std::atomic<DWORD> renderThread_{0};

    // Events of the next block, made room for once; on the render thread.
    std::vector<vst2::MidiEvent> midi_;
    std::vector<char> eventList_;
    int queued_ = 0;
    // Note-ons let through whose note-offs have not been, by channel and
    // key, and all together: queued_ + owedCount_ never exceeds kMaxEvents.
    uint8_t owed_[16][128] = {};
    int owedCount_ = 0;

    // One buffer per plug-in channel, frames_ long.
    std::vector<std::vector<float>> inputs_, outputs_;
    std::vector<float *> inputPointers_, outputPointers_;

    std::atomic<bool> editorOpen_{false};
    // On the editor's thread: its idle timer and its closing from other
    // threads. On the window thread: the fault told to the user.
    VstHostWindow editor_;
    VstHostWindow notices_;
};

} // namespace Quorvane
