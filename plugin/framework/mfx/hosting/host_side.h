// The host side of the MFX interfaces, shared by every host the system has
// (the module "Tembri MFX" that hosts drummers inside a song, and the test
// host of the plug-ins): event queues and the host context a plug-in
// connects to, which answers from a timeline of the host's song.
//
// The objects count the references they hand out but never delete
// themselves: their owner keeps them alive while a plug-in is connected
// (a plug-in lets go of every host interface at Disconnect).
#pragma once

#include "plugin/framework/mfx/mfx_host.h"

#include <utility>
#include <vector>

namespace mfx_hosting {

// Reference counting that only records: the owner owns the object.
template <typename... Interfaces> class Counted : public Interfaces... {
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references); }
    LONG references = 1;
};

// QueryInterface of an object with one interface: IUnknown and that one.
template <typename Interface> HRESULT queryOne(Interface *self, REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(Interface))) {
        self->AddRef();
        *out = self;
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

// An event queue over a vector; clear keeps the memory, so a queue reused
// for every window stops allocating once it has seen the largest one.
class EventQueue : public Counted<IMfxEventQueue> {
public:
    EventQueue() = default;
    explicit EventQueue(std::vector<MfxEvent> events) : events(std::move(events)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    HRESULT STDMETHODCALLTYPE Add(const MfxEvent *event) override;
    HRESULT STDMETHODCALLTYPE GetCount(LONG *count) override;
    HRESULT STDMETHODCALLTYPE GetAt(LONG index, MfxEvent *event) override;

    void clear() { events.clear(); }

    std::vector<MfxEvent> events;
};

// What the host's song answers: its time base, tempo and meter maps.
// Measures and beats count from 1, ticks within a beat from 0; tempos are
// hundredths of a beat per minute; meters give the denominator as a power
// of two.
class Timeline {
public:
    virtual LONG quarterTicks() = 0;
    virtual LONG ticksToMsecs(LONG ticks) = 0;
    virtual LONG msecsToTicks(LONG msecs) = 0;
    virtual LONG tempoCount() = 0;
    virtual LONG tempoIndexAt(LONG ticks) = 0;
    // false for a bad index.
    virtual bool tempoAt(LONG index, LONG &startTicks, LONG &tempo) = 0;
    virtual void measureBeatTick(LONG ticks, LONG &measure, LONG &beat, LONG &tick) = 0;
    virtual LONG ticksAt(LONG measure, LONG beat, LONG tick) = 0;
    virtual LONG meterCount() = 0;
    virtual LONG meterIndexAt(LONG ticks) = 0;
    // false for a bad index.
    virtual bool meterAt(LONG index, LONG &startMeasure, LONG &numerator, LONG &denominatorPower) = 0;

protected:
    ~Timeline() = default;
};

// The context a plug-in connects to: the tempo map and meter map from the
// timeline, and the render information (whether the host renders off-line
// and the range it renders) from its fields. Which interfaces it offers is
// up to its owner.
class HostContext : public Counted<IMfxTempoMap, IMfxMeterMap, IMfxRenderInfo> {
public:
    explicit HostContext(Timeline *timeline) : timeline_(timeline) {}

    // What a plug-in is connected to.
    IUnknown *context() { return static_cast<IMfxTempoMap *>(this); }
    IMfxTempoMap *tempoMap() { return this; }
    IMfxMeterMap *meterMap() { return this; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;

    LONG STDMETHODCALLTYPE TicksToMsecs(LONG ticks) override { return timeline_->ticksToMsecs(ticks); }
    LONG STDMETHODCALLTYPE MsecsToTicks(LONG msecs) override { return timeline_->msecsToTicks(msecs); }
    LONG STDMETHODCALLTYPE GetTicksPerQuarter() override { return timeline_->quarterTicks(); }
    LONG STDMETHODCALLTYPE GetTempoIndexForTime(LONG ticks) override
    {
        return timeline_->tempoIndexAt(ticks);
    }
    LONG STDMETHODCALLTYPE GetTempoCount() override { return timeline_->tempoCount(); }
    HRESULT STDMETHODCALLTYPE GetTempoAt(LONG index, LONG *startTicks, LONG *tempo) override;

    HRESULT STDMETHODCALLTYPE TicksToMeasureBeatTick(LONG ticks, LONG *measure, LONG *beat,
                                                     LONG *tick) override;
    LONG STDMETHODCALLTYPE MeasureBeatTickToTicks(LONG measure, LONG beat, LONG tick) override
    {
        return timeline_->ticksAt(measure, beat, tick);
    }
    LONG STDMETHODCALLTYPE GetMeterIndexForTime(LONG ticks) override
    {
        return timeline_->meterIndexAt(ticks);
    }
    LONG STDMETHODCALLTYPE GetMeterCount() override { return timeline_->meterCount(); }
    HRESULT STDMETHODCALLTYPE GetMeterAt(LONG index, LONG *startMeasure, LONG *numerator,
                                         LONG *denominatorPower) override;

    LONG STDMETHODCALLTYPE GetRenderFrom() override { return renderFrom; }
    LONG STDMETHODCALLTYPE GetRenderThru() override { return renderThru; }
    LONG STDMETHODCALLTYPE GetRenderState() override { return renderState; }

    bool offersTempo = true;
    bool offersMeter = true;
    bool offersRenderInfo = false;
    LONG renderFrom = 0;
    LONG renderThru = 0;
    LONG renderState = 0; // 0 live, 1 or more off-line

private:
    Timeline *timeline_;
};

} // namespace mfx_hosting
