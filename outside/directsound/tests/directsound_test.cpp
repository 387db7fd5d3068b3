#include "outside/directsound/directsound_capture.h"
#include "outside/directsound/tests/engine_side.h"

#include "testing/fake_wave_out.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

using namespace Quorvane;
using namespace directsound_test;

namespace {

// The provider module, loaded once.
struct Module {
    Module()
    {
        char path[MAX_PATH];
        const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
        std::string folder(path, length);
        folder.erase(folder.find_last_of('\\') + 1);
        handle = LoadLibraryA((folder + "TembriDirectSound.dll").c_str());
    }
    IAudioStreamProvider *provider(const DSCAPTURE *capture)
    {
        setCapture()(capture);
        auto get = reinterpret_cast<GetASPInterfaceProc>(
            reinterpret_cast<void (*)()>(GetProcAddress(handle, "GetASPInterface")));
        return get();
    }
    DirectSoundSetCaptureProc setCapture()
    {
        return reinterpret_cast<DirectSoundSetCaptureProc>(
            reinterpret_cast<void (*)()>(GetProcAddress(handle, "DirectSoundSetCapture")));
    }
    HMODULE handle;
};

Module &module()
{
    static Module m;
    return m;
}

TEST(DirectSoundProvider, OpensOnlyWhatItCanServe)
{
    ASSERT_NE(module().handle, nullptr);
    EngineSide engine(44100, 16, 256);
    struct Case {
        const char *what;
        int32_t buffers, format, frames;
    };
    const Case cases[] = {
        {"three buffers", 3, 16, 256}, {"unknown format", 4, 20, 256}, {"no frames", 4, 16, 0}};
    for (const Case &c : cases) {
        IAudioStreamProvider *provider = module().provider(nullptr);
        ASPOPENPARAMS block = engine.block;
        block.bufferCount = c.buffers;
        block.sampleFormat = c.format;
        block.framesPerBuffer = c.frames;
        EXPECT_EQ(provider->Open(&block, "tests"), 0) << c.what;
        EXPECT_EQ(block.framesWanted, nullptr) << c.what;
        provider->Release();
    }
    EXPECT_EQ(module().provider(nullptr)->Open(nullptr, "tests"), 0);
}

// Whether an engine that takes the lowest of the buffers asked for (as a
// wait for the first of several events does) could have served buffers in
// this order from a provider that asks for them in turn (0, 1, 2, 3, 0 ...)
// and never again for one it has not had back. A late engine finds several
// asked at once, so the order it served in need not be the order asked in.
bool askedInTurn(const std::vector<int> &served)
{
    bool asked[4] = {};
    int nextAsked = 0;
    for (const int buffer : served) {
        if (buffer < 0 || buffer > 3)
            return false;
        while (!asked[buffer]) {
            if (asked[nextAsked])
                return false; // asked again for one the engine held
            asked[nextAsked] = true;
            nextAsked = (nextAsked + 1) % 4;
        }
        for (int lower = 0; lower < buffer; ++lower)
            if (asked[lower])
                return false; // the engine would have taken that one first
        asked[buffer] = false;
    }
    return true;
}

// Without a sound device (as here) the provider asks for one buffer per
// buffer period, in turn, none again before it is back, and never sooner
// than its period allows.
TEST(DirectSoundProvider, WithoutADeviceItRunsPacedAndSilent)
{
    EngineSide engine(44100, 16, 441);
    IAudioStreamProvider *provider = module().provider(nullptr);
    ASSERT_EQ(provider->Open(&engine.block, "tests"), 1);
    ASSERT_NE(engine.block.framesWanted, nullptr);
    engine.Serve(provider);
    const DWORD start = GetTickCount();
    ASSERT_EQ(provider->Start(), 1);
    // The bound is a safety net only: a loaded machine makes it slower.
    const bool served = engine.WaitServed(30, 60000);
    const DWORD elapsed = GetTickCount() - start;
    provider->Release();
    engine.Stop();
    ASSERT_TRUE(served);
    ASSERT_GE(engine.order.size(), 30u);
    // The 30th of buffers 10 ms apart is asked 290 ms after the first.
    EXPECT_GE(elapsed, 250u);
    EXPECT_TRUE(askedInTurn(engine.order)) << ::testing::PrintToString(engine.order);
    EXPECT_EQ(engine.block.framesWanted[0], 441);
}

// A device that fails while it plays (unplugged, a driver error): the
// provider lets go of it, asks on paced and silent instead of as fast as
// the engine can render, and says that it plays nothing.
TEST(DirectSoundProvider, ADeviceThatFailsLeavesItPacedAndSilent)
{
    const auto playsSilent = reinterpret_cast<AspPlaysSilentProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(module().handle, kAspPlaysSilentEntry)));
    ASSERT_NE(playsSilent, nullptr);
    testing_support::FakeWaveOut device(module().handle, 3);
    ASSERT_TRUE(device.routed());
    EngineSide engine(44100, 16, 441);
    IAudioStreamProvider *provider = module().provider(nullptr);
    ASSERT_EQ(provider->Open(&engine.block, "tests"), 1);
    EXPECT_EQ(device.opens(), 1);
    EXPECT_EQ(playsSilent(), 0) << "the device opened";
    engine.Serve(provider);
    const DWORD start = GetTickCount();
    ASSERT_EQ(provider->Start(), 1);
    const bool served = engine.WaitServed(30, 60000);
    const DWORD elapsed = GetTickCount() - start;
    const int silent = playsSilent();
    const long writes = device.writes();
    const long closes = device.closes();
    provider->Release();
    engine.Stop();
    ASSERT_TRUE(served);
    EXPECT_EQ(writes, 4) << "three played, the fourth failed and no more were tried";
    EXPECT_EQ(closes, 1) << "the failed device is let go at once";
    EXPECT_EQ(silent, 1);
    // Four buffers went before the failure and three were in flight then:
    // the other 23 come one per 10 ms period (never faster).
    EXPECT_GE(elapsed, 220u);
}

// Unpaced, every buffer goes to the capture as soon as it is back, into a
// WAVE file and to a function.
TEST(DirectSoundProvider, UnpacedCaptureTakesEveryBuffer)
{
    testing_support::TempFolder folder;
    const std::string path = folder.file("capture.wav");
    struct Seen {
        long buffers = 0;
        int32_t firstSample = 0;
    } seen;
    HANDLE finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DSCAPTURE capture = {};
    capture.unpaced = 1;
    capture.maxBuffers = 10;
    capture.wavePath = path.c_str();
    capture.onBuffer = [](void *user, const void *bytes, int32_t frames, int32_t bytesPerFrame) {
        auto *s = static_cast<Seen *>(user);
        if (s->buffers++ == 0)
            std::memcpy(&s->firstSample, bytes, 2);
        EXPECT_EQ(frames, 64);
        EXPECT_EQ(bytesPerFrame, 4);
    };
    capture.user = &seen;
    capture.finished = finished;
    EngineSide engine(48000, 16, 64);
    IAudioStreamProvider *provider = module().provider(&capture);
    module().setCapture()(nullptr);
    ASSERT_EQ(provider->Open(&engine.block, "tests"), 1);
    engine.Serve(provider);
    ASSERT_EQ(provider->Start(), 1);
    ASSERT_EQ(WaitForSingleObject(finished, 5000), WAIT_OBJECT_0);
    provider->Release();
    engine.Stop();
    CloseHandle(finished);
    EXPECT_EQ(seen.buffers, 10);
    EXPECT_EQ(seen.firstSample, 1);
    EXPECT_EQ(engine.Served(), 10) << "no buffer is asked for after the last";

    const std::string bytes = testing_support::readFile(path);
    ASSERT_EQ(bytes.size(), 44u + 10 * 64 * 4);
    const unsigned char header[44] = {'R', 'I', 'F',  'F',  0x24, 0x0A, 0,    0,    'W',  'A', 'V',
                                      'E', 'f', 'm',  't',  ' ',  16,   0,    0,    0,    1,   0,
                                      2,   0,   0x80, 0xBB, 0,    0,    0x00, 0xEE, 0x02, 0,   4,
                                      0,   16,  0,    'd',  'a',  't',  'a',  0x00, 0x0A, 0,   0};
    EXPECT_EQ(std::memcmp(bytes.data(), header, 44), 0);
    // Buffer n holds the number n in every sample.
    EXPECT_EQ(bytes[44 + 9 * 256], 10);
}

TEST(DirectSoundProvider, ACapturePathTooLongIsRefused)
{
    const std::string path(MAX_PATH + 10, 'a');
    DSCAPTURE capture = {};
    capture.wavePath = path.c_str();
    EXPECT_EQ(module().setCapture()(&capture), 0);
    module().setCapture()(nullptr);
}

} // namespace
