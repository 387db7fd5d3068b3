// The window's table of drummers through its sink: attaching, the mirror of
// the fill parameters and the fill region they give, and what the drummers
// may call with good and bad cookies.
#include "app/part_drummers.h"

#include "app/parts_sink.h"
#include "data/song.h"
#include "data/tests/fake_sound.h"

#include <gtest/gtest.h>

#include <map>
#include <thread>
#include <vector>

namespace {

using namespace Quorvane;

// A drummer answering the request interface with parameters the test sets.
class FakeDrummer : public IQN3Request {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (iid == IID_IUnknown || iid == IID_IQN3Request) {
            *out = static_cast<IQN3Request *>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE Attach(IDrummerSink *s, DWORD c) override
    {
        sink = s;
        cookie = c;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetParam(LONG id, LONG, LONG *value) override
    {
        readers.push_back(GetCurrentThreadId());
        if (id == failingId)
            return E_UNEXPECTED;
        *value = params[id];
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetParam(LONG id, LONG, LONG value) override
    {
        set[id] = value;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetNoteName(LONG, char *, LONG) override { return E_NOTIMPL; }

    ULONG references = 1;
    IDrummerSink *sink = nullptr;
    DWORD cookie = 0;
    LONG failingId = -1;
    std::map<LONG, LONG> params{{0, 2}, {1, 120}, {2, 960}, {3, 1}, {4, 3}, {5, 0}};
    std::map<LONG, LONG> set;
    // The threads that read a parameter.
    std::vector<DWORD> readers;
};

class Drummers : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(song.SetDefault(), 1);
        table.SetSong(song.GetITembriSong());
    }

    FakeSoundMngr manager;
    CSong song{nullptr, &manager};
    PartDrummers table;
    PartsSink sink{table};
    FakeDrummer drummer;
};

TEST_F(Drummers, AFillDrummerIsMirroredAndLaidOut)
{
    ASSERT_TRUE(table.Attach(5, 1, &drummer, &sink));
    EXPECT_EQ(drummer.cookie, 0x50001u);
    EXPECT_EQ(drummer.sink, &sink);
    EXPECT_EQ(sink.References(), 1);
    EXPECT_EQ(drummer.references, 2u) << "the table holds the request interface";
    const FillMirror &m = table.Mirror(5, 1);
    EXPECT_EQ(m.params[0], 2);
    EXPECT_EQ(m.params[4], 3);
    // 4/4 at 960 ticks per quarter: measure 2 starts at 7680; the fill
    // runs from half a quarter in to four quarters in.
    EXPECT_EQ(m.measureStart, 7680);
    EXPECT_EQ(m.fillStart, 7680 + 480);
    EXPECT_EQ(m.fillEnd, 7680 + 3840 - 1);
    EXPECT_EQ(m.measureEnd, 11519);
}

TEST_F(Drummers, AMissingParameterLeavesThePlaceEmpty)
{
    drummer.failingId = 4;
    EXPECT_FALSE(table.Attach(0, 2, &drummer, &sink));
    EXPECT_EQ(table.Request(0, 2), nullptr);
    EXPECT_EQ(sink.References(), 0);
    EXPECT_EQ(drummer.references, 1u);
    EXPECT_FALSE(table.Attach(0, 2, nullptr, &sink));
}

TEST_F(Drummers, AChangedFillMeasureIsReadBackLaidOutAndRedrawn)
{
    ASSERT_TRUE(table.Attach(3, 2, &drummer, &sink));
    int redrawn = -1;
    table.measuresChanged = [&](int part) { redrawn = part; };
    drummer.params[0] = 0;
    EXPECT_EQ(sink.ParamChanged(DrummerCookie(3, 2), 0, -1), S_OK);
    EXPECT_EQ(redrawn, 3);
    EXPECT_EQ(table.Mirror(3, 2).measureStart, 0);
    EXPECT_EQ(table.Mirror(3, 2).fillStart, 480);

    redrawn = -1;
    drummer.params[5] = 3;
    EXPECT_EQ(sink.ParamChanged(DrummerCookie(3, 2), 5, -1), S_OK);
    EXPECT_EQ(table.Mirror(3, 2).params[5], 3);
    EXPECT_EQ(redrawn, -1) << "only the measure redraws";

    drummer.params[0] = -1;
    EXPECT_EQ(sink.ParamChanged(DrummerCookie(3, 2), 0, -1), E_FAIL) << "a layout that fails";
    drummer.failingId = 1;
    EXPECT_EQ(sink.ParamChanged(DrummerCookie(3, 2), 1, -1), E_UNEXPECTED);
}

// A drummer may report on another thread (a pad switched by a trigger note
// on the audio thread): nothing the window draws from changes there and the
// drummer is not asked back; the window, told once, takes the news on its
// own thread.
TEST_F(Drummers, ReportsFromAnotherThreadWaitForTheWindowThread)
{
    FakeDrummer other;
    ASSERT_TRUE(table.Attach(3, 2, &drummer, &sink));
    ASSERT_TRUE(table.Attach(4, 1, &other, &sink));
    int told = 0;
    int redrawn = -1;
    table.newsWaiting = [&] { ++told; };
    table.measuresChanged = [&](int part) { redrawn = part; };
    drummer.params[0] = 0;
    drummer.params[2] = 1920;
    other.params[5] = 3;
    drummer.readers.clear();
    other.readers.clear();
    std::vector<HRESULT> results;
    const auto report = [&] {
        std::thread audio([&] {
            results.push_back(sink.ParamChanged(DrummerCookie(3, 2), 0, -1));
            results.push_back(sink.ParamChanged(DrummerCookie(3, 2), 2, -1));
            results.push_back(sink.ParamChanged(DrummerCookie(4, 1), 5, -1));
            results.push_back(sink.ParamChanged(DrummerCookie(4, 0), 1, -1));
            results.push_back(sink.ParamChanged(DrummerCookie(3, 3), 0, -1));
        });
        audio.join();
    };
    report();
    EXPECT_EQ(results, (std::vector<HRESULT>{S_OK, S_OK, S_OK, S_OK, E_INVALIDARG}));
    EXPECT_EQ(told, 1) << "once for all the news";
    EXPECT_TRUE(drummer.readers.empty() && other.readers.empty()) << "no drummer asked on the audio thread";
    EXPECT_EQ(table.Mirror(3, 2).params[0], 2);
    EXPECT_EQ(redrawn, -1);

    table.TakeNews();
    EXPECT_EQ(drummer.readers, (std::vector<DWORD>{GetCurrentThreadId(), GetCurrentThreadId()}));
    EXPECT_EQ(table.Mirror(3, 2).params[0], 0);
    EXPECT_EQ(table.Mirror(3, 2).fillEnd, 1920 * 960 / 240 - 1);
    EXPECT_EQ(table.Mirror(4, 1).params[5], 3);
    EXPECT_EQ(redrawn, 3);
    table.TakeNews();
    EXPECT_EQ(drummer.readers.size(), 2u) << "news are taken once";
    results.clear();
    report();
    EXPECT_EQ(told, 2) << "told again once the news were taken";
}

struct CookieCase {
    DWORD cookie;
    LONG id;
    HRESULT result;
};

class SinkCookies : public Drummers, public ::testing::WithParamInterface<CookieCase> {};

TEST_P(SinkCookies, AnswerParamChanged)
{
    ASSERT_TRUE(table.Attach(1, 1, &drummer, &sink));
    const FillMirror before = table.Mirror(1, 1);
    drummer.params[0] = 6;
    EXPECT_EQ(sink.ParamChanged(GetParam().cookie, GetParam().id, -1), GetParam().result);
    if (GetParam().result != S_OK || GetParam().cookie != DrummerCookie(1, 1)) {
        EXPECT_EQ(table.Mirror(1, 1).params[0], before.params[0]);
    }
}

INSTANTIATE_TEST_SUITE_P(Cookies, SinkCookies,
                         ::testing::Values(CookieCase{DrummerCookie(1, 0), 0, S_OK},
                                           CookieCase{DrummerCookie(1, 3), 0, E_INVALIDARG},
                                           CookieCase{DrummerCookie(12, 1), 0, E_INVALIDARG},
                                           CookieCase{DrummerCookie(1, 1), 6, E_INVALIDARG},
                                           CookieCase{DrummerCookie(1, 1), -1, E_INVALIDARG},
                                           CookieCase{DrummerCookie(2, 1), 0, E_FAIL},
                                           CookieCase{DrummerCookie(1, 1), 0, S_OK}));

TEST_F(Drummers, DetachLetsGoOnceAndOnlyAtRealPlaces)
{
    ASSERT_TRUE(table.Attach(11, 0, &drummer, &sink));
    EXPECT_EQ(sink.Detach(DrummerCookie(11, 3)), E_INVALIDARG);
    EXPECT_EQ(sink.Detach(DrummerCookie(12, 0)), E_INVALIDARG);
    EXPECT_EQ(sink.Detach(DrummerCookie(11, 0)), S_OK);
    EXPECT_EQ(drummer.references, 1u);
    EXPECT_EQ(sink.References(), 0);
    EXPECT_EQ(table.Request(11, 0), nullptr);
    EXPECT_EQ(sink.Detach(DrummerCookie(11, 0)), E_FAIL) << "nothing left the second time";
}

TEST_F(Drummers, ParametersGoToThePartsDrummersOnly)
{
    FakeDrummer other;
    ASSERT_TRUE(table.Attach(4, 0, &drummer, &sink));
    ASSERT_TRUE(table.Attach(5, 0, &other, &sink));
    table.SetParamOnPart(4, QN3DynamicsLevel, 90);
    EXPECT_EQ(drummer.set[QN3DynamicsLevel], 90);
    EXPECT_TRUE(other.set.empty());
    table.ReleaseAll();
    EXPECT_EQ(drummer.references, 1u);
    EXPECT_EQ(other.references, 1u);
    EXPECT_EQ(sink.References(), 0);
}

} // namespace
