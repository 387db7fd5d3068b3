// A MIDI effect's slots by number, as a module built apart from the song
// has them, and a call through a slot's number that does not go through the
// interface's declaration: the tests that use it pin the slot order.
#pragma once

#include "data/event.h"
#include "data/midi_effect.h"
#include "testing/slot_call.h"

#include <vector>

namespace effect_slots {

enum : int {
    kQueryInterface = 0,
    kAddRef = 1,
    kRelease = 2,
    kInit = 3,
    kSetOnline = 4,
    kSetPlayState = 6,
    kProcess = 7,
    kSaveState = 9,
    kLoadState = 10,
    kEditorSize = 11,
    kOpenEditor = 12,
    kCloseEditor = 13,
    kName = 15,
    kGuidOperation = 27,
};
// The slots no caller uses: each answers 0.
constexpr int kUnused[] = {5, 8, 14, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26};

// Calls slot number slot of the effect with args (the object first, as
// every slot takes it).
template <typename Result, typename... Args>
Result call(Quorvane::IQuorvaneMIDIEffect *effect, int slot, Args... args)
{
    return testing_support::callSlot<Result>(effect, slot, args...);
}

// Input queue over events in ticks from..to, and an output queue that
// keeps what it is given.
struct InQueue final : Quorvane::ITembriMEInQueue {
    long GetNumb() override { return static_cast<long>(events.size()); }
    Quorvane::EVENT *GetEvent(long index) override { return &events[static_cast<size_t>(index)]; }
    void GetTimeBounds(long &f, long &t) override
    {
        f = from;
        t = to;
    }
    std::vector<Quorvane::EVENT> events;
    long from = 0;
    long to = 0;
};

struct OutQueue final : Quorvane::ITembriMEOutQueue {
    int AddEvent(Quorvane::EVENT *added, long count) override
    {
        events.insert(events.end(), added, added + count);
        return 1;
    }
    std::vector<Quorvane::EVENT> events;
};

} // namespace effect_slots
