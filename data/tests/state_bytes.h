// A module's state as bytes in memory, for tests that save and load it
// through the module's own stream operations.
#pragma once

#include "data/stream_buffer.h"

#include <cstdint>
#include <string>

namespace state_bytes {

// The bytes save(out) writes into a memory stream.
template <typename Save> std::string saved(Save save)
{
    auto *buffer = new Quorvane::StreamBuffer(new Quorvane::StreamAllocator);
    std::string bytes;
    {
        Quorvane::BufferStream stream(buffer);
        save(static_cast<Quorvane::Seekable::OutputStream *>(&stream));
        bytes.resize(stream.length());
        stream.seek(0, Quorvane::Seekable::FROM_START);
        stream.readBytes(bytes.data(), static_cast<uint32_t>(bytes.size()));
    }
    buffer->release();
    return bytes;
}

// What load(in) returns, reading a memory stream over bytes.
template <typename Load> auto loaded(std::string bytes, Load load)
{
    struct Held {
        Quorvane::StreamBuffer *buffer;
        ~Held() { buffer->release(); }
    } held{new Quorvane::StreamBuffer(nullptr, false, bytes.data(), static_cast<uint32_t>(bytes.size()))};
    Quorvane::BufferStream stream(held.buffer);
    return load(static_cast<Quorvane::Seekable::InputStream *>(&stream));
}

} // namespace state_bytes
