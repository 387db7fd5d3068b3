// The parts window's file commands: save and open a part or a style
// (asking for the file, or taking one named on the command line or
// dropped), copy and paste the current part, and open dropped files. Each
// tells the user when it fails.
#pragma once

#include "app/files/file_choice.h"
#include "app/files/part_files.h"

#include <windows.h>

#include <string>
#include <vector>

namespace Quorvane {

// What the commands need of the window, besides its parts.
class PartFileHost : public PartStore {
public:
    virtual HWND owner() = 0;
    virtual int currentPart() = 0;
    virtual void stopPlayback() = 0;
    // Lengths or states changed: the time selection follows, the window
    // redraws.
    virtual void partsLoaded() = 0;
    // The file last opened or saved (for the title).
    virtual void fileNamed(const std::string &path) = 0;
    // The folder the file dialogs start in (option "StylePath").
    virtual std::string fileFolder() = 0;
    virtual void setFileFolder(const std::string &folder) = 0;

protected:
    ~PartFileHost() = default;
};

// Asks for the file unless path names one; false when cancelled or failed
// (510 for a part, 514 for a style).
bool SavePartCommand(PartFileHost &host, PartFileKind kind, std::string path = {});
// The same for opening (509 for a part, 513 for a style).
bool OpenPartCommand(PartFileHost &host, PartFileKind kind, std::string path = {});
// Opens the first dropped part or style; 515 when none is one.
bool OpenDroppedFiles(PartFileHost &host, const std::vector<std::string> &names);
// Puts the current part on the clipboard, rendered when asked for.
bool CopyPartCommand(PartFileHost &host);
// Reads the clipboard's part into the current part (509 on failure); false
// without one.
bool PastePartCommand(PartFileHost &host);

} // namespace Quorvane
