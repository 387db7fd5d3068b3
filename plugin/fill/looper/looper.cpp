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

Looper::Looper(LooperHost &host, int index) : host_(host), index_(index)
{
    // The engine seeds the C generator once before it makes its loopers.
    random_.seed((static_cast<uint32_t>(std::rand()) << 15) ^ static_cast<uint32_t>(std::rand()) ^
                 static_cast<uint32_t>(index));
    current_ = part_.pattern->events().end();
}

Looper::~Looper()
{
    view_.reset();
}

void Looper::newGeneration()
{
    if (++generation_ == kAnyGeneration)
        ++generation_;
}

uint32_t Looper::patternGeneration() const
{
    ScopedLock lock(*this);
    return generation_;
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
    part_.mute = mute ? 1 : 0;
    if (view_)
        view_->showMute(mute);
    return true;
}

bool Looper::setNotesOff(bool notesOff)
{
    if (isNotesOff() == notesOff)
        return false;
    part_.notesOff = notesOff ? 1 : 0;
    if (view_)
        view_->showNotesOff(notesOff);
    return true;
}

bool Looper::setExclude(bool exclude)
{
    if (isExcluded() == exclude)
        return false;
    part_.exclude = exclude ? 1 : 0;
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
        if (part_.fixedNoteOn)
            part_.fixedNote = low;
        else
            part_.drumMap.setNote(high, low);
    }
    host_.somethingChanged("Looper::setInstrument");
}

void Looper::setFixedNote(bool on, int note)
{
    ScopedLock lock(*this);
    part_.fixedNoteOn = on;
    part_.fixedNote = std::clamp(note, 0, 127);
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
        part_.pattern.swap(pattern);
        newGeneration();
        invalidatePosition();
        current_ = part_.pattern->events().end();
        part_.computeVelocityStatistics();
    }
    rebuildVelocityMap();
}

void Looper::swapPart(LooperPart &other)
{
    ScopedLock lock(*this);
    part_.swap(other);
    newGeneration();
    invalidatePosition();
    current_ = part_.pattern->events().end();
}

void Looper::distribute(const CMidiTrack &source)
{
    LooperPart fresh;
    fresh.takeFrom(source, instrumentNotes_, index_ == 0);
    replacePattern(fresh.pattern);
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
    for (const CMidiTrack::Event &event : part_.pattern->events())
        track.insertEvent(event);
}

bool Looper::hasEvents() const
{
    ScopedLock lock(*this);
    return part_.hasEvents();
}

bool Looper::usesNote(int note) const
{
    ScopedLock lock(*this);
    return part_.usesNote(note);
}

int32_t Looper::patternResolution() const
{
    ScopedLock lock(*this);
    return part_.resolution();
}

int32_t Looper::patternLength() const
{
    ScopedLock lock(*this);
    return part_.length();
}

int32_t Looper::engineResolution() const
{
    const ProcessContext *engine = host_.engineContext();
    return usableResolution(engine != nullptr ? engine->getResolution() : 0);
}

int32_t Looper::firstEventTime() const
{
    ScopedLock lock(*this);
    const int32_t t = part_.pattern->getFirstNoteTime();
    if (t < 0)
        return -1;
    return clampTo32(int64_t(t) * engineResolution() / part_.resolution());
}

int32_t Looper::lastEventTime() const
{
    ScopedLock lock(*this);
    const int32_t t = part_.pattern->getLastNoteTime();
    if (t < 0)
        return -1;
    return clampTo32(int64_t(t) * engineResolution() / part_.resolution());
}

int Looper::laneCount() const
{
    if (index_ == 0) {
        ScopedLock lock(*this);
        return part_.pattern->getUsedNoteCount();
    }
    return instrumentNoteCount_;
}

int Looper::laneNote(int lane) const
{
    if (lane < 0)
        return -1;
    if (index_ == 0) {
        ScopedLock lock(*this);
        const uint16_t note = part_.pattern->getUsedNote(lane);
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

VelocityMapInputs Looper::velocityInputs() const
{
    return VelocityMapInputs{host_.velocityDynamics(), host_.velocityCentrePercent(),
                             host_.minOutputVelocity(), host_.maxOutputVelocity()};
}

void Looper::rebuildVelocityMap()
{
    // Built aside and taken under the lock, so play never waits for it.
    LooperPart statistics;
    {
        ScopedLock lock(*this);
        statistics.velocityMap = part_.velocityMap;
        statistics.lowestVelocity = part_.lowestVelocity;
        statistics.averageVelocity = part_.averageVelocity;
        statistics.highestVelocity = part_.highestVelocity;
        statistics.velocityOffset = part_.velocityOffset;
        statistics.dynamicsPercent = part_.dynamicsPercent;
    }
    statistics.rebuildVelocityMap(velocityInputs());
    ScopedLock lock(*this);
    part_.velocityMap = statistics.velocityMap;
}

int32_t Looper::mapVelocity(int32_t v) const
{
    ScopedLock lock(*this);
    return part_.velocityMap.apply(v);
}

// ---- Parameters

int32_t Looper::getParam(int index) const
{
    switch (index) {
    case VelocityOffset:
        return part_.velocityOffset;
    case DynamicsPercent:
        return part_.dynamicsPercent;
    case TimeOffset:
        return part_.timeOffset;
    case KeyOffset:
        return part_.keyOffset;
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
            part_.velocityOffset = std::clamp(value, -127, 127);
            remap = true;
            break;
        case DynamicsPercent:
            part_.dynamicsPercent = std::clamp(value, 0, 100);
            remap = true;
            break;
        case TimeOffset:
            part_.timeOffset = value;
            break;
        case KeyOffset:
            part_.keyOffset = std::clamp(value, -127, 127);
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
        part_.velocityOffset = 0;
        part_.keyOffset = 0;
        part_.drumMap.reset();
        part_.timeOffset = 0;
        part_.dynamicsPercent = 100;
    }
    rebuildVelocityMap();
    refreshView();
}

// ---- View

void Looper::destroyView()
{
    view_.reset();
}

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
