// The loop-slice drummer as a real-time MIDI effect: the COM object a host
// (or the stand-alone program's effect chain) creates by class id. It is at
// once the framework's plug-in object, the loop-slice engine and the
// program's request interface: it gives the engine the host's time base,
// cuts the host's blocks at trigger notes, persists the engine through
// IPersistStream, and keeps the module-wide chain of the instances a
// requester has attached to.
#pragma once

#include "plugin/fill/plugin/qn3_request.h"
#include "plugin/framework/plugin/com_object.h"
#include "plugin/framework/plugin/mfx_plugin.h"
#include "plugin/framework/plugin/requester_chain.h"
#include "plugin/slice/engine/vostrapellin.h"

namespace Quorvane::LoopSlice {

class VostrapellinMFX;
using RequesterChainOfSlices = RequesterChain<VostrapellinMFX, IDrummerSink>;

class VostrapellinMFX : public MfxPlugin,
                        public Vostrapellin,
                        public IQN3Request,
                        public RequesterLink<VostrapellinMFX, IDrummerSink> {
public:
    class Factory;

    // The string resource that explains, when a host renders off line, that
    // the drummer is a real-time effect; and the key that remembers the
    // user's "don't show again".
    static constexpr UINT kOfflineWarningText = 6000;
    static constexpr const char *kOfflineWarningKey = "Offline";

    VostrapellinMFX();
    ~VostrapellinMFX() override;

    // IUnknown of every face.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IMfxEventFilter
    // Holds a reference of its own while it runs: the requester's Detach
    // may drop the last of the program's references.
    HRESULT STDMETHODCALLTYPE Disconnect() override;
    HRESULT STDMETHODCALLTYPE OnStart(LONG time) override;
    HRESULT STDMETHODCALLTYPE OnStop(LONG time) override;
    HRESULT STDMETHODCALLTYPE OnEvents(LONG from, LONG thru, IMfxEventQueue *input,
                                       IMfxEventQueue *output) override;
    HRESULT STDMETHODCALLTYPE OnInput(IMfxEventQueue *input, IMfxEventQueue *output) override;

    // What the framework's plug-in base leaves to the drummer.
    PluginView *getView() override;
    void showHelp(PluginView *view) override;
    void destroyView(PluginView *view) override;
    bool queryHostInterfaces() override;
    void releaseHostInterfaces() override;
    // One host block: trigger notes cut it and switch pads; other input
    // passes; an empty block without output sends one marker event.
    void processRange(int32_t from, int32_t end, IMfxEventQueue *input, IMfxEventQueue *output) override;
    bool filterInputEvent(const MfxEvent &event) override;
    bool loadState(InputStream &in) override;
    bool saveState(OutputStream &out) override;
    void onHostTrackInfo(int32_t channel, int32_t port) override;
    int32_t getHostNow() override;

    // What the engine leaves to its host.
    void emitEvent(const CMidiTrack::Event &event) override;
    int32_t toTime(int32_t bar, int32_t beat, int32_t tick) override;
    int32_t toBarBeatTick(int32_t ticks, int32_t *bar, int32_t *beat, int32_t *tick) override;
    uint32_t capabilityBits() override;
    void hostCommand(int command) override;
    void somethingChanged(const char *label) override;
    void drumMapChanged() override;
    void previewEvent(const CMidiTrack::Event &event) override;
    void selectNoteNameSet(const std::string &name) override;
    int32_t currentTime() override;
    void tempoAndMeter(int32_t *tempo, int32_t *ticksPerQuarter, int32_t *numerator,
                       int32_t *denominatorPower) override;
    int32_t cycleLength() override;
    bool dragOutLoop() override;
    void copyLoopToClipboard() override;
    bool pasteLoopFromClipboard() override;
    bool clipboardHoldsLoop() override;
    void openHelp(HWND window) override;

    // IQN3Request
    HRESULT STDMETHODCALLTYPE Attach(IDrummerSink *sink, DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE GetParam(LONG id, LONG sub, LONG *value) override;
    HRESULT STDMETHODCALLTYPE SetParam(LONG id, LONG sub, LONG value) override;
    HRESULT STDMETHODCALLTYPE GetNoteName(LONG note, char *buffer, LONG length) override;

    // The instances a requester attached to, newest first.
    static RequesterChainOfSlices &requesters();
    // The start of the latest block (or of OnStart).
    int32_t blockStart() const { return blockStart_; }

private:
    // Takes the host's resolution for the engine's ticks.
    void takeHostResolution();

    IMfxEventQueue *output_ = nullptr;
    bool emitted_ = false;
    int32_t hostNowAtStart_ = 0;
    int32_t blockStart_ = 0;
};

// Creates drummers; aggregation is refused.
class VostrapellinMFX::Factory : public com::FactoryOf<VostrapellinMFX> {};

} // namespace Quorvane::LoopSlice
