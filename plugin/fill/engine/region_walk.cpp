// The engine's share of one host processing window: where a time lies
// around the fill bar, which input passes there, and the walk that plays the
// loopers in the fill zone and switches pads on trigger notes. Runs on the
// host's real-time thread: no allocation, no disk, no engine lock except
// around a pad switch.
#include "plugin/fill/engine/fill_units.h"
#include "plugin/fill/engine/grindelvosket.h"

namespace Quorvane {

int32_t Grindelvosket::regionOf(int32_t time, int32_t &end) const
{
    const int64_t start = fillStart_;
    const int64_t rel = static_cast<int64_t>(time) - start;
    if (rel < 0) {
        end = clampToInt32(start - 1);
        return kOutside;
    }
    const int64_t length = fillUnitsToTicks64(fill_.fillLength, resolution_);
    const int64_t in = fillUnitsToTicks64(fill_.punchIn, resolution_);
    const int64_t out = fillUnitsToTicks64(fill_.punchOut, resolution_);
    // Zones never reach past the fill bar: a punch point beyond its end
    // must not make the loopers play outside it.
    const int64_t inEnd = in < length ? in : length;
    if (rel < inEnd) {
        end = clampToInt32(start + inEnd - 1);
        return kPreZone;
    }
    if (rel >= length)
        return kOutside;
    if (rel < out) {
        end = clampToInt32(start + (out < length ? out : length) - 1);
        return currentPad_ + 1;
    }
    end = clampToInt32(start + length - 1);
    return kAfterZone;
}

int Grindelvosket::region(int32_t time)
{
    int32_t end = time;
    return regionOf(time, end);
}

bool Grindelvosket::passesInput(int32_t region, const MfxEvent &event) const
{
    if (mixerMode_ == 1)
        return false;
    if (region == kOutside)
        return true;
    if (region == kPreZone)
        return fill_.preZone != 0;
    if (region == kAfterZone)
        return fill_.afterZone != 0;
    return fill_.maskMode != 0 && event.kind == MfxNote && event.note < 128 &&
           fill_.inputMask[event.note] == 1;
}

void Grindelvosket::playRange(int32_t from, int32_t thru)
{
    if (mixerMode_ == 2 || from > thru)
        return;
    for (Looper *looper : loopers_)
        looper->play(from, thru, *this);
}

void Grindelvosket::emitEvent(const CMidiTrack::Event &event)
{
    if (!output_)
        return;
    const MfxEvent out = toOutputEvent(event, outputPort_, outputChannel_, outputDynamics_);
    output_->Add(&out);
    ++emitted_;
}

void Grindelvosket::placeFill()
{
    fillStart_ = meterMap_ ? meterMap_->MeasureBeatTickToTicks(fillMeasure_, 1, 0)
                           : plainMeasureStart(fillMeasure_, resolution_);
}

void Grindelvosket::setupTimeBase(IMfxEventQueue *output)
{
    output_ = output;
    emitted_ = 0;
    if (tempoMap_)
        setResolution(usableResolution(tempoMap_->GetTicksPerQuarter()));
    else
        setResolution(usableResolution(resolution_));
    placeFill();
}

void Grindelvosket::processRange(int32_t from, int32_t thru, IMfxEventQueue *input, IMfxEventQueue *output)
{
    lastProcessStart_ = from;
    setupTimeBase(output);

    LONG count = 0;
    if (!input || FAILED(input->GetCount(&count)) || count < 0)
        count = 0;
    LONG i = 0;
    int64_t t = from;
    while (t <= thru) {
        int32_t end = thru;
        const int32_t region = regionOf(static_cast<int32_t>(t), end);
        if (end > thru)
            end = thru;
        const bool inFill = region > 0;
        bool switched = false;
        while (i < count) {
            MfxEvent event;
            if (FAILED(input->GetAt(i, &event))) {
                ++i;
                continue;
            }
            if (event.time > end)
                break;
            ++i;
            if (isTriggerNote(event)) {
                // A trigger earlier than the position never moves it back:
                // nothing is played twice.
                if (event.time > t) {
                    if (inFill)
                        playRange(static_cast<int32_t>(t), event.time - 1);
                    t = event.time;
                }
                triggerPad(event.note, false);
                // The new pad may have other punch points: walk on from here.
                switched = true;
                break;
            }
            if (output && passesInput(region, event))
                output->Add(&event);
        }
        if (switched)
            continue;
        if (inFill && t <= end)
            playRange(static_cast<int32_t>(t), end);
        t = static_cast<int64_t>(end) + 1;
    }

    if (emitted_ == 0 && count == 0) {
        CMidiTrack::Event marker;
        marker.time = from;
        marker.kind = CMidiTrack::Event::KeyPressure;
        marker.data1 = 0;
        marker.data2 = 0;
        emitEvent(marker);
    }
    output_ = nullptr;
    emitted_ = 0;
}

} // namespace Quorvane
