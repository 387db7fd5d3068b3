// The fill handed to the outside world through the drummers' transfer
// functions: its snapshot as "Grindelvosket Fill" beside the rendered
// Standard MIDI File on the clipboard, and the rendered file dragged out as
// "Grindelvosket.mid". Both run on the window thread with OLE initialised.
#pragma once

#include "plugin/fill/engine/grindelvosket.h"
#include "plugin/fill/plugin/drummer_transfer.h"

#include <string>

namespace Quorvane::FillTransfer {

constexpr const char *kFillFormatName = "Grindelvosket Fill";
constexpr const char *kSmfFormatName = DrummerTransfer::kSmfFormatName;
constexpr const char *kDragOutFileName = "Grindelvosket.mid";

using DrummerTransfer::bytesFromGlobal;
using DrummerTransfer::createDataObject;
using DrummerTransfer::fileDropList;
using DrummerTransfer::GlobalFormat;
using DrummerTransfer::globalFromBytes;
using DrummerTransfer::smfFormat;

// The registered clipboard format "Grindelvosket Fill".
UINT fillFormat();

// Puts the fill on the clipboard (snapshot and rendered file).
HRESULT copyFillToClipboard(Grindelvosket &engine);
// Reads a "Grindelvosket Fill" from the clipboard into the engine; false
// (the engine unchanged) when there is none or it is damaged.
bool pasteFillFromClipboard(Grindelvosket &engine);

// The system's temporary folder followed by "Grindelvosket.mid".
std::string dragOutPath();
// Renders the fill into the drag-out file and returns a data object whose
// only format is the file list naming it; null when the file could not be
// written.
IDataObject *prepareDragOut(Grindelvosket &engine, std::string *path = nullptr);
// Runs the drag (copy only). DRAGDROP_S_DROP, DRAGDROP_S_CANCEL or a failure.
HRESULT dragOutFill(Grindelvosket &engine, DWORD *effect = nullptr);

} // namespace Quorvane::FillTransfer
