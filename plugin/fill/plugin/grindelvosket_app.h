// The module's application object: its name, its per-user settings location
// and its help file. One instance, set up when the module loads.
#pragma once

#include <windows.h>

#include <string>

namespace Quorvane {

class GrindelvosketApp {
public:
    static constexpr const char *kAppName = "Grindelvosket";
    static constexpr const char *kRegistryKey = "Quorvane\\Grindelvosket";
    static constexpr const char *kDefaultProfile = "3";

    // Remembers the module, roots the module's registry settings and finds
    // the help file beside the module. True when the module can be used.
    bool InitInstance(HMODULE module);
    void ExitInstance();

    // "Quorvane\Grindelvosket\<profile>", below HKEY_CURRENT_USER\Software.
    std::string getRegistryPath() const { return registryKey_ + "\\" + profileName_; }
    const std::string &helpFilePath() const { return helpFile_; }
    const std::string &profileName() const { return profileName_; }
    HMODULE module() const { return module_; }
    // The module's full path (empty before InitInstance).
    std::string modulePath() const;

private:
    HMODULE module_ = nullptr;
    std::string registryKey_ = kRegistryKey;
    std::string profileName_ = kDefaultProfile;
    std::string helpFile_;
};

GrindelvosketApp &theApp();

} // namespace Quorvane
