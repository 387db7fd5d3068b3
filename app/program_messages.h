// The program's messages: its string-table texts, shown in a box through
// the one message-box function that tests answer.
#pragma once

#include <windows.h>

#include <string>

namespace Quorvane {

enum ProgramMessage : int {
    MsgDatabaseError = 500,
    MsgEngineNotStarted = 501,
    MsgUnexpectedError = 502,
    MsgCantLoadSliceDrummer = 503,
    MsgCantLoadFillDrummer = 504,
    MsgCantLoadOutputPort = 505,
    MsgCantExportMidi = 506,
    MsgCantExportWave = 507,
    MsgCantLoadTemplate = 508,
    MsgCantLoadStyle = 509,
    MsgCantSaveStyle = 510,
    MsgNoMemory = 511,
    MsgCantCreateTempFile = 512,
    MsgCantLoadStyleSet = 513,
    MsgCantSaveStyleSet = 514,
    MsgInvalidFiles = 515,
    MsgShellError = 516,
    MsgNoSoundDevice = 517,
    MsgRestartNeeded = 600,
};

// The text of a message id, empty for an unknown id.
const char *ProgramMessageText(int id);

// Shows the message (the stop icon unless another is given, the program's
// name as caption).
void ShowProgramMessage(int id, HWND owner = nullptr, UINT icon = MB_ICONHAND);
// Shows a text of the program's own in the same box: what a command could
// not do and why.
void ShowProgramText(const std::string &text, HWND owner = nullptr);

// Why the program closes when a drummer of the saved state does not load
// (element 0 the loop-slice drummer, else a fill drummer), and how to
// start without the saved state.
std::string SavedStateDrummerText(int element);

// Why the presets of a drummer or output cannot be shown: the equipment
// database lists no port of that name to keep them with.
std::string NoStoredPortText(const std::string &name);

} // namespace Quorvane
