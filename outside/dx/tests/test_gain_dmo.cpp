// The tests' DMO, its class factory and its registration as a COM class and
// a DMO of the audio-effect category.
#include "outside/dx/tests/test_gain_dmo.h"

#include <dmo.h>
#include <mmreg.h>
#include <olectl.h>
#include <uuids.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <string>

namespace {

HMODULE self = nullptr;
std::atomic<long> objects{0};
std::atomic<DWORD> lastRate{0};
constexpr DWORD kMostFrames = 8192;

class GainDmo final : public IMediaObject, public IPersistStream {
public:
    GainDmo() { ++objects; }
    ~GainDmo() { --objects; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void **out) override
    {
        if (!out)
            return E_POINTER;
        if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IMediaObject))
            *out = static_cast<IMediaObject *>(this);
        else if (IsEqualIID(id, IID_IPersistStream) || IsEqualIID(id, IID_IPersist))
            *out = static_cast<IPersistStream *>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --refs_;
        if (!left)
            delete this;
        return left;
    }

    // IMediaObject
    HRESULT STDMETHODCALLTYPE GetStreamCount(DWORD *inputs, DWORD *outputs) override
    {
        *inputs = *outputs = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetInputStreamInfo(DWORD, DWORD *flags) override
    {
        *flags = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetOutputStreamInfo(DWORD, DWORD *flags) override
    {
        *flags = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetInputType(DWORD, DWORD, DMO_MEDIA_TYPE *) override
    {
        return DMO_E_NO_MORE_ITEMS;
    }
    HRESULT STDMETHODCALLTYPE GetOutputType(DWORD, DWORD, DMO_MEDIA_TYPE *) override
    {
        return DMO_E_NO_MORE_ITEMS;
    }
    HRESULT STDMETHODCALLTYPE SetInputType(DWORD, const DMO_MEDIA_TYPE *type, DWORD flags) override
    {
        return setType(type, flags, true);
    }
    HRESULT STDMETHODCALLTYPE SetOutputType(DWORD, const DMO_MEDIA_TYPE *type, DWORD flags) override
    {
        return setType(type, flags, false);
    }
    HRESULT STDMETHODCALLTYPE GetInputCurrentType(DWORD, DMO_MEDIA_TYPE *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetOutputCurrentType(DWORD, DMO_MEDIA_TYPE *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetInputSizeInfo(DWORD, DWORD *size, DWORD *lookahead,
                                               DWORD *alignment) override
    {
        *size = 8;
        *lookahead = 0;
        *alignment = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetOutputSizeInfo(DWORD, DWORD *size, DWORD *alignment) override
    {
        *size = 8;
        *alignment = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetInputMaxLatency(DWORD, REFERENCE_TIME *latency) override
    {
        *latency = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetInputMaxLatency(DWORD, REFERENCE_TIME) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Flush() override
    {
        dropInput();
        std::fill(std::begin(previous_), std::end(previous_), 0.0f);
        heldFrames_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Discontinuity(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE AllocateStreamingResources() override
    {
        return inputSet_ && outputSet_ ? S_OK : DMO_E_TYPE_NOT_SET;
    }
    HRESULT STDMETHODCALLTYPE FreeStreamingResources() override
    {
        dropInput();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetInputStatus(DWORD, DWORD *flags) override
    {
        *flags = accepting() ? DMO_INPUT_STATUSF_ACCEPT_DATA : 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ProcessInput(DWORD, IMediaBuffer *buffer, DWORD, REFERENCE_TIME,
                                           REFERENCE_TIME) override
    {
        if (!inputSet_ || !outputSet_)
            return DMO_E_TYPE_NOT_SET;
        if (!accepting())
            return DMO_E_NOTACCEPTING;
        if (chunk_ > 0)
            return holdInput(buffer);
        input_ = buffer;
        input_->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ProcessOutput(DWORD, DWORD count, DMO_OUTPUT_DATA_BUFFER *buffers,
                                            DWORD *status) override
    {
        *status = 0;
        if (count != 1 || !buffers || !buffers[0].pBuffer)
            return E_INVALIDARG;
        buffers[0].dwStatus = 0;
        if (chunk_ > 0)
            return giveChunks(buffers[0]);
        if (!input_)
            return S_FALSE;
        BYTE *in = nullptr, *out = nullptr;
        DWORD inLength = 0, outLength = 0, room = 0;
        input_->GetBufferAndLength(&in, &inLength);
        buffers[0].pBuffer->GetBufferAndLength(&out, &outLength);
        buffers[0].pBuffer->GetMaxLength(&room);
        const DWORD samples = std::min({inLength, room, kMostFrames * 8}) / sizeof(float);
        const auto *from = reinterpret_cast<const float *>(in);
        auto *to = reinterpret_cast<float *>(out);
        for (DWORD i = 0; i < samples; ++i) {
            const float sample = from[i];
            to[i] = gain_ * sample + echo_ * previous_[i];
            previous_[i] = sample;
        }
        buffers[0].pBuffer->SetLength(samples * sizeof(float));
        dropInput();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Lock(LONG) override { return S_OK; }

    // IPersistStream
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID *id) override
    {
        *id = kTestGainDmo;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsDirty() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Load(IStream *stream) override
    {
        float values[3] = {};
        ULONG read = 0;
        if (FAILED(stream->Read(values, sizeof values, &read)) || read < 2 * sizeof(float))
            return E_FAIL;
        gain_ = values[0];
        echo_ = values[1];
        chunk_ = static_cast<DWORD>(values[2]);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Save(IStream *stream, BOOL) override
    {
        const float values[3] = {gain_, echo_, static_cast<float>(chunk_)};
        return stream->Write(values, chunk_ ? 3 * sizeof(float) : 2 * sizeof(float), nullptr);
    }
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER *size) override
    {
        size->QuadPart = 3 * sizeof(float);
        return S_OK;
    }

private:
    HRESULT setType(const DMO_MEDIA_TYPE *type, DWORD flags, bool input)
    {
        bool &set = input ? inputSet_ : outputSet_;
        if (flags & DMO_SET_TYPEF_CLEAR) {
            set = false;
            return S_OK;
        }
        if (!type || !IsEqualGUID(type->majortype, MEDIATYPE_Audio) ||
            !IsEqualGUID(type->subtype, MEDIASUBTYPE_IEEE_FLOAT) ||
            !IsEqualGUID(type->formattype, FORMAT_WaveFormatEx) || type->cbFormat < sizeof(WAVEFORMATEX))
            return DMO_E_TYPE_NOT_ACCEPTED;
        const auto *format = reinterpret_cast<const WAVEFORMATEX *>(type->pbFormat);
        if (format->nChannels != 2 || format->wBitsPerSample != 32 ||
            format->wFormatTag != WAVE_FORMAT_IEEE_FLOAT || format->nSamplesPerSec == kTestGainRefusedRate)
            return DMO_E_TYPE_NOT_ACCEPTED;
        if (!(flags & DMO_SET_TYPEF_TEST_ONLY)) {
            set = true;
            lastRate = format->nSamplesPerSec;
        }
        return S_OK;
    }
    bool accepting() const { return chunk_ > 0 ? heldFrames_ < chunk_ : !input_; }
    // In chunk mode the input is taken in (times the gain) and given out only
    // in whole chunks; while a chunk waits, no input is taken.
    HRESULT holdInput(IMediaBuffer *buffer)
    {
        BYTE *in = nullptr;
        DWORD length = 0;
        buffer->GetBufferAndLength(&in, &length);
        const DWORD frames = std::min<DWORD>(length / 8, kMostFrames - heldFrames_);
        const auto *from = reinterpret_cast<const float *>(in);
        for (DWORD i = 0; i < 2 * frames; ++i)
            held_[2 * heldFrames_ + i] = gain_ * from[i];
        heldFrames_ += frames;
        return S_OK;
    }
    HRESULT giveChunks(DMO_OUTPUT_DATA_BUFFER &out)
    {
        BYTE *to = nullptr;
        DWORD length = 0, room = 0;
        out.pBuffer->GetBufferAndLength(&to, &length);
        out.pBuffer->GetMaxLength(&room);
        const DWORD frames = std::min(heldFrames_, room / 8) / chunk_ * chunk_;
        std::memcpy(to, held_, frames * 8);
        heldFrames_ -= frames;
        std::memmove(held_, held_ + 2 * frames, heldFrames_ * 8);
        out.pBuffer->SetLength(frames * 8);
        if (heldFrames_ >= chunk_)
            out.dwStatus = DMO_OUTPUT_DATA_BUFFERF_INCOMPLETE;
        return frames ? S_OK : S_FALSE;
    }
    void dropInput()
    {
        if (input_) {
            input_->Release();
            input_ = nullptr;
        }
    }

    std::atomic<ULONG> refs_{1};
    bool inputSet_ = false;
    bool outputSet_ = false;
    IMediaBuffer *input_ = nullptr;
    float gain_ = kTestGainDefault;
    float echo_ = 0.0f;
    float previous_[2 * kMostFrames] = {};
    DWORD chunk_ = 0;
    float held_[2 * kMostFrames] = {};
    DWORD heldFrames_ = 0;
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
        auto *dmo = new (std::nothrow) GainDmo;
        if (!dmo)
            return E_OUTOFMEMORY;
        const HRESULT result = dmo->QueryInterface(id, out);
        dmo->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory factory;

std::string classKey()
{
    LPOLESTR text = nullptr;
    StringFromCLSID(kTestGainDmo, &text);
    std::string key = "CLSID\\";
    for (const wchar_t *c = text; c && *c; ++c)
        key += static_cast<char>(*c);
    CoTaskMemFree(text);
    return key;
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
    if (!IsEqualCLSID(id, kTestGainDmo))
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
    const std::string server = classKey() + "\\InprocServer32";
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, server.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return SELFREG_E_CLASS;
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE *>(path),
                   DWORD(std::strlen(path) + 1));
    RegSetValueExA(key, "ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE *>("Both"), 5);
    RegCloseKey(key);
    DMO_PARTIAL_MEDIATYPE floats = {MEDIATYPE_Audio, MEDIASUBTYPE_IEEE_FLOAT};
    return DMORegister(kTestGainDmoName, kTestGainDmo, DMOCATEGORY_AUDIO_EFFECT, 0, 1, &floats, 1, &floats);
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    DMOUnregister(kTestGainDmo, DMOCATEGORY_AUDIO_EFFECT);
    RegDeleteTreeA(HKEY_CLASSES_ROOT, classKey().c_str());
    return S_OK;
}

extern "C" __declspec(dllexport) DWORD TestGainDmoRate()
{
    return lastRate;
}
