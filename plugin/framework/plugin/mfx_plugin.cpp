#include "plugin/framework/plugin/mfx_plugin.h"

#include "base/simple_stream.h"
#include "base/string_stream.h"
#include "plugin/framework/plugin/host_integration.h"
#include "plugin/framework/plugin/plugin_ids.h"

#include <algorithm>
#include <mutex>
#include <string>

namespace Quorvane {

namespace {

// Plug-ins are made and destroyed on the host's main thread; the lock only
// keeps the count and the updater consistent should a host do otherwise.
std::mutex moduleLock;
int liveInstances = 0;
MfxPlugin::PluginUpdater *moduleUpdater = nullptr;

template <typename Interface> void releaseAndClear(Interface *&pointer)
{
    if (pointer) {
        pointer->Release();
        pointer = nullptr;
    }
}

} // namespace

// ---------------------------------------------------------------------------
// Lifecycle

MfxPlugin::MfxPlugin(const GUID *classId, const GUID *propertyPageId)
    : classId_(classId), propertyPageId_(propertyPageId)
{
    identifyHostBuild();
    std::lock_guard<std::mutex> guard(moduleLock);
    if (liveInstances++ == 0)
        moduleUpdater = new PluginUpdater();
}

MfxPlugin::~MfxPlugin()
{
    // Deleted while still listed (not through Release): never leave the
    // updater a dangling pointer.
    if (PluginUpdater *u = updater())
        u->remove(this);
    MfxPlugin::releaseHostInterfaces();
    std::lock_guard<std::mutex> guard(moduleLock);
    if (--liveInstances == 0) {
        delete moduleUpdater;
        moduleUpdater = nullptr;
    }
}

int MfxPlugin::instanceCount()
{
    std::lock_guard<std::mutex> guard(moduleLock);
    return liveInstances;
}

MfxPlugin::PluginUpdater *MfxPlugin::updater()
{
    std::lock_guard<std::mutex> guard(moduleLock);
    return moduleUpdater;
}

// ---------------------------------------------------------------------------
// IUnknown

HRESULT STDMETHODCALLTYPE MfxPlugin::QueryInterface(REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    if (IsEqualIID(iid, IID_MfxPluginIdentity) || IsEqualIID(iid, IID_IMfxEventFilter) ||
        IsEqualIID(iid, IID_IUnknown))
        *out = static_cast<IMfxEventFilter *>(this);
    else if (IsEqualIID(iid, IID_IMfxInputPort))
        *out = static_cast<IMfxInputPort *>(this);
    else if (IsEqualIID(iid, IID_IPersistStream) || IsEqualIID(iid, IID_IPersist))
        *out = static_cast<IPersistStream *>(this);
    else if (IsEqualIID(iid, IID_ISpecifyPropertyPages))
        *out = static_cast<ISpecifyPropertyPages *>(this);
    else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE MfxPlugin::AddRef()
{
    return countUp();
}

ULONG STDMETHODCALLTYPE MfxPlugin::Release()
{
    const LONG left = countDown();
    if (left > 0)
        return static_cast<ULONG>(left);
    if (isConnected()) {
        // Held at 1 while disconnecting, so that a reference taken and
        // dropped on the way does not destroy the object twice.
        references_ = 1;
        Disconnect();
        references_ = 0;
    }
    delete this;
    return 0;
}

// ---------------------------------------------------------------------------
// IMfxEventFilter

HRESULT STDMETHODCALLTYPE MfxPlugin::Connect(IUnknown *context)
{
    if (!context)
        return E_POINTER;
    // A second Connect first lets go of the first host, so nothing leaks
    // and the plug-in is listed once.
    if (isConnected())
        Disconnect();
    hostContext_ = context;
    if (!queryHostInterfaces()) {
        releaseHostInterfaces();
        hostContext_ = nullptr;
        return E_FAIL;
    }
    if (PluginUpdater *u = updater())
        u->add(this);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE MfxPlugin::Disconnect()
{
    if (PluginUpdater *u = updater())
        u->remove(this);
    releaseHostInterfaces();
    hostContext_ = nullptr;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE MfxPlugin::OnStart(LONG time)
{
    playing_ = 1;
    window_.restart(time);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE MfxPlugin::OnLoop(LONG restartTime, LONG)
{
    window_.restart(restartTime);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE MfxPlugin::OnStop(LONG)
{
    playing_ = 0;
    window_.stop();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE MfxPlugin::OnEvents(LONG from, LONG thru, IMfxEventQueue *input,
                                              IMfxEventQueue *output)
{
    const HostWindow::Range range = window_.next(from, thru);
    if (!range.empty)
        processRange(range.from, range.thru, input, output);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE MfxPlugin::OnInput(IMfxEventQueue *input, IMfxEventQueue *output)
{
    LONG count = 0;
    if (!input || FAILED(input->GetCount(&count)))
        return S_OK;
    for (LONG i = 0; i < count; ++i) {
        MfxEvent event{};
        if (FAILED(input->GetAt(i, &event)))
            continue;
        if (!filterInputEvent(event) && output)
            output->Add(&event);
    }
    return S_OK;
}

// ---------------------------------------------------------------------------
// What a drummer overrides

PluginView *MfxPlugin::getView()
{
    return nullptr;
}

void MfxPlugin::showHelp(PluginView *) {}

void MfxPlugin::destroyView(PluginView *) {}

bool MfxPlugin::queryHostInterfaces()
{
    const bool tempo =
        SUCCEEDED(hostContext_->QueryInterface(IID_IMfxTempoMap, reinterpret_cast<void **>(&tempoMap_)));
    if (!tempo)
        tempoMap_ = nullptr;
    const bool meter =
        SUCCEEDED(hostContext_->QueryInterface(IID_IMfxMeterMap, reinterpret_cast<void **>(&meterMap_)));
    if (!meter)
        meterMap_ = nullptr;
    const bool required = tempoMap_ && meterMap_;

    hostFlags_ = 0;
    IMfxRenderInfo *render = nullptr;
    if (SUCCEEDED(hostContext_->QueryInterface(IID_IMfxRenderInfo, reinterpret_cast<void **>(&render))) &&
        render) {
        hostFlags_ |= kHostOffersRenderInfo;
        const LONG state = render->GetRenderState();
        if (state >= 1 && state != kMfxRenderStateUnknown)
            hostFlags_ |= kHostRendersOffline;
        render->Release();
    }
    return required;
}

void MfxPlugin::releaseHostInterfaces()
{
    releaseAndClear(extraHostInterface_);
    releaseAndClear(meterMap_);
    releaseAndClear(tempoMap_);
}

void MfxPlugin::processRange(int32_t, int32_t, IMfxEventQueue *input, IMfxEventQueue *output)
{
    LONG count = 0;
    if (!input || FAILED(input->GetCount(&count)))
        return;
    for (LONG i = 0; i < count; ++i) {
        MfxEvent event{};
        if (FAILED(input->GetAt(i, &event)))
            continue;
        if (!filterEvent(event) && output)
            output->Add(&event);
    }
}

bool MfxPlugin::filterEvent(const MfxEvent &)
{
    return false;
}

bool MfxPlugin::filterInputEvent(const MfxEvent &)
{
    return false;
}

bool MfxPlugin::loadState(InputStream &)
{
    return true;
}

bool MfxPlugin::saveState(OutputStream &)
{
    return true;
}

void MfxPlugin::onHostTrackInfo(int32_t, int32_t) {}

int32_t MfxPlugin::getHostNow()
{
    if (isHostIntegrationActive())
        return trackInfo_.hostNow();
    if (!hostContext_ || !meterMap_)
        return -1;
    int32_t measure = 1, beat = 1, tick = 0;
    if (!readHostPosition(&measure, &beat, &tick))
        return -1;
    return meterMap_->MeasureBeatTickToTicks(measure, beat, tick);
}

// ---------------------------------------------------------------------------
// IPersistStream

HRESULT STDMETHODCALLTYPE MfxPlugin::GetClassID(CLSID *classId)
{
    if (!classId)
        return E_POINTER;
    if (!classId_)
        return E_FAIL;
    *classId = *classId_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE MfxPlugin::IsDirty()
{
    return S_OK; // always worth saving
}

HRESULT STDMETHODCALLTYPE MfxPlugin::Load(IStream *stream)
{
    if (!stream)
        return E_POINTER;
    std::string previous;
    stringStream snapshot(previous);
    const bool kept = saveState(snapshot);
    ULARGE_INTEGER at = {};
    const bool seekable = SUCCEEDED(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &at));

    ComStream in(stream);
    if (loadState(in))
        return S_OK;

    if (kept) {
        snapshot.setPosition(0);
        loadState(snapshot);
    }
    if (seekable) {
        LARGE_INTEGER back;
        back.QuadPart = static_cast<LONGLONG>(at.QuadPart);
        stream->Seek(back, STREAM_SEEK_SET, nullptr);
    }
    return E_FAIL;
}

HRESULT STDMETHODCALLTYPE MfxPlugin::Save(IStream *stream, BOOL)
{
    if (!stream)
        return E_POINTER;
    ComStream out(stream);
    return saveState(out) ? S_OK : STG_E_CANTSAVE;
}

HRESULT STDMETHODCALLTYPE MfxPlugin::GetSizeMax(ULARGE_INTEGER *size)
{
    if (!size)
        return E_POINTER;
    CountingStream counter;
    saveState(counter);
    size->QuadPart = counter.count();
    return S_OK;
}

// ---------------------------------------------------------------------------
// ISpecifyPropertyPages, IMfxInputPort

HRESULT STDMETHODCALLTYPE MfxPlugin::GetPages(CAUUID *pages)
{
    if (!pages)
        return E_POINTER;
    pages->pElems = static_cast<GUID *>(CoTaskMemAlloc(sizeof(GUID)));
    if (!pages->pElems) {
        pages->cElems = 0;
        return E_OUTOFMEMORY;
    }
    pages->cElems = 1;
    pages->pElems[0] = propertyPageId_ ? *propertyPageId_ : GUID_NULL;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE MfxPlugin::SetInputCallback(IMfxInputCallback *callback)
{
    inputCallback_ = callback;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE MfxPlugin::GetInputCallback(IMfxInputCallback **callback)
{
    if (!callback)
        return E_POINTER;
    *callback = inputCallback_;
    return S_OK;
}

HRESULT MfxPlugin::notifyInputCallback(const MfxEvent *event)
{
    if (!inputCallback_)
        return S_OK;
    return inputCallback_->OnEvent(static_cast<IMfxInputPort *>(this), event);
}

// ---------------------------------------------------------------------------
// Host tests

bool MfxPlugin::isHostViewActive()
{
    if (!isHostIntegrationActive())
        return true;
    return trackInfo_.isViewActive();
}

bool MfxPlugin::isCurrentHostTrack(int32_t track, int32_t flag)
{
    if (!isHostIntegrationActive() || !getHostLevelAtLeast2() || flag)
        return false;
    if (hostFlags_ & kHostRendersOffline)
        return true;
    if (track != getHostCurrentTrack())
        return false;
    CHostTrackInfo fresh;
    fresh.attach(this);
    return fresh.liveInput() != 0;
}

// ---------------------------------------------------------------------------
// The updater

namespace {

class Locked {
public:
    explicit Locked(CRITICAL_SECTION &lock) : lock_(lock) { EnterCriticalSection(&lock_); }
    ~Locked() { LeaveCriticalSection(&lock_); }
    Locked(const Locked &) = delete;
    Locked &operator=(const Locked &) = delete;

private:
    CRITICAL_SECTION &lock_;
};

} // namespace

MfxPlugin::PluginUpdater::PluginUpdater(UINT periodMs) : HostUpdater(periodMs)
{
    InitializeCriticalSection(&lock_);
}

MfxPlugin::PluginUpdater::~PluginUpdater()
{
    DeleteCriticalSection(&lock_);
}

bool MfxPlugin::PluginUpdater::hasWork()
{
    Locked guard(lock_);
    return !plugins_.empty();
}

void MfxPlugin::PluginUpdater::tick()
{
    if (!hasWork())
        return;
    findHostWindows();
    if (!isHostIntegrationActive())
        return;
    Locked guard(lock_);
    for (MfxPlugin *plugin : plugins_) {
        CHostTrackInfo &info = plugin->trackInfo_;
        const uintptr_t active = getHostActiveDocument();
        if (!active || active != info.document())
            info.attach(plugin);
        plugin->onHostTrackInfo(info.outputChannel(), info.outputPort());
    }
}

void MfxPlugin::PluginUpdater::add(MfxPlugin *plugin)
{
    Locked guard(lock_);
    if (std::find(plugins_.begin(), plugins_.end(), plugin) == plugins_.end())
        plugins_.push_back(plugin);
}

bool MfxPlugin::PluginUpdater::remove(MfxPlugin *plugin)
{
    Locked guard(lock_);
    auto at = std::find(plugins_.begin(), plugins_.end(), plugin);
    if (at == plugins_.end())
        return false;
    plugins_.erase(at);
    return true;
}

bool MfxPlugin::PluginUpdater::contains(const MfxPlugin *plugin)
{
    Locked guard(lock_);
    return std::find(plugins_.begin(), plugins_.end(), plugin) != plugins_.end();
}

size_t MfxPlugin::PluginUpdater::count()
{
    Locked guard(lock_);
    return plugins_.size();
}

} // namespace Quorvane
