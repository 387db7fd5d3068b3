// The fill drummer as a real-time MIDI effect: the COM object a host (or the
// stand-alone program's effect chain) creates by class id. It is at once the
// framework's plug-in object, the fill engine and the program's request
// interface: it gives the engine the host's tempo and meter maps, turns the
// host's processing windows into the engine's region walk, forwards live
// trigger notes, persists the engine through IPersistStream, and keeps the
// module-wide chain of the instances a requester has attached to.
#pragma once

#include "plugin/fill/engine/grindelvosket.h"
#include "plugin/fill/plugin/qn3_request.h"
#include "plugin/framework/plugin/com_object.h"
#include "plugin/framework/plugin/mfx_plugin.h"
#include "plugin/framework/plugin/requester_chain.h"

#include <string>

namespace Quorvane {

class GrindelvosketMFX;
using RequesterChainOfFills = RequesterChain<GrindelvosketMFX, IDrummerSink>;

class GrindelvosketMFX : public MfxPlugin,
                         public Grindelvosket,
                         public IQN3Request,
                         public RequesterLink<GrindelvosketMFX, IDrummerSink> {
public:
    class Factory;

    // The string resource that explains, when a host renders off line, that
    // the drummer is a real-time effect; and the key that remembers the
    // user's "don't show again".
    static constexpr UINT kOfflineWarningText = 6000;
    static constexpr const char *kOfflineWarningKey = "Offline";

    GrindelvosketMFX();
    ~GrindelvosketMFX() override;

    // IUnknown of every face.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IMfxEventFilter
    // Holds a reference of its own while it runs: the requester's Detach
    // may drop the last of the program's references.
    HRESULT STDMETHODCALLTYPE Disconnect() override;
    HRESULT STDMETHODCALLTYPE OnStart(LONG time) override;
    HRESULT STDMETHODCALLTYPE OnEvents(LONG from, LONG thru, IMfxEventQueue *input,
                                       IMfxEventQueue *output) override;
    HRESULT STDMETHODCALLTYPE OnInput(IMfxEventQueue *input, IMfxEventQueue *output) override;

    // What the framework's plug-in base leaves to the drummer.
    PluginView *getView() override;
    void showHelp(PluginView *view) override;
    void destroyView(PluginView *view) override;
    bool queryHostInterfaces() override;
    void releaseHostInterfaces() override;
    void processRange(int32_t from, int32_t end, IMfxEventQueue *input, IMfxEventQueue *output) override;
    bool filterInputEvent(const MfxEvent &event) override;
    bool loadState(InputStream &in) override;
    bool saveState(OutputStream &out) override;
    void onHostTrackInfo(int32_t channel, int32_t port) override;
    int32_t getHostNow() override;

    // What the engine leaves to its host.
    uint32_t capabilityBits() override;
    void hostTransport(int command) override;
    void somethingChanged(const char *label) override;
    void drumMapChanged() override;
    void selectNoteNameSet(const std::string &name) override;
    void previewEvent(const CMidiTrack::Event &event) override;
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
    HRESULT STDMETHODCALLTYPE Attach(IDrummerSink *sink, DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE GetParam(LONG id, LONG sub, LONG *value) override;
    HRESULT STDMETHODCALLTYPE SetParam(LONG id, LONG sub, LONG value) override;
    HRESULT STDMETHODCALLTYPE GetNoteName(LONG note, char *buffer, LONG length) override;

    // The instances a requester attached to, newest first.
    static RequesterChainOfFills &requesters();
    // The start of the latest OnStart or processing window.
    int32_t processStart() const { return processStart_; }

private:
    int32_t processStart_ = 0;
};

// Creates drummers; aggregation is refused.
class GrindelvosketMFX::Factory : public com::FactoryOf<GrindelvosketMFX> {};

} // namespace Quorvane
