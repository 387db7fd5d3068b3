#include "plugin/slice/engine/loop_records.h"

#include "base/string_stream.h"
#include "plugin/fill/engine/quick_pad_store.h"

namespace Quorvane::LoopSlice {

namespace {

constexpr size_t kKeptSlices = 6;

bool readCount(InputStream &in, int32_t &count)
{
    return in.read(count) && count >= 0;
}

// The pad store only keeps and writes bytes here.
class NoSnapshots : public QuickPadStore::Owner {
public:
    bool saveSnapshot(OutputStream &) override { return false; }
    bool loadSnapshot(InputStream &, bool) override { return false; }
};

} // namespace

bool writeSliceRecord(OutputStream &out, const SliceRecord &r)
{
    bool ok = out.write(kSliceRecordVersion) && out.write(r.folder) && out.write(r.file) &&
              out.write(r.mute) && out.write(r.velocityOffset) && out.write(r.keyOffset);
    ok = ok && out.write(int32_t{0}) && out.write(int32_t{0}) && out.write(int32_t{0});
    ok = ok && out.write(r.fixedNoteOn) && r.drumMap.write(out) && out.write(r.timeOffset) &&
         out.write(r.dynamics) && out.write(r.fixedNote) && out.write(r.flags);
    if (ok && (r.flags & SliceRecord::kOwnEvents))
        ok = r.events && r.events->saveSmf(out) == 0;
    return ok;
}

bool readSliceRecord(InputStream &in, SliceRecord &r)
{
    if (!in.read(r.version) || r.version < 1 || r.version > kSliceRecordVersion)
        return false;
    if (!in.read(r.folder) || !in.read(r.file) || !in.read(r.mute) || !in.read(r.velocityOffset) ||
        !in.read(r.keyOffset))
        return false;
    if (r.version >= 2) {
        int32_t reserved = 0;
        for (int i = 0; i < 3; ++i)
            if (!in.read(reserved))
                return false;
    }
    if (r.version >= 3 && (!in.read(r.fixedNoteOn) || !r.drumMap.read(in)))
        return false;
    if (r.version >= 4 && (!in.read(r.timeOffset) || !in.read(r.dynamics)))
        return false;
    if (r.version >= 5 && !in.read(r.fixedNote))
        return false;
    if (r.version >= 6 && !in.read(r.flags))
        return false;
    if (r.flags & SliceRecord::kOwnEvents) {
        auto events = std::make_shared<CMidiTrack>();
        if (events->loadSmf(in) != 0)
            return false;
        r.events = std::move(events);
    }
    return true;
}

bool writeLoopRecord(OutputStream &out, const LoopRecord &r, bool withSeconds)
{
    bool ok =
        out.write(kRecordVersion) && out.write(r.level) && out.write(static_cast<int32_t>(r.slices.size()));
    for (const SliceRecord &slice : r.slices)
        ok = ok && writeSliceRecord(out, slice);
    if (!withSeconds)
        return ok;
    ok = ok && out.write(static_cast<int32_t>(r.seconds.size()));
    for (const SecondBlock &second : r.seconds)
        ok = ok && out.write(kSecondBlockVersion) && out.write(second.locked) && out.write(second.highest) &&
             out.write(second.lowest);
    return ok;
}

bool readLoopRecord(InputStream &in, LoopRecord &r, bool withSeconds)
{
    int32_t version = 0;
    int32_t count = 0;
    if (!in.read(version) || version != kRecordVersion || !in.read(r.level) || !readCount(in, count))
        return false;
    r.slices.clear();
    for (int32_t i = 0; i < count; ++i) {
        SliceRecord slice;
        if (!readSliceRecord(in, slice))
            return false;
        if (r.slices.size() < kKeptSlices)
            r.slices.push_back(std::move(slice));
    }
    r.seconds.clear();
    if (!withSeconds)
        return true;
    if (!readCount(in, count))
        return false;
    for (int32_t i = 0; i < count; ++i) {
        SecondBlock second;
        if (!in.read(second.version) || !in.read(second.locked) || !in.read(second.highest) ||
            !in.read(second.lowest))
            return false;
        if (r.seconds.size() < kKeptSlices)
            r.seconds.push_back(second);
    }
    return true;
}

bool writeGlobalsRecord(OutputStream &out, const GlobalsRecord &r)
{
    return out.write(kRecordVersion) && r.drumMap.write(out) && out.write(r.noteNameSet) &&
           out.write(r.outputChannel) && out.write(r.outputPort) && out.write(r.cycleMeasures) &&
           out.write(r.multiTrack) && out.write(r.triggerEnabled) && out.write(r.triggerLow) &&
           out.write(r.minVelocity) && out.write(r.maxVelocity) && out.write(r.notifyHost);
}

bool readGlobalsRecord(InputStream &in, GlobalsRecord &r)
{
    int32_t version = 0;
    return in.read(version) && version == kRecordVersion && r.drumMap.read(in) && in.read(r.noteNameSet) &&
           in.read(r.outputChannel) && in.read(r.outputPort) && in.read(r.cycleMeasures) &&
           in.read(r.multiTrack) && in.read(r.triggerEnabled) && in.read(r.triggerLow) &&
           in.read(r.minVelocity) && in.read(r.maxVelocity) && in.read(r.notifyHost);
}

bool writeStateRecord(OutputStream &out, const StateRecord &r)
{
    NoSnapshots owner;
    QuickPadStore pads(owner);
    for (const auto &[key, bytes] : r.pads)
        pads.put(key, bytes);
    return out.write(kRecordVersion) && pads.save(out) && out.write(r.currentPad) &&
           out.write(r.swingPercent) && out.write(r.velocityDynamics) && out.write(r.velocityCentre) &&
           out.write(r.humanize) && out.write(r.quantize) && writeGlobalsRecord(out, r.globals) &&
           writeLoopRecord(out, r.loop, true);
}

bool readStateRecord(InputStream &in, StateRecord &r, int32_t padCount)
{
    int32_t version = 0;
    if (!in.read(version) || version != kRecordVersion)
        return false;
    NoSnapshots owner;
    QuickPadStore pads(owner, padCount);
    if (!pads.load(in))
        return false;
    bool padsSound = true;
    r.pads.clear();
    pads.forEachPad([&](int32_t key, const std::string &bytes) {
        std::string copy = bytes;
        stringStream padIn(copy);
        LoopRecord loop;
        padsSound = padsSound && readLoopRecord(padIn, loop, false);
        r.pads.emplace_back(key, bytes);
    });
    return padsSound && in.read(r.currentPad) && r.currentPad >= 0 && r.currentPad < padCount &&
           in.read(r.swingPercent) && in.read(r.velocityDynamics) && in.read(r.velocityCentre) &&
           in.read(r.humanize) && in.read(r.quantize) && readGlobalsRecord(in, r.globals) &&
           readLoopRecord(in, r.loop, true);
}

} // namespace Quorvane::LoopSlice
