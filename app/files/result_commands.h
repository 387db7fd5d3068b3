// The parts window's result commands: export the current part's result to
// a file, copy it to the clipboard, drag it out.
#pragma once

#include "app/files/export_choices.h"
#include "app/files/result_transfer.h"

namespace Quorvane {

// Asks for the file (the default name and format proposed), stops
// playback and writes it; 506 or 507 when writing fails. False when
// cancelled or failed.
bool ExportResultCommand(ResultSource &source, ExportChoices &choices, ResultKind kind);

// Copies the result in the format the source has chosen; a WAVE copy needs
// an output that renders audio. False when nothing was copied.
bool CopyResultCommand(ResultSource &source, bool audioAvailable);

// Drags the result out as the chosen format and as a file; a WAVE drag
// needs an output that renders audio. False when no drag ran.
bool DragResultCommand(ResultSource &source, bool audioAvailable);

} // namespace Quorvane
