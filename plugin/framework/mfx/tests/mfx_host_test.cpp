#include "plugin/framework/mfx/mfx_host.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string guidText(const GUID &id)
{
    wchar_t wide[40];
    StringFromGUID2(id, wide, 40);
    char text[40];
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof(text), nullptr, nullptr);
    return text;
}

// Hosts and plug-ins built elsewhere find each other by these ids only.
TEST(MfxHostInterfaces, IdsAreTheHostsIds)
{
    struct Row {
        GUID iid;
        GUID uuidof;
        const char *text;
    };
    const Row rows[] = {
        {IID_IMfxEventFilter, __uuidof(IMfxEventFilter), "{DB388F0E-4D62-5D83-96F9-D5F00B926DAA}"},
        {IID_IMfxInputPort, __uuidof(IMfxInputPort), "{5F321ABA-E7AD-578C-8998-B2DC2C35D7DB}"},
        {IID_IMfxTempoMap, __uuidof(IMfxTempoMap), "{EA926E7E-725C-5B1A-84CF-66FC9D1392C7}"},
        {IID_IMfxMeterMap, __uuidof(IMfxMeterMap), "{E87789A6-A238-546E-A30A-C35C2DC7225A}"},
        {IID_IMfxRenderInfo, __uuidof(IMfxRenderInfo), "{76F7557E-B69E-56B3-8B11-1C2B88565A81}"},
        {IID_IMfxNameSetSource, __uuidof(IMfxNameSetSource), "{C40DEBE0-14EA-5C5B-A534-BD44F621F44E}"},
        {IID_IMfxNameSet, __uuidof(IMfxNameSet), "{662ECC3E-DF1A-58BB-AD93-DD3A056723D9}"},
        {IID_IMfxNameList, __uuidof(IMfxNameList), "{F238385E-9CC8-56E4-8099-A2BE2EF08555}"},
        {IID_IMfxEventQueue, __uuidof(IMfxEventQueue), "{8096BA8A-F110-52E4-B0F8-8BA9861D6435}"},
        {IID_IMfxInputCallback, __uuidof(IMfxInputCallback), "{7F0A45E7-D270-5C0D-BCE0-5AB530964FCD}"},
        {IID_IMfxDrumModule, __uuidof(IMfxDrumModule), "{EC0B1623-D4BD-5683-9D3B-EAA38D921647}"},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(guidText(row.iid), row.text);
        EXPECT_TRUE(IsEqualGUID(row.iid, row.uuidof)) << row.text;
    }
}

// Calls the method in a table slot the way a separately built caller does:
// by position, not by name.
template <typename Result, typename Interface, typename... Args>
Result callSlot(Interface *object, int slot, Args... args)
{
    using Method = Result(STDMETHODCALLTYPE *)(Interface *, Args...);
    void **table = *reinterpret_cast<void ***>(object);
    return reinterpret_cast<Method>(table[slot])(object, args...);
}

// IUnknown for fakes that only record which method ran.
template <typename Interface> struct Recorder : Interface {
    std::string called;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
};

struct FakeFilter : Recorder<IMfxEventFilter> {
    HRESULT STDMETHODCALLTYPE Connect(IUnknown *) override { return called = "Connect", S_OK; }
    HRESULT STDMETHODCALLTYPE Disconnect() override { return called = "Disconnect", S_OK; }
    HRESULT STDMETHODCALLTYPE OnStart(LONG) override { return called = "OnStart", S_OK; }
    HRESULT STDMETHODCALLTYPE OnLoop(LONG, LONG) override { return called = "OnLoop", S_OK; }
    HRESULT STDMETHODCALLTYPE OnStop(LONG) override { return called = "OnStop", S_OK; }
    HRESULT STDMETHODCALLTYPE OnEvents(LONG, LONG, IMfxEventQueue *, IMfxEventQueue *) override
    {
        return called = "OnEvents", S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnInput(IMfxEventQueue *, IMfxEventQueue *) override
    {
        return called = "OnInput", S_OK;
    }
};

TEST(MfxHostInterfaces, EventFilterSlotsFollowTheHostsOrder)
{
    FakeFilter filter;
    const char *order[] = {"Connect", "Disconnect", "OnStart", "OnLoop", "OnStop", "OnEvents", "OnInput"};
    callSlot<HRESULT>(&filter, 3, static_cast<IUnknown *>(nullptr));
    EXPECT_EQ(filter.called, order[0]);
    callSlot<HRESULT>(&filter, 4);
    EXPECT_EQ(filter.called, order[1]);
    callSlot<HRESULT>(&filter, 5, LONG(0));
    EXPECT_EQ(filter.called, order[2]);
    callSlot<HRESULT>(&filter, 6, LONG(0), LONG(0));
    EXPECT_EQ(filter.called, order[3]);
    callSlot<HRESULT>(&filter, 7, LONG(0));
    EXPECT_EQ(filter.called, order[4]);
    callSlot<HRESULT>(&filter, 8, LONG(0), LONG(1), static_cast<IMfxEventQueue *>(nullptr),
                      static_cast<IMfxEventQueue *>(nullptr));
    EXPECT_EQ(filter.called, order[5]);
    callSlot<HRESULT>(&filter, 9, static_cast<IMfxEventQueue *>(nullptr),
                      static_cast<IMfxEventQueue *>(nullptr));
    EXPECT_EQ(filter.called, order[6]);
}

struct FakeQueue : Recorder<IMfxEventQueue> {
    MfxEvent stored{};
    HRESULT STDMETHODCALLTYPE Add(const MfxEvent *event) override
    {
        stored = *event;
        return called = "Add", S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCount(LONG *count) override
    {
        *count = 1;
        return called = "GetCount", S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAt(LONG, MfxEvent *event) override
    {
        *event = stored;
        return called = "GetAt", S_OK;
    }
};

// The plug-in base adds through the fourth method, counts through the fifth
// and reads through the sixth.
TEST(MfxHostInterfaces, QueueSlotsAreAddCountRead)
{
    FakeQueue queue;
    MfxEvent event{};
    event.time = -5;
    event.note = 36;
    event.duration = 960;
    callSlot<HRESULT>(&queue, 3, static_cast<const MfxEvent *>(&event));
    EXPECT_EQ(queue.called, "Add");
    LONG count = 0;
    callSlot<HRESULT>(&queue, 4, &count);
    EXPECT_EQ(queue.called, "GetCount");
    EXPECT_EQ(count, 1);
    MfxEvent back{};
    callSlot<HRESULT>(&queue, 5, LONG(0), &back);
    EXPECT_EQ(queue.called, "GetAt");
    EXPECT_EQ(back.time, -5);
    EXPECT_EQ(back.note, 36);
    EXPECT_EQ(back.duration, 960);
}

struct FakeMeterMap : Recorder<IMfxMeterMap> {
    HRESULT STDMETHODCALLTYPE TicksToMeasureBeatTick(LONG, LONG *, LONG *, LONG *) override
    {
        return called = "TicksToMeasureBeatTick", S_OK;
    }
    LONG STDMETHODCALLTYPE MeasureBeatTickToTicks(LONG measure, LONG beat, LONG tick) override
    {
        called = "MeasureBeatTickToTicks";
        return ((measure - 1) * 4 + beat - 1) * 480 + tick;
    }
    LONG STDMETHODCALLTYPE GetMeterIndexForTime(LONG) override { return called = "GetMeterIndexForTime", 0; }
    LONG STDMETHODCALLTYPE GetMeterCount() override { return called = "GetMeterCount", 1; }
    HRESULT STDMETHODCALLTYPE GetMeterAt(LONG, LONG *, LONG *, LONG *) override
    {
        return called = "GetMeterAt", S_OK;
    }
};

struct FakeRenderInfo : Recorder<IMfxRenderInfo> {
    LONG STDMETHODCALLTYPE GetRenderFrom() override { return called = "GetRenderFrom", 0; }
    LONG STDMETHODCALLTYPE GetRenderThru() override { return called = "GetRenderThru", 0; }
    LONG STDMETHODCALLTYPE GetRenderState() override { return called = "GetRenderState", 2; }
};

struct FakeNameSetSource : Recorder<IMfxNameSetSource> {
    HRESULT STDMETHODCALLTYPE GetPatchNames(IMfxNameSet **) override
    {
        return called = "GetPatchNames", E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE GetNoteNames(IMfxNameSet **) override
    {
        return called = "GetNoteNames", E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE GetControllerNames(IMfxNameSet **) override
    {
        return called = "GetControllerNames", E_FAIL;
    }
};

// The slots the plug-ins call by number: measure/beat/tick to ticks is the
// meter map's fifth method, the off-line mark the render info's sixth, the
// note names the name source's fifth.
TEST(MfxHostInterfaces, ContextSlotsThePluginsCallByNumber)
{
    FakeMeterMap meter;
    EXPECT_EQ(callSlot<LONG>(&meter, 4, LONG(2), LONG(1), LONG(10)), 1930);
    EXPECT_EQ(meter.called, "MeasureBeatTickToTicks");

    FakeRenderInfo render;
    EXPECT_EQ(callSlot<LONG>(&render, 5), 2);
    EXPECT_EQ(render.called, "GetRenderState");

    FakeNameSetSource source;
    IMfxNameSet *names = nullptr;
    callSlot<HRESULT>(&source, 4, &names);
    EXPECT_EQ(source.called, "GetNoteNames");
}

struct FakeCallback : Recorder<IMfxInputCallback> {
    IMfxInputPort *port = nullptr;
    int note = -1;
    HRESULT STDMETHODCALLTYPE OnEvent(IMfxInputPort *from, const MfxEvent *event) override
    {
        port = from;
        note = event->note;
        return called = "OnEvent", S_OK;
    }
};

struct FakeInputPort : Recorder<IMfxInputPort> {
    IMfxInputCallback *callback = nullptr;
    HRESULT STDMETHODCALLTYPE SetInputCallback(IMfxInputCallback *value) override
    {
        callback = value;
        return called = "SetInputCallback", S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetInputCallback(IMfxInputCallback **out) override
    {
        *out = callback;
        return called = "GetInputCallback", S_OK;
    }
};

TEST(MfxHostInterfaces, InputPortAndCallbackSlots)
{
    FakeInputPort port;
    FakeCallback callback;
    callSlot<HRESULT>(&port, 3, static_cast<IMfxInputCallback *>(&callback));
    EXPECT_EQ(port.called, "SetInputCallback");
    IMfxInputCallback *back = nullptr;
    callSlot<HRESULT>(&port, 4, &back);
    EXPECT_EQ(back, &callback);

    MfxEvent preview{};
    preview.note = 38;
    callSlot<HRESULT>(back, 3, static_cast<IMfxInputPort *>(&port), static_cast<const MfxEvent *>(&preview));
    EXPECT_EQ(callback.called, "OnEvent");
    EXPECT_EQ(callback.port, &port);
    EXPECT_EQ(callback.note, 38);
}

} // namespace
