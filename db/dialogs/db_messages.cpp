#include "db/dialogs/db_messages.h"

#include "base/message_box.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace Quorvane {

namespace {

std::string Text(HINSTANCE resources, UINT id)
{
    char text[256] = {};
    LoadStringA(resources, id, text, sizeof text);
    return text;
}

std::string SystemErrorText(DWORD error)
{
    char text[512] = {};
    if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                        sizeof text, nullptr))
        return "Error " + std::to_string(error) + ".";
    std::string words = text;
    while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == ' '))
        words.pop_back();
    return words;
}

} // namespace

void ShowDBCantRead(HINSTANCE resources, HWND owner, const char *file, DWORD error, const char *caption)
{
    const std::string format = Text(resources, IDS_DB_CANT_READ);
    const std::string why = SystemErrorText(error);
    std::vector<char> text(format.size() + std::strlen(file) + why.size() + 1);
    std::snprintf(text.data(), text.size(), format.c_str(), file, why.c_str());
    showMessageBox(owner, text.data(), caption, MB_OK | MB_ICONSTOP);
}

void ShowDBError(HINSTANCE resources, HWND owner, UINT id, const char *caption)
{
    showMessageBox(owner, Text(resources, id).c_str(), caption, MB_OK | MB_ICONSTOP);
}

int AskDBQuestion(HINSTANCE resources, HWND owner, UINT id, const char *caption)
{
    return showMessageBox(owner, Text(resources, id).c_str(), caption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

} // namespace Quorvane
