// What the provider's in-process tests share: the section set up as the
// library's loader does, message boxes that fail a test unless it expects
// them, and a program on a channel (a provider object with an engine
// driver and a notify recorder).
#pragma once

#include "bridge/asp/channel_client.h"
#include "bridge/asp/halvorin_provider.h"
#include "bridge/asp/tests/engine_driver.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace halvorin_test {

// A program attached to a channel: opened, started and served.
class Program {
public:
    // An engine that answers only its first answered requests when given,
    // and fills its buffers with filler when given.
    Program(int channel, int framesPerBuffer, const char *name = "Rallimoth Omvel", int answered = -1,
            std::function<void(float *, int, int)> filler = {});
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    bool Opened() const { return opened_; }
    // Stops the engine and releases the provider (what the destructor does).
    void Leave();

    Halvorin::CHalvorinProvider *provider;
    EngineDriver driver;
    NotifyRecorder notes;

private:
    bool opened_ = false;
};

// A message box that the test expects: its texts and type, and the answer.
struct ExpectedBox {
    std::string text;
    std::string caption;
    UINT type;
};

// Each test starts with no channel held, and with the host's waits long
// enough for a loaded machine: a test of what the protocol computes does
// not depend on the program answering within the shipped bound (a test of
// that bound sets it itself, ShippedWaitBound).
class ChannelTest : public ::testing::Test {
protected:
    void SetUp() override;
    // Every claim of this process let go; no channel left held.
    void TearDown() override;

    // The boxes shown since SetUp.
    std::vector<ExpectedBox> shownBoxes;
};

// The shipped bound of the host's waits while it lives.
class ShippedWaitBound {
public:
    ShippedWaitBound() : before_(Halvorin::SetWaitBound(Halvorin::kWaitBound)) {}
    ~ShippedWaitBound() { Halvorin::SetWaitBound(before_); }
    ShippedWaitBound(const ShippedWaitBound &) = delete;
    ShippedWaitBound &operator=(const ShippedWaitBound &) = delete;

private:
    Halvorin::WaitBound before_;
};

} // namespace halvorin_test
