// Parts of the tests' own: drummers that keep their states as plain
// strings and log what is done to them, twelve parts of them, and the
// window around them as the file commands see it.
#pragma once

#include "app/files/part_commands.h"

#include <array>
#include <string>

namespace rallimoth_test {

using Quorvane::kPartCount;
using Quorvane::PartStates;

struct FakeStates final : PartStates {
    std::array<bool, 3> active{true, true, true};
    std::array<std::string, 3> states{"S0", "F1", "F2"};
    bool refuseLoad = false;
    // A drummer that has no state to give.
    bool refuseSave = false;
    // A state that this drummer refuses, as a damaged one.
    std::string refuseState;
    std::string log;

    bool isActive(int e) override { return active[e]; }
    void setActive(int e, bool a) override
    {
        active[e] = a;
        log += "active" + std::to_string(e) + "=" + std::to_string(a) + " ";
    }
    bool saveState(int e, std::string &state) override
    {
        if (refuseSave)
            return false;
        state = states[e];
        return true;
    }
    bool loadState(int e, const std::string &state) override
    {
        log += "load" + std::to_string(e) + "=" + state + " ";
        if (refuseLoad || (!refuseState.empty() && state == refuseState))
            return false;
        states[e] = state;
        return true;
    }
};

// Twelve parts over any base that is a store of parts.
template <typename Base> struct FakeParts : Base {
    std::array<int32_t, kPartCount> lengths{};
    std::array<FakeStates, kPartCount> parts;
    float storedTempo = 100.0f;
    int tempoCalls = 0;

    FakeParts() { lengths.fill(2); }
    int32_t partLength(int part) override { return lengths[part]; }
    void setPartLength(int part, int32_t m) override { lengths[part] = m; }
    float tempo() override { return storedTempo; }
    void setTempo(float t) override
    {
        ++tempoCalls;
        storedTempo = t;
    }
    PartStates *states(int part) override { return &parts[part]; }
};

using FakeStore = FakeParts<Quorvane::PartStore>;

// The window as the file commands see it.
struct FakeHost final : FakeParts<Quorvane::PartFileHost> {
    HWND owner() override { return nullptr; }
    int currentPart() override { return current; }
    void stopPlayback() override { log += "stop "; }
    void partsLoaded() override { log += "loaded "; }
    void fileNamed(const std::string &path) override { log += "named:" + path + " "; }
    std::string fileFolder() override { return folder; }
    void setFileFolder(const std::string &f) override { folder = f; }

    int current = 0;
    std::string folder;
    std::string log;
};

} // namespace rallimoth_test
