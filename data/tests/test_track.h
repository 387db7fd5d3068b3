// A track of the tests' own kind, holding whatever events a test gives it.
#pragma once

#include "data/track.h"

#include <utility>
#include <vector>

struct TestTrack : Quorvane::CTrack {
    TestTrack(unsigned long id, long kind = Quorvane::TRACK_MIDI, Quorvane::CSong *song = nullptr)
        : CTrack(id, kind, song)
    {
    }
    // Appends an event at a time.
    TestTrack &add(Quorvane::EVENT e, int32_t time)
    {
        e.time = time;
        AddToTail(&e, 1);
        return *this;
    }
    TestTrack &note(int32_t time, long pitch, int32_t duration)
    {
        Quorvane::EVENT e;
        e.setNote(0, pitch, 100);
        e.value = duration;
        return add(e, time);
    }
    int ChangeSPS(long oldRate, long newRate) override
    {
        spsChanges.push_back({oldRate, newRate});
        return refuseSPS ? 0 : 1;
    }
    std::vector<std::pair<long, long>> spsChanges;
    bool refuseSPS = false;
};
