// The program's path with a VST instrument: the part tracks take the port
// chosen as a VST instrument (as the output chooser hands it over), and
// Export Audio's WAVE holds the test instrument's sound where the part's
// notes fall, and silence elsewhere.
#include "outside/vst/tests/test_plugins.h"

#include "app/files/result_export.h"
#include "app/options/output_port.h"
#include "data/event.h"
#include "data/storage.h"
#include "data/track_midi.h"
#include "sound/module_keys.h"
#include "sound/ssynth_elem.h"
#include "sound/tests/engine_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace Quorvane;
using vst_test::HeldPlugin;

namespace {

// The left channel of a WAVE file of 32-bit floats.
std::vector<float> leftOf(CMemStorage &storage)
{
    const std::string file(reinterpret_cast<const char *>(storage.GetData()), storage.GetLength());
    std::vector<float> left;
    size_t at = 12;
    while (at + 8 <= file.size()) {
        uint32_t size = 0;
        std::memcpy(&size, file.data() + at + 4, 4);
        if (file.compare(at, 4, "data") == 0) {
            for (size_t i = at + 8; i + 8 <= at + 8 + size && i + 8 <= file.size(); i += 8) {
                float sample = 0.0f;
                std::memcpy(&sample, file.data() + i, 4);
                left.push_back(sample);
            }
            break;
        }
        at += 8 + size + (size & 1);
    }
    return left;
}

TEST(VstiExportTest, ThePartsDrumsSoundThroughTheChosenInstrument)
{
    sound_test::registerModule(kSoftSynthKey, "Tembri VSTi",
                               vst_test::testsFolder() + "..\\dist\\TembriVSTi.dll");
    HeldPlugin plugin("stereo");
    {
        sound_test::SongWithTract song;
        CSong &s = *song.song;
        auto *part = static_cast<CTrackMIDI *>(s.InsertNewTrack(TRACK_MIDI, -1, 0));
        ASSERT_NE(part, nullptr);
        const long quarter = s.GetITembriSong()->SongGetTimeBase();
        // A kick on each of four eighths, each a sixteenth long.
        for (long i = 0; i < 4; ++i) {
            EVENT kick;
            kick.setNote(9, 36, 127);
            kick.value = quarter / 4;
            kick.time = i * quarter / 2;
            part->AddToTail(&kick, 1);
        }
        part->UpdateLastTime();
        s.Update();

        PORTDESCR chosen(OUT_VSTI);
        chosen.SetData(plugin.path.c_str());
        const OutputChange change = ReplacePartsOutput(s, chosen);
        ASSERT_FALSE(change.refused);
        ASSERT_NE(change.output, nullptr);
        EXPECT_TRUE(change.audio);
        EXPECT_EQ(part->output, change.output);

        CMemStorage storage;
        ASSERT_TRUE(ExportPartWave(s, *part, s.songEnd, 0x8020, storage));
        const std::vector<float> left = leftOf(storage);
        // 100 quarters a minute at 44.1 kHz: 26460 frames a quarter.
        const long eighth = 13230, sixteenth = 6615;
        ASSERT_GT(left.size(), static_cast<size_t>(4 * eighth));
        for (long i = 0; i < 4; ++i) {
            const long on = i * eighth;
            EXPECT_NE(left[static_cast<size_t>(on)], 0.0f) << "kick " << i;
            EXPECT_NE(left[static_cast<size_t>(on + sixteenth - 2)], 0.0f) << "kick " << i;
            EXPECT_EQ(left[static_cast<size_t>(on + sixteenth + 2)], 0.0f) << "after kick " << i;
            EXPECT_EQ(left[static_cast<size_t>(on + eighth - 2)], 0.0f) << "before kick " << i + 1;
            if (on > 0) {
                EXPECT_EQ(left[static_cast<size_t>(on - 1)], 0.0f) << "just before kick " << i;
            }
        }
        EXPECT_GT(plugin.probe().events, 0);
    }
    sound_test::unregisterModule(kSoftSynthKey, "Tembri VSTi");
}

} // namespace
