// Reads a pattern of the library, on disk or inside a volume, into a track.
#pragma once

#include "plugin/framework/folders/directory_tree.h"
#include "plugin/framework/midi/midi_track.h"

namespace Quorvane::DirectoryTrees {

// False when the leaf cannot be opened or is not a Standard MIDI File; the
// track is then left as it was.
bool loadLeafAsTrack(Leaf &leaf, CMidiTrack &track);

} // namespace Quorvane::DirectoryTrees
