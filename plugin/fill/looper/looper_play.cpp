// The real-time path: play runs on the host's processing thread. It holds the
// looper's lock for the whole range and neither allocates nor blocks.
#include "plugin/fill/looper/looper.h"

#include "plugin/fill/looper/looper_internal.h"
#include "plugin/framework/drums/swing.h"
#include "plugin/framework/drums/velocity_envelope.h"

#include <algorithm>

namespace Quorvane {

using namespace looper_detail;

namespace {

// Controllers, program changes and pitch bends belong to the host track.
bool passesOutputFilter(int32_t kind)
{
    return kind == CMidiTrack::Event::Note || kind == CMidiTrack::Event::KeyPressure ||
           kind == CMidiTrack::Event::ChannelPressure || kind >= 6;
}

int32_t swingGridIndex(int32_t index)
{
    return std::clamp(index, 0, 4);
}

} // namespace

int64_t Looper::loopLength(int32_t resolution) const
{
    return int64_t(host_.fillLength()) * resolution / 240;
}

// The start of the loop pass that holds t; the remainder takes the sign of
// t - base, as C's does.
int64_t Looper::passStart(int64_t t, int64_t base, int64_t length) const
{
    return t - (t - base) % length;
}

void Looper::play(int32_t from, int32_t thru, ProcessContext &ctx)
{
    if (isMuted() || thru < from)
        return;
    ScopedLock lock(*this);
    const CMidiTrack::EventList &events = part_.pattern->events();
    if (events.empty())
        return;

    const int32_t contextResolution = usableResolution(ctx.getResolution());
    const int32_t patternResolution = part_.resolution();
    const int64_t offset = int64_t(part_.timeOffset) * contextResolution / 480;
    const int64_t length = loopLength(contextResolution);
    if (length < 1) {
        invalidatePosition();
        return;
    }
    const int64_t base = &ctx == host_.engineContext() ? int64_t(host_.fillStart()) : 0;

    const bool seek = !positionValid_ || from != nextStart_ || offset != offset_ ||
                      contextResolution != contextResolution_ ||
                      patternResolution != cachedPatternResolution_ || &ctx != context_ ||
                      length != loopLength_ || base != base_;
    const int32_t gridIndex = swingGridIndex(host_.swingGridIndex());
    if (seek) {
        contextResolution_ = contextResolution;
        cachedPatternResolution_ = patternResolution;
        offset_ = offset;
        context_ = &ctx;
        loopLength_ = length;
        base_ = base;
        // Seek by the time the events are played at, so a large time offset
        // never makes a call walk through many passes to reach from.
        passStart_ = passStart(int64_t(from) - offset, base, length);
        current_ = events.begin();
        positionValid_ = true;
    }
    if (seek || gridIndex != swingGrid_) {
        swingGrid_ = gridIndex;
        swingUnit_ = int64_t(patternResolution >> gridIndex) * contextResolution / patternResolution;
    }
    nextStart_ = int64_t(thru) + 1;

    const int64_t amount = swingAmount(host_.swingPercent(), swingUnit_);
    const int32_t humanize = std::clamp(host_.humanizeVelocity(), 0, 127);
    const DrumMap &engineMap = host_.drumMap();

    for (;;) {
        const CMidiTrack::Event &event = *current_;
        const int64_t at = int64_t(event.time) * contextResolution / patternResolution;
        const int64_t swung = swingTime(at, swingUnit_, amount);
        const int64_t time = passStart_ + swung + offset;
        if (time > thru)
            break;
        if (time >= from && passesOutputFilter(event.kind)) {
            CMidiTrack::Event out = event;
            out.time = clampTo32(time);
            if (event.kind == CMidiTrack::Event::Note) {
                if (event.duration >= 0) {
                    const int64_t end = at + int64_t(event.duration) * contextResolution / patternResolution;
                    out.duration = clampTo32(swingTime(end, swingUnit_, amount) - swung);
                }
                const int note = part_.fixedNoteOn ? part_.fixedNote
                                                   : part_.drumMap.getNote(engineMap.getNote(event.data1));
                out.data1 = static_cast<uint8_t>(std::clamp(note + part_.keyOffset, 0, 127));

                int32_t v =
                    part_.velocityMap.apply(clampVelocity(int64_t(event.data2) + part_.velocityOffset));
                if (humanize > 0)
                    v = clampVelocity(int64_t(v) + random_.spread(humanize));
                if (envelope_ != nullptr)
                    v = envelope_->apply(v, out.time, contextResolution);
                out.data2 = static_cast<uint8_t>(v);
            }
            ctx.emitEvent(out);
        }
        if (++current_ == events.end()) {
            current_ = events.begin();
            passStart_ += length;
        }
    }
}

int32_t Looper::displayTime(int32_t patternTime) const
{
    ScopedLock lock(*this);
    const int32_t resolution = part_.resolution();
    const int64_t unit = resolution >> swingGridIndex(host_.swingGridIndex());
    const int64_t swung = swingTime(patternTime, unit, swingAmount(host_.swingPercent(), unit));
    return clampTo32(swung + int64_t(part_.timeOffset) * resolution / 480);
}

int32_t Looper::displayVelocity(int32_t velocity) const
{
    ScopedLock lock(*this);
    return part_.velocityMap.apply(clampVelocity(int64_t(velocity) + part_.velocityOffset));
}

} // namespace Quorvane
