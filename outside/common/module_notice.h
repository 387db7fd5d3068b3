// A notice for the user from a module that finds a problem while its caller
// holds locks (the engine calls modules under its tract's lock): the box is
// shown on the calling thread once that thread takes its messages again,
// through the project's message box, so nothing waits for the user under
// the caller's locks. A module that told something stays loaded from then
// on, as the window that shows it is its own.
#pragma once

#include <string>

namespace Quorvane {

// False when the notice could not be queued (no window can be made there).
bool TellUserLater(const std::string &caption, const std::string &text);

} // namespace Quorvane
