// Display names of output ports and effects, the hex text form of byte
// blocks (SysEx data) and the step of a value dragged with the mouse.
#pragma once

#include "gui/pannikel_api.h"

namespace Quorvane {

// Each rewrites name in place into its display form, truncated within the
// size bytes of its buffer; unchanged when a copy of the old name cannot be
// made or size is not positive.
// kind 0 "Default Preview", 1 "Chords: name", 3..6 "ZQi/VSTi/DXi/DLS index+1:
// name" (no number for a negative index), 7 "MIDI: name", others "name
// index+1".
PANNIKEL_API void CreateOutPortName(char *name, long kind, long index, long size);
// "ZQ/VST/DX: name [Master Out]" for bus 0, "[Audio Bus n]" for bus n > 0,
// nothing in brackets for a negative bus; "?" for an unknown kind.
PANNIKEL_API void CreateAEffName(char *name, long kind, long bus, long size);
// "ZQ/MFX: name [Track n]", nothing in brackets for a negative track.
PANNIKEL_API void CreateMEffName(char *name, long kind, long track, long size);

// A buffer size that holds StringHex of n bytes with its terminator.
PANNIKEL_API long GetStringHexLen(long n);
// Two upper-case digits a byte, a blank between bytes, CR LF after every
// tenth byte, nothing after the last.
PANNIKEL_API void StringHex(const unsigned char *data, long n, char *text);
// Reads such text back into a malloc block (freed by the caller): bytes of
// one or two hex digits ended by blank, CR or LF. 1 on success (no block
// for an empty text); 0 with n = the offset of an offending character, or
// n = -1 when memory runs out.
PANNIKEL_API int HexString(unsigned char **data, long *n, const char *text);

// The step of a dragged value: 0 at the edge, +-1 within 3 pixels of it,
// else +-step.
PANNIKEL_API long MouseCaptOffset(long pos, long edge, long step);

} // namespace Quorvane
