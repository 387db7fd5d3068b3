// The equipment database's messages to the user: texts of the library's
// string table (db/library/stavrund.rc), shown through the base library's
// one message box function.
#pragma once

#include <windows.h>

namespace Quorvane {

enum : UINT {
    IDS_DB_CANT_PERFORM = 500,
    IDS_DB_ERROR = 501,
    IDS_DB_NO_DATA = 502,
    IDS_DB_SHELL_ERROR = 503,
    IDS_DB_CANT_READ = 504,
    IDS_DB_DELETE_PORT = 600,
    IDS_DB_DELETE_PRESET = 601,
    IDS_DB_REPLACE_PRESET = 602,
    IDS_DB_REPLACE_TEMPLATE = 603,
    IDS_DB_DELETE_TEMPLATE = 604,
};

// The dialogs' caption of their messages.
constexpr const char *kDBCaption = "Equipment DataBase";

// The string as an error box with the stop icon.
void ShowDBError(HINSTANCE resources, HWND owner, UINT id, const char *caption = kDBCaption);
// The error box of a database that could not be read: the file's name and
// the system's words for the error fill the string's two "%s".
void ShowDBCantRead(HINSTANCE resources, HWND owner, const char *file, DWORD error,
                    const char *caption = kDBCaption);
// The string as a Yes/No question with the question icon; 1 for Yes.
int AskDBQuestion(HINSTANCE resources, HWND owner, UINT id, const char *caption = kDBCaption);

} // namespace Quorvane
