// The tests' DLS synthesizer, its class factory and its registration as a
// COM class and a DirectMusic software synthesizer.
#include "outside/dls/tests/test_dls_synth.h"

// The DirectMusic ids this module uses, defined here (no library does).
#include <initguid.h>

#include <dmdls.h>
#include <dmusbuff.h>
#include <dmusicc.h>
#include <dmusics.h>
#include <olectl.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <string>
#include <vector>

namespace {

HMODULE self = nullptr;
std::atomic<long> objects{0};
std::mutex stateLock;
TESTDLSSTATE shared = {};

struct Voice {
    LONGLONG start;
    LONGLONG stop;
    DWORD wave;
    int velocity;
    int channel;
    int note;
};

template <typename T> const T *entry(const BYTE *block, ULONG index)
{
    const auto *info = reinterpret_cast<const DMUS_DOWNLOADINFO *>(block);
    const auto *table = reinterpret_cast<const ULONG *>(block + sizeof(DMUS_DOWNLOADINFO));
    return index < info->dwNumOffsetTableEntries ? reinterpret_cast<const T *>(block + table[index])
                                                 : nullptr;
}

class TestSynth final : public IDirectMusicSynth {
public:
    TestSynth() { ++objects; }
    ~TestSynth()
    {
        if (sink_)
            sink_->Release();
        --objects;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void **out) override
    {
        if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDirectMusicSynth)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --refs_;
        if (!left)
            delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE Open(LPDMUS_PORTPARAMS params) override
    {
        if (!params || !(params->dwValidParams & DMUS_PORTPARAMS_SAMPLERATE))
            return E_INVALIDARG;
        std::lock_guard<std::mutex> guard(stateLock);
        const long opens = shared.opens + 1;
        shared = {};
        shared.rate = params->dwSampleRate;
        shared.opens = opens;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Close() override
    {
        waves_.clear();
        instruments_.clear();
        voices_.clear();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetNumChannelGroups(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Download(LPHANDLE handle, LPVOID data, LPBOOL mayFree) override
    {
        const auto *block = static_cast<const BYTE *>(data);
        const auto *info = static_cast<const DMUS_DOWNLOADINFO *>(data);
        std::lock_guard<std::mutex> guard(stateLock);
        if (info->dwDLType == DMUS_DOWNLOADINFO_WAVE) {
            const auto *wave = entry<DMUS_WAVE>(block, 0);
            const auto *samples = entry<DMUS_WAVEDATA>(block, wave->ulWaveDataIdx);
            std::vector<short> &kept = waves_[info->dwDLId];
            kept.resize(samples->cbSize / sizeof(short));
            std::memcpy(kept.data(), samples->byData, kept.size() * sizeof(short));
            shared.waves = long(waves_.size());
        } else if (info->dwDLType == DMUS_DOWNLOADINFO_INSTRUMENT) {
            const auto *instrument = entry<DMUS_INSTRUMENT>(block, 0);
            const auto *region = entry<DMUS_REGION>(block, instrument->ulFirstRegionIdx);
            if (!region)
                return E_INVALIDARG;
            instruments_[instrument->ulPatch] = region->WaveLink.ulTableIndex;
            const size_t n = instruments_.size() - 1;
            if (n < 4) {
                shared.patches[n] = instrument->ulPatch;
                shared.unityNotes[n] = region->WSMP.usUnityNote;
                shared.loopStarts[n] = region->WSMP.cSampleLoops ? region->WLOOP[0].ulStart : 0;
                shared.linkedWaves[n] = region->WaveLink.ulTableIndex;
                if (const auto *articulation = entry<DMUS_ARTICULATION>(block, instrument->ulGlobalArtIdx);
                    articulation && instrument->ulGlobalArtIdx)
                    shared.attacks[n] =
                        entry<DMUS_ARTICPARAMS>(block, articulation->ulArt1Idx)->VolEG.tcAttack;
            }
            shared.instruments = long(instruments_.size());
        } else {
            return E_INVALIDARG;
        }
        *handle = reinterpret_cast<HANDLE>(ULONG_PTR(info->dwDLId));
        *mayFree = TRUE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Unload(HANDLE, HRESULT(CALLBACK *)(HANDLE, HANDLE), HANDLE) override
    {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PlayBuffer(REFERENCE_TIME time, LPBYTE buffer, DWORD size) override
    {
        for (DWORD at = 0; at + sizeof(DMUS_EVENTHEADER) <= size;) {
            DMUS_EVENTHEADER header;
            std::memcpy(&header, buffer + at, sizeof header);
            const BYTE *bytes = buffer + at + sizeof header;
            LONGLONG sample = 0;
            sink_->RefTimeToSample(time + header.rtDelta, &sample);
            play(bytes, sample);
            at += DMUS_EVENT_SIZE(header.cbEvent);
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetRunningStats(LPDMUS_SYNTHSTATS) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPortCaps(LPDMUS_PORTCAPS caps) override
    {
        caps->dwClass = DMUS_PC_OUTPUTCLASS;
        caps->dwMaxChannelGroups = 1;
        caps->dwMaxVoices = 16;
        caps->dwMaxAudioChannels = 2;
        lstrcpyW(caps->wszDescription, L"Tembri Test DLS");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMasterClock(IReferenceClock *) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetLatencyClock(IReferenceClock **clock) override
    {
        return sink_ ? sink_->GetLatencyClock(clock) : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE Activate(WINBOOL enable) override
    {
        std::lock_guard<std::mutex> guard(stateLock);
        shared.active = enable ? 1 : 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSynthSink(IDirectMusicSynthSink *sink) override
    {
        if (sink_)
            sink_->Release();
        sink_ = sink;
        if (sink_) {
            sink_->AddRef();
            sink_->Init(this);
        }
        return S_OK;
    }
    // Adds the sounding voices into the interleaved stereo buffer.
    HRESULT STDMETHODCALLTYPE Render(short *buffer, DWORD frames, LONGLONG position) override
    {
        for (DWORD i = 0; i < frames; ++i) {
            const LONGLONG sample = position + LONGLONG(i);
            long sum = 0;
            for (const Voice &voice : voices_) {
                const auto wave = waves_.find(voice.wave);
                if (sample < voice.start || sample >= voice.stop || wave == waves_.end() ||
                    wave->second.empty())
                    continue;
                const std::vector<short> &samples = wave->second;
                sum += samples[size_t(sample - voice.start) % samples.size()] * voice.velocity / 127;
            }
            for (int side = 0; side < 2; ++side)
                buffer[2 * i + side] = short(std::clamp(buffer[2 * i + side] + sum, -32768L, 32767L));
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetChannelPriority(DWORD, DWORD, DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetChannelPriority(DWORD, DWORD, LPDWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFormat(LPWAVEFORMATEX, LPDWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetAppend(DWORD *append) override
    {
        *append = 0;
        return S_OK;
    }

private:
    void play(const BYTE *bytes, LONGLONG sample)
    {
        const int channel = bytes[0] & 0x0F;
        switch (bytes[0] & 0xF0) {
        case 0xC0:
            programs_[channel] = bytes[1];
            break;
        case 0x90:
            if (bytes[2]) {
                const auto instrument = instruments_.find(programs_[channel]);
                if (instrument != instruments_.end())
                    voices_.push_back({sample, LLONG_MAX, instrument->second, bytes[2], channel, bytes[1]});
                break;
            }
            [[fallthrough]];
        case 0x80:
            for (Voice &voice : voices_)
                if (voice.channel == channel && voice.note == bytes[1] && voice.stop == LLONG_MAX)
                    voice.stop = sample;
            break;
        }
    }

    std::atomic<ULONG> refs_{1};
    IDirectMusicSynthSink *sink_ = nullptr;
    std::map<DWORD, std::vector<short>> waves_;
    std::map<DWORD, DWORD> instruments_; // patch: the wave's download id
    std::vector<Voice> voices_;
    BYTE programs_[16] = {};
};

class Factory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void **out) override
    {
        if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IClassFactory)) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID id, void **out) override
    {
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        auto *synth = new (std::nothrow) TestSynth;
        if (!synth)
            return E_OUTOFMEMORY;
        const HRESULT result = synth->QueryInterface(id, out);
        synth->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory factory;

std::string classText()
{
    LPOLESTR text = nullptr;
    StringFromCLSID(kTestDlsSynth, &text);
    std::string narrow;
    for (const wchar_t *c = text; c && *c; ++c)
        narrow += char(*c);
    CoTaskMemFree(text);
    return narrow;
}

const char kSynthsKey[] = "Software\\Microsoft\\DirectMusic\\SoftwareSynths\\";

bool setText(HKEY root, const std::string &key, const char *name, const char *text)
{
    HKEY opened = nullptr;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const bool ok = RegSetValueExA(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(text),
                                   DWORD(std::strlen(text) + 1)) == ERROR_SUCCESS;
    RegCloseKey(opened);
    return ok;
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        self = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID id, REFIID riid, void **out)
{
    if (!IsEqualCLSID(id, kTestDlsSynth))
        return CLASS_E_CLASSNOTAVAILABLE;
    return factory.QueryInterface(riid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return objects == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(self, path, MAX_PATH);
    const std::string server = "CLSID\\" + classText() + "\\InprocServer32";
    const bool ok = setText(HKEY_CLASSES_ROOT, server, nullptr, path) &&
                    setText(HKEY_CLASSES_ROOT, server, "ThreadingModel", "Both") &&
                    setText(HKEY_LOCAL_MACHINE, kSynthsKey + classText(), "Description", "Tembri Test DLS");
    return ok ? S_OK : SELFREG_E_CLASS;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ("CLSID\\" + classText()).c_str());
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, (kSynthsKey + classText()).c_str());
    return S_OK;
}

extern "C" __declspec(dllexport) void TestDlsState(TESTDLSSTATE *state)
{
    std::lock_guard<std::mutex> guard(stateLock);
    *state = shared;
}
