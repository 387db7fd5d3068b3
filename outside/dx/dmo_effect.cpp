#include "outside/dx/dmo_effect.h"

#include "data/seekable_stream.h"
#include "outside/common/module_notice.h"

#include <dmoreg.h>

#include <algorithm>
#include <cstring>
#include <string>

using namespace Quorvane;

CDmoEffect::~CDmoEffect()
{
    if (dmo_) {
        dmo_->FreeStreamingResources();
        dmo_->Release();
    }
}

void CDmoEffect::Reset()
{
    // A tail of before (an echo, say) does not sound into what follows.
    if (dmo_)
        dmo_->Flush();
    heldFrames_ = 0;
}

void CDmoEffect::SetSampleRate(float rate)
{
    sampleRate = rate;
    if (!dmo_)
        return;
    dmo_->FreeStreamingResources();
    streaming_ = SetStereoFloat(dmo_, sampleRate) && SUCCEEDED(dmo_->AllocateStreamingResources());
    if (streaming_) {
        toldRate_ = false;
        return;
    }
    // The DMO stays with its settings, which the song keeps saving; its bus
    // plays on untouched meanwhile, and the user hears why once.
    if (!toldRate_)
        toldRate_ =
            TellUserLater("Tembri DX", std::string("The DirectX effect \"") + name_ + "\" cannot play at " +
                                           std::to_string(static_cast<unsigned>(sampleRate + 0.5f)) +
                                           " Hz.\n\nIts bus plays on without it; its settings stay "
                                           "with the song.");
}

void CDmoEffect::SetBlockSize(int frames)
{
    blockSize = std::max(frames, 1);
    input_.assign(2 * static_cast<size_t>(blockSize), 0.0f);
    held_.assign(2 * static_cast<size_t>(blockSize) * kHeldBlocks, 0.0f);
    heldFrames_ = 0;
}

void CDmoEffect::drain()
{
    const size_t capacity = held_.size() / 2;
    // A DMO may give what it has in more than one piece.
    for (int piece = 0; piece < 8 && heldFrames_ < capacity; ++piece) {
        const DWORD room = static_cast<DWORD>((capacity - heldFrames_) * kFrameBytes);
        outView_.Point(held_.data() + 2 * heldFrames_, room, 0);
        DMO_OUTPUT_DATA_BUFFER given = {&outView_, 0, 0, 0};
        DWORD status = 0;
        const HRESULT result = dmo_->ProcessOutput(0, 1, &given, &status);
        if (FAILED(result))
            break;
        heldFrames_ += std::min(outView_.Length(), room) / kFrameBytes;
        if (result == S_FALSE || !(given.dwStatus & DMO_OUTPUT_DATA_BUFFERF_INCOMPLETE))
            break;
    }
}

void CDmoEffect::run(float *buffer, int frames)
{
    const DWORD bytes = static_cast<DWORD>(frames) * kFrameBytes;
    // What the DMO still has to give is taken first: one that holds output
    // back takes no input until then.
    drain();
    DWORD status = 0;
    if (FAILED(dmo_->GetInputStatus(0, &status)) || (status & DMO_INPUT_STATUSF_ACCEPT_DATA)) {
        // Its own copy: the DMO may read it after this block is played.
        std::memcpy(input_.data(), buffer, bytes);
        inView_.Point(input_.data(), bytes, bytes);
        if (SUCCEEDED(dmo_->ProcessInput(0, &inView_, 0, 0, 0)))
            drain();
    }
    // Until the DMO gave a whole block the bus hears silence and what it
    // gave waits: a DMO with latency, or one that gives in pieces of its
    // own, plays on without gaps, later by as much.
    const size_t given = static_cast<size_t>(frames);
    if (heldFrames_ < given) {
        std::memset(buffer, 0, bytes);
        return;
    }
    std::memcpy(buffer, held_.data(), bytes);
    heldFrames_ -= given;
    std::memmove(held_.data(), held_.data() + 2 * given, heldFrames_ * kFrameBytes);
}

bool CDmoEffect::Process(float **buffer, int frames)
{
    float *target = buffer ? *buffer : nullptr;
    if (target && streaming_ && frames > 0)
        run(target, std::min(frames, blockSize));
    return true;
}

bool CDmoEffect::ProcessSilence(float **buffer, int frames)
{
    float *target = buffer ? *buffer : nullptr;
    if (!target || !streaming_ || frames <= 0)
        return false;
    frames = std::min(frames, blockSize);
    std::fill(target, target + 2 * frames, 0.0f);
    run(target, frames);
    // Only a tail (an echo, a reverberation) makes sound out of silence.
    return std::any_of(target, target + 2 * frames, [](float sample) { return sample != 0.0f; });
}

void CDmoEffect::SaveState(Seekable::OutputStream *out)
{
    IPersistStream *persist = nullptr;
    if (!out || !dmo_ ||
        FAILED(dmo_->QueryInterface(IID_IPersistStream, reinterpret_cast<void **>(&persist))))
        return;
    IStream *stream = nullptr;
    HGLOBAL memory = nullptr;
    STATSTG stat = {};
    if (SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) && SUCCEEDED(persist->Save(stream, TRUE)) &&
        SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME)) && SUCCEEDED(GetHGlobalFromStream(stream, &memory))) {
        if (const void *bytes = GlobalLock(memory)) {
            out->writeBytes(bytes, static_cast<uint32_t>(stat.cbSize.QuadPart));
            GlobalUnlock(memory);
        }
    }
    if (stream)
        stream->Release();
    persist->Release();
}

void CDmoEffect::LoadState(Seekable::InputStream *in)
{
    IPersistStream *persist = nullptr;
    if (!in || !dmo_ || FAILED(dmo_->QueryInterface(IID_IPersistStream, reinterpret_cast<void **>(&persist))))
        return;
    const uint32_t count = in->length() - in->tell();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, count ? count : 1);
    void *bytes = memory ? GlobalLock(memory) : nullptr;
    const bool read = bytes && in->readBytes(bytes, count) == count;
    if (bytes)
        GlobalUnlock(memory);
    IStream *stream = nullptr;
    if (read && SUCCEEDED(CreateStreamOnHGlobal(memory, TRUE, &stream))) {
        memory = nullptr; // the stream owns it now
        // A state the DMO refuses leaves it as it was.
        persist->Load(stream);
        stream->Release();
    }
    if (memory)
        GlobalFree(memory);
    persist->Release();
}

void CDmoEffect::GetEditorSize(int *width, int *height)
{
    if (width)
        *width = 0;
    if (height)
        *height = 0;
}

void *CDmoEffect::GetSubInterface(int id)
{
    return id == SSEX_TEMBRI ? static_cast<IZQAEExTembri *>(&host_) : nullptr;
}

bool CDmoEffect::select(const CLSID &id)
{
    IMediaObject *dmo = OpenStereoDmo(id, sampleRate);
    if (!dmo)
        return false;
    if (dmo_) {
        dmo_->FreeStreamingResources();
        dmo_->Release();
    }
    dmo_ = dmo;
    streaming_ = true;
    toldRate_ = false;
    selected_ = id;
    WCHAR name[80] = {};
    if (FAILED(DMOGetName(id, name)) ||
        !WideCharToMultiByte(CP_ACP, 0, name, -1, name_, sizeof name_, nullptr, nullptr))
        std::strcpy(name_, "Tembri DX");
    return true;
}

bool CDmoEffect::Host::GetSelection(long, void *out)
{
    if (!out || !effect_.dmo_)
        return false;
    std::memcpy(out, &effect_.selected_, sizeof effect_.selected_);
    return true;
}

bool CDmoEffect::Host::Select(long, const void *data)
{
    CLSID id;
    if (!data)
        return false;
    std::memcpy(&id, data, sizeof id);
    return effect_.select(id);
}
