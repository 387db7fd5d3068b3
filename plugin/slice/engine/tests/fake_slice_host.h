// A slice's engine and process context for the slice tests: the engine-wide
// settings as plain fields, and a 4/4 context that records what is played.
#pragma once

#include "plugin/framework/drums/humanize_random.h"
#include "plugin/framework/midi/process_context.h"
#include "plugin/slice/engine/looper.h"
#include "plugin/slice/engine/slice_host.h"

#include <string>
#include <vector>

namespace slice_test {

class FakeSliceHost : public Quorvane::LoopSlice::SliceHost {
public:
    int32_t swingPercent() const override { return swing; }
    int32_t swingDurationIndex() const override { return swingIndex; }
    bool quantizeOn() const override { return quantize; }
    int32_t humanizeRange() const override { return humanize; }
    const DrumMap &drumMap() const override { return map; }
    VelocityMapInputs velocityInputs() const override { return inputs; }
    bool soloActive() const override { return solo; }
    const Quorvane::PatternTree *patternTree() const override { return tree; }
    Quorvane::HumanizeRandom &drawRandom() override { return random; }
    bool mayChangePatterns() override { return mayChange; }
    void composeSlice(Quorvane::LoopSlice::Looper &) override { ++composed; }
    bool violatesRules(const Quorvane::LoopSlice::Looper &) override { return false; }
    void somethingChanged(const char *label) override { labels.push_back(label); }
    void previewEvent(const Quorvane::CMidiTrack::Event &event) override { previews.push_back(event); }

    int32_t swing = 0;
    int32_t swingIndex = 0;
    bool quantize = false;
    int32_t humanize = 0;
    DrumMap map;
    VelocityMapInputs inputs{0, 0, 1, 127};
    const Quorvane::PatternTree *tree = nullptr;
    Quorvane::HumanizeRandom random{1};
    bool mayChange = true;
    bool solo = false;
    std::vector<Quorvane::CMidiTrack::Event> previews;
    int composed = 0;
    std::vector<std::string> labels;
};

// Plain 4/4 at its resolution; records every event.
class RecordingContext : public Quorvane::ProcessContext {
public:
    explicit RecordingContext(int32_t ticksPerQuarter) { resolution_ = ticksPerQuarter; }

    void emitEvent(const Quorvane::CMidiTrack::Event &event) override { events.push_back(event); }
    int32_t toTime(int32_t bar, int32_t beat, int32_t tick) override
    {
        return ((bar - 1) * 4 + beat - 1) * quarter() + tick;
    }
    int32_t toBarBeatTick(int32_t ticks, int32_t *bar, int32_t *beat, int32_t *tick) override
    {
        const int32_t quarters = ticks / quarter();
        if (bar)
            *bar = quarters / 4 + 1;
        if (beat)
            *beat = quarters % 4 + 1;
        if (tick)
            *tick = ticks % quarter();
        return quarters / 4 + 1;
    }

    std::vector<Quorvane::CMidiTrack::Event> events;

private:
    int32_t quarter() const { return resolution_ > 0 ? resolution_ : 480; }
};

inline Quorvane::CMidiTrack::Event note(int32_t time, uint8_t number, uint8_t velocity, int32_t duration = 60,
                                        int32_t kind = Quorvane::CMidiTrack::Event::Note)
{
    Quorvane::CMidiTrack::Event event;
    event.time = time;
    event.channel = 9;
    event.kind = kind;
    event.data1 = number;
    event.data2 = velocity;
    event.duration = kind == Quorvane::CMidiTrack::Event::Note ? duration : 0;
    return event;
}

// Gives the slice a pattern of these events at a resolution, with the
// changes the caller makes to its settings.
template <typename Change>
void givePattern(Quorvane::LoopSlice::Looper &looper, int32_t resolution,
                 const std::vector<Quorvane::CMidiTrack::Event> &events, Change change)
{
    auto track = std::make_shared<Quorvane::CMidiTrack>();
    track->setResolution(resolution);
    for (const auto &event : events)
        track->insertEvent(event);
    track->refreshStatistics();
    std::shared_ptr<Quorvane::LoopSlice::SliceContent> content = looper.editableContent();
    content->track = track;
    content->refreshDerived();
    change(*content);
    looper.install(std::move(content));
}

inline void givePattern(Quorvane::LoopSlice::Looper &looper, int32_t resolution,
                        const std::vector<Quorvane::CMidiTrack::Event> &events)
{
    givePattern(looper, resolution, events, [](Quorvane::LoopSlice::SliceContent &) {});
}

} // namespace slice_test
