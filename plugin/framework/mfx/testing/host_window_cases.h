// The host-window rule as one table of cases: what a host does (starts,
// loops, stops and processing windows) and the closed tick ranges that must
// be processed. The rule itself, the plug-in base and the drummers are each
// checked against it.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace mfx_testing {

struct HostStep {
    enum Kind { Start, Window, Stop };
    Kind kind;
    int32_t from; // the start time of Start, the window's from
    int32_t thru;
};

using TickRange = std::pair<int32_t, int32_t>;

struct HostWindowCase {
    const char *name;
    std::vector<HostStep> steps;
    std::vector<TickRange> processed;
};

const std::vector<HostWindowCase> &hostWindowCases();

} // namespace mfx_testing
