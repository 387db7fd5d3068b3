#include "plugin/slice/plugin/tests/plugin_fixture.h"

#include "plugin/slice/engine/slice_module.h"

#include <algorithm>

namespace slice_plugin_test {

using namespace Quorvane;
using namespace Quorvane::LoopSlice;

namespace {

struct KitPattern {
    const char *folder;
    const char *file;
    std::vector<std::tuple<int32_t, uint8_t, uint8_t, int32_t>> notes; // time, note, velocity, length
};

// Every folder a slice starts in holds one pattern, so a drummer takes them
// whatever its random draws.
const KitPattern kKit[] = {
    {"Kit\\1.Kick\\Kick", "01_2_1000000010000000_0#Kick.mid", {{0, 36, 100, 60}, {960, 36, 90, 60}}},
    {"Kit\\2.Snare\\Snare", "01_2_0000100000001000_0#Snare.mid", {{500, 38, 110, 120}, {1440, 38, 70, 60}}},
    {"Kit\\3.Cymbal\\HH_Cl",
     "01_4_1010101200000000_0#HH_Cl.mid",
     {{0, 42, 80, 60}, {240, 42, 60, 60}, {480, 42, 80, 60}, {720, 46, 60, 200}}},
    {"Kit\\4.Percussion\\Conga", "01_1_0100000000000000_0#Conga.mid", {{120, 63, 90, 60}}},
    {"Kit\\4.Percussion\\Cowbell", "01_1_0000000000000001_0#Cowbell.mid", {{1800, 56, 100, 60}}},
    {"Kit\\4.Percussion\\Maracas", "01_1_0001000000000000_0#Maracas.mid", {{360, 70, 50, 60}}},
    {"Kit\\4.Percussion\\universal", "01_1_0000000010000000_0#universal.mid", {{960, 75, 100, 60}}},
};

void writeKit(const std::string &patterns)
{
    for (const KitPattern &pattern : kKit) {
        std::string path = patterns;
        for (const char *part = pattern.folder; *part;) {
            const char *end = std::find(part, part + strlen(part), '\\');
            path += '\\';
            path.append(part, end);
            CreateDirectoryA(path.c_str(), nullptr);
            part = *end ? end + 1 : end;
        }
        CMidiTrack track;
        track.setResolution(480);
        for (const auto &[time, number, velocity, length] : pattern.notes) {
            CMidiTrack::Event e;
            e.kind = CMidiTrack::Event::Note;
            e.channel = 9;
            e.time = time;
            e.data1 = number;
            e.data2 = velocity;
            e.duration = length;
            track.insertEvent(e);
        }
        ASSERT_EQ(track.saveSmfFile(path + "\\" + pattern.file), 0) << path;
    }
}

[[maybe_unused]] ::testing::Environment *const environment = drummer_testing::addDrummerEnvironment(
    [](const std::string &folder) {
        const std::string patterns = folder + "\\Patterns";
        CreateDirectoryA(patterns.c_str(), nullptr);
        writeKit(patterns);
    },
    SliceModule::setDataFolder);

} // namespace

std::vector<MfxEvent> playWindows(VostrapellinMFX &drummer, int32_t from, int32_t thru, int32_t size,
                                  const std::vector<MfxEvent> &input)
{
    std::vector<MfxEvent> out;
    EXPECT_EQ(drummer.OnStart(from), S_OK);
    for (int64_t at = from; at <= thru; at += size) {
        const int32_t end = static_cast<int32_t>(std::min<int64_t>(thru, at + size - 1));
        Queue in;
        for (const MfxEvent &e : input)
            if (e.time >= at && e.time <= end)
                in.events.push_back(e);
        Queue queue;
        EXPECT_EQ(drummer.OnEvents(static_cast<LONG>(at), end, &in, &queue), S_OK);
        out.insert(out.end(), queue.events.begin(), queue.events.end());
    }
    EXPECT_EQ(drummer.OnStop(thru), S_OK);
    return out;
}

} // namespace slice_plugin_test
