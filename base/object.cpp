#include "base/object.h"

#include <new>

namespace Quorvane {

void *allocObject(size_t size) noexcept
{
    return ::operator new(size, std::nothrow);
}

void freeObject(void *pointer) noexcept
{
    ::operator delete(pointer);
}

} // namespace Quorvane
