#include "outside/midiout/midi_out_synth.h"

#include <mmsystem.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

using namespace Quorvane;

namespace {

// Messages that never leave the engine: the song's own codes on system
// status bytes, and the SysEx bytes a packed message cannot hold.
bool IsForThePort(uint8_t status)
{
    if (status < 0x80)
        return false;
    switch (status) {
    case 0xF0:
    case 0xF4:
    case 0xF5:
    case 0xF7:
    case 0xF9:
    case 0xFD:
        return false;
    default:
        return true;
    }
}

} // namespace

struct CMidiOutSynth::Shared {
    using HoldProc = int (*)(long index);
    using ReleaseProc = void (*)(long index);
    using ShortProc = int (*)(long index, unsigned long message);
    using NameProc = char *(*)(int direction, long index);

    Shared()
    {
        // The engine loaded the module by this name: this is the same one.
        module = LoadLibraryA("Velmarin.dll");
        if (module) {
            auto entry = [this](const char *name) {
                return reinterpret_cast<void (*)()>(GetProcAddress(module, name));
            };
            hold = reinterpret_cast<HoldProc>(entry("MIDIOutHoldPort"));
            release = reinterpret_cast<ReleaseProc>(entry("MIDIOutReleasePort"));
            send = reinterpret_cast<ShortProc>(entry("MIDIOutShortMessage"));
            portName = reinterpret_cast<NameProc>(entry("GetMIDIPortName"));
            if (!hold || !release || !send || !portName)
                hold = nullptr;
        }
        wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    }

    void releasePort()
    {
        const long held = port.exchange(-1);
        if (held >= 0 && release)
            release(held);
    }

    // The last owner lets go of the port and the module.
    void letGo()
    {
        if (owners.fetch_sub(1) != 1)
            return;
        releasePort();
        if (wake)
            CloseHandle(wake);
        if (module)
            FreeLibrary(module);
        delete this;
    }

    // The sender's loop, until it is told to stop.
    void sendUntilStopped();

    HMODULE module = nullptr;
    HoldProc hold = nullptr;
    ReleaseProc release = nullptr;
    ShortProc send = nullptr;
    NameProc portName = nullptr;
    std::atomic<long> port{-1};

    // Single producer (the render thread), single consumer (the sender).
    struct Timed {
        uint32_t message;
        double due;
    };
    Timed ring[kRingSize];
    std::atomic<uint32_t> head{0}; // next to write
    std::atomic<uint32_t> tail{0}; // next to send
    HANDLE wake = nullptr;
    std::atomic<bool> stopping{false};
    std::atomic<int> owners{1};
    // This module, held by the sender while it runs.
    HMODULE self = nullptr;
};

CMidiOutSynth::CMidiOutSynth()
{
    shared_ = new (std::nothrow) Shared;
    if (!shared_ || !shared_->wake)
        return;
    // The sender's code stays loaded while it runs, even after the engine
    // has freed this module behind an output that did not wait for it.
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                       reinterpret_cast<LPCSTR>(&CMidiOutSynth::senderThread), &shared_->self);
    shared_->owners = 2;
    thread_ = CreateThread(nullptr, 0, &CMidiOutSynth::senderThread, shared_, 0, nullptr);
    if (thread_) {
        SetThreadPriority(thread_, THREAD_PRIORITY_HIGHEST);
        return;
    }
    shared_->owners = 1;
    if (shared_->self)
        FreeLibrary(shared_->self);
}

CMidiOutSynth::~CMidiOutSynth()
{
    if (!shared_)
        return;
    shared_->stopping = true;
    if (thread_) {
        SetEvent(shared_->wake);
        // A sender that does not stop in time still owns what it uses and
        // lets go of it when it ends.
        WaitForSingleObject(thread_, kSenderStopMilliseconds);
        CloseHandle(thread_);
    }
    shared_->letGo();
}

void CMidiOutSynth::Destroy()
{
    delete this;
}

void CMidiOutSynth::Reset()
{
    pendingCount_ = 0;
}

bool CMidiOutSynth::HasModule() const
{
    return shared_ && shared_->module;
}

void CMidiOutSynth::GetEditorSize(int *width, int *height)
{
    if (width)
        *width = 0;
    if (height)
        *height = 0;
}

const char *CMidiOutSynth::GetName()
{
    return name_;
}

float CMidiOutSynth::GetParam(int index)
{
    if (index != 0)
        return 0.0f;
    return shared_ ? static_cast<float>(shared_->port.load()) : -1.0f;
}

void CMidiOutSynth::SetParam(int index, float value)
{
    if (index != 0 || !shared_)
        return;
    const long port = std::lround(value);
    if (port == shared_->port.load())
        return;
    shared_->releasePort();
    std::strcpy(name_, "Tembri MIDI");
    if (port < 0 || !shared_->hold || !shared_->hold(port))
        return;
    const char *name = shared_->portName(1, port);
    std::strncpy(name_, name ? name : "", sizeof name_ - 1);
    name_[sizeof name_ - 1] = '\0';
    shared_->port = port;
}

void CMidiOutSynth::MidiIn(const uint8_t *message, int offset)
{
    if (!message || !IsForThePort(message[0]) || pendingCount_ >= static_cast<int>(std::size(pending_)))
        return;
    uint32_t packed = 0;
    std::memcpy(&packed, message, sizeof packed);
    pending_[pendingCount_++] = {packed, std::max(offset, 0)};
}

bool CMidiOutSynth::RenderAdding(float **buffer, int frames)
{
    noteOutput(buffer, frames);
    endBlock(frames);
    return false;
}

bool CMidiOutSynth::RenderReplacing(float **buffer, int frames)
{
    noteOutput(buffer, frames);
    endBlock(frames);
    return false;
}

double CMidiOutSynth::now()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void CMidiOutSynth::endBlock(int frames)
{
    const double rate = sampleRate > 0.0f ? sampleRate : 44100.0;
    // Blocks follow each other in time; the first after a pause, or one
    // too far ahead, starts now.
    const double current = now();
    const double start =
        nextBlock_ < current || nextBlock_ > current + kMaxLeadMilliseconds ? current : nextBlock_;
    nextBlock_ = start + 1000.0 * std::max(frames, 0) / rate;
    if (!pendingCount_ || !thread_) {
        pendingCount_ = 0;
        return;
    }
    Shared &shared = *shared_;
    uint32_t head = shared.head.load(std::memory_order_relaxed);
    const uint32_t tail = shared.tail.load(std::memory_order_acquire);
    for (int i = 0; i < pendingCount_; ++i) {
        // A full ring drops what does not fit rather than wait.
        if (head - tail >= static_cast<uint32_t>(kRingSize))
            break;
        shared.ring[head % kRingSize] = {pending_[i].message, start + 1000.0 * pending_[i].offset / rate};
        ++head;
    }
    pendingCount_ = 0;
    shared.head.store(head, std::memory_order_release);
    SetEvent(shared.wake);
}

DWORD WINAPI CMidiOutSynth::senderThread(void *context)
{
    auto *shared = static_cast<Shared *>(context);
    const HMODULE self = shared->self;
    // Waits as short as a millisecond, for messages a few apart.
    timeBeginPeriod(1);
    shared->sendUntilStopped();
    timeEndPeriod(1);
    shared->letGo();
    if (self)
        FreeLibraryAndExitThread(self, 0);
    return 0;
}

void CMidiOutSynth::Shared::sendUntilStopped()
{
    while (!stopping) {
        const uint32_t next = tail.load(std::memory_order_relaxed);
        if (next == head.load(std::memory_order_acquire)) {
            WaitForSingleObject(wake, INFINITE);
            continue;
        }
        const Timed &timed = ring[next % kRingSize];
        const double wait = timed.due - now();
        if (wait >= 1.0) {
            // Later messages never come before this one.
            WaitForSingleObject(wake, static_cast<DWORD>(wait));
            continue;
        }
        if (wait > 0.0) {
            Sleep(0);
            continue;
        }
        const long held = port.load();
        if (held >= 0)
            send(held, timed.message);
        tail.store(next + 1, std::memory_order_release);
    }
}
