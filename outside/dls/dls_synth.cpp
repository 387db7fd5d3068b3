#include "outside/dls/dls_synth.h"

#include <dmusbuff.h>
#include <dmusicc.h>

#include <algorithm>
#include <cstring>

using namespace Quorvane;

namespace {

// Bytes of a channel message by its status; 0 for what a synthesizer is not
// handed (system messages, the engine's own codes).
uint8_t messageLength(uint8_t status)
{
    if (status < 0x80 || status >= 0xF0)
        return 0;
    const uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 2 : 3;
}

bool readFile(const std::string &path, std::vector<uint8_t> &bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size = {};
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < 0x40000000;
    DWORD read = 0;
    if (ok) {
        bytes.resize(size_t(size.QuadPart));
        ok = ReadFile(file, bytes.data(), DWORD(bytes.size()), &read, nullptr) && read == bytes.size();
    }
    CloseHandle(file);
    return ok;
}

} // namespace

CDlsSynth::CDlsSynth()
{
    SetBlockSize(blockSize);
    events_.resize(kMostMessages * DMUS_EVENT_SIZE(3) / sizeof(uint64_t));
}

CDlsSynth::~CDlsSynth()
{
    close();
}

void CDlsSynth::Destroy()
{
    delete this;
}

void CDlsSynth::SetSampleRate(float rate)
{
    sampleRate = rate;
    // The synthesizer renders at the rate it was opened with; one that does
    // not open again stays silent.
    if (selected_)
        open(selection_);
}

void CDlsSynth::SetBlockSize(int frames)
{
    blockSize = std::max(frames, 1);
    rendered_.assign(2 * size_t(blockSize), 0);
    sink_.SetBlockSize(DWORD(blockSize));
}

void CDlsSynth::GetEditorSize(int *width, int *height)
{
    if (width)
        *width = 0;
    if (height)
        *height = 0;
}

void *CDlsSynth::GetSubInterface(int id)
{
    return id == SSEX_TEMBRI ? static_cast<IZQSSExTembri *>(&host_) : nullptr;
}

bool CDlsSynth::open(const CLSID &id)
{
    close();
    std::vector<uint8_t> file;
    DlsCollection collection;
    const std::string path = DefaultCollectionPath();
    if (path.empty() || !readFile(path, file) || !ReadDlsCollection(file.data(), file.size(), collection))
        return false;
    if (FAILED(CoCreateInstance(id, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectMusicSynth,
                                reinterpret_cast<void **>(&synth_))) ||
        !synth_) {
        synth_ = nullptr;
        return false;
    }
    const DWORD rate = DWORD(sampleRate + 0.5f);
    sink_.SetRate(rate);
    position_ = 0;
    sink_.SetPosition(position_);
    DMUS_PORTPARAMS8 params = {};
    params.dwSize = sizeof params;
    params.dwValidParams = DMUS_PORTPARAMS_SAMPLERATE | DMUS_PORTPARAMS_CHANNELGROUPS |
                           DMUS_PORTPARAMS_AUDIOCHANNELS | DMUS_PORTPARAMS_VOICES;
    params.dwVoices = 64;
    params.dwChannelGroups = 1;
    params.dwAudioChannels = 2;
    params.dwSampleRate = rate;
    // A synthesizer that would change the rate or the channels renders
    // something else than the engine plays.
    if (FAILED(synth_->SetSynthSink(&sink_)) || FAILED(synth_->Open(&params)) ||
        params.dwSampleRate != rate || params.dwAudioChannels != 2) {
        close();
        return false;
    }
    synth_->SetMasterClock(&sink_);
    downloads_ = BuildDownloads(collection, 1);
    for (DlsDownload &download : downloads_) {
        HANDLE handle = nullptr;
        BOOL mayFree = FALSE;
        if (FAILED(synth_->Download(&handle, download.data(), &mayFree))) {
            close();
            return false;
        }
        handles_.push_back(handle);
    }
    if (FAILED(synth_->Activate(TRUE))) {
        close();
        return false;
    }
    DMUS_PORTCAPS caps = {};
    caps.dwSize = sizeof caps;
    if (FAILED(synth_->GetPortCaps(&caps)) ||
        !WideCharToMultiByte(CP_ACP, 0, caps.wszDescription, -1, name_, sizeof name_, nullptr, nullptr) ||
        !name_[0])
        std::strcpy(name_, "Tembri DLS");
    return true;
}

void CDlsSynth::close()
{
    if (synth_) {
        synth_->Activate(FALSE);
        for (HANDLE handle : handles_)
            synth_->Unload(handle, nullptr, nullptr);
        synth_->Close();
        synth_->SetSynthSink(nullptr);
        synth_->Release();
        synth_ = nullptr;
    }
    handles_.clear();
    downloads_.clear();
    queued_ = 0;
    std::strcpy(name_, "Tembri DLS");
}

void CDlsSynth::MidiIn(const uint8_t *message, int offset)
{
    const uint8_t length = message ? messageLength(message[0]) : 0;
    if (!length || queued_ >= kMostMessages)
        return;
    Message &queued = queue_[queued_++];
    queued.offset = std::max(offset, 0);
    queued.length = length;
    std::memcpy(queued.bytes, message, length);
}

void CDlsSynth::playQueued()
{
    if (!queued_)
        return;
    const REFERENCE_TIME start = sink_.TimeOf(position_);
    auto *at = reinterpret_cast<uint8_t *>(events_.data());
    DWORD size = 0;
    for (int i = 0; i < queued_; ++i) {
        const Message &message = queue_[i];
        DMUS_EVENTHEADER header = {};
        header.cbEvent = message.length;
        header.dwChannelGroup = 1;
        header.rtDelta = sink_.TimeOf(position_ + message.offset) - start;
        header.dwFlags = DMUS_EVENT_STRUCTURED;
        std::memcpy(at + size, &header, sizeof header);
        std::memcpy(at + size + sizeof header, message.bytes, message.length);
        size += DMUS_EVENT_SIZE(message.length);
    }
    queued_ = 0;
    synth_->PlayBuffer(start, at, size);
}

bool CDlsSynth::render(float *out, int frames, bool replace)
{
    frames = std::min(frames, blockSize);
    if (!synth_ || !out || frames <= 0) {
        queued_ = 0;
        return false;
    }
    playQueued();
    sink_.SetPosition(position_);
    std::fill(rendered_.begin(), rendered_.begin() + 2 * frames, short(0));
    synth_->Render(rendered_.data(), DWORD(frames), position_);
    position_ += frames;
    const bool sound = std::any_of(rendered_.begin(), rendered_.begin() + 2 * frames,
                                   [](short sample) { return sample != 0; });
    if (!sound)
        return false;
    constexpr float kScale = 1.0f / 32768.0f;
    for (int i = 0; i < 2 * frames; ++i)
        out[i] = replace ? rendered_[size_t(i)] * kScale : out[i] + rendered_[size_t(i)] * kScale;
    return true;
}

bool CDlsSynth::RenderAdding(float **buffer, int frames)
{
    noteOutput(buffer, frames);
    return render(buffer ? *buffer : nullptr, frames, false);
}

bool CDlsSynth::RenderReplacing(float **buffer, int frames)
{
    noteOutput(buffer, frames);
    return render(buffer ? *buffer : nullptr, frames, true);
}

bool CDlsSynth::Host::GetInstrument(long, void *out)
{
    if (!out || !synth_.selected_)
        return false;
    std::memcpy(out, &synth_.selection_, sizeof synth_.selection_);
    return true;
}

bool CDlsSynth::Host::SelectInstrument(long, const void *data)
{
    CLSID id;
    if (!data)
        return false;
    std::memcpy(&id, data, sizeof id);
    if (!synth_.open(id))
        return false;
    synth_.selected_ = true;
    synth_.selection_ = id;
    return true;
}
