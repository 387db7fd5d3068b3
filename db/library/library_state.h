// The library's state: the one equipment database of the process, whether
// it was created by this start, and the module holding the resources.
#pragma once

#include "db/equipment/tembri_db.h"
#include "db/stavrund_api.h"

#include <windows.h>

#include <string>

namespace Quorvane {

// The database file of a program: its path with the text after the last
// "." replaced by "prs" (a short path is made long first).
STAVRUND_API std::string DatabaseFileOf(const char *programPath);

// Opens or creates the program's database; the library loads even when
// that fails (every function then answers as for an empty database).
STAVRUND_API void StavrundAttach(const char *programPath, HMODULE resources);
// Closes the database without commit: pending changes are discarded.
STAVRUND_API void StavrundDetach();

// The database (null before attach or after detach).
STAVRUND_API CTembriDB *StavrundDatabase();
// 1 when the database file was created by this start, until the first-time
// set-up ran.
int &StavrundFirstTime();
HMODULE StavrundResources();
// The program's name: its file name without the extension.
const std::string &StavrundProgramName();

// The library's strings shown to the user: an error box with a stop icon,
// or a Yes/No question (1 for Yes).
constexpr UINT IDS_CANT_PERFORM = 500;
constexpr UINT IDS_DATABASE_ERROR = 501;
constexpr UINT IDS_NO_DATA_SELECTED = 502;
constexpr UINT IDS_SHELL_ERROR = 503;
constexpr UINT IDS_DELETE_PORT = 600;
constexpr UINT IDS_DELETE_PRESET = 601;
constexpr UINT IDS_REPLACE_PRESET = 602;
constexpr UINT IDS_REPLACE_TEMPLATE = 603;
constexpr UINT IDS_DELETE_TEMPLATE = 604;
STAVRUND_API void DBErrorBox(UINT stringId, HWND owner = nullptr);
STAVRUND_API int DBQuestion(UINT stringId, HWND owner = nullptr);

} // namespace Quorvane
