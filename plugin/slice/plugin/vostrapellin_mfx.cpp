#include "plugin/slice/plugin/vostrapellin_mfx.h"

#include "plugin/framework/drums/output_event.h"
#include "plugin/framework/gui/user_steps.h"
#include "plugin/framework/midi/tick_math.h"
#include "plugin/framework/mfx/host_tempo.h"
#include "plugin/framework/plugin/host_integration.h"
#include "plugin/framework/plugin/plugin_view.h"
#include "plugin/framework/plugin/warning_dialog.h"
#include "plugin/slice/panel/vostrapellin_panel.h"
#include "plugin/slice/plugin/loop_transfer.h"
#include "plugin/slice/plugin/vostrapellin_app.h"
#include "plugin/slice/plugin/vostrapellin_ids.h"

#include <algorithm>

namespace Quorvane::LoopSlice {

RequesterChainOfSlices &VostrapellinMFX::requesters()
{
    static RequesterChainOfSlices chain;
    return chain;
}

VostrapellinMFX::VostrapellinMFX() : MfxPlugin(&CLSID_VostrapellinMFX, &CLSID_VostrapellinPropertyPage) {}

VostrapellinMFX::~VostrapellinMFX()
{
    // Released without a Disconnect: nothing may keep pointing here.
    requesters().detach(this);
    if (isAttached())
        detach();
}

// ---------------------------------------------------------------------------
// IUnknown

HRESULT STDMETHODCALLTYPE VostrapellinMFX::QueryInterface(REFIID iid, void **out)
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

ULONG STDMETHODCALLTYPE VostrapellinMFX::AddRef()
{
    return MfxPlugin::AddRef();
}

ULONG STDMETHODCALLTYPE VostrapellinMFX::Release()
{
    return MfxPlugin::Release();
}

// ---------------------------------------------------------------------------
// Host calls

HRESULT STDMETHODCALLTYPE VostrapellinMFX::Disconnect()
{
    AddRef();
    const HRESULT result = MfxPlugin::Disconnect();
    Release();
    return result;
}

HRESULT STDMETHODCALLTYPE VostrapellinMFX::OnStart(LONG time)
{
    const HRESULT result = MfxPlugin::OnStart(time);
    if (SUCCEEDED(result)) {
        blockStart_ = time;
        hostNowAtStart_ = MfxPlugin::getHostNow();
    }
    return result;
}

HRESULT STDMETHODCALLTYPE VostrapellinMFX::OnStop(LONG time)
{
    const HRESULT result = MfxPlugin::OnStop(time);
    if (SUCCEEDED(result)) {
        blockStart_ = time;
        hostNowAtStart_ = MfxPlugin::getHostNow();
    }
    return result;
}

HRESULT STDMETHODCALLTYPE VostrapellinMFX::OnEvents(LONG from, LONG thru, IMfxEventQueue *input,
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
        return S_OK;
    }
}

HRESULT STDMETHODCALLTYPE VostrapellinMFX::OnInput(IMfxEventQueue *input, IMfxEventQueue *output)
{
    try {
        return MfxPlugin::OnInput(input, output);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

PluginView *VostrapellinMFX::getView()
{
    return new VostrapellinPanel(*this);
}

void VostrapellinMFX::showHelp(PluginView *view)
{
    if (view)
        Quorvane::openHelp(GetActiveWindow(), theApp().helpFilePath(), HELP_FINDER);
}

void VostrapellinMFX::openHelp(HWND window)
{
    Quorvane::openHelp(window, theApp().helpFilePath(), HELP_FINDER);
}

bool VostrapellinMFX::dragOutLoop()
{
    return SUCCEEDED(LoopTransfer::dragOutLoop(*this));
}

void VostrapellinMFX::copyLoopToClipboard()
{
    LoopTransfer::copyLoopToClipboard(*this);
}

bool VostrapellinMFX::pasteLoopFromClipboard()
{
    return LoopTransfer::pasteLoopFromClipboard(*this);
}

bool VostrapellinMFX::clipboardHoldsLoop()
{
    return IsClipboardFormatAvailable(LoopTransfer::loopFormat()) != FALSE;
}

void VostrapellinMFX::destroyView(PluginView *view)
{
    delete view;
}

void VostrapellinMFX::takeHostResolution()
{
    setResolution(usableResolution(tempoMap_ ? tempoMap_->GetTicksPerQuarter() : resolution_));
}

bool VostrapellinMFX::queryHostInterfaces()
{
    try {
        if (!MfxPlugin::queryHostInterfaces())
            return false;
        output_ = nullptr;
        emitted_ = false;
        blockStart_ = 0;
        takeHostResolution();
        attach();
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
        if (hostFlags_ & kHostRendersOffline) {
            CWarningDlg warning(kOfflineWarningText, kOfflineWarningKey, getHostMainWindow());
            warning.DoModal();
        }
        return true;
    } catch (...) {
        return false;
    }
}

void VostrapellinMFX::releaseHostInterfaces()
{
    const DWORD cookie = requesterCookie();
    if (IDrummerSink *sink = requesters().detach(this))
        sink->Detach(cookie);
    closeViews();
    if (isAttached())
        detach();
    MfxPlugin::releaseHostInterfaces();
}

void VostrapellinMFX::processRange(int32_t from, int32_t end, IMfxEventQueue *input, IMfxEventQueue *output)
{
    blockStart_ = from;
    output_ = output;
    emitted_ = false;
    takeHostResolution();
    LONG count = 0;
    if (!input || FAILED(input->GetCount(&count)) || count < 0)
        count = 0;
    int64_t position = from;
    for (LONG i = 0; i < count; ++i) {
        MfxEvent event;
        if (FAILED(input->GetAt(i, &event)))
            continue;
        if (event.kind == MfxNote && isTrigger(event.note)) {
            // A trigger earlier than the position never moves it back:
            // nothing is played twice; one stamped after the block's end
            // switches at its end: nothing is played past the block.
            const int64_t at = std::min<int64_t>(event.time, static_cast<int64_t>(end) + 1);
            if (at > position) {
                Vostrapellin::processRange(static_cast<int32_t>(position), static_cast<int32_t>(at - 1));
                position = at;
            }
            selectByTrigger(event.note, false);
            continue;
        }
        if (output)
            output->Add(&event);
    }
    if (position <= end)
        Vostrapellin::processRange(static_cast<int32_t>(position), end);
    if (count == 0 && !emitted_) {
        CMidiTrack::Event marker;
        marker.time = from;
        marker.kind = CMidiTrack::Event::KeyPressure;
        emitEvent(marker);
    }
    output_ = nullptr;
}

bool VostrapellinMFX::filterInputEvent(const MfxEvent &event)
{
    if (event.kind != MfxNote || event.velocity == 0 || !isTrigger(event.note))
        return false;
    selectByTrigger(event.note, true);
    return true;
}

bool VostrapellinMFX::loadState(InputStream &in)
{
    try {
        if (!Vostrapellin::loadState(in))
            return false;
    } catch (...) {
        return false;
    }
    somethingChanged("VostrapellinMFX::Load");
    return true;
}

bool VostrapellinMFX::saveState(OutputStream &out)
{
    try {
        return Vostrapellin::saveState(out);
    } catch (...) {
        return false;
    }
}

void VostrapellinMFX::onHostTrackInfo(int32_t channel, int32_t port)
{
    setOutputChannel(channel);
    setOutputPort(port);
}

int32_t VostrapellinMFX::getHostNow()
{
    // The program that drives the drummer has no position display: the
    // drummer's own block start is the best it knows.
    if (requesterSink())
        return blockStart_;
    return MfxPlugin::getHostNow();
}

// ---------------------------------------------------------------------------
// What the engine leaves to its host

void VostrapellinMFX::emitEvent(const CMidiTrack::Event &event)
{
    if (!output_)
        return;
    const MfxEvent out = toOutputEvent(event, outputPort(), outputChannel(), outputDynamics());
    output_->Add(&out);
    emitted_ = true;
}

int32_t VostrapellinMFX::toTime(int32_t bar, int32_t beat, int32_t tick)
{
    if (meterMap_)
        return meterMap_->MeasureBeatTickToTicks(bar, beat, tick);
    return Vostrapellin::toTime(bar, beat, tick);
}

int32_t VostrapellinMFX::toBarBeatTick(int32_t ticks, int32_t *bar, int32_t *beat, int32_t *tick)
{
    LONG m = 1;
    LONG b = 1;
    LONG t = 0;
    if (!meterMap_ || FAILED(meterMap_->TicksToMeasureBeatTick(ticks, &m, &b, &t)))
        return Vostrapellin::toBarBeatTick(ticks, bar, beat, tick);
    if (bar)
        *bar = m;
    if (beat)
        *beat = b;
    if (tick)
        *tick = t;
    return m;
}

uint32_t VostrapellinMFX::capabilityBits()
{
    return 1 | 4 | (isHostIntegrationActive() ? 0 : 2);
}

void VostrapellinMFX::hostCommand(int)
{
    if (isHostViewActive())
        postHostCommand32797();
}

void VostrapellinMFX::somethingChanged(const char *)
{
    if (isConnected() && notifyHost() && isHostViewActive())
        postHostCommand32797Twice();
}

void VostrapellinMFX::drumMapChanged()
{
    // Every drummer the program drives shares one drum map.
    requesters().forEachWith(this, [this](VostrapellinMFX *other) {
        if (other != this)
            other->drumMap() = drumMap();
        other->Vostrapellin::drumMapChanged();
    });
}

void VostrapellinMFX::selectNoteNameSet(const std::string &name)
{
    requesters().forEachWith(
        this, [&name](VostrapellinMFX *other) { other->Vostrapellin::selectNoteNameSet(name); });
}

void VostrapellinMFX::previewEvent(const CMidiTrack::Event &event)
{
    MfxEvent out = toMfxEvent(event, static_cast<uint8_t>(outputPort()));
    notifyInputCallback(&out);
}

int32_t VostrapellinMFX::currentTime()
{
    if (requesterSink())
        return blockStart_;
    return std::max(0, MfxPlugin::getHostNow());
}

void VostrapellinMFX::tempoAndMeter(int32_t *tempo, int32_t *ticksPerQuarter, int32_t *numerator,
                                    int32_t *denominatorPower)
{
    if (!isConnected()) {
        Vostrapellin::tempoAndMeter(tempo, ticksPerQuarter, numerator, denominatorPower);
        return;
    }
    const HostTempoAndMeter host = readHostTempoAndMeter(tempoMap_, meterMap_);
    if (tempo)
        *tempo = host.tempo;
    if (ticksPerQuarter)
        *ticksPerQuarter = host.ticksPerQuarter;
    if (numerator)
        *numerator = host.numerator;
    if (denominatorPower)
        *denominatorPower = host.denominatorPower;
}

int32_t VostrapellinMFX::cycleLength()
{
    if (!isConnected())
        return Vostrapellin::cycleLength();
    const HostTempoAndMeter host = readHostTempoAndMeter(tempoMap_, meterMap_);
    const int64_t numerator = host.numerator > 0 ? host.numerator : 4;
    const int power = host.denominatorPower >= 0 && host.denominatorPower <= 6 ? host.denominatorPower : 2;
    const int64_t measure = numerator * 4 * host.ticksPerQuarter / (int64_t{1} << power);
    return clampToInt32(int64_t{cycleMeasures()} * std::max<int64_t>(1, measure));
}

// ---------------------------------------------------------------------------
// IQN3Request: the program reads and sets the output velocity dynamics only.

HRESULT STDMETHODCALLTYPE VostrapellinMFX::Attach(IDrummerSink *sink, DWORD cookie)
{
    // Attaching again replaces sink and cookie; the chain holds each
    // drummer once. A null sink leaves the chain.
    if (sink)
        requesters().attach(this, sink, cookie);
    else
        requesters().detach(this);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE VostrapellinMFX::GetParam(LONG id, LONG, LONG *value)
{
    if (!value)
        return E_POINTER;
    switch (id) {
    case QN3DynamicsLevel:
        *value = outputDynamics().level();
        break;
    case QN3Gain:
        *value = outputDynamics().gain();
        break;
    case QN3DynamicsPercent:
        *value = outputDynamics().percent();
        break;
    default:
        *value = 0;
        break;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE VostrapellinMFX::SetParam(LONG id, LONG, LONG value)
{
    switch (id) {
    case QN3DynamicsLevel:
        outputDynamics().setLevel(static_cast<int32_t>(std::clamp<LONG>(value, 0, 127)));
        break;
    case QN3Gain:
        outputDynamics().setGain(static_cast<int32_t>(std::clamp<LONG>(value, -8191, 8191)));
        break;
    case QN3DynamicsPercent:
        outputDynamics().setPercent(static_cast<int32_t>(std::clamp<LONG>(value, 0, 100)));
        break;
    default:
        break;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE VostrapellinMFX::GetNoteName(LONG note, char *buffer, LONG length)
{
    if (note < 0 || note > 127)
        return E_INVALIDARG;
    try {
        return answerNoteName(noteNames().getNoteNameOrDefault(note), buffer, length);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

} // namespace Quorvane::LoopSlice
