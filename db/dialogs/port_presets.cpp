#include "db/dialogs/port_presets.h"

#include "db/equipment/equipment_records.h"
#include "db/equipment/items.h"
#include "db/equipment/tembri_db.h"

namespace Quorvane {

ITembriPreset *PresetsOfPort(CTembriDB *db, uint32_t portId, int lock)
{
    const SDBNOTE *port = db->GetNoteByID(portId);
    if (!port || port->parent != SDB_NO_PARENT)
        return nullptr;
    switch (PresetTypeOfPort(port->type)) {
    case RT_PRESET_OUT:
        return db->GetITembriPresetOut(portId, lock);
    case RT_PRESET_AEFF:
        return db->GetITembriPresetAEff(portId, lock);
    case RT_PRESET_MEFF:
        return db->GetITembriPresetMEff(portId, lock);
    default:
        return nullptr;
    }
}

} // namespace Quorvane
