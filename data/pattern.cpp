#include "data/pattern.h"

#include <cstdlib>

namespace Quorvane {

CPattern::CPattern(unsigned long v, long s, long t) : value(v), second(s), third(t)
{
    SetDefault();
    extra = 0;
}

CPattern::~CPattern()
{
    std::free(block);
}

int CPattern::SetDefault()
{
    std::free(block);
    block = nullptr;
    state = 1;
    return 1;
}

} // namespace Quorvane
