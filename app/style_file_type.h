// The style file type in the shell: ".qns" files open with this program.
#pragma once

#include <string>

namespace Quorvane {

constexpr const char kStyleProgId[] = "QNOV.Document";
constexpr const char kStyleTypeName[] = "QNOV Style";
constexpr const char kStyleExtension[] = ".qns";

// Writes, under HKEY_CLASSES_ROOT, the type's name, its open command
// (programPath "%1") and, when it says otherwise, the extension's type; a
// failing step ends the registration quietly. False when a step failed.
bool RegisterStyleFileType(const std::string &programPath);

} // namespace Quorvane
