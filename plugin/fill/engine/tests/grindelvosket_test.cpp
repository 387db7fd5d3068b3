#include "plugin/fill/engine/grindelvosket.h"

#include "base/string_stream.h"

#include "plugin/fill/engine/fill_module.h"
#include "plugin/fill/engine/tests/engine_fixture.h"

#include <gtest/gtest.h>

#include <thread>
#include <tuple>

namespace {

using namespace Quorvane;
using namespace engine_test;

class EngineTest : public ::testing::Test {
protected:
    void loadBasicFill()
    {
        // Kick, snare and hi-hat of the standard kit, and note 60 that no
        // instrument claims (looper 0).
        writePattern(sandbox, "Rock", "Basic_1.mid",
                     {{0, 36, 100}, {480, 42, 80}, {960, 38, 110}, {1440, 60, 70}, {1680, 36, 90}});
        engine.selectPattern("Rock", "Basic_1.mid");
    }

    EngineSandbox sandbox;
    TestEngine engine;
};

TEST_F(EngineTest, SettersClampAndReportOnlyChanges)
{
    struct Case {
        void (Grindelvosket::*set)(int32_t, bool);
        int32_t (Grindelvosket::*get)() const;
        int32_t value;
        int32_t kept;
        const char *label;
    };
    const Case cases[] = {
        {&Grindelvosket::setSwingPc, &Grindelvosket::swingPc, -4, 0, nullptr}, // already 0: unchanged
        {&Grindelvosket::setSwingPc, &Grindelvosket::swingPc, 150, 100, "setSwingPc"},
        {&Grindelvosket::setSwingDurIdx, &Grindelvosket::swingDurIdx, 9, 4, "setSwingDurIdx"},
        {&Grindelvosket::setQuantizeDur, &Grindelvosket::quantizeDur, 0, 1, "setQuantizeDur"},
        {&Grindelvosket::setQuantizeDur, &Grindelvosket::quantizeDur, 5000, 1024, "setQuantizeDur"},
        {&Grindelvosket::setVeloDyn, &Grindelvosket::veloDyn, -300, -100, "setVeloDyn"},
        {&Grindelvosket::setVeloDyn, &Grindelvosket::veloDyn, 300, 200, "setVeloDyn"},
        {&Grindelvosket::setVeloCenterPC, &Grindelvosket::veloCenterPC, 101, 100, "setVeloCenterPC"},
        {&Grindelvosket::setHumanizeVelo, &Grindelvosket::humanizeVelo, 200, 127, "setHumanizeVelo"},
    };
    for (const Case &c : cases) {
        engine.labels.clear();
        (engine.*c.set)(c.value, true);
        EXPECT_EQ((engine.*c.get)(), c.kept) << c.value;
        if (c.label)
            EXPECT_TRUE(engine.saidChanged(c.label)) << c.label;
        else
            EXPECT_TRUE(engine.labels.empty()) << c.value;
        engine.labels.clear();
        (engine.*c.set)(c.value, true);
        EXPECT_TRUE(engine.labels.empty()) << "an unchanged value reports nothing";
    }
    engine.labels.clear();
    engine.setSwingPc(20, false);
    EXPECT_TRUE(engine.labels.empty()) << "no label without notify";
}

TEST_F(EngineTest, PunchPointsDragEachOther)
{
    engine.params.clear();
    engine.setPunchIn(2000);
    EXPECT_EQ(engine.punchIn(), 2000);
    EXPECT_EQ(engine.punchOut(), 2000);
    // The punch-out dragged along is reported first.
    EXPECT_EQ(engine.params, (std::vector<int>{2, 1}));

    engine.params.clear();
    engine.setPunchOut(100);
    EXPECT_EQ(engine.punchIn(), 100);
    EXPECT_EQ(engine.punchOut(), 100);
    EXPECT_EQ(engine.params, (std::vector<int>{1, 2}));

    engine.params.clear();
    engine.setPunchRange(700, 300);
    EXPECT_EQ(engine.punchIn(), 300);
    EXPECT_EQ(engine.punchOut(), 300);
    EXPECT_EQ(engine.params, (std::vector<int>{1, 2}));
    EXPECT_EQ(engine.reportsUnderLock, 0) << "the host hears with the engine's lock let go";
}

TEST_F(EngineTest, FillMeasureAndZones)
{
    const std::pair<int32_t, int32_t> measures[] = {{0, 1}, {-7, 1}, {1001, 1000}, {17, 17}};
    for (auto [given, kept] : measures) {
        engine.setFillMeasure(given);
        EXPECT_EQ(engine.fillMeasure(), kept);
        EXPECT_EQ(engine.velocityEnvelope().startBar(), kept - 1);
    }
    engine.params.clear();
    engine.labels.clear();
    engine.setZones(0, 7, -1, true);
    EXPECT_EQ(engine.preZone(), 0);
    EXPECT_EQ(engine.maskMode(), 0) << "a mask mode above 3 becomes 0";
    EXPECT_EQ(engine.afterZone(), 1) << "a negative argument leaves its field";
    EXPECT_EQ(engine.params, (std::vector<int>{3, 4, 5}));
    EXPECT_TRUE(engine.saidChanged("setZones"));
    engine.setZones(-1, 2, -1, false);
    EXPECT_EQ(engine.maskMode(), 2);
}

TEST_F(EngineTest, RegionsAroundTheFillBar)
{
    engine.setResolution(480);
    engine.setFillMeasure(3); // starts at 3840 in plain 4/4
    engine.placeFill();
    ASSERT_EQ(engine.fillStart(), 3840);
    engine.setPunchRange(240, 720); // fill units: 480..1440 host ticks
    struct Case {
        int32_t time;
        int32_t region;
        int32_t end;
    };
    const Case cases[] = {
        {0, Grindelvosket::kOutside, 3839},
        {3839, Grindelvosket::kOutside, 3839},
        {3840, Grindelvosket::kPreZone, 4319},
        {4320, 1, 5279},
        {5279, 1, 5279},
        {5280, Grindelvosket::kAfterZone, 5759},
        {5760, Grindelvosket::kOutside, -99}, // after the bar: the end stays as preset
    };
    for (const Case &c : cases) {
        int32_t end = -99;
        EXPECT_EQ(engine.regionOf(c.time, end), c.region) << c.time;
        EXPECT_EQ(end, c.end) << c.time;
    }
    // Without a punch-in there is no pre zone; the fill zone names the pad.
    engine.setPunchRange(-1, 960);
    engine.selectPad(4);
    int32_t end = 0;
    EXPECT_EQ(engine.regionOf(3840, end), 5);
    EXPECT_EQ(end, 5759);
    // A punch-out beyond the fill's end keeps the fill zone inside the bar.
    engine.setPunchOut(5000);
    EXPECT_EQ(engine.regionOf(3840, end), 5);
    EXPECT_EQ(end, 5759);
    // So does a punch-in beyond it: the pre zone ends at the bar's end.
    engine.setPunchRange(1500, 1600);
    EXPECT_EQ(engine.regionOf(3840, end), Grindelvosket::kPreZone);
    EXPECT_EQ(end, 5759);
    end = 1;
    EXPECT_EQ(engine.regionOf(5759, end), Grindelvosket::kPreZone);
    EXPECT_EQ(end, 5759);
    end = 1;
    EXPECT_EQ(engine.regionOf(5760, end), Grindelvosket::kOutside);
}

TEST_F(EngineTest, HugeMeasuresAndNoResolutionNeitherOverflowNorDivideByZero)
{
    engine.setResolution(0);
    engine.setFillMeasure(1000);
    engine.placeFill();
    EXPECT_EQ(engine.fillStart(), 999 * 1920);
    engine.setResolution(INT32_MAX / 2);
    engine.placeFill();
    EXPECT_EQ(engine.fillStart(), INT32_MAX);
    int32_t end = 0;
    EXPECT_EQ(engine.regionOf(INT32_MAX - 1, end), Grindelvosket::kOutside);
    EXPECT_EQ(end, INT32_MAX - 1);
    EXPECT_EQ(engine.regionOf(INT32_MAX, end), 1);
    EXPECT_EQ(end, INT32_MAX);
}

TEST_F(EngineTest, InputPassRule)
{
    engine.setZones(1, 3, 0, false);
    const MfxEvent note = noteEvent(0, 38, 100);
    const MfxEvent controller = controllerEvent(0, 7, 100);
    EXPECT_TRUE(engine.passesInput(Grindelvosket::kOutside, controller));
    EXPECT_TRUE(engine.passesInput(Grindelvosket::kPreZone, note));
    EXPECT_FALSE(engine.passesInput(Grindelvosket::kAfterZone, note));
    EXPECT_TRUE(engine.passesInput(1, note)) << "mode 3 lets every note through";
    EXPECT_FALSE(engine.passesInput(1, controller)) << "but no other event in the fill zone";
    engine.setZones(-1, 0, -1, false);
    EXPECT_FALSE(engine.passesInput(1, note)) << "mode 0 masks everything in the fill zone";
    engine.setMixerMode(1);
    EXPECT_FALSE(engine.passesInput(Grindelvosket::kOutside, note));
}

TEST_F(EngineTest, InputMaskFollowsModeAndInstruments)
{
    loadBasicFill();
    engine.setZones(-1, 1, -1, false);
    const uint8_t *mask = engine.inputMask();
    // Mode 1: every kit instrument and its group is masked, and what
    // looper 0 plays.
    EXPECT_EQ(mask[36], 0);
    EXPECT_EQ(mask[35], 0) << "bass drum group";
    EXPECT_EQ(mask[40], 0) << "snare group";
    EXPECT_EQ(mask[44], 0) << "hi-hat group";
    EXPECT_EQ(mask[60], 0) << "looper 0's note";
    EXPECT_EQ(mask[37], 1);
    EXPECT_EQ(mask[70], 1);
    engine.getLooper(2)->setNotesOff(true); // snare instrument off
    engine.recomputeInputMask();
    EXPECT_EQ(mask[38], 1);
    EXPECT_EQ(mask[40], 1);

    // Mode 2: only what the unmuted loopers play, with each note's group.
    engine.getLooper(2)->setNotesOff(false);
    engine.setZones(-1, 2, -1, false);
    EXPECT_EQ(mask[36], 0);
    EXPECT_EQ(mask[35], 0);
    EXPECT_EQ(mask[42], 0);
    EXPECT_EQ(mask[46], 0) << "hi-hat group";
    EXPECT_EQ(mask[49], 1) << "crash is not played";
    EXPECT_EQ(mask[41], 1);
    engine.getLooper(1)->setMute(true);
    engine.recomputeInputMask();
    EXPECT_EQ(mask[36], 1) << "a muted kick lets the input kick through";

    engine.setZones(-1, 3, -1, false);
    for (int n = 0; n < 128; ++n)
        ASSERT_EQ(mask[n], 1);
}

TEST_F(EngineTest, FillLengthIsWholeBarsOfTheLongestPart)
{
    writePattern(sandbox, "", "Tiny_1.mid", {{0, 36, 100}});
    engine.selectPattern("", "Tiny_1.mid");
    EXPECT_EQ(engine.fillLength(), 960) << "a one-tick part is one bar";
    writePattern(sandbox, "", "Long_1.mid", {{0, 36, 100}, {1920 + 960, 38, 100}});
    engine.selectPattern("", "Long_1.mid");
    EXPECT_EQ(engine.fillLength(), 1920);
    EXPECT_EQ(engine.velocityEnvelope().bars(), 2);
    // Patterns of another resolution convert through fill units.
    writePattern(sandbox, "", "Res_1.mid", {{0, 36, 100}, {96 * 5, 38, 100}}, 96);
    engine.selectPattern("", "Res_1.mid");
    EXPECT_EQ(engine.fillLength(), 1920);
}

TEST_F(EngineTest, AutomaticPunchRangeUnlessKept)
{
    engine.setResolution(480);
    loadBasicFill();
    // First note at 0, last at 1680 (+1): fill units 0 and 840.
    EXPECT_EQ(engine.punchIn(), 0);
    EXPECT_EQ(engine.punchOut(), 900);
    writePattern(sandbox, "", "Late_1.mid", {{480, 36, 100}, {1850, 38, 100}});
    engine.setKeepPunch(true);
    engine.selectPattern("", "Late_1.mid");
    EXPECT_EQ(engine.punchIn(), 0);
    EXPECT_EQ(engine.punchOut(), 900);
    engine.setKeepPunch(false);
    engine.selectPattern("", "Tiny_none.mid"); // missing: no events
    EXPECT_EQ(engine.punchIn(), 0);
    EXPECT_EQ(engine.punchOut(), 960);
    engine.selectPattern("", "Late_1.mid");
    EXPECT_EQ(engine.punchIn(), 210);
    EXPECT_EQ(engine.punchOut(), 960) << "at most the fill length";
}

TEST_F(EngineTest, SoloRemembersAndRestores)
{
    Looper &three = *engine.getLooper(3);
    engine.getLooper(5)->setMute(true);
    engine.wantPlaySolo(three);
    for (int i = 0; i < Grindelvosket::kLooperCount; ++i)
        EXPECT_EQ(engine.getLooper(i)->isMuted(), i != 3) << i;
    EXPECT_TRUE(engine.saidChanged("Grindelvosket::wantPlaySolo"));
    // Soloing the only unmuted looper again ends the solo.
    engine.wantPlaySolo(three);
    for (int i = 0; i < Grindelvosket::kLooperCount; ++i)
        EXPECT_EQ(engine.getLooper(i)->isMuted(), i == 5) << i;

    // With only one other looper unmuted the memory is not overwritten.
    engine.wantPlaySolo(three);
    engine.getLooper(3)->setMute(true);
    engine.getLooper(7)->setMute(false); // looper 7 alone now
    engine.wantPlaySolo(*engine.getLooper(2));
    engine.wantPlaySolo(*engine.getLooper(2));
    for (int i = 0; i < Grindelvosket::kLooperCount; ++i)
        EXPECT_EQ(engine.getLooper(i)->isMuted(), i == 5) << i;

    engine.wantNotesOffSolo(*engine.getLooper(4));
    for (int i = 0; i < Grindelvosket::kLooperCount; ++i)
        EXPECT_EQ(engine.getLooper(i)->isNotesOff(), i != 4) << i;
    EXPECT_TRUE(engine.saidChanged("Grindelvosket::wantNotesOffSolo"));
}

TEST_F(EngineTest, TriggerNotes)
{
    engine.setTriggerBase(48);
    EXPECT_FALSE(engine.isTriggerNote(noteEvent(0, 50, 100))) << "disabled";
    engine.setTriggerEnabled(true);
    EXPECT_EQ(engine.triggerLow(), 48);
    EXPECT_EQ(engine.triggerHigh(), 57);
    EXPECT_TRUE(engine.isTriggerNote(noteEvent(0, 48, 100)));
    EXPECT_TRUE(engine.isTriggerNote(noteEvent(0, 57, 100)));
    EXPECT_FALSE(engine.isTriggerNote(noteEvent(0, 58, 100)));
    EXPECT_FALSE(engine.isTriggerNote(controllerEvent(0, 50, 1)));
    EXPECT_TRUE(engine.triggerPad(51, true));
    EXPECT_EQ(engine.currentPad(), 3);
    EXPECT_TRUE(engine.triggerPad(57, true)) << "the highest trigger note";
    EXPECT_EQ(engine.currentPad(), 9);
    EXPECT_FALSE(engine.triggerPad(58, true));
    EXPECT_EQ(engine.currentPad(), 9);
    EXPECT_FALSE(engine.triggerPad(47, true));
    engine.setTriggerBase(125);
    EXPECT_EQ(engine.triggerHigh(), 127) << "the range stays inside the notes";
}

TEST_F(EngineTest, PadsKeepTheStateTheyWereLeftWith)
{
    loadBasicFill();
    engine.setSwingPc(40, false);
    RecordingView view;
    engine.addView(&view);
    engine.addView(&view);
    engine.selectPad(1);
    EXPECT_TRUE(engine.patternFile().empty()) << "a pad never stored clears the fill";
    EXPECT_FALSE(engine.getLooper(1)->hasEvents());
    EXPECT_EQ(view.pads, (std::vector<int>{1})) << "a view is told once";
    writePattern(sandbox, "", "Other_1.mid", {{0, 38, 100}});
    engine.selectPattern("", "Other_1.mid");
    engine.setSwingPc(10, false);
    engine.selectPad(0);
    EXPECT_EQ(engine.patternFile(), "Basic_1.mid");
    EXPECT_EQ(engine.swingPc(), 40);
    EXPECT_TRUE(engine.getLooper(1)->usesNote(36));
    engine.selectPad(1);
    EXPECT_EQ(engine.patternFile(), "Other_1.mid");
    EXPECT_EQ(engine.swingPc(), 10);
    engine.removeView(&view);
}

TEST_F(EngineTest, PadSwitchOffTheWindowThreadIsPostedToViews)
{
    HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    RecordingView view;
    view.window = window;
    engine.addView(&view);
    engine.setTriggerEnabled(true);
    std::thread midi([this] { engine.triggerPad(36 + 6, true); });
    midi.join();
    EXPECT_EQ(engine.currentPad(), 6);
    EXPECT_TRUE(view.pads.empty()) << "views are never called off the window thread";
    EXPECT_EQ(view.changes, 0);
    MSG message;
    ASSERT_TRUE(
        PeekMessageA(&message, window, viewsSetLoopIdxMessage(), viewsSetLoopIdxMessage(), PM_REMOVE));
    EXPECT_EQ(message.wParam, 6u);
    EXPECT_FALSE(
        PeekMessageA(&message, window, viewsSetLoopIdxMessage(), viewsSetLoopIdxMessage(), PM_REMOVE))
        << "one message for the whole switch";
    engine.removeView(&view);
    DestroyWindow(window);
}

TEST_F(EngineTest, PadSwitchesOnTwoThreadsStayConsistent)
{
    loadBasicFill();
    engine.setTriggerEnabled(true);
    std::thread midi([this] {
        for (int i = 0; i < 40; ++i)
            engine.triggerPad(36 + i % 3, true);
    });
    for (int i = 0; i < 40; ++i)
        engine.selectPad(i % 2 == 0 ? 0 : 3);
    midi.join();
    std::string saved;
    stringStream out(saved);
    EXPECT_TRUE(engine.saveState(out));
    TestEngine fresh;
    stringStream in(saved);
    EXPECT_TRUE(fresh.loadState(in));
}

TEST_F(EngineTest, ResetParsKeepsTheTransformationForTheToggle)
{
    loadBasicFill();
    engine.setSwingPc(30, false);
    engine.setHumanizeVelo(9, false);
    engine.getLooper(2)->setMute(true);
    EXPECT_FALSE(engine.isUntransformed());
    engine.ResetPars();
    EXPECT_EQ(engine.swingPc(), 0);
    EXPECT_EQ(engine.humanizeVelo(), 0);
    EXPECT_TRUE(engine.isUntransformed());
    EXPECT_TRUE(engine.saidChanged("Grindelvosket::ResetPars"));
    engine.toggleOriginal();
    EXPECT_TRUE(engine.getLooper(2)->isMuted()) << "the compare toggle brings the arrangement back";
}

TEST_F(EngineTest, PatternSelection)
{
    loadBasicFill();
    engine.labels.clear();
    EXPECT_FALSE(engine.selectPattern("Rock", "Basic_1.mid")) << "the same pattern is a no-op";
    EXPECT_TRUE(engine.selectPatternIfDifferent("ROCK", "basic_1.MID"));
    EXPECT_FALSE(engine.saidChanged("Looper pattern changed by selection"));
    EXPECT_EQ(engine.patternDisplayName(), "Basic_1");
    engine.markSourceEdited();
    EXPECT_FALSE(engine.selectPatternIfDifferent("Rock", "Other.mid")) << "an embedded fill stays";
    engine.onPatternTreeEvent(6, "", "Tiny_x.mid");
    EXPECT_FALSE(engine.embeddedTrack());
    EXPECT_EQ(engine.patternFile(), "Tiny_x.mid");
    EXPECT_TRUE(engine.saidChanged("Looper pattern changed by selection"));
}

} // namespace

namespace {

class SelectionPanel : public EnginePanel {
public:
    std::vector<std::string> shown;
    void detachFromEngine() override {}
    void showPatternSelection(const std::string &folder, const std::string &file) override
    {
        shown.push_back(folder + "|" + file);
    }
};

TEST_F(EngineTest, SavePatternAsPlaysFromTheSavedFile)
{
    loadBasicFill();
    SelectionPanel panel;
    engine.attachPanel(&panel);
    std::string fills = sandbox.fillsFolder();
    for (char &c : fills)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c))); // the folder matches without case
    CreateDirectoryA((sandbox.fillsFolder() + "\\Mine").c_str(), nullptr);

    ASSERT_TRUE(engine.savePatternAs(fills + "\\Mine\\Kept.mid"));
    EXPECT_EQ(engine.patternFolder(), "Mine") << "one form of a folder: no backslash at the end";
    EXPECT_EQ(engine.patternFile(), "Kept.mid");
    EXPECT_FALSE(engine.embeddedTrack());
    EXPECT_EQ(panel.shown, std::vector<std::string>{"Mine|Kept.mid"});

    CMidiTrack saved;
    ASSERT_EQ(saved.loadSmfFile(sandbox.fillsFolder() + "\\Mine\\Kept.mid"), 0);
    EXPECT_EQ(saved.getEventCount(), engine.sourceTrack().getEventCount());
    EXPECT_TRUE(saved.isNoteUsed(36) && saved.isNoteUsed(38) && saved.isNoteUsed(42));
}

std::string stateOf(Grindelvosket &engine)
{
    std::string bytes;
    stringStream out(bytes);
    EXPECT_TRUE(engine.saveState(out));
    return bytes;
}

using PlayedKey = std::tuple<int32_t, int, int, int>;

std::vector<PlayedKey> playFillBar(Grindelvosket &engine)
{
    std::vector<PlayedKey> played;
    for (const MfxEvent &e : withoutMarkers(processOnce(engine, 0, 1919)))
        played.emplace_back(e.time, e.kind, e.note, e.velocity);
    return played;
}

TEST_F(EngineTest, SavePatternAsOutsideTheLibraryKeepsTheFillInTheState)
{
    loadBasicFill();
    engine.setFillMeasure(1);
    engine.setPunchRange(0, 960);
    testing_support::TempFolder elsewhere;
    ASSERT_TRUE(engine.savePatternAs(elsewhere.file("Away.mid")));
    EXPECT_EQ(engine.patternFolder(), "");
    EXPECT_EQ(engine.patternFile(), "Away.mid");
    EXPECT_TRUE(engine.embeddedTrack()) << "nothing would find the file again";
    const std::vector<PlayedKey> played = playFillBar(engine);
    ASSERT_GE(played.size(), 5u);

    const std::string saved = stateOf(engine);
    TestEngine fresh;
    std::string copy = saved;
    stringStream in(copy);
    ASSERT_TRUE(fresh.loadState(in));
    EXPECT_EQ(playFillBar(fresh), played);
}

TEST_F(EngineTest, PatternFoldersHaveOneForm)
{
    loadBasicFill();
    for (const char *given : {"Rock\\", "Rock/", "\\Rock"}) {
        SCOPED_TRACE(given);
        engine.labels.clear();
        EXPECT_FALSE(engine.selectPattern(given, "Basic_1.mid")) << "the pattern already playing";
        EXPECT_EQ(engine.patternFolder(), "Rock");
        EXPECT_TRUE(engine.selectPatternIfDifferent(given, "basic_1.mid"));
        EXPECT_FALSE(engine.saidChanged("Looper pattern changed by selection"));
    }
    writePattern(sandbox, "Rock\\Fast", "Fast_1.mid", {{0, 38, 100}});
    EXPECT_TRUE(engine.selectPattern("Rock\\Fast\\", "Fast_1.mid"));
    EXPECT_EQ(engine.patternFolder(), "Rock\\Fast");
    EXPECT_TRUE(engine.getLooper(2)->usesNote(38));
}

TEST_F(EngineTest, StoredNamesNeverLeaveTheLibrary)
{
    // A fill next to the library, not in it.
    writePattern(sandbox, "..", "Secret.mid", {{0, 36, 100}, {480, 38, 100}});
    const std::pair<const char *, const char *> names[] = {
        {"..", "Secret.mid"},
        {"", "..\\Secret.mid"},
        {"Rock\\..\\..", "Secret.mid"},
        {"..\\Fills\\..", "Secret.mid"},
    };
    const auto playsAnything = [](Grindelvosket &e) {
        for (int i = 0; i < Grindelvosket::kLooperCount; ++i)
            if (e.getLooper(i)->hasEvents())
                return true;
        return false;
    };
    for (const bool connected : {false, true}) {
        SCOPED_TRACE(connected ? "connected" : "before any connect");
        for (const auto &[folder, file] : names) {
            SCOPED_TRACE(std::string(folder) + "|" + file);
            TestEngine named;
            if (connected)
                named.registerEngine();
            named.selectPattern(folder, file);
            EXPECT_FALSE(playsAnything(named));
            // The same names coming from a stored state.
            TestEngine loaded;
            const std::string saved = stateOf(named);
            std::string copy = saved;
            stringStream in(copy);
            ASSERT_TRUE(loaded.loadState(in));
            EXPECT_FALSE(playsAnything(loaded));
            if (connected)
                named.unregisterEngine();
        }
    }
}

TEST_F(EngineTest, FailedSavePatternAsKeepsTheNames)
{
    loadBasicFill();
    EXPECT_FALSE(engine.savePatternAs(sandbox.fillsFolder() + "\\No\\Such\\Folder\\X.mid"));
    EXPECT_EQ(engine.patternFolder(), "Rock");
    EXPECT_EQ(engine.patternFile(), "Basic_1.mid");
}

} // namespace
