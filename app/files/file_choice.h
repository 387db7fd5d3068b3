// Which files the program opens and saves, and the file dialogs that ask
// for them. The dialog itself is swappable, so that tests answer it.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <functional>
#include <string>
#include <vector>

namespace Quorvane {

enum class PartFileKind { None, Part, Style };

// ".qns" and ".qn3x12" name styles, ".qnp" and ".qn3" parts (letters in any
// case); None for every other name.
PartFileKind KindOfFileName(const std::string &name);

// The first name of the list that names a part or a style; -1 when none
// does.
int FirstKnownFile(const std::vector<std::string> &names);

// The names in a dropped-files block.
std::vector<std::string> DroppedFileNames(HDROP drop);

// The folder of a path: everything before its last "\\" or "/" (empty when
// there is none).
std::string FolderOf(const std::string &path);

// The user's documents folder (made when missing); empty when the system
// names none.
std::string DocumentsFolder();

// Runs a file dialog (GetOpenFileNameA or GetSaveFileNameA as save says);
// true when the user chose a file.
using FileDialogRunner = std::function<bool(OPENFILENAMEA &dialog, bool save)>;
// The platform's dialogs; tests install their own answer (an empty runner
// restores the platform's). Returns the old runner.
FileDialogRunner SetFileDialogRunner(FileDialogRunner runner);

// What a file dialog offers: filters as "text\0pattern\0...\0", the
// default extension without its dot, the proposed file name, and the
// filter chosen first (1-based) which the dialog's answer replaces.
struct FileDialogRequest {
    const char *filters = nullptr;
    const char *defaultExtension = nullptr;
    std::string fileName;
    std::string folder;
    int filterIndex = 1;
};

// Asks for a file, starting in the request's folder or, without one, in
// the documents folder; the full path, empty when the user cancelled. The
// process's current folder is the same afterwards.
std::string ChooseFile(HWND owner, FileDialogRequest &request, bool save);

// Asks for a part or style file to open or save, starting in folder (the
// last folder used), which becomes the chosen file's folder.
std::string ChoosePartFile(HWND owner, PartFileKind kind, bool save, std::string &folder);

} // namespace Quorvane
