// The program's messages: its string-table texts, shown in a box through
// the one message-box function that tests answer.
#pragma once

#include <windows.h>

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

} // namespace Quorvane
