// The rhythm composer: random patterns for the slices that take part,
// scored by the rules, the best combination of a bounded number of tries
// kept. Runs on the window thread; each pattern change goes through the
// slice's own selection.
#include "base/message_box.h"
#include "base/registry.h"
#include "base/string_stream.h"
#include "plugin/slice/engine/vostrapellin.h"

#include <algorithm>
#include <climits>
#include <cstdio>

namespace Quorvane::LoopSlice {

namespace {

constexpr uint8_t kHandClap = 39;

bool held(int key)
{
    return (GetKeyState(key) & 0x8000) != 0;
}

} // namespace

RuleMasks Vostrapellin::ruleMasks() const
{
    RuleMasks masks;
    masks.grid = swingDurIdx_;
    for (int i = 0; i < kSliceCount; ++i) {
        const SliceContentPtr content = slice(i).content();
        const bool silentLayer = i <= 2 && content->mute;
        masks.slices[static_cast<size_t>(i)] = silentLayer ? 0 : content->name.firstMask;
        if (i == kCymbal)
            masks.openHat = content->name.secondMask;
        // The first sounding layer that plays the hand clap: its fixed note
        // when it has one, else its loop's notes.
        if (i <= 2 && !silentLayer && masks.clapLayer < 0) {
            const bool claps = content->fixedNoteOn ? content->fixedNote == kHandClap
                                                    : content->track->isNoteUsed(kHandClap);
            if (claps)
                masks.clapLayer = i;
        }
    }
    return masks;
}

RuleVerdict Vostrapellin::checkRules(uint32_t tested) const
{
    return LoopSlice::checkRules(ruleMasks(), tested);
}

bool Vostrapellin::violatesRules(const Looper &looper)
{
    for (int i = 0; i < kSliceCount; ++i)
        if (&slice(i) == &looper)
            return checkRules(1u << i).count > 0;
    return false;
}

void Vostrapellin::Random(Looper *target)
{
    const int32_t attempts =
        std::max<int32_t>(1, static_cast<int32_t>(readAppRegistryValue("Compose", "Attempts", 100, false)));
    const bool testing = readAppRegistryValue("Compose", "AllowTesting", 0, false) != 0;
    const bool checkOnly = testing && held(VK_MENU);
    const bool testAll = checkOnly && held(VK_SHIFT);

    uint32_t tested = 0;
    if (testAll) {
        tested = kAllSlices;
    } else if (target) {
        for (int i = 0; i < kSliceCount; ++i)
            if (&slice(i) == target)
                tested = 1u << i;
    } else {
        for (int i = 0; i < kSliceCount; ++i)
            if (!slice(i).isLocked() && !slice(i).content()->mute)
                tested |= 1u << i;
    }
    const std::string previous = target ? target->content()->file : std::string();
    // Edited slices are asked about once, before anything is drawn, so
    // that a save keeps the combination the user sees; a slice the user
    // keeps stays out of the draw.
    uint32_t edited = 0;
    if (!checkOnly)
        for (int i = 0; i < kSliceCount; ++i)
            if ((tested & (1u << i)) && slice(i).content()->modified)
                edited |= 1u << i;
    if (edited != 0) {
        const bool letGo = mayChangePatterns();
        for (int i = 0; i < kSliceCount; ++i) {
            if (!(edited & (1u << i)))
                continue;
            if (letGo)
                slice(i).forgetEdits();
            else
                slice(i).setLocked(true);
        }
        if (!letGo)
            tested &= ~edited;
    }

    int best = INT_MAX;
    int bestTries = 0;
    std::string bestText;
    int tries = 0;
    int draws[kSliceCount] = {};
    std::string snapshot;
    bool success = false;
    bool lastWasBest = false;
    uint32_t drawSet = tested;
    // Every try counts against the attempts, so the clamp above is what
    // gives a setting below 1 its one try.
    while (tries < attempts) {
        if (!checkOnly) {
            for (int i = 0; i < kSliceCount; ++i) {
                if (drawSet & (1u << i)) {
                    slice(i).randomPattern(previous);
                    ++draws[i];
                }
            }
        }
        const RuleVerdict verdict = checkRules(tested);
        drawSet = verdict.offending;
        ++tries;
        lastWasBest = verdict.count < best;
        if (lastWasBest) {
            best = verdict.count;
            bestTries = tries;
            bestText = verdict.text;
            if (best == 0) {
                success = true;
                break;
            }
            // A better try replaces the snapshot.
            snapshot.clear();
            stringStream out(snapshot, 1024);
            saveLoopRecord(out, true);
        }
        if (testing && held(VK_CONTROL))
            break;
    }
    if (!success && !lastWasBest && !snapshot.empty()) {
        stringStream in(snapshot);
        loadLoopRecord(in, true, false);
    }

    if (testing) {
        std::string counts;
        for (int i = kSliceCount - 1; i >= 0; --i)
            counts += std::to_string(draws[i]) + (i > 0 ? "," : "");
        char text[1024];
        if (best != 0)
            snprintf(text, sizeof text, "BAD (%d) Tries (%s): %s", best, counts.c_str(), bestText.c_str());
        else
            snprintf(text, sizeof text, "Chosen after %d tries (%s)", bestTries, counts.c_str());
        showStatus(text);
        if (checkOnly && best >= 2) {
            std::string lines = text;
            std::replace(lines.begin(), lines.end(), '|', '\n');
            showMessageBox(nullptr, lines.c_str(), "Vostrapellin", MB_OK);
        }
    }
    somethingChanged("Vostrapellin::Random");
}

} // namespace Quorvane::LoopSlice
