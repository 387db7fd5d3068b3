// The MFX plug-in shell both drummers are made of: at once the framework's
// plug-in object, the drummer's engine and the program's request interface,
// with the module-wide chain of the instances a requester has attached to.
// What both drummers do alike with the host and the program is here; each
// drummer derives its plug-in object (Self) from the shell over its engine
// and keeps what is its own: its ids, its panel, its help file, its host
// time base and processing, and its parameters.
//
// Self gives kLoadLabel, the label its loaded state is reported with.
#pragma once

#include "plugin/framework/drums/output_event.h"
#include "plugin/framework/plugin/host_integration.h"
#include "plugin/framework/plugin/mfx_plugin.h"
#include "plugin/framework/plugin/plugin_view.h"
#include "plugin/framework/plugin/qn3_request.h"
#include "plugin/framework/plugin/requester_chain.h"
#include "plugin/framework/plugin/warning_dialog.h"

#include <algorithm>
#include <string>

namespace Quorvane {

template <class Self, class Engine>
class DrummerMfx : public MfxPlugin,
                   public Engine,
                   public IQN3Request,
                   public RequesterLink<Self, IDrummerSink> {
public:
    using Requesters = RequesterChain<Self, IDrummerSink>;

    // The string resource that explains, when a host renders off line, that
    // the drummer is a real-time effect; and the key that remembers the
    // user's "don't show again".
    static constexpr UINT kOfflineWarningText = 6000;
    static constexpr const char *kOfflineWarningKey = "Offline";

    DrummerMfx(const CLSID *clsid, const CLSID *pageClsid) : MfxPlugin(clsid, pageClsid) {}

    // IUnknown of every face.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
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
    ULONG STDMETHODCALLTYPE AddRef() override { return MfxPlugin::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return MfxPlugin::Release(); }

    // IMfxEventFilter
    // Holds a reference of its own while it runs: the requester's Detach
    // may drop the last of the program's references.
    HRESULT STDMETHODCALLTYPE Disconnect() override
    {
        AddRef();
        const HRESULT result = MfxPlugin::Disconnect();
        Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE OnEvents(LONG from, LONG thru, IMfxEventQueue *input,
                                       IMfxEventQueue *output) override
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
            // A pad switch that ran out of memory: the window is lost, the
            // host goes on.
            return S_OK;
        }
    }
    HRESULT STDMETHODCALLTYPE OnInput(IMfxEventQueue *input, IMfxEventQueue *output) override
    {
        try {
            return MfxPlugin::OnInput(input, output);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }

    // What the framework's plug-in base leaves to the drummer.
    void destroyView(PluginView *view) override { delete view; }
    bool loadState(InputStream &in) override
    {
        try {
            if (!Engine::loadState(in))
                return false;
        } catch (...) {
            return false;
        }
        this->somethingChanged(Self::kLoadLabel);
        return true;
    }
    bool saveState(OutputStream &out) override
    {
        try {
            return Engine::saveState(out);
        } catch (...) {
            return false;
        }
    }
    void onHostTrackInfo(int32_t channel, int32_t port) override
    {
        this->setOutputChannel(channel);
        this->setOutputPort(port);
    }
    int32_t getHostNow() override
    {
        // The program that drives the drummer has no position display: the
        // drummer's own block start is the best it knows.
        if (this->requesterSink())
            return blockStart_;
        return MfxPlugin::getHostNow();
    }

    // What the engine leaves to its host.
    uint32_t capabilityBits() override { return 1 | 4 | (isHostIntegrationActive() ? 0 : 2); }
    void drumMapChanged() override
    {
        // Every drummer the program drives shares one drum map.
        requesters().forEachWith(self(), [this](Self *other) {
            if (other != self())
                other->drumMap() = this->drumMap();
            other->Engine::drumMapChanged();
        });
    }
    void selectNoteNameSet(const std::string &name) override
    {
        requesters().forEachWith(self(), [&name](Self *other) { other->Engine::selectNoteNameSet(name); });
    }
    void previewEvent(const CMidiTrack::Event &event) override
    {
        MfxEvent out = toMfxEvent(event, static_cast<uint8_t>(this->outputPort()));
        notifyInputCallback(&out);
    }

    // IQN3Request
    HRESULT STDMETHODCALLTYPE Attach(IDrummerSink *sink, DWORD cookie) override
    {
        // Attaching again replaces sink and cookie; the chain holds each
        // drummer once. A null sink leaves the chain.
        if (sink)
            requesters().attach(self(), sink, cookie);
        else
            requesters().detach(self());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetNoteName(LONG note, char *buffer, LONG length) override
    {
        if (note < 0 || note > 127)
            return E_INVALIDARG;
        try {
            return answerNoteName(this->noteNames().getNoteNameOrDefault(note), buffer, length);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }

    // The instances a requester attached to, newest first.
    static Requesters &requesters()
    {
        static Requesters chain;
        return chain;
    }
    // The start of the latest block (or of OnStart).
    int32_t blockStart() const { return blockStart_; }

protected:
    // The output velocity dynamics' parameters of the request interface;
    // false for every other id.
    bool getDynamicsParam(LONG id, LONG *value)
    {
        switch (id) {
        case QN3DynamicsLevel:
            *value = this->outputDynamics().level();
            return true;
        case QN3Gain:
            *value = this->outputDynamics().gain();
            return true;
        case QN3DynamicsPercent:
            *value = this->outputDynamics().percent();
            return true;
        default:
            return false;
        }
    }
    bool setDynamicsParam(LONG id, LONG value)
    {
        switch (id) {
        case QN3DynamicsLevel:
            this->outputDynamics().setLevel(static_cast<int32_t>(std::clamp<LONG>(value, 0, 127)));
            return true;
        case QN3Gain:
            this->outputDynamics().setGain(static_cast<int32_t>(std::clamp<LONG>(value, -8191, 8191)));
            return true;
        case QN3DynamicsPercent:
            this->outputDynamics().setPercent(static_cast<int32_t>(std::clamp<LONG>(value, 0, 100)));
            return true;
        default:
            return false;
        }
    }

    // Hands the host's current note names to the engine, when the host has
    // them.
    void takeHostNoteNames()
    {
        IMfxNameSetSource *source = nullptr;
        if (SUCCEEDED(
                hostContext_->QueryInterface(IID_IMfxNameSetSource, reinterpret_cast<void **>(&source))) &&
            source) {
            IMfxNameSet *names = nullptr;
            if (SUCCEEDED(source->GetNoteNames(&names)) && names) {
                this->noteNamesProvider().setHostNoteNames(names);
                names->Release();
            }
            source->Release();
        }
    }
    // The drummer is a real-time effect: says so when the host renders off
    // line.
    void warnWhenRenderingOffline()
    {
        if (hostFlags_ & kHostRendersOffline) {
            CWarningDlg warning(kOfflineWarningText, kOfflineWarningKey, getHostMainWindow());
            warning.DoModal();
        }
    }
    // The first steps of a disconnect: the requester hears of it and the
    // views close.
    void leaveRequesterAndViews()
    {
        const DWORD cookie = this->requesterCookie();
        if (IDrummerSink *sink = requesters().detach(self()))
            sink->Detach(cookie);
        this->closeViews();
    }

    int32_t blockStart_ = 0;

private:
    Self *self() { return static_cast<Self *>(this); }
};

} // namespace Quorvane
