// A stand-in for the program on the provider's far side, for the tests
// (the real program is launched the same way):
//   -record:<file>          writes its command line into the file;
//   -query:<channel>:<file> writes what ASPHalvorinCanConnect answers;
//   -serve [-log:<file>] [-name:<program>] -halvorin:channel:<n>
//                           opens channel n - 1 through ASPHalvorin.dll
//                           beside it as the sound engine does, streams
//                           (left: a running frame count, right: the last
//                           note code published to it) and lets go when
//                           asked through "<program>_DCNT";
//     -pid:<file>           with -serve, writes its process id there once
//                           it streams;
//     -hang:request:<n>     with -serve, answers n buffer requests and no
//                           more, or
//     -hang:notify:<n>      takes n notifications and then stops in the
//                           next one, for good; either way it writes
//                           "silent" into the file of -silent:<file> then;
//   -host:<file>            a host: claims a channel through the module and
//                           renders block after block, and writes the
//                           channel into the file once it hears the program.
// With -machine:<key> it first maps HKEY_LOCAL_MACHINE to that key below
// HKEY_CURRENT_USER, as its parent test did. It ends when its parent test
// program ends.
#include "bridge/asp/halvorin_request.h"
#include "bridge/asp/tests/engine_driver.h"
#include "bridge/asp/tests/stand_in.h"
#include "testing/sandbox.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace halvorin_test;

namespace {

// The text after the switch up to the next blank; empty when absent.
std::string argument(const std::string &line, const std::string &name)
{
    const size_t at = line.find(name);
    if (at == std::string::npos)
        return {};
    const size_t from = at + name.size();
    return line.substr(from, line.find(' ', from) - from);
}

HMODULE loadProvider()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path);
    folder = folder.substr(0, folder.find_last_of('\\') + 1);
    return LoadLibraryA((folder + "ASPHalvorin.dll").c_str());
}

template <typename T> T entry(HMODULE module, const char *name)
{
    return reinterpret_cast<T>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

int record(const std::string &file)
{
    FILE *out = std::fopen(file.c_str(), "wb");
    if (!out)
        return 2;
    std::fputs(GetCommandLineA(), out);
    std::fclose(out);
    return 0;
}

int query(const std::string &what)
{
    const int channel = std::atoi(what.c_str());
    const std::string file = what.substr(what.find(':') + 1);
    HMODULE module = loadProvider();
    auto canConnect = entry<int (*)(int, int *, int *)>(module, "ASPHalvorinCanConnect");
    if (!canConnect)
        return 3;
    int rate = 0, frames = 0;
    const int result = canConnect(channel, &rate, &frames);
    FILE *out = std::fopen(file.c_str(), "wb");
    if (!out)
        return 2;
    std::fprintf(out, "%d %d %d", result, rate, frames);
    std::fclose(out);
    return 0;
}

bool writeText(const std::string &file, const std::string &text)
{
    FILE *out = std::fopen(file.c_str(), "wb");
    if (!out)
        return false;
    std::fputs(text.c_str(), out);
    std::fclose(out);
    return true;
}

std::atomic<long> lastNote{Halvorin::kNoteNothing};
FILE *notifyLog = nullptr;
// Notifications to take before the program stops in one (-1: all).
long notifyAnswered = -1;
std::string silentFile;

void notified(ULONG_PTR, long note, long position, float tempo, long bend, long mod)
{
    if (notifyAnswered >= 0 && notifyAnswered-- == 0) {
        writeText(silentFile, "silent");
        Sleep(INFINITE);
    }
    if (note != Halvorin::kNoteNothing)
        lastNote = note;
    if (notifyLog) {
        std::fprintf(notifyLog, "%ld %ld %g %ld %ld\n", note, position, tempo, bend, mod);
        std::fflush(notifyLog);
    }
}

int serve(const std::string &line, HANDLE parent)
{
    const int channel = std::atoi(argument(line, "-halvorin:channel:").c_str()) - 1;
    std::string name = argument(line, "-name:");
    if (name.empty())
        name = Halvorin::kProgramName;
    else
        std::replace(name.begin(), name.end(), '_', ' ');
    const std::string log = argument(line, "-log:");
    if (!log.empty())
        notifyLog = std::fopen(log.c_str(), "wb");
    silentFile = argument(line, "-silent:");
    const std::string hang = argument(line, "-hang:");
    const int hangAfter = hang.empty() ? -1 : std::atoi(hang.substr(hang.find(':') + 1).c_str());
    if (hang.rfind("notify:", 0) == 0)
        notifyAnswered = hangAfter;
    // What the program's launcher waits on for the bridge to let it go.
    HANDLE letGo = CreateEventA(nullptr, TRUE, FALSE, (name + "_DCNT").c_str());
    HMODULE module = loadProvider();
    auto getInterface = entry<Quorvane::GetASPInterfaceProc>(module, "GetASPInterface");
    if (!letGo || !getInterface)
        return 3;
    Quorvane::IAudioStreamProvider *provider = getInterface();
    EngineDriver driver(channel, 256);
    if (hang.rfind("request:", 0) == 0) {
        driver.answered = hangAfter;
        driver.fellSilent = [] { writeText(silentFile, "silent"); };
    }
    long frameCount = 0;
    driver.filler = [&frameCount](float *buffer, int frames, int) {
        for (int f = 0; f < frames; ++f, ++frameCount) {
            buffer[2 * f] = static_cast<float>(frameCount);
            buffer[2 * f + 1] = static_cast<float>(lastNote.load());
        }
    };
    if (!provider->Open(&driver.block, name.c_str())) {
        provider->Release();
        return 4;
    }
    provider->SetCallback(notified, 0);
    driver.Serve(provider);
    provider->Start();
    if (const std::string pid = argument(line, "-pid:"); !pid.empty())
        writeText(pid, std::to_string(GetCurrentProcessId()));
    // Without its test it ends as a killed program does: a thread of it may
    // hang on purpose.
    if (!WaitUnlessOrphaned(letGo, parent))
        ExitProcess(5);
    driver.Stop();
    provider->Release();
    if (notifyLog)
        std::fclose(notifyLog);
    CloseHandle(letGo);
    return 0;
}

// Renders 64-frame blocks on the first free channel until it is ended.
int host(const std::string &file, HANDLE parent)
{
    HMODULE module = loadProvider();
    auto request = entry<Halvorin::RequestProc>(module, "ASPHalvorinRequest");
    const int channel = request ? request(-1, Halvorin::kOpClaim, nullptr) : -1;
    if (channel < 0)
        return 3;
    float left[64], right[64];
    Halvorin::BridgeRenderBlock block = {};
    block.sampleRate = 44100;
    block.tempo = 100.0f;
    block.noteCode = Halvorin::kNoteNone;
    block.mode = Halvorin::kModeReplace;
    bool told = false;
    while (!parent || WaitForSingleObject(parent, 0) == WAIT_TIMEOUT) {
        block.frames = 64;
        block.bufferA = left;
        block.bufferB = right;
        request(channel, Halvorin::kOpRender, &block);
        if (!told && right[0] != 0.0f)
            told = writeText(file, std::to_string(channel));
        if (!told)
            Sleep(1);
    }
    return 5;
}

} // namespace

int main()
{
    const std::string line = GetCommandLineA();
    const std::string machine = argument(line, "-machine:");
    if (!machine.empty() && !testing_support::mapPredefinedKey(HKEY_LOCAL_MACHINE, machine))
        return 6;
    if (const std::string file = argument(line, "-record:"); !file.empty())
        return record(file);
    if (const std::string what = argument(line, "-query:"); !what.empty())
        return query(what);
    if (line.find("-serve") != std::string::npos)
        return serve(line, OpenParentProcess());
    if (const std::string file = argument(line, "-host:"); !file.empty())
        return host(file, OpenParentProcess());
    return 1;
}
