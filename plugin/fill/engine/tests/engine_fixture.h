// Shared pieces of the engine tests: the fake MFX host, an engine that
// records what it reports, a view that records what it is told, and a
// private registry key and data folder.
#pragma once

#include "plugin/fill/engine/grindelvosket.h"
#include "plugin/fill/engine/tests/window_marker.h"
#include "plugin/framework/mfx/testing/mfx_test_host.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace engine_test {

// The shared fake host: event queues and a song of 4/4 measures at a fixed
// resolution and tempo, optionally switching meter from one measure on.
using FakeQueue = mfx_testing::EventQueue;
using FakeHostMaps = mfx_testing::HostContext;

// An engine that records its reports, and how many it made while it held
// its own lock or a looper's.
class TestEngine : public Quorvane::Grindelvosket {
public:
    std::vector<std::string> labels;
    std::vector<int> params;
    int reportsUnderLock = 0;

    void somethingChanged(const char *label) override
    {
        labels.push_back(label);
        reportsUnderLock += holdsEngineLocks() ? 1 : 0;
    }
    void parameterChanged(int id) override
    {
        params.push_back(id);
        reportsUnderLock += holdsEngineLocks() ? 1 : 0;
    }
    bool saidChanged(const std::string &label) const
    {
        for (const std::string &l : labels)
            if (l == label)
                return true;
        return false;
    }
};

class RecordingView : public Quorvane::EngineView {
public:
    int changes = 0;
    std::vector<int> pads;
    std::vector<std::string> statuses;
    HWND window = nullptr;

    void engineChanged() override { ++changes; }
    void padSelected(int pad) override { pads.push_back(pad); }
    void showStatus(const std::string &text) override { statuses.push_back(text); }
    HWND viewWindow() const override { return window; }
    void closeView() override { ++closes; }
    int closes = 0;
};

// A private registry root for the module's settings and a private data
// folder with an empty Fills library.
class EngineSandbox {
public:
    EngineSandbox();
    ~EngineSandbox();

    std::string fillsFolder() const { return folder_.path() + "\\Fills"; }
    const std::string &dataFolder() const { return folder_.path(); }
    const testing_support::RegistrySandbox &registry() const { return registry_; }
    // The registry path the engine's streams use, below HKCU\Software.
    std::string registryPath() const { return registry_.underSoftware() + "\\3"; }

private:
    testing_support::RegistrySandbox registry_;
    testing_support::TempFolder folder_;
};

struct Hit {
    int32_t time;
    uint8_t note;
    uint8_t velocity;
};

// Writes a drum pattern (480 ticks per quarter, channel 10, 60-tick notes)
// into the library: folder relative to the Fills folder, may be empty.
void writePattern(const EngineSandbox &sandbox, const std::string &folder, const std::string &file,
                  const std::vector<Hit> &hits, int32_t resolution = 480);

// Collects what the engine emits for one processing call.
std::vector<MfxEvent> processOnce(Quorvane::Grindelvosket &engine, int32_t from, int32_t thru,
                                  const std::vector<MfxEvent> &input = {});

// A drum note, on channel 10 unless said otherwise.
inline MfxEvent noteEvent(int32_t time, uint8_t note, uint8_t velocity, uint8_t channel = 9)
{
    return mfx_testing::noteEvent(time, note, velocity, channel);
}
using mfx_testing::controllerEvent;

} // namespace engine_test
