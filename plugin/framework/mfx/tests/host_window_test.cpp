#include "plugin/framework/mfx/host_window.h"
#include "plugin/framework/mfx/testing/host_window_cases.h"

#include <gtest/gtest.h>

namespace {

using namespace Quorvane;
using namespace mfx_testing;

TEST(HostWindow, EveryCaseOfTheRule)
{
    for (const HostWindowCase &c : hostWindowCases()) {
        HostWindow window;
        std::vector<TickRange> processed;
        for (const HostStep &step : c.steps) {
            if (step.kind == HostStep::Start) {
                window.restart(step.from);
            } else if (step.kind == HostStep::Stop) {
                window.stop();
            } else {
                const HostWindow::Range range = window.next(step.from, step.thru);
                EXPECT_EQ(range.empty, range.from > range.thru) << c.name;
                if (!range.empty)
                    processed.push_back({range.from, range.thru});
            }
        }
        EXPECT_EQ(processed, c.processed) << c.name;
    }
}

TEST(HostWindow, ExtremeTimesNeitherOverflowNorProcess)
{
    HostWindow window;
    window.restart(0);
    window.next(0, INT32_MAX);
    const HostWindow::Range after = window.next(INT32_MAX, INT32_MAX);
    EXPECT_TRUE(after.empty);
    EXPECT_EQ(window.windowEnd(), INT32_MAX);
}

} // namespace
