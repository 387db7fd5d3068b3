// Quick pads, trigger notes and the real-time walk.
//
// Every stored pad keeps its combination decoded (built on the window
// thread when a state loads or the library changes), so that a switch, which
// may come from a trigger note on the host's thread, only moves content
// pointers: the outgoing combination becomes its pad's, the incoming one
// goes live. A pad never stored loads nothing: the outgoing pad then shares
// the live contents, which nobody changes in place. The bytes of a pad left
// that way are written when the pads are next read or saved.
#include "plugin/slice/engine/vostrapellin.h"

#include "base/string_stream.h"

#include <algorithm>
#include <climits>

namespace Quorvane::LoopSlice {

bool Vostrapellin::isTrigger(int note) const
{
    return triggerEnabled_ && note >= triggerLow_ && note <= triggerHigh_;
}

bool Vostrapellin::selectByTrigger(int note, bool immediate)
{
    if (!isTrigger(note))
        return false;
    selectPad(note - triggerLow_, immediate, 0);
    return true;
}

bool Vostrapellin::holdsEngineLocks() const
{
    bool held = padLock_.heldByThisThread();
    for (int i = 0; i < kSliceCount; ++i)
        held = held || slice(i).lockHeldHere();
    return held;
}

bool Vostrapellin::padStored(int pad) const
{
    CriticalSectionGuard guard(padLock_);
    return pad >= 0 && pad < kPadCount && (padHeld_[static_cast<size_t>(pad)] || pads_.has(pad));
}

void Vostrapellin::selectPad(int pad, bool immediate, int32_t count)
{
    if (pad < 0 || pad >= kPadCount)
        return;
    // The host's clock is read before the pad lock is taken.
    const int64_t now = immediate ? currentTime() : 0;
    int previous = 0;
    uint32_t number = 0;
    {
        CriticalSectionGuard guard(padLock_);
        previous = currentPad_;
        if (pad == previous)
            return;
        switchToPadLocked(pad);
        // No return is due until the new switch time is known.
        returnPad_ = -1;
        switchCount_ = 0;
        number = ++switches_;
    }
    const int32_t latest = latestCycleStart(static_cast<int32_t>(immediate ? now : switchTime_.load()));
    {
        CriticalSectionGuard guard(padLock_);
        // A later switch meanwhile has set its own time.
        if (switches_ == number) {
            switchTime_ = latest;
            switchCount_ = count;
            returnPad_ = count != 0 ? previous : -1;
        }
    }
    tellViewsOfPad();
}

int32_t Vostrapellin::latestCycleStart(int32_t after)
{
    // Each slice asks the host's meter map without any lock held.
    int32_t latest = INT32_MIN;
    for (int i = 0; i < kSliceCount; ++i)
        latest = std::max(latest, slice(i).nextCycleStart(after, *this));
    return latest;
}

void Vostrapellin::tellViewsOfPad()
{
    // Off the window thread one posted message carries the news.
    if (!onWindowThread()) {
        postViewNews();
        return;
    }
    tellViewsPad();
    tellViews();
}

void Vostrapellin::switchToPadLocked(int pad)
{
    const size_t from = static_cast<size_t>(currentPad_.load());
    const size_t to = static_cast<size_t>(pad);
    Combination &out = prepared_[from];
    Combination &in = prepared_[to];
    if (in.ready()) {
        for (int i = 0; i < kSliceCount; ++i)
            slice(i).exchangeContent(in.slices[static_cast<size_t>(i)], in.level);
        // The outgoing contents are in in.slices now; out's were empty.
        out.slices.swap(in.slices);
        out.level = level_;
        level_ = in.level;
        out.collection.swap(collection_);
        collection_.swap(in.collection);
        // Reads the name in place: no allocation.
        swingDurIdx_ = gridOfCollection(*collection_);
    } else {
        // Nothing to load: the outgoing pad keeps what plays on.
        for (int i = 0; i < kSliceCount; ++i)
            out.slices[static_cast<size_t>(i)] = slice(i).content();
        out.level = level_;
        out.collection = collection_;
    }
    ++padVersion_[from];
    ++padVersion_[to];
    padLeft_[from] = true;
    padHeld_[from] = true;
    padLeft_[to] = false;
    currentPad_ = pad;
}

void Vostrapellin::switchBack()
{
    int previous = 0;
    int32_t count = 0;
    int32_t due = 0;
    uint32_t number = 0;
    {
        CriticalSectionGuard guard(padLock_);
        const int back = returnPad_;
        if (back < 0)
            return;
        previous = currentPad_;
        // A negative count keeps switching; any other ends here.
        count = switchCount_ < 0 ? switchCount_ : 0;
        if (back != previous)
            switchToPadLocked(back);
        due = switchTime_;
        returnPad_ = -1;
        number = ++switches_;
    }
    const int32_t latest = latestCycleStart(due);
    {
        CriticalSectionGuard guard(padLock_);
        if (switches_ == number) {
            // Always later, whatever the host's meter answers.
            switchTime_ = std::max(latest, due == INT32_MAX ? due : due + 1);
            switchCount_ = count;
            returnPad_ = count != 0 ? previous : -1;
        }
    }
    tellViewsOfPad();
}

void Vostrapellin::playSlices(int32_t from, int32_t thru)
{
    if (from > thru)
        return;
    for (int i = 0; i < kSliceCount; ++i)
        slice(i).play(from, thru, *this);
}

void Vostrapellin::processRange(int32_t from, int32_t thru)
{
    int64_t at = from;
    // A return that came due before this range (the host jumped past it)
    // happens at its start.
    while (returnPad_ >= 0 && switchTime_ <= thru) {
        const int64_t due = std::max<int64_t>(at, switchTime_.load());
        if (due > at)
            playSlices(static_cast<int32_t>(at), static_cast<int32_t>(due - 1));
        at = due;
        const int32_t before = switchTime_;
        switchBack();
        if (switchTime_ <= before)
            break;
    }
    if (at <= thru)
        playSlices(static_cast<int32_t>(at), thru);
}

const QuickPadStore &Vostrapellin::pads()
{
    CriticalSectionGuard guard(padLock_);
    storeLeftPadsLocked();
    return pads_;
}

void Vostrapellin::storeLeftPadsLocked()
{
    for (int pad = 0; pad < kPadCount; ++pad) {
        const size_t p = static_cast<size_t>(pad);
        if (!padLeft_[p] || !prepared_[p].ready())
            continue;
        LoopRecord record;
        record.level = static_cast<uint8_t>(prepared_[p].level);
        for (const SliceContentPtr &content : prepared_[p].slices)
            record.slices.push_back(recordOf(*content));
        std::string bytes;
        stringStream out(bytes, 1024);
        if (writeLoopRecord(out, record, false))
            pads_.put(pad, std::move(bytes));
        padLeft_[p] = false;
    }
}

void Vostrapellin::preparePads()
{
    std::vector<std::pair<int, std::string>> stored;
    std::array<uint32_t, kPadCount> versions{};
    int current = 0;
    {
        CriticalSectionGuard guard(padLock_);
        storeLeftPadsLocked();
        pads_.forEachPad(
            [&stored](int32_t key, const std::string &bytes) { stored.emplace_back(key, bytes); });
        versions = padVersion_;
        current = currentPad_;
    }
    // Decoded aside, without the lock: a switch meanwhile need not wait for
    // the disk.
    const std::array<SliceContentPtr, kSliceCount> base = liveContents();
    std::array<Combination, kPadCount> decoded;
    for (auto &[key, bytes] : stored) {
        if (key == current)
            continue;
        stringStream in(bytes);
        LoopRecord record;
        if (readLoopRecord(in, record, false))
            decoded[static_cast<size_t>(key)] = combinationOf(record, base);
    }
    {
        CriticalSectionGuard guard(padLock_);
        for (int pad = 0; pad < kPadCount; ++pad) {
            const size_t p = static_cast<size_t>(pad);
            // A switch since took or left this pad: what it holds is newer.
            if (!decoded[p].ready() || pad == currentPad_ || versions[p] != padVersion_[p])
                continue;
            std::swap(prepared_[p], decoded[p]);
        }
    }
    // The replaced combinations go here, outside the lock.
}

void Vostrapellin::libraryChanged()
{
    // The live slices read their patterns and folders again.
    LoopRecord live = liveLoopRecord(true);
    Combination fresh = combinationOf(live, liveContents());
    installLive(fresh);
    applySeconds(live.seconds);
    preparePads();
    refreshViews();
}

} // namespace Quorvane::LoopSlice
