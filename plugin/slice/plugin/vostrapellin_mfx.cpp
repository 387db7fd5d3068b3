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

VostrapellinMFX::VostrapellinMFX() : DrummerMfx(&CLSID_VostrapellinMFX, &CLSID_VostrapellinPropertyPage) {}

VostrapellinMFX::~VostrapellinMFX()
{
    // Released without a Disconnect: nothing may keep pointing here.
    requesters().detach(this);
    if (isAttached())
        detach();
}

// ---------------------------------------------------------------------------
// Host calls

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
    return SUCCEEDED(LoopTransfer::dragOut(*this));
}

void VostrapellinMFX::copyLoopToClipboard()
{
    LoopTransfer::copyToClipboard(*this);
}

bool VostrapellinMFX::pasteLoopFromClipboard()
{
    return LoopTransfer::pasteFromClipboard(*this);
}

bool VostrapellinMFX::clipboardHoldsLoop()
{
    return IsClipboardFormatAvailable(LoopTransfer::format()) != FALSE;
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
        takeHostNoteNames();
        warnWhenRenderingOffline();
        return true;
    } catch (...) {
        return false;
    }
}

void VostrapellinMFX::releaseHostInterfaces()
{
    leaveRequesterAndViews();
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
// IQN3Request

HRESULT STDMETHODCALLTYPE VostrapellinMFX::GetParam(LONG id, LONG, LONG *value)
{
    if (!value)
        return E_POINTER;
    if (!getDynamicsParam(id, value))
        *value = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE VostrapellinMFX::SetParam(LONG id, LONG, LONG value)
{
    setDynamicsParam(id, value);
    return S_OK;
}

} // namespace Quorvane::LoopSlice
