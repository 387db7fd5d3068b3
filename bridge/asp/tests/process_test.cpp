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
#include <cstring>
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

// Runs a program to its end; its exit code, or -1 (also when it did not
// end within half a minute: it is ended then).
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
    else
        TerminateProcess(process.hProcess, code); // a hung program would hold the section
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
    // Strikes a note in the next block, another one than in the block
    // before: a block that the program streams hands it a notification.
    void strike()
    {
        block.noteCode = block.noteCode == 36 ? 37 : 36;
        block.velocity = 100;
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

// The host waits for the program as long as a loaded machine needs: what
// the protocol does is tested without depending on the program answering
// within the shipped bound. A test of that bound sets it where it needs it.
class ProcessTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SetProviderWaitBound(provider, kPatientBound)); }
    void TearDown() override
    {
        for (int n = 0; n < kChannels; ++n)
            request(n, kOpRelease);
        SetProviderWaitBound(provider, kWaitBound);
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

// The library's shared section as this process sees it, found by its name
// in the module's section table.
uint8_t *sharedSectionOf(HMODULE module)
{
    auto *base = reinterpret_cast<uint8_t *>(module);
    auto *nt =
        reinterpret_cast<IMAGE_NT_HEADERS *>(base + reinterpret_cast<IMAGE_DOS_HEADER *>(base)->e_lfanew);
    IMAGE_SECTION_HEADER *section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section)
        if (std::memcmp(section->Name, ".hvnshr", 8) == 0)
            return base + section->VirtualAddress;
    return nullptr;
}

// A process that died while it set the section up left the init flag (at
// offset 66080) saying so, with its id, or with the 2 an earlier build
// wrote for any maker. The next process that loads the library does not
// wait for ever: it sets the section up itself, and the channels work.
TEST_F(ProcessTest, ASetUpLeftByADeadProcessIsFinishedByTheNextLoad)
{
    uint8_t *section = sharedSectionOf(provider);
    ASSERT_NE(section, nullptr);
    auto *flag = reinterpret_cast<volatile LONG *>(section + 66080);
    ASSERT_EQ(*flag, 1);
    DWORD dead = 0;
    {
        StandInProcess gone("", true);
        ASSERT_TRUE(gone.Started());
        dead = gone.Id();
    }
    const struct {
        const char *what;
        LONG flag;
        const char *file;
    } cases[] = {{"a dead maker's id", static_cast<LONG>(dead), "dead.txt"},
                 {"an earlier build's mark", 2, "earlier.txt"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        int rate = 48000;
        ASSERT_EQ(request(0, kOpSampleRate, &rate), 1);
        *flag = c.flag;
        const std::string file = folder.file(c.file);
        // The bound of runProgram is the test's safety net only.
        EXPECT_EQ(runProgram(standInCommand() + " -query:0:" + file), 0);
        EXPECT_EQ(*flag, 1);
        EXPECT_EQ(testing_support::readFile(file), "1 44100 256") << "the section was set up afresh";
        EXPECT_EQ(request(-1, kOpClaim), 0);
        EXPECT_EQ(request(0, kOpRelease), 0);
        *flag = 1;
    }
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

// Whether the block holds the frames the stand-in counts from next on,
// frame by frame; next moves behind them.
::testing::AssertionResult followsOn(const Host &host, float &next)
{
    for (size_t f = 0; f < host.left.size(); ++f, next += 1.0f)
        if (host.left[f] != next)
            return ::testing::AssertionFailure()
                   << "frame " << f << " holds " << host.left[f] << " where " << next << " follows";
    return ::testing::AssertionSuccess();
}

// Renders blocks after one heard, and checks that the frames the stand-in
// counts follow on frame by frame: within the block heard, into every
// block after it, and within each.
void expectFollowingOn(Host &host, int blocks)
{
    float next = host.left[0];
    ASSERT_TRUE(followsOn(host, next)) << "the block heard";
    for (int block = 0; block < blocks; ++block) {
        ASSERT_GE(timedRender(host), 0.0);
        ASSERT_TRUE(followsOn(host, next)) << "block " << block;
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
// the shipped bound of the wait (at most 250 ms) and room for a loaded
// machine.
constexpr double kGivenBackMs = 1000.0;

// The program dies while the host waits for it, at each point of the
// exchange: the host's call comes back after its bound, with the program's
// audio up to there and silence from there on; every block after it comes
// back without waiting, silent; and a program started again on the
// channel is heard again.
TEST_F(ProcessTest, AProgramKilledInTheMiddleOfABlockGivesTheHostItsThreadBack)
{
    // Every block strikes a note: each block the program streams hands it
    // one notification, and a request per engine buffer (256 frames). The
    // block the program hangs in follows the first block heard and
    // blocksBefore more. In it, where the program has nothing to answer
    // before the hand-off it hangs in, the host keeps the shipped bound;
    // where it answers two buffers first, the host gives it the time a
    // loaded machine needs for them.
    constexpr WaitBound kTwoBuffersBound = {5000, 5000};
    const struct {
        const char *hang;
        int frames;
        int blocksBefore;
        bool shipped; // the bound of the host in the block it hangs in
        int heard;    // frames of that block the program still gave
        const char *what;
    } points[] = {
        {"request:40", 256, 39, true, 0, "waiting for the program's audio"},
        {"notify:3", 256, 2, true, 0, "waiting for the program's notify callback"},
        {"request:42", 1024, 9, false, 512, "waiting for the third engine buffer of a block"},
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
        const DWORD start = GetTickCount();
        do {
            ASSERT_LT(GetTickCount() - start, 15000u) << "the program never streamed";
            host.strike();
            ASSERT_GE(timedRender(host), 0.0);
        } while (silent(host));
        float next = host.left[0];
        ASSERT_TRUE(followsOn(host, next));
        for (int block = 0; block < point.blocksBefore; ++block) {
            host.strike();
            ASSERT_GE(timedRender(host), 0.0);
            ASSERT_TRUE(followsOn(host, next)) << "block " << block << " before the program hangs";
        }
        ASSERT_FALSE(testing_support::fileExists(silentFile)) << "the program hung early";
        {
            Killer killer(program, silentFile);
            ASSERT_TRUE(SetProviderWaitBound(provider, point.shipped ? kWaitBound : kTwoBuffersBound));
            host.strike();
            const double took = timedRender(host);
            ASSERT_TRUE(SetProviderWaitBound(provider, kPatientBound));
            ASSERT_GE(took, 0.0) << "the host's call never came back";
            if (point.shipped) {
                EXPECT_LT(took, kGivenBackMs) << "the shipped bound";
            }
            for (const DWORD begin = GetTickCount(); !testing_support::fileExists(silentFile); Sleep(10))
                ASSERT_LT(GetTickCount() - begin, 15000u) << "the program never fell silent";
            for (int f = 0; f < point.frames; ++f, next += 1.0f) {
                if (f < point.heard)
                    ASSERT_EQ(host.left[f], next) << "the program's audio up to where it stopped: " << f;
                else
                    ASSERT_TRUE(host.left[f] == 0.0f && host.right[f] == 0.0f) << "then silence: " << f;
            }
        }
        ASSERT_EQ(WaitForSingleObject(program.Handle(), 10000), WAIT_OBJECT_0) << "the program was killed";
        for (int block = 0; block < 5; ++block) {
            testing_support::RealTimeCounter counter;
            ASSERT_EQ(host.render(), point.frames);
            EXPECT_EQ(counter.blockingWaits(), 0) << "block " << block << " waits for nothing";
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
        // A wait the host meets the dead program in lasts until its bound:
        // the shipped one, until the new program is heard.
        ASSERT_TRUE(SetProviderWaitBound(provider, kWaitBound));
        program->Kill();
        program = std::make_unique<StandInProcess>("-serve -halvorin:channel:1");
        ASSERT_TRUE(program->Started());
        for (const DWORD start = GetTickCount(); host.right[0] == 0.0f || host.left[0] >= kFar;) {
            ASSERT_LT(GetTickCount() - start, 15000u) << "the new program was never heard";
            ASSERT_GE(timedRender(host), 0.0);
        }
        ASSERT_TRUE(SetProviderWaitBound(provider, kPatientBound));
        expectFollowingOn(host, 20);
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
    expectFollowingOn(host, 20);
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
