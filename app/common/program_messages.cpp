#include "app/common/program_messages.h"

#include "base/message_box.h"

namespace Quorvane {

std::string ProgramMessageText(UINT id)
{
    char text[256] = {};
    const int length = LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof(text));
    return std::string(text, length > 0 ? static_cast<size_t>(length) : 0);
}

int ShowProgramMessage(HWND owner, UINT id)
{
    return showMessageBox(owner, ProgramMessageText(id).c_str(), kProgramTitle, MB_OK | MB_ICONHAND);
}

} // namespace Quorvane
