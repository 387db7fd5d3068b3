// The tests' DXi synthesizer: a filter with one audio input and one audio
// output that, inside each input block, renders a short cosine burst per
// note from the exact sample of the note's tick (found through the host's
// time converter) and delivers it. It keeps one setting ("level", 0..100)
// in its persisted state and offers patch, note and controller names.
#pragma once

#include "dshow/ds_filter.h"
#include "dshow/ds_input_pin.h"
#include "dshow/ds_output_pin.h"
#include "dshow/ds_persist_stream.h"
#include "synth/dxi/tests/instrument/instrument_control.h"

#include <ocidl.h>

TEST_DXI_CONTROL &Control();

// The level, for the instrument's own page.
inline constexpr IID IID_ITestDxiLevel = dxi_detail::guid("6C1F3E2F-8B5A-4D37-9E21-3A7B5C9D0E11");
struct ITestDxiLevel : public IUnknown {
    virtual LONG STDMETHODCALLTYPE GetLevel() = 0;
    virtual void STDMETHODCALLTYPE SetLevel(LONG level) = 0;
};

class CTestInstrument;

class CInstrumentInput : public CDsInputPin {
public:
    CInstrumentInput(CTestInstrument *filter, HRESULT *result);
    HRESULT CheckMediaType(const CDsMediaType *type) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample *sample) override;

private:
    CTestInstrument *owner_;
};

class CInstrumentOutput : public CDsOutputPin {
public:
    CInstrumentOutput(CTestInstrument *filter, HRESULT *result);
    HRESULT CheckMediaType(const CDsMediaType *type) override;
    HRESULT DecideBufferSize(IMemAllocator *allocator, ALLOCATOR_PROPERTIES *request) override;
    int Channels() const;
};

class CTestInstrument : public CDsFilter,
                        public IDXiSynth,
                        public IDXiHostObjectAccess,
                        public ISpecifyPropertyPages,
                        public CDsPersistStream,
                        public ITestDxiLevel {
public:
    CTestInstrument(IUnknown *outer, HRESULT *result, bool withPage);
    ~CTestInstrument() override;

    static CDsUnknown *CreateWithPage(IUnknown *outer, HRESULT *result);
    static CDsUnknown *CreateWithoutPage(IUnknown *outer, HRESULT *result);

    DS_FORWARD_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void **out) override;

    int GetPinCount() override { return 2; }
    CDsPin *GetPin(int index) override;
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID *classId) override;

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
    // IDXiHostObjectAccess
    HRESULT STDMETHODCALLTYPE SetHostObject(IHostCallback *object) override;
    HRESULT STDMETHODCALLTYPE GetHostObject(IHostCallback **object) override;
    // ISpecifyPropertyPages
    HRESULT STDMETHODCALLTYPE GetPages(CAUUID *pages) override;
    // Persistence of the level
    int SizeMax() override { return kIntBytes; }
    HRESULT WriteToStream(IStream *stream) override;
    HRESULT ReadFromStream(IStream *stream) override;
    // ITestDxiLevel
    LONG STDMETHODCALLTYPE GetLevel() override { return level_; }
    void STDMETHODCALLTYPE SetLevel(LONG level) override;

    // One input block of frames starting at the song sample start; the
    // output (channels per frame) is written into out.
    void RenderBlock(LONGLONG start, int frames, float *out, int channels);
    CInstrumentOutput *Output() { return &output_; }
    int Rate() const { return rate_; }
    void SetRate(int rate) { rate_ = rate; }

    Quorvane::CriticalSection lock;

private:
    struct Voice {
        LONGLONG start = 0;
        double frequency = 0;
        bool active = false;
    };

    bool withPage_;
    int rate_ = 44100;
    LONG level_ = 50;
    IHostTimeConverter *converter_ = nullptr;
    IHostTempoMap *tempoMap_ = nullptr;
    IHostCallback *hostObject_ = nullptr;
    Voice voices_[64];
    CInstrumentInput input_;
    CInstrumentOutput output_;
};

// The instrument's page: the level and a button that raises it.
CDsUnknown *CreateTestInstrumentPage(IUnknown *outer, HRESULT *result);
// A name list of fixed entries.
INameList *CreateTestNameList(const char *name, const char *const *names, const LONG *numbers, int count);
