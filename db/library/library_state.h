// The library's state: the one equipment database of the process, whether
// it was created by this start, and the module holding the resources.
#pragma once

#include "db/dialogs/db_messages.h"
#include "db/equipment/tembri_db.h"
#include "db/stavrund_api.h"

#include <windows.h>

#include <string>

namespace Quorvane {

// The database file of a program: its path with the text after the last
// "." replaced by "prs" (a short path is made long first).
STAVRUND_API std::string DatabaseFileOf(const char *programPath);

// Opens or creates the program's database; the library loads even when
// that fails (every function then answers as for an empty database). A
// damaged database is kept aside, the user gets the database error message,
// and a new one starts. A database that cannot be read (a read that fails,
// memory that runs out) stays where it is, and the user is told why.
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
constexpr UINT IDS_CANT_PERFORM = IDS_DB_CANT_PERFORM;
constexpr UINT IDS_DATABASE_ERROR = IDS_DB_ERROR;
constexpr UINT IDS_NO_DATA_SELECTED = IDS_DB_NO_DATA;
constexpr UINT IDS_SHELL_ERROR = IDS_DB_SHELL_ERROR;
constexpr UINT IDS_DELETE_PORT = IDS_DB_DELETE_PORT;
constexpr UINT IDS_DELETE_PRESET = IDS_DB_DELETE_PRESET;
constexpr UINT IDS_REPLACE_PRESET = IDS_DB_REPLACE_PRESET;
constexpr UINT IDS_REPLACE_TEMPLATE = IDS_DB_REPLACE_TEMPLATE;
constexpr UINT IDS_DELETE_TEMPLATE = IDS_DB_DELETE_TEMPLATE;
STAVRUND_API void DBErrorBox(UINT stringId, HWND owner = nullptr);
STAVRUND_API int DBQuestion(UINT stringId, HWND owner = nullptr);

} // namespace Quorvane
