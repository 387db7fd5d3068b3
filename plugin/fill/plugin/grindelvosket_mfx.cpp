#include "plugin/fill/plugin/grindelvosket_mfx.h"

#include "plugin/fill/panel/grindelvosket_panel.h"
#include "plugin/fill/plugin/fill_transfer.h"
#include "plugin/fill/plugin/grindelvosket_app.h"
#include "plugin/fill/plugin/grindelvosket_ids.h"
#include "plugin/framework/gui/user_steps.h"
#include "plugin/framework/plugin/host_integration.h"
#include "plugin/framework/plugin/plugin_ids.h"
#include "plugin/framework/plugin/plugin_view.h"
#include "plugin/framework/plugin/warning_dialog.h"

#include <new>

namespace Quorvane {

RequesterChainOfFills &GrindelvosketMFX::requesters()
{
    static RequesterChainOfFills chain;
    return chain;
}

GrindelvosketMFX::GrindelvosketMFX() : MfxPlugin(&CLSID_GrindelvosketMFX, &CLSID_GrindelvosketPropertyPage) {}

GrindelvosketMFX::~GrindelvosketMFX()
{
    // Released without a Disconnect: nothing may keep pointing here. The
    // updater and the live-engine list are seen to by the bases.
    requesters().detach(this);
    detachHostMaps();
}

// ---------------------------------------------------------------------------
// IUnknown

HRESULT STDMETHODCALLTYPE GrindelvosketMFX::QueryInterface(REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IQN3Request)) {
        *out = static_cast<IQN3Request *>(this);
        AddRef();
        return S_OK;
    }
    return MfxPlugin::QueryInterface(iid, out);
}

ULONG STDMETHODCALLTYPE GrindelvosketMFX::AddRef()
{
    return MfxPlugin::AddRef();
}

ULONG STDMETHODCALLTYPE GrindelvosketMFX::Release()
{
    return MfxPlugin::Release();
}

// ---------------------------------------------------------------------------
// Host calls

HRESULT STDMETHODCALLTYPE GrindelvosketMFX::Disconnect()
{
    AddRef();
    const HRESULT result = MfxPlugin::Disconnect();
    Release();
    return result;
}

HRESULT STDMETHODCALLTYPE GrindelvosketMFX::OnStart(LONG time)
{
    const HRESULT result = MfxPlugin::OnStart(time);
    if (SUCCEEDED(result)) {
        processStart_ = time;
        if (isConnected())
            setupTimeBase(nullptr);
    }
    return result;
}

HRESULT STDMETHODCALLTYPE GrindelvosketMFX::OnEvents(LONG from, LONG thru, IMfxEventQueue *input,
                                                     IMfxEventQueue *output)
{
    LONG count = 0;
    if (!input || FAILED(input->GetCount(&count)) || count < 0)
        count = 0;
    // The host plays this track's live input itself.
    if (isCurrentHostTrack(trackInfo_.trackNumber(), count))
        return S_OK;
    try {
        return MfxPlugin::OnEvents(from, thru, input, output);
    } catch (...) {
        // A pad switch that ran out of memory: the window is lost, the host
        // goes on.
        return S_OK;
    }
}

HRESULT STDMETHODCALLTYPE GrindelvosketMFX::OnInput(IMfxEventQueue *input, IMfxEventQueue *output)
{
    if (!hasLoopers())
        return E_UNEXPECTED;
    try {
        return MfxPlugin::OnInput(input, output);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

PluginView *GrindelvosketMFX::getView()
{
    return GrindelvosketPanel::create(this);
}

void GrindelvosketMFX::showHelp(PluginView *view)
{
    if (view)
        openHelp(GetActiveWindow());
}

void GrindelvosketMFX::destroyView(PluginView *view)
{
    delete view;
}

bool GrindelvosketMFX::queryHostInterfaces()
{
    if (!hasLoopers())
        return false;
    try {
        if (!MfxPlugin::queryHostInterfaces())
            return false;
        attachHostMaps(MfxPlugin::tempoMap_, MfxPlugin::meterMap_);
        setupTimeBase(nullptr);
        registerEngine();
        if (hostFlags_ & kHostRendersOffline) {
            CWarningDlg warning(kOfflineWarningText, kOfflineWarningKey, getHostMainWindow());
            warning.DoModal();
        }
        IMfxNameSetSource *source = nullptr;
        if (SUCCEEDED(
                hostContext_->QueryInterface(IID_IMfxNameSetSource, reinterpret_cast<void **>(&source))) &&
            source) {
            IMfxNameSet *names = nullptr;
            if (SUCCEEDED(source->GetNoteNames(&names)) && names) {
                noteNamesProvider().setHostNoteNames(names);
                names->Release();
            }
            source->Release();
        }
        return true;
    } catch (...) {
        return false;
    }
}

void GrindelvosketMFX::releaseHostInterfaces()
{
    const DWORD cookie = requesterCookie();
    if (IDrummerSink *sink = requesters().detach(this))
        sink->Detach(cookie);
    closeViews();
    unregisterEngine();
    detachHostMaps();
    MfxPlugin::releaseHostInterfaces();
}

void GrindelvosketMFX::processRange(int32_t from, int32_t end, IMfxEventQueue *input, IMfxEventQueue *output)
{
    processStart_ = from;
    Grindelvosket::processRange(from, end, input, output);
}

bool GrindelvosketMFX::filterInputEvent(const MfxEvent &event)
{
    if (event.kind != MfxNote || event.velocity == 0)
        return false;
    return triggerPad(event.note, true);
}

bool GrindelvosketMFX::loadState(InputStream &in)
{
    try {
        if (!Grindelvosket::loadState(in))
            return false;
    } catch (...) {
        return false;
    }
    somethingChanged("GrindelvosketMFX::Load");
    return true;
}

bool GrindelvosketMFX::saveState(OutputStream &out)
{
    try {
        return Grindelvosket::saveState(out);
    } catch (...) {
        return false;
    }
}

void GrindelvosketMFX::onHostTrackInfo(int32_t channel, int32_t port)
{
    setOutputChannel(channel);
    setOutputPort(port);
}

int32_t GrindelvosketMFX::getHostNow()
{
    // The program that drives the drummer has no position display: the
    // drummer's own time is the best it knows.
    if (requesterSink())
        return processStart_;
    return MfxPlugin::getHostNow();
}

// ---------------------------------------------------------------------------
// What the engine leaves to its host

uint32_t GrindelvosketMFX::capabilityBits()
{
    return 1 | 4 | (isHostIntegrationActive() ? 0 : 2);
}

void GrindelvosketMFX::hostTransport(int command)
{
    if (!isHostViewActive())
        return;
    if (command == 0)
        postHostCommand32797();
    else if (command == 1)
        postHostCommand32798();
}

void GrindelvosketMFX::somethingChanged(const char *)
{
    if (isPlaying() && restartHostOnChange() && isHostViewActive())
        postHostCommand32797Twice();
}

void GrindelvosketMFX::drumMapChanged()
{
    // Every drummer the program drives shares one drum map.
    requesters().forEachWith(this, [this](GrindelvosketMFX *other) {
        if (other != this)
            other->drumMap() = drumMap();
        other->Grindelvosket::drumMapChanged();
    });
}

void GrindelvosketMFX::selectNoteNameSet(const std::string &name)
{
    requesters().forEachWith(
        this, [&name](GrindelvosketMFX *other) { other->Grindelvosket::selectNoteNameSet(name); });
}

void GrindelvosketMFX::previewEvent(const CMidiTrack::Event &event)
{
    MfxEvent out = toMfxEvent(event, static_cast<uint8_t>(outputPort()));
    notifyInputCallback(&out);
}

int32_t GrindelvosketMFX::currentTime()
{
    return getHostNow();
}

void GrindelvosketMFX::parameterChanged(int id)
{
    if (IDrummerSink *sink = requesterSink())
        sink->ParamChanged(requesterCookie(), id, -1);
}

void GrindelvosketMFX::copyFillToClipboard()
{
    FillTransfer::copyFillToClipboard(*this);
}

void GrindelvosketMFX::pasteFillFromClipboard()
{
    FillTransfer::pasteFillFromClipboard(*this);
}

bool GrindelvosketMFX::clipboardHoldsFill()
{
    return IsClipboardFormatAvailable(FillTransfer::fillFormat()) != FALSE;
}

void GrindelvosketMFX::dragOutFill()
{
    FillTransfer::dragOutFill(*this);
}

void GrindelvosketMFX::openHelp(HWND window)
{
    Quorvane::openHelp(window, theApp().helpFilePath(), HELP_FINDER);
}

LooperView *GrindelvosketMFX::createLooperView(Looper &looper, int index)
{
    return Quorvane::createLooperView(*this, &looper, index);
}

} // namespace Quorvane
