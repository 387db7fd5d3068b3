// The fill handed to the outside world: copied to and pasted from the
// clipboard, and dragged out as a file. The clipboard carries the fill twice:
// as the engine's own snapshot ("Grindelvosket Fill"), which another
// instance pastes back exactly, and rendered as a Standard MIDI File for any
// sequencer. Both run on the window thread with OLE initialised.
#pragma once

#include "plugin/fill/engine/grindelvosket.h"

#include <windows.h>
#include <objidl.h>

#include <string>
#include <vector>

namespace Quorvane::FillTransfer {

constexpr const char *kFillFormatName = "Grindelvosket Fill";
constexpr const char *kSmfFormatName = "Standard MIDI File";
constexpr const char *kDragOutFileName = "Grindelvosket.mid";

// The registered clipboard formats.
UINT fillFormat();
UINT smfFormat();

// A shareable global memory block holding bytes; null when out of memory.
HGLOBAL globalFromBytes(const std::string &bytes);
// The bytes of a global memory block; false when it cannot be locked.
bool bytesFromGlobal(HGLOBAL global, std::string &bytes);

// A data object offering global memory blocks, one per format.
struct GlobalFormat {
    UINT format;
    std::string bytes;
};
// A new data object holding one reference; null when out of memory.
IDataObject *createDataObject(const std::vector<GlobalFormat> &formats);

// Puts the fill on the clipboard (snapshot and rendered file) and flushes
// it, so the data stays after the plug-in is gone.
HRESULT copyFillToClipboard(Grindelvosket &engine);
// Reads a "Grindelvosket Fill" from the clipboard into the engine; false
// (the engine unchanged) when there is none or it is damaged.
bool pasteFillFromClipboard(Grindelvosket &engine);

// The system's temporary folder followed by "Grindelvosket.mid".
std::string dragOutPath();
// A file list (CF_HDROP) naming one file: the 20-byte header with the list
// at offset 20, the ANSI path and two terminating zeros.
std::string fileDropList(const std::string &path);
// Renders the fill into the drag-out file and returns a data object whose
// only format is the file list naming it; null when the file could not be
// written.
IDataObject *prepareDragOut(Grindelvosket &engine, std::string *path = nullptr);
// Runs the drag (copy only). DRAGDROP_S_DROP, DRAGDROP_S_CANCEL or a failure.
HRESULT dragOutFill(Grindelvosket &engine, DWORD *effect = nullptr);

} // namespace Quorvane::FillTransfer
