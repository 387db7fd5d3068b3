// The scan's log file: created empty when a scan starts, each text then
// appended by opening the file, writing and closing it again.
#pragma once

#include <windows.h>

namespace Quorvane {

constexpr char kDefaultVstScanLog[] = "C:\\VSTScan.log";

class VstScanLog {
public:
    // Creates the file empty; false (logging off) for a null, empty or too
    // long path, or a file that cannot be created.
    bool Start(const char *path);
    void Stop() { on_ = false; }
    bool IsOn() const { return on_; }
    // Appends the text while logging is on.
    void Write(const char *text) const;

private:
    char path_[MAX_PATH] = {};
    bool on_ = false;
};

} // namespace Quorvane
