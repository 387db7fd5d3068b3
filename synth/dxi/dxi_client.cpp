#include "synth/dxi/dxi_client.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace Quorvane {

namespace {

// Events and tempo changes one block may queue without touching the heap.
constexpr long kReservedEvents = 1024;
constexpr long kReservedTempos = 64;

// Ticks a queued event lies after the message's own.
constexpr long kEventDelay = 2;

int32_t read32(const uint8_t *bytes)
{
    int32_t value;
    std::memcpy(&value, bytes, sizeof(value));
    return value;
}

template <typename T> void release(T *&p)
{
    if (p)
        p->Release();
    p = nullptr;
}

std::string registeredDescription(const CLSID &classId)
{
    WCHAR wide[64];
    if (!StringFromGUID2(classId, wide, 64))
        return {};
    char text[64];
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof(text), nullptr, nullptr);
    const std::string key = std::string(kDxiSoftSynthsKey) + "\\" + text;
    char value[260] = {};
    HKEY hkey = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &hkey) != ERROR_SUCCESS)
        return {};
    DWORD type = 0;
    DWORD bytes = sizeof(value) - 1;
    const bool ok = RegQueryValueExA(hkey, "Description", nullptr, &type, reinterpret_cast<BYTE *>(value),
                                     &bytes) == ERROR_SUCCESS &&
                    type == REG_SZ;
    RegCloseKey(hkey);
    return ok ? std::string(value) : std::string();
}

} // namespace

CDXiClient::CDXiClient(ITembriSong *song) : song_(song)
{
    events_.Reserve(kReservedEvents);
    tempos_.Reserve(kReservedTempos);
}

CDXiClient::~CDXiClient()
{
    Close();
}

bool CDXiClient::Open(const CLSID &classId, int rate, int blockFrames)
{
    if (open_ || synth_ || !song_)
        return false;
    classId_ = classId;
    rate_ = rate;
    blockFrames_ = blockFrames;

    if (FAILED(CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                reinterpret_cast<void **>(&synth_))) ||
        FAILED(synth_->QueryInterface(IID_IBaseFilter, reinterpret_cast<void **>(&filter_))) ||
        FAILED(synth_->QueryInterface(IID_IDXiSynth, reinterpret_cast<void **>(&dxi_)))) {
        Close();
        return false;
    }
    if (FAILED(synth_->QueryInterface(IID_IDXiSynthNames, reinterpret_cast<void **>(&names_))))
        names_ = nullptr;

    // The synthesizer takes over this reference.
    AddRef();
    if (FAILED(dxi_->ConnectHost(static_cast<IHostTempoMap *>(this)))) {
        Close();
        return false;
    }
    connected_ = true;
    if (SUCCEEDED(
            synth_->QueryInterface(IID_IDXiHostObjectAccess, reinterpret_cast<void **>(&hostAccess_))) &&
        FAILED(hostAccess_->SetHostObject(static_cast<IHostCallback *>(this))))
        release(hostAccess_);

    if (!OpenPage()) {
        Close();
        return false;
    }
    description_ = registeredDescription(classId);

    HRESULT hr = S_OK;
    graph_ = new (std::nothrow) CDxHostGraph(&hr);
    if (!graph_ || FAILED(hr) || FAILED(graph_->SetTransform(filter_)) ||
        FAILED(graph_->SetSampleRate(rate_)) || FAILED(graph_->SetBlockFrames(blockFrames_)) ||
        !StartGraph()) {
        Close();
        return false;
    }
    open_ = true;
    return true;
}

bool CDXiClient::OpenPage()
{
    ISpecifyPropertyPages *specify = nullptr;
    if (FAILED(synth_->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void **>(&specify))))
        return false;
    CAUUID pages = {};
    const HRESULT hr = specify->GetPages(&pages);
    specify->Release();
    const bool one = SUCCEEDED(hr) && pages.cElems == 1 && pages.pElems;
    const CLSID pageClass = one ? pages.pElems[0] : CLSID();
    CoTaskMemFree(pages.pElems);
    if (!one || FAILED(CoCreateInstance(pageClass, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage,
                                        reinterpret_cast<void **>(&page_))))
        return false;
    PROPPAGEINFO info = {};
    info.cb = sizeof(info);
    if (FAILED(page_->SetPageSite(this)) || FAILED(page_->SetObjects(1, &synth_)) ||
        FAILED(page_->GetPageInfo(&info)))
        return false;
    pageSize_ = info.size;
    CoTaskMemFree(info.pszTitle);
    CoTaskMemFree(info.pszDocString);
    CoTaskMemFree(info.pszHelpFile);
    return true;
}

bool CDXiClient::StartGraph()
{
    if (FAILED(graph_->Pause()) || FAILED(graph_->Run()))
        return false;
    ResetStream(0);
    return true;
}

void CDXiClient::Close()
{
    open_ = false;
    if (graph_) {
        graph_->Stop();
        graph_->SetTransform(nullptr);
        delete graph_;
        graph_ = nullptr;
    }
    if (page_) {
        CloseEditor();
        page_->SetObjects(0, nullptr);
        page_->SetPageSite(nullptr);
        release(page_);
    }
    if (hostAccess_) {
        hostAccess_->SetHostObject(nullptr);
        release(hostAccess_);
    }
    if (dxi_ && connected_)
        dxi_->DisconnectHost();
    connected_ = false;
    release(names_);
    release(dxi_);
    release(filter_);
    release(synth_);
    events_.Delete(0, events_.GetNumb());
    tempos_.Delete(0, tempos_.GetNumb());
}

bool CDXiClient::Reopen(int rate, int blockFrames)
{
    if (!open_)
        return false;
    rate_ = rate;
    blockFrames_ = blockFrames;
    // Out of the graph, the new values kept, back in: one opening at them.
    graph_->Stop();
    graph_->SetTransform(nullptr);
    graph_->SetSampleRate(rate);
    graph_->SetBlockFrames(blockFrames);
    open_ = SUCCEEDED(graph_->SetTransform(filter_)) && StartGraph();
    return open_;
}

void CDXiClient::ResetStream(int64_t origin)
{
    origin_ = origin;
    position_ = 0;
    loopPending_ = false;
    if (graph_)
        graph_->SetPosition(origin);
    events_.Delete(0, events_.GetNumb());
    UpdateWindow();
}

void CDXiClient::UpdateWindow()
{
    windowStart_ = song_->SongGetTimeFromSample(NextBlockSample());
    windowEnd_ = song_->SongGetTimeFromSample(NextBlockSample() + blockFrames_);
}

void CDXiClient::QueueEvent(const DXI_EVENT &event)
{
    QueuedEvent element;
    element.event = event;
    events_.Insert(events_.GetNumb(), 1, &element);
}

void CDXiClient::MidiIn(const uint8_t *message, int offset)
{
    if (!open_ || !message)
        return;
    // The tick of the frame offset inside the coming block.
    const long atOffset = windowStart_ + static_cast<long>(static_cast<int64_t>(windowEnd_ - windowStart_) *
                                                           offset / blockFrames_);
    const uint8_t status = message[0];
    if (status == 0xF9) {
        QueuedTempo element;
        element.change = {atOffset, read32(message)};
        tempos_.Insert(tempos_.GetNumb(), 1, &element);
        return;
    }
    long time = read32(message + 4);
    // A preview has no time of its own.
    if (time < 0)
        time = atOffset;
    if (loopPending_ && time > windowEnd_ && time < loopFrom_)
        time -= loopFrom_ - loopTo_;
    if (time > windowEnd_)
        return;

    DXI_EVENT event = {};
    event.time = std::max(time, windowStart_) + kEventDelay;
    event.channel = status & 0x0F;
    const uint8_t data1 = message[1] & 0x7F;
    const uint8_t data2 = message[2] & 0x7F;
    switch (status & 0xF0) {
    case 0x90:
        if (data2 == 0)
            return;
        event.kind = DXI_EVENT_NOTE;
        event.note.number = data1;
        event.note.value = data2;
        event.note.releaseVelocity = 64;
        event.note.duration = read32(message + 8);
        break;
    case 0xA0:
        event.kind = DXI_EVENT_KEY_AFTERTOUCH;
        event.note.number = data1;
        event.note.value = data2;
        break;
    case 0xB0:
        if (data1 == 0) {
            bankMsb_ = data2;
            return;
        }
        if (data1 == 32) {
            bankLsb_ = data2;
            return;
        }
        event.kind = DXI_EVENT_CONTROLLER;
        event.note.number = data1;
        event.note.value = data2;
        break;
    case 0xC0:
        event.kind = DXI_EVENT_PATCH;
        event.patch.program = data1;
        if (bankMsb_ == 255 && bankLsb_ == 255) {
            event.patch.method = DXI_BANK_NONE_OR_BOTH;
            event.patch.bank = -1;
        } else if (bankLsb_ == 255) {
            event.patch.method = DXI_BANK_MSB;
            event.patch.bank = bankMsb_;
        } else if (bankMsb_ == 255) {
            event.patch.method = DXI_BANK_LSB;
            event.patch.bank = bankLsb_;
        } else {
            event.patch.method = DXI_BANK_NONE_OR_BOTH;
            event.patch.bank = static_cast<int16_t>(bankLsb_ | bankMsb_ << 7);
        }
        break;
    case 0xD0:
        event.kind = DXI_EVENT_CHANNEL_AFTERTOUCH;
        event.note.value = data1;
        break;
    case 0xE0:
        event.kind = DXI_EVENT_WHEEL;
        event.wheel = static_cast<int16_t>((data2 << 7 | data1) - 8192);
        break;
    default: // note offs (notes carry their durations) and system messages
        return;
    }
    QueueEvent(event);
}

bool CDXiClient::Transport(long kind, long a, long b)
{
    if (!open_)
        return false;
    bankMsb_ = bankLsb_ = 255;
    switch (kind) {
    case SSTRANSPORT_START:
    case SSTRANSPORT_FACTOR:
        dxi_->TransportStop(kind == SSTRANSPORT_START ? b : a);
        ResetStream(song_->SongGetSampleFromTime(a));
        return SUCCEEDED(dxi_->TransportStart(a));
    case SSTRANSPORT_STOP:
        if (FAILED(dxi_->TransportStop(b)))
            return false;
        ResetStream(0);
        return true;
    case SSTRANSPORT_LOOP: {
        // The stream goes on; the song's samples jump back from b to a.
        origin_ += song_->SongGetSampleFromTime(a) - song_->SongGetSampleFromTime(b);
        graph_->SetPosition(NextBlockSample());
        UpdateWindow();
        loopFrom_ = b;
        loopTo_ = a;
        loopPending_ = true;
        return SUCCEEDED(dxi_->TransportLoop(a, b));
    }
    default:
        return false;
    }
}

void CDXiClient::Skip(int64_t frames)
{
    if (!open_ || frames <= 0)
        return;
    origin_ += frames;
    graph_->SetPosition(NextBlockSample());
    UpdateWindow();
}

bool CDXiClient::Render(int frames, const float **data, int *channels, int *outFrames)
{
    if (!open_)
        return false;
    if (events_.GetNumb()) {
        dxi_->ProcessEvents(windowStart_, windowEnd_, -1, this);
        events_.Delete(0, events_.GetNumb());
    }
    if (tempos_.GetNumb()) {
        dxi_->ProcessTempoChanges(-1, this);
        tempos_.Delete(0, tempos_.GetNumb());
    }
    const HRESULT hr = graph_->Render(data, channels, outFrames, frames);
    position_ += frames;
    loopPending_ = false;
    UpdateWindow();
    return SUCCEEDED(hr);
}

bool CDXiClient::SaveState(void **bytes, uint32_t *size)
{
    *bytes = nullptr;
    *size = 0;
    IPersistStream *persist = nullptr;
    if (!synth_ || FAILED(synth_->QueryInterface(IID_IPersistStream, reinterpret_cast<void **>(&persist))))
        return false;
    IStream *stream = nullptr;
    bool ok =
        SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) && SUCCEEDED(persist->Save(stream, TRUE));
    persist->Release();
    ULARGE_INTEGER end = {};
    HGLOBAL global = nullptr;
    if (ok)
        ok = SUCCEEDED(stream->Seek({}, STREAM_SEEK_CUR, &end)) &&
             SUCCEEDED(GetHGlobalFromStream(stream, &global));
    if (ok && end.QuadPart > 0) {
        *bytes = std::malloc(static_cast<size_t>(end.QuadPart));
        const void *source = GlobalLock(global);
        ok = *bytes && source;
        if (ok) {
            std::memcpy(*bytes, source, static_cast<size_t>(end.QuadPart));
            *size = static_cast<uint32_t>(end.QuadPart);
        }
        if (source)
            GlobalUnlock(global);
    }
    if (stream)
        stream->Release();
    return ok;
}

bool CDXiClient::LoadState(const void *bytes, uint32_t size)
{
    IPersistStream *persist = nullptr;
    if (!synth_ || FAILED(synth_->QueryInterface(IID_IPersistStream, reinterpret_cast<void **>(&persist))))
        return false;
    bool ok = false;
    if (HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE, size ? size : 1)) {
        if (void *target = GlobalLock(global)) {
            std::memcpy(target, bytes, size);
            GlobalUnlock(global);
        }
        IStream *stream = nullptr;
        if (SUCCEEDED(CreateStreamOnHGlobal(global, TRUE, &stream))) {
            ok = SUCCEEDED(persist->Load(stream));
            stream->Release();
        } else {
            GlobalFree(global);
        }
    }
    persist->Release();
    return ok;
}

int CDXiClient::StateSize()
{
    IPersistStream *persist = nullptr;
    if (!synth_ || FAILED(synth_->QueryInterface(IID_IPersistStream, reinterpret_cast<void **>(&persist))))
        return 0;
    ULARGE_INTEGER size = {};
    const HRESULT hr = persist->GetSizeMax(&size);
    persist->Release();
    return SUCCEEDED(hr) ? static_cast<int>(std::min<ULONGLONG>(size.QuadPart, 0x7FFFFFFF)) : 0;
}

void CDXiClient::GetEditorSize(int *width, int *height) const
{
    if (width)
        *width = page_ ? pageSize_.cx : 0;
    if (height)
        *height = page_ ? pageSize_.cy : 0;
}

bool CDXiClient::OpenEditor(HWND parent)
{
    if (!page_)
        return false;
    if (editorOpen_)
        return true;
    const RECT area = {0, 0, pageSize_.cx, pageSize_.cy};
    if (FAILED(page_->Activate(parent, &area, FALSE)))
        return false;
    page_->Show(SW_SHOW);
    editorOpen_ = true;
    return true;
}

bool CDXiClient::CloseEditor()
{
    if (!page_ || !editorOpen_)
        return false;
    page_->Show(SW_HIDE);
    page_->Deactivate();
    editorOpen_ = false;
    return true;
}

} // namespace Quorvane
