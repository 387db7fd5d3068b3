// Typed little-endian streams: every value the plug-ins store goes through
// this pair of interfaces. A string is a 32-bit byte count and its bytes.
#pragma once

#include <cstdint>
#include <string>

namespace Quorvane {

class Stream {};

class InputStream {
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
    // The device read: returns the bytes actually read.
    virtual uint32_t readBytes(void *buffer, uint32_t count) = 0;
    // Reads size * count bytes; returns bytes, not blocks.
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

class OutputStream {
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
    // The device write: returns the bytes accepted.
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

} // namespace Quorvane
