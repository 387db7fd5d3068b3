#include "testing/fake_wave_out.h"

#include "testing/import_table.h"

#include <mmsystem.h>

#include <atomic>
#include <climits>
#include <cstring>

namespace testing_support {

namespace {

std::atomic<long> goodWritesLeft{0};
std::atomic<long> writeCount{0};
std::atomic<long> openCount{0};
std::atomic<long> closeCount{0};
// The event the device was opened with (CALLBACK_EVENT).
std::atomic<HANDLE> doneEvent{nullptr};

// Any nonzero handle: nothing looks inside it.
const HWAVEOUT kDevice = reinterpret_cast<HWAVEOUT>(static_cast<ULONG_PTR>(0x5A5A));

MMRESULT WINAPI fakeOpen(LPHWAVEOUT device, UINT, LPCWAVEFORMATEX, DWORD_PTR callback, DWORD_PTR, DWORD flags)
{
    if (device)
        *device = kDevice;
    doneEvent = (flags & CALLBACK_TYPEMASK) == CALLBACK_EVENT ? reinterpret_cast<HANDLE>(callback) : nullptr;
    ++openCount;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI fakePrepare(HWAVEOUT, LPWAVEHDR header, UINT)
{
    header->dwFlags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI fakeUnprepare(HWAVEOUT, LPWAVEHDR header, UINT)
{
    header->dwFlags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI fakeWrite(HWAVEOUT, LPWAVEHDR header, UINT)
{
    ++writeCount;
    if (goodWritesLeft.fetch_sub(1) <= 0)
        return MMSYSERR_NODRIVER;
    header->dwFlags |= WHDR_DONE;
    if (HANDLE event = doneEvent.load())
        SetEvent(event);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI fakeReset(HWAVEOUT)
{
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI fakeClose(HWAVEOUT)
{
    doneEvent = nullptr;
    ++closeCount;
    return MMSYSERR_NOERROR;
}

template <typename F> FARPROC entry(F *function)
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

const struct {
    const char *name;
    FARPROC standIn;
} standIns[] = {{"waveOutOpen", entry(&fakeOpen)},
                {"waveOutPrepareHeader", entry(&fakePrepare)},
                {"waveOutUnprepareHeader", entry(&fakeUnprepare)},
                {"waveOutWrite", entry(&fakeWrite)},
                {"waveOutReset", entry(&fakeReset)},
                {"waveOutClose", entry(&fakeClose)}};

} // namespace

FakeWaveOut::FakeWaveOut(HMODULE module, long goodWrites) : module_(module)
{
    goodWritesLeft = goodWrites < 0 ? LONG_MAX : goodWrites;
    writeCount = openCount = closeCount = 0;
    for (const auto &standIn : standIns)
        if (FARPROC original = replaceImport(module_, standIn.name, standIn.standIn))
            originals_.emplace_back(standIn.name, original);
}

FakeWaveOut::~FakeWaveOut()
{
    for (const auto &[name, original] : originals_)
        replaceImport(module_, name, original);
}

void FakeWaveOut::failFromNow()
{
    goodWritesLeft = 0;
}

bool FakeWaveOut::routed() const
{
    bool routed = false;
    forEachImport(module_, [&routed](const char *name, FARPROC *at) {
        routed = routed || (std::strcmp(name, "waveOutWrite") == 0 && *at == entry(&fakeWrite));
        return true;
    });
    return routed;
}

long FakeWaveOut::writes() const
{
    return writeCount.load();
}

long FakeWaveOut::opens() const
{
    return openCount.load();
}

long FakeWaveOut::closes() const
{
    return closeCount.load();
}

} // namespace testing_support
