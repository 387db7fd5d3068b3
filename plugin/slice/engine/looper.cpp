// A slice's content, its pattern choice and its settings. Everything here
// runs on the window thread but exchangeContent, which a pad switch calls on
// the host's thread.
#include "plugin/slice/engine/looper.h"

#include "plugin/fill/library/pattern_tree.h"

#include <algorithm>
#include <utility>

namespace Quorvane::LoopSlice {

namespace {

// Draws give up after this many steps that all met the previous name; the
// folder then keeps what the last step found.
constexpr int kMaxRedraws = 64;

} // namespace

Looper::Looper(SliceHost &host, int index)
    : host_(host), index_(index), content_(std::make_shared<SliceContent>())
{
    rebuildVelocityTableLocked();
}

Looper::~Looper() = default;

// ---- Content

SliceContentPtr Looper::content() const
{
    CriticalSectionGuard guard(lock_);
    return content_;
}

std::shared_ptr<SliceContent> Looper::editableContent() const
{
    return std::make_shared<SliceContent>(*content());
}

void Looper::install(SliceContentPtr next)
{
    {
        CriticalSectionGuard guard(lock_);
        const bool folderChanged = next->patterns != content_->patterns;
        std::swap(content_, next);
        ++contentVersion_;
        cursor_.synced = false;
        rebuildVelocityTableLocked();
        if (folderChanged)
            applyFilters(*content_, level_);
    }
    // The old content goes here, outside the lock.
}

void Looper::exchangeContent(SliceContentPtr &next, int32_t level)
{
    CriticalSectionGuard guard(lock_);
    std::swap(content_, next);
    ++contentVersion_;
    cursor_.synced = false;
    rebuildVelocityTableLocked();
    applyFilters(*content_, level);
}

void Looper::applyFilters(const SliceContent &content, int32_t level)
{
    level_ = level;
    int32_t lowest = -1;
    int32_t highest = -1;
    secondRangeOf(content.patterns->secondsUpToLevel(level), lowest, highest);
    lowestSecond_ = lowest;
    highestSecond_ = highest;
}

void Looper::rebuildVelocityTable()
{
    CriticalSectionGuard guard(lock_);
    rebuildVelocityTableLocked();
}

void Looper::rebuildVelocityTableLocked()
{
    shapeVelocityMap(velocityTable_, content_->velocity, content_->velocityOffset, content_->dynamics,
                     host_.velocityInputs());
}

int32_t Looper::mapVelocity(int32_t velocity) const
{
    CriticalSectionGuard guard(lock_);
    return velocityTable_.apply(velocity);
}

void Looper::resetPosition()
{
    CriticalSectionGuard guard(lock_);
    cursor_.synced = false;
}

void Looper::seedRandom(uint32_t seed)
{
    CriticalSectionGuard guard(lock_);
    humanize_.seed(seed);
}

void Looper::refreshView(bool folderChanged)
{
    if (view_)
        view_->looperChanged(folderChanged);
}

// ---- Pattern selection

bool Looper::selectPattern(const std::string &folder, const std::string &file, bool forced, bool keepNames)
{
    const SliceContentPtr current = content();
    if (!forced && folder == current->folder && file == current->file)
        return false;
    const bool folderChanged = folder != current->folder;
    install(contentWithPattern(host_.patternTree(), *current, folder, file, keepNames));
    refreshView(folderChanged);
    return true;
}

bool Looper::mayChange()
{
    if (!content()->modified)
        return true;
    if (host_.mayChangePatterns()) {
        forgetEdits();
        return true;
    }
    locked_ = true;
    refreshView();
    return false;
}

void Looper::forgetEdits()
{
    edit([](SliceContent &c) {
        c.modified = false;
        c.file.clear();
        c.name = PatternName();
    });
}

bool Looper::setPattern(const std::string &folder, const std::string &file, bool notify)
{
    if (!mayChange())
        return false;
    selectPattern(folder, file, false);
    if (notify)
        host_.somethingChanged("Looper::setPattern");
    return true;
}

bool Looper::setFolder(const std::string &path)
{
    std::string folder = path;
    if (const PatternTree *tree = host_.patternTree())
        tree->resolve(folder, 3);
    if (!setPattern(folder, std::string(), false))
        return false;
    recomputeFilters(level_, true);
    return true;
}

bool Looper::setCollection(const std::string &name)
{
    const std::string folder = content()->folder;
    if (folderComponent(folder, 0) == name)
        return true;
    return setFolder(withFolderComponent(folder, 0, name));
}

bool Looper::setSubCollection(const std::string &name)
{
    const std::string folder = content()->folder;
    if (folderComponent(folder, 2) == name)
        return true;
    return setFolder(withFolderComponent(folder, 2, name));
}

bool Looper::isAvailable(const PatternName &name) const
{
    return name.level <= level_ && name.second >= lowestSecond_ && name.second <= highestSecond_;
}

bool Looper::randomPattern(const std::string &previousName)
{
    const SliceContentPtr current = content();
    const std::vector<PatternChoice> &patterns = current->patterns->patterns();
    std::vector<int> available;
    for (size_t i = 0; i < patterns.size(); ++i)
        if (isAvailable(patterns[i].name))
            available.push_back(static_cast<int>(i));
    const int count = static_cast<int>(available.size());
    if (count < 2)
        return false;
    // Where the walk stands among the available ones: before the first when
    // the current pattern is not one of them.
    const int at = current->patterns->indexOf(current->file);
    int position = -1;
    for (int i = 0; i < count; ++i)
        if (available[static_cast<size_t>(i)] == at)
            position = i;
    for (int round = 0; round < kMaxRedraws; ++round) {
        const int n = 1 + host_.drawRandom().next() * (count - 1) / 32767;
        position = ((position < 0 ? n - 1 : position + n) % count + count) % count;
        if (previousName.empty() ||
            patterns[static_cast<size_t>(available[static_cast<size_t>(position)])].file != previousName)
            break;
    }
    const std::string &file = patterns[static_cast<size_t>(available[static_cast<size_t>(position)])].file;
    if (file == previousName && !previousName.empty())
        return false;
    return setPattern(current->folder, file, false);
}

bool Looper::nextPattern(int n, bool notify, bool checkRules)
{
    return stepPattern(n, 1, notify, checkRules);
}

bool Looper::previousPattern(int n, bool notify, bool checkRules)
{
    return stepPattern(n, -1, notify, checkRules);
}

bool Looper::stepPattern(int n, int direction, bool notify, bool checkRules)
{
    const SliceContentPtr start = content();
    const std::vector<PatternChoice> &patterns = start->patterns->patterns();
    const int size = static_cast<int>(patterns.size());
    if (size == 0 || n <= 0 || !mayChange())
        return false;
    int at = start->patterns->indexOf(start->file);
    if (at < 0)
        at = direction > 0 ? -1 : size;
    int steps = 0;
    // One round of the folder per step at most: a step that finds nothing
    // acceptable ends where it began.
    for (int visited = 0; visited < size * n && steps < n; ++visited) {
        at = ((at + direction) % size + size) % size;
        const PatternChoice &choice = patterns[static_cast<size_t>(at)];
        if (!isAvailable(choice.name))
            continue;
        if (checkRules) {
            selectPattern(start->folder, choice.file, false);
            if (host_.violatesRules(*this))
                continue;
        }
        ++steps;
    }
    if (steps < n) {
        // Nothing acceptable: back to the pattern it started from.
        install(start);
        refreshView();
        return false;
    }
    selectPattern(start->folder, patterns[static_cast<size_t>(at)].file, false);
    if (notify)
        host_.somethingChanged("Looper::setPattern");
    return true;
}

void Looper::recomputeFilters(int32_t level, bool choose)
{
    SliceContentPtr current;
    {
        CriticalSectionGuard guard(lock_);
        applyFilters(*content_, level);
        current = content_;
    }
    refreshView();
    if (!choose)
        return;
    const bool listed = current->patterns->indexOf(current->file) >= 0;
    if (listed && isAvailable(current->name))
        return;
    if (nextPattern(1, false, false) && mayChange())
        host_.composeSlice(*this);
}

void Looper::setLocked(bool locked)
{
    locked_ = locked;
    refreshView();
}

void Looper::setSecondRange(int32_t lowest, int32_t highest)
{
    lowestSecond_ = std::clamp<int32_t>(lowest, -1, kMaxPatternNumber);
    highestSecond_ = std::clamp<int32_t>(highest, -1, kMaxPatternNumber);
    refreshView();
}

// ---- Settings

void Looper::edit(const std::function<void(SliceContent &)> &change)
{
    std::shared_ptr<SliceContent> next = editableContent();
    change(*next);
    install(std::move(next));
}

void Looper::setMute(bool mute, bool notify)
{
    if ((content()->mute != 0) == mute)
        return;
    edit([mute](SliceContent &c) { c.mute = mute ? 1 : 0; });
    refreshView();
    if (notify)
        host_.somethingChanged("Looper::setMute");
}

void Looper::preview(int note)
{
    const SliceContentPtr c = content();
    CMidiTrack::Event event;
    event.kind = CMidiTrack::Event::Note;
    event.channel = 9;
    int mapped = host_.drumMap().getNote(std::clamp(note, 0, 127));
    mapped = c->fixedNoteOn ? c->fixedNote : c->drumMap.getNote(mapped);
    event.data1 = static_cast<uint8_t>(std::clamp(mapped + c->keyOffset, 0, 127));
    event.data2 = 110;
    event.duration = 960;
    host_.previewEvent(event);
}

void Looper::setParam(int id, int32_t value)
{
    edit([id, value](SliceContent &c) {
        switch (id) {
        case VelocityOffset:
            c.velocityOffset = std::clamp(value, -127, 127);
            break;
        case Dynamics:
            c.dynamics = std::clamp(value, 0, 100);
            break;
        case TimeOffset:
            c.timeOffset = value;
            break;
        case KeyOffset:
            c.keyOffset = std::clamp(value, -127, 127);
            break;
        default:
            break;
        }
    });
    refreshView();
}

int32_t Looper::param(int id) const
{
    const SliceContentPtr c = content();
    switch (id) {
    case VelocityOffset:
        return c->velocityOffset;
    case Dynamics:
        return c->dynamics;
    case TimeOffset:
        return c->timeOffset;
    case KeyOffset:
        return c->keyOffset;
    default:
        return 0;
    }
}

void Looper::setInstrument(int note, int sourceNote)
{
    edit([note, sourceNote](SliceContent &c) {
        if (c.fixedNoteOn)
            c.fixedNote = static_cast<uint8_t>(note & 127);
        else
            c.drumMap.setNote(sourceNote, note);
    });
    refreshView();
    host_.somethingChanged("Looper::setInstrument");
}

void Looper::resetParameters()
{
    edit([](SliceContent &c) {
        c.velocityOffset = 0;
        c.keyOffset = 0;
        c.drumMap.reset();
        c.timeOffset = 0;
        c.dynamics = 100;
    });
    CriticalSectionGuard guard(lock_);
    applyFilters(*content_, level_);
}

void Looper::clearLoop()
{
    edit([](SliceContent &c) {
        c.file.clear();
        c.ownEvents = false;
        c.modified = false;
        c.track = std::make_shared<const CMidiTrack>();
        c.refreshDerived();
    });
    refreshView();
}

void Looper::setModified(bool modified)
{
    edit([modified](SliceContent &c) {
        if (!modified && c.ownEvents) {
            c.file.clear();
            c.name = PatternName();
        }
        c.modified = modified;
    });
}

void Looper::setOwnEvents(bool own)
{
    edit([own](SliceContent &c) { c.ownEvents = own; });
}

} // namespace Quorvane::LoopSlice
