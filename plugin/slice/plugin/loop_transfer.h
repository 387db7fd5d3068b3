// The live loop handed to the outside world through the drummers' transfer
// functions: its loop record as "Vostrapellin Loop" beside the rendered
// cycle as a Standard MIDI File on the clipboard, and the rendered cycle
// dragged out as "Vostrapellin.mid". Window thread, OLE initialised.
#pragma once

#include "plugin/fill/plugin/drummer_transfer.h"
#include "plugin/slice/engine/vostrapellin.h"

#include <string>

namespace Quorvane::LoopSlice::LoopTransfer {

constexpr const char *kLoopFormatName = "Vostrapellin Loop";
constexpr const char *kDragOutFileName = "Vostrapellin.mid";

// The registered clipboard format "Vostrapellin Loop".
UINT loopFormat();

HRESULT copyLoopToClipboard(Vostrapellin &engine);
// False (the engine unchanged) when the clipboard holds no sound loop.
bool pasteLoopFromClipboard(Vostrapellin &engine);

// The system's temporary folder followed by "Vostrapellin.mid".
std::string dragOutPath();
IDataObject *prepareDragOut(Vostrapellin &engine, std::string *path = nullptr);
HRESULT dragOutLoop(Vostrapellin &engine, DWORD *effect = nullptr);

} // namespace Quorvane::LoopSlice::LoopTransfer
