// The engine's life: construction, attach and detach, time conversions and
// the engine-wide parameters.
#include "plugin/slice/engine/vostrapellin.h"

#include "base/registry.h"
#include "plugin/fill/library/pattern_tree.h"
#include "plugin/framework/midi/tick_math.h"
#include "plugin/slice/engine/slice_module.h"

#include <algorithm>

namespace Quorvane::LoopSlice {

namespace {

// Default pattern folders below the first collection, by slice index.
const char *const kDefaultFolders[kSliceCount] = {
    "4.Percussion\\Cowbell\\",
    "4.Percussion\\Maracas\\",
    "4.Percussion\\Conga\\",
    "3.Cymbal\\",
    "2.Snare\\",
    "1.Kick\\",
};

// The percussion layers start muted, playing these notes.
constexpr uint8_t kLayerNotes[3] = {67, 73, 61};

} // namespace

Vostrapellin::Vostrapellin() : pads_(*this, kPadCount)
{
    resolution_ = 240;
    SliceModule::engineConstructed();
    displayMinVelocity_ =
        static_cast<int32_t>(readAppRegistryValue("Undocumented", "DisplayMinVelo", 20, false));
    collection_ = std::make_shared<const std::string>();
    for (int i = 0; i < kSliceCount; ++i)
        loopers_[static_cast<size_t>(i)] = std::make_unique<Looper>(*this, i);
    seedRandom(GetTickCount());
    for (int i = 0; i < 3; ++i) {
        Looper &layer = slice(i);
        std::shared_ptr<SliceContent> content = layer.editableContent();
        content->mute = 1;
        content->fixedNote = kLayerNotes[i];
        layer.install(std::move(content));
    }
    for (int i = 0; i < kSliceCount; ++i) {
        initialMute_[static_cast<size_t>(i)] = slice(i).content()->mute;
        initialLocked_[static_cast<size_t>(i)] = slice(i).isLocked() ? 1 : 0;
    }
}

Vostrapellin::~Vostrapellin()
{
    writeGlobalsValue();
    if (attached_)
        detach();
    for (std::unique_ptr<Looper> &looper : loopers_)
        looper.reset();
    SliceModule::engineDestroyed();
}

void Vostrapellin::seedRandom(uint32_t seed)
{
    seed_ = seed;
    drawRandom_.seed(seed);
    for (int i = 0; i < kSliceCount; ++i)
        slice(i).seedRandom(seed + 7919u * static_cast<uint32_t>(i + 1));
}

const PatternTree *Vostrapellin::patternTree() const
{
    return SliceModule::patternLibrary();
}

VelocityMapInputs Vostrapellin::velocityInputs() const
{
    return VelocityMapInputs{veloDyn_, veloCentre_, outputDynamics_.min(), outputDynamics_.max()};
}

// ---- Attach and detach

void Vostrapellin::attach()
{
    SliceModule::ensurePatternLibrary();
    const PatternTree *tree = patternTree();
    const std::string first = tree ? tree->firstFolder() : std::string();
    for (int i = 0; i < kSliceCount; ++i)
        slice(i).setFolder(first + kDefaultFolders[i]);
    setVolume(folderComponent(slice(kKick).content()->folder, 0));
    setPatternLevel(0, true);
    {
        SliceModule::EngineListGuard guard;
        std::vector<Vostrapellin *> &live = SliceModule::liveEngines();
        if (!live.empty())
            live.back()->writeLastValue();
        if (std::find(live.begin(), live.end(), this) == live.end())
            live.push_back(this);
        readGlobalsValue();
        if (live.size() > 1)
            readLastValue();
    }
    noteNamesProvider_.loadTextSets(SliceModule::dataFolders().noteNames);
    selectNoteNameSet(NoteNamesProvider::kGeneralMidiSetName);
    attached_ = true;
}

void Vostrapellin::detach()
{
    noteNamesProvider_.setHostNoteNames(nullptr);
    SliceModule::EngineListGuard guard;
    std::vector<Vostrapellin *> &live = SliceModule::liveEngines();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
    attached_ = false;
}

// ---- Time

int32_t Vostrapellin::toTime(int32_t bar, int32_t beat, int32_t tick)
{
    const int64_t quarters = int64_t(beat) + 4 * int64_t(bar) - 5;
    return clampToInt32(quarters * usableResolution(resolution_) + tick);
}

int32_t Vostrapellin::toBarBeatTick(int32_t ticks, int32_t *bar, int32_t *beat, int32_t *tick)
{
    const int64_t quarter = usableResolution(resolution_);
    const int64_t t = std::max<int64_t>(0, ticks);
    const int64_t quarters = t / quarter;
    const int32_t b = clampToInt32(quarters / 4 + 1);
    if (bar)
        *bar = b;
    if (beat)
        *beat = static_cast<int32_t>(quarters % 4 + 1);
    if (tick)
        *tick = static_cast<int32_t>(t % quarter);
    return b;
}

void Vostrapellin::tempoAndMeter(int32_t *tempo, int32_t *ticksPerQuarter, int32_t *numerator,
                                 int32_t *denominatorPower)
{
    if (tempo)
        *tempo = 12000;
    if (ticksPerQuarter)
        *ticksPerQuarter = kEngineTicksPerQuarter;
    if (numerator)
        *numerator = 4;
    if (denominatorPower)
        *denominatorPower = 2;
}

int32_t Vostrapellin::cycleLength()
{
    return clampToInt32(int64_t(cycleMeasures_) * 4 * kEngineTicksPerQuarter);
}

// ---- Slots with the engine's own behaviour

void Vostrapellin::drumMapChanged()
{
    rebuildVelocityTables();
    somethingChanged("Vostrapellin::drumMapChanged");
    refreshViews();
}

void Vostrapellin::setTriggerLow(int32_t note)
{
    // The top note cuts the range without narrowing it for good.
    triggerLow_ = std::clamp(note, 0, 127);
    triggerHigh_ = std::min(127, triggerLow_ + kTriggerWidth);
}

void Vostrapellin::setTriggerEnabled(bool enabled)
{
    triggerEnabled_ = enabled;
}

void Vostrapellin::selectNoteNameSet(const std::string &name)
{
    if (!noteNamesProvider_.findSet(name, &noteNames_))
        noteNames_.setName(name);
    refreshViews();
}

// ---- Parameters

void Vostrapellin::rebuildVelocityTables()
{
    for (int i = 0; i < kSliceCount; ++i)
        slice(i).rebuildVelocityTable();
}

void Vostrapellin::setSwingPc(int32_t value, bool notify)
{
    swingPc_ = std::clamp(value, 0, 100);
    refreshViews();
    if (notify)
        somethingChanged("setSwingPc");
}

void Vostrapellin::setSwingDurIdx(int32_t value, bool notify)
{
    swingDurIdx_ = std::clamp(value, 0, 4);
    refreshViews();
    if (notify)
        somethingChanged("setSwingDurIdx");
}

void Vostrapellin::setVelocityDynamics(int32_t value)
{
    veloDyn_ = std::clamp(value, -100, 150);
    rebuildVelocityTables();
    refreshViews();
}

void Vostrapellin::setVelocityCentre(int32_t value)
{
    veloCentre_ = std::clamp(value, -100, 100);
    rebuildVelocityTables();
    refreshViews();
}

void Vostrapellin::setOutputMinimum(int32_t value)
{
    outputDynamics_.setMin(value);
    rebuildVelocityTables();
    refreshViews();
}

void Vostrapellin::setOutputMaximum(int32_t value)
{
    outputDynamics_.setMax(value);
    rebuildVelocityTables();
    refreshViews();
}

void Vostrapellin::setHumanizeVelo(int32_t value, bool notify)
{
    humanize_ = std::clamp(value, 0, 127);
    refreshViews();
    if (notify)
        somethingChanged("setHumanizeVelo");
}

void Vostrapellin::setQuantize(bool on)
{
    quantize_ = on;
    refreshViews();
}

void Vostrapellin::setOutputChannel(int32_t channel)
{
    outputChannel_ = std::clamp(channel, -1, 15);
}

void Vostrapellin::setOutputPort(int32_t port)
{
    outputPort_ = std::clamp(port, -1, 127);
}

void Vostrapellin::setCycleMeasures(int32_t measures)
{
    cycleMeasures_ = std::clamp(measures, 1, kMaxCycleMeasures);
}

std::string Vostrapellin::collectionName() const
{
    CriticalSectionGuard guard(padLock_);
    return *collection_;
}

int32_t Vostrapellin::gridOfCollection(const std::string &name)
{
    int64_t number = 0;
    size_t digits = 0;
    while (digits < name.size() && digits < 9 && name[digits] >= '0' && name[digits] <= '9')
        number = number * 10 + (name[digits++] - '0');
    if (digits == 0)
        return 0;
    return number == 16 ? 2 : number == 8 ? 1 : 0;
}

void Vostrapellin::setCollectionName(const std::string &name)
{
    const int32_t grid = gridOfCollection(name);
    auto collection = std::make_shared<const std::string>(name);
    {
        CriticalSectionGuard guard(padLock_);
        collection_.swap(collection);
        swingDurIdx_ = grid;
    }
    refreshViews();
}

void Vostrapellin::setVolume(const std::string &name)
{
    if (name == collectionName())
        return;
    if (anyModified()) {
        if (!mayChangePatterns()) {
            refreshViews();
            return;
        }
        // The user let the edits go: the slices do not ask again.
        for (int i = 0; i < kSliceCount; ++i)
            if (slice(i).content()->modified)
                slice(i).forgetEdits();
    }
    setCollectionName(name);
    for (int i = 0; i < kSliceCount; ++i)
        slice(i).setCollection(name);
    if (const PatternTree *tree = patternTree())
        loadAsLoop(*tree, name + "\\", "Default.mid", *this);
    somethingChanged("Vostrapellin::setVolume");
}

void Vostrapellin::setPatternLevel(int32_t level, bool choose)
{
    {
        CriticalSectionGuard guard(padLock_);
        level_ = level;
    }
    for (int i = 0; i < kSliceCount; ++i)
        slice(i).recomputeFilters(level, choose);
    refreshViews();
}

void Vostrapellin::wantPlaySolo(Looper &looper)
{
    const int ending = looper.isSolo() ? looper.index() : -1;
    for (int i = 0; i < kSliceCount; ++i)
        slice(i).setSolo(ending < 0 && i == looper.index());
    soloed_ = ending < 0 ? looper.index() : -1;
    refreshViews();
    somethingChanged("Vostrapellin::wantPlaySolo");
}

void Vostrapellin::ResetPars()
{
    swingPc_ = 0;
    veloDyn_ = 0;
    veloCentre_ = 0;
    humanize_ = 0;
    quantize_ = false;
    for (int i = 0; i < kSliceCount; ++i)
        slice(i).resetParameters();
    refreshViews();
    somethingChanged("Vostrapellin::ResetPars");
}

void Vostrapellin::clearAll()
{
    for (int i = 0; i < kSliceCount; ++i)
        slice(i).clearLoop();
    refreshViews();
}

bool Vostrapellin::anyModified() const
{
    for (int i = 0; i < kSliceCount; ++i)
        if (slice(i).content()->modified)
            return true;
    return false;
}

void Vostrapellin::clearModified()
{
    for (int i = 0; i < kSliceCount; ++i)
        if (slice(i).content()->modified)
            slice(i).setModified(false);
}

bool Vostrapellin::mayChangePatterns()
{
    // The first open panel answers for all: the user is asked once.
    EngineView *first = views_.first();
    return !first || first->mayChangePatterns();
}

} // namespace Quorvane::LoopSlice
