// A program for the result's tests: it exports fixed bytes, or fails to,
// and logs what it is asked.
#pragma once

#include "app/files/result_transfer.h"
#include "data/storage.h"

#include <string>

namespace rallimoth_test {

struct FakeResultSource final : Quorvane::ResultSource {
    HWND owner() override { return nullptr; }
    void stopPlayback() override { log += "stop "; }
    bool midiChosen() override { return midi; }
    bool exportMidi(Quorvane::CStorage &storage) override
    {
        log += "midi ";
        return !failMidi && storage.PutBuffer("MThd-bytes", 10);
    }
    bool exportWave(Quorvane::CStorage &storage) override
    {
        log += "wave ";
        return !failWave && storage.PutBuffer("RIFF-bytes", 10);
    }
    bool saveCurrentPart(Quorvane::CStorage &storage) override
    {
        log += "part ";
        return storage.PutBuffer("part", 4);
    }
    void dragRendered() override { log += "dragged "; }

    bool midi = true;
    bool failMidi = false;
    bool failWave = false;
    std::string log;
};

} // namespace rallimoth_test
