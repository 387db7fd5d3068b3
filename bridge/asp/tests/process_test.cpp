// The library as it is shipped, loaded by this test as a host's bridge
// plug-in would load it, and by stand-ins for the program in processes of
// their own.
#include "bridge/asp/halvorin_request.h"
#include "bridge/asp/tests/stand_in.h"
#include "testing/realtime_counters.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace Halvorin;
using namespace halvorin_test;

namespace {

HMODULE provider = nullptr;
RequestProc requestEntry = nullptr;

class Environment : public ::testing::Environment {
public:
    void SetUp() override
    {
        provider = LoadLibraryA((testsFolder() + "ASPHalvorin.dll").c_str());
        ASSERT_NE(provider, nullptr);
        requestEntry = reinterpret_cast<RequestProc>(
            reinterpret_cast<void (*)()>(GetProcAddress(provider, "ASPHalvorinRequest")));
        ASSERT_NE(requestEntry, nullptr);
        ASSERT_TRUE(testing_support::installRealTimeHooks(provider));
    }
};

[[maybe_unused]] ::testing::Environment *const environment =
    ::testing::AddGlobalTestEnvironment(new Environment);

void registerModule(const std::string &kind, const char *name, const std::string &path)
{
    const std::string key = "Software\\Quorvane\\" + kind;
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, key.c_str(), name, REG_SZ, path.c_str(),
                    static_cast<DWORD>(path.size() + 1));
}

int request(int channel, int op, void *data = nullptr)
{
    return requestEntry(channel, op, data);
}

// Runs a program to its end; its exit code, or -1.
int runProgram(const std::string &commandLine)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return -1;
    CloseHandle(process.hThread);
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

// The host's side: one replacing block of the given frames per call.
class Host {
public:
    Host(int channel, int frames) : left(frames), right(frames), channel_(channel)
    {
        block.sampleRate = 44100;
        block.tempo = 100.0f;
        block.noteCode = kNoteNone;
        block.mode = kModeReplace;
        block.frames = frames;
    }
    int render()
    {
        block.bufferA = left.data();
        block.bufferB = right.data();
        const int result = request(channel_, kOpRender, &block);
        block.velocity = 0;
        return result;
    }
    // Whether a program is attached to the channel under the name.
    bool programIs(const char *name)
    {
        char attached[kProgramNameSize] = {};
        return request(channel_, kOpProgramName, attached) == 1 && std::string(attached) == name;
    }

    BridgeRenderBlock block = {};
    std::vector<float> left, right;

private:
    int channel_;
};

class ProcessTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (int n = 0; n < kChannels; ++n)
            request(n, kOpRelease);
    }
    testing_support::LocalMachineOverride machine;
    testing_support::TempFolder folder;
};

// A program loading the library while a host holds channels leaves them
// as they are, and reads the host's rate and block size.
TEST_F(ProcessTest, AnotherProcessLoadingTheLibraryKeepsTheChannels)
{
    ASSERT_EQ(request(-1, kOpClaim), 0);
    ASSERT_EQ(request(-1, kOpClaim), 1);
    int rate = 48000, frames = 700;
    request(1, kOpSampleRate, &rate);
    request(1, kOpBlockSize, &frames);
    const std::string file = folder.file("query.txt");
    ASSERT_EQ(runProgram(standInCommand() + " -query:1:" + file), 0);
    EXPECT_EQ(testing_support::readFile(file), "1 48000 512");
    EXPECT_EQ(request(-1, kOpClaim), 2) << "the claims of this process stand";
}

// The host launches the program on its channel, and they exchange notes,
// transport and audio until the host lets the program go.
TEST_F(ProcessTest, TheLaunchedProgramStreamsUntilItIsLetGo)
{
    ASSERT_TRUE(machine.active());
    const std::string log = folder.file("notifications.txt");
    registerLaunch(kProgramName, standInCommand() + " -serve -log:" + log);
    const int channel = request(-1, kOpClaim);
    ASSERT_EQ(channel, 0);
    ASSERT_EQ(request(channel, kOpProgram, const_cast<char *>(kProgramName)), 1);

    // Silence until the program streams; then its audio, whose right side
    // is the last note the program was told.
    Host host(channel, 64);
    const DWORD start = GetTickCount();
    do {
        ASSERT_EQ(host.render(), 64);
        ASSERT_LT(GetTickCount() - start, 15000u) << "the program never streamed";
    } while (host.right[0] == 0.0f);
    EXPECT_TRUE(host.programIs(kProgramName));
    float next = host.left[63] + 1.0f;

    testing_support::RealTimeCounter counter;
    const struct {
        int32_t note, velocity;
        float heard; // the right side of that very block
    } steps[] = {
        {kNoteNone, 0, static_cast<float>(kNoteNone)},
        {38, 100, static_cast<float>(38 | 100 << 16)},
        {38, 0, static_cast<float>(38 | 100 << 16)},
        {kNoteTransportStopped, 0, static_cast<float>(kNoteTransportStopped)},
        {kNoteNone, 0, static_cast<float>(kNoteTransportStopped)},
    };
    for (const auto &step : steps) {
        host.block.noteCode = step.note;
        host.block.velocity = step.velocity;
        for (int repeat = 0; repeat < 20; ++repeat) {
            ASSERT_EQ(host.render(), 64);
            for (int f = 0; f < 64; ++f, next += 1.0f) {
                ASSERT_EQ(host.left[f], next) << "frames follow each other across the processes";
                ASSERT_EQ(host.right[f], step.heard) << "note " << step.note;
            }
        }
    }
    EXPECT_EQ(counter.allocations(), 0) << "op 0 allocates nothing";
    EXPECT_EQ(counter.fileOpens() + counter.fileAccesses(), 0) << "op 0 touches no file";

    EXPECT_EQ(request(channel, kOpProgram, const_cast<char *>("")), 1);
    for (const DWORD left = GetTickCount(); host.programIs(kProgramName);) {
        ASSERT_LT(GetTickCount() - left, 10000u) << "the program did not let go";
        Sleep(10);
    }
    ASSERT_EQ(host.render(), 64);
    EXPECT_EQ(host.left[0], 0.0f) << "silence without a program";

    // What the program was told: the stop once, the note once.
    std::istringstream lines(awaitFile(log));
    std::vector<long> notes;
    for (long note, position, bend, mod; lines >> note >> position;) {
        float tempo;
        lines >> tempo >> bend >> mod;
        if (note != kNoteNothing)
            notes.push_back(note);
    }
    ASSERT_FALSE(notes.empty());
    EXPECT_EQ(notes.front(), kNoteNone);
    EXPECT_EQ(std::vector<long>(notes.begin() + 1, notes.end()),
              (std::vector<long>{38 | 100 << 16, kNoteTransportStopped}));
}

// A host block's render, timed; -1 when it never came back.
double timedRender(Host &host)
{
    return TimedCall([&host] { host.render(); });
}

bool silent(const Host &host)
{
    return std::all_of(host.left.begin(), host.left.end(), [](float s) { return s == 0.0f; }) &&
           std::all_of(host.right.begin(), host.right.end(), [](float s) { return s == 0.0f; });
}

// Renders until the program on the channel streams; false when it did not
// within the time.
bool renderUntilHeard(Host &host, DWORD timeoutMs = 15000)
{
    for (const DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs;) {
        if (timedRender(host) < 0.0)
            return false;
        if (host.right[0] != 0.0f)
            return true;
    }
    return false;
}

// Renders blocks after one heard, and checks that the frames the stand-in
// counts follow on frame by frame: within every block heard, and from one
// block heard to the next. On a loaded machine an answer can come after
// the host's bound: that block is silence and its audio is dropped, so the
// count goes on further along after it, never back. late: the blocks that
// came late.
void expectFollowingOn(Host &host, int blocks, int &late)
{
    const int frames = host.block.frames;
    late = 0;
    for (int f = 1; f < frames; ++f)
        ASSERT_EQ(host.left[f], host.left[0] + static_cast<float>(f)) << "frames follow each other: " << f;
    float next = host.left[frames - 1] + 1.0f;
    bool dropped = false;
    for (int block = 0; block < blocks; ++block) {
        ASSERT_GE(timedRender(host), 0.0);
        if (silent(host)) {
            ++late;
            dropped = true;
            continue;
        }
        if (dropped) {
            ASSERT_GE(host.left[0], next) << "a block heard again";
            next = host.left[0];
            dropped = false;
        }
        for (int f = 0; f < frames; ++f, next += 1.0f)
            ASSERT_EQ(host.left[f], next) << "block " << block << ": frames follow each other: " << f;
    }
}

// Ends the process once it wrote into the file: in the middle of the host's
// wait for it.
class Killer {
public:
    Killer(StandInProcess &process, std::string file)
        : process_(process), file_(std::move(file)), thread_(CreateThread(nullptr, 0, run, this, 0, nullptr))
    {
    }
    ~Killer()
    {
        WaitForSingleObject(thread_, 20000);
        CloseHandle(thread_);
    }
    bool Killed() const { return killed_; }

private:
    static DWORD WINAPI run(void *self)
    {
        auto *killer = static_cast<Killer *>(self);
        for (const DWORD start = GetTickCount(); GetTickCount() - start < 15000; Sleep(1)) {
            if (testing_support::fileExists(killer->file_)) {
                killer->killed_ = TerminateProcess(killer->process_.Handle(), 9) != 0;
                return 0;
            }
        }
        return 0;
    }
    StandInProcess &process_;
    std::string file_;
    volatile bool killed_ = false;
    HANDLE thread_;
};

// Longest a host block may take when its program dies in the middle of it:
// the bound of the wait (at most 250 ms) and room for a loaded machine.
constexpr double kGivenBackMs = 1000.0;

// The program dies while the host waits for it, at each point of the
// exchange: the host's call comes back within the bound with silence, and
// a program started again on the channel is heard again.
TEST_F(ProcessTest, AProgramKilledInTheMiddleOfABlockGivesTheHostItsThreadBack)
{
    // A block of 1024 frames takes four engine buffers of 256: the 43rd
    // request is the third of a block.
    const struct {
        const char *hang;
        int frames;
        int heard; // frames of the last block the program still gave
        const char *what;
    } points[] = {
        {"request:40", 256, 0, "waiting for the program's audio"},
        {"notify:3", 256, 0, "waiting for the program's notify callback"},
        {"request:42", 1024, 512, "waiting for the third engine buffer of a block"},
    };
    const int channel = request(-1, kOpClaim);
    ASSERT_EQ(channel, 0);
    for (const auto &point : points) {
        SCOPED_TRACE(point.what);
        const std::string silentFile =
            folder.file(std::string("silent_") + std::to_string(&point - points) + ".txt");
        StandInProcess program(std::string("-serve -hang:") + point.hang + " -silent:" + silentFile +
                               " -halvorin:channel:1");
        ASSERT_TRUE(program.Started());
        Host host(channel, point.frames);
        ASSERT_TRUE(renderUntilHeard(host)) << "the program never streamed";
        {
            Killer killer(program, silentFile);
            // Notes keep the notifications coming; the program stops
            // answering after a few, and is killed while the host waits.
            double longest = 0.0;
            for (int block = 0; block < 400 && !testing_support::fileExists(silentFile); ++block) {
                host.block.noteCode = 36 + block % 2;
                host.block.velocity = 100;
                const double took = timedRender(host);
                ASSERT_GE(took, 0.0) << "the host's call never came back";
                longest = std::max(longest, took);
            }
            ASSERT_TRUE(testing_support::fileExists(silentFile)) << "the program never fell silent";
            EXPECT_LT(longest, kGivenBackMs);
            for (int f = 0; f < point.frames; ++f) {
                if (f < point.heard)
                    ASSERT_NE(host.right[f], 0.0f) << "the program's audio up to where it stopped: " << f;
                else
                    ASSERT_TRUE(host.left[f] == 0.0f && host.right[f] == 0.0f) << "then silence: " << f;
            }
        }
        ASSERT_EQ(WaitForSingleObject(program.Handle(), 10000), WAIT_OBJECT_0);
        for (int block = 0; block < 5; ++block) {
            const double took = timedRender(host);
            ASSERT_GE(took, 0.0);
            EXPECT_LT(took, kGivenBackMs);
            EXPECT_TRUE(silent(host)) << "silence without the program";
        }
        EXPECT_FALSE(host.programIs(kProgramName)) << "the dead program let go of the channel";

        // Started again, the program attaches to the same channel and the
        // host hears it.
        StandInProcess again("-serve -halvorin:channel:1");
        ASSERT_TRUE(again.Started());
        host.block.noteCode = kNoteNone;
        ASSERT_TRUE(renderUntilHeard(host)) << "the restarted program was never heard";
        EXPECT_TRUE(host.programIs(kProgramName));
        EXPECT_EQ(request(channel, kOpProgram, const_cast<char *>("")), 1);
        EXPECT_EQ(WaitForSingleObject(again.Handle(), 10000), WAIT_OBJECT_0) << "the program let go";
    }
}

// A program killed between two blocks leaves its channel to the program
// started next, before the host has found it dead.
TEST_F(ProcessTest, AProgramThatDiedHoldingItsChannelLeavesItToTheNext)
{
    const int channel = request(-1, kOpClaim);
    ASSERT_EQ(channel, 0);
    Host host(channel, 256);
    {
        StandInProcess program("-serve -halvorin:channel:1");
        ASSERT_TRUE(program.Started());
        ASSERT_TRUE(renderUntilHeard(host)) << "the program never streamed";
    }
    // The host renders nothing until the new program has the channel.
    const std::string opened = folder.file("opened.txt");
    StandInProcess again("-serve -pid:" + opened + " -halvorin:channel:1");
    ASSERT_TRUE(again.Started());
    for (const DWORD start = GetTickCount(); !testing_support::fileExists(opened);) {
        ASSERT_LT(GetTickCount() - start, 15000u) << "the program never opened the channel";
        ASSERT_EQ(WaitForSingleObject(again.Handle(), 20), WAIT_TIMEOUT) << "the program could not open";
    }
    EXPECT_EQ(awaitFile(opened), std::to_string(again.Id()));
    host.block.noteCode = 38;
    host.block.velocity = 90;
    ASSERT_TRUE(renderUntilHeard(host)) << "the new program was never heard";
    EXPECT_TRUE(host.programIs(kProgramName));
    EXPECT_EQ(request(channel, kOpProgram, const_cast<char *>("")), 1);
    EXPECT_EQ(WaitForSingleObject(again.Handle(), 10000), WAIT_OBJECT_0) << "the program let go";
}

// A program killed and started again at once while the host renders on:
// whichever of them the host's waits meet (a request the dead program
// left pending among them), the new program is heard, and from then on
// its audio follows on frame by frame.
TEST_F(ProcessTest, AProgramRestartedWhileTheHostRendersIsHeard)
{
    const int channel = request(-1, kOpClaim);
    ASSERT_EQ(channel, 0);
    Host host(channel, 256);
    auto program = std::make_unique<StandInProcess>("-serve -halvorin:channel:1");
    ASSERT_TRUE(renderUntilHeard(host)) << "the program never streamed";
    // The frame count the stand-in streams tells the programs apart: the
    // dead one got far beyond where the new one starts.
    constexpr float kFar = 20000.0f;
    for (int restart = 0; restart < 3; ++restart) {
        SCOPED_TRACE(restart);
        for (const DWORD start = GetTickCount(); host.left[0] < kFar;) {
            ASSERT_LT(GetTickCount() - start, 15000u) << "the program stopped streaming";
            ASSERT_GE(timedRender(host), 0.0);
        }
        program->Kill();
        program = std::make_unique<StandInProcess>("-serve -halvorin:channel:1");
        ASSERT_TRUE(program->Started());
        for (const DWORD start = GetTickCount(); host.right[0] == 0.0f || host.left[0] >= kFar;) {
            ASSERT_LT(GetTickCount() - start, 15000u) << "the new program was never heard";
            ASSERT_GE(timedRender(host), 0.0);
        }
        int late = 0;
        expectFollowingOn(host, 20, late);
        EXPECT_LT(late, 20) << "the new program was heard";
    }
    EXPECT_EQ(request(channel, kOpProgram, const_cast<char *>("")), 1);
    EXPECT_EQ(WaitForSingleObject(program->Handle(), 10000), WAIT_OBJECT_0) << "the program let go";
}

// A host killed while it renders leaves its claim: the next host gets the
// channel and hears the program that still runs.
TEST_F(ProcessTest, AHostKilledHoldingItsClaimLeavesTheChannelToTheNextHost)
{
    StandInProcess program("-serve -halvorin:channel:1");
    ASSERT_TRUE(program.Started());
    const std::string heard = folder.file("host.txt");
    StandInProcess deadHost("-host:" + heard);
    ASSERT_TRUE(deadHost.Started());
    ASSERT_EQ(awaitFile(heard), "0") << "the first host heard the program on channel 0";
    deadHost.Kill();

    EXPECT_EQ(request(-1, kOpClaim), 0) << "the dead host's claim is free";
    Host host(0, 256);
    ASSERT_TRUE(renderUntilHeard(host)) << "the program was never heard by the next host";
    int late = 0;
    expectFollowingOn(host, 20, late);
    EXPECT_LT(late, 20) << "the next host heard the program";
    EXPECT_EQ(request(0, kOpProgram, const_cast<char *>("")), 1);
    EXPECT_EQ(WaitForSingleObject(program.Handle(), 10000), WAIT_OBJECT_0) << "the program let go";
}

// The host drives the program that streams through the real sound engine:
// a note starts its song (the metronome), the transport's stop ends it.
TEST_F(ProcessTest, AHostNoteStartsTheEnginesSongAndAStopEndsIt)
{
    ASSERT_TRUE(machine.active());
    registerModule("AudioStreamProviders", "Halvorin", testsFolder() + "ASPHalvorin.dll");
    registerModule("SoftSynth", "Default Preview", testsFolder() + "Pellandor.dll");
    std::string command(1, '"');
    command += testsFolder() + "halvorin_engine_stand_in.exe\" -machine:" + machine.path();
    registerLaunch(kProgramName, command);
    const int channel = request(-1, kOpClaim);
    ASSERT_EQ(request(channel, kOpProgram, const_cast<char *>(kProgramName)), 1);

    // The host holds a note until the song sounds.
    constexpr int kFrames = 256;
    Host host(channel, kFrames);
    std::vector<float> heard;
    const DWORD start = GetTickCount();
    while (!std::any_of(host.left.begin(), host.left.end(), [](float s) { return s != 0.0f; })) {
        ASSERT_LT(GetTickCount() - start, 20000u) << "the song never sounded";
        host.block.noteCode = 36;
        host.block.velocity = 100;
        ASSERT_EQ(host.render(), kFrames);
    }
    heard.insert(heard.end(), host.left.begin(), host.left.end());
    // Two seconds of the song: the clicks come again.
    host.block.noteCode = 36;
    for (int i = 0; i < 2 * 44100 / kFrames; ++i) {
        ASSERT_EQ(host.render(), kFrames);
        heard.insert(heard.end(), host.left.begin(), host.left.end());
    }
    // The click of each beat: the first sounding frame after a silence.
    std::vector<size_t> clicks;
    for (size_t i = 0, quiet = 0; i < heard.size(); ++i) {
        if (heard[i] == 0.0f) {
            ++quiet;
            continue;
        }
        if (clicks.empty() || quiet > 4000)
            clicks.push_back(i);
        quiet = 0;
    }
    ASSERT_GE(clicks.size(), 3u) << "the metronome plays on";
    EXPECT_LT(clicks[0], static_cast<size_t>(kFrames)) << "the first click in the first block heard";
    const size_t beat = clicks[2] - clicks[1];
    EXPECT_EQ(clicks[1] - clicks[0], beat) << "every beat the same length";

    // The host stops: nothing sounds after the buffers already made.
    host.block.noteCode = kNoteTransportStopped;
    ASSERT_EQ(host.render(), kFrames);
    std::vector<float> after;
    for (size_t i = 0; after.size() < 3 * beat; ++i) {
        ASSERT_EQ(host.render(), kFrames);
        if (i >= 4)
            after.insert(after.end(), host.left.begin(), host.left.end());
    }
    EXPECT_TRUE(std::all_of(after.begin(), after.end(), [](float s) { return s == 0.0f; }))
        << "the song stopped";

    EXPECT_EQ(request(channel, kOpProgram, const_cast<char *>("")), 1);
    for (const DWORD left = GetTickCount(); host.programIs(kProgramName);) {
        ASSERT_LT(GetTickCount() - left, 10000u) << "the program did not let go";
        Sleep(10);
    }
}

} // namespace
