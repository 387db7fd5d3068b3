// The engine's stored forms: the "Globals" block, the LoopSnapshot (one
// fill, as pads and the clipboard keep it) and the DrummerPersistState (what
// the host stores with its song), and the registry values "Globals" and
// "Last". Every reader parses the whole block aside first and changes the
// engine only when all of it was sound.
#include "base/registry.h"
#include "base/string_stream.h"
#include "plugin/fill/engine/fill_module.h"
#include "plugin/fill/engine/grindelvosket.h"

#include <algorithm>
#include <memory>

namespace Quorvane {

namespace {

constexpr int32_t kGlobalsVersion = 1;
constexpr int32_t kLoopStateVersion = 1;
constexpr int32_t kStateVersion = 2;
constexpr int32_t kStoredLoopers = Grindelvosket::kLooperCount;

// Keeps a copy of every byte read through it, so that a block parsed aside
// can be replayed into its real owner.
class RecordingStream : public InputStream {
public:
    explicit RecordingStream(InputStream &in) : in_(in) {}
    bool atEnd() override { return in_.atEnd(); }
    uint32_t readBytes(void *buffer, uint32_t count) override
    {
        const uint32_t got = in_.readBytes(buffer, count);
        recorded_.append(static_cast<const char *>(buffer), got);
        return got;
    }
    std::string take() { return std::move(recorded_); }

private:
    InputStream &in_;
    std::string recorded_;
};

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
    // Raw looper blocks, already checked; index = looper.
    std::string looperBlocks[kStoredLoopers];
    bool hasBlock[kStoredLoopers] = {};
    std::string extensionBlocks[kStoredLoopers];
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
    std::string padBlock;
    int32_t pad = 0;
    GlobalsData globals;
    LoopSnapshotData snapshot;
};

class EngineStateCodec {
public:
    // Direct: looper blocks go straight into the engine's loopers (for bytes
    // this engine wrote itself, which need no check).
    explicit EngineStateCodec(Grindelvosket &engine, bool direct = false) : e_(engine), direct_(direct) {}

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

    bool writeTrackReference(OutputStream &out)
    {
        const int32_t kind = e_.trackLoaded_ && e_.embedded_ ? 2 : 1;
        return out.write(kind) && out.write(e_.patternFolder_) && out.write(e_.patternFile_) &&
               out.write(e_.punchIn_) && out.write(e_.punchOut_) && out.write(e_.preZone_) &&
               out.write(e_.maskMode_) && out.write(e_.afterZone_);
    }

    bool writeLoopState(OutputStream &out)
    {
        bool ok = out.write(kLoopStateVersion) && out.write(kStoredLoopers);
        for (Looper *looper : e_.loopers_)
            ok = ok && looper->save(out);
        ok = ok && out.write(kStoredLoopers);
        for (Looper *looper : e_.loopers_)
            ok = ok && looper->saveExtension(out);
        ok = ok && out.writeBytes(e_.remap_, 128) == 128;
        ok = ok && out.write(e_.swingPc_) && out.write(e_.swingDurIdx_) &&
             out.write(static_cast<int32_t>(e_.quantizeOn_ ? 1 : 0)) && out.write(e_.quantizeDur_) &&
             out.write(e_.veloDyn_) && out.write(e_.veloCenterPc_);
        return ok && e_.envelope_.save(out);
    }

    bool writeEmbeddedTrack(OutputStream &out)
    {
        const bool embedded = e_.trackLoaded_ && e_.embedded_;
        if (!out.write(static_cast<uint8_t>(embedded ? 1 : 0)))
            return false;
        return !embedded || e_.source_.saveSmf(out) == 0;
    }

    bool writeSnapshot(OutputStream &out)
    {
        e_.rebuildSourceIfEdited(true);
        return writeTrackReference(out) && writeLoopState(out) && writeEmbeddedTrack(out);
    }

    bool writeState(OutputStream &out)
    {
        e_.rebuildSourceIfEdited(true);
        e_.pads_.store(e_.currentPad_);
        return out.write(kStateVersion) && e_.pads_.save(out) &&
               out.write(static_cast<int32_t>(e_.currentPad_)) && writeGlobals(out) &&
               writeTrackReference(out) && writeLoopState(out) && writeEmbeddedTrack(out);
    }

    // ---- Parsing (no change to the engine)

    static bool parseGlobals(InputStream &in, GlobalsData &d)
    {
        int32_t version = 0;
        return in.read(version) && d.drumMap.read(in) && in.read(d.noteNameSet) && in.read(d.outputChannel) &&
               in.read(d.outputPort) && in.read(d.measureCount) && in.read(d.multiTrackExport) &&
               in.read(d.triggerEnabled) && in.read(d.triggerLow) && in.read(d.minVelocity) &&
               in.read(d.maxVelocity) && in.read(d.restartHost) && readReserved(in) && in.read(d.fillMeasure);
    }

    static bool parseTrackReference(InputStream &in, TrackReferenceData &d)
    {
        int32_t kind = 0;
        return in.read(kind) && in.read(d.folder) && in.read(d.file) && in.read(d.punchIn) &&
               in.read(d.punchOut) && in.read(d.preZone) && in.read(d.maskMode) && in.read(d.afterZone);
    }

    bool parseLoopState(InputStream &in, LoopStateData &d)
    {
        int32_t version = 0;
        int32_t count = 0;
        if (!in.read(version) || !in.read(count) || count < 0)
            return false;
        // One looper to parse into: the blocks are checked here and replayed
        // into the engine's loopers only when the whole state is sound.
        std::unique_ptr<Looper> scratch;
        if (!direct_)
            scratch = std::make_unique<Looper>(e_, 0);
        // Counts come from the stream: each block must be there in full, so
        // a damaged count ends at the stream's end.
        for (int32_t i = 0; i < count; ++i) {
            const int target = i < kStoredLoopers ? i : kStoredLoopers - 1;
            if (direct_) {
                if (!e_.loopers_[target]->load(in))
                    return false;
                continue;
            }
            RecordingStream recorder(in);
            if (!scratch->load(recorder))
                return false;
            d.looperBlocks[target] = recorder.take();
            d.hasBlock[target] = true;
        }
        if (!in.read(count) || count < 0)
            return false;
        for (int32_t i = 0; i < count; ++i) {
            const int target = i < kStoredLoopers ? i : kStoredLoopers - 1;
            if (direct_) {
                if (!e_.loopers_[target]->loadExtension(in))
                    return false;
                continue;
            }
            RecordingStream recorder(in);
            if (!scratch->loadExtension(recorder))
                return false;
            d.extensionBlocks[target] = recorder.take();
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

    bool parseSnapshot(InputStream &in, LoopSnapshotData &d)
    {
        return parseTrackReference(in, d.reference) && parseLoopState(in, d.loopState) &&
               parseEmbeddedTrack(in, d.embedded);
    }

    bool parseState(InputStream &in, PersistStateData &d)
    {
        if (!in.read(d.version))
            return false;
        RecordingStream recorder(in);
        QuickPadStore pads(e_);
        if (!pads.load(recorder))
            return false;
        d.padBlock = recorder.take();
        // Every pad is checked now, so that switching to one later cannot
        // meet a damaged snapshot.
        bool padsSound = true;
        pads.forEachPad([&](int32_t, const std::string &bytes) {
            std::string copy = bytes;
            stringStream padIn(copy);
            LoopSnapshotData snapshot;
            padsSound = padsSound && parseSnapshot(padIn, snapshot);
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
        e_.refreshInstruments();
    }

    // Takes the pattern names and zones; the fill itself is rebuilt once at
    // the end of the load.
    void applyTrackReference(const TrackReferenceData &d, bool panelUpdate)
    {
        const bool changed = d.folder != e_.patternFolder_ || d.file != e_.patternFile_;
        if (changed) {
            e_.patternFolder_ = d.folder;
            e_.patternFile_ = d.file;
            e_.trackLoaded_ = false;
            e_.sourceModified_ = false;
            e_.embedded_ = false;
            e_.somethingChanged("loadTrack");
        }
        if (panelUpdate && e_.panel_ && e_.onWindowThread())
            e_.panel_->showPatternSelection(e_.patternFolder_, e_.patternFile_);
        e_.setPunchIn(d.punchIn);
        e_.setPunchOut(d.punchOut);
        e_.setZones(d.preZone, d.maskMode, d.afterZone, false);
    }

    void applyLoopState(const LoopStateData &d)
    {
        for (int i = 0; i < kStoredLoopers; ++i) {
            if (d.hasBlock[i]) {
                std::string bytes = d.looperBlocks[i];
                stringStream in(bytes);
                e_.loopers_[i]->load(in);
            }
            if (d.hasExtension[i]) {
                std::string bytes = d.extensionBlocks[i];
                stringStream in(bytes);
                e_.loopers_[i]->loadExtension(in);
            }
        }
        std::copy(std::begin(d.remap), std::end(d.remap), e_.remap_);
        e_.swingPc_ = std::clamp<int32_t>(d.swingPc, 0, 100);
        e_.swingDurIdx_ = std::clamp<int32_t>(d.swingDurIdx, 0, 4);
        e_.quantizeOn_ = d.quantizeOn != 0;
        e_.quantizeDur_ = std::clamp<int32_t>(d.quantizeDur, 1, 1024);
        e_.veloDyn_ = std::clamp<int32_t>(d.veloDyn, -100, 200);
        e_.veloCenterPc_ = std::clamp<int32_t>(d.veloCenterPc, -100, 100);
        const int32_t bars = e_.envelope_.bars();
        const int32_t startBar = e_.envelope_.startBar();
        e_.envelope_ = d.envelope;
        e_.envelope_.setBars(bars);
        e_.envelope_.setStartBar(startBar + 1);
    }

    // Without an embedded block (old states) the fill comes from its file.
    void applyEmbeddedTrack(EmbeddedTrackData &d)
    {
        e_.source_.clear();
        if (d.present && d.track) {
            e_.source_ = *d.track;
            e_.trackLoaded_ = true;
            e_.sourceModified_ = false;
            e_.embedded_ = true;
        } else {
            e_.trackLoaded_ = false;
            e_.sourceModified_ = false;
            e_.embedded_ = false;
        }
    }

    void applySnapshot(LoopSnapshotData &d, bool panelUpdate, bool hasEmbedded)
    {
        applyTrackReference(d.reference, panelUpdate);
        applyLoopState(d.loopState);
        EmbeddedTrackData none;
        applyEmbeddedTrack(hasEmbedded ? d.embedded : none);
        e_.LoadAndRearrange(false);
    }

private:
    static bool readReserved(InputStream &in)
    {
        uint8_t reserved = 0;
        return in.read(reserved);
    }

    Grindelvosket &e_;
    bool direct_;
};

bool Grindelvosket::saveGlobals(OutputStream &out)
{
    EngineLockGuard guard(lock_);
    return EngineStateCodec(*this).writeGlobals(out);
}

bool Grindelvosket::loadGlobals(InputStream &in)
{
    EngineLockGuard guard(lock_);
    GlobalsData data;
    if (!EngineStateCodec::parseGlobals(in, data))
        return false;
    EngineStateCodec(*this).applyGlobals(data);
    loopersRebuildVelocityMaps(false);
    tellViews();
    return true;
}

bool Grindelvosket::saveLoop(OutputStream &out)
{
    EngineLockGuard guard(lock_);
    return EngineStateCodec(*this).writeSnapshot(out);
}

bool Grindelvosket::loadLoop(InputStream &in, bool notify, bool trusted)
{
    {
        EngineLockGuard guard(lock_);
        EngineStateCodec codec(*this, trusted);
        LoopSnapshotData data;
        if (!codec.parseSnapshot(in, data))
            return false;
        codec.applySnapshot(data, false, true);
    }
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
    {
        EngineLockGuard guard(lock_);
        EngineStateCodec codec(*this);
        PersistStateData data;
        if (!codec.parseState(in, data))
            return false;
        std::string padBlock = data.padBlock;
        stringStream padStream(padBlock);
        pads_.load(padStream);
        currentPad_ = data.pad;
        tellViewsPad();
        codec.applyGlobals(data.globals);
        codec.applySnapshot(data.snapshot, true, data.version >= 2);
    }
    tellViews();
    return true;
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
