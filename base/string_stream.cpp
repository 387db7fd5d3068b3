#include "base/string_stream.h"

#include <algorithm>
#include <cstring>

namespace Quorvane {

uint32_t stringStream::readBytes(void *buffer, uint32_t count)
{
    if (position_ >= bytes_->size())
        return 0;
    const uint32_t available = static_cast<uint32_t>(bytes_->size()) - position_;
    const uint32_t n = std::min(count, available);
    std::memcpy(buffer, bytes_->data() + position_, n);
    position_ += n;
    return n;
}

uint32_t stringStream::writeBytes(const void *buffer, uint32_t count)
{
    if (bytes_->size() > position_)
        bytes_->resize(position_);
    // A position past the end (set by the caller) is filled with zeros.
    if (bytes_->size() < position_)
        bytes_->resize(position_, '\0');
    const size_t needed = size_t(position_) + count;
    if (bytes_->capacity() < needed)
        bytes_->reserve(needed + growthStep_);
    bytes_->append(static_cast<const char *>(buffer), count);
    position_ += count;
    return count;
}

} // namespace Quorvane
