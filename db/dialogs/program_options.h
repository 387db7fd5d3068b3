// A program's profile integers: DWORD values in HKEY_CURRENT_USER
// "Software\Quorvane\<program name>\<section>", the program name being its
// executable's name without the extension.
#pragma once

#include <cstdint>
#include <string>

namespace Quorvane {

std::string ProgramSectionKey(const char *program, const char *section);
uint32_t ReadProgramInt(const char *program, const char *section, const char *name, uint32_t defaultValue);
int WriteProgramInt(const char *program, const char *section, const char *name, uint32_t value);

// The option that lets the commit dialog ask (1, the default) or not (0).
constexpr const char *kOptionsSection = "Options";
constexpr const char *kCommitDialogOption = "DBCommitDialog";

} // namespace Quorvane
