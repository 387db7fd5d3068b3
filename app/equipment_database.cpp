#include "app/equipment_database.h"

#include "app/options/output_port.h"
#include "data/strings.h"
#include "db/equipment/items.h"
#include "db/library/stavrund_functions.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace Quorvane {

namespace {

// The chooser's callback takes a 32-bit argument, too narrow for a pointer:
// the one template chooser open at a time finds its preparation here.
const std::function<bool()> *preparingTemplate = nullptr;

int prepareTemplateLoad(uint32_t)
{
    return preparingTemplate && (*preparingTemplate)() ? 1 : 0;
}

int checkTemplateTracks(const CTrack *first, void *accepts)
{
    return (*static_cast<const TemplateTracksCheck *>(accepts))(first) ? 1 : 0;
}

struct ReleaseTemplates {
    void operator()(ITembriTemplate *templates) const { templates->Release(); }
};
using Templates = std::unique_ptr<ITembriTemplate, ReleaseTemplates>;

// The New Song templates, holding the database lock while they live.
Templates newSongTemplates()
{
    return Templates(CDBGetITembriTemplate(ITembriTemplate::TT_NEWSONG, 1));
}

// The id of the hibernated song; the first match wins.
bool findHibernation(ITembriTemplate &templates, uint32_t &found)
{
    SDBNOTE *note = nullptr;
    uint32_t id = 0;
    char *name = nullptr;
    while ((note = templates.GetNext(note, id, name)) != nullptr) {
        const bool match = name && CompareStringA(name, kHibernationTemplate) == 0;
        std::free(name);
        name = nullptr;
        if (match) {
            found = id;
            return true;
        }
    }
    return false;
}

// The record id of the stored port of kind whose descriptor names the same
// port as the given one.
bool findPort(long kind, const PORTDESCR &descriptor, uint32_t &found)
{
    ITembriPort *ports = CDBGetITembriPort(kind, 1);
    if (!ports)
        return false;
    SDBNOTE *note = nullptr;
    uint32_t id = 0;
    long portKind = 0;
    char *name = nullptr;
    bool match = false;
    while (!match && (note = ports->GetNext(note, id, portKind, name, nullptr, nullptr)) != nullptr) {
        std::free(name);
        name = nullptr;
        PORTDESCR stored;
        match = ports->GetDescr(id, &stored) && SamePort(stored, descriptor);
    }
    ports->Release();
    if (match)
        found = id;
    return match;
}

// The output and template choosers belong to the caller's active window:
// the owner becomes it.
void activate(void *owner)
{
    HWND window = static_cast<HWND>(owner);
    if (window && IsWindow(window) && GetActiveWindow() != window)
        SetActiveWindow(window);
}

} // namespace

int EquipmentDatabase::CheckFirstTime(unsigned long mask)
{
    return CDBCheckFirstTime(mask);
}

bool EquipmentDatabase::RefreshPorts(long kind)
{
    ITembriPort *ports = CDBGetITembriPort(kind, 1);
    if (!ports)
        return false;
    ports->Refresh();
    ports->Release();
    return true;
}

int EquipmentDatabase::GetIOParams(IOPARAMS *params)
{
    return Quorvane::CDBGetIOParams(params);
}

int EquipmentDatabase::GetDefaultASP(IOPARAMS *params)
{
    return Quorvane::CDBGetDefaultASP(params);
}

bool EquipmentDatabase::ChooseTemplate(CSong *song, const std::function<bool()> &prepare,
                                       const TemplateTracksCheck &accepts, std::vector<uint8_t> &state,
                                       void *owner)
{
    // The chooser takes the block over and hands back one the caller frees.
    uint32_t size = static_cast<uint32_t>(state.size());
    void *data = size ? std::malloc(size) : nullptr;
    if (data)
        std::memcpy(data, state.data(), size);
    else
        size = 0;
    preparingTemplate = &prepare;
    if (accepts)
        CDBSetNewSongCheck(&checkTemplateTracks, const_cast<TemplateTracksCheck *>(&accepts));
    activate(owner);
    const int chosen = Quorvane::CDBChooseTemplate(0, song, &prepareTemplateLoad, 0, &data, &size);
    CDBSetNewSongCheck(nullptr, nullptr);
    preparingTemplate = nullptr;
    if (chosen) {
        const auto *bytes = static_cast<const uint8_t *>(data);
        state.assign(bytes, bytes + (data ? size : 0));
    }
    std::free(data);
    return chosen != 0;
}

bool EquipmentDatabase::SetIOParams(IOPARAMS *params)
{
    return Quorvane::CDBSetIOParams(params) != 0;
}

bool EquipmentDatabase::ChooseOutput(PORTDESCR &descriptor, IQuorvaneSongTract *tract, void *owner)
{
    activate(owner);
    return Quorvane::CDBChooseOut(&descriptor, tract) != 0;
}

bool EquipmentDatabase::ChoosePreset(const PORTDESCR &descriptor, PortKinds kinds, void *item, void *context,
                                     const char *name, void *parent)
{
    uint32_t port = 0;
    bool found = false;
    for (long kind = kinds.first; kind <= kinds.last && !found; ++kind)
        found = findPort(kind, descriptor, port);
    if (!found)
        return false;
    // The chooser passes the context on as its preset kind takes it.
    Quorvane::CDBChoosePreset(port, item, static_cast<IQuorvaneSongTract *>(context), name, parent);
    return true;
}

Hibernation EquipmentDatabase::LoadHibernation(CSong *song, std::vector<uint8_t> &state)
{
    Templates templates = newSongTemplates();
    if (!templates)
        return Hibernation::Unavailable;
    uint32_t id = 0;
    if (!findHibernation(*templates, id) || !templates->Load(song, id))
        return Hibernation::Absent;
    void *data = nullptr;
    uint32_t size = 0;
    state.clear();
    if (templates->GetData(id, &data, &size) && data)
        state.assign(static_cast<uint8_t *>(data), static_cast<uint8_t *>(data) + size);
    std::free(data);
    return Hibernation::Restored;
}

bool EquipmentDatabase::SaveHibernation(CSong *song, const void *state, long size)
{
    Templates templates = newSongTemplates();
    if (!templates)
        return false;
    uint32_t old = kNoReplace;
    findHibernation(*templates, old);
    uint32_t saved = 0;
    if (!templates->Save(song, old, kHibernationTemplate, &saved))
        return false;
    return templates->SetData(saved, state, static_cast<uint32_t>(size)) != 0;
}

void EquipmentDatabase::CommitModifications()
{
    CDBCommitModifications();
}

} // namespace Quorvane
