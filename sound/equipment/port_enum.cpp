#include "sound/equipment/port_enum.h"

#include "data/meff_chain.h"
#include "data/module_loader.h"
#include "sound/equipment/equipment_sources.h"
#include "sound/equipment/port_list.h"
#include "sound/module_keys.h"

#include <windows.h>

#include <memory>
#include <new>

namespace Quorvane {

PORTENUM::PORTENUM(const PORTENUM &other) : STRUCTELEM(other), descr(other.descr), recordId(other.recordId) {}

PORTENUM &PORTENUM::operator=(const PORTENUM &other)
{
    if (this != &other) {
        descr = other.descr;
        recordId = other.recordId;
    }
    return *this;
}

void PORTENUM::Clear()
{
    descr.Clear(0);
    recordId = 0;
}

void PORTENUM::Spoil()
{
    descr.Clear(1);
    recordId = 0;
}

bool PortList::Add(const char *name, long kind, const char *text)
{
    PORTENUM entry;
    entry.descr.kind = kind;
    if (!entry.descr.SetName(name) || !entry.descr.SetData(text))
        return false;
    return Append(entry);
}

bool PortList::Add(const char *name, long kind, const GUID &id)
{
    PORTENUM entry;
    entry.descr.kind = kind;
    if (!entry.descr.SetName(name) || !entry.descr.SetData(&id))
        return false;
    return Append(entry);
}

bool PortList::Append(PORTENUM &entry)
{
    for (long i = 0; i < array_.GetNumb(); ++i)
        if (static_cast<PORTENUM *>(array_.GetElementAt(i))->descr.IsEqual(entry.descr))
            return true;
    return array_.Insert(array_.GetNumb(), 1, &entry) != 0;
}

namespace {

// Whether the kind is hosted by a module of the system's own that cannot be
// found: nothing of that kind could be loaded, so nothing is offered.
bool HostMissing(long equipmentClass, long kind)
{
    const char *key = nullptr;
    const char *host = nullptr;
    if (equipmentClass == ENUM_OUTPUTS && kind >= ENUM_OUT_VST) {
        key = kSoftSynthKey;
        host = OutputModuleName(kind);
    } else if (equipmentClass == ENUM_AUDIO_EFFECTS) {
        key = kAudioEffectKey;
        host = EffectModuleName(kind);
    } else if (equipmentClass == ENUM_MIDI_EFFECTS && kind == ENUM_MEFFECT_MFX) {
        key = kMIDIEffectKey;
        host = kMfxHostModule;
    }
    return host && !FindModuleByName(key, host, nullptr, 0);
}

// Runs the enumerator of the class and kind; an unknown pair fails.
bool Enumerate(PortList &list, long equipmentClass, long kind, IOPARAMS *params, CStructArray *known,
               CStructArray *scan)
{
    switch (equipmentClass) {
    case ENUM_OUTPUTS:
        switch (kind) {
        case ENUM_OUT_OWN:
            return ListOwnModules(list, OwnModules::SoftSynths);
        case ENUM_OUT_VST:
            return RunVstScan(list, kind, params, known, scan);
        case ENUM_OUT_DXI:
            return ListDxiSynths(list);
        case ENUM_OUT_DLS:
            return ListDlsSynths(list);
        case ENUM_OUT_MIDI:
            return ListMidiPorts(list);
        }
        return false;
    case ENUM_AUDIO_EFFECTS:
        switch (kind) {
        case ENUM_AEFFECT_OWN:
            return ListOwnModules(list, OwnModules::AudioEffects);
        case ENUM_AEFFECT_VST:
            return RunVstScan(list, kind, params, known, scan);
        case ENUM_AEFFECT_DX:
            return ListDirectXFilters(list);
        }
        return false;
    case ENUM_MIDI_EFFECTS:
        switch (kind) {
        case ENUM_MEFFECT_OWN:
            return ListOwnModules(list, OwnModules::MidiEffects);
        case ENUM_MEFFECT_MFX:
            return ListMfxFilters(list);
        }
        return false;
    }
    return false;
}

// The wait cursor while the enumeration runs.
class WaitCursor {
public:
    WaitCursor() : previous_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(previous_); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;

private:
    HCURSOR previous_;
};

} // namespace

} // namespace Quorvane

extern "C" Quorvane::CStructArray *TindrelEnumPorts(long equipmentClass, long kind,
                                                    Quorvane::IOPARAMS *params, Quorvane::CStructArray *known,
                                                    Quorvane::CStructArray *scan)
{
    using namespace Quorvane;
    std::unique_ptr<CStructArray> array(new (std::nothrow) CStructArray(sizeof(PORTENUM), kPortEnumGrowStep));
    if (!array)
        return nullptr;
    WaitCursor cursor;
    PortList list(*array);
    try {
        if (HostMissing(equipmentClass, kind))
            return array.release();
        if (!Enumerate(list, equipmentClass, kind, params, known, scan))
            return nullptr;
    } catch (...) {
        return nullptr;
    }
    return array.release();
}
