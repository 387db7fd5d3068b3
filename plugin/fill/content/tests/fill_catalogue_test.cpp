#include "plugin/fill/content/fill_content.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

using namespace Quorvane;
using namespace Quorvane::FillContent;

// The notes the drum set gives the nine instrument parts of the engine.
const std::set<int> kInstrumentNotes = {36, 38, 42, 46, 41, 45, 47, 50, 49};

std::string styleOf(const FillDefinition &fill)
{
    return fill.volume.empty() ? fill.folder : fill.volume;
}

int32_t lastEnd(const CMidiTrack &track)
{
    int32_t end = -1;
    for (const auto &event : track.events())
        end = std::max(end, event.time + std::max(0, event.duration));
    return end;
}

TEST(FillCatalogue, EveryFillBuildsAndFillsExactlyItsBars)
{
    ASSERT_GE(starterFills().size(), 12u);
    for (const FillDefinition &fill : starterFills()) {
        SCOPED_TRACE(fill.relativePath());
        CMidiTrack track;
        std::string error;
        ASSERT_TRUE(buildFill(fill, track, &error)) << error;
        EXPECT_EQ(track.getResolution(), kResolution);
        EXPECT_EQ(track.getTempo(), 60000000 / fill.tempo);
        ASSERT_GT(track.getNoteEventCount(), 8);
        // Starts in the first bar, and the engine's fill length (the last
        // end rounded up to whole bars) is the fill's bar count.
        EXPECT_LT(track.getFirstNoteTime(), kTicksPerBar);
        const int32_t end = lastEnd(track);
        EXPECT_EQ((end + kTicksPerBar - 1) / kTicksPerBar, fill.bars);
        for (const auto &event : track.events()) {
            EXPECT_TRUE(event.isNote());
            EXPECT_EQ(event.channel, kDrumChannel);
            EXPECT_GE(event.data1, 35);
            EXPECT_LE(event.data1, 81);
            EXPECT_GE(event.data2, 1);
            EXPECT_LE(event.data2, 127);
            EXPECT_GT(event.duration, 0);
        }
    }
}

TEST(FillCatalogue, NamesFollowTheLibraryRules)
{
    std::set<std::string> paths;
    for (const FillDefinition &fill : starterFills()) {
        SCOPED_TRACE(fill.relativePath());
        // The name is what stands before the first "_", the comment the rest.
        EXPECT_EQ(fill.name.find('_'), std::string::npos);
        EXPECT_FALSE(fill.name.empty());
        EXPECT_FALSE(fill.comment.empty());
        EXPECT_EQ(fill.fileName(), fill.name + "_" + fill.comment + ".mid");
        EXPECT_TRUE(paths.insert(fill.relativePath()).second) << "twice";
        for (const std::string &part : {fill.volume, fill.folder, fill.fileName()})
            EXPECT_EQ(part.find_first_of("\\/:*?\"<>|"), std::string::npos) << part;
        if (!fill.volume.empty()) {
            EXPECT_EQ(fill.volume.substr(fill.volume.size() - 4), ".vol");
        }
        EXPECT_FALSE(fill.folder.empty());
    }
}

TEST(FillCatalogue, EachStyleHasOneAndTwoBarFillsWithAGroove)
{
    std::map<std::string, std::set<int>> bars;
    std::map<std::string, std::set<int>> notes;
    std::set<int> all;
    for (const FillDefinition &fill : starterFills()) {
        bars[styleOf(fill)].insert(fill.bars);
        for (const Voice &voice : fill.voices) {
            notes[styleOf(fill)].insert(voice.note);
            all.insert(voice.note);
        }
    }
    EXPECT_EQ(bars.size(), 4u);
    for (const auto &[style, counts] : bars) {
        SCOPED_TRACE(style);
        EXPECT_EQ(counts, (std::set<int>{1, 2}));
        EXPECT_TRUE(notes[style].count(36)) << "kick";
        EXPECT_TRUE(notes[style].count(38) || notes[style].count(37)) << "snare";
        EXPECT_TRUE(notes[style].count(42) || notes[style].count(44) || notes[style].count(51)) << "time";
        EXPECT_TRUE(notes[style].count(41) || notes[style].count(45) || notes[style].count(47)) << "toms";
    }
    // Every instrument part of the engine has something to play, and so
    // does the part that takes the other notes.
    for (int note : kInstrumentNotes)
        EXPECT_TRUE(all.count(note)) << note;
    EXPECT_TRUE(std::any_of(all.begin(), all.end(), [](int n) { return !kInstrumentNotes.count(n); }));
}

TEST(FillCatalogue, StepsMapToTheirGridAndLoudness)
{
    FillDefinition fill{"",
                        "Test",
                        "T",
                        "grid",
                        1,
                        120,
                        {{38, "x.X.|g.o.|....|1..9"}, {42, "x..|...|..x|..."}, {36, "x.......x......."}}};
    CMidiTrack track;
    ASSERT_TRUE(buildFill(fill, track));
    std::vector<std::tuple<int, int, int, int>> got; // time, note, velocity, duration
    for (const auto &event : track.events())
        got.emplace_back(event.time, event.data1, event.data2, event.duration);
    const std::vector<std::tuple<int, int, int, int>> expected = {
        {0, 38, 100, 60},  {0, 42, 100, 80},   {0, 36, 100, 60},    {240, 38, 122, 60}, {480, 38, 42, 60},
        {720, 38, 76, 60}, {960, 36, 100, 60}, {1280, 42, 100, 80}, {1440, 38, 35, 60}, {1800, 38, 115, 60},
    };
    EXPECT_EQ(got, expected);
    // Ghost, open, normal and accent, and the rolls' rising steps.
    const std::pair<char, int> steps[] = {{'.', 0},  {'g', 42}, {'o', 76},  {'x', 100}, {'X', 122},
                                          {'1', 35}, {'5', 75}, {'9', 115}, {'y', -1}};
    for (const auto &[step, velocity] : steps)
        EXPECT_EQ(stepVelocity(step), velocity) << step;
}

TEST(FillCatalogue, MalformedRowsAreRefusedAndLeaveTheTrack)
{
    const struct {
        const char *what;
        FillDefinition fill;
    } cases[] = {
        {"unknown step", {"", "T", "T", "c", 1, 120, {{38, "x.y.|....|....|...."}}}},
        {"uneven bars", {"", "T", "T", "c", 2, 120, {{38, "x.x.|....|....|....|..."}}}},
        {"grid not dividing the bar", {"", "T", "T", "c", 1, 120, {{38, "x.x.|....|....|....|......."}}}},
        {"no steps", {"", "T", "T", "c", 1, 120, {{38, "|||"}}}},
        {"no bars", {"", "T", "T", "c", 0, 120, {{38, "x..."}}}},
        {"not a drum", {"", "T", "T", "c", 1, 120, {{20, "x..."}}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        CMidiTrack track;
        track.setTempo(1234);
        std::string error;
        EXPECT_FALSE(buildFill(c.fill, track, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(track.getTempo(), 1234);
        EXPECT_EQ(track.getEventCount(), 0u);
    }
}

} // namespace
