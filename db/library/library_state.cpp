#include "db/library/library_state.h"

#include <memory>
#include <new>

namespace Quorvane {

namespace {

std::unique_ptr<CTembriDB> database;
int firstTime = 0;
HMODULE resources = nullptr;
std::string programName;

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
    // A damaged database is kept beside the new one; the user hears of it
    // before the new one starts.
    auto tellKeptAside = [](const char *) { DBErrorBox(IDS_DATABASE_ERROR); };
    database.reset(new (std::nothrow) CTembriDB(file.c_str(), kEquipmentVersion, result, tellKeptAside));
    firstTime = result == 2;
    // A database that could not be read stays where it is, and the user
    // hears why. One that another process of the program holds is that
    // process's (a second start hands over to the first): nothing to tell.
    const DWORD error = database ? database->OpenError() : ERROR_NOT_ENOUGH_MEMORY;
    if (result == 0 && error != ERROR_SHARING_VIOLATION)
        ShowDBCantRead(resources, nullptr, file.c_str(), error ? error : ERROR_READ_FAULT,
                       programName.c_str());
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
    ShowDBError(resources, owner, stringId, programName.c_str());
}

int DBQuestion(UINT stringId, HWND owner)
{
    return AskDBQuestion(resources, owner, stringId, programName.c_str());
}

} // namespace Quorvane
