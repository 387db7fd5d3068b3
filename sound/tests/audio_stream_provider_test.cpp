#include "sound/audio_stream_provider.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace Quorvane;

namespace {

// A settings record as a provider built for the 32-bit layout writes it.
TEST(AspSettings, HandWrittenBytesReadAsTheirFields)
{
    const uint8_t bytes[40] = {
        0x03, 0x00, 0x00, 0x00,             // channel 3
        0x80, 0xBB, 0x00, 0x00,             // 48000 per second
        0x20, 0x80, 0,    0,    0, 0, 0, 0, // float samples
        0x00, 0x04, 0x00, 0x00,             // 1024 frames
        0,    0,    0,    0,    0, 0, 0, 0, //
        0x2A, 0x01, 0x03, 0x00,             // window 0x0003012A
        0,    0,    0,    0,    0, 0, 0, 0,
    };
    ASPSETTINGS settings;
    std::memcpy(&settings, bytes, sizeof bytes);
    EXPECT_EQ(settings.channel, 3);
    EXPECT_EQ(settings.sampleRate, 48000);
    EXPECT_EQ(settings.sampleFormat, kAspFloat);
    EXPECT_EQ(settings.bufferFrames, 1024);
    EXPECT_EQ(AspParentWindow(settings), reinterpret_cast<HWND>(uintptr_t(0x0003012A)));
}

TEST(AspSettings, AWindowHandleTakesThirtyTwoBitsAtOffset28)
{
    struct Case {
        uintptr_t handle;
        uint8_t stored[4];
    };
    const Case cases[] = {
        {0x0003012A, {0x2A, 0x01, 0x03, 0x00}},
        {0x7FFFFFFE, {0xFE, 0xFF, 0xFF, 0x7F}},
        // Handles widen by their sign, so the top half comes back.
        {uintptr_t(intptr_t(-0x7FF0)), {0x10, 0x80, 0xFF, 0xFF}},
    };
    for (const Case &c : cases) {
        ASPSETTINGS settings = {};
        settings.parentWindow = AspWindowValue(reinterpret_cast<HWND>(c.handle));
        uint8_t bytes[40];
        std::memcpy(bytes, &settings, sizeof bytes);
        uint8_t expected[40] = {};
        std::memcpy(expected + 28, c.stored, 4);
        EXPECT_EQ(std::memcmp(bytes, expected, sizeof bytes), 0) << std::hex << c.handle;
        EXPECT_EQ(AspParentWindow(settings), reinterpret_cast<HWND>(c.handle)) << std::hex << c.handle;
    }
}

} // namespace
