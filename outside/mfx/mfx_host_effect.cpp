#include "outside/mfx/mfx_host_effect.h"

#include "data/event.h"
#include "outside/mfx/event_conversion.h"

#include <objbase.h>
#include <ocidl.h>
#include <olectl.h>

#include <new>
#include <vector>

namespace tembri_mfx {

namespace {

// The events a window of a playing song brings in or out, at most, before
// a queue grows.
constexpr size_t kWindowEvents = 256;

} // namespace

using namespace Quorvane;

MfxHostEffect::~MfxHostEffect()
{
    Unbind();
    if (comStarted_)
        CoUninitialize();
}

HRESULT MfxHostEffect::QueryInterface(REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown))
        return E_NOINTERFACE;
    *out = this;
    AddRef();
    return S_OK;
}

ULONG MfxHostEffect::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&references_));
}

ULONG MfxHostEffect::Release()
{
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

int MfxHostEffect::Init(void *host, void *)
{
    if (!host)
        return 0;
    timeline_ = std::make_unique<SongTimeline>(static_cast<ITembriSong *>(host));
    context_ = std::make_unique<mfx_hosting::HostContext>(timeline_.get());
    // Plug-ins that render differently off-line may ask.
    context_->offersRenderInfo = true;
    return 1;
}

void MfxHostEffect::SetOnline(int online)
{
    if (context_)
        context_->renderState = online ? 0 : 1;
}

int MfxHostEffect::SetPlayState(long state, long tick1, long tick2)
{
    if (!filter_)
        return 0;
    switch (state) {
    case MEFF_START:
        // Room for the windows of a playing song, so that they need no heap.
        in_.events.reserve(kWindowEvents);
        out_.events.reserve(kWindowEvents);
        return SUCCEEDED(filter_->OnStart(tick1));
    case MEFF_STOP:
        return SUCCEEDED(filter_->OnStop(tick2));
    case MEFF_JUMP:
        return SUCCEEDED(filter_->OnLoop(tick1, tick2));
    default:
        return 0;
    }
}

int MfxHostEffect::Process(ITembriMEInQueue *input, ITembriMEOutQueue *output)
{
    if (!filter_ || !input || !output)
        return 0;
    long from = 0, to = 0;
    input->GetTimeBounds(from, to);
    in_.clear();
    out_.clear();
    // Channel messages go to the plug-in; what it cannot see passes by.
    for (long i = 0; i < input->GetNumb(); ++i) {
        EVENT *e = input->GetEvent(i);
        MfxEvent event;
        if (!e)
            continue;
        if (toMfxEvent(*e, event)) {
            if (FAILED(in_.Add(&event)))
                return 0;
        } else {
            EVENT copy(*e);
            if (!output->AddEvent(&copy, 1))
                return 0;
        }
    }
    if (to > from) {
        context_->renderFrom = from;
        context_->renderThru = to - 1;
        // The range is from up to to; the plug-in's windows include thru.
        if (FAILED(filter_->OnEvents(from, to - 1, &in_, &out_)))
            return 0;
    } else {
        out_.events = in_.events; // nothing to process: the input plays as it is
    }
    for (const MfxEvent &event : out_.events) {
        EVENT e;
        if (fromMfxEvent(event, e) && !output->AddEvent(&e, 1))
            return 0;
    }
    return 1;
}

int MfxHostEffect::SaveState(Seekable::OutputStream *out)
{
    if (!persist_ || !out)
        return 0;
    IStream *stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)))
        return 0;
    int ok = 0;
    ULARGE_INTEGER end{};
    HGLOBAL memory = nullptr;
    if (SUCCEEDED(persist_->Save(stream, TRUE)) &&
        SUCCEEDED(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &end)) &&
        SUCCEEDED(GetHGlobalFromStream(stream, &memory))) {
        const auto size = static_cast<uint32_t>(end.QuadPart);
        const void *bytes = GlobalLock(memory);
        ok = bytes && out->writeBytes(bytes, size) == size;
        GlobalUnlock(memory);
    }
    stream->Release();
    return ok;
}

int MfxHostEffect::LoadState(Seekable::InputStream *in)
{
    if (!persist_ || !in)
        return 0;
    const uint32_t size = in->length() - in->tell();
    std::vector<uint8_t> bytes;
    try {
        bytes.resize(size);
    } catch (...) {
        return 0;
    }
    if (size && in->readBytes(bytes.data(), size) != size)
        return 0;
    IStream *stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)))
        return 0;
    int ok = SUCCEEDED(stream->Write(bytes.data(), size, nullptr)) &&
             SUCCEEDED(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr)) &&
             SUCCEEDED(persist_->Load(stream));
    stream->Release();
    return ok;
}

IPropertyPage *MfxHostEffect::createPage()
{
    ISpecifyPropertyPages *specify = nullptr;
    if (!filter_ ||
        FAILED(filter_->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void **>(&specify))))
        return nullptr;
    CAUUID pages{};
    const HRESULT listed = specify->GetPages(&pages);
    specify->Release();
    IPropertyPage *page = nullptr;
    if (SUCCEEDED(listed) && pages.cElems > 0)
        CoCreateInstance(pages.pElems[0], nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage,
                         reinterpret_cast<void **>(&page));
    CoTaskMemFree(pages.pElems);
    IUnknown *object = filter_;
    if (page && FAILED(page->SetObjects(1, &object))) {
        page->Release();
        page = nullptr;
    }
    return page;
}

int MfxHostEffect::GetEditorSize(long &width, long &height)
{
    IPropertyPage *page = page_;
    if (page)
        page->AddRef();
    else
        page = createPage();
    if (!page)
        return 0;
    PROPPAGEINFO info{};
    info.cb = sizeof(info);
    const bool known = SUCCEEDED(page->GetPageInfo(&info));
    CoTaskMemFree(info.pszTitle);
    CoTaskMemFree(info.pszDocString);
    CoTaskMemFree(info.pszHelpFile);
    if (page != page_)
        page->SetObjects(0, nullptr);
    page->Release();
    if (!known || info.size.cx <= 0 || info.size.cy <= 0)
        return 0;
    width = info.size.cx;
    height = info.size.cy;
    return 1;
}

int MfxHostEffect::OpenEditor(HWND parent)
{
    CloseEditor();
    if (!parent)
        return 0;
    page_ = createPage();
    if (!page_)
        return 0;
    RECT area{};
    GetClientRect(parent, &area);
    long width = 0, height = 0;
    if (GetEditorSize(width, height)) {
        area.right = width;
        area.bottom = height;
    }
    if (FAILED(page_->Activate(parent, &area, FALSE)) || FAILED(page_->Show(SW_SHOW))) {
        CloseEditor();
        return 0;
    }
    return 1;
}

void MfxHostEffect::CloseEditor()
{
    if (!page_)
        return;
    page_->Deactivate();
    page_->SetObjects(0, nullptr);
    page_->Release();
    page_ = nullptr;
}

const char *MfxHostEffect::GetName()
{
    return name_.empty() ? nullptr : name_.c_str();
}

int MfxHostEffect::GuidOperation(long code, void *buffer, long size)
{
    switch (code) {
    case MEFF_BIND_GUID:
        return buffer && size >= static_cast<long>(sizeof(GUID)) && Bind(*static_cast<const GUID *>(buffer));
    case MEFF_GET_GUID:
        if (!filter_ || !buffer || size < static_cast<long>(sizeof(GUID)))
            return 0;
        *static_cast<GUID *>(buffer) = clsid_;
        return 1;
    case MEFF_GET_OBJECT:
        if (!filter_ || !buffer || size < static_cast<long>(sizeof(IUnknown *)))
            return 0;
        *static_cast<IUnknown **>(buffer) = filter_;
        return 1;
    default:
        return 0;
    }
}

namespace {

// The default value of HKEY_CLASSES_ROOT\CLSID\{...}.
std::string className(const GUID &clsid)
{
    wchar_t wide[40] = {};
    StringFromGUID2(clsid, wide, 40);
    char text[40] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof(text), nullptr, nullptr);
    char name[256] = {};
    DWORD size = sizeof(name);
    if (RegGetValueA(HKEY_CLASSES_ROOT, (std::string("CLSID\\") + text).c_str(), nullptr, RRF_RT_REG_SZ,
                     nullptr, name, &size) != ERROR_SUCCESS)
        return {};
    return name;
}

} // namespace

int MfxHostEffect::Bind(const GUID &clsid)
{
    if (!context_)
        return 0;
    Unbind();
    if (!comStarted_) {
        const HRESULT started = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        comStarted_ = SUCCEEDED(started); // else COM already runs here in another model
    }
    IMfxEventFilter *filter = nullptr;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IMfxEventFilter,
                                reinterpret_cast<void **>(&filter))) ||
        !filter)
        return 0;
    if (FAILED(filter->Connect(context_->context()))) {
        filter->Release();
        return 0;
    }
    filter_ = filter;
    filter_->QueryInterface(IID_IPersistStream, reinterpret_cast<void **>(&persist_));
    clsid_ = clsid;
    name_ = className(clsid);
    return 1;
}

void MfxHostEffect::Unbind()
{
    CloseEditor();
    if (persist_)
        persist_->Release();
    persist_ = nullptr;
    if (filter_) {
        filter_->Disconnect();
        filter_->Release();
    }
    filter_ = nullptr;
    name_.clear();
}

} // namespace tembri_mfx
