#include "plugin/fill/engine/grindelvosket.h"

#include "base/registry.h"
#include "plugin/fill/engine/fill_module.h"
#include "plugin/fill/engine/fill_units.h"
#include "plugin/fill/engine/instrument_groups.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace Quorvane {

namespace {

int32_t clampTo(int32_t value, int32_t low, int32_t high)
{
    return value < low ? low : value > high ? high : value;
}

bool sameNameNoCase(const std::string &a, const std::string &b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

UINT viewsSetLoopIdxMessage()
{
    static const UINT message = RegisterWindowMessageA("Quorvane_ViewsSetLoopIdx");
    return message;
}

Grindelvosket::Grindelvosket() : pads_(*this)
{
    FillModule::engineConstructed();
    viewsSetLoopIdxMessage();
    windowThread_ = GetCurrentThreadId();
    displayMinVelocity_ =
        static_cast<int32_t>(readAppRegistryValue("Undocumented", "DisplayMinVelo", 20, false));
    durationsLength_ = static_cast<int32_t>(readAppRegistryValue("Durations", "Length", 32, false));
    monoDivision_ = static_cast<int32_t>(readAppRegistryValue("Durations", "Mono", 128, false));
    drumSet_.setDefaults();
    const DWORD clock = GetTickCount();
    srand(clock);
    for (int i = 0; i < kLooperCount; ++i) {
        loopers_[i] = new Looper(*this, i);
        loopers_[i]->setVelocityEnvelope(&envelope_);
        soloMute_[i] = loopers_[i]->isMuted();
        soloNotesOff_[i] = loopers_[i]->isNotesOff();
        soloExclude_[i] = loopers_[i]->isExcluded();
    }
    seedRandom(clock);
    std::fill(std::begin(inputMask_), std::end(inputMask_), uint8_t{1});
    resetRemapTables();
    refreshInstruments();
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
    LONG t = 12000;
    LONG tpq = 480;
    LONG num = 4;
    LONG power = 2;
    if (tempoMap_) {
        LONG start = 0;
        LONG value = 0;
        if (SUCCEEDED(tempoMap_->GetTempoAt(tempoMap_->GetTempoIndexForTime(0), &start, &value)) && value > 0)
            t = value;
        const LONG hostTpq = tempoMap_->GetTicksPerQuarter();
        if (hostTpq > 0)
            tpq = hostTpq;
    }
    if (meterMap_) {
        LONG first = 0;
        LONG n = 0;
        LONG d = 0;
        if (SUCCEEDED(meterMap_->GetMeterAt(meterMap_->GetMeterIndexForTime(0), &first, &n, &d))) {
            num = n;
            power = d;
        }
    }
    if (tempo)
        *tempo = t;
    if (ticksPerQuarter)
        *ticksPerQuarter = tpq;
    if (numerator)
        *numerator = num;
    if (denominatorPower)
        *denominatorPower = power;
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
    const int64_t length = fillUnitsToTicks64(fillLength_, ctxResolution);
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
    for (int i = 0; i < kLooperCount; ++i)
        loopers_[i]->setInstrumentNotes(drumSet_, i);
    recomputeInputMask();
}

// ---- Parameters

void Grindelvosket::setSwingPc(int32_t value, bool notify)
{
    value = clampTo(value, 0, 100);
    if (value == swingPc_)
        return;
    swingPc_ = value;
    loopersRedraw();
    tellViews();
    if (notify)
        somethingChanged("setSwingPc");
}

void Grindelvosket::setSwingDurIdx(int32_t value, bool notify)
{
    value = clampTo(value, 0, 4);
    if (value == swingDurIdx_)
        return;
    swingDurIdx_ = value;
    loopersRedraw();
    tellViews();
    if (notify)
        somethingChanged("setSwingDurIdx");
}

void Grindelvosket::setQuantizeDur(int32_t value, bool notify)
{
    value = clampTo(value, 1, 1024);
    if (value == quantizeDur_)
        return;
    quantizeDur_ = value;
    LoadAndRearrange(notify);
    tellViews();
    if (notify)
        somethingChanged("setQuantizeDur");
}

void Grindelvosket::setVeloDyn(int32_t value, bool notify)
{
    value = clampTo(value, -100, 200);
    if (value == veloDyn_)
        return;
    veloDyn_ = value;
    loopersRebuildVelocityMaps(false);
    tellViews();
    if (notify)
        somethingChanged("setVeloDyn");
}

void Grindelvosket::setVeloCenterPC(int32_t value, bool notify)
{
    value = clampTo(value, -100, 100);
    if (value == veloCenterPc_)
        return;
    veloCenterPc_ = value;
    loopersRebuildVelocityMaps(false);
    tellViews();
    if (notify)
        somethingChanged("setVeloCenterPC");
}

void Grindelvosket::setHumanizeVelo(int32_t value, bool notify)
{
    value = clampTo(value, 0, 127);
    if (value == humanizeVelo_)
        return;
    humanizeVelo_ = value;
    if (notify)
        somethingChanged("setHumanizeVelo");
}

void Grindelvosket::setQuantizeOn(bool on, bool notify)
{
    if (on == quantizeOn_)
        return;
    quantizeOn_ = on;
    LoadAndRearrange(notify);
    tellViews();
}

void Grindelvosket::setVelocityMin(int32_t value)
{
    const int32_t min = outputDynamics_.min();
    const int32_t max = outputDynamics_.max();
    outputDynamics_.setMin(value);
    if (min != outputDynamics_.min() || max != outputDynamics_.max())
        loopersRebuildVelocityMaps(true);
}

void Grindelvosket::setVelocityMax(int32_t value)
{
    const int32_t min = outputDynamics_.min();
    const int32_t max = outputDynamics_.max();
    outputDynamics_.setMax(value);
    if (min != outputDynamics_.min() || max != outputDynamics_.max())
        loopersRebuildVelocityMaps(true);
}

void Grindelvosket::setPunchIn(int32_t value)
{
    punchIn_ = value;
    if (value > punchOut_)
        setPunchOut(value);
    tellViews();
    parameterChanged(PunchInParam);
}

void Grindelvosket::setPunchOut(int32_t value)
{
    punchOut_ = value;
    if (punchIn_ > value)
        setPunchIn(value);
    tellViews();
    parameterChanged(PunchOutParam);
}

void Grindelvosket::setPunchRange(int32_t in, int32_t out)
{
    punchIn_ = std::min(in, out);
    punchOut_ = out;
    tellViews();
    parameterChanged(PunchInParam);
    parameterChanged(PunchOutParam);
}

int32_t Grindelvosket::punchTicks(int32_t fillUnits) const
{
    return fillUnitsToTicks(fillUnits, resolution_);
}

void Grindelvosket::setFillMeasure(int32_t measure)
{
    fillMeasure_ = clampTo(measure, 1, 1000);
    envelope_.setStartBar(fillMeasure_);
    tellViews();
    parameterChanged(FillMeasureParam);
}

void Grindelvosket::setZones(int32_t pre, int32_t mask, int32_t after, bool notify)
{
    if (pre >= 0)
        preZone_ = pre != 0 ? 1 : 0;
    if (mask >= 0)
        maskMode_ = mask > 3 ? 0 : mask;
    if (after >= 0)
        afterZone_ = after != 0 ? 1 : 0;
    recomputeInputMask();
    tellViews();
    parameterChanged(MaskModeParam);
    parameterChanged(PreZoneParam);
    parameterChanged(AfterZoneParam);
    if (notify)
        somethingChanged("setZones");
}

void Grindelvosket::setMixerMode(int32_t mode)
{
    if (mode == mixerMode_)
        return;
    mixerMode_ = mode;
    tellViews();
}

void Grindelvosket::setKeepPunch(bool keep)
{
    if (keep == keepPunch_)
        return;
    keepPunch_ = keep;
    tellViews();
}

void Grindelvosket::setTriggerEnabled(bool enabled)
{
    triggerEnabled_ = enabled;
}

void Grindelvosket::setTriggerBase(int32_t note)
{
    const int32_t width = triggerHigh_ - triggerLow_;
    triggerLow_ = clampTo(note, 0, 127 - width);
    triggerHigh_ = triggerLow_ + width;
}

void Grindelvosket::setOutputChannel(int32_t channel)
{
    outputChannel_ = clampTo(channel, -1, 15);
}

void Grindelvosket::setOutputPort(int32_t port)
{
    // Stored as a signed byte, so what is kept reads back as written.
    outputPort_ = clampTo(port, -1, 127);
}

NoteNames &Grindelvosket::noteNames()
{
    if (noteNamesDirty_) {
        noteNamesProvider_.findSet(noteNames_.getName(), &noteNames_);
        noteNamesDirty_ = false;
    }
    return noteNames_;
}

// ---- Input mask

void Grindelvosket::recomputeInputMask()
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
    if (maskMode_ != 3) {
        if (maskMode_ == 1) {
            for (int note = 0; note < 128; ++note) {
                const int instrument = drumSet_.instrument(note);
                if (instrument > 0 && instrument < kLooperCount && !loopers_[instrument]->isNotesOff())
                    clearWithGroup(note);
            }
        } else if (maskMode_ == 2) {
            for (int i = 1; i < kLooperCount; ++i) {
                if (loopers_[i]->isMuted())
                    continue;
                for (int note = 0; note < 128; ++note)
                    if (loopers_[i]->usesNote(note))
                        clearWithGroup(note);
            }
        }
        for (int note = 0; note < 128; ++note)
            if (loopers_[0]->usesNote(note))
                mask[note] = 0;
    }
    std::copy(std::begin(mask), std::end(mask), inputMask_);
}

// ---- Triggers and pads

bool Grindelvosket::isTriggerNote(const MfxEvent &event) const
{
    return triggerEnabled_ && event.kind == MfxNote && event.note >= triggerLow_ &&
           event.note <= triggerHigh_;
}

bool Grindelvosket::triggerPad(int32_t note, bool immediate)
{
    (void)immediate;
    if (!triggerEnabled_ || note < triggerLow_ || note > triggerHigh_)
        return false;
    selectPad(note - triggerLow_, false);
    flushPostedViews();
    return true;
}

void Grindelvosket::selectPad(int pad, bool notify)
{
    if (pad < 0 || pad >= kPadCount)
        return;
    EngineLockGuard guard(lock_);
    pads_.store(currentPad_);
    currentPad_ = pad;
    pads_.recall(pad, notify);
    tellViewsPad();
}

// ---- Solo

void Grindelvosket::solo(Looper &looper, bool notesOff)
{
    const auto flag = [notesOff](const Looper *l) { return notesOff ? l->isNotesOff() : l->isMuted(); };
    const auto set = [notesOff](Looper *l, bool value) {
        if (notesOff)
            l->setNotesOff(value);
        else
            l->setMute(value);
    };
    uint8_t *memory = notesOff ? soloNotesOff_ : soloMute_;

    bool alone = !flag(&looper);
    int unflagged = 0;
    for (Looper *l : loopers_) {
        if (!flag(l))
            ++unflagged;
        if (l != &looper && !flag(l))
            alone = false;
    }
    if (alone) {
        for (int i = 0; i < kLooperCount; ++i)
            set(loopers_[i], memory[i] != 0);
    } else {
        if (unflagged > 1)
            for (int i = 0; i < kLooperCount; ++i)
                memory[i] = flag(loopers_[i]) ? 1 : 0;
        for (Looper *l : loopers_)
            set(l, l != &looper);
    }
    somethingChanged(notesOff ? "Grindelvosket::wantNotesOffSolo" : "Grindelvosket::wantPlaySolo");
}

void Grindelvosket::wantPlaySolo(Looper &looper)
{
    solo(looper, false);
}

void Grindelvosket::wantNotesOffSolo(Looper &looper)
{
    solo(looper, true);
}

// ---- Reset and clear

void Grindelvosket::ResetPars()
{
    EngineLockGuard guard(lock_);
    swingPc_ = 0;
    veloDyn_ = 0;
    veloCenterPc_ = 0;
    humanizeVelo_ = 0;
    quantizeOn_ = false;
    for (int i = 0; i < kLooperCount; ++i) {
        loopers_[i]->reset();
        if (i > 0)
            loopers_[i]->setExclude(false);
    }
    // The transformation is kept for a later toggle: only the live remap
    // goes back to identity below.
    if (!isUntransformed())
        toggleOriginal();
    for (int n = 0; n < 128; ++n)
        remap_[n] = static_cast<uint8_t>(n);
    refreshInstruments();
    LoadAndRearrange(false);
    envelope_.reset();
    tellViews();
    somethingChanged("Grindelvosket::ResetPars");
}

void Grindelvosket::clearFill()
{
    EngineLockGuard guard(lock_);
    patternFile_.clear();
    trackLoaded_ = false;
    sourceModified_ = false;
    embedded_ = false;
    source_.clear();
    for (Looper *looper : loopers_)
        looper->clear();
    resetRemapTables();
    if (!keepPunch_)
        setAutomaticPunchRange();
    recomputeInputMask();
    tellViews();
}

void Grindelvosket::resetRemapTables()
{
    for (int n = 0; n < 128; ++n) {
        remap_[n] = static_cast<uint8_t>(n);
        savedRemap_[n] = static_cast<uint8_t>(n);
        savedEnabled_[n] = 1;
    }
    std::fill(std::begin(savedNotesOff_), std::end(savedNotesOff_), uint8_t{0});
    std::fill(std::begin(savedMute_), std::end(savedMute_), uint8_t{0});
    automaticPunchRange(savedPunchIn_, savedPunchOut_);
}

void Grindelvosket::automaticPunchRange(int32_t &in, int32_t &out) const
{
    int64_t first = -1;
    int64_t last = -1;
    for (Looper *looper : loopers_) {
        const int32_t f = looper->firstEventTime();
        const int32_t l = looper->lastEventTime();
        if (f >= 0 && (first < 0 || f < first))
            first = f;
        if (l >= 0 && l > last)
            last = l;
    }
    if (first < 0 || last < 0) {
        in = 0;
        out = 960;
        return;
    }
    in = std::max<int32_t>(ticksToFillUnits(first, resolution_) - 30, 0);
    out = std::min<int32_t>(ticksToFillUnits(last + 1, resolution_) + 60, fillLength_);
}

void Grindelvosket::setAutomaticPunchRange()
{
    int32_t in = 0;
    int32_t out = 960;
    automaticPunchRange(in, out);
    setPunchRange(in, out);
}

void Grindelvosket::computeFillLength()
{
    int64_t longest = 0;
    for (Looper *looper : loopers_) {
        const int32_t length = looper->patternLength();
        if (length <= 0)
            continue;
        const int32_t resolution = usableResolution(looper->patternResolution());
        longest =
            std::max<int64_t>(longest, static_cast<int64_t>(length) * kFillUnitsPerQuarter / resolution);
    }
    longest = std::max<int64_t>(longest, kFillUnitsPerBar);
    const int64_t bars = (longest + kFillUnitsPerBar - 1) / kFillUnitsPerBar;
    fillLength_ = clampToInt32(std::min<int64_t>(bars, INT32_MAX / kFillUnitsPerBar) * kFillUnitsPerBar);
    envelope_.setBars(fillLength_ / kFillUnitsPerBar);
    recomputeInputMask();
}

// ---- Patterns

bool Grindelvosket::loadPattern(const std::string &folder, const std::string &file)
{
    EngineLockGuard guard(lock_);
    if (folder == patternFolder_ && file == patternFile_)
        return false;
    patternFolder_ = folder;
    patternFile_ = file;
    trackLoaded_ = false;
    sourceModified_ = false;
    embedded_ = false;
    // A pattern the user chooses is read from the library again.
    freshPatternRead_ = true;
    LoadAndRearrange(false);
    freshPatternRead_ = false;
    if (!keepPunch_)
        setAutomaticPunchRange();
    return true;
}

bool Grindelvosket::selectPattern(const std::string &folder, const std::string &file)
{
    const bool changed = loadPattern(folder, file);
    if (changed)
        somethingChanged("Looper pattern changed by selection");
    tellViews();
    return changed;
}

void Grindelvosket::setPattern(const std::string &folder, const std::string &file, bool notify)
{
    loadPattern(folder, file);
    if (notify)
        somethingChanged("Grindelvosket::setPattern");
    if (panel_ && onWindowThread())
        panel_->showPatternSelection(patternFolder_, patternFile_);
}

bool Grindelvosket::selectPatternIfDifferent(const std::string &folder, const std::string &file)
{
    if (sameNameNoCase(folder, patternFolder_) && sameNameNoCase(file, patternFile_))
        return true;
    if (embedded_)
        return false;
    selectPattern(folder, file);
    return true;
}

void Grindelvosket::onPatternTreeEvent(int kind, const std::string &folder, const std::string &file)
{
    if (kind == 6 || kind == 7) {
        embedded_ = false;
        selectPattern(folder, file);
    } else {
        setPattern(patternFolder_, patternFile_, false);
    }
}

bool Grindelvosket::ensureSource()
{
    EngineLockGuard guard(lock_);
    if (trackLoaded_) {
        rebuildSourceIfEdited();
        return true;
    }
    source_.clear();
    if (!readPatternFile(patternFolder_, patternFile_, source_, freshPatternRead_)) {
        source_.clear();
        return false;
    }
    trackLoaded_ = true;
    return true;
}

bool Grindelvosket::readPatternFile(const std::string &folder, const std::string &file, CMidiTrack &track,
                                    bool fresh)
{
    for (auto it = patternCache_.begin(); it != patternCache_.end(); ++it) {
        if (it->folder != folder || it->file != file)
            continue;
        if (fresh) {
            patternCache_.erase(it);
            break;
        }
        track = it->track;
        return true;
    }
    if (!FillModule::readPattern(folder, file, track))
        return false;
    if (patternCache_.size() >= kPatternCacheSize)
        patternCache_.erase(patternCache_.begin());
    patternCache_.push_back(CachedPattern{folder, file, track});
    return true;
}

void Grindelvosket::rebuildSourceIfEdited(bool redistribute)
{
    if (!sourceModified_)
        return;
    source_.clear();
    for (Looper *looper : loopers_)
        looper->writeInto(source_);
    source_.refreshStatistics();
    sourceModified_ = false;
    for (int n = 0; n < 128; ++n)
        remap_[n] = static_cast<uint8_t>(n);
    if (redistribute)
        LoadAndRearrange(false);
}

void Grindelvosket::markSourceEdited()
{
    trackLoaded_ = true;
    sourceModified_ = true;
    embedded_ = true;
}

std::string Grindelvosket::patternDisplayName() const
{
    std::string name = patternFile_;
    const size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

bool Grindelvosket::selectDrumMapByName(const std::string &name)
{
    if (!DrumMap::load(DrumMapFolder(FillModule::dataFolders().drumMaps), name, drumMap_))
        return false;
    drumMapChanged();
    return true;
}

void Grindelvosket::drumMapChanged()
{
    somethingChanged("Grindelvosket::drumMapChanged");
    refreshInstruments();
    tellViews();
}

void Grindelvosket::selectNoteNameSet(const std::string &name)
{
    noteNamesProvider_.findSet(name, &noteNames_);
    noteNamesDirty_ = false;
    tellViews();
}

// ---- Views

bool Grindelvosket::onWindowThread() const
{
    return GetCurrentThreadId() == windowThread_;
}

void Grindelvosket::attachPanel(EnginePanel *panel)
{
    if (panel_ && panel_ != panel)
        panel_->detachFromEngine();
    panel_ = panel;
}

void Grindelvosket::addView(EngineView *view)
{
    EngineLockGuard guard(lock_);
    if (view && std::find(views_.begin(), views_.end(), view) == views_.end())
        views_.push_back(view);
}

void Grindelvosket::removeView(EngineView *view)
{
    EngineLockGuard guard(lock_);
    views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end());
}

void Grindelvosket::tellViews()
{
    if (!onWindowThread()) {
        viewsPending_ = true;
        return;
    }
    // A view may leave the list while it is told.
    const std::vector<EngineView *> views = views_;
    for (EngineView *view : views)
        view->engineChanged();
}

void Grindelvosket::tellViewsPad()
{
    if (!onWindowThread()) {
        viewsPending_ = true;
        return;
    }
    const std::vector<EngineView *> views = views_;
    for (EngineView *view : views)
        view->padSelected(currentPad_);
}

void Grindelvosket::flushPostedViews()
{
    if (!viewsPending_.exchange(false))
        return;
    EngineLockGuard guard(lock_);
    for (EngineView *view : views_)
        if (HWND window = view->viewWindow())
            PostMessageA(window, viewsSetLoopIdxMessage(), static_cast<WPARAM>(currentPad_), 0);
}

void Grindelvosket::refreshViews()
{
    tellViews();
}

void Grindelvosket::showStatus(const std::string &text)
{
    if (!onWindowThread())
        return;
    const std::vector<EngineView *> views = views_;
    for (EngineView *view : views)
        view->showStatus(text);
}

} // namespace Quorvane
