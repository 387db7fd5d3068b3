// A typed stream over a device it does not own: a file or a COM IStream.
#pragma once

#include "base/file.h"
#include "base/stream.h"

#include <objidl.h>

#include <type_traits>

namespace Quorvane {

template <typename Device> struct DeviceTraits;

template <> struct DeviceTraits<File> {
    static uint32_t read(File *file, void *buffer, uint32_t count) { return file->read(buffer, count); }
    static uint32_t write(File *file, const void *buffer, uint32_t count)
    {
        return file->write(buffer, count);
    }
};

// A COM stream reports what it moved; a failed call moved nothing.
template <> struct DeviceTraits<IStream *> {
    static uint32_t read(IStream *stream, void *buffer, uint32_t count)
    {
        ULONG done = 0;
        return SUCCEEDED(stream->Read(buffer, count, &done)) ? done : 0;
    }
    static uint32_t write(IStream *stream, const void *buffer, uint32_t count)
    {
        ULONG done = 0;
        return SUCCEEDED(stream->Write(buffer, count, &done)) ? done : 0;
    }
};

template <typename Device> class SimpleStream : public Stream, public InputStream, public OutputStream {
    using Handle = std::conditional_t<std::is_pointer_v<Device>, Device, Device *>;

public:
    explicit SimpleStream(Handle device) : device_(device) {}

    uint32_t readBytes(void *buffer, uint32_t count) override
    {
        return DeviceTraits<Device>::read(device_, buffer, count);
    }
    uint32_t writeBytes(const void *buffer, uint32_t count) override
    {
        return DeviceTraits<Device>::write(device_, buffer, count);
    }

private:
    Handle device_;
};

using FileStream = SimpleStream<File>;
using ComStream = SimpleStream<IStream *>;

} // namespace Quorvane
