// The writing back of options after a dialog or a toggle: each value that
// changed goes to its own key of the program's profile at once.
#pragma once

#include "app/program_options.h"

namespace Quorvane {

// Writes every option that differs between before and after; returns how
// many were written.
int WriteChangedOptions(const ProgramOptions &before, const ProgramOptions &after,
                        const ProgramProfile &profile);

} // namespace Quorvane
