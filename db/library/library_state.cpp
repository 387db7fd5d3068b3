#include "db/library/library_state.h"

#include "base/message_box.h"

#include <memory>
#include <new>

namespace Quorvane {

namespace {

std::unique_ptr<CTembriDB> database;
int firstTime = 0;
HMODULE resources = nullptr;
std::string programName;

std::string stringOf(UINT id)
{
    char text[512] = {};
    LoadStringA(resources, id, text, sizeof(text));
    return text;
}

} // namespace

std::string DatabaseFileOf(const char *programPath)
{
    std::string path = programPath ? programPath : "";
    if (path.find('~') != std::string::npos) {
        char longPath[MAX_PATH];
        const DWORD length = GetLongPathNameA(path.c_str(), longPath, MAX_PATH);
        if (length && length < MAX_PATH)
            path.assign(longPath, length);
    }
    if (path.empty())
        return {};
    // Only the file name's extension goes: a dot in a folder name stays.
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of("\\/");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return path + ".prs";
    return path.substr(0, dot + 1) + "prs";
}

void StavrundAttach(const char *programPath, HMODULE module)
{
    resources = module;
    const std::string file = DatabaseFileOf(programPath);
    const std::string path = programPath ? programPath : "";
    const size_t slash = path.find_last_of("\\/");
    programName = path.substr(slash == std::string::npos ? 0 : slash + 1);
    programName = programName.substr(0, programName.find_last_of('.'));
    long result = 0;
    database.reset(new (std::nothrow) CTembriDB(file.c_str(), kEquipmentVersion, result));
    firstTime = result == 2;
}

void StavrundDetach()
{
    database.reset();
    firstTime = 0;
}

CTembriDB *StavrundDatabase()
{
    return database.get();
}

int &StavrundFirstTime()
{
    return firstTime;
}

HMODULE StavrundResources()
{
    return resources;
}

const std::string &StavrundProgramName()
{
    return programName;
}

void DBErrorBox(UINT stringId, HWND owner)
{
    showMessageBox(owner, stringOf(stringId).c_str(), programName.c_str(), MB_OK | MB_ICONSTOP);
}

int DBQuestion(UINT stringId, HWND owner)
{
    return showMessageBox(owner, stringOf(stringId).c_str(), programName.c_str(),
                          MB_YESNO | MB_ICONQUESTION) == IDYES;
}

} // namespace Quorvane
