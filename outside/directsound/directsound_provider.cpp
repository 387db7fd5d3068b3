#include "outside/directsound/directsound_provider.h"

#include <mmreg.h>
#include <ks.h>
#include <ksmedia.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

using Quorvane::ASPOPENPARAMS;

namespace {

std::atomic<int> lastOpenSilent{0};

} // namespace

int DirectSoundPlaysSilent()
{
    return lastOpenSilent.load();
}

DirectSoundProvider::DirectSoundProvider(const DSCAPTURE *captureSettings, const std::string &capturePath)
{
    if (captureSettings) {
        capturing = true;
        settings = *captureSettings;
    }
    if (!capturePath.empty())
        settings.wavePath = _strdup(capturePath.c_str());
}

DirectSoundProvider::~DirectSoundProvider()
{
    std::free(const_cast<char *>(settings.wavePath));
}

uint8_t *DirectSoundProvider::buffer(int i) const
{
    return static_cast<uint8_t *>(block->sampleBuffers) +
           static_cast<size_t>(i) * bytesPerFrame * static_cast<size_t>(block->framesPerBuffer);
}

int DirectSoundProvider::Open(ASPOPENPARAMS *params, const char *)
{
    if (!params || block || params->bufferCount != kBuffers || params->framesPerBuffer <= 0 ||
        params->sampleRate <= 0 || !params->sampleBuffers || !params->bufferEvents)
        return 0;
    bytesPerFrame = 2 * Quorvane::AspBytesPerSample(params->sampleFormat);
    if (!bytesPerFrame)
        return 0;
    block = params;
    block->framesWanted = static_cast<int32_t *>(std::calloc(kBuffers, sizeof(int32_t)));
    stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    bool ok = block->framesWanted && stopEvent;
    for (HANDLE &done : doneEvents)
        ok = ok && (done = CreateEventA(nullptr, FALSE, FALSE, nullptr)) != nullptr;
    if (ok && capturing && settings.wavePath)
        ok = file.Open(settings.wavePath, block->sampleRate, block->sampleFormat);
    const bool paced = !(capturing && settings.unpaced);
    if (ok) {
        lastOpenSilent = paced && !openDevice() ? 1 : 0;
        return 1;
    }
    std::free(block->framesWanted);
    block->framesWanted = nullptr;
    Release();
    return 0;
}

bool DirectSoundProvider::openDevice()
{
    WAVEFORMATEXTENSIBLE format = {};
    const bool isFloat = block->sampleFormat == Quorvane::kAspFloat;
    format.Format.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
    format.Format.nChannels = 2;
    format.Format.nSamplesPerSec = static_cast<DWORD>(block->sampleRate);
    format.Format.wBitsPerSample = static_cast<WORD>(isFloat ? 32 : block->sampleFormat);
    format.Format.nBlockAlign = static_cast<WORD>(bytesPerFrame);
    format.Format.nAvgBytesPerSec = format.Format.nSamplesPerSec * format.Format.nBlockAlign;
    format.Format.cbSize = sizeof format - sizeof format.Format;
    format.Samples.wValidBitsPerSample = format.Format.wBitsPerSample;
    format.dwChannelMask = SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT;
    format.SubFormat = isFloat ? KSDATAFORMAT_SUBTYPE_IEEE_FLOAT : KSDATAFORMAT_SUBTYPE_PCM;
    deviceEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    const UINT id = block->port > 0 ? static_cast<UINT>(block->port - 1) : WAVE_MAPPER;
    if (!deviceEvent || waveOutOpen(&device, id, &format.Format, reinterpret_cast<DWORD_PTR>(deviceEvent), 0,
                                    CALLBACK_EVENT) != MMSYSERR_NOERROR) {
        device = nullptr;
        closeDevice();
        return false;
    }
    for (int i = 0; i < kBuffers; ++i) {
        headers[i] = {};
        headers[i].lpData = reinterpret_cast<LPSTR>(buffer(i));
        headers[i].dwBufferLength = static_cast<DWORD>(bytesPerFrame) * block->framesPerBuffer;
        waveOutPrepareHeader(device, &headers[i], sizeof headers[i]);
    }
    return true;
}

void DirectSoundProvider::closeDevice()
{
    if (device) {
        waveOutReset(device);
        for (WAVEHDR &header : headers)
            waveOutUnprepareHeader(device, &header, sizeof header);
        waveOutClose(device);
        device = nullptr;
    }
    if (deviceEvent) {
        CloseHandle(deviceEvent);
        deviceEvent = nullptr;
    }
}

int DirectSoundProvider::Start()
{
    if (!block || thread)
        return block ? 1 : 0;
    thread = CreateThread(nullptr, 0, threadProc, this, 0, nullptr);
    if (!thread)
        return 0;
    SetThreadPriority(thread, THREAD_PRIORITY_TIME_CRITICAL);
    return 1;
}

int DirectSoundProvider::BufferDone(int index)
{
    if (index < 0 || index >= kBuffers || !doneEvents[index])
        return 0;
    SetEvent(doneEvents[index]);
    return 1;
}

void DirectSoundProvider::SetCallback(Quorvane::ASPNotifyProc callback, ULONG_PTR user)
{
    notify = callback;
    notifyUser = user;
}

int DirectSoundProvider::ShowSettings(Quorvane::ASPSETTINGS *settings)
{
    if (page)
        return 1;
    if (!settings)
        return 0;
    page = DirectSoundSettingsPage::Create(*settings, OutputDevices());
    return page != nullptr;
}

int DirectSoundProvider::GetSettings(Quorvane::ASPSETTINGS *settings)
{
    return page && settings ? page->Read(*settings) : 0;
}

int DirectSoundProvider::CloseSettings()
{
    if (!page)
        return 0;
    delete page;
    page = nullptr;
    return 1;
}

void DirectSoundProvider::Release()
{
    CloseSettings();
    if (thread) {
        SetEvent(stopEvent);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    closeDevice();
    file.Close();
    for (HANDLE done : doneEvents)
        if (done)
            CloseHandle(done);
    if (stopEvent)
        CloseHandle(stopEvent);
    delete this;
}

void DirectSoundProvider::request(int i)
{
    block->framesWanted[i] = block->framesPerBuffer;
    SetEvent(block->bufferEvents[i]);
}

bool DirectSoundProvider::capture(int i, int32_t frames)
{
    if (!capturing)
        return true;
    if (settings.maxBuffers > 0 && captured >= settings.maxBuffers)
        return false;
    file.Write(buffer(i), static_cast<uint32_t>(frames * bytesPerFrame));
    if (settings.onBuffer)
        settings.onBuffer(settings.user, buffer(i), frames, bytesPerFrame);
    if (++captured == settings.maxBuffers) {
        file.Close();
        if (settings.finished)
            SetEvent(settings.finished);
        return false;
    }
    return true;
}

DWORD WINAPI DirectSoundProvider::threadProc(void *self)
{
    auto *provider = static_cast<DirectSoundProvider *>(self);
    if (provider->device)
        provider->serveDevice();
    else if (provider->capturing && provider->settings.unpaced)
        provider->serveUnpaced();
    else
        provider->servePaced({}, 0);
    return 0;
}

// The device plays each buffer the engine hands back and gives it back to
// be filled again once played. A device that refuses a buffer (unplugged,
// a driver error) would have the engine render as fast as it can: the
// provider lets go of it and goes on paced and silent.
void DirectSoundProvider::serveDevice()
{
    bool queued[kBuffers] = {};
    InFlight inFlight = {};
    for (int i = 0; i < kBuffers; ++i) {
        inFlight[i] = true;
        request(i);
    }
    HANDLE waits[kBuffers + 2] = {stopEvent,     deviceEvent,   doneEvents[0],
                                  doneEvents[1], doneEvents[2], doneEvents[3]};
    for (;;) {
        const DWORD woken = WaitForMultipleObjects(kBuffers + 2, waits, FALSE, INFINITE);
        if (woken == WAIT_OBJECT_0 || woken >= WAIT_OBJECT_0 + kBuffers + 2)
            return;
        if (woken == WAIT_OBJECT_0 + 1) {
            for (int i = 0; i < kBuffers; ++i) {
                if (queued[i] && (headers[i].dwFlags & WHDR_DONE)) {
                    queued[i] = false;
                    inFlight[i] = true;
                    request(i);
                }
            }
            continue;
        }
        const int i = static_cast<int>(woken - WAIT_OBJECT_0) - 2;
        inFlight[i] = false;
        const int32_t frames = block->framesWanted[i];
        headers[i].dwBufferLength = static_cast<DWORD>(frames * bytesPerFrame);
        headers[i].dwFlags &= ~WHDR_DONE;
        queued[i] = waveOutWrite(device, &headers[i], sizeof headers[i]) == MMSYSERR_NOERROR;
        capture(i, frames);
        if (!queued[i]) {
            // The buffers the device still held come back unplayed.
            closeDevice();
            lastOpenSilent = 1;
            servePaced(inFlight, (i + 1) % kBuffers);
            return;
        }
    }
}

// Without a device: one buffer every buffer period, as a device would ask,
// in turn from next; the buffers in flight are still the engine's.
void DirectSoundProvider::servePaced(InFlight inFlight, int next)
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    const double period = static_cast<double>(block->framesPerBuffer) / block->sampleRate;
    double due = static_cast<double>(now.QuadPart) / frequency.QuadPart;
    bool asking = true;
    HANDLE waits[kBuffers + 1] = {stopEvent, doneEvents[0], doneEvents[1], doneEvents[2], doneEvents[3]};
    for (;;) {
        QueryPerformanceCounter(&now);
        const double wait = due - static_cast<double>(now.QuadPart) / frequency.QuadPart;
        const DWORD woken = WaitForMultipleObjects(kBuffers + 1, waits, FALSE,
                                                   wait > 0 ? static_cast<DWORD>(wait * 1000.0) : 0);
        if (woken == WAIT_OBJECT_0)
            return;
        if (woken > WAIT_OBJECT_0 && woken <= WAIT_OBJECT_0 + kBuffers) {
            const int i = static_cast<int>(woken - WAIT_OBJECT_0) - 1;
            inFlight[i] = false;
            asking = capture(i, block->framesWanted[i]) && asking;
            continue;
        }
        if (woken != WAIT_TIMEOUT)
            return;
        if (asking && !inFlight[next]) {
            inFlight[next] = true;
            request(next);
            next = (next + 1) % kBuffers;
        }
        due += period;
    }
}

// As fast as the engine fills them, one buffer at a time.
void DirectSoundProvider::serveUnpaced()
{
    for (int n = 0;; ++n) {
        const int i = n % kBuffers;
        request(i);
        HANDLE waits[2] = {stopEvent, doneEvents[i]};
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1)
            return;
        if (!capture(i, block->framesWanted[i])) {
            WaitForSingleObject(stopEvent, INFINITE);
            return;
        }
    }
}
