// Private places for one test process: a temp folder and a registry key
// under HKEY_CURRENT_USER, both removed when the test ends.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testing_support {

// A name no other test process uses at the same time: prefix, process id and
// a running number.
std::string uniqueName(const std::string &prefix);

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    // Folder path, ending without a backslash.
    const std::string &path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// "Software\Quorvane\<unique>" below HKEY_CURRENT_USER, deleted with its
// sub keys at the end.
class RegistrySandbox {
public:
    RegistrySandbox();
    ~RegistrySandbox();
    RegistrySandbox(const RegistrySandbox &) = delete;
    RegistrySandbox &operator=(const RegistrySandbox &) = delete;

    // The product name to hand to code that roots its settings in
    // "Software\Quorvane\<product>".
    const std::string &product() const { return product_; }
    // Path below HKEY_CURRENT_USER.
    std::string path() const { return "Software\\Quorvane\\" + product_; }
    // Path below HKEY_CURRENT_USER\Software.
    std::string underSoftware() const { return "Quorvane\\" + product_; }

private:
    std::string product_;
};

// A predefined key mapped to a private key for the whole program, so what
// the modules under test keep or look for there stays private; the mapping
// goes and the key is deleted at the end.
class PredefinedKeyOverride {
public:
    explicit PredefinedKeyOverride(HKEY predefined);
    ~PredefinedKeyOverride();
    PredefinedKeyOverride(const PredefinedKeyOverride &) = delete;
    PredefinedKeyOverride &operator=(const PredefinedKeyOverride &) = delete;

    bool active() const { return active_; }
    // The private key's path below HKEY_CURRENT_USER, for a child process
    // that is to see the same key (mapPredefinedKey).
    std::string path() const { return sandbox_.path(); }
    // The platform's own key for a while (the imaging component, say, finds
    // its encoders there), then the private one again.
    void suspend();
    void resume();

private:
    RegistrySandbox sandbox_;
    HKEY predefined_;
    HKEY root_ = nullptr;
    bool active_ = false;
};

// In a child process: maps the predefined key to the key at the path below
// HKEY_CURRENT_USER that its parent's override made, for the rest of the
// process; false when it cannot.
bool mapPredefinedKey(HKEY predefined, const std::string &path);

// HKEY_CURRENT_USER: the user's settings of the modules under test.
class CurrentUserOverride : public PredefinedKeyOverride {
public:
    CurrentUserOverride() : PredefinedKeyOverride(HKEY_CURRENT_USER) {}
};

// HKEY_LOCAL_MACHINE: where the modules under test find other modules.
class LocalMachineOverride : public PredefinedKeyOverride {
public:
    LocalMachineOverride() : PredefinedKeyOverride(HKEY_LOCAL_MACHINE) {}
};

// HKEY_CLASSES_ROOT: the class and plug-in registrations the modules under
// test read and write. The platform's COM still finds its own classes.
class ClassesRootOverride : public PredefinedKeyOverride {
public:
    ClassesRootOverride() : PredefinedKeyOverride(HKEY_CLASSES_ROOT) {}
};

// Whether a file exists; reads a whole file; writes one.
bool fileExists(const std::string &path);
std::string readFile(const std::string &path);
bool writeFile(const std::string &path, const std::string &bytes);
// The names of the files in a folder (not its sub-folders), as listed.
std::vector<std::string> filesIn(const std::string &folder);

} // namespace testing_support
