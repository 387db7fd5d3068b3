// The name the program shows, opens the sound engine with and gives the
// bridge's launch library.
#pragma once

namespace Quorvane {

constexpr const char kProgramTitle[] = "Rallimoth Omvel";

} // namespace Quorvane
