#include "outside/midiout/midi_out_synth.h"

#include <mmsystem.h>

#include <algorithm>
#include <cmath>
#include <cstring>

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

CMidiOutSynth::CMidiOutSynth()
{
    // The engine loaded the module by this name: this is the same one.
    module_ = LoadLibraryA("Velmarin.dll");
    if (module_) {
        auto entry = [this](const char *name) {
            return reinterpret_cast<void (*)()>(GetProcAddress(module_, name));
        };
        hold_ = reinterpret_cast<HoldProc>(entry("MIDIOutHoldPort"));
        release_ = reinterpret_cast<ReleaseProc>(entry("MIDIOutReleasePort"));
        short_ = reinterpret_cast<ShortProc>(entry("MIDIOutShortMessage"));
        portName_ = reinterpret_cast<NameProc>(entry("GetMIDIPortName"));
        if (!hold_ || !release_ || !short_ || !portName_)
            hold_ = nullptr;
    }
    wake_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (wake_)
        thread_ = CreateThread(nullptr, 0, &CMidiOutSynth::senderThread, this, 0, nullptr);
    if (thread_)
        SetThreadPriority(thread_, THREAD_PRIORITY_HIGHEST);
}

CMidiOutSynth::~CMidiOutSynth()
{
    stopping_ = true;
    if (thread_) {
        SetEvent(wake_);
        WaitForSingleObject(thread_, 5000);
        CloseHandle(thread_);
    }
    if (wake_)
        CloseHandle(wake_);
    releasePort();
    if (module_)
        FreeLibrary(module_);
}

void CMidiOutSynth::Destroy()
{
    delete this;
}

void CMidiOutSynth::Reset()
{
    pendingCount_ = 0;
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
    return index == 0 ? static_cast<float>(port_.load()) : 0.0f;
}

void CMidiOutSynth::SetParam(int index, float value)
{
    if (index != 0)
        return;
    const long port = std::lround(value);
    if (port == port_.load())
        return;
    releasePort();
    if (port < 0 || !hold_ || !hold_(port))
        return;
    const char *name = portName_(1, port);
    std::strncpy(name_, name ? name : "", sizeof name_ - 1);
    name_[sizeof name_ - 1] = '\0';
    port_ = port;
}

void CMidiOutSynth::releasePort()
{
    const long port = port_.exchange(-1);
    if (port >= 0 && release_)
        release_(port);
    std::strcpy(name_, "Tembri MIDI");
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
    if (!pendingCount_)
        return;
    uint32_t head = head_.load(std::memory_order_relaxed);
    const uint32_t tail = tail_.load(std::memory_order_acquire);
    for (int i = 0; i < pendingCount_; ++i) {
        // A full ring drops what does not fit rather than wait.
        if (head - tail >= static_cast<uint32_t>(kRingSize))
            break;
        ring_[head % kRingSize] = {pending_[i].message, start + 1000.0 * pending_[i].offset / rate};
        ++head;
    }
    pendingCount_ = 0;
    head_.store(head, std::memory_order_release);
    SetEvent(wake_);
}

DWORD WINAPI CMidiOutSynth::senderThread(void *self)
{
    // Waits as short as a millisecond, for messages a few apart.
    timeBeginPeriod(1);
    static_cast<CMidiOutSynth *>(self)->send();
    timeEndPeriod(1);
    return 0;
}

void CMidiOutSynth::send()
{
    while (!stopping_) {
        const uint32_t tail = tail_.load(std::memory_order_relaxed);
        if (tail == head_.load(std::memory_order_acquire)) {
            WaitForSingleObject(wake_, INFINITE);
            continue;
        }
        const Timed &next = ring_[tail % kRingSize];
        const double wait = next.due - now();
        if (wait >= 1.0) {
            // Later messages never come before this one.
            WaitForSingleObject(wake_, static_cast<DWORD>(wait));
            continue;
        }
        if (wait > 0.0) {
            Sleep(0);
            continue;
        }
        const long port = port_.load();
        if (port >= 0)
            short_(port, next.message);
        tail_.store(tail + 1, std::memory_order_release);
    }
}
