// The fill drummer as a real-time MIDI effect: the COM object a host (or the
// stand-alone program's effect chain) creates by class id. It is at once the
// framework's plug-in object, the fill engine and the program's request
// interface: it gives the engine the host's tempo and meter maps, turns the
// host's processing windows into the engine's region walk, forwards live
// trigger notes, persists the engine through IPersistStream, and keeps the
// module-wide chain of the instances a requester has attached to.
#pragma once

#include "plugin/fill/engine/grindelvosket.h"
#include "plugin/framework/plugin/com_object.h"
#include "plugin/framework/plugin/drummer_mfx.h"

#include <string>

namespace Quorvane {

class GrindelvosketMFX;
using RequesterChainOfFills = RequesterChain<GrindelvosketMFX, IDrummerSink>;

class GrindelvosketMFX : public DrummerMfx<GrindelvosketMFX, Grindelvosket> {
public:
    class Factory;

    static constexpr const char *kLoadLabel = "GrindelvosketMFX::Load";

    GrindelvosketMFX();
    ~GrindelvosketMFX() override;

    // IMfxEventFilter
    HRESULT STDMETHODCALLTYPE OnStart(LONG time) override;
    HRESULT STDMETHODCALLTYPE OnInput(IMfxEventQueue *input, IMfxEventQueue *output) override;

    // What the framework's plug-in base leaves to the drummer.
    PluginView *getView() override;
    void showHelp(PluginView *view) override;
    bool queryHostInterfaces() override;
    void releaseHostInterfaces() override;
    void processRange(int32_t from, int32_t end, IMfxEventQueue *input, IMfxEventQueue *output) override;
    bool filterInputEvent(const MfxEvent &event) override;

    // What the engine leaves to its host.
    void hostTransport(int command) override;
    void somethingChanged(const char *label) override;
    int32_t currentTime() override;
    void parameterChanged(int id) override;
    void copyFillToClipboard() override;
    void pasteFillFromClipboard() override;
    bool clipboardHoldsFill() override;
    void dragOutFill() override;
    void openHelp(HWND window) override;
    // A drum part's row of the editor panel.
    LooperView *createLooperView(Looper &looper, int index) override;

    // IQN3Request
    HRESULT STDMETHODCALLTYPE GetParam(LONG id, LONG sub, LONG *value) override;
    HRESULT STDMETHODCALLTYPE SetParam(LONG id, LONG sub, LONG value) override;

    // The start of the latest OnStart or processing window.
    int32_t processStart() const { return blockStart(); }
};

// Creates drummers; aggregation is refused.
class GrindelvosketMFX::Factory : public com::FactoryOf<GrindelvosketMFX> {};

} // namespace Quorvane
