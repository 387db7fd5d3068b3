// Small helpers for the data folders of drum maps and note names.
#pragma once

#include <string>
#include <vector>

namespace Quorvane {

// The folder with a trailing separator, so that file names can be appended;
// an empty folder stays empty (the current folder).
std::string folderPrefix(const std::string &folder);

// Whether a user-given name can become a file name inside a folder: not
// empty, no path separators, no "..", nothing Windows refuses in names.
bool isSafeFileName(const std::string &name);

// Names (with extension) of the plain files of folder whose extension is
// extension (".vpm"), without regard to case, in the order the directory
// lists them. A missing folder has none.
std::vector<std::string> filesWithExtension(const std::string &folder, const std::string &extension);

// The name without its extension of such a file.
std::string stripExtension(const std::string &fileName, const std::string &extension);

} // namespace Quorvane
