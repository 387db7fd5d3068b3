// The data model's typed streams: the base library's interfaces with a
// position. Stream is a virtual base, so a stream that both reads and writes
// has one position. Values are encoded by the base library's rules, and a
// positioned stream goes wherever a base stream is taken. No operation
// throws: failures are false, short counts or zero values.
#pragma once

#include "base/stream.h"
#include "data/corvadel_api.h"

#include <cstdint>

namespace Quorvane {
namespace Seekable {

// Origins of seek.
enum : uint32_t { FROM_START = 0, FROM_CURRENT = 1, FROM_END = 2 };

class CORVADEL_API Stream {
public:
    // Returns the new position.
    virtual uint32_t seek(int32_t offset, uint32_t origin) = 0;
    virtual uint32_t tell();
    // True when the position moved by exactly count.
    virtual bool skip(uint32_t count);
    // The device's length in bytes.
    virtual uint32_t length() = 0;

protected:
    ~Stream() = default;
};

// The base library's reading and writing interfaces, with a position.
class CORVADEL_API InputStream : public Quorvane::InputStream, public virtual Stream {
public:
    // True when the position reached the length.
    bool atEnd() override;

protected:
    ~InputStream() = default;
};

class CORVADEL_API OutputStream : public Quorvane::OutputStream, public virtual Stream {
protected:
    ~OutputStream() = default;
};

// A positioned stream over a stream of the base library's interfaces
// (either side may be null). Such streams cannot move: the position counts
// the bytes that passed, seek stays where it is, and skip reads past bytes.
class CORVADEL_API StreamAdapter : public InputStream, public OutputStream {
public:
    StreamAdapter(Quorvane::InputStream *in, Quorvane::OutputStream *out) : in_(in), out_(out) {}

    uint32_t seek(int32_t offset, uint32_t origin) override;
    bool skip(uint32_t count) override;
    uint32_t length() override { return passed_; }
    bool atEnd() override;
    uint32_t readBytes(void *buffer, uint32_t count) override;
    uint32_t writeBytes(const void *buffer, uint32_t count) override;

private:
    Quorvane::InputStream *in_;
    Quorvane::OutputStream *out_;
    uint32_t passed_ = 0;
};

} // namespace Seekable
} // namespace Quorvane
