#include "data/simple_string.h"

#include "data/strings.h"

#include <cstdlib>

namespace Quorvane {

void SIMPLE_STRING::Clear()
{
    std::free(text);
    text = nullptr;
}

void SIMPLE_STRING::Spoil()
{
    text = nullptr;
}

int SIMPLE_STRING::SetText(const char *newText, long length)
{
    std::free(text);
    text = CreateString(newText, length);
    return text != nullptr || LengthString(newText) == 0 || length == 0;
}

} // namespace Quorvane
