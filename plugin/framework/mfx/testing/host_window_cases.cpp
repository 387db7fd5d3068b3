#include "plugin/framework/mfx/testing/host_window_cases.h"

namespace mfx_testing {

namespace {

HostStep start(int32_t time)
{
    return {HostStep::Start, time, 0};
}

HostStep window(int32_t from, int32_t thru)
{
    return {HostStep::Window, from, thru};
}

const HostStep stop{HostStep::Stop, 0, 0};

// Fifty windows of one tick each, as a host with tiny blocks hands them out.
HostWindowCase fiftyOneTickWindows()
{
    HostWindowCase c{"fifty one-tick windows: every tick once, none twice", {start(0)}, {{0, 1}}};
    for (int32_t from = 0; from < 50; ++from)
        c.steps.push_back(window(from, from + 1));
    for (int32_t tick = 2; tick < 50; ++tick)
        c.processed.push_back({tick, tick});
    return c;
}

std::vector<HostWindowCase> makeCases()
{
    return {
        {"thru belongs to the next window",
         {start(0), window(0, 100), window(100, 200), window(200, 300), window(300, 301), window(301, 302),
          window(302, 310)},
         {{0, 100}, {101, 199}, {200, 299}, {300, 300}, {301, 301}, {302, 309}}},
        {"one-tick windows from the start",
         {start(0), window(0, 1), window(1, 2), window(2, 3), window(3, 4)},
         {{0, 1}, {2, 2}, {3, 3}}},
        fiftyOneTickWindows(),
        {"windows that meet at thru + 1",
         {start(0), window(0, 100), window(101, 200), window(201, 201), window(202, 202), window(203, 250)},
         {{0, 100}, {101, 200}, {201, 201}, {202, 202}, {203, 250}}},
        {"a window before the start begins at the start",
         {start(500), window(0, 100), window(400, 600), window(600, 700)},
         {{500, 600}, {601, 699}}},
        {"an empty window does not count as the last one",
         {start(0), window(0, 100), window(100, 100), window(100, 200)},
         {{0, 100}, {101, 199}}},
        {"a window that comes out empty is skipped, the next goes on",
         {start(0), window(0, 100), window(100, 200), window(200, 201), window(201, 202), window(202, 202),
          window(202, 210)},
         {{0, 100}, {101, 199}, {200, 200}, {201, 201}, {202, 209}}},
        // A host with [from, thru) windows of mixed sizes: the first window
        // still counts its thru (the host's kind is not known yet), so tick
        // 120 falls to it; from then on each tick exactly once.
        {"mixed window sizes",
         {start(0), window(0, 120), window(120, 121), window(121, 122), window(122, 129), window(129, 130),
          window(130, 370), window(370, 371), window(371, 404)},
         {{0, 120}, {121, 121}, {122, 128}, {129, 129}, {130, 369}, {370, 370}, {371, 403}}},
        {"a loop and a stop forget the last window",
         {start(0), window(0, 100), start(100), window(100, 200), stop, window(200, 250)},
         {{0, 100}, {100, 200}, {200, 250}}},
    };
}

} // namespace

const std::vector<HostWindowCase> &hostWindowCases()
{
    static const std::vector<HostWindowCase> cases = makeCases();
    return cases;
}

} // namespace mfx_testing
