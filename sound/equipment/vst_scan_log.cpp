#include "sound/equipment/vst_scan_log.h"

#include <cstdio>
#include <cstring>

namespace Quorvane {

bool VstScanLog::Start(const char *path)
{
    on_ = false;
    const size_t length = path ? strnlen(path, sizeof path_) : 0;
    if (length == 0 || length >= sizeof path_)
        return false;
    std::memcpy(path_, path, length);
    path_[length] = '\0';
    FILE *file = std::fopen(path_, "wt");
    if (!file)
        return false;
    std::fclose(file);
    on_ = true;
    return true;
}

void VstScanLog::Write(const char *text) const
{
    if (!on_)
        return;
    if (FILE *file = std::fopen(path_, "at")) {
        std::fputs(text, file);
        std::fclose(file);
    }
}

} // namespace Quorvane
