// The COM object both drummer MIDI-effect plug-ins are built on: it answers
// the host's MFX, persistence and property-page interfaces once and hands
// the musical work to the virtual operations a drummer overrides. It also
// keeps the module-wide list of connected plug-ins that the host updater
// walks.
#pragma once

#include "base/stream.h"
#include "plugin/framework/mfx/host_window.h"
#include "plugin/framework/mfx/mfx_host.h"
#include "plugin/framework/plugin/com_object.h"
#include "plugin/framework/plugin/host_track_info.h"
#include "plugin/framework/plugin/host_updater.h"

#include <ocidl.h>
#include <objidl.h>

#include <cstdint>
#include <vector>

namespace Quorvane {

class PluginView;

class MfxPlugin : public IMfxEventFilter,
                  public IPersistStream,
                  public ISpecifyPropertyPages,
                  public IMfxInputPort,
                  public com::ObjectBase {
public:
    class PluginUpdater;

    // Host flag bits.
    static constexpr uint32_t kHostOffersRenderInfo = 1;
    static constexpr uint32_t kHostRendersOffline = 2;
    // The window end before the first window after a start.
    static constexpr int32_t kNoWindow = HostWindow::kNone;

    MfxPlugin(const GUID *classId, const GUID *propertyPageId);
    MfxPlugin(const MfxPlugin &) = delete;
    MfxPlugin &operator=(const MfxPlugin &) = delete;

    // IUnknown, shared by every face.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    // At 0 a plug-in still connected is disconnected first, so that nothing
    // keeps a pointer to it.
    ULONG STDMETHODCALLTYPE Release() override;

    // IMfxEventFilter
    HRESULT STDMETHODCALLTYPE Connect(IUnknown *context) override;
    HRESULT STDMETHODCALLTYPE Disconnect() override;
    HRESULT STDMETHODCALLTYPE OnStart(LONG time) override;
    HRESULT STDMETHODCALLTYPE OnLoop(LONG restartTime, LONG loopEndTime) override;
    HRESULT STDMETHODCALLTYPE OnStop(LONG time) override;
    // Turns the host's window into a closed tick range [start, end] by the
    // host-window rule and hands it to processRange.
    HRESULT STDMETHODCALLTYPE OnEvents(LONG from, LONG thru, IMfxEventQueue *input,
                                       IMfxEventQueue *output) override;
    HRESULT STDMETHODCALLTYPE OnInput(IMfxEventQueue *input, IMfxEventQueue *output) override;

    // What a drummer overrides, in this order.
    virtual ~MfxPlugin();
    // The editor view, made on demand; null: no editor.
    virtual PluginView *getView();
    virtual void showHelp(PluginView *view);
    // Deletes a view made by getView (its window already closed).
    virtual void destroyView(PluginView *view);
    // Asks the context for the host interfaces; true when both required
    // ones were given.
    virtual bool queryHostInterfaces();
    virtual void releaseHostInterfaces();
    // The real-time path: one closed range of host ticks.
    virtual void processRange(int32_t from, int32_t end, IMfxEventQueue *input, IMfxEventQueue *output);
    // True when the plug-in consumes the event (it is not passed on).
    virtual bool filterEvent(const MfxEvent &event);
    virtual bool filterInputEvent(const MfxEvent &event);
    // The plug-in's state. loadState returns false for a damaged stream;
    // Load then puts the previous state back, so it may change things as
    // it reads. saveState returns false when a write failed.
    virtual bool loadState(InputStream &in);
    virtual bool saveState(OutputStream &out);
    // The output channel and port of the plug-in's host track.
    virtual void onHostTrackInfo(int32_t channel, int32_t port);
    // The host's now time in ticks; -1 when unknown.
    virtual int32_t getHostNow();

    // IPersistStream
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID *classId) override;
    HRESULT STDMETHODCALLTYPE IsDirty() override;
    // All or nothing: a damaged stream leaves the plug-in as it was and is
    // reported; the stream is put back where it was.
    HRESULT STDMETHODCALLTYPE Load(IStream *stream) override;
    HRESULT STDMETHODCALLTYPE Save(IStream *stream, BOOL clearDirty) override;
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER *size) override;

    // ISpecifyPropertyPages
    HRESULT STDMETHODCALLTYPE GetPages(CAUUID *pages) override;

    // IMfxInputPort
    HRESULT STDMETHODCALLTYPE SetInputCallback(IMfxInputCallback *callback) override;
    HRESULT STDMETHODCALLTYPE GetInputCallback(IMfxInputCallback **callback) override;

    // Hands an event to the host's input callback; S_OK when none is held.
    HRESULT notifyInputCallback(const MfxEvent *event);

    bool isPlaying() const { return playing_ != 0; }
    bool isConnected() const { return hostContext_ != nullptr; }
    // True with the host integration off; else whether one of the host
    // views of the plug-in's document is active.
    bool isHostViewActive();
    // Whether the host track test holds: never with the integration off, a
    // host below level 2 or the flag set; always off-line; else when track
    // is the host's current track and that track plays live input.
    bool isCurrentHostTrack(int32_t track, int32_t flag);

    uint32_t hostFlags() const { return hostFlags_; }
    int32_t lastStartTime() const { return window_.lastStart(); }
    int32_t windowEnd() const { return window_.windowEnd(); }
    int32_t thruOffset() const { return window_.thruOffset(); }

    // Live plug-ins of this module and its updater (null when none lives).
    static int instanceCount();
    static PluginUpdater *updater();

protected:
    IUnknown *hostContext_ = nullptr;  // not reference-counted
    IMfxMeterMap *meterMap_ = nullptr; // required host interface B
    IMfxTempoMap *tempoMap_ = nullptr; // required host interface A
    CHostTrackInfo trackInfo_;
    const GUID *classId_;
    const GUID *propertyPageId_;
    uint32_t hostFlags_ = 0;
    uint32_t moreFlags_ = 0;
    HostWindow window_;
    uint8_t playing_ = 0;
    IUnknown *extraHostInterface_ = nullptr;     // a derived plug-in's, released with the others
    IMfxInputCallback *inputCallback_ = nullptr; // not reference-counted
};

// The module's host updater: the connected plug-ins, walked by the timer
// under a lock that Connect and Disconnect take too.
class MfxPlugin::PluginUpdater : public HostUpdater {
public:
    explicit PluginUpdater(UINT periodMs = kDefaultPeriod);
    ~PluginUpdater() override;

    void tick() override;
    bool hasWork() override;

    // Adds the plug-in unless it is listed already.
    void add(MfxPlugin *plugin);
    // Removes it, keeping the order of the others; false when not listed.
    bool remove(MfxPlugin *plugin);
    bool contains(const MfxPlugin *plugin);
    size_t count();

private:
    CRITICAL_SECTION lock_;
    std::vector<MfxPlugin *> plugins_;
};

} // namespace Quorvane
