#include "plugin/framework/midi/offline_process.h"
#include "plugin/framework/midi/smf_codec.h"

#include "base/string_stream.h"

#include "plugin/framework/midi/tests/midi_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace Quorvane;
using namespace midi_test;

// A drummer that plays kick on every beat and snare on beats 2 and 4, a
// sixteenth long, into one or more tracks.
class GrooveExport : public OfflineProcess {
public:
    GrooveExport(const OfflineTempo &tempo, int tracks) : OfflineProcess(tempo), lists_(tracks) {}

    void render(int32_t base, int32_t from, int32_t thru) override
    {
        const int32_t sixteenth = resolution_ / 4;
        for (int32_t t = base; t <= thru; t += ticksPerBeat_) {
            if (t < from)
                continue;
            int32_t bar = 0;
            int32_t beat = 0;
            toBarBeatTick(t, &bar, &beat, nullptr);
            setEventList(&lists_[0]);
            emitEvent(note(t, 36, sixteenth));
            if (beat % 2 == 0) {
                setEventList(&lists_[lists_.size() - 1]);
                emitEvent(note(t, 38, sixteenth, 90));
            }
        }
        setEventList(nullptr);
    }

    bool write(OutputStream &out) override
    {
        SmfChunkList list;
        if (writeTempoTrack(list, static_cast<int>(lists_.size())) != SmfOk)
            return false;
        for (size_t i = 0; i < lists_.size(); ++i) {
            setEventList(&lists_[i]);
            if (addNamedTrack(list, lists_.size() > 1 ? (i == 0 ? "Kick Drum" : "Snare-Top") : nullptr) !=
                SmfOk)
                return false;
        }
        setEventList(nullptr);
        return writeSmfChunks(list, out) == SmfOk;
    }

private:
    std::vector<OfflineEventList> lists_;
};

std::vector<std::vector<Written>> tracksOf(std::string &file, SmfChunkList &list)
{
    stringStream in(file);
    EXPECT_EQ(readSmfChunks(list, in), SmfOk);
    std::vector<std::vector<Written>> tracks;
    for (const SmfChunk *chunk = list.first; chunk != nullptr; chunk = chunk->next)
        tracks.push_back(eventsOf(*chunk));
    return tracks;
}

TEST(OfflineProcess, ResolutionAndTicksPerBeatFollowTheMeter)
{
    const struct {
        const char *what;
        OfflineTempo tempo;
        int32_t resolution;
        int32_t ticksPerBeat;
        int32_t numerator;
        int32_t power;
    } cases[] = {
        {"4/4", {12000, 240, 4, 2}, 240, 240, 4, 2},
        {"6/8", {12000, 240, 6, 3}, 240, 120, 6, 3},
        {"6/8 with an odd resolution", {12000, 241, 6, 3}, 242, 121, 6, 3},
        {"2/2", {12000, 240, 2, 1}, 240, 480, 2, 1},
        {"4/1", {12000, 96, 4, 0}, 96, 384, 4, 0},
        {"7/16", {12000, 100, 7, 4}, 100, 25, 7, 4},
        {"5/16 rounded up", {12000, 101, 5, 4}, 104, 26, 5, 4},
        {"rounding stays a tick division", {12000, 32767, 4, 6}, 32752, 2047, 4, 6},
        {"no denominator", {12000, 480, 4, -1}, 480, 480, 4, 2},
        {"no numerator", {12000, 480, 0, 2}, 480, 480, 4, 2},
        {"no resolution", {12000, 0, 4, 2}, 240, 240, 4, 2},
    };
    for (const auto &c : cases) {
        GrooveExport process(c.tempo, 1);
        EXPECT_EQ(process.getResolution(), c.resolution) << c.what;
        EXPECT_EQ(process.getTicksPerBeat(), c.ticksPerBeat) << c.what;
        EXPECT_EQ(process.getNumerator(), c.numerator) << c.what;
        EXPECT_EQ(process.getDenominatorPower(), c.power) << c.what;
    }
}

TEST(OfflineProcess, BarBeatTickConversions)
{
    const struct {
        const char *what;
        OfflineTempo tempo;
        int32_t ticks;
        int32_t bar, beat, tick;
    } cases[] = {
        {"240 4/4", {12000, 240, 4, 2}, 1000, 2, 1, 40},
        {"240 4/4 below a beat", {12000, 240, 4, 2}, 100, 1, 1, 100},
        {"240 4/4 last beat of bar 1", {12000, 240, 4, 2}, 959, 1, 4, 239},
        {"960 3/4", {12000, 960, 3, 2}, 6725, 3, 2, 5},
        {"96 6/8", {12000, 96, 6, 3}, 300, 2, 1, 12},
        {"480 2/2", {12000, 480, 2, 1}, 5000, 3, 2, 200},
        {"480 7/8", {12000, 480, 7, 3}, 7 * 240 * 10 + 3 * 240 + 1, 11, 4, 1},
    };
    for (const auto &c : cases) {
        GrooveExport process(c.tempo, 1);
        int32_t bar = 0, beat = 0, tick = 0;
        EXPECT_EQ(process.toBarBeatTick(c.ticks, &bar, &beat, &tick), c.bar) << c.what;
        EXPECT_EQ(bar, c.bar) << c.what;
        EXPECT_EQ(beat, c.beat) << c.what;
        EXPECT_EQ(tick, c.tick) << c.what;
        EXPECT_EQ(process.toTime(c.bar, c.beat, c.tick), c.ticks) << c.what;
        EXPECT_EQ(process.toBarBeatTick(c.ticks, nullptr, nullptr, nullptr), c.bar) << c.what;
    }

    for (const OfflineTempo tempo : {OfflineTempo{12000, 240, 4, 2}, OfflineTempo{12000, 480, 6, 3},
                                     OfflineTempo{12000, 96, 5, 2}, OfflineTempo{12000, 960, 3, 1}}) {
        GrooveExport process(tempo, 1);
        for (int32_t t = 0; t < 20000; t += 7) {
            int32_t bar = 0, beat = 0, tick = 0;
            process.toBarBeatTick(t, &bar, &beat, &tick);
            ASSERT_EQ(process.toTime(bar, beat, tick), t) << tempo.resolution << " " << t;
            ASSERT_GE(beat, 1);
            ASSERT_LE(beat, tempo.numerator);
        }
    }
    GrooveExport process({12000, 240, 4, 2}, 1);
    EXPECT_EQ(process.toTime(2, 1, 0), 960);
}

TEST(OfflineProcess, EmittedEventsAreCollectedInTimeOrder)
{
    GrooveExport process({12000, 240, 4, 2}, 1);
    process.emitEvent(note(0, 36, 10)); // no list: dropped

    OfflineEventList list;
    process.setEventList(&list);
    Event volume;
    volume.time = 5;
    volume.kind = Event::Controller;
    volume.data1 = 7;
    volume.data2 = 90;
    Event program = volume;
    program.kind = Event::ProgramChange;
    program.data1 = 12;
    Event none = volume;
    none.kind = Event::None;
    process.emitEvent(note(100, 36, 50));
    process.emitEvent(note(120, 38, 0));
    process.emitEvent(note(120, 42, -1)); // no end: it stops where it starts
    process.emitEvent(volume);
    process.emitEvent(program);
    process.emitEvent(none);
    process.emitEvent(note(150, 36, 10));

    std::vector<std::tuple<int32_t, int, int>> got;
    for (const OfflineEntry &e : list.entries())
        got.emplace_back(e.time, e.status, e.data1);
    EXPECT_EQ(got, (std::vector<std::tuple<int32_t, int, int>>{{5, 0xB0, 7},
                                                               {5, 0xC0, 12},
                                                               {100, 0x99, 36},
                                                               {120, 0x99, 38},
                                                               {120, 0x89, 38},
                                                               {120, 0x99, 42},
                                                               {120, 0x89, 42},
                                                               {150, 0x89, 36},
                                                               {150, 0x99, 36},
                                                               {160, 0x89, 36}}));
}

TEST(OfflineProcess, AnOfflineRunBecomesAFileWithItsTempoTrack)
{
    GrooveExport process({12500, 480, 3, 2}, 1); // 125.00 BPM in 3/4
    process.render(0, 0, 2 * 1440 - 1);
    std::string file;
    stringStream out(file);
    ASSERT_TRUE(process.write(out));

    SmfChunkList list;
    const auto tracks = tracksOf(file, list);
    EXPECT_EQ(list.format, 1);
    EXPECT_EQ(list.division, 480);
    ASSERT_EQ(tracks.size(), 2u);
    // No key signature; 480000 microseconds to the quarter at 125 BPM.
    EXPECT_EQ(tracks[0], (std::vector<Written>{{0, 0xFF, 0x58, 0, bytes({3, 2, 24, 8})},
                                               {0, 0xFF, 0x51, 0, bytes({0x07, 0x53, 0x00})}}));

    CMidiTrack track;
    stringStream in(file);
    ASSERT_EQ(track.loadSmf(in), 0);
    EXPECT_EQ(track.getTempo(), 480000);
    EXPECT_EQ(track.getTimeSigNumerator(), 3);
    EXPECT_EQ(track.getResolution(), 480);
    std::vector<std::tuple<int32_t, int, int32_t>> notes;
    for (const Event &e : track.events())
        notes.emplace_back(e.time, e.data1, e.duration);
    EXPECT_EQ(notes, (std::vector<std::tuple<int32_t, int, int32_t>>{{0, 36, 120},
                                                                     {480, 36, 120},
                                                                     {480, 38, 120},
                                                                     {960, 36, 120},
                                                                     {1440, 36, 120},
                                                                     {1920, 36, 120},
                                                                     {1920, 38, 120},
                                                                     {2400, 36, 120}}));
}

TEST(OfflineProcess, NamedTracksAndTheStartTime)
{
    GrooveExport process({12000, 240, 4, 2}, 2);
    process.render(0, 960, 1919); // the second bar only
    process.setStartTime(960);
    std::string file;
    stringStream out(file);
    ASSERT_TRUE(process.write(out));

    SmfChunkList list;
    const auto tracks = tracksOf(file, list);
    ASSERT_EQ(tracks.size(), 3u);
    EXPECT_EQ(list.trackCount, 3);
    ASSERT_FALSE(tracks[1].empty());
    EXPECT_EQ(tracks[1][0], (Written{0, 0xFF, 0x03, 0, "Kick_Drum"}));
    EXPECT_EQ(tracks[1][1], (Written{0, 0x99, 36, 100, ""})) << "the first delta counts from the start time";
    EXPECT_EQ(tracks[2][0], (Written{0, 0xFF, 0x03, 0, "Snare_Top"}));
    EXPECT_EQ(tracks[2][1], (Written{240, 0x99, 38, 90, ""}));
    EXPECT_EQ(tracks[1].size(), 1u + 4 * 2);
}

TEST(OfflineProcess, EntriesBeforeTheStartTimeNeverMakeANegativeDelta)
{
    GrooveExport process({0, 240, 4, 2}, 1); // tempo 0 falls back to 120 BPM
    process.render(0, 0, 959);
    process.setStartTime(500);
    std::string file;
    stringStream out(file);
    ASSERT_TRUE(process.write(out));
    SmfChunkList list;
    const auto tracks = tracksOf(file, list);
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(tracks[0][1], (Written{0, 0xFF, 0x51, 0, bytes({0x07, 0xA1, 0x20})}));
    uint32_t last = 0;
    for (const Written &w : tracks[1]) {
        EXPECT_GE(w.time, last);
        last = w.time;
    }
    EXPECT_EQ(tracks[1].front().time, 0u);
    EXPECT_EQ(tracks[1].back().time, 720u - 500 + 60);
}

} // namespace
