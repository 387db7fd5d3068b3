// What the engine tests share: a private registry root for the module's
// settings, a private data folder holding the starter loop library, and an
// engine that records what it reports and plays.
#pragma once

#include "plugin/slice/engine/vostrapellin.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace slice_test {

class EngineSandbox {
public:
    // With starter, the starter library is written into Patterns.
    explicit EngineSandbox(bool starter = true);
    ~EngineSandbox();

    std::string patternsFolder() const { return folder_.path() + "\\Patterns"; }
    const std::string &dataFolder() const { return folder_.path(); }
    // The registry path the engine's streams use, below HKCU\Software.
    std::string registryPath() const { return registry_.underSoftware() + "\\3"; }
    // Sets a profile integer of the module (section, name).
    void setProfile(const char *section, const char *name, DWORD value) const;

private:
    testing_support::RegistrySandbox registry_;
    testing_support::TempFolder folder_;
};

// An engine that records its reports and the events it plays.
class TestEngine : public Quorvane::LoopSlice::Vostrapellin {
public:
    TestEngine() { played.reserve(1 << 16); }

    void emitEvent(const Quorvane::CMidiTrack::Event &event) override
    {
        if (played.size() < played.capacity())
            played.push_back(event);
    }
    void somethingChanged(const char *label) override
    {
        if (recordLabels)
            labels.push_back(label);
    }
    bool said(const std::string &label) const;

    std::vector<Quorvane::CMidiTrack::Event> played;
    std::vector<std::string> labels;
    bool recordLabels = true;
};

// An editor panel that records what it is told.
class RecordingView : public Quorvane::LoopSlice::EngineView {
public:
    void engineChanged() override { ++changes; }
    void padSelected(int pad) override { pads.push_back(pad); }
    void showStatus(const std::string &text) override { statuses.push_back(text); }
    bool mayChangePatterns() override
    {
        ++asked;
        if (onAsk)
            onAsk();
        return agree;
    }
    HWND viewWindow() const override { return window; }

    int changes = 0;
    std::vector<int> pads;
    std::vector<std::string> statuses;
    bool agree = true;
    int asked = 0;
    std::function<void()> onAsk;
    HWND window = nullptr;
};

// The engine's state or loop as bytes.
std::string stateOf(Quorvane::LoopSlice::Vostrapellin &engine);
std::string loopOf(Quorvane::LoopSlice::Vostrapellin &engine);
bool loadStateBytes(Quorvane::LoopSlice::Vostrapellin &engine, const std::string &bytes);
bool loadLoopBytes(Quorvane::LoopSlice::Vostrapellin &engine, const std::string &bytes);

// The files of the six slices, slice 0 first.
std::vector<std::string> filesOf(const Quorvane::LoopSlice::Vostrapellin &engine);

} // namespace slice_test
