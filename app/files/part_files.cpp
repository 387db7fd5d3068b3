#include "app/files/part_files.h"

#include "data/storage.h"

#include <array>
#include <new>

namespace Quorvane {

namespace {

bool put32(CStorage &storage, const void *value)
{
    return storage.PutBuffer(value, 4, 4) != 0;
}

bool get32(CStorage &storage, void *value)
{
    return storage.GetBuffer(value, 4, 4) != 0;
}

bool saveDrummers(CStorage &storage, PartStates *drummers)
{
    if (!drummers)
        return false;
    for (int element = 0; element < kDrummerElements; ++element) {
        std::string state;
        if (!drummers->saveState(element, state) || state.empty() || state.size() > INT32_MAX)
            return false;
        const int32_t active = drummers->isActive(element) ? 1 : 0;
        const int32_t size = static_cast<int32_t>(state.size());
        if (!put32(storage, &active) || !put32(storage, &size) || !storage.PutBuffer(state.data(), size, 1))
            return false;
    }
    return true;
}

// One part as a file holds it, read whole before any of it is applied.
struct ReadPart {
    int32_t length = 0;
    std::array<int32_t, kDrummerElements> active{};
    std::array<std::string, kDrummerElements> states;
};

bool readDrummers(CStorage &storage, ReadPart &read)
{
    for (int element = 0; element < kDrummerElements; ++element) {
        int32_t size = 0;
        if (!get32(storage, &read.active[element]) || !get32(storage, &size))
            return false;
        // A damaged size must not ask for more memory than the data holds.
        if (size <= 0 || size > storage.GetRemaining())
            return false;
        std::string &state = read.states[element];
        try {
            state.resize(static_cast<size_t>(size));
        } catch (const std::bad_alloc &) {
            return false;
        }
        if (!storage.GetBuffer(state.data(), size, 1))
            return false;
    }
    return true;
}

bool saveLength(CStorage &storage, PartStore &store, int part)
{
    const int32_t length = store.partLength(part);
    return put32(storage, &length);
}

bool readLength(CStorage &storage, ReadPart &read)
{
    return get32(storage, &read.length) && read.length >= 1 && read.length <= kMaxPartMeasures;
}

bool readPart(CStorage &storage, ReadPart &read)
{
    return readLength(storage, read) && readDrummers(storage, read);
}

bool saveTempo(CStorage &storage, PartStore &store)
{
    const float tempo = store.tempo();
    static_assert(sizeof(tempo) == 4);
    return put32(storage, &tempo);
}

bool readTempo(CStorage &storage, float &tempo)
{
    return get32(storage, &tempo);
}

// What a load changes of the parts, kept so that a drummer refusing its
// state puts back every part as it was before the load began.
class PartsBefore {
public:
    explicit PartsBefore(PartStore &store) : store_(store), tempo_(store.tempo()) {}

    // False when the part has no drummers to load into.
    bool keep(int part)
    {
        Kept &kept = kept_[part];
        kept.drummers = store_.states(part);
        if (!kept.drummers)
            return false;
        kept.length = store_.partLength(part);
        for (int element = 0; element < kDrummerElements; ++element) {
            kept.active[element] = kept.drummers->isActive(element);
            kept.saved[element] = kept.drummers->saveState(element, kept.states[element]);
        }
        return true;
    }

    void setTempo(float tempo)
    {
        tempoSet_ = true;
        store_.setTempo(tempo);
    }

    bool apply(int part, const ReadPart &read)
    {
        Kept &kept = kept_[part];
        applied_[part] = true;
        store_.setPartLength(part, read.length);
        for (int element = 0; element < kDrummerElements; ++element) {
            kept.touched = element + 1;
            const bool wantActive = read.active[element] != 0;
            if (kept.drummers->isActive(element) != wantActive)
                kept.drummers->setActive(element, wantActive);
            if (!kept.drummers->loadState(element, read.states[element]))
                return false;
        }
        return true;
    }

    void restore()
    {
        for (int part = kPartCount - 1; part >= 0; --part) {
            if (!applied_[part])
                continue;
            Kept &kept = kept_[part];
            for (int element = kept.touched - 1; element >= 0; --element) {
                if (kept.drummers->isActive(element) != kept.active[element])
                    kept.drummers->setActive(element, kept.active[element]);
                if (kept.saved[element])
                    kept.drummers->loadState(element, kept.states[element]);
            }
            store_.setPartLength(part, kept.length);
        }
        if (tempoSet_)
            store_.setTempo(tempo_);
    }

private:
    struct Kept {
        PartStates *drummers = nullptr;
        int32_t length = 0;
        // The elements that the load switched or gave a state.
        int touched = 0;
        std::array<bool, kDrummerElements> active{};
        std::array<bool, kDrummerElements> saved{};
        std::array<std::string, kDrummerElements> states;
    };

    PartStore &store_;
    float tempo_;
    bool tempoSet_ = false;
    std::array<Kept, kPartCount> kept_;
    std::array<bool, kPartCount> applied_{};
};

bool checkMagic(CStorage &storage, uint32_t expected)
{
    uint32_t magic = 0;
    return get32(storage, &magic) && magic == expected;
}

bool validPart(int part)
{
    return part >= 0 && part < kPartCount;
}

} // namespace

bool SavePartFile(CStorage &storage, PartStore &store, int part)
{
    const uint32_t magic = kPartFileMagic;
    return validPart(part) && put32(storage, &magic) && saveLength(storage, store, part) &&
           saveTempo(storage, store) && saveDrummers(storage, store.states(part));
}

bool SaveStyleFile(CStorage &storage, PartStore &store)
{
    const uint32_t magic = kStyleFileMagic;
    if (!put32(storage, &magic) || !saveTempo(storage, store))
        return false;
    for (int part = 0; part < kPartCount; ++part)
        if (!saveLength(storage, store, part) || !saveDrummers(storage, store.states(part)))
            return false;
    return true;
}

bool SaveClipboardPart(CStorage &storage, PartStore &store, int part)
{
    return validPart(part) && saveLength(storage, store, part) && saveDrummers(storage, store.states(part));
}

bool LoadPartFile(CStorage &storage, PartStore &store, int part)
{
    ReadPart read;
    float tempo = 0;
    if (!validPart(part) || !checkMagic(storage, kPartFileMagic) || !readLength(storage, read) ||
        !readTempo(storage, tempo) || !readDrummers(storage, read))
        return false;
    PartsBefore before(store);
    if (!before.keep(part))
        return false;
    before.setTempo(tempo);
    if (before.apply(part, read))
        return true;
    before.restore();
    return false;
}

bool LoadStyleFile(CStorage &storage, PartStore &store)
{
    std::array<ReadPart, kPartCount> read;
    float tempo = 0;
    if (!checkMagic(storage, kStyleFileMagic) || !readTempo(storage, tempo))
        return false;
    for (ReadPart &part : read)
        if (!readPart(storage, part))
            return false;
    PartsBefore before(store);
    for (int part = 0; part < kPartCount; ++part)
        if (!before.keep(part))
            return false;
    before.setTempo(tempo);
    for (int part = 0; part < kPartCount; ++part) {
        if (!before.apply(part, read[part])) {
            before.restore();
            return false;
        }
    }
    return true;
}

bool LoadClipboardPart(CStorage &storage, PartStore &store, int part)
{
    ReadPart read;
    if (!validPart(part) || !readPart(storage, read))
        return false;
    PartsBefore before(store);
    if (!before.keep(part))
        return false;
    if (before.apply(part, read))
        return true;
    before.restore();
    return false;
}

} // namespace Quorvane
