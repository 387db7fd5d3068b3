// Typed streams over memory: a byte string with one position shared by
// reading and writing, and a counter that only measures.
#pragma once

#include "base/stream.h"

namespace Quorvane {

class stringStream : public Stream, public InputStream, public OutputStream {
public:
    explicit stringStream(std::string &bytes, uint32_t growthStep = 1024)
        : bytes_(&bytes), growthStep_(growthStep)
    {
    }

    uint32_t readBytes(void *buffer, uint32_t count) override;
    // Writing cuts the string at the position first: what follows is replaced.
    uint32_t writeBytes(const void *buffer, uint32_t count) override;

    uint32_t position() const { return position_; }
    void setPosition(uint32_t position) { position_ = position; }

protected:
    std::string *bytes_;
    uint32_t growthStep_;
    uint32_t position_ = 0;
};

class CountingStream : public Stream, public OutputStream {
public:
    uint32_t writeBytes(const void *, uint32_t count) override
    {
        count_ += count;
        return count;
    }
    uint32_t count() const { return count_; }

private:
    uint32_t count_ = 0;
};

} // namespace Quorvane
