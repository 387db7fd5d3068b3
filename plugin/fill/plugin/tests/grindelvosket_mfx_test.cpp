// The drummer as a host drives it: connect, windows of host ticks, live
// input, persistence, and what a drummer leaves behind when it goes.
#include "plugin/fill/engine/fill_module.h"
#include "plugin/fill/plugin/grindelvosket_ids.h"
#include "plugin/fill/plugin/grindelvosket_mfx.h"
#include "plugin/fill/plugin/tests/plugin_fixture.h"
#include "plugin/framework/mfx/testing/host_window_cases.h"
#include "plugin/framework/plugin/warning_dialog.h"
#include "testing/sandbox.h"

#include <algorithm>

namespace grindel_test {
namespace {

using namespace Quorvane;

bool isLive(const Grindelvosket *engine)
{
    FillModule::EngineListGuard guard;
    const auto &live = FillModule::liveEngines();
    return std::find(live.begin(), live.end(), engine) != live.end();
}

bool inUpdater(const MfxPlugin *plugin)
{
    MfxPlugin::PluginUpdater *updater = MfxPlugin::updater();
    return updater && updater->contains(plugin);
}

class GrindelvosketMfxTest : public PluginTest {};

TEST_F(GrindelvosketMfxTest, ConnectNeedsBothMapsAndListsTheDrummer)
{
    Drummer drummer;
    host.offersMeter = false;
    EXPECT_EQ(drummer->Connect(host.context()), E_FAIL);
    EXPECT_FALSE(inUpdater(drummer.get()));
    EXPECT_FALSE(isLive(drummer.get()));
    EXPECT_EQ(host.references, 1) << "a refused connect keeps nothing";

    host.offersMeter = true;
    EXPECT_EQ(drummer->Connect(host.context()), S_OK);
    EXPECT_TRUE(inUpdater(drummer.get()));
    EXPECT_TRUE(isLive(drummer.get()));
    EXPECT_EQ(drummer->getResolution(), 480);
    EXPECT_EQ(drummer->Disconnect(), S_OK);
    EXPECT_FALSE(inUpdater(drummer.get()));
    EXPECT_FALSE(isLive(drummer.get()));
    EXPECT_EQ(host.references, 1);
}

// The drummer follows the host-window rule: with nothing to play, each
// processed range shows as one marker at its start, and a window that comes
// out empty shows nothing.
TEST_F(GrindelvosketMfxTest, HostWindowsBecomeClosedRangesDownToOneTick)
{
    for (const mfx_testing::HostWindowCase &c : mfx_testing::hostWindowCases()) {
        SCOPED_TRACE(c.name);
        Drummer drummer;
        ASSERT_EQ(drummer->Connect(host.context()), S_OK);
        drummer->setFillMeasure(1000); // nothing plays: only the window markers show
        std::vector<int32_t> markers;
        for (const mfx_testing::HostStep &step : c.steps) {
            if (step.kind == mfx_testing::HostStep::Start) {
                ASSERT_EQ(drummer->OnStart(step.from), S_OK);
            } else if (step.kind == mfx_testing::HostStep::Stop) {
                ASSERT_EQ(drummer->OnStop(step.from), S_OK);
            } else {
                Queue in;
                Queue out;
                ASSERT_EQ(drummer->OnEvents(step.from, step.thru, &in, &out), S_OK);
                for (const MfxEvent &e : out.events) {
                    EXPECT_TRUE(isMarker(e));
                    markers.push_back(e.time);
                }
            }
        }
        std::vector<int32_t> starts;
        for (const mfx_testing::TickRange &range : c.processed)
            starts.push_back(range.first);
        EXPECT_EQ(markers, starts);
        EXPECT_EQ(drummer->processStart(), starts.back());
        drummer->Disconnect();
    }
}

TEST_F(GrindelvosketMfxTest, FillPlaysInItsBarWithTheHostTracksChannelAndPort)
{
    Drummer drummer;
    ASSERT_EQ(drummer->Connect(host.context()), S_OK);
    loadFill(*drummer.get(), "Rock 01");
    drummer->setFillMeasure(2);
    drummer->setPunchRange(0, 960);
    drummer->onHostTrackInfo(9, 3);
    ASSERT_EQ(drummer->OnStart(0), S_OK);

    // Input before the bar passes; the loopers only sound inside it.
    Queue in({noteEvent(100, 60, 70), controllerEvent(200, 7, 100)});
    Queue out;
    ASSERT_EQ(drummer->OnEvents(0, 4 * 480 * 3, &in, &out), S_OK);
    ASSERT_GE(out.events.size(), 3u);
    EXPECT_EQ(keyOf(out.events[0]), keyOf(in.events[0]));
    EXPECT_EQ(keyOf(out.events[1]), keyOf(in.events[1]));
    int notes = 0;
    for (size_t i = 2; i < out.events.size(); ++i) {
        const MfxEvent &e = out.events[i];
        EXPECT_GE(e.time, 1920);
        EXPECT_LT(e.time, 3840);
        EXPECT_EQ(e.channel, 9);
        EXPECT_EQ(e.port, 3);
        notes += e.kind == MfxNote ? 1 : 0;
    }
    EXPECT_GT(notes, 4);

    // Channel -1 keeps the pattern's own channel.
    drummer->onHostTrackInfo(-1, 0);
    ASSERT_EQ(drummer->OnStart(0), S_OK);
    Queue again;
    Queue out2;
    drummer->OnEvents(1920, 3839, &again, &out2);
    ASSERT_FALSE(out2.events.empty());
    for (const MfxEvent &e : out2.events)
        EXPECT_EQ(e.channel, 9) << "drums stay on their channel";
    drummer->Disconnect();
}

TEST_F(GrindelvosketMfxTest, LiveTriggerNotesSwitchPadsAndAreConsumed)
{
    Drummer drummer;
    ASSERT_EQ(drummer->Connect(host.context()), S_OK);
    drummer->setTriggerEnabled(true);
    Queue in({noteEvent(0, 38, 100), noteEvent(0, 60, 90), noteEvent(0, 39, 0)});
    Queue out;
    ASSERT_EQ(drummer->OnInput(&in, &out), S_OK);
    EXPECT_EQ(drummer->currentPad(), 2) << "trigger range starts at 36";
    ASSERT_EQ(out.events.size(), 2u) << "the note outside the range and the note-off pass";
    EXPECT_EQ(out.events[0].note, 60);
    EXPECT_EQ(out.events[1].note, 39);
    drummer->Disconnect();
}

TEST_F(GrindelvosketMfxTest, OfflineUseWarnsOnceTheUserSaysSo)
{
    host.offersRenderInfo = true;
    host.renderState = 1;
    int shown = 0;
    std::string key;
    std::string text;
    setWarningDialogHook([&](const std::string &message, const std::string &k, bool *tick) {
        ++shown;
        key = k;
        text = message;
        *tick = true;
        return static_cast<INT_PTR>(IDOK);
    });
    {
        Drummer first;
        ASSERT_EQ(first->Connect(host.context()), S_OK);
        first->Disconnect();
    }
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(key, "Offline");
    EXPECT_NE(text.find("real-time"), std::string::npos) << text;
    {
        Drummer second;
        ASSERT_EQ(second->Connect(host.context()), S_OK);
        second->Disconnect();
    }
    EXPECT_EQ(shown, 1) << "\"don't show again\" is remembered";

    host.renderState = 0;
    Drummer live;
    ASSERT_EQ(live->Connect(host.context()), S_OK);
    live->Disconnect();
    EXPECT_EQ(shown, 1);
}

TEST_F(GrindelvosketMfxTest, ReleasedWithoutDisconnectLeavesNothingBehind)
{
    Sink sink;
    Drummer kept;
    Drummer gone;
    ASSERT_EQ(kept->Connect(host.context()), S_OK);
    ASSERT_EQ(gone->Connect(host.context()), S_OK);
    kept.request()->Attach(&sink, 0x10001);
    gone.request()->Attach(&sink, 0x10002);
    GrindelvosketMFX *raw = gone.get();
    ASSERT_EQ(GrindelvosketMFX::requesters().head(), raw);

    EXPECT_EQ(gone.take()->Release(), 0u);
    EXPECT_FALSE(inUpdater(raw));
    EXPECT_FALSE(isLive(raw));
    EXPECT_EQ(GrindelvosketMFX::requesters().head(), kept.get());
    EXPECT_EQ(RequesterChainOfFills::next(kept.get()), nullptr);
    EXPECT_EQ(sink.detached, std::vector<DWORD>{0x10002});

    // Attached but never connected: the chain lets go of it as well.
    Drummer loose;
    loose.request()->Attach(&sink, 0x10003);
    GrindelvosketMFX *looseRaw = loose.get();
    EXPECT_EQ(loose.take()->Release(), 0u);
    EXPECT_FALSE(GrindelvosketMFX::requesters().contains(looseRaw));
    EXPECT_EQ(GrindelvosketMFX::requesters().head(), kept.get());
    kept->Disconnect();
    EXPECT_EQ(host.references, 1);
}

TEST_F(GrindelvosketMfxTest, ChainKeepsEachDrummerOnceAndSurvivesDisconnects)
{
    Sink first;
    Sink second;
    Drummer a, b, c;
    for (Drummer *d : {&a, &b, &c})
        ASSERT_EQ((*d)->Connect(host.context()), S_OK);
    a.request()->Attach(&first, 1);
    b.request()->Attach(&first, 2);
    c.request()->Attach(&first, 3);
    // Chain: c, b, a. Attaching a again replaces its sink and cookie only.
    a.request()->Attach(&second, 11);
    auto order = [] {
        std::vector<GrindelvosketMFX *> members;
        GrindelvosketMFX::requesters().forEach([&](GrindelvosketMFX *m) { members.push_back(m); });
        return members;
    };
    EXPECT_EQ(order(), (std::vector<GrindelvosketMFX *>{c.get(), b.get(), a.get()}));
    a.request()->SetParam(QN3FillMeasure, -1, 4);
    EXPECT_TRUE(first.changes.empty());
    ASSERT_EQ(second.changes.size(), 1u);
    EXPECT_EQ(std::get<0>(second.changes[0]), 11u);

    // Disconnecting one in the middle keeps the others linked.
    b->Disconnect();
    EXPECT_EQ(order(), (std::vector<GrindelvosketMFX *>{c.get(), a.get()}));
    EXPECT_EQ(first.detached, std::vector<DWORD>{2});
    c->Disconnect();
    a->Disconnect();
    EXPECT_EQ(second.detached, std::vector<DWORD>{11});
    EXPECT_EQ(GrindelvosketMFX::requesters().head(), nullptr);
}

TEST_F(GrindelvosketMfxTest, DrumMapAndNoteNamesReachEveryAttachedDrummer)
{
    const std::string names = dataFolder() + "\\NoteNames";
    CreateDirectoryA(names.c_str(), nullptr);
    ASSERT_TRUE(testing_support::writeFile(names + "\\Studio Kit.txt", "36 Big Kick\r\n38 Fat Snare\r\n"));
    Sink sink;
    Drummer a, b;
    ASSERT_EQ(a->Connect(host.context()), S_OK);
    ASSERT_EQ(b->Connect(host.context()), S_OK);
    a.request()->Attach(&sink, 1);
    b.request()->Attach(&sink, 2);
    a->drumMap().setNote(38, 40);
    a->drumMapChanged();
    EXPECT_EQ(b->drumMap().getNote(38), 40);
    a->selectNoteNameSet("Studio Kit");
    for (GrindelvosketMFX *drummer : {a.get(), b.get()}) {
        EXPECT_EQ(drummer->noteNames().getName(), "Studio Kit");
        EXPECT_EQ(drummer->noteNames().getNoteName(36), "Big Kick");
    }
    a->Disconnect();
    b->Disconnect();
}

TEST_F(GrindelvosketMfxTest, StateSurvivesSaveAndLoadByteForByte)
{
    Drummer source;
    ASSERT_EQ(source->Connect(host.context()), S_OK);
    loadFill(*source.get(), "Rock 05");
    source->setFillMeasure(7);
    source->setPunchRange(240, 1800);
    source->setZones(0, 2, 1, false);
    source->setSwingPc(40, false);
    source->getLooper(3)->setMute(true);
    const std::string saved = saveBytes(source.persist());
    ASSERT_FALSE(saved.empty());
    ULARGE_INTEGER size{};
    ASSERT_EQ(source.persist()->GetSizeMax(&size), S_OK);
    EXPECT_EQ(size.QuadPart, saved.size());
    EXPECT_EQ(saveBytes(source.persist()), saved) << "saving changes nothing";

    Drummer copy;
    ASSERT_EQ(copy->Connect(host.context()), S_OK);
    IStream *stream = streamOf(saved);
    ASSERT_EQ(copy.persist()->Load(stream), S_OK);
    stream->Release();
    EXPECT_EQ(saveBytes(copy.persist()), saved);
    EXPECT_EQ(copy->fillMeasure(), 7);
    EXPECT_EQ(copy->maskMode(), 2);
    EXPECT_TRUE(copy->getLooper(3)->isMuted());
    CLSID id{};
    ASSERT_EQ(copy.persist()->GetClassID(&id), S_OK);
    EXPECT_TRUE(IsEqualCLSID(id, CLSID_GrindelvosketMFX));
    source->Disconnect();
    copy->Disconnect();
}

// A damaged stream changes nothing: the drummer keeps its state and the
// host hears of the failure.
TEST_F(GrindelvosketMfxTest, LoadIsAllOrNothing)
{
    Drummer source;
    ASSERT_EQ(source->Connect(host.context()), S_OK);
    loadFill(*source.get(), "Rock 05");
    source->setFillMeasure(9);
    const std::string good = saveBytes(source.persist());

    Drummer target;
    ASSERT_EQ(target->Connect(host.context()), S_OK);
    loadFill(*target.get(), "Rock 01");
    target->setFillMeasure(3);
    target->setPunchRange(120, 600);
    const std::string before = saveBytes(target.persist());

    // Damage early, in the middle, and in the very last byte (the embedded
    // track flag), after everything else was read.
    std::string badFlag = good;
    ASSERT_EQ(badFlag.back(), '\0');
    badFlag.back() = 7;
    for (const std::string &damaged :
         {good.substr(0, good.size() / 2), good.substr(0, 12),
          std::string("\x02\x00\x00\x00\xFF\xFF\xFF\x7F", 8), good.substr(0, good.size() - 1), badFlag}) {
        IStream *stream = streamOf(damaged);
        EXPECT_TRUE(FAILED(target.persist()->Load(stream)));
        stream->Release();
        EXPECT_EQ(saveBytes(target.persist()), before);
        EXPECT_EQ(target->fillMeasure(), 3);
    }
    source->Disconnect();
    target->Disconnect();
}

TEST_F(GrindelvosketMfxTest, HostNowIsTheDrummersOwnWhileARequesterDrivesIt)
{
    Drummer drummer;
    ASSERT_EQ(drummer->Connect(host.context()), S_OK);
    EXPECT_EQ(drummer->getHostNow(), -1) << "no host display";
    Sink sink;
    drummer.request()->Attach(&sink, 5);
    drummer->OnStart(1234);
    EXPECT_EQ(drummer->currentTime(), 1234);
    Queue in, out;
    drummer->OnEvents(2000, 2100, &in, &out);
    EXPECT_EQ(drummer->currentTime(), 2000);
    EXPECT_EQ(drummer->capabilityBits(), 1u | 2u | 4u) << "no host integration";
    drummer->Disconnect();
}

} // namespace
} // namespace grindel_test
