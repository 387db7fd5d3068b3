// What the program reads from its command line: the no-reload switch and
// the style file to open.
#pragma once

#include <string>

namespace Quorvane {

// The command line without the program's own name (quoted or not) and the
// blanks after it.
std::string CommandTail(const char *fullCommandLine);

// The whole tail is exactly "-n", "/n", "-N" or "/N": start without the
// saved state. Anything more, even blanks, is not the switch.
bool IsNoReloadSwitch(const std::string &tail);

// The first argument that is no switch (switches begin with "-" or "/"),
// quotes removed; empty when there is none.
std::string StyleFileArgument(const std::string &tail);

} // namespace Quorvane
