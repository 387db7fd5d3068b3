#include "db/equipment/io_defaults.h"

#include "data/strings.h"
#include "db/equipment/tembri_db.h"
#include "sound/asp_registry.h"

#include <windows.h>

#include <string>

namespace Quorvane {

int GetDefaultASP(IOPARAMS *params)
{
    char name[MAX_PATH];
    const long count = SndGetNumASP();
    for (long i = 0; i < count; ++i) {
        if (SndGetASPProductName(i, name) && CompareStringA(name, "DirectSound") == 0) {
            params->asp = i;
            params->aspPort = 0;
            return 1;
        }
    }
    return 0;
}

int CreateFolderPath(const char *path)
{
    if (!path || !*path)
        return 0;
    const std::string full = path;
    for (int attempts = 0; attempts < 512; ++attempts) {
        if (CreateDirectoryA(full.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS)
            return 1;
        // Create the longest parent that can be made, then try again.
        std::string parent = full;
        for (;;) {
            const size_t cut = parent.find_last_of('\\');
            if (cut == std::string::npos || cut == 0)
                return 0;
            parent.resize(cut);
            if (CreateDirectoryA(parent.c_str(), nullptr))
                break;
            if (GetLastError() == ERROR_ALREADY_EXISTS)
                return 0; // the parent exists, yet the folder cannot be made
        }
    }
    return 0;
}

int GetIOParamsOrDefaults(CTembriDB *db, IOPARAMS *params)
{
    if (!params)
        return 0;
    if (db && db->GetIOParams(params))
        return 1;
    if (!GetDefaultASP(params))
        return 0;
    // The database stands beside the program: its folder is the program's.
    std::string folder = db && db->GetFileName()[0] ? db->GetFileName() : std::string();
    if (folder.empty()) {
        char program[MAX_PATH];
        const DWORD length = GetModuleFileNameA(nullptr, program, MAX_PATH);
        if (!length || length >= MAX_PATH)
            return 0;
        folder.assign(program, length);
    }
    folder = folder.substr(0, folder.find_last_of('\\') + 1) + "Audio\\";
    return params->SetString(IOSTR_WAVEDIR, folder.c_str()) &&
           params->SetString(IOSTR_VSTDIR1, "C:\\Program Files\\Steinberg\\VstPlugins") &&
           CreateFolderPath(folder.substr(0, folder.size() - 1).c_str());
}

} // namespace Quorvane
