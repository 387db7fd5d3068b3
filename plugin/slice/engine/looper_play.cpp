// A slice's real-time walk: its loop replayed cycle after cycle, each event
// transformed as it goes out. Runs on the host's thread: no allocation, no
// disk, no other lock; the host is called only while the slice's lock is
// let go.
#include "plugin/framework/drums/swing.h"
#include "plugin/framework/midi/tick_math.h"
#include "plugin/slice/engine/looper.h"

#include <algorithm>
#include <array>

namespace Quorvane::LoopSlice {

namespace {

constexpr int32_t kOffsetResolution = 480;
// Events handed to the host per taking of the lock.
constexpr size_t kEmitBatch = 64;
// The length of a loop without events, in host ticks, before it is moved up
// to a measure line.
constexpr int64_t kEmptyLoopTicks = 100;

int64_t floorDiv(int64_t value, int64_t by)
{
    const int64_t q = value / by;
    return (value % by != 0 && (value < 0) != (by < 0)) ? q - 1 : q;
}

// Swing counted from the cycle start, with whole cell pairs below 0 too.
int64_t swungFromCycle(int64_t relative, int64_t cell, int64_t amount)
{
    const int64_t pair = 2 * cell;
    const int64_t base = floorDiv(relative, pair) * pair;
    return base + swingTime(relative - base, cell, amount);
}

bool playsKind(int32_t kind)
{
    return kind != CMidiTrack::Event::Controller && kind != CMidiTrack::Event::ProgramChange &&
           kind != CMidiTrack::Event::PitchBend;
}

} // namespace

// The swing cell: the track's quarter divided by 2 to the index (an index
// of 0 divides by 4), in host ticks.
static void setSwingCell(Looper::Cursor &cursor, int32_t swingIndex)
{
    cursor.swingIndex = swingIndex;
    const int shift = swingIndex <= 0 ? 2 : std::min(swingIndex, 16);
    cursor.swingCell =
        std::max<int64_t>(1, convertTicks(cursor.trackRate >> shift, cursor.trackRate, cursor.hostRate));
}

void Looper::syncScale(Cursor &cursor, const SliceContent &content, int32_t hostRate,
                       int64_t loopLength) const
{
    cursor.content = &content;
    cursor.hostRate = hostRate;
    cursor.trackRate = usableResolution(content.track->getResolution());
    cursor.timeOffset = content.timeOffset;
    cursor.offsetTicks = convertTicks(content.timeOffset, kOffsetResolution, cursor.hostRate);
    cursor.loopLength = loopLength;
    setSwingCell(cursor, host_.swingDurationIndex());
}

Looper::Cursor Looper::scaleOf(const SliceContent &content, ProcessContext &context) const
{
    Cursor scale;
    syncScale(scale, content, usableResolution(context.getResolution()),
              loopLengthOf(content.track->getLastEnd(), content.track->getResolution(), context));
    return scale;
}

bool Looper::playPosition(int64_t &position, int64_t &length) const
{
    CriticalSectionGuard guard(lock_);
    if (!cursor_.synced || cursor_.content != content_.get())
        return false;
    length = cursor_.loopLength;
    const int64_t into = cursor_.lastEnd - cursor_.offsetTicks - cursor_.cycleStart;
    position = (into % length + length) % length;
    return true;
}

int64_t Looper::loopLengthOf(int32_t lastEnd, int32_t trackRate, ProcessContext &context)
{
    const int32_t hostRate = usableResolution(context.getResolution());
    const int64_t length = lastEnd > 0 ? convertTicks(lastEnd, trackRate, hostRate) : kEmptyLoopTicks;
    const int64_t rounded = context.roundUpToBeat(clampToInt32(length), 1);
    return std::max<int64_t>(1, rounded);
}

int64_t Looper::loopLength(ProcessContext &context) const
{
    int32_t lastEnd = 0;
    int32_t trackRate = 0;
    {
        CriticalSectionGuard guard(lock_);
        lastEnd = content_->track->getLastEnd();
        trackRate = content_->track->getResolution();
    }
    return loopLengthOf(lastEnd, trackRate, context);
}

int32_t Looper::nextCycleStart(int32_t time, ProcessContext &context) const
{
    const int64_t after = static_cast<int64_t>(time) + loopLength(context);
    return context.roundUpToBeat(clampToInt32(after), 1);
}

int64_t Looper::playTime(const CMidiTrack::Event &event, const Cursor &scale, int64_t cycleStart, bool timing,
                         int64_t *duration) const
{
    int64_t t = convertTicks(event.time, scale.trackRate, scale.hostRate);
    const int64_t cell = scale.swingCell;
    if (host_.quantizeOn()) {
        const int64_t shifted = t + cell / 4;
        t = shifted - (shifted % cell + cell) % cell;
    }
    int64_t length = event.kind == CMidiTrack::Event::Note
                         ? convertTicks(event.duration, scale.trackRate, scale.hostRate)
                         : 0;
    if (timing) {
        t += scale.offsetTicks;
        if (event.kind == CMidiTrack::Event::Note) {
            const int64_t amount = swingAmount(host_.swingPercent(), cell);
            const int64_t start = swungFromCycle(t, cell, amount);
            length = swungFromCycle(t + length, cell, amount) - start;
            t = start;
        }
    }
    if (duration)
        *duration = length;
    return cycleStart + t;
}

CMidiTrack::Event Looper::transformed(const CMidiTrack::Event &event, const SliceContent &content,
                                      const Cursor &scale, int64_t cycleStart, unsigned exclude,
                                      HumanizeRandom *random) const
{
    CMidiTrack::Event out = event;
    int64_t duration = 0;
    out.time = clampToInt32(playTime(event, scale, cycleStart, !(exclude & ExcludeTiming), &duration));
    if (event.kind != CMidiTrack::Event::Note)
        return out;
    out.duration = clampToInt32(duration);
    int32_t velocity = std::clamp<int32_t>(event.data2 + content.velocityOffset, 1, 127);
    velocity = velocityTable_.apply(velocity);
    if (!(exclude & ExcludeHumanize) && random)
        velocity = std::clamp<int32_t>(velocity + random->spread(host_.humanizeRange()), 1, 127);
    out.data2 = static_cast<uint8_t>(velocity);
    if (!(exclude & ExcludeMapping)) {
        int note = host_.drumMap().getNote(event.data1);
        note = content.fixedNoteOn ? content.fixedNote : content.drumMap.getNote(note);
        out.data1 = static_cast<uint8_t>(std::clamp(note + content.keyOffset, 0, 127));
    }
    return out;
}

void Looper::play(int32_t from, int32_t thru, ProcessContext &context)
{
    play(cursor_, from, thru, context, humanize_);
}

void Looper::play(Cursor &cursor, int32_t from, int32_t thru, ProcessContext &context, HumanizeRandom &random)
{
    if (from > thru)
        return;
    const int32_t hostRate = usableResolution(context.getResolution());
    // What a resync needs of the host's meter map is read before the walk
    // takes the lock; should the content change meanwhile, it is read anew.
    uint64_t version = 0;
    bool resync = false;
    int64_t length = 0;
    for (int attempt = 0;; ++attempt) {
        int32_t lastEnd = 0;
        int32_t trackRate = 0;
        {
            CriticalSectionGuard guard(lock_);
            const SliceContent &content = *content_;
            version = contentVersion_;
            resync = !cursor.synced || cursor.content != &content || from != cursor.lastEnd + 1 ||
                     cursor.timeOffset != content.timeOffset || cursor.hostRate != hostRate ||
                     cursor.trackRate != usableResolution(content.track->getResolution());
            lastEnd = content.track->getLastEnd();
            trackRate = content.track->getResolution();
        }
        if (resync)
            length = loopLengthOf(lastEnd, trackRate, context);
        CriticalSectionGuard guard(lock_);
        if (contentVersion_ == version)
            break;
        if (attempt == 2) {
            // Contents keep coming: this range rests, the next resyncs.
            cursor.synced = false;
            return;
        }
    }

    // The events go out after the lock is let go, a batch at a time.
    std::array<CMidiTrack::Event, kEmitBatch> batch;
    bool first = true;
    for (;;) {
        size_t count = 0;
        bool done = false;
        {
            CriticalSectionGuard guard(lock_);
            if (contentVersion_ != version) {
                // Another content came between two batches: it plays from
                // the next range on.
                cursor.synced = false;
                return;
            }
            const SliceContent &content = *content_;
            const CMidiTrack::EventList &events = content.events();
            if (first) {
                first = false;
                // A soloed slice plays even when muted; while one is, the
                // others rest. An auditioned slice plays though muted.
                if (solo_ ? false : (content.mute && !audition_) || host_.soloActive())
                    return;
                if (events.empty())
                    return;
                if (resync) {
                    syncScale(cursor, content, hostRate, length);
                    cursor.current = events.begin();
                    cursor.cycleStart =
                        floorDiv(int64_t(from) - cursor.offsetTicks, cursor.loopLength) * cursor.loopLength;
                    cursor.synced = true;
                } else if (host_.swingDurationIndex() != cursor.swingIndex) {
                    setSwingCell(cursor, host_.swingDurationIndex());
                }
            }
            while (count < batch.size()) {
                if (cursor.current == events.end()) {
                    cursor.current = events.begin();
                    cursor.cycleStart += cursor.loopLength;
                }
                const CMidiTrack::Event &event = *cursor.current;
                const int64_t at = playTime(event, cursor, cursor.cycleStart, true, nullptr);
                if (at > thru) {
                    done = true;
                    break;
                }
                if (at >= from && playsKind(event.kind))
                    batch[count++] = transformed(event, content, cursor, cursor.cycleStart, 0, &random);
                ++cursor.current;
            }
            if (done)
                cursor.lastEnd = thru;
        }
        for (size_t i = 0; i < count; ++i)
            context.emitEvent(batch[i]);
        if (done)
            return;
    }
}

} // namespace Quorvane::LoopSlice
