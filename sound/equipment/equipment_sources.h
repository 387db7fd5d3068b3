// Where each kind of equipment is found. Each enumerator appends what it
// finds to the list and answers false when the enumeration fails (the
// caller then answers null).
#pragma once

#include "data/io_params.h"
#include "data/struct_array.h"
#include "sound/equipment/port_list.h"

namespace Quorvane {

// The system's own modules registered under one key of HKEY_LOCAL_MACHINE.
enum class OwnModules { SoftSynths, AudioEffects, MidiEffects };
bool ListOwnModules(PortList &list, OwnModules which);

// DXi synthesizers registered for hosts, the bridge's own instrument left out.
bool ListDxiSynths(PortList &list);
// DirectMusic software synthesizers.
bool ListDlsSynths(PortList &list);
// MFX MIDI filters registered for hosts.
bool ListMfxFilters(PortList &list);
// The ports of the MIDI output module beside the program; false without it.
bool ListMidiPorts(PortList &list);
// DirectShow filters that take and give audio.
bool ListDirectXFilters(PortList &list);
// The VST folder scan's dialog for instruments (ENUM_OUT_VST) or effects
// (ENUM_AEFFECT_VST); false unless the user closes it with OK.
bool RunVstScan(PortList &list, long kind, IOPARAMS *params, CStructArray *known, CStructArray *scan);

} // namespace Quorvane
