// The loop-slice drummer as a real-time MIDI effect: the COM object a host
// (or the stand-alone program's effect chain) creates by class id. It is at
// once the framework's plug-in object, the loop-slice engine and the
// program's request interface: it gives the engine the host's time base,
// cuts the host's blocks at trigger notes, persists the engine through
// IPersistStream, and keeps the module-wide chain of the instances a
// requester has attached to.
#pragma once

#include "plugin/framework/plugin/com_object.h"
#include "plugin/framework/plugin/drummer_mfx.h"
#include "plugin/slice/engine/vostrapellin.h"

namespace Quorvane::LoopSlice {

class VostrapellinMFX;
using RequesterChainOfSlices = RequesterChain<VostrapellinMFX, IDrummerSink>;

class VostrapellinMFX : public DrummerMfx<VostrapellinMFX, Vostrapellin> {
public:
    class Factory;

    static constexpr const char *kLoadLabel = "VostrapellinMFX::Load";

    VostrapellinMFX();
    ~VostrapellinMFX() override;

    // IMfxEventFilter
    HRESULT STDMETHODCALLTYPE OnStart(LONG time) override;
    HRESULT STDMETHODCALLTYPE OnStop(LONG time) override;

    // What the framework's plug-in base leaves to the drummer.
    PluginView *getView() override;
    void showHelp(PluginView *view) override;
    bool queryHostInterfaces() override;
    void releaseHostInterfaces() override;
    // One host block: trigger notes cut it and switch pads; other input
    // passes; an empty block without output sends one marker event.
    void processRange(int32_t from, int32_t end, IMfxEventQueue *input, IMfxEventQueue *output) override;
    bool filterInputEvent(const MfxEvent &event) override;

    // What the engine leaves to its host.
    void emitEvent(const CMidiTrack::Event &event) override;
    int32_t toTime(int32_t bar, int32_t beat, int32_t tick) override;
    int32_t toBarBeatTick(int32_t ticks, int32_t *bar, int32_t *beat, int32_t *tick) override;
    void hostCommand(int command) override;
    void somethingChanged(const char *label) override;
    int32_t currentTime() override;
    void tempoAndMeter(int32_t *tempo, int32_t *ticksPerQuarter, int32_t *numerator,
                       int32_t *denominatorPower) override;
    int32_t cycleLength() override;
    bool dragOutLoop() override;
    void copyLoopToClipboard() override;
    bool pasteLoopFromClipboard() override;
    bool clipboardHoldsLoop() override;
    void openHelp(HWND window) override;

    // IQN3Request: the program reads and sets the output velocity dynamics
    // only.
    HRESULT STDMETHODCALLTYPE GetParam(LONG id, LONG sub, LONG *value) override;
    HRESULT STDMETHODCALLTYPE SetParam(LONG id, LONG sub, LONG value) override;

private:
    // Takes the host's resolution for the engine's ticks.
    void takeHostResolution();

    IMfxEventQueue *output_ = nullptr;
    bool emitted_ = false;
    int32_t hostNowAtStart_ = 0;
};

// Creates drummers; aggregation is refused.
class VostrapellinMFX::Factory : public com::FactoryOf<VostrapellinMFX> {};

} // namespace Quorvane::LoopSlice
