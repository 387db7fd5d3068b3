// Fills made aside and taken live: copies of the live fill, blank fills, the
// rebuild of a fill's parts from its source, and what is derived from the
// parts (fill length, input mask, automatic punch range, velocity maps).
#include "plugin/fill/engine/fill_module.h"
#include "plugin/fill/engine/fill_units.h"
#include "plugin/fill/engine/grindelvosket.h"
#include "plugin/fill/engine/instrument_groups.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace Quorvane {

FillSettings::FillSettings()
{
    for (int n = 0; n < 128; ++n) {
        remap[n] = static_cast<uint8_t>(n);
        inputMask[n] = 1;
    }
}

Grindelvosket::PartRefs Grindelvosket::liveParts() const
{
    PartRefs parts;
    for (int i = 0; i < kLooperCount; ++i)
        parts[i] = &loopers_[i]->part();
    return parts;
}

Grindelvosket::PartRefs Grindelvosket::partsOf(const Fill &fill)
{
    PartRefs parts;
    for (int i = 0; i < kLooperCount; ++i)
        parts[i] = &fill.parts[i];
    return parts;
}

Fill Grindelvosket::liveCopy() const
{
    EngineLockGuard guard(lock_);
    Fill copy;
    copy.settings = fill_;
    for (int i = 0; i < kLooperCount; ++i)
        copy.parts[i] = loopers_[i]->part();
    return copy;
}

std::unique_ptr<Fill> Grindelvosket::blankFill()
{
    auto blank = std::make_unique<Fill>();
    // A blank fill may become live on the host's thread and take the
    // folder name there: it must not have to grow.
    blank->settings.patternFolder.reserve(MAX_PATH);
    return blank;
}

void Grindelvosket::swapLive(Fill &fill)
{
    std::swap(fill_, fill.settings);
    for (int i = 0; i < kLooperCount; ++i)
        loopers_[i]->swapPart(fill.parts[i]);
    // Fills prepared before a change of the fill measure start at the
    // engine's measure.
    fill_.envelope.setStartBar(fillMeasure_);
}

void Grindelvosket::install(Fill &fill)
{
    EngineLockGuard guard(lock_);
    swapLive(fill);
    if (onWindowThread())
        loopersRedraw();
}

void Grindelvosket::remakeLive(const std::function<void(Fill &)> &change,
                               const std::function<void(Fill &)> &arranged)
{
    // Switches come with trigger notes, far apart next to an arrangement;
    // still, a host switching without end must not keep the change out for
    // ever: the last try holds the lock throughout.
    constexpr int kTriesAside = 64;
    for (int tries = 0;; ++tries) {
        std::optional<EngineLockGuard> throughout;
        if (tries == kTriesAside)
            throughout.emplace(lock_);
        uint32_t version = 0;
        Fill next;
        {
            EngineLockGuard guard(lock_);
            version = liveVersion_;
            next = liveCopy();
        }
        if (change)
            change(next);
        rearrange(next);
        if (arranged)
            arranged(next);
        EngineLockGuard guard(lock_);
        if (version == liveVersion_) {
            install(next);
            return;
        }
    }
}

void Grindelvosket::clearedCopy(Fill &blank)
{
    FillSettings &cleared = blank.settings;
    const FillSettings &live = fill_;
    // The pattern and its arrangement go; the rest of the fill stays.
    cleared.patternFolder = live.patternFolder;
    cleared.preZone = live.preZone;
    cleared.maskMode = live.maskMode;
    cleared.afterZone = live.afterZone;
    cleared.swingPc = live.swingPc;
    cleared.swingDurIdx = live.swingDurIdx;
    cleared.quantizeDur = live.quantizeDur;
    cleared.veloDyn = live.veloDyn;
    cleared.veloCenterPc = live.veloCenterPc;
    cleared.quantizeOn = live.quantizeOn;
    cleared.envelope = live.envelope;
    cleared.fillLength = live.fillLength;
    for (int i = 0; i < kLooperCount; ++i) {
        LooperPart &part = blank.parts[i];
        const LooperPart &from = loopers_[i]->part();
        part.mute = from.mute;
        part.notesOff = from.notesOff;
        part.exclude = from.exclude;
        part.velocityOffset = from.velocityOffset;
        part.dynamicsPercent = from.dynamicsPercent;
        part.timeOffset = from.timeOffset;
        part.keyOffset = from.keyOffset;
        part.drumMap = from.drumMap;
        part.fixedNoteOn = from.fixedNoteOn;
        part.fixedNote = from.fixedNote;
    }
    const PartRefs parts = partsOf(blank);
    if (keepPunch_) {
        cleared.punchIn = live.punchIn;
        cleared.punchOut = live.punchOut;
    } else {
        automaticPunchRange(parts, cleared.fillLength, cleared.punchIn, cleared.punchOut);
        cleared.punchIn = std::min(cleared.punchIn, cleared.punchOut);
    }
    computeInputMask(cleared, parts);
    rebuildVelocityMaps(blank);
}

// ---- Rebuilding a fill from its source

void Grindelvosket::rebuildSource(FillSettings &settings, const PartRefs &parts)
{
    settings.source.clear();
    for (const LooperPart *part : parts)
        for (const CMidiTrack::Event &event : part->pattern->events())
            settings.source.insertEvent(event);
    settings.source.refreshStatistics();
    settings.sourceModified = false;
    for (int n = 0; n < 128; ++n)
        settings.remap[n] = static_cast<uint8_t>(n);
}

bool Grindelvosket::ensureSource(FillSettings &settings, const PartRefs &parts)
{
    if (settings.trackLoaded) {
        if (settings.sourceModified)
            rebuildSource(settings, parts);
        return true;
    }
    // A fresh track: nothing of an earlier pattern (its resolution, its
    // tempo) may stay with this one.
    CMidiTrack read;
    if (!FillModule::readPattern(settings.patternFolder, settings.patternFile, read))
        return false;
    settings.source = std::move(read);
    settings.trackLoaded = true;
    return true;
}

void Grindelvosket::rearrange(Fill &fill)
{
    const PartRefs parts = partsOf(fill);
    if (ensureSource(fill.settings, parts)) {
        CMidiTrack copy(fill.settings.source);
        prepare(copy, false, fill.settings);
        fitToInstruments(copy, parts);
        for (int i = 0; i < kLooperCount; ++i)
            fill.parts[i].takeFrom(copy, loopers_[i]->instrumentNotes(), i == 0);
    }
    computeFillLength(fill.settings, parts);
    rebuildVelocityMaps(fill);
}

VelocityMapInputs Grindelvosket::velocityInputs(const FillSettings &settings) const
{
    return VelocityMapInputs{settings.veloDyn, settings.veloCenterPc, outputDynamics_.min(),
                             outputDynamics_.max()};
}

void Grindelvosket::rebuildVelocityMaps(Fill &fill) const
{
    const VelocityMapInputs inputs = velocityInputs(fill.settings);
    for (LooperPart &part : fill.parts)
        part.rebuildVelocityMap(inputs);
}

// ---- Derived from the parts

void Grindelvosket::computeFillLength(FillSettings &settings, const PartRefs &parts)
{
    int64_t longest = 0;
    for (const LooperPart *part : parts) {
        const int32_t length = part->length();
        if (length <= 0)
            continue;
        longest = std::max<int64_t>(longest,
                                    static_cast<int64_t>(length) * kFillUnitsPerQuarter / part->resolution());
    }
    longest = std::max<int64_t>(longest, kFillUnitsPerBar);
    const int64_t bars = (longest + kFillUnitsPerBar - 1) / kFillUnitsPerBar;
    settings.fillLength =
        clampToInt32(std::min<int64_t>(bars, INT32_MAX / kFillUnitsPerBar) * kFillUnitsPerBar);
    settings.envelope.setBars(settings.fillLength / kFillUnitsPerBar);
    settings.envelope.setStartBar(fillMeasure_);
    computeInputMask(settings, parts);
}

void Grindelvosket::computeInputMask(FillSettings &settings, const PartRefs &parts) const
{
    uint8_t mask[128];
    std::fill(std::begin(mask), std::end(mask), uint8_t{1});
    const auto clearWithGroup = [&mask](int note) {
        mask[note] = 0;
        const int g = InstrumentGroups::noteGroup(note);
        if (g == 0)
            return;
        const InstrumentGroups::Group &record = InstrumentGroups::group(g);
        for (int i = 0; i < record.noteCount; ++i)
            mask[record.notes[i]] = 0;
    };
    if (settings.maskMode != 3) {
        if (settings.maskMode == 1) {
            for (int note = 0; note < 128; ++note) {
                const int instrument = drumSet_.instrument(note);
                if (instrument > 0 && instrument < kLooperCount && !parts[instrument]->notesOff)
                    clearWithGroup(note);
            }
        } else if (settings.maskMode == 2) {
            for (int i = 1; i < kLooperCount; ++i) {
                if (parts[i]->mute)
                    continue;
                for (int note = 0; note < 128; ++note)
                    if (parts[i]->usesNote(note))
                        clearWithGroup(note);
            }
        }
        for (int note = 0; note < 128; ++note)
            if (parts[0]->usesNote(note))
                mask[note] = 0;
    }
    std::copy(std::begin(mask), std::end(mask), settings.inputMask);
}

void Grindelvosket::automaticPunchRange(const PartRefs &parts, int32_t fillLength, int32_t &in,
                                        int32_t &out) const
{
    // Note times of the parts in engine ticks.
    const int32_t resolution = usableResolution(resolution_);
    int64_t first = -1;
    int64_t last = -1;
    for (const LooperPart *part : parts) {
        const int32_t f = part->pattern->getFirstNoteTime();
        const int32_t l = part->pattern->getLastNoteTime();
        if (f >= 0) {
            const int64_t t = static_cast<int64_t>(f) * resolution / part->resolution();
            if (first < 0 || t < first)
                first = t;
        }
        if (l >= 0)
            last = std::max<int64_t>(last, static_cast<int64_t>(l) * resolution / part->resolution());
    }
    if (first < 0 || last < 0) {
        in = 0;
        out = 960;
        return;
    }
    in = std::max<int32_t>(ticksToFillUnits(clampToInt32(first), resolution_) - 30, 0);
    out = std::min<int32_t>(ticksToFillUnits(clampToInt32(last) + int64_t{1}, resolution_) + 60, fillLength);
}

} // namespace Quorvane
