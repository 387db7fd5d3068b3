// The engine's stored forms: the "Globals" block, the LoopSnapshot (one
// fill, as pads and the clipboard keep it) and the DrummerPersistState (what
// the host stores with its song), and the registry values "Globals" and
// "Last". Every reader parses the whole block aside first and changes the
// engine only when all of it was sound; the fills it holds are made aside
// too, and only then taken live.
#include "base/registry.h"
#include "base/string_stream.h"
#include "plugin/fill/engine/fill_module.h"
#include "plugin/fill/engine/grindelvosket.h"
#include "plugin/fill/library/pattern_path.h"

#include <algorithm>
#include <memory>

namespace Quorvane {

namespace {

constexpr int32_t kGlobalsVersion = 1;
constexpr int32_t kLoopStateVersion = 1;
constexpr int32_t kStateVersion = 2;
constexpr int32_t kStoredLoopers = Grindelvosket::kLooperCount;

} // namespace

// Parsed forms of the blocks.
struct GlobalsData {
    DrumMap drumMap;
    std::string noteNameSet;
    int8_t outputChannel = -1;
    int8_t outputPort = 0;
    int32_t measureCount = 4;
    uint8_t multiTrackExport = 0;
    uint8_t triggerEnabled = 0;
    uint8_t triggerLow = 36;
    uint8_t minVelocity = 30;
    uint8_t maxVelocity = 127;
    uint8_t restartHost = 1;
    int32_t fillMeasure = 2;
};

struct TrackReferenceData {
    std::string folder;
    std::string file;
    int32_t punchIn = -1;
    int32_t punchOut = 960;
    int32_t preZone = 1;
    int32_t maskMode = 0;
    int32_t afterZone = 1;
};

struct LoopStateData {
    // Looper blocks, index = looper; a block and an extension block may
    // each be missing.
    std::array<LooperPart, kStoredLoopers> parts;
    bool hasBlock[kStoredLoopers] = {};
    bool hasExtension[kStoredLoopers] = {};
    uint8_t remap[128];
    int32_t swingPc = 0;
    int32_t swingDurIdx = 2;
    int32_t quantizeOn = 0;
    int32_t quantizeDur = 32;
    int32_t veloDyn = 0;
    int32_t veloCenterPc = 0;
    VelocityEnvelope envelope;
};

struct EmbeddedTrackData {
    bool present = false;
    std::unique_ptr<CMidiTrack> track;
};

struct LoopSnapshotData {
    TrackReferenceData reference;
    LoopStateData loopState;
    EmbeddedTrackData embedded;
};

struct PersistStateData {
    int32_t version = kStateVersion;
    std::vector<std::pair<int32_t, std::string>> pads;
    int32_t pad = 0;
    GlobalsData globals;
    LoopSnapshotData snapshot;
};

class EngineStateCodec {
public:
    explicit EngineStateCodec(Grindelvosket &engine) : e_(engine) {}

    // ---- Writing

    bool writeGlobals(OutputStream &out)
    {
        bool ok = out.write(kGlobalsVersion) && e_.drumMap_.write(out) && out.write(e_.noteNames_.getName());
        ok = ok && out.write(static_cast<int8_t>(e_.outputChannel_)) &&
             out.write(static_cast<int8_t>(e_.outputPort_));
        ok = ok && out.write(e_.measureCount_) &&
             out.write(static_cast<uint8_t>(e_.multiTrackExport_ ? 1 : 0));
        ok = ok && out.write(static_cast<uint8_t>(e_.triggerEnabled_ ? 1 : 0)) &&
             out.write(static_cast<uint8_t>(e_.triggerLow_));
        ok = ok && out.write(static_cast<uint8_t>(e_.outputDynamics_.min())) &&
             out.write(static_cast<uint8_t>(e_.outputDynamics_.max()));
        ok = ok && out.write(static_cast<uint8_t>(e_.restartHostOnChange_ ? 1 : 0)) && out.write(uint8_t{0});
        return ok && out.write(e_.fillMeasure_);
    }

    static bool writeTrackReference(OutputStream &out, const FillSettings &s)
    {
        const int32_t kind = s.trackLoaded && s.embedded ? 2 : 1;
        return out.write(kind) && out.write(s.patternFolder) && out.write(s.patternFile) &&
               out.write(s.punchIn) && out.write(s.punchOut) && out.write(s.preZone) &&
               out.write(s.maskMode) && out.write(s.afterZone);
    }

    static bool writeLoopState(OutputStream &out, const FillSettings &s, const Grindelvosket::PartRefs &parts)
    {
        bool ok = out.write(kLoopStateVersion) && out.write(kStoredLoopers);
        for (const LooperPart *part : parts)
            ok = ok && part->writeBlock(out);
        ok = ok && out.write(kStoredLoopers);
        for (const LooperPart *part : parts)
            ok = ok && part->writeExtension(out);
        ok = ok && out.writeBytes(s.remap, 128) == 128;
        ok = ok && out.write(s.swingPc) && out.write(s.swingDurIdx) &&
             out.write(static_cast<int32_t>(s.quantizeOn ? 1 : 0)) && out.write(s.quantizeDur) &&
             out.write(s.veloDyn) && out.write(s.veloCenterPc);
        return ok && s.envelope.save(out);
    }

    static bool writeEmbeddedTrack(OutputStream &out, const FillSettings &s)
    {
        const bool embedded = s.trackLoaded && s.embedded;
        if (!out.write(static_cast<uint8_t>(embedded ? 1 : 0)))
            return false;
        return !embedded || s.source.saveSmf(out) == 0;
    }

    // A fill's snapshot; an edited fill must have been rebuilt first.
    static bool writeSnapshot(OutputStream &out, const FillSettings &s, const Grindelvosket::PartRefs &parts)
    {
        return writeTrackReference(out, s) && writeLoopState(out, s, parts) && writeEmbeddedTrack(out, s);
    }

    bool writeLiveSnapshot(OutputStream &out)
    {
        e_.rebuildSourceIfEdited(true);
        return writeSnapshot(out, e_.fill_, e_.liveParts());
    }

    bool writeState(OutputStream &out)
    {
        e_.rebuildSourceIfEdited(true);
        e_.storeLeftPads();
        e_.pads_.store(e_.currentPad_);
        return out.write(kStateVersion) && e_.pads_.save(out) &&
               out.write(static_cast<int32_t>(e_.currentPad_)) && writeGlobals(out) &&
               writeSnapshot(out, e_.fill_, e_.liveParts());
    }

    // ---- Parsing (no change to the engine)

    static bool parseGlobals(InputStream &in, GlobalsData &d)
    {
        int32_t version = 0;
        return in.read(version) && d.drumMap.read(in) && in.read(d.noteNameSet) && in.read(d.outputChannel) &&
               in.read(d.outputPort) && in.read(d.measureCount) && d.measureCount >= 0 &&
               d.measureCount <= Grindelvosket::kMaxMeasureCount && in.read(d.multiTrackExport) &&
               in.read(d.triggerEnabled) && in.read(d.triggerLow) && in.read(d.minVelocity) &&
               in.read(d.maxVelocity) && in.read(d.restartHost) && readReserved(in) && in.read(d.fillMeasure);
    }

    static bool parseTrackReference(InputStream &in, TrackReferenceData &d)
    {
        int32_t kind = 0;
        return in.read(kind) && in.read(d.folder) && in.read(d.file) && in.read(d.punchIn) &&
               in.read(d.punchOut) && in.read(d.preZone) && in.read(d.maskMode) && in.read(d.afterZone);
    }

    static bool parseLoopState(InputStream &in, LoopStateData &d)
    {
        int32_t version = 0;
        int32_t count = 0;
        if (!in.read(version) || !in.read(count) || count < 0)
            return false;
        // Counts come from the stream: each block must be there in full, so
        // a damaged count ends at the stream's end. Blocks beyond the tenth
        // go to the last looper again.
        for (int32_t i = 0; i < count; ++i) {
            const int target = std::min<int32_t>(i, kStoredLoopers - 1);
            if (!d.parts[target].readBlock(in))
                return false;
            d.hasBlock[target] = true;
        }
        if (!in.read(count) || count < 0)
            return false;
        for (int32_t i = 0; i < count; ++i) {
            const int target = std::min<int32_t>(i, kStoredLoopers - 1);
            if (!d.parts[target].readExtension(in))
                return false;
            d.hasExtension[target] = true;
        }
        return in.readBytes(d.remap, 128) == 128 && in.read(d.swingPc) && in.read(d.swingDurIdx) &&
               in.read(d.quantizeOn) && in.read(d.quantizeDur) && in.read(d.veloDyn) &&
               in.read(d.veloCenterPc) && d.envelope.load(in);
    }

    static bool parseEmbeddedTrack(InputStream &in, EmbeddedTrackData &d)
    {
        uint8_t flag = 0;
        if (!in.read(flag) || flag > 1)
            return false;
        d.present = flag == 1;
        if (!d.present)
            return true;
        d.track = std::make_unique<CMidiTrack>();
        return d.track->loadSmf(in) == 0;
    }

    static bool parseSnapshot(InputStream &in, LoopSnapshotData &d)
    {
        return parseTrackReference(in, d.reference) && parseLoopState(in, d.loopState) &&
               parseEmbeddedTrack(in, d.embedded);
    }

    bool parseState(InputStream &in, PersistStateData &d)
    {
        if (!in.read(d.version))
            return false;
        QuickPadStore pads(e_);
        if (!pads.load(in))
            return false;
        // Every pad is checked now, so that switching to one later cannot
        // meet a damaged snapshot.
        bool padsSound = true;
        pads.forEachPad([&](int32_t key, const std::string &bytes) {
            std::string copy = bytes;
            stringStream padIn(copy);
            LoopSnapshotData snapshot;
            padsSound = padsSound && parseSnapshot(padIn, snapshot);
            d.pads.emplace_back(key, bytes);
        });
        if (!padsSound)
            return false;
        if (!in.read(d.pad) || d.pad < 0 || d.pad >= Grindelvosket::kPadCount)
            return false;
        if (!parseGlobals(in, d.globals) || !parseTrackReference(in, d.snapshot.reference) ||
            !parseLoopState(in, d.snapshot.loopState))
            return false;
        return d.version < 2 || parseEmbeddedTrack(in, d.snapshot.embedded);
    }

    // ---- Applying parsed blocks

    void applyGlobals(const GlobalsData &d)
    {
        e_.drumMap_ = d.drumMap;
        // No set chosen stays so; a set this machine lacks keeps its name,
        // so the choice survives.
        if (d.noteNameSet.empty() || !e_.noteNamesProvider_.findSet(d.noteNameSet, &e_.noteNames_))
            e_.noteNames_.setName(d.noteNameSet);
        e_.noteNamesDirty_ = false;
        e_.setOutputChannel(d.outputChannel);
        e_.setOutputPort(d.outputPort);
        e_.measureCount_ = d.measureCount;
        e_.multiTrackExport_ = d.multiTrackExport != 0;
        e_.triggerEnabled_ = d.triggerEnabled != 0;
        e_.setTriggerBase(d.triggerLow);
        e_.outputDynamics_.setMin(d.minVelocity);
        e_.outputDynamics_.setMax(d.maxVelocity);
        e_.restartHostOnChange_ = d.restartHost != 0;
        e_.setFillMeasure(d.fillMeasure);
    }

    // A snapshot taken onto a fill (a copy of the live one): the names,
    // punch points and zones, the looper blocks and settings, and the
    // embedded track; then the fill is made from it. Without an embedded
    // block (old states) the fill comes from its file. True when the
    // pattern names changed.
    bool applySnapshot(const LoopSnapshotData &d, Fill &fill, bool hasEmbedded)
    {
        FillSettings &s = fill.settings;
        const TrackReferenceData &reference = d.reference;
        const std::string folder = canonicalPatternFolder(reference.folder);
        const bool namesChanged = folder != s.patternFolder || reference.file != s.patternFile;
        if (namesChanged) {
            s.patternFolder = folder;
            s.patternFile = reference.file;
            s.trackLoaded = false;
            s.sourceModified = false;
            s.embedded = false;
        }
        // As the punch setters take them: the punch-out drags the punch-in.
        s.punchOut = reference.punchOut;
        s.punchIn = std::min(reference.punchIn, reference.punchOut);
        if (reference.preZone >= 0)
            s.preZone = reference.preZone != 0 ? 1 : 0;
        if (reference.maskMode >= 0)
            s.maskMode = reference.maskMode > 3 ? 0 : reference.maskMode;
        if (reference.afterZone >= 0)
            s.afterZone = reference.afterZone != 0 ? 1 : 0;

        const LoopStateData &loop = d.loopState;
        for (int i = 0; i < kStoredLoopers; ++i) {
            LooperPart &part = fill.parts[i];
            const uint8_t exclude = part.exclude;
            if (loop.hasBlock[i]) {
                part = loop.parts[i];
                part.exclude = exclude;
            }
            if (loop.hasExtension[i])
                part.exclude = loop.parts[i].exclude;
        }
        std::copy(std::begin(loop.remap), std::end(loop.remap), s.remap);
        s.swingPc = std::clamp<int32_t>(loop.swingPc, 0, 100);
        s.swingDurIdx = std::clamp<int32_t>(loop.swingDurIdx, 0, 4);
        s.quantizeOn = loop.quantizeOn != 0;
        s.quantizeDur = std::clamp<int32_t>(loop.quantizeDur, 1, 1024);
        s.veloDyn = std::clamp<int32_t>(loop.veloDyn, -100, 200);
        s.veloCenterPc = std::clamp<int32_t>(loop.veloCenterPc, -100, 100);
        s.envelope = loop.envelope;

        const EmbeddedTrackData &embedded = d.embedded;
        s.source = CMidiTrack();
        s.sourceModified = false;
        s.trackLoaded = hasEmbedded && embedded.present && embedded.track;
        s.embedded = s.trackLoaded;
        if (s.trackLoaded)
            s.source = *embedded.track;
        e_.rearrange(fill);
        return namesChanged;
    }

    // The fill a pad's bytes hold, taken onto a base fill.
    std::unique_ptr<Fill> padFill(const std::string &bytes, const Fill &base)
    {
        std::string copy = bytes;
        stringStream in(copy);
        LoopSnapshotData data;
        if (!parseSnapshot(in, data))
            return nullptr;
        auto fill = std::make_unique<Fill>(base);
        applySnapshot(data, *fill, true);
        return fill;
    }

private:
    static bool readReserved(InputStream &in)
    {
        uint8_t reserved = 0;
        return in.read(reserved);
    }

    Grindelvosket &e_;
};

bool Grindelvosket::saveGlobals(OutputStream &out)
{
    EngineLockGuard guard(lock_);
    return EngineStateCodec(*this).writeGlobals(out);
}

bool Grindelvosket::loadGlobals(InputStream &in)
{
    GlobalsData data;
    if (!EngineStateCodec::parseGlobals(in, data))
        return false;
    {
        EngineLockGuard guard(lock_);
        EngineStateCodec(*this).applyGlobals(data);
        loopersRebuildVelocityMaps(false);
    }
    refreshInstruments();
    tellViews();
    return true;
}

bool Grindelvosket::saveLoop(OutputStream &out)
{
    EngineLockGuard guard(lock_);
    return EngineStateCodec(*this).writeLiveSnapshot(out);
}

bool Grindelvosket::loadLoop(InputStream &in, bool notify)
{
    LoopSnapshotData data;
    if (!EngineStateCodec::parseSnapshot(in, data))
        return false;
    bool namesChanged = false;
    {
        EngineLockGuard guard(lock_);
        Fill next = liveCopy();
        namesChanged = EngineStateCodec(*this).applySnapshot(data, next, true);
        install(next);
    }
    if (namesChanged)
        somethingChanged("loadTrack");
    tellViews();
    if (notify)
        somethingChanged("Grindelvosket::LoadLoop");
    return true;
}

bool Grindelvosket::saveState(OutputStream &out)
{
    EngineLockGuard guard(lock_);
    return EngineStateCodec(*this).writeState(out);
}

bool Grindelvosket::loadState(InputStream &in)
{
    EngineStateCodec codec(*this);
    PersistStateData data;
    if (!codec.parseState(in, data))
        return false;
    Fill live;
    {
        EngineLockGuard guard(lock_);
        // The settings every fill is made with come first.
        codec.applyGlobals(data.globals);
        live = liveCopy();
    }
    // The live fill and every stored pad are made aside, without the lock:
    // a pad switch meanwhile need not wait for the disk.
    const bool namesChanged = codec.applySnapshot(data.snapshot, live, data.version >= 2);
    std::array<std::unique_ptr<Fill>, kPadCount> prepared;
    for (const auto &[key, bytes] : data.pads)
        if (key != data.pad && !prepared[key])
            prepared[key] = codec.padFill(bytes, live);
    for (std::unique_ptr<Fill> &fill : prepared)
        if (!fill)
            fill = blankFill();
    {
        EngineLockGuard guard(lock_);
        pads_.clear();
        for (auto &[key, bytes] : data.pads)
            pads_.put(key, std::move(bytes));
        prepared_.swap(prepared);
        padLeft_.fill(false);
        padHeld_.fill(false);
        for (uint32_t &version : padVersion_)
            ++version;
        currentPad_ = data.pad;
        install(live);
        if (panel_ && onWindowThread())
            panel_->showPatternSelection(fill_.patternFolder, fill_.patternFile);
    }
    if (namesChanged)
        somethingChanged("loadTrack");
    if (onWindowThread()) {
        tellViewsPad();
        tellViews();
    } else {
        postViewNews();
    }
    return true;
}

void Grindelvosket::storeLeftPads()
{
    EngineLockGuard guard(lock_);
    for (int pad = 0; pad < kPadCount; ++pad) {
        if (!padLeft_[pad])
            continue;
        Fill &fill = *prepared_[pad];
        if (fill.settings.sourceModified) {
            rebuildSource(fill.settings, partsOf(fill));
            rearrange(fill);
        }
        std::string bytes;
        stringStream out(bytes, 1024);
        if (EngineStateCodec(*this).writeSnapshot(out, fill.settings, partsOf(fill)))
            pads_.put(pad, std::move(bytes));
        padLeft_[pad] = false;
    }
}

void Grindelvosket::writeGlobalsValue()
{
    RegistryStream stream(FillModule::registryPath().c_str(), "Globals");
    saveGlobals(stream);
}

bool Grindelvosket::readGlobalsValue()
{
    RegistryStream stream(FillModule::registryPath().c_str(), "Globals");
    if (stream.content().empty())
        return false;
    return loadGlobals(stream);
}

void Grindelvosket::writeLastValue()
{
    RegistryStream stream(FillModule::registryPath().c_str(), "Last");
    saveState(stream);
}

bool Grindelvosket::readLastValue()
{
    RegistryStream stream(FillModule::registryPath().c_str(), "Last");
    if (stream.content().empty())
        return false;
    return loadState(stream);
}

} // namespace Quorvane
