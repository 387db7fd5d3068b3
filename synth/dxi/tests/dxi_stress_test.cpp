// Sorvik made, used and destroyed 200 times over: nothing of the hosted
// instrument stays alive, and the process's handles, threads and private
// memory stay flat after a warm-up.
#include "synth/dxi/tests/sorvik_fixture.h"

#include "data/stream_buffer.h"

#include <gtest/gtest.h>

#include <psapi.h>
#include <tlhelp32.h>

#include <string>

using namespace Quorvane;
using namespace sorvik_test;

namespace {

struct Footprint {
    DWORD handles = 0;
    int threads = 0;
    SIZE_T privateBytes = 0;
};

Footprint footprint()
{
    Footprint f;
    GetProcessHandleCount(GetCurrentProcess(), &f.handles);
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        f.threads += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS *>(&memory),
                         sizeof(memory));
    f.privateBytes = memory.PrivateUsage;
    return f;
}

// One whole life of the adapter with the instrument.
void life(MusicSong &song)
{
    Hosted dxi(song, 44100.0f, 256);
    ASSERT_TRUE(dxi.select(CLSID_TestDxi));
    Player player(dxi, song, 256);
    player.start(0);
    player.play({0, 480}, 12000);
    dxi.synth->SetSampleRate(48000.0f);
    dxi.synth->SetBlockSize(512);
    Player again(dxi, song, 512);
    again.start(0);
    again.play({0}, 2048);
    PORTDESCR state;
    WriteParamsBlock(
        &state,
        [](Seekable::OutputStream *out, void *user) {
            static_cast<IQuorvaneSoftSynth *>(user)->SaveState(out);
            return 1;
        },
        dxi.synth);
    ASSERT_GT(state.paramsSize, 0);
    auto *buffer = new StreamBuffer(nullptr, false, state.params, static_cast<uint32_t>(state.paramsSize));
    {
        BufferStream in(buffer);
        dxi.synth->LoadState(&in);
    }
    buffer->release();
    dxi.synth->SetSampleRate(44100.0f);
}

TEST(StressTest, TwoHundredLivesLeaveNothingBehind)
{
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    ASSERT_NE(modules().create, nullptr);
    resetControl();
    using CanUnload = HRESULT(STDAPICALLTYPE *)();
    auto canUnload = reinterpret_cast<CanUnload>(
        reinterpret_cast<void (*)()>(GetProcAddress(modules().instrument, "DllCanUnloadNow")));
    ASSERT_NE(canUnload, nullptr);
    {
        MusicSong song;
        Footprint warm;
        for (int i = 0; i < 200; ++i) {
            ASSERT_NO_FATAL_FAILURE(life(song));
            ASSERT_EQ(modules().liveObjects(), 0) << "life " << i;
            if (i == 19)
                warm = footprint();
        }
        const Footprint end = footprint();
        EXPECT_LE(end.handles, warm.handles + 2);
        EXPECT_LE(end.threads, warm.threads);
        EXPECT_LE(end.privateBytes, warm.privateBytes + 512 * 1024)
            << "warm " << warm.privateBytes << " end " << end.privateBytes;
    }
    EXPECT_EQ(canUnload(), S_OK);
    CoUninitialize();
}

} // namespace
