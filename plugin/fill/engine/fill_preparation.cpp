// Before a fill is split over the loopers it is prepared on a copy of the
// source track: moved to its first bar, optionally quantized, given uniform
// durations, remapped, thinned where notes collide, and fitted onto the
// instruments the user enabled. The automatic transformation shuffles the
// instruments within related groups, and the compare toggle switches
// between the transformed and the untransformed arrangement.
#include "plugin/fill/engine/fill_units.h"
#include "plugin/fill/engine/grindelvosket.h"
#include "plugin/fill/engine/instrument_groups.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace Quorvane {

namespace {

using InstrumentGroups::collisionGroups;
using InstrumentGroups::group;
using InstrumentGroups::noteGroup;

int32_t perWhole(int32_t resolution, int32_t division)
{
    if (division <= 0)
        return 0;
    const int32_t value = 4 * resolution / division;
    return value > 0 ? value : 1;
}

// Position of group h in the preference list of group g, -1 when absent.
int preferencePosition(int g, int h)
{
    const InstrumentGroups::Group &record = group(g);
    for (int k = 0; k < record.preferenceCount; ++k)
        if (record.preferences[k].group == h)
            return k;
    return -1;
}

} // namespace

void Grindelvosket::LoadAndRearrange(bool notify)
{
    remakeLive();
    if (notify)
        somethingChanged("Grindelvosket::LoadAndRearrange");
    tellViews();
}

void Grindelvosket::prepare(CMidiTrack &copy, bool skipMono)
{
    EngineLockGuard guard(lock_);
    prepare(copy, skipMono, fill_);
}

void Grindelvosket::prepare(CMidiTrack &copy, bool skipMono, const FillSettings &settings) const
{
    const int32_t res = usableResolution(copy.getResolution());
    copy.moveToFirstPeriod(4 * res);
    if (settings.quantizeOn && settings.quantizeDur > 0)
        copy.quantizeAndTrim(perWhole(res, settings.quantizeDur), fillUnitsToTicks(settings.fillLength, res));
    if (durationsLength_ > 0)
        copy.setNoteDurations(perWhole(res, durationsLength_));
    copy.mapNotes(settings.remap);
    if (!skipMono) {
        const int32_t window = monoDivision_ > 0 ? perWhole(res, monoDivision_) : 0;
        if (settings.quantizeOn)
            copy.removeDoubledNotes(window);
        bool identity = true;
        for (int n = 0; n < 128 && identity; ++n)
            identity = settings.remap[n] == n;
        if (!identity)
            copy.removeGroupCollisions(window, collisionGroups(), false);
    }
    copy.refreshStatistics();
}

void Grindelvosket::fitToInstruments(CMidiTrack &copy)
{
    EngineLockGuard guard(lock_);
    fitToInstruments(copy, liveParts());
}

void Grindelvosket::fitToInstruments(CMidiTrack &copy, const PartRefs &parts) const
{
    copy.refreshStatistics();
    const int32_t window =
        monoDivision_ > 0 ? perWhole(usableResolution(copy.getResolution()), monoDivision_) : 0;

    bool isTarget[128] = {};
    std::vector<int> targets;
    for (int n = 0; n < 128; ++n) {
        const int instrument = drumSet_.instrument(n);
        if (drumSet_.noteFlag(n) && instrument > 0 && instrument < kLooperCount &&
            !parts[instrument]->notesOff) {
            isTarget[n] = true;
            targets.push_back(n);
        }
    }
    if (targets.empty())
        return;

    bool isSource[128] = {};
    bool anySource = false;
    for (int n = 0; n < 128; ++n) {
        if (!copy.isNoteUsed(n) || isTarget[n])
            continue;
        if (loopers_[0]->isInstrumentNote(n) && !parts[0]->notesOff)
            continue;
        isSource[n] = true;
        anySource = true;
    }
    if (!anySource)
        return;

    std::vector<int> targetsOf[InstrumentGroups::kGroupCount];
    for (int n : targets)
        targetsOf[noteGroup(n)].push_back(n);

    std::vector<int> sourcesOf[InstrumentGroups::kGroupCount];
    for (int n = 0; n < 128; ++n) {
        if (!isSource[n])
            continue;
        const int g = noteGroup(n);
        if (g == 0) {
            sourcesOf[0].push_back(n);
        } else if (sourcesOf[g].empty()) {
            const InstrumentGroups::Group &record = group(g);
            for (int i = 0; i < record.noteCount; ++i)
                if (copy.isNoteUsed(record.notes[i]))
                    sourcesOf[g].push_back(record.notes[i]);
        }
    }

    const auto move = [&](int from, int to) {
        if (from != to)
            copy.remapNote(static_cast<uint8_t>(from), static_cast<uint8_t>(to), collisionGroups(), window,
                           true);
    };

    for (int g = 0; g < InstrumentGroups::kGroupCount; ++g) {
        std::vector<int> &sources = sourcesOf[g];
        // Cymbals first: a real source goes to the first enabled alternative.
        for (auto it = sources.begin(); it != sources.end();) {
            const int row = InstrumentGroups::cymbalRow(*it);
            int alternative = -1;
            if (row >= 0 && isSource[*it]) {
                const uint8_t *alternatives = InstrumentGroups::cymbalAlternatives(row);
                for (int k = 0; k < InstrumentGroups::kCymbalAlternatives && alternative < 0; ++k)
                    if (isTarget[alternatives[k]])
                        alternative = alternatives[k];
            }
            if (alternative >= 0) {
                move(*it, alternative);
                it = sources.erase(it);
            } else {
                ++it;
            }
        }
        const bool anyReal = std::any_of(sources.begin(), sources.end(), [&](int s) { return isSource[s]; });
        if (!anyReal)
            continue;

        const InstrumentGroups::Group &record = group(g);
        int h = -1;
        int placement = 0;
        for (int k = 0; k < record.preferenceCount && h < 0; ++k) {
            if (!targetsOf[record.preferences[k].group].empty()) {
                h = record.preferences[k].group;
                placement = record.preferences[k].placement;
            }
        }
        if (h < 0) {
            for (int s : sources)
                if (isSource[s])
                    move(s, targets[static_cast<size_t>(rand()) % targets.size()]);
            continue;
        }

        const std::vector<int> &into = targetsOf[h];
        const int m = static_cast<int>(into.size());
        const int n = static_cast<int>(sources.size());
        if (m < n) {
            for (int j = 0; j < n; ++j)
                move(sources[j], into[j * (m - 1) / (n - 1)]);
            continue;
        }
        int offset = 0;
        if (h == g) {
            const int lo = InstrumentGroups::groupLow(g);
            const int hi = InstrumentGroups::groupHigh(g);
            const int last = sources.back();
            if (last >= lo + 2 * (hi - lo) / 3)
                offset = m - n;
            else if (last > lo + (hi - lo) / 3)
                offset = (m - n) / 2;
        } else {
            offset = placement < 0 ? 0 : placement == 0 ? (m - n) / 2 : m - n;
        }
        // Through temporary note numbers, so moves cannot run into each other.
        for (int j = 0; j < n; ++j)
            copy.replaceNote(static_cast<uint8_t>(sources[j]), static_cast<uint8_t>(j));
        copy.refreshStatistics();
        for (int j = 0; j < n; ++j)
            copy.remapNote(static_cast<uint8_t>(j), static_cast<uint8_t>(into[offset + j]), collisionGroups(),
                           window, true);
    }
    copy.refreshStatistics();
}

void Grindelvosket::autoTransform(bool groupMode)
{
    remakeLive([&](Fill &next) { applyAutoTransform(next, groupMode); });
    somethingChanged("Grindelvosket::LoadAndRearrange");
    tellViews();
}

void Grindelvosket::applyAutoTransform(Fill &fill, bool groupMode)
{
    uint8_t perm[128];
    for (int n = 0; n < 128; ++n)
        perm[n] = static_cast<uint8_t>(n);

    FillSettings &settings = fill.settings;
    const PartRefs parts = partsOf(fill);
    if (ensureSource(settings, parts)) {
        CMidiTrack copy(settings.source);
        prepare(copy, true, settings);
        for (int i = 0; i < kLooperCount; ++i)
            fill.parts[i].takeFrom(copy, loopers_[i]->instrumentNotes(), i == 0);
    }
    computeFillLength(settings, parts);

    std::vector<int> sources;
    std::vector<int> candidates;
    const auto addUnique = [](std::vector<int> &list, int note) {
        if (std::find(list.begin(), list.end(), note) == list.end())
            list.push_back(note);
    };
    for (int i = 0; i < kLooperCount; ++i) {
        const LooperPart &part = fill.parts[i];
        if (part.mute || part.exclude)
            continue;
        for (int n = 0; n < 128; ++n) {
            const bool used = part.usesNote(n);
            if (used) {
                addUnique(sources, n);
                if (groupMode || i == 0)
                    addUnique(candidates, n);
            }
            if (!groupMode && i > 0 && (used || (loopers_[i]->isInstrumentNote(n) && drumSet_.noteFlag(n))))
                addUnique(candidates, n);
        }
    }

    std::vector<int> weights;
    for (int s : sources) {
        if (candidates.empty())
            break;
        const int sg = noteGroup(s);
        weights.assign(candidates.size(), 0);
        int total = 0;
        int selfIndex = -1;
        for (size_t k = 0; k < candidates.size(); ++k) {
            const int c = candidates[k];
            if (c == s) {
                selfIndex = static_cast<int>(k);
                continue;
            }
            const int cg = noteGroup(c);
            const int position = preferencePosition(sg, cg);
            if (position >= 0)
                weights[k] =
                    InstrumentGroups::positionWeight(position) * (group(sg).kind == group(cg).kind ? 2 : 1);
            total += weights[k];
        }
        if (selfIndex >= 0) {
            weights[selfIndex] = total / 4 + 1;
            total += weights[selfIndex];
        }
        const int nonZero =
            static_cast<int>(std::count_if(weights.begin(), weights.end(), [](int w) { return w > 0; }));
        size_t chosen = 0;
        for (int attempt = 0;; ++attempt) {
            if (total == 0) {
                chosen = static_cast<size_t>(rand()) % candidates.size();
            } else {
                const int r = rand() % total;
                int sum = 0;
                for (chosen = 0; chosen < candidates.size(); ++chosen) {
                    sum += weights[chosen];
                    if (r < sum)
                        break;
                }
            }
            const bool more = total == 0 ? candidates.size() > 1 : nonZero > 1;
            // Bounded, so an unlucky generator cannot hold the caller.
            if (candidates[chosen] != settings.remap[s] || !more || attempt >= 64)
                break;
        }
        perm[s] = static_cast<uint8_t>(candidates[chosen]);
        candidates[chosen] = candidates.back();
        candidates.pop_back();
    }

    for (int n = 0; n < 128; ++n)
        settings.remap[n] = perm[settings.remap[n]];
}

bool Grindelvosket::isUntransformed() const
{
    for (int n = 0; n < 128; ++n)
        if (fill_.remap[n] != n || !drumSet_.noteFlag(n))
            return false;
    for (Looper *looper : loopers_)
        if (looper->isNotesOff() || looper->isMuted())
            return false;
    int32_t in = 0;
    int32_t out = 0;
    automaticPunchRange(liveParts(), fill_.fillLength, in, out);
    return fill_.punchIn == in && fill_.punchOut == out;
}

void Grindelvosket::setUntransformedArrangement()
{
    for (int n = 0; n < 128; ++n) {
        fill_.remap[n] = static_cast<uint8_t>(n);
        drumSet_.setNoteFlag(n, 1);
    }
    for (Looper *looper : loopers_) {
        looper->setNotesOff(false);
        looper->setMute(false);
    }
    setAutomaticPunchRange(fill_, liveParts());
}

void Grindelvosket::switchArrangement()
{
    if (isUntransformed()) {
        for (int n = 0; n < 128; ++n) {
            fill_.remap[n] = savedRemap_[n];
            drumSet_.setNoteFlag(n, savedEnabled_[n]);
        }
        for (int i = 0; i < kLooperCount; ++i) {
            loopers_[i]->setNotesOff(savedNotesOff_[i] != 0);
            loopers_[i]->setMute(savedMute_[i] != 0);
        }
        fill_.punchIn = std::min(savedPunchIn_, savedPunchOut_);
        fill_.punchOut = savedPunchOut_;
    } else {
        for (int n = 0; n < 128; ++n) {
            savedRemap_[n] = fill_.remap[n];
            savedEnabled_[n] = static_cast<uint8_t>(drumSet_.noteFlag(n));
        }
        for (int i = 0; i < kLooperCount; ++i) {
            savedNotesOff_[i] = loopers_[i]->isNotesOff() ? 1 : 0;
            savedMute_[i] = loopers_[i]->isMuted() ? 1 : 0;
        }
        savedPunchIn_ = fill_.punchIn;
        savedPunchOut_ = fill_.punchOut;
        setUntransformedArrangement();
    }
}

void Grindelvosket::toggleOriginal()
{
    // The arrangement switches under the lock; the host hears of it, and
    // the fill and the pads are made anew, after it.
    {
        EngineLockGuard guard(lock_);
        switchArrangement();
    }
    tellPunchRange();
    LoadAndRearrange(true);
    drumMapChanged();
    refreshViews();
}

void Grindelvosket::toggleInstrument(int note)
{
    if (note < 0 || note >= 128)
        return;
    drumSet_.setNoteFlag(note, drumSet_.noteFlag(note) ? 0 : 1);
    LoadAndRearrange(true);
    repreparePads(false);
}

} // namespace Quorvane
