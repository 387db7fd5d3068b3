// The sink a DLS synthesizer renders for, in place of a sound device: the
// engine's render position is its clock, and its times convert between
// samples at the engine's rate and reference time (100 ns units) exactly
// both ways, so a message meant for a frame sounds at that frame. It lives
// as long as its owner and ignores reference counts.
#pragma once

#include <windows.h>
#include <dmusics.h>

class SynthSink final : public IDirectMusicSynthSink, public IReferenceClock {
public:
    void SetRate(DWORD rate) { rate_ = rate ? rate : 1; }
    void SetPosition(LONGLONG sample) { position_ = sample; }
    void SetBlockSize(DWORD frames) { frames_ = frames; }
    // The first reference time that converts to the sample.
    REFERENCE_TIME TimeOf(LONGLONG sample) const;
    LONGLONG SampleOf(REFERENCE_TIME time) const;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void **out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    // IDirectMusicSynthSink
    HRESULT STDMETHODCALLTYPE Init(IDirectMusicSynth *) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetMasterClock(IReferenceClock *) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetLatencyClock(IReferenceClock **clock) override;
    HRESULT STDMETHODCALLTYPE Activate(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SampleToRefTime(LONGLONG sample, REFERENCE_TIME *time) override;
    HRESULT STDMETHODCALLTYPE RefTimeToSample(REFERENCE_TIME time, LONGLONG *sample) override;
    HRESULT STDMETHODCALLTYPE SetDirectSound(LPDIRECTSOUND, LPDIRECTSOUNDBUFFER) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetDesiredBufferSize(LPDWORD frames) override;

    // IReferenceClock: the time of the render position.
    HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME *time) override;
    HRESULT STDMETHODCALLTYPE AdviseTime(REFERENCE_TIME, REFERENCE_TIME, HANDLE, DWORD *) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE AdvisePeriodic(REFERENCE_TIME, REFERENCE_TIME, HANDLE, DWORD *) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override { return E_NOTIMPL; }

private:
    DWORD rate_ = 44100;
    DWORD frames_ = 1024;
    LONGLONG position_ = 0;
};
