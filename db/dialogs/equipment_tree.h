// The equipment tree: a modal dialog that chooses an output port, audio
// effect or MIDI effect (a port or one of its presets) by kind, and can
// refresh a kind's port list and delete ports and presets. It belongs to
// the caller's active window.
#pragma once

#include <windows.h>

#include <cstdint>

namespace Quorvane {

class CTembriDB;
class IQuorvaneSongTract;
struct PORTDESCR;

enum : int { TREE_OUTPUTS = 0, TREE_AUDIO_EFFECTS = 1, TREE_MIDI_EFFECTS = 2 };

// Writes the chosen port's or preset's descriptor into descriptor and
// answers IDOK, or IDCANCEL. In output mode a song tract (may be null) hides
// what the song cannot take twice: a second chords output and the MIDI
// ports it already uses. Each mode preselects what it chose the time before.
INT_PTR RunEquipmentTree(HINSTANCE resources, CTembriDB *db, int mode, PORTDESCR *descriptor,
                         IQuorvaneSongTract *tract);

} // namespace Quorvane
