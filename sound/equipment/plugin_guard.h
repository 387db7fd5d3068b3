// Running code of a plug-in that may crash or throw: an exception the code
// does not handle itself ends the run and comes back here, so the program
// goes on.
#pragma once

namespace Quorvane {

enum class GuardedRun {
    Returned,
    // A C++ exception left the code; its frames were unwound, so the
    // plug-in's library can still be freed.
    Threw,
    // A fault or a foreign exception: the code stopped where it was, its
    // frames were abandoned, and its library must stay loaded.
    Crashed,
};

// Runs fn(arg). fn must hold nothing that needs cleaning up itself: after a
// crash its own frame is abandoned with the plug-in's.
GuardedRun RunGuarded(void (*fn)(void *), void *arg);

} // namespace Quorvane
