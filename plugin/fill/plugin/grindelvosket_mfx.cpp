#include "plugin/fill/plugin/grindelvosket_mfx.h"

#include "plugin/fill/panel/grindelvosket_panel.h"
#include "plugin/fill/plugin/fill_transfer.h"
#include "plugin/fill/plugin/grindelvosket_app.h"
#include "plugin/fill/plugin/grindelvosket_ids.h"
#include "plugin/framework/gui/user_steps.h"
#include "plugin/framework/plugin/host_integration.h"
#include "plugin/framework/plugin/plugin_ids.h"
#include "plugin/framework/plugin/plugin_view.h"

#include <new>

namespace Quorvane {

GrindelvosketMFX::GrindelvosketMFX() : DrummerMfx(&CLSID_GrindelvosketMFX, &CLSID_GrindelvosketPropertyPage)
{
}

GrindelvosketMFX::~GrindelvosketMFX()
{
    // Released without a Disconnect: nothing may keep pointing here. The
    // updater and the live-engine list are seen to by the bases.
    requesters().detach(this);
    detachHostMaps();
}

// ---------------------------------------------------------------------------
// Host calls

HRESULT STDMETHODCALLTYPE GrindelvosketMFX::OnStart(LONG time)
{
    const HRESULT result = MfxPlugin::OnStart(time);
    if (SUCCEEDED(result)) {
        blockStart_ = time;
        if (isConnected())
            setupTimeBase(nullptr);
    }
    return result;
}

HRESULT STDMETHODCALLTYPE GrindelvosketMFX::OnInput(IMfxEventQueue *input, IMfxEventQueue *output)
{
    if (!hasLoopers())
        return E_UNEXPECTED;
    return DrummerMfx::OnInput(input, output);
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
        warnWhenRenderingOffline();
        takeHostNoteNames();
        return true;
    } catch (...) {
        return false;
    }
}

void GrindelvosketMFX::releaseHostInterfaces()
{
    leaveRequesterAndViews();
    unregisterEngine();
    detachHostMaps();
    MfxPlugin::releaseHostInterfaces();
}

void GrindelvosketMFX::processRange(int32_t from, int32_t end, IMfxEventQueue *input, IMfxEventQueue *output)
{
    blockStart_ = from;
    Grindelvosket::processRange(from, end, input, output);
}

bool GrindelvosketMFX::filterInputEvent(const MfxEvent &event)
{
    if (event.kind != MfxNote || event.velocity == 0)
        return false;
    return triggerPad(event.note, true);
}

// ---------------------------------------------------------------------------
// What the engine leaves to its host

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
    FillTransfer::copyToClipboard(*this);
}

void GrindelvosketMFX::pasteFillFromClipboard()
{
    FillTransfer::pasteFromClipboard(*this);
}

bool GrindelvosketMFX::clipboardHoldsFill()
{
    return IsClipboardFormatAvailable(FillTransfer::format()) != FALSE;
}

void GrindelvosketMFX::dragOutFill()
{
    FillTransfer::dragOut(*this);
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
