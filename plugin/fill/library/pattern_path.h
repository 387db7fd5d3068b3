// Pattern names as the library and the engines keep them: a folder relative
// to the library and a file name in it.
#pragma once

#include <string>

namespace Quorvane {

// The one form of a pattern folder: names joined by backslashes (a slash
// counts as one), no backslash at either end; empty for the library itself.
std::string canonicalPatternFolder(const std::string &folder);

// Whether a folder and a file name stay inside the library: every name
// between backslashes is one safe path component (not "." or "..", no drive
// colon, separator or control character). The folder may be empty; the
// file may itself name sub-folders ("Sub\Fill.mid").
bool isSafePatternPath(const std::string &folder, const std::string &file);

} // namespace Quorvane
