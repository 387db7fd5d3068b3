// The program's start before its window opens: the bridge's launch check,
// the no-reload decision, the database's first-time set-up, and the sound
// engine started on the database's I/O parameters.
#pragma once

#include "app/sound_session.h"

#include <string>

namespace Quorvane {

class CHalvorinApp;
class ProgramDatabase;
class ProgramProfile;

struct StartupResult {
    // False: this process ends at once, without a window.
    bool run = false;
    // Start without restoring the saved state.
    bool noReload = false;
    // The style file named on the command line, empty when none.
    std::string stylePath;
};

struct StartupContext {
    CHalvorinApp &bridge;
    ProgramDatabase &database;
    SoundSession &session;
    const ProgramProfile &profile;
    SoundManagerSource soundManagerSource;
};

// commandTail is the command line without the program's name; shiftHeld
// whether Shift was down at start. Database and engine failures are
// reported and start-up runs on; only the launch check or a record that
// cannot be made end it.
StartupResult StartProgram(StartupContext &context, const std::string &commandTail, bool shiftHeld);

} // namespace Quorvane
