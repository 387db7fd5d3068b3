// The engine driven as a host drives it: a starter library on disk, two
// quick pads, trigger notes, input in every zone, and the whole song played
// block by block (down to one tick) twice through a host loop. What comes out
// is compared with a model of the rules: placement, punch points, zones and
// masks, solo, notes-off, swing, humanize, velocity stages, markers.
#include "plugin/fill/content/fill_content.h"
#include "plugin/framework/mfx/host_window.h"
#include "plugin/fill/engine/tests/engine_fixture.h"
#include "plugin/framework/drums/humanize_random.h"
#include "plugin/framework/drums/output_velocity_dynamics.h"
#include "plugin/framework/drums/velocity_envelope.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <tuple>

namespace {

using namespace Quorvane;
using namespace engine_test;

constexpr int32_t kTpq = 480;
constexpr int32_t kFillMeasure = 3;
constexpr int32_t kFillStart = (kFillMeasure - 1) * 4 * kTpq;
constexpr uint32_t kSeed = 1234;
constexpr int32_t kSwingPc = 60;
constexpr int32_t kSwingIdx = 2; // sixteenths
constexpr int32_t kHumanize = 9;
constexpr int32_t kChannel = 5;
constexpr int32_t kPort = 1;
constexpr int32_t kSongEnd = 9000;

struct LooperModel {
    bool muted = false;
    int32_t resolution = kTpq;
    std::vector<CMidiTrack::Event> events;
    std::array<int32_t, 128> velocityMap{};
};

struct PadModel {
    int32_t in = 0; // host ticks from the fill start
    int32_t out = 0;
    int32_t length = 0;
    std::array<LooperModel, Grindelvosket::kLooperCount> loopers;
};

const FillContent::FillDefinition *starter(const std::string &name)
{
    for (const FillContent::FillDefinition &fill : FillContent::starterFills())
        if (fill.name == name)
            return &fill;
    return nullptr;
}

PadModel capture(Grindelvosket &engine)
{
    PadModel pad;
    pad.in = engine.punchIn() * kTpq / 240;
    pad.out = engine.punchOut() * kTpq / 240;
    pad.length = engine.fillLength() * kTpq / 240;
    for (int i = 0; i < Grindelvosket::kLooperCount; ++i) {
        Looper &looper = *engine.getLooper(i);
        LooperModel &model = pad.loopers[i];
        model.muted = looper.isMuted();
        model.resolution = looper.patternResolution();
        CMidiTrack track;
        looper.writeInto(track);
        model.events.assign(track.events().begin(), track.events().end());
        for (int v = 1; v < 128; ++v)
            model.velocityMap[v] = looper.mapVelocity(v);
    }
    return pad;
}

// The swing rule, written out from its definition.
int64_t swing(int64_t p, int64_t unit, int64_t percent)
{
    if (unit < 1)
        return p;
    const int64_t amount = percent * (unit / 2) / 100;
    const int64_t k = p / unit;
    const int64_t base = k * unit;
    const int64_t r = p - base;
    return k % 2 == 0 ? base + r * (unit + amount) / unit : base + amount + r * (unit - amount) / unit;
}

using EventKey = std::tuple<int32_t, int, int, int, int, int, int, int>;

EventKey keyOf(const MfxEvent &e)
{
    return {e.time, e.kind, e.note, e.velocity, e.channel, e.port, e.duration, e.releaseVelocity};
}

struct Scenario {
    std::vector<MfxEvent> input;
    int32_t padSwitch = 0;
};

class EndToEndTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(FillContent::writeStarterLibrary(sandbox.fillsFolder(), &error)) << error;
        host = std::make_unique<FakeHostMaps>(kTpq);
        engine = std::make_unique<TestEngine>();
        engine->registerEngine();
        engine->attachHostMaps(host->tempoMap(), host->meterMap());
        engine->setupTimeBase(nullptr);

        // Settings every pad shares: they are part of each pad's snapshot.
        engine->setFillMeasure(kFillMeasure);
        engine->setSwingPc(kSwingPc, false);
        engine->setSwingDurIdx(kSwingIdx, false);
        engine->setVeloDyn(50, false);
        engine->setVeloCenterPC(20, false);
        engine->setVelocityMin(40);
        engine->setVelocityMax(120);
        engine->outputDynamics().setLevel(90);
        engine->velocityEnvelope().setPoint(0, 0, -30);
        engine->velocityEnvelope().setPoint(2, 959, 20);
        engine->setZones(1, 1, 0, false); // pre open, mask drum set, after closed
        engine->setOutputChannel(kChannel);
        engine->setOutputPort(kPort);
        engine->setHumanizeVelo(kHumanize, false);
        engine->setTriggerEnabled(true);
        engine->setTriggerBase(24);

        // Pad 1: a two-bar fill with the snare instrument off.
        const FillContent::FillDefinition *two = starter("Rock 05");
        ASSERT_NE(two, nullptr);
        engine->selectPad(1);
        engine->setPattern(two->folder, two->fileName(), false);
        engine->getLooper(2)->userNotesOff(true, false);
        engine->setPunchRange(0, 1500);

        // Pad 0: a one-bar fill with the kick soloed.
        const FillContent::FillDefinition *one = starter("Rock 01");
        ASSERT_NE(one, nullptr);
        engine->selectPad(0);
        engine->setPattern(one->folder, one->fileName(), false);
        engine->wantPlaySolo(*engine->getLooper(1));
        engine->setPunchRange(120, 840);

        pads[0] = capture(*engine);
        engine->selectPad(1);
        pads[1] = capture(*engine);
        engine->selectPad(0);
        ASSERT_EQ(pads[0].length, 4 * kTpq);
        ASSERT_EQ(pads[1].length, 8 * kTpq);
        ASSERT_FALSE(pads[1].loopers[2].events.size()) << "snare notes-off: its notes moved elsewhere";

        scenario.padSwitch = 5000;
        scenario.input = {
            noteEvent(1000, 24, 100, 0),             // trigger: pad 0
            noteEvent(2000, 60, 50, 0),              // outside: passes
            noteEvent(3900, 38, 51, 0),              // pre zone (open)
            noteEvent(4500, 38, 52, 0),              // fill zone, kit snare: masked
            noteEvent(4600, 75, 53, 0),              // fill zone, no kit note: passes
            controllerEvent(4700, 7, 54, 0),         // fill zone: no controllers
            noteEvent(scenario.padSwitch, 25, 1, 0), // trigger: pad 1
            noteEvent(6000, 38, 55, 0),              // fill zone of pad 1: snare is off, passes
            noteEvent(7000, 60, 56, 0),              // after zone (closed)
            noteEvent(8000, 61, 57, 0),              // outside: passes
        };
    }

    void TearDown() override
    {
        if (engine)
            engine->unregisterEngine();
        engine.reset();
    }

    // What the model expects of one pass through the song.
    void expectPass(std::vector<EventKey> &expected, std::array<HumanizeRandom, 10> &random)
    {
        OutputVelocityDynamics output(30, 127);
        output.setMin(40);
        output.setMax(120);
        output.setLevel(90);
        for (int i = 0; i < Grindelvosket::kLooperCount; ++i) {
            for (int p = 0; p < 2; ++p) {
                const PadModel &pad = pads[p];
                const LooperModel &looper = pad.loopers[i];
                const int64_t zoneFrom =
                    p == 0 ? kFillStart + pad.in : std::max<int64_t>(scenario.padSwitch, kFillStart + pad.in);
                const int64_t zoneEnd = kFillStart + std::min(pad.out, pad.length) - 1;
                const int64_t zoneThru =
                    p == 0 ? std::min<int64_t>(zoneEnd, scenario.padSwitch - 1) : zoneEnd;
                if (looper.muted)
                    continue;
                VelocityEnvelope envelope;
                envelope.setPoint(0, 0, -30);
                envelope.setPoint(2, 959, 20);
                envelope.setBars(pad.length / (4 * kTpq));
                envelope.setStartBar(kFillMeasure);
                const int64_t unit =
                    static_cast<int64_t>(looper.resolution >> kSwingIdx) * kTpq / looper.resolution;
                for (const CMidiTrack::Event &e : looper.events) {
                    const int64_t at = static_cast<int64_t>(e.time) * kTpq / looper.resolution;
                    const int64_t time = kFillStart + swing(at, unit, kSwingPc);
                    if (time < zoneFrom || time > zoneThru)
                        continue;
                    ASSERT_TRUE(e.isNote());
                    int32_t v = looper.velocityMap[e.data2];
                    v = std::clamp(v + random[i].spread(kHumanize), 1, 127);
                    v = envelope.apply(v, static_cast<int32_t>(time), kTpq);
                    v = output.apply(v);
                    const int64_t end = at + static_cast<int64_t>(e.duration) * kTpq / looper.resolution;
                    MfxEvent out{};
                    out.time = static_cast<int32_t>(time);
                    out.port = kPort;
                    out.channel = kChannel;
                    out.kind = MfxNote;
                    out.note = e.data1;
                    out.velocity = static_cast<uint8_t>(v);
                    out.releaseVelocity = e.flags2;
                    out.duration =
                        static_cast<int32_t>(swing(end, unit, kSwingPc) - swing(at, unit, kSwingPc));
                    expected.push_back(keyOf(out));
                }
            }
        }
        for (int index : {1, 2, 4, 7, 9})
            expected.push_back(keyOf(scenario.input[index]));
    }

    // Plays the song twice (the host loops back to 0) in host windows of
    // block ticks; checks the marker rule window by window.
    std::vector<EventKey> play(int32_t block)
    {
        std::vector<EventKey> played;
        HostWindow window;
        for (int pass = 0; pass < 2; ++pass) {
            window.restart(0);
            for (int32_t from = 0; from <= kSongEnd; from += block) {
                const HostWindow::Range range = window.next(from, from + block);
                if (range.empty)
                    continue;
                FakeQueue in;
                for (const MfxEvent &e : scenario.input)
                    if (e.time >= range.from && e.time <= range.thru)
                        in.events.push_back(e);
                FakeQueue out;
                engine->processRange(range.from, range.thru, &in, &out);
                const auto markers = std::count_if(out.events.begin(), out.events.end(), isMarker);
                if (markers > 0) {
                    EXPECT_TRUE(in.events.empty() && out.events.size() == 1 &&
                                out.events[0].time == range.from)
                        << "a marker only for an empty window, at its start: " << range.from;
                } else if (in.events.empty()) {
                    EXPECT_FALSE(out.events.empty()) << "an empty window without its marker: " << range.from;
                }
                for (const MfxEvent &e : out.events)
                    if (!isMarker(e))
                        played.push_back(keyOf(e));
                if (::testing::Test::HasFailure())
                    return played;
            }
        }
        std::sort(played.begin(), played.end());
        return played;
    }

    EngineSandbox sandbox;
    std::unique_ptr<FakeHostMaps> host;
    std::unique_ptr<TestEngine> engine;
    PadModel pads[2];
    Scenario scenario;
};

TEST_F(EndToEndTest, BlockByBlockOutputMatchesTheRules)
{
    for (const int32_t block : {5000, 1000, 256, 120, 7, 1}) {
        SCOPED_TRACE(block);
        std::array<HumanizeRandom, 10> random;
        for (int i = 0; i < Grindelvosket::kLooperCount; ++i)
            random[i].seed(kSeed + 7919u * static_cast<uint32_t>(i));
        std::vector<EventKey> expected;
        expectPass(expected, random);
        expectPass(expected, random); // the host loop plays it all again
        std::sort(expected.begin(), expected.end());

        engine->selectPad(0);
        engine->seedRandom(kSeed);
        const std::vector<EventKey> played = play(block);
        ASSERT_FALSE(HasFailure());
        EXPECT_EQ(played.size(), expected.size());
        EXPECT_TRUE(played == expected);
        EXPECT_EQ(engine->currentPad(), 1);
    }
}

TEST_F(EndToEndTest, TheModelSeesWhatMatters)
{
    // Guards against a scenario that would test nothing: both pads play,
    // the solo silences all but the kick, swing moves off-beats.
    int soloed = 0;
    for (const LooperModel &l : pads[0].loopers)
        soloed += l.muted ? 1 : 0;
    EXPECT_EQ(soloed, 9);
    EXPECT_FALSE(pads[0].loopers[1].events.empty());
    size_t padOneNotes = 0;
    bool tom50 = false;
    for (const LooperModel &l : pads[1].loopers) {
        padOneNotes += l.events.size();
        for (const CMidiTrack::Event &e : l.events)
            tom50 = tom50 || e.data1 == 50;
    }
    EXPECT_GT(padOneNotes, 10u);
    EXPECT_TRUE(tom50) << "the snare's notes went to the high tom";
    EXPECT_NE(swing(120, 120, kSwingPc), 120);
}

TEST_F(EndToEndTest, VolumeFillsLoadThroughTheLibrary)
{
    int volumeFills = 0;
    for (const FillContent::FillDefinition &fill : FillContent::starterFills()) {
        if (fill.volume.empty())
            continue;
        ++volumeFills;
        const std::string folder = fill.volume + (fill.folder.empty() ? "" : "\\" + fill.folder);
        engine->setPattern(folder, fill.fileName(), false);
        bool any = false;
        for (int i = 0; i < Grindelvosket::kLooperCount; ++i)
            any = any || engine->getLooper(i)->hasEvents();
        EXPECT_TRUE(any) << fill.relativePath();
    }
    EXPECT_GT(volumeFills, 0) << "the starter library holds fills in a volume";
}

} // namespace
