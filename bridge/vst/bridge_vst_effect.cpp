#include "bridge/vst/bridge_vst_effect.h"

#include "base/message_box.h"
#include "bridge/vst/bridge_vst_editor.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

namespace Halvorin {

namespace {

constexpr int32_t kUniqueId = vst2::FourCC('Q', 'N', '3', 'e');
constexpr int32_t kVendorVersion = 1000;
constexpr intptr_t kVstVersion = 2300;
// What "isQuorvaneHalvorin" answers: the engine recognises the bridge by it.
constexpr intptr_t kHalvorinAnswer = vst2::FourCC('q', 'v', 'H', 'V');
constexpr char kVendor[] = "Quorvane";
constexpr char kProduct[] = "Quorvane Rallimoth Omvel";

void copyText(void *to, const char *text, int length)
{
    if (!to)
        return;
    std::strncpy(static_cast<char *>(to), text, length);
    static_cast<char *>(to)[length] = '\0';
}

intptr_t canDo(const char *question)
{
    if (!question)
        return 0;
    for (const char *yes : {"receiveVstEvents", "receiveVstMidiEvent", "receiveVstTimeInfo"})
        if (std::strcmp(question, yes) == 0)
            return 1;
    return std::strcmp(question, "isQuorvaneHalvorin") == 0 ? kHalvorinAnswer : 0;
}

} // namespace

vst2::Effect *CBridgeVstEffect::Create(vst2::HostCallback host)
{
    if (!host || host(nullptr, vst2::hostVersion, 0, 0, nullptr, 0.0f) == 0)
        return nullptr;
    auto *plugin = new (std::nothrow) CBridgeVstEffect(host);
    if (!plugin)
        return nullptr;
    if (!plugin->ConnectStreamProvider()) {
        delete plugin;
        return nullptr;
    }
    return &plugin->effect_;
}

CBridgeVstEffect::CBridgeVstEffect(vst2::HostCallback host) : host_(host)
{
    effect_.magic = vst2::kEffectMagic;
    effect_.dispatcher = dispatcherEntry;
    effect_.process = processEntry;
    effect_.processReplacing = processReplacingEntry;
    effect_.setParameter = setParameterEntry;
    effect_.getParameter = getParameterEntry;
    effect_.numPrograms = 1;
    effect_.numParams = 0;
    effect_.numInputs = 0;
    effect_.numOutputs = 2;
    effect_.flags = vst2::effFlagsIsSynth | vst2::effFlagsCanReplacing | vst2::effFlagsHasEditor;
    effect_.ioRatio = 1.0f;
    effect_.object = this;
    effect_.uniqueId = kUniqueId;
    effect_.version = kVendorVersion;
    editor_ = new (std::nothrow) CBridgeVstEditor(*this);
}

CBridgeVstEffect::~CBridgeVstEffect()
{
    delete editor_;
    provider_.Disconnect();
}

intptr_t CBridgeVstEffect::callHost(int32_t opcode, intptr_t value, void *ptr)
{
    return host_(&effect_, opcode, 0, value, ptr, 0.0f);
}

bool CBridgeVstEffect::ConnectStreamProvider()
{
    if (callHost(vst2::hostCanDo, 0, const_cast<char *>("sendVstTimeInfo")) <= 0 &&
        Quorvane::showMessageBox(nullptr, "Insufficient host functionality.\nContinue anyway?", kVstCaption,
                                 MB_YESNO | MB_ICONQUESTION) != IDYES)
        return false;
    if (!provider_.Connect()) {
        Quorvane::showMessageBox(nullptr, "Can't connect to AudioStream Provider.", kVstCaption,
                                 MB_OK | MB_ICONERROR);
        return false;
    }
    segmenter_.block.sampleRate = sampleRate_ = 44100;
    segmenter_.block.tempo = 100.0f;
    reset();
    return true;
}

void CBridgeVstEffect::reset()
{
    segmenter_.Reset(kModeReplace);
    playing_ = false;
    pendingCount_ = 0;
}

void CBridgeVstEffect::programName(void *to) const
{
    char name[16] = "Not connected.";
    if (provider_.Channel() >= 0 && provider_.Channel() < kChannels)
        std::snprintf(name, sizeof name, "%i", provider_.Channel() + 1);
    copyText(to, name, vst2::kMaxProgramNameLength);
}

CBridgeVstEffect *CBridgeVstEffect::of(vst2::Effect *effect)
{
    return effect ? static_cast<CBridgeVstEffect *>(effect->object) : nullptr;
}

intptr_t CBridgeVstEffect::dispatch(int32_t opcode, int32_t index, intptr_t value, void *ptr, float opt)
{
    switch (opcode) {
    case vst2::effClose:
        delete this;
        return 1;
    case vst2::effGetProgramName:
        programName(ptr);
        return 0;
    case vst2::effGetProgramNameIndexed:
        // The one program: a host's list of programs is never empty.
        if (index != 0)
            return 0;
        programName(ptr);
        return 1;
    case vst2::effGetPlugCategory:
        return vst2::kPlugCategSynth;
    case vst2::effSetSampleRate: {
        int rate = static_cast<int>(std::lround(opt));
        if (rate > 0)
            sampleRate_ = segmenter_.block.sampleRate = rate;
        provider_.Request(kOpSampleRate, &rate);
        return 0;
    }
    case vst2::effSetBlockSize: {
        int frames = static_cast<int>(value);
        provider_.Request(kOpBlockSize, &frames);
        return 0;
    }
    case vst2::effMainsChanged:
        reset();
        if (value)
            callHost(vst2::hostWantEvents, 1, nullptr);
        return 0;
    case vst2::effEditGetRect:
        return editor_ ? editor_->GetRect(static_cast<vst2::EditorRect **>(ptr)) : 0;
    case vst2::effEditOpen:
        return editor_ ? editor_->Open(static_cast<HWND>(ptr)) : 0;
    case vst2::effEditClose:
        if (editor_)
            editor_->Close();
        return 0;
    case vst2::effEditIdle:
        if (editor_)
            editor_->Idle();
        return 0;
    case vst2::effProcessEvents:
        processEvents(static_cast<const vst2::Events *>(ptr));
        return 1;
    case vst2::effGetEffectName:
        copyText(ptr, kVstEffectName, vst2::kMaxEffectNameLength);
        return 1;
    case vst2::effGetVendorString:
        copyText(ptr, kVendor, vst2::kMaxVendorStringLength);
        return 1;
    case vst2::effGetProductString:
        copyText(ptr, kProduct, vst2::kMaxProductStringLength);
        return 1;
    case vst2::effGetVendorVersion:
        return kVendorVersion;
    case vst2::effCanDo:
        return canDo(static_cast<const char *>(ptr));
    case vst2::effGetVstVersion:
        return kVstVersion;
    default:
        return 0;
    }
}

void CBridgeVstEffect::processEvents(const vst2::Events *events)
{
    if (!events)
        return;
    for (int32_t i = 0; i < events->numEvents; ++i) {
        const vst2::Event *event = events->events[i];
        if (!event || event->type != vst2::kEventMidi)
            continue;
        if (pendingCount_ >= kMaxPendingEvents)
            return;
        const auto *midi = reinterpret_cast<const vst2::MidiEvent *>(event);
        const int data1 = midi->midiData[1] & 0x7F;
        const int data2 = midi->midiData[2] & 0x7F;
        PendingEvent pending = {-1, 0, midi->deltaFrames};
        switch (midi->midiData[0] & 0xF0) {
        case 0x80:
            pending = {data1, 0, midi->deltaFrames};
            break;
        case 0x90:
            pending = {data1, data2, midi->deltaFrames};
            break;
        case 0xB0:
            if (data1 == 1)
                pending = {kModulationEvent, data2, midi->deltaFrames};
            else if (data1 == 64 || data1 == 66 || data1 == 67)
                pending = {kPedalEvent, data2 >= 64 ? 1 : 0, midi->deltaFrames};
            else if (data1 == 121)
                pending = {kResetEvent, 0, midi->deltaFrames};
            break;
        case 0xE0:
            pending = {kBendEvent, (data2 << 7 | data1) - 8192, midi->deltaFrames};
            break;
        }
        if (pending.code >= 0)
            pending_[pendingCount_++] = pending;
    }
}

void CBridgeVstEffect::render(float **outputs, int32_t frames, int32_t mode)
{
    BridgeRenderBlock &block = segmenter_.block;
    segmenter_.Begin(provider_, mode, outputs ? outputs[0] : nullptr, outputs ? outputs[1] : nullptr, frames);
    double quarters = 0.0;
    const auto *time = reinterpret_cast<const vst2::TimeInfo *>(
        callHost(vst2::hostGetTime, vst2::kTimeTempoValid | vst2::kTimePpqPosValid, nullptr));
    block.sampleRate = sampleRate_;
    if (time) {
        if (time->sampleRate >= 1.0)
            block.sampleRate = static_cast<int32_t>(time->sampleRate);
        if (time->flags & vst2::kTimeTempoValid)
            block.tempo = static_cast<float>(time->tempo);
        if ((time->flags & vst2::kTimePpqPosValid) && time->ppqPos > 0.0)
            quarters = time->ppqPos;
        const bool playing = (time->flags & vst2::kTimeTransportPlaying) != 0;
        if ((time->flags & vst2::kTimeTransportChanged) && playing != playing_) {
            playing_ = playing;
            if (playing)
                segmenter_.TransportStarted();
            else
                segmenter_.TransportStopped();
        }
    }
    // The position of the segment that starts at an event.
    const auto position = [&block, quarters](int32_t delta) {
        const double beats = block.sampleRate > 0 ? delta * block.tempo / (60.0 * block.sampleRate) : 0.0;
        return static_cast<int32_t>(std::trunc(960.0 * (quarters + beats)));
    };
    for (int i = 0; i < pendingCount_; ++i) {
        const PendingEvent &event = pending_[i];
        const EventPlace at = {event.deltaFrames, {}, position(event.deltaFrames)};
        switch (event.code) {
        case kBendEvent:
            segmenter_.Bend(event.value);
            break;
        case kModulationEvent:
            segmenter_.Modulation(event.value);
            break;
        case kPedalEvent:
            segmenter_.Pedal(at, event.value != 0);
            break;
        case kResetEvent:
            segmenter_.ResetControllers(at);
            break;
        default:
            segmenter_.Note(at, event.code, event.value);
            break;
        }
    }
    pendingCount_ = 0;
    segmenter_.End();
}

intptr_t VST2_CALL CBridgeVstEffect::dispatcherEntry(vst2::Effect *effect, int32_t opcode, int32_t index,
                                                     intptr_t value, void *ptr, float opt)
{
    CBridgeVstEffect *plugin = of(effect);
    return plugin ? plugin->dispatch(opcode, index, value, ptr, opt) : 0;
}

void VST2_CALL CBridgeVstEffect::processEntry(vst2::Effect *effect, float **, float **outputs, int32_t frames)
{
    if (CBridgeVstEffect *plugin = of(effect))
        plugin->render(outputs, frames, kModeAdd);
}

void VST2_CALL CBridgeVstEffect::processReplacingEntry(vst2::Effect *effect, float **, float **outputs,
                                                       int32_t frames)
{
    if (CBridgeVstEffect *plugin = of(effect))
        plugin->render(outputs, frames, kModeReplace);
}

void VST2_CALL CBridgeVstEffect::setParameterEntry(vst2::Effect *, int32_t, float) {}

float VST2_CALL CBridgeVstEffect::getParameterEntry(vst2::Effect *, int32_t)
{
    return 0.0f;
}

} // namespace Halvorin
