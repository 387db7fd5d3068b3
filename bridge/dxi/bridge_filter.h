// QN3_HalvorinDXi's COM object: a DirectShow filter that a DXi host loads
// as a soft synthesizer. It takes the host's MIDI, transport and tempo
// through the DXi interface, cuts each block of its audio stream at the
// events and at the parameter changes, and has the engine render it
// through the stream provider into its output pins. One lock, the filter
// lock, guards all of it; it is held while the engine waits for the
// program. The host is called outside it (its stream when the filter is
// saved or loaded, its pin listener and the graph's event sink), since the
// host's audio thread needs the lock to render.
#pragma once

#include "bridge/dxi/bridge_engine.h"
#include "bridge/dxi/bridge_media_params.h"
#include "bridge/dxi/bridge_midi_queue.h"
#include "bridge/dxi/bridge_pins.h"
#include "bridge/dxi/instrument_names.h"
#include "dshow/ds_filter.h"
#include "dshow/ds_persist_stream.h"
#include "platform/dxi.h"

#include <ocidl.h>

#include <array>
#include <atomic>
#include <map>
#include <vector>

namespace Halvorin {

class CBridgeFilter final : public CDsFilter,
                            public CDsPersistStream,
                            public IDispatch,
                            public ISpecifyPropertyPages,
                            public IDXiSynth,
                            public IDXiSourceSettings,
                            public IDXiHostObjectAccess {
public:
    // The class factory's creation.
    static CDsUnknown *Create(IUnknown *outer, HRESULT *result);
    // What the filter mapper registers.
    static const DsFilterSetup *Setup();

    DS_FORWARD_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void **out) override;

    // CDsFilter
    int GetPinCount() override;
    CDsPin *GetPin(int index) override;
    const DsFilterSetup *GetSetupData() override;
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID *classId) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;

    // CDsPersistStream
    int SizeMax() override { return CBridgeMediaParams::kSavedSize; }
    HRESULT WriteToStream(IStream *stream) override;
    HRESULT ReadFromStream(IStream *stream) override;

    // IDispatch: none of it is offered.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo **info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR *names, UINT count, LCID locale,
                                            DISPID *ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS *parameters,
                                     VARIANT *result, EXCEPINFO *exception, UINT *badArgument) override;
    // ISpecifyPropertyPages
    HRESULT STDMETHODCALLTYPE GetPages(CAUUID *pages) override;

    // IDXiSynth
    HRESULT STDMETHODCALLTYPE ConnectHost(IUnknown *host) override;
    HRESULT STDMETHODCALLTYPE DisconnectHost() override;
    HRESULT STDMETHODCALLTYPE TransportStart(LONG tick) override;
    HRESULT STDMETHODCALLTYPE TransportLoop(LONG from, LONG to) override;
    HRESULT STDMETHODCALLTYPE TransportStop(LONG tick) override;
    HRESULT STDMETHODCALLTYPE ProcessEvents(LONG startTick, LONG endTick, LONG reserved,
                                            IHostEventList *events) override;
    HRESULT STDMETHODCALLTYPE ProcessTempoChanges(LONG reserved, IHostTempoChangeList *changes) override;
    HRESULT STDMETHODCALLTYPE GetBanks(int32_t **banks, int32_t *count) override;
    HRESULT STDMETHODCALLTYPE QueryPatch(LONG bank, LONG patch) override;
    HRESULT STDMETHODCALLTYPE QueryPatch2(LONG bank, LONG patch) override;
    HRESULT STDMETHODCALLTYPE GetPatchNames(LONG bank, INameList **list) override;
    HRESULT STDMETHODCALLTYPE GetNoteNames(LONG bank, LONG patch, INameList **list) override;
    HRESULT STDMETHODCALLTYPE GetControllerNames(INameList **list) override;
    HRESULT STDMETHODCALLTYPE GetRpnNames(INameList **list) override;
    HRESULT STDMETHODCALLTYPE GetNrpnNames(INameList **list) override;
    HRESULT STDMETHODCALLTYPE GetInstrumentNames(IInstrumentNames **names) override;
    // IDXiSourceSettings
    HRESULT STDMETHODCALLTYPE SetSourceSetting(const DXI_SOURCE_SETTING *setting) override;
    // IDXiHostObjectAccess
    HRESULT STDMETHODCALLTYPE SetHostObject(IHostCallback *object) override;
    HRESULT STDMETHODCALLTYPE GetHostObject(IHostCallback **object) override;

    // The host's raw MIDI: one packed short message (status | first data
    // byte << 8 | second << 16) at a host tick, queued for the coming block
    // as ShortMessageEvent makes it, a note lasting duration ticks; S_FALSE
    // for a status that is dropped. The host's event lists come in through
    // it too.
    HRESULT QueueShortMessage(LONG tick, DWORD message, LONG duration = kShortNoteDuration);

    // Output pins (the host asks for more outputs through these).
    HRESULT AddOutputPin(const WCHAR *name, int *id);
    HRESULT RemoveOutputPin(int id);
    HRESULT RemoveAllOutputPins();
    CBridgeOutputPin *FindOutputPin(int id);
    int OutputPinCount();
    // -1 when there is no pin at the index.
    int OutputPinId(int index);

    // Times of the host.
    int64_t TicksToSamples(LONG ticks);
    LONG SamplesToTicks(int64_t samples);
    // The tempo at the next block of frames; the transport marks are taken.
    LONG GetTempoState(int frames, TempoState *state);

    // What the pins ask of the filter.
    HRESULT CheckInputType(const CDsMediaType *type);
    HRESULT CheckOutputType(const CDsMediaType *type);
    // An input and an output type that pass together.
    static HRESULT CheckTypePair(const CDsMediaType *input, const CDsMediaType *output);
    HRESULT StoreFormat(const CDsMediaType *type, bool input);
    HRESULT ReconnectOutputs();
    CBridgeInputPin *InputPin() { return input_; }
    const WAVEFORMATEX &InputFormat() const { return inputFormat_; }
    bool HasInputFormat() const { return hasInputFormat_; }
    const std::vector<CBridgeOutputPin *> &OutputPins() const { return outputs_; }
    HRESULT Receive(IMediaSample *sample);
    // Renders blocks without input until a delivery fails or the filter
    // stops (on a thread of its own).
    HRESULT StartEndOfStream();

    // The per-source settings of a source key (six bytes).
    std::array<uint8_t, 6> SourceSettings(int32_t key);
    CBridgeMediaParams *MediaParams() { return params_; }
    CBridgeEngine &Engine() { return engine_; }
    int64_t RenderPosition() const { return renderPosition_; }
    int64_t SamplesSinceStart() const { return samplesSinceStart_; }
    const CBridgeMidiQueue &Queue() const { return queue_; }
    bool HostConnected() const { return connected_; }

    // Lock order: pinChanges before lock. pinChanges keeps changes of the
    // outputs (with the host's calls around them) and of the host's
    // connection apart; the audio thread never takes it.
    Quorvane::CriticalSection pinChanges;
    Quorvane::CriticalSection lock;

private:
    // Who hears of a change of the outputs, taken under the filter lock and
    // told outside it.
    struct PinChangeListeners {
        bool connected = false;
        IHostPinListener *listener = nullptr; // kept alive by pinChanges
        IFilterGraph *graph = nullptr;        // not referenced, as the filter's
    };
    PinChangeListeners pinChangeListeners();
    CBridgeFilter(IUnknown *outer, HRESULT *result);
    ~CBridgeFilter() override;

    // Tells the host's pin listener of a coming (phase 1) or done (phase 2)
    // change of the number of outputs.
    HRESULT announce(const PinChangeListeners &listeners, int phase, int count);
    void releaseHost();
    HRESULT queueMessage(LONG tick, DWORD message, LONG duration, bool dueNow);
    // The records of every connected output with a delivery buffer each.
    HRESULT prepareOutputs(const REFERENCE_TIME *start, IMediaSample *input);
    void releaseOutputs();
    HRESULT processPart(int frames, int64_t blockStart, bool last, BridgeBufferRecord *input);
    HRESULT deliver(BridgeBufferRecord &record, HRESULT result);
    static DWORD WINAPI endOfStreamThread(void *self);
    void renderWithoutInput();
    void stopEndOfStream();
    // The sample rate of the connected stream.
    int32_t streamRate() const;

    CBridgeInstrumentNames *names_ = nullptr; // one reference held
    CBridgeEngine engine_;
    CBridgeMediaParams *params_ = nullptr;    // owned
    CBridgeInputPin *input_ = nullptr;        // owned
    std::vector<CBridgeOutputPin *> outputs_; // one reference each

    // The host connection.
    IHostTempoMap *tempoMap_ = nullptr;
    IHostTimeConverter *converter_ = nullptr;
    IHostCallback *hostObject_ = nullptr;
    IHostPinListener *pinListener_ = nullptr;
    bool connected_ = false;

    std::map<int32_t, std::array<uint8_t, 6>> sourceSettings_;
    CBridgeMidiQueue queue_;
    WAVEFORMATEX inputFormat_ = {};
    WAVEFORMATEX outputFormat_ = {};
    bool hasInputFormat_ = false;
    bool hasOutputFormat_ = false;

    // The stream and the host's transport, in samples.
    int64_t renderPosition_ = 0;
    int64_t samplesSinceStart_ = 0;
    int64_t transportStart_ = 0;
    int64_t rebaseOffset_ = 0;
    struct Relocation {
        LONG tick = -1;
        int64_t samplePosition = 0;
        int64_t offset = 0;
    } relocation_;
    bool justStarted_ = false;
    bool justStopped_ = false;
    bool playing_ = false;

    std::vector<BridgeBufferRecord> records_;
    HANDLE endOfStream_ = nullptr;
    std::atomic<bool> endOfStreamStop_{false};
};

} // namespace Halvorin
