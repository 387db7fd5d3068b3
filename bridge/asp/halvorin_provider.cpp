#include "bridge/asp/halvorin_provider.h"

#include "bridge/asp/settings_page.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>

namespace Halvorin {

using Quorvane::ASPOPENPARAMS;

CHalvorinProvider::CHalvorinProvider()
{
    InitializeCriticalSection(&callbackLock_);
}

CHalvorinProvider::~CHalvorinProvider()
{
    DeleteCriticalSection(&callbackLock_);
}

int CHalvorinProvider::Open(ASPOPENPARAMS *params, const char *programName)
{
    if (!params || channel_ != -1)
        return 0;
    HalvorinChannel *shared = SharedChannel(params->port);
    // The channel's audio area holds one engine buffer of float stereo at
    // most; anything else would be read past the engine's buffers.
    if (!shared || params->bufferCount <= 0 || params->framesPerBuffer <= 0 ||
        params->framesPerBuffer > kAudioFrames || params->sampleFormat != Quorvane::kAspFloat ||
        !params->sampleBuffers || !params->bufferEvents)
        return 0;
    // Two programs opening the channel at once: one of them gets it. A
    // program that died without letting go holds it no longer.
    const HolderFields fields = ProgramFields(*shared);
    if (!TakeFreeHolder(fields, ThisProcess())) {
        const Holder holder = ProgramOf(*shared);
        if (HolderAlive(holder) || !ReplaceDeadProgram(*shared, holder, ThisProcess()))
            return 0;
    }
    channel_ = params->port;
    shared_ = shared;
    extra_ = &SharedExtra(channel_);
    bufferCount_ = params->bufferCount;
    framesPerBuffer_ = params->framesPerBuffer;
    bytesPerBuffer_ = framesPerBuffer_ * 8;
    nextIndex_ = 0;

    params->framesWanted = static_cast<int32_t *>(std::malloc(sizeof(int32_t) * bufferCount_));
    descriptors_ = new (std::nothrow) BufferDescriptor[bufferCount_];
    bool ok = params->framesWanted && descriptors_;
    if (ok) {
        // Ready before the thread can take a request.
        const auto *buffers = static_cast<const uint8_t *>(params->sampleBuffers);
        for (int j = 0; j < bufferCount_; ++j) {
            params->framesWanted[j] = 0;
            descriptors_[j] = {buffers + static_cast<size_t>(j) * bytesPerBuffer_, params->bufferEvents[j],
                               &params->framesWanted[j], 0};
        }
        request_ = OpenChannelEvent(kEventRequest, channel_);
        notify_ = OpenChannelEvent(kEventNotify, channel_);
        stop_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        ready_ = OpenChannelEvent(kEventReady, channel_);
        notifyReady_ = OpenChannelEvent(kEventNotifyReady, channel_);
        ok = request_ && notify_ && stop_ && ready_ && notifyReady_;
    }
    if (ok) {
        // What the host asked of a program before this one (a request that
        // raced its Release, or one the dead program left) is not this
        // program's to answer: the events go, and the numbers say it is
        // settled.
        ResetEvent(request_);
        ResetEvent(notify_);
        served_ = LoadShared(extra_->request);
        StoreShared(extra_->answer, served_);
        StoreShared(extra_->notified, LoadShared(extra_->notify));
        const char *name = programName ? programName : "";
        std::strncpy(shared_->programName, name, sizeof shared_->programName - 1);
        shared_->programName[sizeof shared_->programName - 1] = '\0';
        shared_->maxFramesPerRequest = framesPerBuffer_;
        thread_ = CreateThread(nullptr, 0, threadProc, this, CREATE_SUSPENDED, nullptr);
        ok = thread_ != nullptr;
    }
    if (!ok) {
        letGo();
        std::free(params->framesWanted);
        params->framesWanted = nullptr;
        return 0;
    }
    SetThreadPriority(thread_, THREAD_PRIORITY_TIME_CRITICAL);
    ResumeThread(thread_);
    return 1;
}

int CHalvorinProvider::Start()
{
    if (!shared_)
        return 0;
    LightReset(*shared_);
    // Answers an earlier program left set when no plug-in was waiting.
    ResetEvent(ready_);
    ResetEvent(notifyReady_);
    StoreShared(shared_->streaming, 1);
    return 1;
}

int CHalvorinProvider::BufferDone(int index)
{
    if (!shared_ || index < 0 || index >= bufferCount_)
        return 0;
    const BufferDescriptor &descriptor = descriptors_[index];
    const int wanted = *descriptor.framesCell;
    const int frames = wanted < 0 ? 0 : wanted > framesPerBuffer_ ? framesPerBuffer_ : wanted;
    // Only the frames asked for: the rest of the buffer is never read.
    std::memcpy(shared_->audio, descriptor.buffer, static_cast<size_t>(frames) * 8);
    shared_->framesInBuffer = frames;
    shared_->readPosition = 0;
    StoreShared(extra_->answer, descriptor.request);
    SetEvent(ready_);
    return 1;
}

void CHalvorinProvider::SetCallback(Quorvane::ASPNotifyProc callback, ULONG_PTR user)
{
    EnterCriticalSection(&callbackLock_);
    callback_ = callback;
    user_ = user;
    LeaveCriticalSection(&callbackLock_);
}

DWORD WINAPI CHalvorinProvider::threadProc(void *self)
{
    static_cast<CHalvorinProvider *>(self)->serve();
    return 0;
}

void CHalvorinProvider::serve()
{
    if (!SharedChannel(channel_))
        return;
    const HANDLE events[] = {request_, notify_, stop_};
    for (;;) {
        const DWORD woken = WaitForMultipleObjects(3, events, FALSE, INFINITE);
        if (woken != WAIT_OBJECT_0 && woken != WAIT_OBJECT_0 + 1)
            return;
        // Before the numbers are read: a hand-off numbered after them sets
        // it again.
        ResetEvent(events[woken - WAIT_OBJECT_0]);
        // A request carries the notification numbered before it: the
        // callback runs before the engine renders the request's audio.
        notifyProgram();
        if (woken == WAIT_OBJECT_0 + 1)
            SetEvent(notifyReady_);
        askBuffer();
    }
}

void CHalvorinProvider::askBuffer()
{
    const uint32_t request = LoadShared(extra_->request);
    if (request == served_)
        return;
    served_ = request;
    BufferDescriptor &descriptor = descriptors_[nextIndex_];
    descriptor.request = request;
    *descriptor.framesCell = shared_->framesWanted;
    SetEvent(descriptor.event);
    if (++nextIndex_ >= bufferCount_)
        nextIndex_ = 0;
}

void CHalvorinProvider::notifyProgram()
{
    const uint32_t notification = LoadShared(extra_->notify);
    if (notification == extra_->notified)
        return;
    EnterCriticalSection(&callbackLock_);
    const Quorvane::ASPNotifyProc callback = callback_;
    const ULONG_PTR user = user_;
    LeaveCriticalSection(&callbackLock_);
    if (callback)
        callback(user, shared_->pendingNote, shared_->pendingPosition, shared_->pendingTempo,
                 shared_->pendingBend, shared_->pendingMod);
    shared_->pendingNote = kNoteNothing;
    shared_->pendingPosition = 0;
    shared_->pendingTempo = -1.0f;
    shared_->pendingBend = kUnchanged;
    shared_->pendingMod = kUnchanged;
    StoreShared(extra_->notified, notification);
}

void CHalvorinProvider::letGo()
{
    if (shared_)
        StoreShared(shared_->streaming, 0);
    SetCallback(nullptr, 0);
    if (thread_) {
        SetEvent(stop_);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    delete[] descriptors_;
    descriptors_ = nullptr;
    bufferCount_ = framesPerBuffer_ = bytesPerBuffer_ = 0;
    if (shared_) {
        GiveUpHolder(ProgramFields(*shared_), ThisProcess());
        LightReset(*shared_);
    }
    for (HANDLE *event : {&request_, &notify_, &stop_}) {
        if (*event)
            CloseHandle(*event);
        *event = nullptr;
    }
    // A plug-in waiting on either is let go before they close.
    for (HANDLE *event : {&ready_, &notifyReady_}) {
        if (*event) {
            SetEvent(*event);
            CloseHandle(*event);
        }
        *event = nullptr;
    }
    channel_ = -1;
    shared_ = nullptr;
    extra_ = nullptr;
}

void CHalvorinProvider::Release()
{
    CloseSettings();
    letGo();
    delete this;
}

int CHalvorinProvider::ShowSettings(Quorvane::ASPSETTINGS *settings)
{
    if (settings_)
        return 1;
    if (!settings)
        return 0;
    settings_ = CHalvorinSettingsPage::Create(*settings);
    return settings_ != nullptr;
}

int CHalvorinProvider::GetSettings(Quorvane::ASPSETTINGS *settings)
{
    return settings_ && settings ? settings_->Read(*settings) : 0;
}

int CHalvorinProvider::CloseSettings()
{
    if (!settings_)
        return 0;
    delete settings_;
    settings_ = nullptr;
    return 1;
}

} // namespace Halvorin
