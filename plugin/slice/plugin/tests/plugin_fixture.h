// What the in-process tests of the loop-slice plug-in share: COM and OLE on
// the test thread, the module's settings in a private registry key (emptied
// before every test), a private data folder holding a small kit library
// whose every folder has one pattern, and warnings and message boxes that
// never wait.
#pragma once

#include "plugin/framework/mfx/testing/mfx_test_host.h"
#include "plugin/slice/plugin/vostrapellin_mfx.h"

#include <gtest/gtest.h>

#include <string>

namespace slice_plugin_test {

using Queue = mfx_testing::EventQueue;
using Host = mfx_testing::HostContext;

// The folder whose "Patterns" holds the kit library.
const std::string &dataFolder();

// A drummer holding one reference, released at the end.
class Drummer {
public:
    Drummer();
    ~Drummer();
    Drummer(const Drummer &) = delete;
    Drummer &operator=(const Drummer &) = delete;

    Quorvane::LoopSlice::VostrapellinMFX *operator->() const { return object_; }
    Quorvane::LoopSlice::VostrapellinMFX *get() const { return object_; }
    IQN3Request *request() const { return object_; }
    IPersistStream *persist() const { return object_; }

private:
    Quorvane::LoopSlice::VostrapellinMFX *object_;
};

class PluginTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    Host host;
};

// Plays song time [from, thru] in host windows of size ticks (the last one
// shorter), with input events at their times; returns what came out.
std::vector<MfxEvent> playWindows(Quorvane::LoopSlice::VostrapellinMFX &drummer, int32_t from, int32_t thru,
                                  int32_t size, const std::vector<MfxEvent> &input = {});

} // namespace slice_plugin_test
