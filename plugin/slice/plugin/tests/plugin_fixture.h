// What the in-process tests of the loop-slice plug-in share: the drummers'
// common fixture (private settings, warnings and message boxes that never
// wait) with a private data folder holding a small kit library whose every
// folder has one pattern.
#pragma once

#include "plugin/framework/mfx/testing/mfx_test_host.h"
#include "plugin/framework/plugin/tests/drummer_fixture.h"
#include "plugin/slice/plugin/vostrapellin_mfx.h"

#include <gtest/gtest.h>

#include <string>

namespace slice_plugin_test {

using Queue = mfx_testing::EventQueue;
using Host = mfx_testing::HostContext;

// The folder whose "Patterns" holds the kit library.
using drummer_testing::dataFolder;

// A drummer holding one reference, released at the end.
using Drummer = drummer_testing::DrummerRef<Quorvane::LoopSlice::VostrapellinMFX>;

class PluginTest : public drummer_testing::DrummerTest<Quorvane::LoopSlice::VostrapellinMFX> {
protected:
    Host host;
};

// Plays song time [from, thru] in host windows of size ticks (the last one
// shorter), with input events at their times; returns what came out.
std::vector<MfxEvent> playWindows(Quorvane::LoopSlice::VostrapellinMFX &drummer, int32_t from, int32_t thru,
                                  int32_t size, const std::vector<MfxEvent> &input = {});

} // namespace slice_plugin_test
