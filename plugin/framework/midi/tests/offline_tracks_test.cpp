#include "plugin/framework/midi/offline_tracks.h"
#include "plugin/framework/midi/smf_codec.h"

#include "base/string_stream.h"

#include "plugin/framework/midi/tests/midi_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace Quorvane;
using namespace midi_test;

// Three parts; part i plays note 40 + i on every beat from its i-th tick on.
class Parts : public OfflineParts {
public:
    int offlinePartCount() override { return 3; }
    void playOfflinePart(int index, int32_t from, int32_t thru, OfflineProcess &process) override
    {
        for (int32_t t = from + index; t <= thru; t += process.getTicksPerBeat())
            process.emitEvent(note(t, static_cast<uint8_t>(40 + index), 10));
    }
};

std::vector<std::vector<Written>> tracksOf(OfflineProcess &process)
{
    std::string file;
    stringStream out(file);
    EXPECT_TRUE(process.write(out));
    stringStream in(file);
    SmfChunkList list;
    EXPECT_EQ(readSmfChunks(list, in), SmfOk);
    std::vector<std::vector<Written>> tracks;
    for (const SmfChunk *chunk = list.first; chunk != nullptr; chunk = chunk->next)
        tracks.push_back(eventsOf(*chunk));
    return tracks;
}

TEST(OfflineTracks, OneTrackHoldsEveryPartInTimeOrder)
{
    Parts parts;
    SingleTrackProcess process(parts, {12000, 480, 4, 2});
    process.render(0, 0, 959);
    const auto tracks = tracksOf(process);
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(tracks[1], (std::vector<Written>{{0, 0x99, 40, 100, ""},
                                               {1, 0x99, 41, 100, ""},
                                               {2, 0x99, 42, 100, ""},
                                               {10, 0x89, 40, 100, ""},
                                               {11, 0x89, 41, 100, ""},
                                               {12, 0x89, 42, 100, ""},
                                               {480, 0x99, 40, 100, ""},
                                               {481, 0x99, 41, 100, ""},
                                               {482, 0x99, 42, 100, ""},
                                               {490, 0x89, 40, 100, ""},
                                               {491, 0x89, 41, 100, ""},
                                               {492, 0x89, 42, 100, ""}}));
}

TEST(OfflineTracks, OneTrackPerPartInPartOrder)
{
    Parts parts;
    MultiTrackProcess process(parts, {12000, 480, 4, 2});
    process.render(0, 0, 479);
    const auto tracks = tracksOf(process);
    ASSERT_EQ(tracks.size(), 4u);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(tracks[1 + i], (std::vector<Written>{{uint32_t(i), 0x99, uint16_t(40 + i), 100, ""},
                                                       {uint32_t(i + 10), 0x89, uint16_t(40 + i), 100, ""}}));
    }
}

} // namespace
