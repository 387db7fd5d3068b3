#include "outside/audio/audio_synth.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace Quorvane;

namespace {

constexpr int kFrames = 64;

struct Output {
    Output()
    {
        synth->SetBlockSize(kFrames);
        host = static_cast<IZQSSExTembri *>(synth->GetSubInterface(SSEX_TEMBRI));
    }
    ~Output() { synth->Destroy(); }
    bool render(std::vector<float> &buffer, float fill = 0.0f, bool replace = true)
    {
        buffer.assign(2 * kFrames, fill);
        float *target[1] = {buffer.data()};
        return replace ? synth->RenderReplacing(target, kFrames) : synth->RenderAdding(target, kFrames);
    }
    void midi(uint8_t status, uint8_t data1, uint8_t data2, int offset)
    {
        const uint8_t message[4] = {status, data1, data2, 0};
        synth->MidiIn(message, offset);
    }
    CAudioSynth *synth = new CAudioSynth;
    IZQSSExTembri *host = nullptr;
};

std::vector<float> ramp(long frames, long channels, float from)
{
    std::vector<float> out(static_cast<size_t>(frames * channels));
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = from + 0.001f * static_cast<float>(i);
    return out;
}

TEST(TembriAudio, PlaysTheBlocksInTheOrderTheyCame)
{
    Output out;
    ASSERT_NE(out.host, nullptr);
    EXPECT_EQ(out.synth->GetSubInterface(SSEX_ENUM), nullptr);
    const std::vector<float> stereo = ramp(40, 2, 0.1f);
    const std::vector<float> mono = ramp(40, 1, -0.1f);
    ASSERT_EQ(out.host->AudioBlock(2, stereo.data(), 40), 1);
    ASSERT_EQ(out.host->AudioBlock(1, mono.data(), 40), 1);
    EXPECT_EQ(out.synth->Queued(), 80);
    std::vector<float> buffer;
    ASSERT_TRUE(out.render(buffer));
    EXPECT_FLOAT_EQ(buffer[0], stereo[0]);
    EXPECT_FLOAT_EQ(buffer[79], stereo[79]);
    // A mono block sounds on both sides.
    EXPECT_FLOAT_EQ(buffer[80], mono[0]);
    EXPECT_FLOAT_EQ(buffer[81], mono[0]);
    ASSERT_TRUE(out.render(buffer, 0.5f, false));
    EXPECT_FLOAT_EQ(buffer[0], 0.5f + mono[24]);
    EXPECT_FLOAT_EQ(buffer[2 * 16], 0.5f) << "nothing more was queued";
    EXPECT_FALSE(out.render(buffer));
}

TEST(TembriAudio, SilenceKeepsTheBlocksInStep)
{
    Output out;
    const std::vector<float> block = ramp(kFrames, 2, 0.2f);
    EXPECT_EQ(out.host->AudioBlock(CAudioSynth::kSilence, nullptr, kFrames), 1);
    EXPECT_EQ(out.host->AudioBlock(2, block.data(), kFrames), 1);
    EXPECT_EQ(out.host->AudioBlock(1, nullptr, kFrames), 0) << "no data is silence only by its code";
    std::vector<float> buffer;
    EXPECT_FALSE(out.render(buffer, 0.7f));
    EXPECT_EQ(buffer[3], 0.0f);
    ASSERT_TRUE(out.render(buffer));
    EXPECT_FLOAT_EQ(buffer[3], block[3]);
}

TEST(TembriAudio, HoldsAFewBlocksAndForgetsThemOnTransport)
{
    Output out;
    const std::vector<float> block = ramp(kFrames, 2, 0.0f);
    for (int i = 0; i < CAudioSynth::kBufferedBlocks; ++i)
        EXPECT_EQ(out.host->AudioBlock(2, block.data(), kFrames), 1);
    EXPECT_EQ(out.host->AudioBlock(2, block.data(), 1), 0) << "full";
    out.host->Transport(SSTRANSPORT_STOP, 0, 0, 1.0f);
    EXPECT_EQ(out.synth->Queued(), 0);
}

TEST(TembriAudio, VolumeAndPanFromTheirFrame)
{
    Output out;
    std::vector<float> ones(2 * kFrames, 0.5f);
    out.host->AudioBlock(2, ones.data(), kFrames);
    out.midi(0xB0, 10, 0, 32);
    std::vector<float> buffer;
    ASSERT_TRUE(out.render(buffer));
    EXPECT_FLOAT_EQ(buffer[2 * 31], 0.5f);
    EXPECT_FLOAT_EQ(buffer[2 * 32], 0.5f * std::sqrt(2.0f)) << "hard left from frame 32";
    EXPECT_EQ(buffer[2 * 32 + 1], 0.0f);
    out.host->AudioBlock(2, ones.data(), kFrames);
    out.midi(0xB0, 7, 0, 0);
    ASSERT_FALSE(out.render(buffer)) << "volume 0 from the start";
}

} // namespace
