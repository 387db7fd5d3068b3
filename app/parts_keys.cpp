#include "app/parts_keys.h"

#include "app/part_drummers.h"
#include "plugin/framework/gui/text_keys.h"

#include <algorithm>

namespace Quorvane {

PartsKey ReadPartsKey(WPARAM key, bool control, bool repeat, int current)
{
    if (key == VK_SPACE)
        return {repeat ? PartsKeyAction::None : PartsKeyAction::PlayStop};
    if (key == VK_F1)
        return {PartsKeyAction::Help};
    if (!control)
        return {};
    if (key == VK_UP)
        return {PartsKeyAction::EditorUp};
    if (key == VK_DOWN)
        return {PartsKeyAction::EditorDown};
    int part = -1;
    if (key == VK_ADD || key == VK_OEM_PLUS)
        part = std::min(current + 1, kPartCount - 1);
    else if (key == VK_SUBTRACT || key == VK_OEM_MINUS)
        part = std::max(current - 1, 0);
    else if (key >= '1' && key <= '9')
        part = static_cast<int>(key - '1');
    else if (key >= VK_NUMPAD1 && key <= VK_NUMPAD9)
        part = static_cast<int>(key - VK_NUMPAD1);
    else if (key == '0' || key == VK_NUMPAD0)
        part = 9;
    if (part < 0)
        return {};
    return {PartsKeyAction::SelectPart, part};
}

KeyRoute RouteKey(KeyPlace place, WPARAM key, bool control, bool alt, bool repeat)
{
    if (place == KeyPlace::Elsewhere)
        return KeyRoute::Pass;
    if (place == KeyPlace::TextField && textKeepsKey(key, control, alt))
        return KeyRoute::Pass;
    if (key == VK_RETURN || key == VK_ESCAPE)
        return KeyRoute::Swallow;
    const PartsKey meaning = ReadPartsKey(key, control, repeat, 0);
    // A held Space repeats into nothing rather than into the focused button.
    const bool own = meaning.action != PartsKeyAction::None || key == VK_SPACE;
    return own ? KeyRoute::PartsWindow : KeyRoute::Pass;
}

} // namespace Quorvane
