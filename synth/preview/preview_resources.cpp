#include "synth/preview/preview_resources.h"

#include "data/storage.h"
#include "data/wave.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace Quorvane {

namespace {

HMODULE thisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&thisModule), &module);
    return module;
}

} // namespace

void LoadPreviewSound(int resource, long sampleRate, float scale, std::vector<float> &out)
{
    out.clear();
    HMODULE module = thisModule();
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(resource), "WAVE");
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void *bytes = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = found ? SizeofResource(module, found) : 0;
    void *copy = (bytes && size) ? std::malloc(size) : nullptr;
    if (!copy)
        return;
    std::memcpy(copy, bytes, size);
    CMemStorage storage;
    storage.Attach(copy, static_cast<long>(size));
    CWave wave(0, sampleRate, nullptr);
    if (!wave.IsStateOk() || !wave.ImportWave(&storage) || wave.length <= 0)
        return;
    // The sounds are mono; a stereo one is taken as the mean of its sides.
    std::vector<float> frames(static_cast<size_t>(wave.length) * wave.channels);
    if (!wave.Read(frames.data(), 0, static_cast<unsigned long>(wave.length)))
        return;
    out.resize(static_cast<size_t>(wave.length));
    for (size_t i = 0; i < out.size(); ++i) {
        float sum = 0.0f;
        for (int c = 0; c < wave.channels; ++c)
            sum += frames[i * wave.channels + c];
        out[i] = scale * sum / static_cast<float>(wave.channels);
    }
}

} // namespace Quorvane
