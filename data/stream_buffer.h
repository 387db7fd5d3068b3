// A reference-counted, growable byte buffer with a position, whose memory
// comes from a separate reference-counted allocator, and the positioned
// typed stream over it. The buffer reports misuse by throwing
// StreamBufferException by value; the stream over it never throws.
//
// Everything here is inline: whichever module uses a buffer runs its own
// copy, so an exception never leaves the module that threw it.
#pragma once

#include "data/corvadel_api.h"
#include "data/seekable_stream.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace Quorvane {

struct PORTDESCR;

class StreamAllocator {
public:
    // Created with one reference.
    StreamAllocator() = default;
    virtual int32_t addRef() { return ++count_; }
    // At 0 the allocator deletes itself.
    virtual int32_t release()
    {
        const int32_t left = --count_;
        if (left == 0)
            delete this;
        return left;
    }
    virtual void *allocate(uint32_t size) { return std::malloc(size); }
    virtual void *reallocate(void *pointer, uint32_t size) { return std::realloc(pointer, size); }
    virtual void free(void *pointer) { std::free(pointer); }

protected:
    virtual ~StreamAllocator() = default;

private:
    std::atomic<int32_t> count_{1};
};

class Exception {
public:
    virtual ~Exception() = default;
    virtual const char *what() const { return "Quorvane::Exception"; }
};

class StreamBuffer;

class StreamBufferException : public Exception {
public:
    enum Code : int {
        NO_ALLOCATOR = 0, // the buffer must grow and has no allocator
        GROW_FAILED = 1,  // the allocator could not grow it
        READ_PAST_END = 2,
    };
    StreamBufferException(StreamBuffer *thrower, int reason) : buffer(thrower), code(reason) {}
    StreamBuffer *buffer;
    int code;
};

class StreamBuffer {
public:
    // Takes over one reference on the allocator (null: the buffer never
    // grows). With keepAllocator, detach hands that reference on. A buffer
    // without an allocator may be given memory to read; it is not freed.
    explicit StreamBuffer(StreamAllocator *allocator, bool keepAllocator = false, void *memory = nullptr,
                          uint32_t memorySize = 0)
        : allocator_(allocator), buffer_(static_cast<uint8_t *>(memory)), size_(memory ? memorySize : 0),
          keepAllocator_(keepAllocator)
    {
    }

    virtual int32_t addRef() { return ++count_; }
    virtual int32_t release()
    {
        const int32_t left = --count_;
        if (left == 0)
            delete this;
        return left;
    }

    virtual uint32_t read(void *destination, uint32_t length)
    {
        if (length == 0 || !destination)
            return 0;
        if (size_ - position_ < length)
            throw StreamBufferException(this, StreamBufferException::READ_PAST_END);
        std::memcpy(destination, buffer_ + position_, length);
        position_ += length;
        return length;
    }

    virtual uint32_t write(const void *source, uint32_t length)
    {
        if (length == 0 || !source)
            return 0;
        if (size_ - position_ < length) {
            // The end would lie beyond 32 bits: no buffer grows that far
            // (the sum must not wrap into a smaller size).
            if (length > UINT32_MAX - position_)
                throw StreamBufferException(this, allocator_ ? StreamBufferException::GROW_FAILED
                                                             : StreamBufferException::NO_ALLOCATOR);
            resize(position_ + length);
        }
        std::memcpy(buffer_ + position_, source, length);
        position_ += length;
        return length;
    }

    // Beyond the size the buffer grows when it has an allocator, else the
    // target is cut to the size.
    virtual uint32_t seek(int32_t offset, uint32_t origin)
    {
        int64_t target = offset;
        if (origin == Seekable::FROM_CURRENT)
            target += position_;
        else if (origin == Seekable::FROM_END)
            target += size_;
        target = std::clamp<int64_t>(target, 0, UINT32_MAX);
        if (target > size_) {
            if (allocator_)
                resize(static_cast<uint32_t>(target));
            else
                target = size_;
        }
        position_ = static_cast<uint32_t>(target);
        return position_;
    }

    virtual uint8_t *getBuffer() { return buffer_; }
    virtual uint32_t getSize() { return size_; }

    // Hands out the bytes and their size; the buffer is left empty. Free
    // them with the returned allocator.
    virtual StreamAllocator *detach(uint8_t **bytes, uint32_t *size)
    {
        StreamAllocator *allocator = allocator_;
        if (bytes)
            *bytes = buffer_;
        if (size)
            *size = size_;
        allocator_ = nullptr;
        buffer_ = nullptr;
        size_ = position_ = 0;
        if (keepAllocator_)
            keepAllocator_ = false;
        else if (allocator)
            allocator->release();
        return allocator;
    }

    // Cuts the buffer at the position.
    virtual uint32_t fit()
    {
        if (allocator_ && position_ != size_)
            resize(position_);
        return size_;
    }

    virtual uint8_t *resize(uint32_t n)
    {
        if (!allocator_)
            throw StreamBufferException(this, StreamBufferException::NO_ALLOCATOR);
        if (n == 0) {
            allocator_->free(buffer_);
            buffer_ = nullptr;
        } else if (void *block = allocator_->reallocate(buffer_, n)) {
            buffer_ = static_cast<uint8_t *>(block);
        } else if (n > size_) {
            throw StreamBufferException(this, StreamBufferException::GROW_FAILED);
        }
        size_ = n;
        position_ = std::min(position_, size_);
        return buffer_;
    }

    uint32_t getPosition() const { return position_; }

protected:
    virtual ~StreamBuffer()
    {
        if (allocator_) {
            allocator_->free(buffer_);
            allocator_->release();
        }
        buffer_ = nullptr;
        size_ = 0;
    }

private:
    std::atomic<int32_t> count_{1};
    StreamAllocator *allocator_;
    uint8_t *buffer_;
    uint32_t size_;
    uint32_t position_ = 0;
    bool keepAllocator_;
};

// The positioned typed stream over a buffer (holding a reference on it).
// The buffer's exceptions end here: a failed read or write moves nothing
// and reports 0 bytes.
class BufferStream : public Seekable::InputStream, public Seekable::OutputStream {
public:
    explicit BufferStream(StreamBuffer *buffer) : buffer_(buffer) { buffer_->addRef(); }
    ~BufferStream() { buffer_->release(); }
    BufferStream(const BufferStream &) = delete;
    BufferStream &operator=(const BufferStream &) = delete;

    uint32_t seek(int32_t offset, uint32_t origin) override
    {
        try {
            return buffer_->seek(offset, origin);
        } catch (const StreamBufferException &) {
            return buffer_->getPosition();
        }
    }
    uint32_t length() override { return buffer_->getSize(); }
    bool atEnd() override { return buffer_->getPosition() == buffer_->getSize(); }
    uint32_t readBytes(void *destination, uint32_t count) override
    {
        try {
            return buffer_->read(destination, count);
        } catch (const StreamBufferException &) {
            return 0;
        }
    }
    uint32_t writeBytes(const void *source, uint32_t count) override
    {
        try {
            return buffer_->write(source, count);
        } catch (const StreamBufferException &) {
            return 0;
        }
    }

private:
    StreamBuffer *buffer_;
};

// Fills a descriptor's parameter block with what writeState writes into a
// stream (an effect's saved state): the earlier block is freed first, and
// the new one is a malloc block (none when nothing was written). 0 for a
// null descriptor (left untouched), when writeState fails or memory runs out.
using WriteStateFn = int (*)(Seekable::OutputStream *out, void *user);
CORVADEL_API int WriteParamsBlock(PORTDESCR *descriptor, WriteStateFn writeState, void *user);

} // namespace Quorvane
