// The engine's life: construction, registration, time conversions, its loopers,
// and resetting or clearing the fill.
#include "plugin/fill/engine/grindelvosket.h"

#include "base/registry.h"
#include "plugin/fill/engine/fill_module.h"
#include "plugin/fill/engine/fill_units.h"
#include "plugin/framework/mfx/host_tempo.h"

#include <algorithm>
#include <cstdlib>

namespace Quorvane {

Grindelvosket::Grindelvosket() : pads_(*this)
{
    FillModule::engineConstructed();
    displayMinVelocity_ =
        static_cast<int32_t>(readAppRegistryValue("Undocumented", "DisplayMinVelo", 20, false));
    durationsLength_ = static_cast<int32_t>(readAppRegistryValue("Durations", "Length", 32, false));
    monoDivision_ = static_cast<int32_t>(readAppRegistryValue("Durations", "Mono", 128, false));
    drumSet_.setDefaults();
    const DWORD clock = GetTickCount();
    srand(clock);
    for (std::unique_ptr<Fill> &pad : prepared_)
        pad = blankFill();
    for (int i = 0; i < kLooperCount; ++i) {
        loopers_[i] = new Looper(*this, i);
        loopers_[i]->setVelocityEnvelope(&fill_.envelope);
        soloMute_[i] = loopers_[i]->isMuted();
        soloNotesOff_[i] = loopers_[i]->isNotesOff();
        soloExclude_[i] = loopers_[i]->isExcluded();
    }
    seedRandom(clock);
    resetRemapTables();
    for (int i = 0; i < kLooperCount; ++i)
        loopers_[i]->setInstrumentNotes(drumSet_, i);
    recomputeInputMask();
}

Grindelvosket::~Grindelvosket()
{
    writeGlobalsValue();
    if (registered_)
        unregisterEngine();
    for (Looper *&looper : loopers_) {
        delete looper;
        looper = nullptr;
    }
    FillModule::engineDestroyed();
}

void Grindelvosket::seedRandom(uint32_t seed)
{
    for (int i = 0; i < kLooperCount; ++i)
        if (loopers_[i])
            loopers_[i]->seedRandom(seed + 7919u * static_cast<uint32_t>(i));
}

// ---- Registration

void Grindelvosket::registerEngine()
{
    FillModule::ensurePatternLibrary();
    {
        // The list lock first, then one engine's lock at a time (the
        // newest's to write "Last", this one's to read it).
        FillModule::EngineListGuard guard;
        readGlobalsValue();
        std::vector<Grindelvosket *> &live = FillModule::liveEngines();
        if (!live.empty()) {
            live.back()->writeLastValue();
            readLastValue();
        }
        if (std::find(live.begin(), live.end(), this) == live.end())
            live.push_back(this);
        registered_ = true;
    }
    resetRemapTables();
    refreshInstruments();
    noteNamesProvider_.loadTextSets(FillModule::dataFolders().noteNames);
    selectNoteNameSet(NoteNamesProvider::kGeneralMidiSetName);
}

void Grindelvosket::unregisterEngine()
{
    noteNamesProvider_.setHostNoteNames(nullptr);
    FillModule::EngineListGuard guard;
    std::vector<Grindelvosket *> &live = FillModule::liveEngines();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
    registered_ = false;
}

// ---- Time conversions

void Grindelvosket::attachHostMaps(IMfxTempoMap *tempoMap, IMfxMeterMap *meterMap)
{
    tempoMap_ = tempoMap;
    meterMap_ = meterMap;
}

int32_t Grindelvosket::toTime(int32_t bar, int32_t beat, int32_t tick)
{
    if (meterMap_)
        return meterMap_->MeasureBeatTickToTicks(bar, beat, tick);
    const int64_t quarters = (static_cast<int64_t>(bar) - 1) * 4 + (static_cast<int64_t>(beat) - 1);
    return clampToInt32(quarters * usableResolution(resolution_) + tick);
}

int32_t Grindelvosket::toBarBeatTick(int32_t ticks, int32_t *bar, int32_t *beat, int32_t *tick)
{
    LONG m = 1;
    LONG b = 1;
    LONG t = 0;
    if (!meterMap_ || FAILED(meterMap_->TicksToMeasureBeatTick(ticks, &m, &b, &t))) {
        m = 1;
        b = 1;
        t = 0;
    }
    if (bar)
        *bar = m;
    if (beat)
        *beat = b;
    if (tick)
        *tick = t;
    return m;
}

int32_t Grindelvosket::measureCountLength(int32_t time)
{
    int64_t tpq4 = 1920;
    if (tempoMap_) {
        const LONG tpq = tempoMap_->GetTicksPerQuarter();
        if (tpq > 0)
            tpq4 = 4 * static_cast<int64_t>(tpq);
    }
    LONG numerator = 4;
    LONG power = 2;
    if (meterMap_) {
        LONG first = 0;
        if (FAILED(
                meterMap_->GetMeterAt(meterMap_->GetMeterIndexForTime(time), &first, &numerator, &power)) ||
            numerator <= 0 || power < 0 || power > 30) {
            numerator = 4;
            power = 2;
        }
    }
    return clampToInt32(static_cast<int64_t>(measureCount_) * numerator * tpq4 / (int64_t{1} << power));
}

void Grindelvosket::tempoAndMeter(int32_t *tempo, int32_t *ticksPerQuarter, int32_t *numerator,
                                  int32_t *denominatorPower)
{
    const HostTempoAndMeter host = readHostTempoAndMeter(tempoMap_, meterMap_);
    if (tempo)
        *tempo = host.tempo;
    if (ticksPerQuarter)
        *ticksPerQuarter = host.ticksPerQuarter;
    if (numerator)
        *numerator = host.numerator;
    if (denominatorPower)
        *denominatorPower = host.denominatorPower;
}

// ---- Loopers

Looper *Grindelvosket::getLooper(int index) const
{
    return index >= 0 && index < kLooperCount ? loopers_[index] : nullptr;
}

bool Grindelvosket::hasLoopers() const
{
    return std::all_of(std::begin(loopers_), std::end(loopers_), [](Looper *l) { return l != nullptr; });
}

int32_t Grindelvosket::passStart(int32_t time, const ProcessContext *ctx) const
{
    const int32_t ctxResolution = ctx ? ctx->getResolution() : resolution_;
    const int64_t length = fillUnitsToTicks64(fill_.fillLength, ctxResolution);
    if (length <= 0)
        return time;
    const int64_t base = ctx == this ? fillStart_ : 0;
    const int64_t t = time;
    return clampToInt32(t - (t - base) % length);
}

void Grindelvosket::updatePositions()
{
    const int32_t now = currentTime();
    if (now == -1)
        return;
    for (Looper *looper : loopers_)
        looper->showPosition(now);
}

void Grindelvosket::loopersRebuildVelocityMaps(bool redraw)
{
    for (Looper *looper : loopers_) {
        looper->rebuildVelocityMap();
        if (redraw)
            looper->refreshView();
    }
}

void Grindelvosket::loopersRedraw()
{
    for (Looper *looper : loopers_)
        looper->refreshView();
}

void Grindelvosket::refreshInstruments()
{
    {
        EngineLockGuard guard(lock_);
        takeInstruments();
    }
    repreparePads(false);
}

void Grindelvosket::takeInstruments()
{
    for (int i = 0; i < kLooperCount; ++i)
        loopers_[i]->setInstrumentNotes(drumSet_, i);
    computeInputMask(fill_, liveParts());
}

// ---- Reset and clear

void Grindelvosket::ResetPars()
{
    // Every value changes in one hold; the fill is arranged and the pads
    // prepared again after it, and the host told last, so that a trigger
    // note meanwhile waits for none of it.
    bool untransformed = false;
    {
        EngineLockGuard guard(lock_);
        fill_.swingPc = 0;
        fill_.veloDyn = 0;
        fill_.veloCenterPc = 0;
        humanizeVelo_ = 0;
        fill_.quantizeOn = false;
        for (int i = 0; i < kLooperCount; ++i) {
            loopers_[i]->reset();
            if (i > 0)
                loopers_[i]->setExclude(false);
        }
        // The transformation is kept for a later toggle: only the live remap
        // goes back to identity below.
        untransformed = !isUntransformed();
        if (untransformed)
            switchArrangement();
        for (int n = 0; n < 128; ++n)
            fill_.remap[n] = static_cast<uint8_t>(n);
        takeInstruments();
        fill_.envelope.reset();
    }
    if (untransformed)
        tellPunchRange();
    remakeLive();
    if (untransformed) {
        somethingChanged("Grindelvosket::LoadAndRearrange");
        somethingChanged("Grindelvosket::drumMapChanged");
    }
    repreparePads(false);
    if (untransformed)
        refreshViews();
    tellViews();
    somethingChanged("Grindelvosket::ResetPars");
}

void Grindelvosket::clearFill()
{
    {
        EngineLockGuard guard(lock_);
        std::unique_ptr<Fill> cleared = blankFill();
        clearedCopy(*cleared);
        install(*cleared);
        resetRemapTables();
    }
    tellViews();
}

void Grindelvosket::resetRemapTables()
{
    for (int n = 0; n < 128; ++n) {
        fill_.remap[n] = static_cast<uint8_t>(n);
        savedRemap_[n] = static_cast<uint8_t>(n);
        savedEnabled_[n] = 1;
    }
    std::fill(std::begin(savedNotesOff_), std::end(savedNotesOff_), uint8_t{0});
    std::fill(std::begin(savedMute_), std::end(savedMute_), uint8_t{0});
    automaticPunchRange(liveParts(), fill_.fillLength, savedPunchIn_, savedPunchOut_);
}

void Grindelvosket::setAutomaticPunchRange(FillSettings &settings, const PartRefs &parts)
{
    int32_t in = 0;
    int32_t out = 960;
    automaticPunchRange(parts, settings.fillLength, in, out);
    settings.punchIn = std::min(in, out);
    settings.punchOut = out;
}

} // namespace Quorvane
