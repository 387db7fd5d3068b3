// What is installed, kind by kind: the outputs, audio effects and MIDI
// effects the equipment database offers in its choosers. Each entry holds
// the descriptor that adding an output or effect later accepts.
#pragma once

#include "data/io_params.h"
#include "data/struct_array.h"
#include "sound/tindrel_api.h"

#include <cstdint>

namespace Quorvane {

// Classes of equipment and their kinds.
enum : long { ENUM_OUTPUTS = 0, ENUM_AUDIO_EFFECTS = 1, ENUM_MIDI_EFFECTS = 2 };
enum : long {
    // Outputs: the system's own soft synths, VST instruments, DXi
    // synthesizers, DirectMusic synthesizers, MIDI output ports.
    ENUM_OUT_OWN = 0,
    ENUM_OUT_VST = 4,
    ENUM_OUT_DXI = 5,
    ENUM_OUT_DLS = 6,
    ENUM_OUT_MIDI = 7,
    // Audio effects: own modules, VST effects, DirectX filters.
    ENUM_AEFFECT_OWN = 0,
    ENUM_AEFFECT_VST = 1,
    ENUM_AEFFECT_DX = 2,
    // MIDI effects: own modules, MFX plug-ins.
    ENUM_MEFFECT_OWN = 0,
    ENUM_MEFFECT_MFX = 1,
};

// One installed item: its descriptor and the id of the database record that
// holds it (0 when enumerated; the database fills it in).
struct TINDREL_API PORTENUM : public STRUCTELEM {
    PORTENUM() = default;
    // Both copy the descriptor deeply: each copy owns its own.
    PORTENUM(const PORTENUM &other);
    PORTENUM &operator=(const PORTENUM &other);

    // Frees the descriptor's memory and clears the id.
    void Clear() override;
    // Forgets the descriptor's memory (it moved elsewhere) and the id.
    void Spoil() override;

    PORTDESCR descr;
    uint32_t recordId = 0;
};

// The grow step of the arrays TindrelEnumPorts answers (of PORTENUM).
constexpr long kPortEnumGrowStep = 32;

} // namespace Quorvane

// A new array of PORTENUM (the caller deletes it), or null when the
// enumeration failed, the kind is unknown or the user cancelled the VST
// scan. known and scan are the caller's lists for the VST kinds (see
// sound/equipment/vst_lists.h); the other kinds ignore them.
extern "C" TINDREL_API Quorvane::CStructArray *TindrelEnumPorts(long equipmentClass, long kind,
                                                                Quorvane::IOPARAMS *params,
                                                                Quorvane::CStructArray *known,
                                                                Quorvane::CStructArray *scan);
