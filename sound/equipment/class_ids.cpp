#include "sound/equipment/class_ids.h"

#include <objbase.h>

namespace Quorvane {

bool ParseClassId(const std::string &text, GUID &id)
{
    // 38 characters and the terminator; IIDFromString only parses.
    constexpr size_t kLength = 38;
    if (text.size() != kLength)
        return false;
    WCHAR wide[kLength + 1];
    for (size_t i = 0; i < kLength; ++i)
        wide[i] = static_cast<unsigned char>(text[i]);
    wide[kLength] = L'\0';
    return SUCCEEDED(IIDFromString(wide, &id));
}

} // namespace Quorvane
