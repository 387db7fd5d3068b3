// The preset and template choosers of the equipment database: modal dialogs
// that store, recall or load, and delete presets of one output or effect, or
// templates of one kind. Each holds its item object, and with it the
// database lock, while it is open, and belongs to the window that opened it
// (the parent given, else the caller's active window; see ChooserOwner).
#pragma once

#include <windows.h>

#include <cstdint>

namespace Quorvane {

class CSong;
class CTembriDB;

// Presets of the port record portId (an output, audio effect or MIDI
// effect); item and context as the preset kind takes them. The title is
// "Presets: " and the item's name, or the parent window's title.
INT_PTR RunPresetChooser(HINSTANCE resources, CTembriDB *db, uint32_t portId, void *item, void *context,
                         const char *itemName, HWND parent);

// Templates of a TYPE (0 New Song, 1 SongTract, 2 SysEx) for the song. A
// callback, when given, may veto a load by answering 0. The dialog takes
// the caller's data block (*data, *size; both may be null) and hands back
// what it holds when it closes: the chosen template's data after a load.
INT_PTR RunTemplateChooser(HINSTANCE resources, CTembriDB *db, uint32_t type, CSong *song,
                           int (*callback)(uint32_t), uint32_t argument, void **data, uint32_t *size);

} // namespace Quorvane
