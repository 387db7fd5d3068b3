// The guard around plug-in code: what a plug-in does not handle itself comes
// back as Threw or Crashed, and the program goes on as before.
#include "sound/equipment/plugin_guard.h"

#include <windows.h>

#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <stdexcept>
#include <string>

namespace {

using Quorvane::GuardedRun;
using Quorvane::RunGuarded;

struct Probe {
    volatile int reached = 0;
};

void Returns(void *probe)
{
    static_cast<Probe *>(probe)->reached = 1;
}

void WritesNowhere(void *probe)
{
    static_cast<Probe *>(probe)->reached = 1;
    volatile int *nowhere = nullptr;
    *nowhere = 1;
    static_cast<Probe *>(probe)->reached = 2; // never
}

struct Counted {
    explicit Counted(volatile int *count) : count(count) {}
    ~Counted() { *count = *count + 1; }
    volatile int *count;
};

// Throws through a frame with something to clean up.
void ThrowsWithCleanup(void *probe)
{
    Counted counted(&static_cast<Probe *>(probe)->reached);
    throw std::runtime_error(std::string(100, 'x'));
}

// A foreign C++ exception, raised as another compiler's runtime raises it:
// not continuable.
void RaisesForeign(void *)
{
    const ULONG_PTR arguments[3] = {0x19930520, 0, 0};
    RaiseException(0xE06D7363, EXCEPTION_NONCONTINUABLE, 3, arguments);
}

// An exception the code handles itself never reaches the guard.
void HandlesItsOwn(void *probe)
{
    try {
        throw 5;
    } catch (int) {
        static_cast<Probe *>(probe)->reached = 5;
    }
}

// Changes the floating-point control, then faults.
void ChangesFloatModeAndFaults(void *probe)
{
    _MM_SET_FLUSH_ZERO_MODE(_MM_FLUSH_ZERO_ON);
    _MM_SET_ROUNDING_MODE(_MM_ROUND_TOWARD_ZERO);
    WritesNowhere(probe);
}

TEST(PluginGuard, EachWayOfEndingIsToldApart)
{
    struct Case {
        const char *name;
        void (*fn)(void *);
        GuardedRun result;
        int reached;
    };
    const Case cases[] = {
        {"returns", &Returns, GuardedRun::Returned, 1},
        {"handles its own", &HandlesItsOwn, GuardedRun::Returned, 5},
        {"access violation", &WritesNowhere, GuardedRun::Crashed, 1},
        {"foreign exception", &RaisesForeign, GuardedRun::Crashed, 0},
        {"C++ exception, unwound", &ThrowsWithCleanup, GuardedRun::Threw, 1},
    };
    // Twice over: a guard that caught something guards the next run as well.
    for (int round = 0; round < 2; ++round)
        for (const Case &c : cases) {
            Probe probe;
            EXPECT_EQ(RunGuarded(c.fn, &probe), c.result) << c.name;
            EXPECT_EQ(probe.reached, c.reached) << c.name;
        }
}

TEST(PluginGuard, TheCallerGoesOnWithItsOwnStateAfterACrash)
{
    const unsigned int mode = _mm_getcsr();
    // Values the compiler keeps in registers the callee must preserve.
    volatile double scale = 1.5;
    double sum = 0.0;
    std::string text = "kept";
    for (int i = 1; i <= 3; ++i) {
        Probe probe;
        EXPECT_EQ(RunGuarded(&ChangesFloatModeAndFaults, &probe), GuardedRun::Crashed);
        sum += i * scale;
    }
    EXPECT_EQ(sum, 9.0);
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(_mm_getcsr(), mode) << "the floating-point mode of before";
    // Exceptions still work on this thread.
    try {
        throw std::logic_error("after");
    } catch (const std::logic_error &e) {
        EXPECT_STREQ(e.what(), "after");
    }
}

} // namespace
