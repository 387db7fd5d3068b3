// The one rule of every help command of the program and the drummers: a
// help file that is not there is said so, by its path, with where to read
// instead, and no help viewer is started for it (the system's viewer would
// show an error box of its own and stay running).
#pragma once

#include <string>

namespace Quorvane {

// Empty when the file is there; otherwise what to tell the user.
std::string MissingHelpFileMessage(const std::string &file);

} // namespace Quorvane
