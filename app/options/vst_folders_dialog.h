// The VST folders dialog: the three folders in which the sound engine
// looks for VST plug-ins, typed or picked with the shell's folder browser.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <array>
#include <functional>
#include <string>

namespace Quorvane {

struct IOPARAMS;

using VstFolders = std::array<std::string, 3>;

// The folder without its trailing "\\" or "/" (one is cut).
std::string WithoutTrailingSlash(std::string folder);

// The folders the I/O parameters hold.
VstFolders VstFoldersOf(const IOPARAMS &params);
// Gives the I/O parameters the folders; false when memory runs out.
bool SetVstFolders(IOPARAMS &params, const VstFolders &folders);

// Runs the shell's folder browser; tests install their own answer (an
// empty one restores the shell's). Returns the old browser.
using FolderBrowser = std::function<PIDLIST_ABSOLUTE(BROWSEINFOA &)>;
FolderBrowser SetFolderBrowser(FolderBrowser browser);

// The modal dialog over the folders; true on OK with the folders changed
// (each without a trailing slash). A choice in the browser that is no
// file-system folder tells the user (516) and changes nothing.
bool RunVstFoldersDialog(HWND owner, VstFolders &folders);

} // namespace Quorvane
