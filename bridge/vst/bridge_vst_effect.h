// The VST 2 instrument of the bridge: it has no sound of its own. It takes
// the host's notes, bend, modulation, pedals and transport, cuts each audio
// block at its notes and sends the segments through the stream provider,
// which brings the program's audio back into the host's two outputs.
#pragma once

#include "bridge/common/bridge_segmenter.h"
#include "bridge/common/halvorin_connection.h"
#include "platform/vst2/vst2.h"

namespace Halvorin {

class CBridgeVstEditor;

// The plug-in's name as hosts show it, and its message boxes' caption.
constexpr char kVstEffectName[] = "Rallimoth Omvel";
constexpr char kVstCaption[] = "Rallimoth Omvel VSTi";

class CBridgeVstEffect {
public:
    // The entry's work: the effect record for the host, or null when the
    // host is no VST 2 host or no channel of the provider can be had.
    static vst2::Effect *Create(vst2::HostCallback host);

    CBridgeVstEffect(const CBridgeVstEffect &) = delete;
    CBridgeVstEffect &operator=(const CBridgeVstEffect &) = delete;

    const HalvorinConnection &Provider() const { return provider_; }

    // Host events kept until the next render call.
    static constexpr int kMaxPendingEvents = 1024;

private:
    explicit CBridgeVstEffect(vst2::HostCallback host);
    ~CBridgeVstEffect();

    bool ConnectStreamProvider();
    intptr_t dispatch(int32_t opcode, int32_t index, intptr_t value, void *ptr, float opt);
    void processEvents(const vst2::Events *events);
    void render(float **outputs, int32_t frames, int32_t mode);
    void reset();
    // The name of the one program: the channel, as hosts list it.
    void programName(void *to) const;
    intptr_t callHost(int32_t opcode, intptr_t value, void *ptr);

    static CBridgeVstEffect *of(vst2::Effect *effect);
    static intptr_t VST2_CALL dispatcherEntry(vst2::Effect *effect, int32_t opcode, int32_t index,
                                              intptr_t value, void *ptr, float opt);
    static void VST2_CALL processEntry(vst2::Effect *effect, float **inputs, float **outputs, int32_t frames);
    static void VST2_CALL processReplacingEntry(vst2::Effect *effect, float **inputs, float **outputs,
                                                int32_t frames);
    static void VST2_CALL setParameterEntry(vst2::Effect *effect, int32_t index, float value);
    static float VST2_CALL getParameterEntry(vst2::Effect *effect, int32_t index);

    struct PendingEvent {
        int32_t code; // a note, or one of the codes below
        int32_t value;
        int32_t deltaFrames;
    };
    // Codes of pending events besides notes.
    static constexpr int32_t kBendEvent = 128;
    static constexpr int32_t kModulationEvent = 129;
    static constexpr int32_t kPedalEvent = 130;
    static constexpr int32_t kResetEvent = 131;

    vst2::Effect effect_ = {};
    vst2::HostCallback host_;
    // The claimed channel with the provider's module and entry.
    HalvorinConnection provider_;
    // The render block, bend, modulation, sustain and held note.
    BridgeSegmenter segmenter_;
    // The last "playing" bit of the host's time information.
    bool playing_ = false;
    // The host's rate as it set it; a block without time information is
    // rendered at it.
    int32_t sampleRate_ = 44100;
    int pendingCount_ = 0;
    PendingEvent pending_[kMaxPendingEvents];
    CBridgeVstEditor *editor_ = nullptr;
};

} // namespace Halvorin
