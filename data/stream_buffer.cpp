#include "data/stream_buffer.h"

#include "data/io_params.h"

#include <new>

namespace Quorvane {

int WriteParamsBlock(PORTDESCR *descriptor, WriteStateFn writeState, void *user)
{
    if (!descriptor || !writeState)
        return 0;
    std::free(descriptor->params);
    descriptor->params = nullptr;
    descriptor->paramsSize = 0;

    StreamAllocator *allocator = new (std::nothrow) StreamAllocator;
    if (!allocator)
        return 0;
    StreamBuffer *buffer = new (std::nothrow) StreamBuffer(allocator, true);
    if (!buffer) {
        allocator->release();
        return 0;
    }
    int ok = 0;
    {
        BufferStream stream(buffer);
        ok = writeState(&stream, user);
    }
    const uint32_t size = buffer->getSize();
    if (ok && size > 0) {
        void *copy = std::malloc(size);
        if (copy) {
            std::memcpy(copy, buffer->getBuffer(), size);
            descriptor->params = copy;
            descriptor->paramsSize = static_cast<long>(size);
        } else {
            ok = 0;
        }
    }
    buffer->release(); // frees the bytes and the allocator with it
    return ok;
}

} // namespace Quorvane
