// A host for the tests: the shared fake MFX host (the context a plug-in
// connects to, event queues and an input callback). It counts the
// references it hands out, so tests see leaks.
#pragma once

#include "plugin/framework/mfx/testing/mfx_test_host.h"

namespace plugin_test {

using mfx_testing::Counted;
using TestQueue = mfx_testing::EventQueue;
using TestInputCallback = mfx_testing::InputCallback;
using TestHost = mfx_testing::HostContext;

// A short note as the plug-in tests play it.
MfxEvent note(int32_t time, uint8_t key, uint8_t velocity = 100);

} // namespace plugin_test
