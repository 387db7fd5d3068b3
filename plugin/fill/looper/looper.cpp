#include "plugin/fill/looper/looper.h"

#include "plugin/fill/looper/looper_internal.h"
#include "plugin/fill/looper/looper_view.h"
#include "plugin/framework/drums/drum_set.h"

#include <algorithm>
#include <cstdlib>

namespace Quorvane {

using namespace looper_detail;

Looper::ScopedLock::ScopedLock(const Looper &looper) : looper_(looper)
{
    looper_.lock_.lock();
}

Looper::ScopedLock::~ScopedLock()
{
    looper_.lock_.unlock();
}

Looper::Looper(LooperHost &host, int index)
    : host_(host), pattern_(std::make_unique<CMidiTrack>()), index_(index)
{
    // The engine seeds the C generator once before it makes its loopers.
    random_.seed((static_cast<uint32_t>(std::rand()) << 15) ^ static_cast<uint32_t>(std::rand()) ^
                 static_cast<uint32_t>(index));
    current_ = pattern_->events().end();
}

Looper::~Looper()
{
    view_.reset();
}

void Looper::setVelocityEnvelope(const VelocityEnvelope *envelope)
{
    ScopedLock lock(*this);
    envelope_ = envelope;
}

void Looper::seedRandom(uint32_t seed)
{
    ScopedLock lock(*this);
    random_.seed(seed);
}

void Looper::invalidatePosition()
{
    positionValid_ = false;
    nextStart_ = -1;
}

// ---- Flags

bool Looper::setMute(bool mute)
{
    if (isMuted() == mute)
        return false;
    mute_ = mute ? 1 : 0;
    if (view_)
        view_->showMute(mute);
    return true;
}

bool Looper::setNotesOff(bool notesOff)
{
    if (isNotesOff() == notesOff)
        return false;
    notesOff_ = notesOff ? 1 : 0;
    if (view_)
        view_->showNotesOff(notesOff);
    return true;
}

bool Looper::setExclude(bool exclude)
{
    if (isExcluded() == exclude)
        return false;
    exclude_ = exclude ? 1 : 0;
    return true;
}

void Looper::userMute(bool mute, bool solo)
{
    if (solo)
        host_.wantPlaySolo(*this);
    else if (setMute(mute))
        host_.somethingChanged("Looper::setMute");
    host_.updateInputMask();
    host_.refreshViews();
}

void Looper::userNotesOff(bool notesOff, bool solo)
{
    if (solo)
        host_.wantNotesOffSolo(*this);
    else
        setNotesOff(notesOff);
    host_.loadAndRearrange(true);
    host_.refreshViews();
}

// ---- Instrument

void Looper::setInstrumentNotes(const DrumSet &drumSet, int instrument)
{
    int count = 0;
    for (int note = 0; note < 128; ++note) {
        instrumentNotes_[note] = drumSet.instrument(note) == instrument ? 1 : 0;
        count += instrumentNotes_[note];
    }
    instrumentNoteCount_ = count;
    if (view_) {
        view_->setShown(count > 0);
        view_->refreshEvents();
    }
}

bool Looper::isInstrumentNote(int note) const
{
    return note >= 0 && note < 128 && instrumentNotes_[note] != 0;
}

void Looper::setInstrument(int value)
{
    const int high = (value >> 7) & 0x7F;
    const int low = value & 0x7F;
    {
        ScopedLock lock(*this);
        if (fixedNoteOn_)
            fixedNote_ = low;
        else
            drumMap_.setNote(high, low);
    }
    host_.somethingChanged("Looper::setInstrument");
}

void Looper::setFixedNote(bool on, int note)
{
    ScopedLock lock(*this);
    fixedNoteOn_ = on;
    fixedNote_ = std::clamp(note, 0, 127);
}

void Looper::preview(int note)
{
    CMidiTrack::Event event;
    event.time = 0;
    event.kind = CMidiTrack::Event::Note;
    event.channel = 9;
    event.data1 = static_cast<uint8_t>(std::clamp(host_.drumMap().getNote(note & 0x7F), 0, 127));
    event.data2 = 110;
    event.duration = 960;
    host_.previewEvent(event);
}

// ---- Pattern

void Looper::replacePattern(std::unique_ptr<CMidiTrack> &pattern)
{
    {
        ScopedLock lock(*this);
        pattern_.swap(pattern);
        ++generation_;
        invalidatePosition();
        current_ = pattern_->events().end();
        computeVelocityStatistics();
    }
    rebuildVelocityMap();
}

void Looper::distribute(const CMidiTrack &source)
{
    auto fresh = std::make_unique<CMidiTrack>();
    fresh->copyFiltered(source, instrumentNotes_);
    // Key pressure follows its note. Events of no note go to looper 0 only,
    // so that rebuilding the source from the ten parts does not repeat them.
    auto &events = fresh->events();
    for (auto it = events.begin(); it != events.end();) {
        const bool keep =
            it->kind == CMidiTrack::Event::Note ||
            (it->kind == CMidiTrack::Event::KeyPressure ? isInstrumentNote(it->data1) : index_ == 0);
        it = keep ? std::next(it) : events.erase(it);
    }
    fresh->refreshStatistics();
    replacePattern(fresh);
    refreshView();
}

void Looper::clear()
{
    auto empty = std::make_unique<CMidiTrack>();
    replacePattern(empty);
    refreshView();
}

void Looper::writeInto(CMidiTrack &track) const
{
    ScopedLock lock(*this);
    for (const CMidiTrack::Event &event : pattern_->events())
        track.insertEvent(event);
}

bool Looper::hasEvents() const
{
    ScopedLock lock(*this);
    return !pattern_->events().empty();
}

bool Looper::usesNote(int note) const
{
    ScopedLock lock(*this);
    return pattern_->isNoteUsed(note);
}

int32_t Looper::patternResolution() const
{
    ScopedLock lock(*this);
    return usableResolution(pattern_->getResolution());
}

int32_t Looper::patternLength() const
{
    ScopedLock lock(*this);
    return pattern_->events().empty() ? -1 : pattern_->getLastEnd();
}

int32_t Looper::engineResolution() const
{
    const ProcessContext *engine = host_.engineContext();
    return usableResolution(engine != nullptr ? engine->getResolution() : 0);
}

int32_t Looper::firstEventTime() const
{
    ScopedLock lock(*this);
    const int32_t t = pattern_->getFirstNoteTime();
    if (t < 0)
        return -1;
    return clampTo32(int64_t(t) * engineResolution() / usableResolution(pattern_->getResolution()));
}

int32_t Looper::lastEventTime() const
{
    ScopedLock lock(*this);
    const int32_t t = pattern_->getLastNoteTime();
    if (t < 0)
        return -1;
    return clampTo32(int64_t(t) * engineResolution() / usableResolution(pattern_->getResolution()));
}

int Looper::laneCount() const
{
    if (index_ == 0) {
        ScopedLock lock(*this);
        return pattern_->getUsedNoteCount();
    }
    return instrumentNoteCount_;
}

int Looper::laneNote(int lane) const
{
    if (lane < 0)
        return -1;
    if (index_ == 0) {
        ScopedLock lock(*this);
        const uint16_t note = pattern_->getUsedNote(lane);
        return note == CMidiTrack::NoNote ? -1 : note;
    }
    for (int note = 0; note < 128; ++note)
        if (instrumentNotes_[note] != 0 && lane-- == 0)
            return note;
    return -1;
}

Looper::LoopTiming Looper::loopTiming() const
{
    const int32_t resolution = patternResolution();
    auto toPattern = [resolution](int32_t fillUnits) {
        return fillUnits < 0 ? -1 : clampTo32(int64_t(fillUnits) * resolution / 240);
    };
    return {toPattern(host_.fillLength()), toPattern(host_.punchIn()), toPattern(host_.punchOut())};
}

int32_t Looper::bars() const
{
    const int32_t length = loopTiming().length;
    return length / patternResolution() / 4;
}

// ---- Velocity

void Looper::computeVelocityStatistics()
{
    int lowest = 127, highest = 1, count = 0;
    int64_t sum = 0;
    for (const CMidiTrack::Event &event : pattern_->events()) {
        if (event.kind != CMidiTrack::Event::Note)
            continue;
        lowest = std::min<int>(lowest, event.data2);
        highest = std::max<int>(highest, event.data2);
        sum += event.data2;
        ++count;
    }
    if (count == 0) {
        lowestVelocity_ = 1;
        averageVelocity_ = 64;
        highestVelocity_ = 127;
        return;
    }
    lowestVelocity_ = lowest;
    highestVelocity_ = highest;
    averageVelocity_ = static_cast<int>(sum / count);
}

void Looper::rebuildVelocityMap()
{
    VeloTransformer map;
    int32_t lowest, average, highest, offset, dynamics;
    {
        ScopedLock lock(*this);
        map = velocityMap_;
        lowest = lowestVelocity_;
        average = averageVelocity_;
        highest = highestVelocity_;
        offset = velocityOffset_;
        dynamics = dynamicsPercent_;
    }
    const int32_t p0 = lowest + offset;
    const int32_t p2 = highest + offset;
    const int32_t c = host_.velocityCentrePercent();
    const int32_t centre =
        c < 1 ? average - (p0 - average + 1) * c / 100 : average + (p2 - average - 1) * c / 100;
    map.setParamRaw(VeloTransformer::LowerLimit, host_.minOutputVelocity(), false);
    map.setParamRaw(VeloTransformer::UpperLimit, host_.maxOutputVelocity(), false);
    map.setParamRaw(VeloTransformer::Low, p0, false);
    map.setParamRaw(VeloTransformer::High, p2, false);
    map.setParamRaw(VeloTransformer::Curve, dynamics * host_.velocityDynamics() / 100, false);
    map.setParamRaw(VeloTransformer::Middle, centre, false);
    map.reapplyParams();
    map.rebuild();
    ScopedLock lock(*this);
    velocityMap_ = map;
}

int32_t Looper::mapVelocity(int32_t v) const
{
    ScopedLock lock(*this);
    return velocityMap_.apply(v);
}

// ---- Parameters

int32_t Looper::getParam(int index) const
{
    switch (index) {
    case VelocityOffset:
        return velocityOffset_;
    case DynamicsPercent:
        return dynamicsPercent_;
    case TimeOffset:
        return timeOffset_;
    case KeyOffset:
        return keyOffset_;
    default:
        return 0;
    }
}

void Looper::setParam(int index, int32_t value)
{
    bool remap = false;
    {
        ScopedLock lock(*this);
        switch (index) {
        case VelocityOffset:
            velocityOffset_ = std::clamp(value, -127, 127);
            remap = true;
            break;
        case DynamicsPercent:
            dynamicsPercent_ = std::clamp(value, 0, 100);
            remap = true;
            break;
        case TimeOffset:
            timeOffset_ = value;
            break;
        case KeyOffset:
            keyOffset_ = std::clamp(value, -127, 127);
            break;
        default:
            return;
        }
    }
    if (remap)
        rebuildVelocityMap();
    refreshView();
}

void Looper::reset()
{
    {
        ScopedLock lock(*this);
        velocityOffset_ = 0;
        keyOffset_ = 0;
        drumMap_.reset();
        timeOffset_ = 0;
        dynamicsPercent_ = 100;
    }
    rebuildVelocityMap();
    refreshView();
}

// ---- View

LooperView *Looper::view()
{
    if (!view_)
        view_.reset(host_.createLooperView(*this, index_));
    return view_.get();
}

void Looper::refreshView()
{
    if (!view_)
        return;
    view_->showMute(isMuted());
    view_->showNotesOff(isNotesOff());
    view_->refreshParameter();
    view_->refreshEvents();
}

void Looper::showPosition(int32_t time)
{
    if (!view_)
        return;
    const int64_t length = loopLength(engineResolution());
    if (length < 1)
        return;
    const int64_t start = passStart(time, host_.fillStart(), length);
    view_->locateTime(clampTo32(int64_t(time) - start), clampTo32(length), host_.region(time) != 0);
}

} // namespace Quorvane
