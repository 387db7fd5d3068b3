// The program's messages: texts of its string table, each shown in a box
// with the stop icon. Every box goes through the base library's one
// function, so tests answer them.
#pragma once

#include <windows.h>

#include <string>

namespace Quorvane {

enum ProgramMessage : UINT {
    kMsgDatabaseError = 500,
    kMsgEngineNotStarted = 501,
    kMsgUnexpectedError = 502,
    kMsgCantLoadSliceDrummer = 503,
    kMsgCantLoadFillDrummer = 504,
    kMsgCantLoadOutputPort = 505,
    kMsgCantExportMidi = 506,
    kMsgCantExportWave = 507,
    kMsgCantLoadTemplate = 508,
    kMsgCantLoadStyle = 509,
    kMsgCantSaveStyle = 510,
    kMsgNoMemory = 511,
    kMsgCantCreateTempFile = 512,
    kMsgCantLoadStyleSet = 513,
    kMsgCantSaveStyleSet = 514,
    kMsgInvalidFiles = 515,
    kMsgShellError = 516,
    kMsgRestartNeeded = 600,
};

// The caption of the program's boxes.
constexpr const char kProgramTitle[] = "Rallimoth Omvel";

// The text of the running program's string table entry (empty when the
// entry is missing).
std::string ProgramMessageText(UINT id);

// Shows the entry with the stop icon; returns the button pressed.
int ShowProgramMessage(HWND owner, UINT id);

} // namespace Quorvane
