#include "data/seekable_stream.h"

#include <algorithm>

namespace Quorvane::Seekable {

uint32_t Stream::tell()
{
    return seek(0, FROM_CURRENT);
}

bool Stream::skip(uint32_t count)
{
    const uint32_t before = tell();
    return seek(static_cast<int32_t>(count), FROM_CURRENT) - before == count;
}

bool InputStream::atEnd()
{
    return tell() >= length();
}

// --- over a base stream ---------------------------------------------------

uint32_t StreamAdapter::seek(int32_t, uint32_t)
{
    return passed_;
}

bool StreamAdapter::skip(uint32_t count)
{
    char chunk[256];
    while (count > 0) {
        const uint32_t piece = std::min<uint32_t>(count, sizeof(chunk));
        if (readBytes(chunk, piece) != piece)
            return false;
        count -= piece;
    }
    return true;
}

bool StreamAdapter::atEnd()
{
    return in_ ? in_->atEnd() : true;
}

uint32_t StreamAdapter::readBytes(void *buffer, uint32_t count)
{
    const uint32_t done = in_ ? in_->readBytes(buffer, count) : 0;
    passed_ += done;
    return done;
}

uint32_t StreamAdapter::writeBytes(const void *buffer, uint32_t count)
{
    const uint32_t done = out_ ? out_->writeBytes(buffer, count) : 0;
    passed_ += done;
    return done;
}

} // namespace Quorvane::Seekable
