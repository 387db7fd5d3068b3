#include "outside/vst/vst_plugin_host.h"

#include "data/seekable_stream.h"
#include "data/tembri_song.h"
#include "outside/vst/vst_host_answers.h"
#include "sound/equipment/plugin_guard.h"

#include <algorithm>
#include <cstring>

namespace Quorvane {

namespace {

// The saved state's forms: the plug-in's own block, or its parameters.
constexpr uint32_t kStateChunk = 1;
constexpr uint32_t kStateParameters = 2;

// What reaches the host through its windows.
enum : WPARAM {
    kTellFault = 1,
    kEditorIdle = 2,
    kCloseEditor = 3,
};

// How often an open editor gets its idle call, in milliseconds.
constexpr UINT kEditorIdleInterval = 50;

intptr_t Dispatch(vst2::Effect *effect, int32_t opcode, int32_t index = 0, intptr_t value = 0,
                  void *ptr = nullptr, float opt = 0.0f)
{
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

} // namespace

template <typename Call> bool VstPluginHost::guarded(Call &call, const char *doing)
{
    if (faulted_)
        return false;
    const GuardedRun run = RunGuarded([](void *context) { (*static_cast<Call *>(context))(); }, &call);
    if (run == GuardedRun::Returned)
        return true;
    // A crashed plug-in's code stopped halfway: its library stays loaded.
    if (run == GuardedRun::Crashed)
        crashed_ = true;
    if (faulted_.exchange(true) || !tellFaults_)
        return false;
    // Told by the window thread; a render thread only posts.
    faultCrashed_ = run == GuardedRun::Crashed;
    faultDoing_ = doing;
    std::memcpy(faultName_, name_, sizeof faultName_);
    notices_.Post(kTellFault);
    return false;
}

VstPluginHost::VstPluginHost(ChangedProc changed, void *owner) : changed_(changed), owner_(owner)
{
    midi_.resize(kMaxEvents);
    eventList_.resize(sizeof(vst2::Events) + kMaxEvents * sizeof(vst2::Event *));
    auto *list = reinterpret_cast<vst2::Events *>(eventList_.data());
    for (int i = 0; i < kMaxEvents; ++i)
        list->events[i] = reinterpret_cast<vst2::Event *>(&midi_[i]);
    notices_.Create(this);
    readSongTime(songTime_, 0);
}

VstPluginHost::~VstPluginHost()
{
    Close();
    notices_.Destroy(kWindowThreadBound);
}

bool VstPluginHost::Open(const std::string &path, bool instrument)
{
    Close();
    // The plug-in's own libraries are found beside it.
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module)
        return false;
    const auto entry = reinterpret_cast<vst2::EntryProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, vst2::kEntryName)));
    if (!entry) {
        FreeLibrary(module);
        return false;
    }
    CriticalSectionGuard locked(lock_);
    module_ = module;
    faulted_ = crashed_ = false;
    vst2::Effect *effect = nullptr;
    auto open = [&] {
        effect = entry(&VstPluginHost::Callback);
        if (!effect || effect->magic != vst2::kEffectMagic || !effect->dispatcher)
            return;
        effect->user = this;
        Dispatch(effect, vst2::effIdentify);
        Dispatch(effect, vst2::effSetSampleRate, 0, 0, nullptr, rate_);
        Dispatch(effect, vst2::effSetBlockSize, 0, frames_);
        Dispatch(effect, vst2::effOpen);
    };
    const bool opened = guarded(open, "while it was opened") && effect &&
                        effect->magic == vst2::kEffectMagic && effect->dispatcher;
    const bool wanted = opened && effect->processReplacing &&
                        ((effect->flags & vst2::effFlagsIsSynth) != 0) == instrument &&
                        effect->numOutputs > 0;
    if (!wanted) {
        if (opened) {
            auto close = [&] { Dispatch(effect, vst2::effClose); };
            guarded(close, "while it was closed");
        }
        if (!crashed_)
            FreeLibrary(module_);
        module_ = nullptr;
        faulted_ = crashed_ = false;
        return false;
    }
    effect_ = effect;
    instrument_ = instrument;
    path_ = path;
    std::memset(name_, 0, sizeof name_);
    auto name = [&] { Dispatch(effect, vst2::effGetEffectName, 0, 0, name_); };
    guarded(name, "while it was opened");
    name_[vst2::kMaxEffectNameLength] = '\0';
    if (!name_[0]) {
        const size_t slash = path.find_last_of("\\/");
        std::strncpy(name_, path.c_str() + (slash == std::string::npos ? 0 : slash + 1),
                     vst2::kMaxEffectNameLength);
    }
    applyFormat();
    tellFaults_ = !faulted_;
    return !faulted_;
}

void VstPluginHost::Close()
{
    tellFaults_ = false;
    // An editor its thread did not close in time keeps its windows and the
    // plug-in's code, cut from this host.
    bool editorLeft = false;
    if (editorOpen_ && !CloseEditor()) {
        editor_.Destroy(0);
        editorOpen_ = false;
        editorLeft = true;
    }
    CriticalSectionGuard locked(lock_);
    if (effect_ && editorLeft) {
        // Its windows' questions get the answers of no host.
        effect_->user = nullptr;
    } else if (effect_ && !faulted_) {
        vst2::Effect *effect = effect_;
        auto close = [&] {
            Dispatch(effect, vst2::effMainsChanged, 0, 0);
            Dispatch(effect, vst2::effClose);
        };
        guarded(close, "while it was closed");
    }
    if (module_ && !crashed_ && !editorLeft)
        FreeLibrary(module_);
    module_ = nullptr;
    effect_ = nullptr;
    path_.clear();
    name_[0] = '\0';
}

void VstPluginHost::SetFormat(float rate, int frames)
{
    CriticalSectionGuard locked(lock_);
    if (rate > 0.0f)
        rate_ = rate;
    frames_ = std::max(frames, 1);
    if (effect_)
        applyFormat();
}

void VstPluginHost::applyFormat()
{
    vst2::Effect *effect = effect_;
    const float rate = rate_;
    const int frames = frames_;
    auto format = [&] {
        Dispatch(effect, vst2::effMainsChanged, 0, 0);
        Dispatch(effect, vst2::effSetSampleRate, 0, 0, nullptr, rate);
        Dispatch(effect, vst2::effSetBlockSize, 0, frames);
        Dispatch(effect, vst2::effMainsChanged, 0, 1);
    };
    if (!guarded(format, "while the sample rate or block size changed"))
        return;
    resizeBuffers();
}

void VstPluginHost::resizeBuffers()
{
    const auto size = static_cast<size_t>(frames_.load());
    inputs_.assign(static_cast<size_t>(std::max(effect_->numInputs, 0)), std::vector<float>(size));
    outputs_.assign(static_cast<size_t>(std::max(effect_->numOutputs, 0)), std::vector<float>(size));
    inputPointers_.clear();
    outputPointers_.clear();
    for (auto &channel : inputs_)
        inputPointers_.push_back(channel.data());
    for (auto &channel : outputs_)
        outputPointers_.push_back(channel.data());
    // Plug-ins may look at the arrays even without channels.
    inputPointers_.push_back(nullptr);
    outputPointers_.push_back(nullptr);
}

void VstPluginHost::Transport(long code, long tick)
{
    // A start or a jump of the loop: the position from the next block on.
    if (code == 0 || code == 2) {
        playing_ = true;
        startAt_ = song_ ? song_->SongGetSampleFromTime(tick) : 0;
    } else if (code == 1) {
        playing_ = false;
    }
}

void VstPluginHost::QueueMidi(const uint8_t *message, int offset)
{
    if (!message || message[0] < 0x80 || message[0] >= 0xF0)
        return;
    const int kind = message[0] & 0xF0;
    const bool noteOn = kind == 0x90 && message[2] != 0;
    const bool noteOff = kind == 0x80 || (kind == 0x90 && message[2] == 0);
    uint8_t &owed = owed_[message[0] & 0x0F][message[1] & 0x7F];
    if (noteOff && owed > 0) {
        // Its room was kept when its note-on was let through.
        --owed;
        --owedCount_;
    } else {
        const int room = kMaxEvents - queued_ - owedCount_;
        if (room < (noteOn ? 2 : 1) || (noteOn && owed == UINT8_MAX))
            return;
        if (noteOn) {
            ++owed;
            ++owedCount_;
        }
    }
    vst2::MidiEvent &event = midi_[static_cast<size_t>(queued_++)];
    event = {};
    event.type = vst2::kEventMidi;
    event.byteSize = sizeof(vst2::MidiEvent);
    event.deltaFrames = std::clamp(offset, 0, frames_ - 1);
    for (int i = 0; i < 3; ++i)
        event.midiData[i] = static_cast<char>(message[i]);
}

void VstPluginHost::keepEventsForNextBlock()
{
    for (int i = 0; i < queued_; ++i)
        midi_[static_cast<size_t>(i)].deltaFrames = 0;
}

void VstPluginHost::dropEvents()
{
    queued_ = 0;
    std::memset(owed_, 0, sizeof owed_);
    owedCount_ = 0;
}

bool VstPluginHost::Render(float *buffer, int frames, bool add, const float *input)
{
    const int64_t start = startAt_.exchange(kNoStart);
    if (start != kNoStart)
        position_ = start;
    if (song_ && songTimeLock_.tryLock()) {
        readSongTime(songTime_, position_);
        songTimeLock_.unlock();
    }
    bool sound = false;
    if (!buffer || frames <= 0 || !lock_.tryLock()) {
        // The window thread has the plug-in (its state, format or opening):
        // the block's events sound from the start of the next one.
        keepEventsForNextBlock();
    } else {
        sound = renderLocked(buffer, frames, add, input);
        lock_.unlock();
    }
    position_ = position_ + std::max(frames, 0);
    return sound;
}

bool VstPluginHost::renderLocked(float *buffer, int frames, bool add, const float *input)
{
    if (!effect_ || faulted_) {
        dropEvents();
        return false;
    }
    frames = std::min(frames, frames_.load());
    for (size_t c = 0; c < inputs_.size(); ++c) {
        float *channel = inputs_[c].data();
        for (int i = 0; i < frames; ++i) {
            // A mono input takes both sides; a third and further take
            // nothing.
            float value = 0.0f;
            if (input && inputs_.size() == 1)
                value = 0.5f * (input[2 * i] + input[2 * i + 1]);
            else if (input && c < 2)
                value = input[2 * i + c];
            channel[i] = value;
        }
    }
    vst2::Effect *effect = effect_;
    auto *list = reinterpret_cast<vst2::Events *>(eventList_.data());
    list->numEvents = queued_;
    float **ins = inputPointers_.data();
    float **outs = outputPointers_.data();
    auto process = [&] {
        if (list->numEvents)
            Dispatch(effect, vst2::effProcessEvents, 0, 0, list);
        effect->processReplacing(effect, ins, outs, frames);
    };
    renderThread_ = GetCurrentThreadId();
    const bool ran = guarded(process, "while rendering");
    renderThread_ = 0;
    if (!ran) {
        dropEvents();
        return false;
    }
    queued_ = 0;
    bool sound = false;
    const size_t channels = outputs_.size();
    for (int i = 0; i < frames; ++i) {
        // Even channels to the left, odd ones to the right; a mono plug-in
        // sounds on both.
        float left = 0.0f, right = 0.0f;
        for (size_t c = 0; c < channels; ++c)
            (c % 2 ? right : left) += outputs_[c][static_cast<size_t>(i)];
        if (channels == 1)
            right = left;
        sound = sound || left != 0.0f || right != 0.0f;
        if (add) {
            buffer[2 * i] += left;
            buffer[2 * i + 1] += right;
        } else {
            buffer[2 * i] = left;
            buffer[2 * i + 1] = right;
        }
    }
    return sound;
}

void VstPluginHost::SaveState(Seekable::OutputStream *out)
{
    CriticalSectionGuard locked(lock_);
    if (!out || !effect_ || faulted_)
        return;
    vst2::Effect *effect = effect_;
    if (effect->flags & vst2::effFlagsProgramChunks) {
        void *data = nullptr;
        intptr_t size = 0;
        auto chunk = [&] { size = Dispatch(effect, vst2::effGetChunk, 0, 0, &data); };
        if (!guarded(chunk, "while its state was saved") || size < 0 || (size > 0 && !data))
            return;
        out->writeUInt32(kStateChunk);
        out->writeUInt32(static_cast<uint32_t>(size));
        out->writeBytes(data, static_cast<uint32_t>(size));
        return;
    }
    const int32_t count = std::max(effect->numParams, 0);
    std::vector<float> values(static_cast<size_t>(count));
    auto parameters = [&] {
        for (int32_t i = 0; i < count; ++i)
            values[static_cast<size_t>(i)] = effect->getParameter(effect, i);
    };
    if (count && (!effect->getParameter || !guarded(parameters, "while its state was saved")))
        return;
    out->writeUInt32(kStateParameters);
    out->writeUInt32(static_cast<uint32_t>(count));
    for (float value : values)
        out->writeFloat(value);
}

void VstPluginHost::LoadState(Seekable::InputStream *in)
{
    CriticalSectionGuard locked(lock_);
    if (!in || !effect_ || faulted_)
        return;
    uint32_t form = 0, count = 0;
    if (!in->read(form) || !in->read(count))
        return;
    // No more than the stream holds.
    const uint32_t left = in->length() - in->tell();
    vst2::Effect *effect = effect_;
    if (form == kStateChunk && (effect->flags & vst2::effFlagsProgramChunks) && count <= left) {
        std::vector<char> data(count);
        if (in->readBytes(data.data(), count) != count)
            return;
        auto chunk = [&] {
            Dispatch(effect, vst2::effSetChunk, 0, static_cast<intptr_t>(count), data.data());
        };
        guarded(chunk, "while its state was loaded");
    } else if (form == kStateParameters && count <= left / sizeof(float) && effect->setParameter) {
        std::vector<float> values(count);
        for (float &value : values)
            if (!in->read(value))
                return;
        const uint32_t known = std::min(count, static_cast<uint32_t>(std::max(effect->numParams, 0)));
        auto parameters = [&] {
            for (uint32_t i = 0; i < known; ++i)
                effect->setParameter(effect, static_cast<int32_t>(i), values[i]);
        };
        guarded(parameters, "while its state was loaded");
    }
}

void VstPluginHost::EditorSize(int *width, int *height)
{
    int w = 0, h = 0;
    if (effect_ && !faulted_ && (effect_->flags & vst2::effFlagsHasEditor)) {
        vst2::Effect *effect = effect_;
        vst2::EditorRect *rect = nullptr;
        auto ask = [&] { Dispatch(effect, vst2::effEditGetRect, 0, 0, &rect); };
        if (guarded(ask, "in its editor") && rect) {
            w = rect->right - rect->left;
            h = rect->bottom - rect->top;
        }
    }
    if (width)
        *width = w;
    if (height)
        *height = h;
}

bool VstPluginHost::OpenEditor(HWND parent)
{
    if (!effect_ || faulted_ || !(effect_->flags & vst2::effFlagsHasEditor) || !parent)
        return false;
    if (editorOpen_)
        return true;
    // Its idle calls and its closing from other threads go through a
    // window of the editor's thread.
    if (!editor_.Create(this))
        return false;
    vst2::Effect *effect = effect_;
    auto open = [&] { Dispatch(effect, vst2::effEditOpen, 0, 0, parent); };
    if (!guarded(open, "in its editor")) {
        editor_.Destroy(0);
        return false;
    }
    editorOpen_ = true;
    editor_.StartTimer(kEditorIdleInterval, kEditorIdle);
    return true;
}

bool VstPluginHost::CloseEditor()
{
    if (!editorOpen_)
        return false;
    if (editor_.OnItsThread()) {
        closeEditorHere();
        return true;
    }
    return editor_.Call(kCloseEditor, kWindowThreadBound);
}

void VstPluginHost::closeEditorHere()
{
    if (!editorOpen_)
        return;
    editorOpen_ = false;
    if (effect_ && !faulted_) {
        vst2::Effect *effect = effect_;
        auto close = [&] { Dispatch(effect, vst2::effEditClose); };
        guarded(close, "in its editor");
    }
    editor_.Destroy(0);
}

void VstPluginHost::WindowMessage(WPARAM what, std::string &text, std::string &caption)
{
    switch (what) {
    case kEditorIdle:
        if (editorOpen_ && effect_ && !faulted_) {
            vst2::Effect *effect = effect_;
            auto idle = [&] { Dispatch(effect, vst2::effEditIdle); };
            guarded(idle, "in its editor");
        }
        break;
    case kCloseEditor:
        closeEditorHere();
        break;
    case kTellFault:
        caption = instrument_ ? "Tembri VSTi" : "Tembri VST";
        text = std::string("The VST ") + (instrument_ ? "instrument" : "effect") + " \"" + faultName_ +
               "\" " + (faultCrashed_ ? "crashed" : "threw an exception") + " " + faultDoing_.load() +
               " and was stopped.\n\n" +
               (instrument_ ? "Its output stays silent until the instrument is chosen again."
                            : "The bus plays on without it until the effect is chosen again.");
        break;
    default:
        break;
    }
}

bool VstPluginHost::onRenderThread() const
{
    const DWORD thread = renderThread_;
    return thread && thread == GetCurrentThreadId();
}

vst2::TimeInfo &VstPluginHost::threadRecord()
{
    CriticalSectionGuard guard(threadTimesLock_);
    for (ThreadTime &record : threadTimes_)
        if (record.thread == GetCurrentThreadId())
            return record.time;
    ThreadTime &record = threadTimes_[nextThreadTime_];
    nextThreadTime_ = (nextThreadTime_ + 1) % kTimeThreads;
    record.thread = GetCurrentThreadId();
    return record.time;
}

vst2::TimeInfo *VstPluginHost::timeInfo()
{
    // The plug-in may read the record it is handed until it asks again on
    // the same thread: the render thread has the host's own, every other
    // thread (the editor's, the plug-in's own) one of its own.
    const bool rendering = onRenderThread();
    vst2::TimeInfo &time = rendering ? renderTime_ : threadRecord();
    const int64_t start = startAt_;
    const int64_t position = start != kNoStart ? start : position_.load();
    if (rendering) {
        readSongTime(time, position);
    } else {
        // As the song was at the last block.
        CriticalSectionGuard guard(songTimeLock_);
        time = songTime_;
    }
    time.sampleRate = rate_;
    time.samplePos = static_cast<double>(position);
    time.flags &= ~vst2::kTimeTransportPlaying;
    if (playing_)
        time.flags |= vst2::kTimeTransportPlaying;
    return &time;
}

void VstPluginHost::readSongTime(vst2::TimeInfo &time, int64_t position) const
{
    time = {};
    time.tempo = 120.0;
    time.timeSigNumerator = 4;
    time.timeSigDenominator = 4;
    time.flags = vst2::kTimeTempoValid | vst2::kTimeSigValid;
    if (!song_)
        return;
    const long perQuarter = song_->SongGetTimeBase();
    const float tempo = song_->SongGetTempoNow();
    if (tempo > 0.0f)
        time.tempo = tempo;
    const long tick = song_->SongGetTimeFromSample(position);
    QUICKMETER meter;
    if (song_->SongGetMeterByIndex(song_->SongGetMeterIndexAtTime(tick), meter) && meter.ticksPerBar > 0) {
        time.timeSigNumerator = static_cast<int32_t>(meter.numerator);
        time.timeSigDenominator = 1 << std::clamp<long>(meter.power, 0, 6);
        if (perQuarter > 0) {
            const long barStart =
                meter.startTick +
                (std::max(tick - meter.startTick, 0L) / meter.ticksPerBar) * meter.ticksPerBar;
            time.barStartPos = static_cast<double>(barStart) / perQuarter;
            time.flags |= vst2::kTimeBarsValid;
        }
    }
    if (perQuarter > 0) {
        time.ppqPos = static_cast<double>(tick) / perQuarter;
        time.flags |= vst2::kTimePpqPosValid;
    }
}

intptr_t VstPluginHost::answer(int32_t opcode, int32_t index, intptr_t, void *ptr, float)
{
    const bool rendering = onRenderThread();
    switch (opcode) {
    case vst2::hostAutomate:
    case vst2::hostEndEdit:
    case vst2::hostUpdateDisplay:
        // The user changed the plug-in: the song is modified. Changes the
        // plug-in makes while it renders are its own.
        if (!rendering && changed_)
            changed_(owner_);
        (void)index;
        return 1;
    case vst2::hostBeginEdit:
        return 1;
    case vst2::hostGetTime:
        return reinterpret_cast<intptr_t>(timeInfo());
    case vst2::hostTempoAt:
        return static_cast<intptr_t>(timeInfo()->tempo * 10000.0);
    case vst2::hostGetSampleRate:
        return static_cast<intptr_t>(rate_.load());
    case vst2::hostGetBlockSize:
        return frames_;
    case vst2::hostGetCurrentProcessLevel:
        return rendering ? 2 : 1;
    default:
        return AnswerAnyHostQuestion(opcode, ptr);
    }
}

intptr_t VST2_CALL VstPluginHost::Callback(vst2::Effect *effect, int32_t opcode, int32_t index,
                                           intptr_t value, void *ptr, float opt)
{
    // Before the plug-in is ours (inside its entry) it has no host object.
    auto *host = effect ? static_cast<VstPluginHost *>(effect->user) : nullptr;
    return host ? host->answer(opcode, index, value, ptr, opt) : AnswerAnyHostQuestion(opcode, ptr);
}

} // namespace Quorvane
