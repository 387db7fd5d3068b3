// A stand-in for the program that streams through the real sound engine:
// it starts the engine on the stream provider "Halvorin" for the channel
// of its "-halvorin:channel:<n>" switch, with a song that plays the
// metronome, and acts on the host's notifications as the program does in
// the least way: a note starts playback, a stop stops it. It lets go when
// asked through "Rallimoth Omvel_DCNT", and ends with its parent test
// program. With -machine:<key> it first maps HKEY_LOCAL_MACHINE to that key
// below HKEY_CURRENT_USER, where its parent test registered the modules.
#include "bridge/asp/halvorin_request.h"
#include "bridge/asp/tests/stand_in.h"
#include "data/io_params.h"
#include "data/song.h"
#include "sound/asp_registry.h"
#include "sound/sound_mngr.h"
#include "testing/sandbox.h"

#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>

using namespace Quorvane;

namespace {

std::string argument(const std::string &line, const std::string &name)
{
    const size_t at = line.find(name);
    if (at == std::string::npos)
        return {};
    const size_t from = at + name.size();
    return line.substr(from, line.find(' ', from) - from);
}

struct Program {
    IQuorvaneSoundMngr *manager = nullptr;
    std::unique_ptr<CSong> song;
};

void notified(ULONG_PTR user, long note, long, float, long, long)
{
    auto *program = reinterpret_cast<Program *>(user);
    if (note == Halvorin::kNoteTransportStopped) {
        program->manager->StopPlayback();
    } else if (note != Halvorin::kNoteNothing && (note & 0xFFFF) < 128) {
        if (!program->manager->IsPlayed())
            program->manager->StartPlayback(program->song->GetSongTract());
    }
}

} // namespace

int main()
{
    const std::string line = GetCommandLineA();
    const std::string machine = argument(line, "-machine:");
    if (!machine.empty() && !testing_support::mapPredefinedKey(HKEY_LOCAL_MACHINE, machine))
        return 6;
    HANDLE letGo = CreateEventA(nullptr, TRUE, FALSE, "Rallimoth Omvel_DCNT");
    IOPARAMS params;
    params.sampleRate = 44100;
    params.bitsPerSample = kAspFloat;
    params.bufferFrames = 256;
    params.aspPort = std::atoi(argument(line, "-halvorin:channel:").c_str()) - 1;
    char path[kAspPathSize];
    if (!letGo || !SndGetASPHalvorin(params.asp, path))
        return 3;
    Program program;
    program.manager = TindrelGetSoundMngrInterface(Halvorin::kProgramName);
    if (!program.manager || !program.manager->Init(&params) || !program.manager->EngineStart())
        return 4;
    program.song = std::make_unique<CSong>(&params, program.manager);
    if (!program.song->SetDefault())
        return 5;
    program.song->metronome = 1;
    program.song->songEnd = 64 * 3840;
    program.manager->SetNotify(notified, reinterpret_cast<ULONG_PTR>(&program));
    if (!halvorin_test::WaitUnlessOrphaned(letGo, halvorin_test::OpenParentProcess()))
        ExitProcess(7);
    program.manager->SetNotify(nullptr, 0);
    program.manager->EngineStop();
    program.song.reset();
    program.manager->Release();
    CloseHandle(letGo);
    return 0;
}
