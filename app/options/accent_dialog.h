// The accent dialog: whether an accent sounds on hard starts, from which
// trigger velocity, its two notes (the second for white-key and for
// black-key parts), its velocity and its length.
#pragma once

#include "app/part_drummers.h"
#include "app/program_options.h"

#include <windows.h>

#include <functional>
#include <string>

namespace Quorvane {

// The name shown for a note 0..127; an empty answer shows its number.
using NoteNamer = std::function<std::string(int note)>;

// The note names of a drummer's current note-name set (its number where
// it has none or fails); numbers alone without a drummer.
NoteNamer DrummerNoteNamer(IQN3Request *drummer);

// The drummer that names the accent notes: the first attached one, parts
// 0..11 and in each elements 0..2 in turn; null when none is.
IQN3Request *FirstAttachedDrummer(const PartDrummers &drummers);

// The modal dialog over a copy of the accent options; true on OK with them
// changed.
bool RunAccentDialog(HWND owner, ProgramOptions &options, const NoteNamer &names);

} // namespace Quorvane
