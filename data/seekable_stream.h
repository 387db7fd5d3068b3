// The data model's typed streams: the base library's interfaces with a
// position. Stream is a virtual base, so a stream that both reads and writes
// has one position. Values are encoded as the base library encodes them.
// No operation throws: failures are false, short counts or zero values.
#pragma once

#include "data/corvadel_api.h"

#include <cstdint>
#include <string>

namespace Quorvane {

class InputStream;
class OutputStream;

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

class CORVADEL_API InputStream : public virtual Stream {
public:
    virtual bool atEnd();
    virtual bool read(std::string &value);
    virtual bool read(int64_t &value);
    virtual bool read(int32_t &value);
    virtual bool read(int16_t &value);
    virtual bool read(int8_t &value);
    virtual bool read(double &value);
    virtual bool read(float &value);
    virtual bool read(uint64_t &value);
    virtual bool read(uint32_t &value);
    virtual bool read(uint16_t &value);
    virtual bool read(uint8_t &value);
    virtual uint32_t readBytes(void *buffer, uint32_t count) = 0;
    virtual uint32_t readBlocks(void *buffer, uint32_t size, uint32_t count);
    virtual int8_t readInt8();
    virtual int16_t readInt16();
    virtual int32_t readInt32();
    virtual int64_t readInt64();
    virtual uint8_t readUInt8();
    virtual uint16_t readUInt16();
    virtual uint32_t readUInt32();
    virtual uint64_t readUInt64();
    virtual float readFloat();
    virtual double readDouble();
    virtual std::string readString();

protected:
    ~InputStream() = default;
};

class CORVADEL_API OutputStream : public virtual Stream {
public:
    virtual bool write(const std::string &value);
    virtual bool write(int64_t value);
    virtual bool write(int32_t value);
    virtual bool write(int16_t value);
    virtual bool write(int8_t value);
    virtual bool write(double value);
    virtual bool write(float value);
    virtual bool write(uint64_t value);
    virtual bool write(uint32_t value);
    virtual bool write(uint16_t value);
    virtual bool write(uint8_t value);
    virtual uint32_t writeBytes(const void *buffer, uint32_t count) = 0;
    virtual uint32_t writeBlocks(const void *buffer, uint32_t size, uint32_t count);
    virtual bool writeInt8(int8_t value);
    virtual bool writeInt16(int16_t value);
    virtual bool writeInt32(int32_t value);
    virtual bool writeInt64(int64_t value);
    virtual bool writeUInt8(uint8_t value);
    virtual bool writeUInt16(uint16_t value);
    virtual bool writeUInt32(uint32_t value);
    virtual bool writeUInt64(uint64_t value);
    virtual bool writeFloat(float value);
    virtual bool writeDouble(double value);
    virtual bool writeString(std::string value);

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
