// The host a hosted synthesizer sees: the client's interfaces answered from
// a song whose maps the test sets, at 44100 Hz.
#include "synth/dxi/dxi_client.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

using namespace Quorvane;

namespace {

// 960 ticks per quarter at 60 quarters per minute (45.9375 samples a tick);
// bars of 3840 ticks counted from 0.
struct FakeSong : ITembriSong {
    int SongActivate() override { return 1; }
    long SongGetTimeBase() override { return 960; }
    long SongGetSPS() override { return 44100; }
    void SongGetMBTFromTime(long tick, long &bar, long &beat, long &inBeat) override
    {
        bar = tick / 3840;
        beat = tick % 3840 / 960;
        inBeat = tick % 960;
    }
    long SongGetTimeFromMBT(long bar, long beat, long inBeat) override
    {
        return bar * 3840 + beat * 960 + inBeat;
    }
    long SongGetNumMeters() override { return static_cast<long>(meters.size()); }
    long SongGetMeterIndexAtTime(long tick) override { return tick >= 3840 ? 1 : 0; }
    int SongGetMeterByIndex(long index, QUICKMETER &meter) override
    {
        if (index < 0 || index >= SongGetNumMeters())
            return 0;
        meter = meters[index];
        return 1;
    }
    long SongGetNumTonals() override { return static_cast<long>(tonals.size()); }
    long SongGetTonalIndexAtTime(long tick) override { return tick >= 0 ? 0 : -1; }
    int SongGetTonalByIndex(long index, QUICKTONAL &tonal) override
    {
        if (index < 0 || index >= SongGetNumTonals())
            return 0;
        tonal = tonals[index];
        return 1;
    }
    int64_t SongGetSampleFromTime(long tick) override
    {
        return static_cast<int64_t>(std::floor(tick * 45.9375));
    }
    long SongGetTimeFromSample(int64_t sample) override
    {
        return static_cast<long>(std::floor(sample / 45.9375));
    }
    long SongGetNumTempos() override { return 1; }
    long SongGetTempoIndexAtTime(long) override { return 0; }
    int SongGetTempoByIndex(long index, QUICKTIMER &timer) override
    {
        if (index != 0)
            return 0;
        timer.startTick = 0;
        timer.samplesPerTick = 45.9375f;
        return 1;
    }
    float SongGetTempoNow() override { return 60.0f; }
    void SongSetModified() override { ++modified; }
    void SongPlayMMsg(unsigned long, unsigned long) override {}

    std::vector<QUICKMETER> meters;
    std::vector<QUICKTONAL> tonals;
    int modified = 0;
};

QUICKMETER meter(long startBar, long numerator, long power)
{
    QUICKMETER m;
    m.startBar = startBar;
    m.numerator = numerator;
    m.power = power;
    return m;
}

QUICKTONAL key(long bar, long value)
{
    QUICKTONAL k;
    k.bar = bar;
    k.key = value;
    return k;
}

class HostTest : public ::testing::Test {
protected:
    HostTest() { client = new CDXiClient(&song); }
    ~HostTest() override { client->Release(); }
    template <typename I> I *as(REFIID iid)
    {
        I *p = nullptr;
        EXPECT_EQ(client->QueryInterface(iid, reinterpret_cast<void **>(&p)), S_OK);
        parts.push_back(p);
        return p;
    }
    void TearDown() override
    {
        for (IUnknown *p : parts)
            p->Release();
    }

    FakeSong song;
    CDXiClient *client;
    std::vector<IUnknown *> parts;
};

TEST_F(HostTest, EveryPartReachesEveryOtherOnOneCount)
{
    const IID ids[] = {IID_IHostTempoMap,      IID_IHostMeterMap,      IID_IHostKeySigMap,
                       IID_IHostTimeConverter, IID_IPropertyPageSite,  IID_IHostTempoChangeList,
                       IID_IHostEventList,     IID_IHostNameSetSource, IID_IHostNameSet,
                       IID_IHostNameList,      IID_IHostCallback};
    auto *meterMap = as<IHostMeterMap>(IID_IHostMeterMap);
    for (const IID &id : ids) {
        IUnknown *part = nullptr;
        ASSERT_EQ(meterMap->QueryInterface(id, reinterpret_cast<void **>(&part)), S_OK);
        IUnknown *back = nullptr;
        ASSERT_EQ(part->QueryInterface(IID_IHostMeterMap, reinterpret_cast<void **>(&back)), S_OK);
        EXPECT_EQ(back, meterMap);
        back->Release();
        part->Release();
    }
    IUnknown *none = reinterpret_cast<IUnknown *>(1);
    EXPECT_EQ(client->QueryInterface(IID_IDXiSynth, reinterpret_cast<void **>(&none)), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    // One count: an AddRef on one part is seen by another.
    auto *site = as<IPropertyPageSite>(IID_IPropertyPageSite);
    const ULONG before = site->AddRef();
    EXPECT_EQ(meterMap->AddRef(), before + 1);
    meterMap->Release();
    site->Release();
}

TEST_F(HostTest, TempoMap)
{
    auto *tempo = as<IHostTempoMap>(IID_IHostTempoMap);
    EXPECT_EQ(tempo->GetTimeBase(), 960);
    EXPECT_EQ(tempo->TicksToMs(960), 1000);
    EXPECT_EQ(tempo->TicksToMs(480), 500);
    EXPECT_EQ(tempo->MsToTicks(250), 240);
    EXPECT_EQ(tempo->GetTempoCount(), 1);
    EXPECT_EQ(tempo->GetTempoIndexAt(5000), 0);
    LONG start = -1, bpm = -1;
    ASSERT_EQ(tempo->GetTempo(0, &start, &bpm), S_OK);
    EXPECT_EQ(start, 0);
    EXPECT_EQ(bpm, 6000);
    EXPECT_EQ(tempo->GetTempo(1, &start, &bpm), E_FAIL);
}

TEST_F(HostTest, MeterMapCountsFromOne)
{
    song.meters = {meter(0, 4, 2), meter(1, 6, 7)};
    auto *meters = as<IHostMeterMap>(IID_IHostMeterMap);
    LONG m = 0, b = 0, t = 0;
    ASSERT_EQ(meters->TicksToMbt(3840 + 960 + 7, &m, &b, &t), S_OK);
    EXPECT_EQ(m, 2);
    EXPECT_EQ(b, 2);
    EXPECT_EQ(t, 7);
    EXPECT_EQ(meters->MbtToTicks(2, 2, 7), 3840 + 960 + 7);
    EXPECT_EQ(meters->GetMeterCount(), 2);
    EXPECT_EQ(meters->GetMeterIndexAt(4000), 1);
    struct Case {
        LONG index;
        HRESULT result;
        LONG measure, numerator, power;
    } cases[] = {{0, S_OK, 1, 4, 2}, {1, S_OK, 2, 6, 2}, {2, E_FAIL, -1, -1, -1}, {-1, E_FAIL, -1, -1, -1}};
    for (const Case &c : cases) {
        LONG measure = -1, numerator = -1, power = -1;
        EXPECT_EQ(meters->GetMeter(c.index, &measure, &numerator, &power), c.result) << c.index;
        EXPECT_EQ(measure, c.measure);
        EXPECT_EQ(numerator, c.numerator);
        EXPECT_EQ(power, c.power);
    }
}

TEST_F(HostTest, KeySignaturesAsSharpsOrFlats)
{
    song.tonals = {key(0, 0), key(2, 1), key(4, 14), key(5, 30), key(6, 9), key(7, 20)};
    auto *keys = as<IHostKeySigMap>(IID_IHostKeySigMap);
    EXPECT_EQ(keys->GetKeyCount(), 6);
    EXPECT_EQ(keys->GetKeyIndexAt(-1), -1);
    struct Case {
        LONG index;
        HRESULT result;
        LONG measure, accidentals;
    } cases[] = {{0, S_OK, 1, -7}, {1, S_OK, 3, 7},  {2, S_OK, 5, 0},    {3, E_FAIL, -1, -1},
                 {4, S_OK, 7, 3},  {5, S_OK, 8, -3}, {6, E_FAIL, -1, -1}};
    for (const Case &c : cases) {
        LONG measure = -1, accidentals = -1;
        EXPECT_EQ(keys->GetKey(c.index, &measure, &accidentals), c.result) << c.index;
        EXPECT_EQ(measure, c.measure) << c.index;
        EXPECT_EQ(accidentals, c.accidentals) << c.index;
    }
}

DXI_TIME timeOf(int32_t format)
{
    DXI_TIME t = {};
    t.format = format;
    switch (format) {
    case DXI_TIME_SECONDS:
        t.seconds = 2.5;
        break;
    case DXI_TIME_SAMPLES:
        t.samples = 110250;
        break;
    case DXI_TIME_TICKS:
        t.ticks = 2400;
        break;
    case DXI_TIME_MBT:
        t.mbt = {1, 3, 480};
        break;
    }
    return t;
}

// 2.5 s = 110250 samples = tick 2400 = measure 1, beat 3, tick 480: every
// pair converts into the others' values.
TEST_F(HostTest, TimeConverterTable)
{
    auto *converter = as<IHostTimeConverter>(IID_IHostTimeConverter);
    const int32_t formats[] = {DXI_TIME_SECONDS, DXI_TIME_SAMPLES, DXI_TIME_TICKS, DXI_TIME_MBT};
    for (int32_t from : formats)
        for (int32_t to : formats) {
            DXI_TIME t = timeOf(from);
            ASSERT_EQ(converter->ConvertTime(&t, to), S_OK) << from << " to " << to;
            const DXI_TIME expected = timeOf(to);
            EXPECT_EQ(std::memcmp(&t, &expected, sizeof(t)), 0) << from << " to " << to;
        }
    DXI_TIME t = timeOf(DXI_TIME_TICKS);
    const DXI_TIME kept = t;
    EXPECT_EQ(converter->ConvertTime(&t, 4), E_NOTIMPL);
    EXPECT_EQ(converter->ConvertTime(&t, 0), E_NOTIMPL);
    EXPECT_EQ(std::memcmp(&t, &kept, sizeof(t)), 0);
    t.format = 4;
    EXPECT_EQ(converter->ConvertTime(&t, DXI_TIME_TICKS), E_NOTIMPL);
    DXI_TIME negative = {};
    negative.format = DXI_TIME_SAMPLES;
    negative.samples = -44100;
    ASSERT_EQ(converter->ConvertTime(&negative, DXI_TIME_SECONDS), S_OK);
    EXPECT_EQ(negative.seconds, -1.0);
}

TEST_F(HostTest, PageSiteMarksTheSongModifiedOnlyWhenDirty)
{
    auto *site = as<IPropertyPageSite>(IID_IPropertyPageSite);
    EXPECT_EQ(site->OnStatusChange(4), S_OK);
    EXPECT_EQ(song.modified, 0);
    EXPECT_EQ(site->OnStatusChange(PROPPAGESTATUS_DIRTY | 4), S_OK);
    EXPECT_EQ(song.modified, 1);
    EXPECT_EQ(site->GetLocaleID(nullptr), E_INVALIDARG);
    LCID locale = 0;
    EXPECT_EQ(site->GetLocaleID(&locale), S_OK);
    EXPECT_EQ(locale, GetUserDefaultLCID());
    IUnknown *container = reinterpret_cast<IUnknown *>(1);
    EXPECT_EQ(site->GetPageContainer(&container), E_NOTIMPL);
    EXPECT_EQ(container, nullptr);
    MSG message = {};
    EXPECT_EQ(site->TranslateAccelerator(&message), S_FALSE);
}

TEST_F(HostTest, EmptyListsAndTheirBounds)
{
    auto *events = as<IHostEventList>(IID_IHostEventList);
    auto *tempos = as<IHostTempoChangeList>(IID_IHostTempoChangeList);
    EXPECT_EQ(events->Reserved(nullptr), E_FAIL);
    EXPECT_EQ(tempos->Reserved(nullptr), E_FAIL);
    LONG count = -1;
    EXPECT_EQ(events->GetEventCount(&count), S_OK);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(tempos->GetTempoChangeCount(&count), S_OK);
    EXPECT_EQ(count, 0);
    DXI_EVENT e;
    DXI_TEMPO_CHANGE change;
    EXPECT_EQ(events->GetEvent(0, &e), E_INVALIDARG);
    EXPECT_EQ(events->GetEvent(-1, &e), E_INVALIDARG);
    EXPECT_EQ(tempos->GetTempoChange(0, &change), E_INVALIDARG);
}

TEST_F(HostTest, TheNameSetHoldsOneListOfNumbers)
{
    auto *source = as<IHostNameSetSource>(IID_IHostNameSetSource);
    IHostNameSet *sets[3] = {};
    ASSERT_EQ(source->GetNameSet(&sets[0]), S_OK);
    ASSERT_EQ(source->GetNameSet2(&sets[1]), S_OK);
    ASSERT_EQ(source->GetNameSet3(&sets[2]), S_OK);
    EXPECT_EQ(sets[0], sets[1]);
    EXPECT_EQ(sets[1], sets[2]);
    LONG count = 0;
    EXPECT_EQ(sets[0]->GetListCount(&count), S_OK);
    EXPECT_EQ(count, 1);
    INameList *list = nullptr;
    EXPECT_EQ(sets[0]->GetList(1, &list), E_FAIL);
    ASSERT_EQ(sets[0]->GetList(0, &list), S_OK);
    for (IHostNameSet *set : sets)
        set->Release();

    EXPECT_EQ(list->GetNumberCount(&count), S_OK);
    EXPECT_EQ(count, 128);
    char buffer[16];
    std::memset(buffer, 'x', sizeof(buffer));
    ASSERT_EQ(list->GetListName(buffer, 12), S_OK);
    EXPECT_EQ(std::string(buffer, 12), std::string("Numbers\0\0\0\0\0", 12));
    EXPECT_EQ(buffer[12], 'x');
    EXPECT_EQ(list->GetNameOfNumber(127, buffer, 16), S_OK);
    EXPECT_STREQ(buffer, "127");
    EXPECT_EQ(list->GetNameOfNumber(128, buffer, 16), E_FAIL);
    EXPECT_EQ(list->GetNameOfNumber(-1, buffer, 16), E_FAIL);
    list->Release();
}

// The list writes within the size it is given, and always ends its text.
TEST_F(HostTest, TheNameListWritesWithinTheBuffer)
{
    auto *list = as<INameList>(IID_IHostNameList);
    char buffer[8];
    std::memset(buffer, 'x', sizeof(buffer));
    ASSERT_EQ(list->GetListName(buffer, 4), S_OK);
    EXPECT_EQ(std::string(buffer, 5), std::string("Num\0x", 5));
    std::memset(buffer, 'x', sizeof(buffer));
    ASSERT_EQ(list->GetNameOfNumber(100, buffer, 3), S_OK);
    EXPECT_EQ(std::string(buffer, 4), std::string("10\0x", 4));
    EXPECT_EQ(list->GetListName(nullptr, 4), E_POINTER);
    EXPECT_EQ(list->GetNameOfNumber(1, buffer, 0), E_POINTER);
}

} // namespace
