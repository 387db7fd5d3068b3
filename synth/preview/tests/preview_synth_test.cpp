#include "synth/preview/drum_map.h"
#include "synth/preview/preview_synth.h"
#include "synth/preview/wave_table_set.h"

#include "data/stream_buffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

using namespace Quorvane;

namespace {

constexpr int kFrames = 512;
constexpr double kPi = 3.14159265358979323846;

// A synthesizer at 44.1 kHz and kFrames frames, destroyed at the end.
struct Synth {
    Synth(float rate = 44100.0f)
    {
        synth->SetSampleRate(rate);
        synth->SetBlockSize(kFrames);
    }
    ~Synth() { synth->Destroy(); }
    void midi(uint8_t status, uint8_t data1, uint8_t data2, int offset = 0)
    {
        const uint8_t message[4] = {status, data1, data2, 0};
        synth->MidiIn(message, offset);
    }
    // Renders replacing into a buffer that held fill.
    bool render(std::vector<float> &buffer, float fill = 0.0f, int frames = kFrames)
    {
        buffer.assign(2 * frames, fill);
        float *target[1] = {buffer.data()};
        return synth->RenderReplacing(target, frames);
    }
    CPreviewSynth *synth = new CPreviewSynth;
};

TEST(PreviewSynth, WithNothingSoundingTheBufferIsLeftAlone)
{
    Synth s;
    std::vector<float> buffer;
    EXPECT_FALSE(s.render(buffer, 0.5f));
    EXPECT_EQ(buffer[3], 0.5f);
    EXPECT_EQ(s.synth->GetActivity(), 0u);
}

TEST(PreviewSynth, ASineNoteAtItsFrequency)
{
    Synth s;
    s.midi(0x90, 69, 127, 100);
    std::vector<float> buffer;
    ASSERT_TRUE(s.render(buffer, 0.5f));
    EXPECT_EQ(s.synth->GetActivity(), 1u);
    // Silent (cleared) before the note's frame, a 440 Hz sine of 0.1 from it.
    EXPECT_EQ(buffer[2 * 99], 0.0f);
    for (int k = 0; k < 300; ++k) {
        const double phase = std::fmod(k * 440.0, 44100.0);
        const double expected = 0.1 * std::sin(2 * kPi * std::floor(phase) / 44100.0);
        ASSERT_NEAR(buffer[2 * (100 + k)], expected, 1e-4) << k;
        ASSERT_EQ(buffer[2 * (100 + k)], buffer[2 * (100 + k) + 1]);
    }
}

TEST(PreviewSynth, ProgramsChooseTheWaveformModuloFour)
{
    Synth s;
    s.midi(0xC2, 6, 0);
    s.midi(0x92, 69, 127);
    std::vector<float> buffer;
    ASSERT_TRUE(s.render(buffer));
    EXPECT_EQ(s.synth->GetActivity(), 4u) << "channel 3 sounds";
    // The saw: rising from 0 to 0.1 over the first half of the table, then
    // from -0.1 over the second.
    for (int k = 0; k < kFrames; ++k) {
        const long index = static_cast<long>(std::fmod(k * 440.0, 44100.0));
        const double expected = index < 22050 ? 0.2 / 44100 * index : -0.1 + 0.2 / 44100 * (index - 22050);
        ASSERT_NEAR(buffer[2 * k], expected, 1e-5) << k;
    }
}

TEST(PreviewSynth, ANoteOffReleasesOverTwentyMilliseconds)
{
    Synth s;
    s.midi(0x93, 60, 127);
    s.midi(0x83, 60, 0, 10);
    std::vector<float> buffer;
    ASSERT_TRUE(s.render(buffer));
    // 882 frames of release at 44.1 kHz: still sounding at the block's end.
    ASSERT_TRUE(s.render(buffer));
    EXPECT_NE(buffer[2 * 300], 0.0f);
    EXPECT_EQ(buffer[2 * 400], 0.0f) << "ended after 882 frames";
    EXPECT_FALSE(s.render(buffer));
}

float peak(const std::vector<float> &buffer, int from, int to)
{
    float most = 0.0f;
    for (int i = from; i < to; ++i)
        most = std::max(most, std::fabs(buffer[2 * i]));
    return most;
}

// One note struck twice before its release: the loud stroke first, the soft
// one on top. A note-off releases the newer voice; the next one releases the
// older voice, and the voice already releasing goes on to its end.
TEST(PreviewSynth, ANoteStruckTwiceReleasesTheNewerVoiceFirst)
{
    std::vector<float> buffer;
    {
        Synth s;
        s.midi(0x93, 60, 127);
        s.midi(0x93, 60, 64);
        s.midi(0x83, 60, 0, 10);
        ASSERT_TRUE(s.render(buffer));
        ASSERT_TRUE(s.render(buffer));
        // The soft voice ended at frame 892; the loud one holds at full level.
        ASSERT_TRUE(s.render(buffer));
        EXPECT_GT(peak(buffer, 0, kFrames), 0.095f) << "the older, loud voice still holds";
        EXPECT_LT(peak(buffer, 0, kFrames), 0.1001f) << "and sounds alone";
    }
    {
        Synth s;
        s.midi(0x93, 60, 127);
        s.midi(0x93, 60, 64);
        s.midi(0x83, 60, 0, 10);  // the soft voice: 10..891
        s.midi(0x83, 60, 0, 200); // the loud voice: 200..1081
        ASSERT_TRUE(s.render(buffer));
        ASSERT_TRUE(s.render(buffer));
        EXPECT_GT(peak(buffer, 380, kFrames), 0.0f) << "the loud voice's release runs on";
        ASSERT_TRUE(s.render(buffer));
        EXPECT_GT(peak(buffer, 0, 50), 0.0f);
        EXPECT_EQ(peak(buffer, 58, kFrames), 0.0f) << "both voices ended at frame 1082";
        EXPECT_FALSE(s.render(buffer)) << "no voice is left held";
    }
}

TEST(PreviewSynth, RenderingAddsOrReplaces)
{
    Synth s;
    s.midi(0x90, 69, 127);
    std::vector<float> replaced, added(2 * kFrames, 0.25f);
    Synth other;
    other.midi(0x90, 69, 127);
    ASSERT_TRUE(s.render(replaced, 0.25f));
    float *target[1] = {added.data()};
    ASSERT_TRUE(other.synth->RenderAdding(target, kFrames));
    for (int i = 0; i < 2 * kFrames; i += 37)
        EXPECT_FLOAT_EQ(added[i], replaced[i] + 0.25f) << i;
}

TEST(PreviewSynth, VolumeAndPanControllers)
{
    Synth s;
    s.midi(0xB0, 10, 0);
    std::vector<float> buffer;
    // Taken at once by an idle channel.
    EXPECT_FALSE(s.render(buffer));
    s.midi(0x90, 69, 127);
    ASSERT_TRUE(s.render(buffer));
    // Hard left.
    EXPECT_EQ(buffer[2 * 100 + 1], 0.0f);
    EXPECT_NEAR(buffer[2 * 100],
                std::sqrt(2.0) * 0.1 *
                    std::sin(2 * kPi * std::floor(std::fmod(100 * 440.0, 44100.0)) / 44100.0),
                1e-4);
    // Controller 121 under 64 does nothing; from 64 on it resets.
    s.midi(0xB0, 121, 63);
    s.render(buffer);
    EXPECT_EQ(buffer[2 * 400 + 1], 0.0f);
    s.midi(0xB0, 121, 64);
    s.render(buffer);
    // The gains move to the centre over 20 ms.
    EXPECT_NE(buffer[2 * 500 + 1], 0.0f);
}

TEST(PreviewSynth, AFullWheelQueueKeepsItsFirstEntriesAndTheNewest)
{
    Synth flooded, plain;
    std::vector<float> a, b;
    for (Synth *s : {&flooded, &plain})
        s->midi(0x90, 69, 127);
    flooded.render(a);
    plain.render(b);
    // 1500 messages: the first 1023 centred, then a dip that is dropped, and
    // the last one at the top.
    for (int i = 0; i < 1500; ++i) {
        const bool last = i == 1499;
        flooded.midi(0xE0, last ? 0x7F : 0, last ? 0x7F : (i < 1023 ? 0x40 : 0), i / 3);
    }
    plain.midi(0xE0, 0, 0x40, 0);
    plain.midi(0xE0, 0x7F, 0x7F, 1499 / 3);
    flooded.render(a);
    plain.render(b);
    for (int i = 0; i < 2 * kFrames; ++i)
        ASSERT_FLOAT_EQ(a[i], b[i]) << i;
}

TEST(PreviewSynth, ChordPreviewsPlayOnTheirOwnChannel)
{
    Synth s;
    s.midi(0xF4, 0, 0);
    std::vector<float> buffer;
    ASSERT_TRUE(s.render(buffer));
    EXPECT_EQ(s.synth->GetActivity(), 1u << 16);
    // A root of 128 or more only stops the chord.
    s.midi(0xF4, 128, 0);
    s.render(buffer);
    s.render(buffer);
    EXPECT_FALSE(s.render(buffer));
    // A wrapped message plays on the chord channel whatever its channel.
    const uint8_t wrapped[4] = {0xF5, 0x95, 64, 100};
    s.synth->MidiIn(wrapped, 0);
    ASSERT_TRUE(s.render(buffer));
    EXPECT_EQ(s.synth->GetActivity(), 1u << 16);
}

TEST(PreviewSynth, DrumNotesMapToTheThreeSounds)
{
    struct Case {
        int note, sound;
    };
    const Case cases[] = {{30, DRUM_BIG},    {35, DRUM_BIG},   {36, DRUM_BIG},    {38, DRUM_LITTLE},
                          {42, DRUM_HIHAT},  {49, DRUM_HIHAT}, {56, DRUM_LITTLE}, {59, DRUM_HIHAT},
                          {81, DRUM_LITTLE}, {82, DRUM_BIG}};
    for (const Case &c : cases)
        EXPECT_EQ(PreviewDrumSound(c.note), c.sound) << c.note;
}

// The whole sound of a note on the drum channel, block after block.
std::vector<float> drumSound(int note, bool noteOff = false)
{
    Synth s;
    s.midi(0x99, static_cast<uint8_t>(note), 127);
    if (noteOff)
        s.midi(0x89, static_cast<uint8_t>(note), 0, 5);
    std::vector<float> sound, block;
    while (s.render(block))
        sound.insert(sound.end(), block.begin(), block.end());
    return sound;
}

TEST(PreviewSynth, DrumNotesPlayTheirSoundToTheEnd)
{
    const std::vector<float> big = drumSound(36);
    // The made sounds: a kick of 0.45 s, scaled to a tenth.
    ASSERT_GT(big.size(), 2u * 19000);
    float peak = 0.0f;
    for (float v : big)
        peak = std::max(peak, std::fabs(v));
    EXPECT_GT(peak, 0.05f);
    EXPECT_LT(peak, 0.1f);
    EXPECT_EQ(drumSound(30), big) << "below the map: the big drum";
    EXPECT_EQ(drumSound(82), big) << "above the map: the big drum";
    EXPECT_NE(drumSound(38), big);
    EXPECT_EQ(drumSound(36, true), big) << "a note off does not cut a drum";
}

TEST(PreviewSynth, ClicksAtTheClickLevel)
{
    auto click = [](uint8_t accent) {
        Synth s;
        const uint8_t message[4] = {0xFD, accent, 0, 0};
        s.synth->MidiIn(message, 0);
        std::vector<float> block;
        s.render(block);
        EXPECT_EQ(s.synth->GetActivity(), 1u << 17);
        return block;
    };
    const std::vector<float> normal = click(0), accented = click(1);
    EXPECT_NE(normal, accented);
    Synth s;
    s.synth->SetParam(0, 50.0f);
    const std::vector<float> softer = click(0);
    for (size_t i = 0; i < normal.size(); i += 11)
        EXPECT_FLOAT_EQ(softer[i] * 2.0f, normal[i]) << i;
    s.synth->SetParam(0, 0.0f);
    std::vector<float> block;
    const uint8_t message[4] = {0xFD, 0, 0, 0};
    s.synth->MidiIn(message, 0);
    EXPECT_FALSE(s.render(block)) << "at level 0 no click sounds";
    s.synth->SetParam(0, 100.0f);
}

TEST(PreviewSynth, WaveformSetsAreKeptPerRate)
{
    const CWaveTableSet *set48 = CWaveTableSet::ForRate(48000);
    ASSERT_NE(set48, nullptr);
    EXPECT_EQ(CWaveTableSet::ForRate(48000), set48);
    EXPECT_NE(CWaveTableSet::ForRate(44100), set48);
    EXPECT_EQ(set48->releaseFrames, 960);
    ASSERT_EQ(set48->tones[WAVE_SQUARE].length(), 48000);
    EXPECT_EQ(set48->tones[WAVE_SQUARE].data[0], 0.0f);
    EXPECT_FLOAT_EQ(set48->tones[WAVE_SQUARE].data[1], 0.1f);
    EXPECT_EQ(set48->tones[WAVE_SQUARE].data[24000], 0.0f);
    EXPECT_FLOAT_EQ(set48->tones[WAVE_SQUARE].data[24001], -0.1f);
    EXPECT_FLOAT_EQ(set48->tones[WAVE_TRIANGLE].data[12000], 0.1f);
    EXPECT_FLOAT_EQ(set48->tones[WAVE_TRIANGLE].data[36000], -0.1f);
    // After a rate change a note plays from that rate's tables.
    Synth s(48000.0f);
    s.midi(0x90, 69, 127);
    std::vector<float> buffer;
    ASSERT_TRUE(s.render(buffer));
    EXPECT_NEAR(buffer[2 * 7], 0.1 * std::sin(2 * kPi * std::floor(7 * 440.0) / 48000.0), 1e-4);
}

TEST(PreviewSynth, TheClickLevelIsTheOneParameterAndTheState)
{
    Synth s;
    EXPECT_EQ(s.synth->GetNumParams(), 1);
    EXPECT_EQ(s.synth->GetStateSize(), 4);
    s.synth->SetParam(0, 64.0f);
    EXPECT_EQ(s.synth->GetParam(0), 64.0f);
    EXPECT_EQ(s.synth->GetParam(1), 0.0f);
    // Values beyond what the level can be are held inside it.
    s.synth->SetParam(0, 1000.0f);
    EXPECT_EQ(s.synth->GetParam(0), 127.0f);

    StreamAllocator *allocator = new StreamAllocator;
    StreamBuffer *bytes = new StreamBuffer(allocator);
    {
        BufferStream out(bytes);
        s.synth->SetParam(0, 90.0f);
        s.synth->SaveState(&out);
        EXPECT_EQ(bytes->getSize(), 4u);
        s.synth->SetParam(0, 100.0f);
        struct Calls {
            std::vector<std::pair<unsigned long, long>> seen;
        } calls;
        s.synth->hostCallback = [](unsigned long index, long code, ULONG_PTR user) {
            reinterpret_cast<Calls *>(user)->seen.push_back({index, code});
        };
        s.synth->hostUser = reinterpret_cast<ULONG_PTR>(&calls);
        out.seek(0, Seekable::FROM_START);
        s.synth->LoadState(&out);
        EXPECT_EQ(s.synth->GetParam(0), 90.0f);
        ASSERT_EQ(calls.seen.size(), 2u);
        EXPECT_EQ(calls.seen[0], std::make_pair(0ul, 0L));
        EXPECT_EQ(calls.seen[1], std::make_pair(0ul, 2L));
    }
    bytes->release();
    s.synth->SetParam(0, 100.0f);
}

TEST(PreviewSynth, InterfacesAndNames)
{
    Synth s;
    EXPECT_NE(s.synth->GetSubInterface(SSEX_ENUM), nullptr);
    EXPECT_NE(s.synth->GetSubInterface(SSEX_TEMBRI), nullptr);
    EXPECT_EQ(s.synth->GetSubInterface(2), nullptr);
    EXPECT_STREQ(s.synth->GetName(), "Default Preview");
    EXPECT_STREQ(s.synth->GetProductName(), "Default Preview");
    EXPECT_STREQ(s.synth->GetVendor(), "Quorvane");
    int width = -1, height = -1;
    s.synth->GetEditorSize(&width, &height);
    EXPECT_EQ(width, 220);
    EXPECT_EQ(height, 116);
    EXPECT_FALSE(s.synth->CloseEditor()) << "none is open";

    auto *names = static_cast<IZQSSExEnum *>(s.synth->GetSubInterface(SSEX_ENUM));
    IZQSSExEnum::tagENUMITEM *list = nullptr;
    ASSERT_EQ(names->Banks(&list), 1);
    EXPECT_STREQ(list[0].name, "0: Default");
    ASSERT_EQ(names->Programs(0, &list), 4);
    EXPECT_STREQ(list[3].name, "3: Square");
    ASSERT_EQ(names->Controllers(&list), 4);
    EXPECT_EQ(list[3].value, 123);
    EXPECT_EQ(names->Notes(0, 0, 0, &list), 0);
    ASSERT_EQ(names->Notes(0, 0, 9, &list), 47);
    EXPECT_EQ(list[0].value, 35);
    EXPECT_STREQ(list[0].name, "Big drum");
    EXPECT_STREQ(list[46].name, "Little drum");
}

} // namespace
