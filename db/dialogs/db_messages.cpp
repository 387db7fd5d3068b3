#include "db/dialogs/db_messages.h"

#include "base/message_box.h"

#include <string>

namespace Quorvane {

namespace {

std::string Text(HINSTANCE resources, UINT id)
{
    char text[256] = {};
    LoadStringA(resources, id, text, sizeof text);
    return text;
}

} // namespace

void ShowDBError(HINSTANCE resources, HWND owner, UINT id, const char *caption)
{
    showMessageBox(owner, Text(resources, id).c_str(), caption, MB_OK | MB_ICONSTOP);
}

int AskDBQuestion(HINSTANCE resources, HWND owner, UINT id, const char *caption)
{
    return showMessageBox(owner, Text(resources, id).c_str(), caption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

} // namespace Quorvane
