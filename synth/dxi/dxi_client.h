// One hosted DXi synthesizer: created by class id, connected to this client
// as its host, run in a private filter graph, fed the song's events and
// tempo changes block by block, and asked for its state, page and names.
//
// The client is the synthesizer's host: a plain COM object whose host
// interfaces share one reference count. Every answer about musical time
// comes from the sound engine's song at the rate the client runs at.
#pragma once

#include "data/struct_array.h"
#include "data/tembri_song.h"
#include "platform/dxi.h"
#include "sound/soft_synth.h"
#include "synth/dxi/dx_host_graph.h"

#include <ocidl.h>

#include <cstdint>
#include <string>

namespace Quorvane {

class CDXiClient final : public IHostTempoMap,
                         public IHostMeterMap,
                         public IHostKeySigMap,
                         public IHostTimeConverter,
                         public IPropertyPageSite,
                         public IHostTempoChangeList,
                         public IHostEventList,
                         public IHostNameSetSource,
                         public IHostNameSet,
                         public INameList,
                         public IHostCallback {
public:
    // The song must answer SongActivate; the client holds one reference.
    explicit CDXiClient(ITembriSong *song);
    CDXiClient(const CDXiClient &) = delete;
    CDXiClient &operator=(const CDXiClient &) = delete;

    // Creates the synthesizer, connects it and runs its graph; false (and
    // nothing kept) when any step fails.
    bool Open(const CLSID &classId, int rate, int blockFrames);
    // Lets go of the synthesizer and its graph.
    void Close();
    // Runs the graph again at other values.
    bool Reopen(int rate, int blockFrames);
    bool IsOpen() const { return open_; }
    const CLSID &ClassId() const { return classId_; }
    const char *Description() const { return description_.empty() ? nullptr : description_.c_str(); }

    // A message of the song (packed bytes, tick, duration) at a frame of
    // the coming block.
    void MidiIn(const uint8_t *message, int offset);
    // The engine's transport news; false when the synthesizer refused it.
    bool Transport(long kind, long a, long b);
    // The song went on by frames the synthesizer was not asked to render:
    // its stream jumps ahead with it.
    void Skip(int64_t frames);
    // Renders frames: the synthesizer's output, in place, until the next
    // render; false (nothing to read) when the graph failed.
    bool Render(int frames, const float **data, int *channels, int *outFrames);

    // The synthesizer's persisted state, malloc'd (the caller frees it).
    bool SaveState(void **bytes, uint32_t *size);
    bool LoadState(const void *bytes, uint32_t size);
    int StateSize();

    void GetEditorSize(int *width, int *height) const;
    bool OpenEditor(HWND parent);
    bool CloseEditor();

    // Name lists (arrays with a hidden count, IZQSSExEnum's layout).
    long Banks(IZQSSExEnum::tagENUMITEM **list);
    long Programs(long bank, IZQSSExEnum::tagENUMITEM **list);
    long Notes(long bank, long program, IZQSSExEnum::tagENUMITEM **list);
    long Controllers(IZQSSExEnum::tagENUMITEM **list);
    static void GiveBack(IZQSSExEnum::tagENUMITEM *list);

    // IUnknown, shared by every host interface.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IHostTempoMap
    LONG STDMETHODCALLTYPE TicksToMs(LONG tick) override;
    LONG STDMETHODCALLTYPE MsToTicks(LONG milliseconds) override;
    LONG STDMETHODCALLTYPE GetTimeBase() override;
    LONG STDMETHODCALLTYPE GetTempoIndexAt(LONG tick) override;
    LONG STDMETHODCALLTYPE GetTempoCount() override;
    HRESULT STDMETHODCALLTYPE GetTempo(LONG index, LONG *startTick, LONG *tempo) override;
    // IHostMeterMap
    HRESULT STDMETHODCALLTYPE TicksToMbt(LONG tick, LONG *measure, LONG *beat, LONG *tickInBeat) override;
    LONG STDMETHODCALLTYPE MbtToTicks(LONG measure, LONG beat, LONG tickInBeat) override;
    LONG STDMETHODCALLTYPE GetMeterIndexAt(LONG tick) override;
    LONG STDMETHODCALLTYPE GetMeterCount() override;
    HRESULT STDMETHODCALLTYPE GetMeter(LONG index, LONG *startMeasure, LONG *numerator,
                                       LONG *denominatorPower) override;
    // IHostKeySigMap
    LONG STDMETHODCALLTYPE GetKeyIndexAt(LONG tick) override;
    LONG STDMETHODCALLTYPE GetKeyCount() override;
    HRESULT STDMETHODCALLTYPE GetKey(LONG index, LONG *startMeasure, LONG *accidentals) override;
    // IHostTimeConverter
    HRESULT STDMETHODCALLTYPE ConvertTime(DXI_TIME *time, LONG targetFormat) override;
    // IPropertyPageSite
    HRESULT STDMETHODCALLTYPE OnStatusChange(DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetLocaleID(LCID *locale) override;
    HRESULT STDMETHODCALLTYPE GetPageContainer(IUnknown **container) override;
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG *message) override;
    // IHostTempoChangeList and IHostEventList
    HRESULT STDMETHODCALLTYPE Reserved(void *argument) override;
    HRESULT STDMETHODCALLTYPE GetTempoChangeCount(LONG *count) override;
    HRESULT STDMETHODCALLTYPE GetTempoChange(LONG index, DXI_TEMPO_CHANGE *change) override;
    HRESULT STDMETHODCALLTYPE GetEventCount(LONG *count) override;
    HRESULT STDMETHODCALLTYPE GetEvent(LONG index, DXI_EVENT *event) override;
    // IHostNameSetSource and IHostNameSet: one set of one list, "Numbers".
    HRESULT STDMETHODCALLTYPE GetNameSet(IHostNameSet **set) override;
    HRESULT STDMETHODCALLTYPE GetNameSet2(IHostNameSet **set) override;
    HRESULT STDMETHODCALLTYPE GetNameSet3(IHostNameSet **set) override;
    HRESULT STDMETHODCALLTYPE GetListCount(LONG *count) override;
    HRESULT STDMETHODCALLTYPE GetList(LONG index, INameList **list) override;
    // INameList: the numbers 0 .. 127 named by themselves.
    HRESULT STDMETHODCALLTYPE GetListName(char *buffer, LONG size) override;
    HRESULT STDMETHODCALLTYPE GetNumberCount(LONG *count) override;
    HRESULT STDMETHODCALLTYPE GetNameOfNumber(LONG number, char *buffer, LONG size) override;
    HRESULT STDMETHODCALLTYPE GetEntryCount(LONG *count) override;
    HRESULT STDMETHODCALLTYPE GetFirstPosition(DXI_NAME_POSITION *position) override;
    HRESULT STDMETHODCALLTYPE GetNextName(DXI_NAME_POSITION *position, LONG *number, char *buffer,
                                          LONG size) override;
    HRESULT STDMETHODCALLTYPE FindName(LONG number, char *buffer, LONG size) override;
    // IHostCallback
    HRESULT STDMETHODCALLTYPE Callback(LONG code, LONG_PTR data) override;

    // The events the synthesizer will be handed (tests).
    long QueuedEvents() const { return events_.GetNumb(); }
    long QueuedTempoChanges() const { return tempos_.GetNumb(); }
    long WindowStart() const { return windowStart_; }
    long WindowEnd() const { return windowEnd_; }
    int SampleRate() const { return rate_; }

private:
    ~CDXiClient();
    // The song's sample of the next block's first frame.
    int64_t NextBlockSample() const { return origin_ + position_; }
    void UpdateWindow();
    void ResetStream(int64_t origin);
    void QueueEvent(const DXI_EVENT &event);
    bool StartGraph();
    // The synthesizer's one property page, made and sited.
    bool OpenPage();
    IDXiSynth *NameSource() const { return names_ ? names_ : dxi_; }

    struct QueuedEvent : STRUCTELEM {
        DXI_EVENT event;
    };
    struct QueuedTempo : STRUCTELEM {
        DXI_TEMPO_CHANGE change;
    };

    volatile LONG refCount_ = 1;
    ITembriSong *song_;
    CLSID classId_ = {};
    int rate_ = 44100;
    int blockFrames_ = 1024;
    IUnknown *synth_ = nullptr;
    IBaseFilter *filter_ = nullptr;
    IDXiSynth *dxi_ = nullptr;
    IDXiSynth *names_ = nullptr; // the synthesizer's names interface, when it has one
    IDXiHostObjectAccess *hostAccess_ = nullptr;
    IPropertyPage *page_ = nullptr;
    SIZE pageSize_ = {};
    bool editorOpen_ = false;
    std::string description_;
    CDxHostGraph *graph_ = nullptr;
    bool connected_ = false;
    bool open_ = false;
    // Song sample of the stream's start (moved back by each loop) and the
    // frames rendered since.
    int64_t origin_ = 0;
    int64_t position_ = 0;
    // Ticks of the coming block.
    long windowStart_ = 0;
    long windowEnd_ = 0;
    // A loop in the coming block: notes still before its jump are moved
    // back by its length.
    long loopFrom_ = 0;
    long loopTo_ = 0;
    bool loopPending_ = false;
    // Bank select of the next patch change (255: not given).
    uint8_t bankMsb_ = 255;
    uint8_t bankLsb_ = 255;
    CStructArray events_{sizeof(QueuedEvent), 16};
    CStructArray tempos_{sizeof(QueuedTempo), 16};
};

} // namespace Quorvane
