#include "app/files/part_files.h"

#include "data/storage.h"

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

bool loadDrummers(CStorage &storage, PartStates *drummers)
{
    if (!drummers)
        return false;
    for (int element = 0; element < kDrummerElements; ++element) {
        int32_t active = 0;
        int32_t size = 0;
        if (!get32(storage, &active) || !get32(storage, &size))
            return false;
        // A damaged size must not ask for more memory than the data holds.
        if (size <= 0 || size > storage.GetRemaining())
            return false;
        std::string state;
        try {
            state.resize(static_cast<size_t>(size));
        } catch (const std::bad_alloc &) {
            return false;
        }
        if (!storage.GetBuffer(state.data(), size, 1))
            return false;
        const bool wantActive = active != 0;
        if (drummers->isActive(element) != wantActive)
            drummers->setActive(element, wantActive);
        if (!drummers->loadState(element, state))
            return false;
    }
    return true;
}

bool saveLength(CStorage &storage, PartStore &store, int part)
{
    const int32_t length = store.partLength(part);
    return put32(storage, &length);
}

bool loadLength(CStorage &storage, PartStore &store, int part)
{
    int32_t length = 0;
    if (!get32(storage, &length) || length < 1 || length > kMaxPartMeasures)
        return false;
    store.setPartLength(part, length);
    return true;
}

bool saveTempo(CStorage &storage, PartStore &store)
{
    const float tempo = store.tempo();
    static_assert(sizeof(tempo) == 4);
    return put32(storage, &tempo);
}

bool loadTempo(CStorage &storage, PartStore &store)
{
    float tempo = 0;
    if (!get32(storage, &tempo))
        return false;
    store.setTempo(tempo);
    return true;
}

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
    return validPart(part) && checkMagic(storage, kPartFileMagic) && loadLength(storage, store, part) &&
           loadTempo(storage, store) && loadDrummers(storage, store.states(part));
}

bool LoadStyleFile(CStorage &storage, PartStore &store)
{
    if (!checkMagic(storage, kStyleFileMagic) || !loadTempo(storage, store))
        return false;
    for (int part = 0; part < kPartCount; ++part)
        if (!loadLength(storage, store, part) || !loadDrummers(storage, store.states(part)))
            return false;
    return true;
}

bool LoadClipboardPart(CStorage &storage, PartStore &store, int part)
{
    return validPart(part) && loadLength(storage, store, part) && loadDrummers(storage, store.states(part));
}

} // namespace Quorvane
