// What the sound engine's tests share: a private HKEY_LOCAL_MACHINE for the
// whole test program (the engine finds its modules there), the probe
// modules, and a song with its sound manager.
#pragma once

#include "data/io_params.h"
#include "data/song.h"
#include "sound/song_tract.h"
#include "sound/sound_mngr.h"
#include "sound/tests/probe_modules.h"

#include <functional>
#include <memory>
#include <string>

namespace sound_test {

// The folder of the test program, with a trailing backslash.
std::string testsFolder();

// Registration in the program's private machine key.
void registerModule(const char *key, const char *name, const std::string &path);
void unregisterModule(const char *key, const char *name);
// Every value under the key goes.
void clearModules(const char *key);

// The probe modules' shared record (the library loaded for the program).
probe::PROBESTATE &probes();
// Asks for a buffer from the probe provider; false on a time-out.
bool probeRequest(int index, int32_t frames);
// Back to a quiet probe: no sound, every answer yes, no effect calls counted.
void resetProbes();

// The position of a registered stream provider by its product name; -1
// when none has it.
long providerIndex(const char *product);

// Parameters for tests: 44.1 kHz, 16 bits, 256 frames.
Quorvane::IOPARAMS testParams(long frames = 256, long rate = 44100, long format = 16);

// A sound manager (not started) and one song with its tract.
struct SongWithTract {
    explicit SongWithTract(const Quorvane::IOPARAMS &params = testParams());
    ~SongWithTract();
    Quorvane::CSongTract *tract() const;

    Quorvane::CSoundMngr *manager;
    std::unique_ptr<Quorvane::CSong> song;
};

// A descriptor naming a module by name (output kind 3, effect kind 0).
Quorvane::PORTDESCR byName(long kind, const char *module);

// Takes the thread's messages until done() or the bound (milliseconds):
// what a module queued for its user's thread is shown then.
void takeMessagesUntil(const std::function<bool()> &done, unsigned long bound = 10000);

} // namespace sound_test
