// The program's settings: integers and strings in the section "Options" of
// its registry key, HKEY_CURRENT_USER "Software\Quorvane\<program>", where
// <program> is the name of the running executable without its extension.
#pragma once

#include <string>

namespace Quorvane {

class ProgramProfile {
public:
    // The running executable's name.
    ProgramProfile();
    explicit ProgramProfile(std::string programName);

    const std::string &programName() const { return programName_; }
    // "Software\Quorvane\<program>\Options".
    std::string optionsKey() const;

    int getInt(const char *name, int defaultValue) const;
    // False when the value could not be written.
    bool writeInt(const char *name, int value) const;
    std::string getString(const char *name, const std::string &defaultValue = {}) const;
    bool writeString(const char *name, const std::string &value) const;

private:
    std::string programName_;
};

// The running executable's file name without folder and extension.
std::string RunningProgramName();

} // namespace Quorvane
