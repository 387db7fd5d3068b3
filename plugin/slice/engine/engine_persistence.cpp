// The engine's stored forms applied and made: the loop record (loop files,
// the clipboard, pads, the composer's snapshot), the globals record and the
// engine state record, and the registry streams "Globals" and "Last".
// Every reader checks the whole record first and builds the new contents
// aside, reading pattern files without a lock; only then, under the pad
// lock, does the engine take them.
#include "base/registry.h"
#include "base/string_stream.h"
#include "plugin/fill/library/pattern_tree.h"
#include "plugin/framework/midi/tick_math.h"
#include "plugin/slice/engine/slice_module.h"
#include "plugin/slice/engine/vostrapellin.h"

#include <algorithm>

namespace Quorvane::LoopSlice {

// ---- Records from the live engine

SliceRecord Vostrapellin::recordOf(const SliceContent &content)
{
    SliceRecord record;
    record.folder = content.folder;
    record.file = content.file;
    record.mute = content.mute ? 1 : 0;
    record.velocityOffset = content.velocityOffset;
    record.keyOffset = content.keyOffset;
    record.fixedNoteOn = content.fixedNoteOn ? 1 : 0;
    record.drumMap = content.drumMap;
    record.timeOffset = content.timeOffset;
    record.dynamics = content.dynamics;
    record.fixedNote = content.fixedNote;
    record.flags =
        (content.ownEvents ? SliceRecord::kOwnEvents : 0) | (content.modified ? SliceRecord::kModified : 0);
    if (content.ownEvents)
        record.events = content.track;
    return record;
}

std::array<SliceContentPtr, kSliceCount> Vostrapellin::liveContents() const
{
    std::array<SliceContentPtr, kSliceCount> contents;
    for (int i = 0; i < kSliceCount; ++i)
        contents[static_cast<size_t>(i)] = slice(i).content();
    return contents;
}

LoopRecord Vostrapellin::liveLoopRecord(bool withSeconds) const
{
    LoopRecord record;
    {
        CriticalSectionGuard guard(padLock_);
        record.level = static_cast<uint8_t>(level_);
    }
    for (const SliceContentPtr &content : liveContents())
        record.slices.push_back(recordOf(*content));
    if (withSeconds) {
        for (int i = 0; i < kSliceCount; ++i) {
            const Looper &looper = slice(i);
            record.seconds.push_back({kSecondBlockVersion, uint8_t(looper.isLocked() ? 1 : 0),
                                      looper.highestSecond(), looper.lowestSecond()});
        }
    }
    return record;
}

// ---- Records onto contents

SliceContentPtr Vostrapellin::contentOf(const SliceRecord &record, const SliceContent &base) const
{
    auto c = std::make_shared<SliceContent>(base);
    c->mute = record.mute != 0 ? 1 : 0;
    c->velocityOffset = std::clamp(record.velocityOffset, -127, 127);
    c->keyOffset = std::clamp(record.keyOffset, -127, 127);
    if (record.version >= 3) {
        c->fixedNoteOn = record.fixedNoteOn != 0;
        c->drumMap = record.drumMap;
    }
    if (record.version >= 4) {
        c->timeOffset = record.timeOffset;
        c->dynamics = std::clamp(record.dynamics, 0, 100);
    }
    if (record.version >= 5)
        c->fixedNote = std::min<uint8_t>(record.fixedNote, 127);

    // The pattern: only a folder the library names exactly is read from;
    // the stored names stay whatever the library holds.
    std::string resolved = record.folder;
    const PatternTree *tree = patternTree();
    SliceContentPtr next;
    if (tree && tree->resolve(resolved, 3)) {
        next = contentWithPattern(tree, *c, record.folder, record.file, true);
    } else {
        c->folder = record.folder;
        c->file = record.file;
        c->patterns = FolderPatterns::none();
        c->track = std::make_shared<const CMidiTrack>();
        c->refreshDerived();
        next = c;
    }
    auto out = std::make_shared<SliceContent>(*next);
    out->ownEvents = (record.flags & SliceRecord::kOwnEvents) != 0;
    out->modified = (record.flags & SliceRecord::kModified) != 0;
    if (out->ownEvents && record.events) {
        out->track = record.events;
        out->refreshDerived();
    }
    return out;
}

Combination Vostrapellin::combinationOf(const LoopRecord &record,
                                        const std::array<SliceContentPtr, kSliceCount> &base) const
{
    Combination combination;
    combination.slices = base;
    for (size_t i = 0; i < record.slices.size() && i < combination.slices.size(); ++i)
        combination.slices[i] = contentOf(record.slices[i], *base[i]);
    combination.level = record.level;
    combination.collection =
        std::make_shared<const std::string>(folderComponent(combination.slices[0]->folder, 0));
    return combination;
}

void Vostrapellin::installLive(Combination &combination)
{
    CriticalSectionGuard guard(padLock_);
    for (int i = 0; i < kSliceCount; ++i)
        slice(i).exchangeContent(combination.slices[static_cast<size_t>(i)], combination.level);
    std::swap(level_, combination.level);
    collection_.swap(combination.collection);
    swingDurIdx_ = gridOfCollection(*collection_);
}

void Vostrapellin::applySeconds(const std::vector<SecondBlock> &seconds)
{
    for (size_t i = 0; i < seconds.size() && i < static_cast<size_t>(kSliceCount); ++i) {
        Looper &looper = slice(static_cast<int>(i));
        looper.setLocked(seconds[i].locked != 0);
        looper.setSecondRange(seconds[i].lowest, seconds[i].highest);
    }
}

// ---- Loop records

bool Vostrapellin::SaveLoop(OutputStream &out, bool clearModifiedFirst)
{
    if (clearModifiedFirst)
        clearModified();
    return saveLoopRecord(out, false);
}

bool Vostrapellin::LoadLoop(InputStream &in, bool notify)
{
    return loadLoopRecord(in, false, notify);
}

bool Vostrapellin::saveLoopRecord(OutputStream &out, bool withSeconds)
{
    return writeLoopRecord(out, liveLoopRecord(withSeconds), withSeconds);
}

bool Vostrapellin::loadLoopRecord(InputStream &in, bool withSeconds, bool notify)
{
    LoopRecord record;
    if (!readLoopRecord(in, record, withSeconds))
        return false;
    Combination next = combinationOf(record, liveContents());
    installLive(next);
    applySeconds(record.seconds);
    if (notify)
        somethingChanged("Vostrapellin::LoadLoop");
    for (int i = 0; i < kSliceCount; ++i)
        slice(i).refreshView(true);
    refreshViews();
    return true;
}

bool loadAsLoop(const PatternTree &tree, const std::string &folder, const std::string &file,
                Vostrapellin &engine)
{
    RefPtr<DirectoryTrees::InStream> stream = tree.openPattern(folder, file);
    return stream && engine.LoadLoop(*stream, false);
}

// ---- Globals

GlobalsRecord Vostrapellin::globalsRecord() const
{
    GlobalsRecord g;
    g.drumMap = drumMap_;
    g.noteNameSet = noteNames_.getName();
    g.outputChannel = static_cast<int8_t>(outputChannel_);
    g.outputPort = static_cast<int8_t>(outputPort_);
    g.cycleMeasures = cycleMeasures_;
    g.multiTrack = multiTrack_ ? 1 : 0;
    g.triggerEnabled = triggerEnabled_ ? 1 : 0;
    g.triggerLow = static_cast<uint8_t>(triggerLow_);
    g.minVelocity = static_cast<uint8_t>(outputDynamics_.min());
    g.maxVelocity = static_cast<uint8_t>(outputDynamics_.max());
    g.notifyHost = notifyHost_ ? 1 : 0;
    return g;
}

void Vostrapellin::applyGlobals(const GlobalsRecord &g)
{
    drumMap_ = g.drumMap;
    // A set this machine lacks keeps its name, so the choice survives.
    if (g.noteNameSet.empty() || !noteNamesProvider_.findSet(g.noteNameSet, &noteNames_))
        noteNames_.setName(g.noteNameSet);
    setOutputChannel(g.outputChannel);
    setOutputPort(g.outputPort);
    setCycleMeasures(g.cycleMeasures);
    multiTrack_ = g.multiTrack != 0;
    setTriggerEnabled(g.triggerEnabled != 0);
    setTriggerLow(g.triggerLow);
    outputDynamics_.setMin(g.minVelocity);
    outputDynamics_.setMax(g.maxVelocity);
    notifyHost_ = g.notifyHost != 0;
}

bool Vostrapellin::saveGlobals(OutputStream &out)
{
    return writeGlobalsRecord(out, globalsRecord());
}

bool Vostrapellin::loadGlobals(InputStream &in)
{
    GlobalsRecord record;
    if (!readGlobalsRecord(in, record) || record.cycleMeasures < 1 ||
        record.cycleMeasures > kMaxCycleMeasures)
        return false;
    applyGlobals(record);
    rebuildVelocityTables();
    refreshViews();
    return true;
}

// ---- The engine state

bool Vostrapellin::saveState(OutputStream &out)
{
    StateRecord state;
    {
        CriticalSectionGuard guard(padLock_);
        storeLeftPadsLocked();
        pads_.store(currentPad_);
        pads_.forEachPad(
            [&state](int32_t key, const std::string &bytes) { state.pads.emplace_back(key, bytes); });
        state.currentPad = currentPad_;
    }
    state.swingPercent = swingPc_;
    state.velocityDynamics = veloDyn_;
    state.velocityCentre = veloCentre_;
    state.humanize = humanize_;
    state.quantize = quantize_ ? 1 : 0;
    state.globals = globalsRecord();
    state.loop = liveLoopRecord(true);
    return writeStateRecord(out, state);
}

bool Vostrapellin::loadState(InputStream &in)
{
    StateRecord state;
    if (!readStateRecord(in, state, kPadCount) || state.globals.cycleMeasures < 1 ||
        state.globals.cycleMeasures > kMaxCycleMeasures)
        return false;

    // The settings every content is made with come first.
    applyGlobals(state.globals);
    swingPc_ = std::clamp(state.swingPercent, 0, 100);
    veloDyn_ = std::clamp(state.velocityDynamics, -100, 150);
    veloCentre_ = std::clamp(state.velocityCentre, -100, 100);
    humanize_ = std::clamp(state.humanize, 0, 127);
    quantize_ = state.quantize != 0;

    // The live combination and every stored pad, decoded aside.
    Combination live = combinationOf(state.loop, liveContents());
    std::array<Combination, kPadCount> decoded;
    for (const auto &[key, bytes] : state.pads) {
        if (key == state.currentPad)
            continue;
        std::string copy = bytes;
        stringStream padIn(copy);
        LoopRecord record;
        if (readLoopRecord(padIn, record, false))
            decoded[static_cast<size_t>(key)] = combinationOf(record, live.slices);
    }
    {
        CriticalSectionGuard guard(padLock_);
        pads_.clear();
        for (auto &[key, bytes] : state.pads)
            pads_.put(key, std::move(bytes));
        prepared_.swap(decoded);
        padLeft_.fill(false);
        padHeld_.fill(false);
        for (uint32_t &version : padVersion_)
            ++version;
        currentPad_ = state.currentPad;
        returnPad_ = -1;
        installLive(live);
    }
    applySeconds(state.loop.seconds);
    rebuildVelocityTables();
    for (int i = 0; i < kSliceCount; ++i)
        slice(i).refreshView(true);
    tellViewsOfPad();
    return true;
}

// ---- Registry streams

void Vostrapellin::writeGlobalsValue()
{
    RegistryStream stream(SliceModule::registryPath().c_str(), "Globals");
    saveGlobals(stream);
}

bool Vostrapellin::readGlobalsValue()
{
    RegistryStream stream(SliceModule::registryPath().c_str(), "Globals");
    if (stream.content().empty())
        return false;
    return loadGlobals(stream);
}

void Vostrapellin::writeLastValue()
{
    RegistryStream stream(SliceModule::registryPath().c_str(), "Last");
    saveState(stream);
}

bool Vostrapellin::readLastValue()
{
    RegistryStream stream(SliceModule::registryPath().c_str(), "Last");
    if (stream.content().empty())
        return false;
    return loadState(stream);
}

// ---- Export

SliceExportParts::SliceExportParts(Vostrapellin &engine, uint32_t seed) : engine_(engine)
{
    for (size_t i = 0; i < randoms_.size(); ++i)
        randoms_[i].seed(seed + 7919u * static_cast<uint32_t>(i + 1));
}

void SliceExportParts::playOfflinePart(int index, int32_t from, int32_t thru, OfflineProcess &process)
{
    const size_t i = static_cast<size_t>(index);
    engine_.slice(index).play(cursors_[i], from, thru, process, randoms_[i]);
}

bool Vostrapellin::renderLoop(OutputStream &out)
{
    OfflineTempo tempo{12000, kEngineTicksPerQuarter, 4, 2};
    tempoAndMeter(&tempo.tempo, &tempo.resolution, &tempo.numerator, &tempo.denominatorPower);
    const int32_t cycle = cycleLength();
    SliceExportParts parts(*this, seed_);
    std::unique_ptr<OfflineProcess> process;
    if (multiTrack_)
        process = std::make_unique<MultiTrackProcess>(parts, tempo);
    else
        process = std::make_unique<SingleTrackProcess>(parts, tempo);
    const int64_t length = convertTicks(cycle, tempo.resolution, process->getResolution());
    process->render(0, 0, clampToInt32(std::max<int64_t>(1, length) - 1));
    return process->write(out);
}

} // namespace Quorvane::LoopSlice
