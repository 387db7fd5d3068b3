// A stand-in fill engine for the looper tests: it is the process context the
// loopers play into, collects what they emit and records what they ask of it.
#pragma once

#include "plugin/fill/looper/looper.h"
#include "plugin/fill/looper/looper_host.h"
#include "plugin/fill/looper/looper_view.h"
#include "plugin/framework/drums/drum_map.h"
#include "plugin/framework/drums/drum_set.h"

#include <string>
#include <vector>

namespace looper_test {

using Event = Quorvane::CMidiTrack::Event;

// Collects emitted events; reserve() first where nothing may allocate.
class Collector : public Quorvane::ProcessContext {
public:
    explicit Collector(int32_t resolution = 480) { setResolution(resolution); }
    void emitEvent(const Event &event) override { events.push_back(event); }
    int32_t toTime(int32_t bar, int32_t beat, int32_t tick) override
    {
        return ((bar - 1) * 4 + beat - 1) * resolution_ + tick;
    }
    int32_t toBarBeatTick(int32_t ticks, int32_t *bar, int32_t *beat, int32_t *tick) override
    {
        if (bar)
            *bar = ticks / (4 * resolution_) + 1;
        if (beat)
            *beat = ticks / resolution_ % 4 + 1;
        if (tick)
            *tick = ticks % resolution_;
        return ticks / (4 * resolution_) + 1;
    }
    std::vector<Event> events;
};

class FakeView : public Quorvane::LooperView {
public:
    void showMute(bool muted) override { calls.push_back(muted ? "mute on" : "mute off"); }
    void showNotesOff(bool notesOff) override
    {
        calls.push_back(notesOff ? "notes-off on" : "notes-off off");
    }
    void refreshParameter() override { calls.push_back("parameter"); }
    void refreshEvents() override { calls.push_back("events"); }
    void setShown(bool shown) override { calls.push_back(shown ? "shown" : "hidden"); }
    void locateTime(int32_t time, int32_t length, bool inZone) override
    {
        calls.push_back("locate " + std::to_string(time) + " " + std::to_string(length) +
                        (inZone ? " in" : " out"));
    }
    std::vector<std::string> calls;
};

// The engine: 480 ticks per quarter, fill at measure 2 (tick 1920), one bar.
class FakeHost : public Collector, public Quorvane::LooperHost {
public:
    FakeHost() : Collector(480) {}

    const Quorvane::ProcessContext *engineContext() const override { return this; }
    int32_t fillStart() const override { return fillStartTicks; }
    int32_t fillLength() const override { return fillUnits; }
    int32_t punchIn() const override { return punchInUnits; }
    int32_t punchOut() const override { return punchOutUnits; }
    int32_t swingPercent() const override { return swing; }
    int32_t swingGridIndex() const override { return swingGrid; }
    int32_t humanizeVelocity() const override { return humanize; }
    const DrumMap &drumMap() const override { return map; }
    int32_t velocityDynamics() const override { return dynamics; }
    int32_t velocityCentrePercent() const override { return centre; }
    int32_t minOutputVelocity() const override { return minVelocity; }
    int32_t maxOutputVelocity() const override { return maxVelocity; }
    int32_t displayMinVelocity() const override { return displayMin; }
    int region(int32_t time) override
    {
        return time >= fillStartTicks && time < fillStartTicks + fillUnits * resolution_ / 240 ? 1 : 0;
    }
    void somethingChanged(const char *label) override { calls.push_back(std::string("changed ") + label); }
    void wantPlaySolo(Quorvane::Looper &looper) override
    {
        calls.push_back("play solo " + std::to_string(looper.index()));
    }
    void wantNotesOffSolo(Quorvane::Looper &looper) override
    {
        calls.push_back("notes-off solo " + std::to_string(looper.index()));
    }
    void updateInputMask() override { calls.push_back("input mask"); }
    void refreshViews() override { calls.push_back("refresh views"); }
    void loadAndRearrange(bool notify) override
    {
        calls.push_back(notify ? "rearrange notify" : "rearrange");
    }
    void markSourceEdited() override { calls.push_back("source edited"); }
    void previewEvent(const Event &event) override { previews.push_back(event); }
    void showStatus(const std::string &text) override { statuses.push_back(text); }
    Quorvane::LooperView *createLooperView(Quorvane::Looper &, int) override
    {
        lastView = new FakeView;
        return lastView;
    }

    int32_t fillStartTicks = 1920;
    int32_t fillUnits = 960;
    int32_t punchInUnits = -1;
    int32_t punchOutUnits = 960;
    int32_t swing = 0;
    int32_t swingGrid = 2;
    int32_t humanize = 0;
    int32_t dynamics = 0;
    int32_t centre = 0;
    int32_t minVelocity = 1;
    int32_t maxVelocity = 127;
    int32_t displayMin = 20;
    DrumMap map;
    std::vector<std::string> calls;
    std::vector<Event> previews;
    std::vector<std::string> statuses;
    FakeView *lastView = nullptr;
};

inline Event note(int32_t time, int key, int velocity, int32_t duration = 30)
{
    Event e;
    e.time = time;
    e.kind = Event::Note;
    e.channel = 9;
    e.data1 = static_cast<uint8_t>(key);
    e.data2 = static_cast<uint8_t>(velocity);
    e.duration = duration;
    return e;
}

inline Event other(int32_t time, int32_t kind, int data1 = 0, int data2 = 0)
{
    Event e;
    e.time = time;
    e.kind = kind;
    e.channel = 9;
    e.data1 = static_cast<uint8_t>(data1);
    e.data2 = static_cast<uint8_t>(data2);
    return e;
}

inline Quorvane::CMidiTrack track(int32_t resolution, const std::vector<Event> &events)
{
    Quorvane::CMidiTrack t;
    t.setResolution(resolution);
    for (const Event &e : events)
        t.insertEvent(e);
    return t;
}

// A drum set giving every note to one instrument.
inline DrumSet allOn(int instrument)
{
    DrumSet set;
    for (int n = 0; n < 128; ++n)
        set.setInstrument(n, instrument);
    return set;
}

// A looper that takes every note of the given events.
inline void load(Quorvane::Looper &looper, int32_t resolution, const std::vector<Event> &events)
{
    looper.setInstrumentNotes(allOn(looper.index()), looper.index());
    looper.distribute(track(resolution, events));
}

// Plays [from, thru] in blocks of the given size into ctx.
inline void playBlocks(Quorvane::Looper &looper, Quorvane::ProcessContext &ctx, int32_t from, int32_t thru,
                       int32_t block)
{
    for (int64_t t = from; t <= thru; t += block)
        looper.play(static_cast<int32_t>(t), static_cast<int32_t>(std::min<int64_t>(t + block - 1, thru)),
                    ctx);
}

} // namespace looper_test
