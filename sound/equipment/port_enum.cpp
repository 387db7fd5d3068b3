#include "sound/equipment/port_enum.h"

#include "sound/equipment/equipment_sources.h"
#include "sound/equipment/port_list.h"

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

// The enumerator of one class and kind; null for an unknown pair.
using Enumerator = bool (*)(PortList &list, IOPARAMS *params, CStructArray *known, CStructArray *scan);

Enumerator FindEnumerator(long equipmentClass, long kind)
{
    struct Row {
        long equipmentClass;
        long kind;
        Enumerator enumerate;
    };
    static const Row rows[] = {
        {ENUM_OUTPUTS, ENUM_OUT_OWN,
         [](PortList &l, IOPARAMS *, CStructArray *, CStructArray *) {
             return ListOwnModules(l, OwnModules::SoftSynths);
         }},
        {ENUM_OUTPUTS, ENUM_OUT_VST,
         [](PortList &l, IOPARAMS *p, CStructArray *k, CStructArray *s) {
             return RunVstScan(l, ENUM_OUT_VST, p, k, s);
         }},
        {ENUM_OUTPUTS, ENUM_OUT_DXI,
         [](PortList &l, IOPARAMS *, CStructArray *, CStructArray *) { return ListDxiSynths(l); }},
        {ENUM_OUTPUTS, ENUM_OUT_DLS,
         [](PortList &l, IOPARAMS *, CStructArray *, CStructArray *) { return ListDlsSynths(l); }},
        {ENUM_OUTPUTS, ENUM_OUT_MIDI,
         [](PortList &l, IOPARAMS *, CStructArray *, CStructArray *) { return ListMidiPorts(l); }},
        {ENUM_AUDIO_EFFECTS, ENUM_AEFFECT_OWN,
         [](PortList &l, IOPARAMS *, CStructArray *, CStructArray *) {
             return ListOwnModules(l, OwnModules::AudioEffects);
         }},
        {ENUM_AUDIO_EFFECTS, ENUM_AEFFECT_VST,
         [](PortList &l, IOPARAMS *p, CStructArray *k, CStructArray *s) {
             return RunVstScan(l, ENUM_AEFFECT_VST, p, k, s);
         }},
        {ENUM_AUDIO_EFFECTS, ENUM_AEFFECT_DX,
         [](PortList &l, IOPARAMS *, CStructArray *, CStructArray *) { return ListDirectXFilters(l); }},
        {ENUM_MIDI_EFFECTS, ENUM_MEFFECT_OWN,
         [](PortList &l, IOPARAMS *, CStructArray *, CStructArray *) {
             return ListOwnModules(l, OwnModules::MidiEffects);
         }},
        {ENUM_MIDI_EFFECTS, ENUM_MEFFECT_MFX,
         [](PortList &l, IOPARAMS *, CStructArray *, CStructArray *) { return ListMfxFilters(l); }},
    };
    for (const Row &row : rows)
        if (row.equipmentClass == equipmentClass && row.kind == kind)
            return row.enumerate;
    return nullptr;
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
    const Enumerator enumerate = FindEnumerator(equipmentClass, kind);
    if (!enumerate)
        return nullptr;
    std::unique_ptr<CStructArray> array(new (std::nothrow) CStructArray(sizeof(PORTENUM), kPortEnumGrowStep));
    if (!array)
        return nullptr;
    WaitCursor cursor;
    PortList list(*array);
    try {
        if (!enumerate(list, params, known, scan))
            return nullptr;
    } catch (...) {
        return nullptr;
    }
    return array.release();
}
