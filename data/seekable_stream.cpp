#include "data/seekable_stream.h"

#include "base/stream.h"
#include "base/stream_rules.h"

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

// --- reading --------------------------------------------------------------

bool InputStream::atEnd()
{
    return tell() >= length();
}

bool InputStream::read(std::string &value)
{
    return readStringFrom(*this, value);
}
bool InputStream::read(int64_t &value)
{
    return read(reinterpret_cast<uint64_t &>(value));
}
bool InputStream::read(int32_t &value)
{
    return read(reinterpret_cast<uint32_t &>(value));
}
bool InputStream::read(int16_t &value)
{
    return read(reinterpret_cast<uint16_t &>(value));
}
bool InputStream::read(int8_t &value)
{
    return read(reinterpret_cast<uint8_t &>(value));
}
bool InputStream::read(double &value)
{
    return readRawFrom(*this, value);
}
bool InputStream::read(float &value)
{
    return readRawFrom(*this, value);
}
bool InputStream::read(uint64_t &value)
{
    return readRawFrom(*this, value);
}
bool InputStream::read(uint32_t &value)
{
    return readRawFrom(*this, value);
}
bool InputStream::read(uint16_t &value)
{
    return readRawFrom(*this, value);
}
bool InputStream::read(uint8_t &value)
{
    return readRawFrom(*this, value);
}
uint32_t InputStream::readBlocks(void *buffer, uint32_t size, uint32_t count)
{
    return readBytes(buffer, size * count);
}
int8_t InputStream::readInt8()
{
    return readValueFrom<int8_t>(*this);
}
int16_t InputStream::readInt16()
{
    return readValueFrom<int16_t>(*this);
}
int32_t InputStream::readInt32()
{
    return readValueFrom<int32_t>(*this);
}
int64_t InputStream::readInt64()
{
    return readValueFrom<int64_t>(*this);
}
uint8_t InputStream::readUInt8()
{
    return readValueFrom<uint8_t>(*this);
}
uint16_t InputStream::readUInt16()
{
    return readValueFrom<uint16_t>(*this);
}
uint32_t InputStream::readUInt32()
{
    return readValueFrom<uint32_t>(*this);
}
uint64_t InputStream::readUInt64()
{
    return readValueFrom<uint64_t>(*this);
}
float InputStream::readFloat()
{
    return readValueFrom<float>(*this);
}
double InputStream::readDouble()
{
    return readValueFrom<double>(*this);
}
std::string InputStream::readString()
{
    return readValueFrom<std::string>(*this);
}

// --- writing --------------------------------------------------------------

bool OutputStream::write(const std::string &value)
{
    return writeStringTo(*this, value);
}
bool OutputStream::write(int64_t value)
{
    return write(static_cast<uint64_t>(value));
}
bool OutputStream::write(int32_t value)
{
    return write(static_cast<uint32_t>(value));
}
bool OutputStream::write(int16_t value)
{
    return write(static_cast<uint16_t>(value));
}
bool OutputStream::write(int8_t value)
{
    return write(static_cast<uint8_t>(value));
}
bool OutputStream::write(double value)
{
    return writeRawTo(*this, value);
}
bool OutputStream::write(float value)
{
    return writeRawTo(*this, value);
}
bool OutputStream::write(uint64_t value)
{
    return writeRawTo(*this, value);
}
bool OutputStream::write(uint32_t value)
{
    return writeRawTo(*this, value);
}
bool OutputStream::write(uint16_t value)
{
    return writeRawTo(*this, value);
}
bool OutputStream::write(uint8_t value)
{
    return writeRawTo(*this, value);
}
uint32_t OutputStream::writeBlocks(const void *buffer, uint32_t size, uint32_t count)
{
    return writeBytes(buffer, size * count);
}
bool OutputStream::writeInt8(int8_t value)
{
    return write(value);
}
bool OutputStream::writeInt16(int16_t value)
{
    return write(value);
}
bool OutputStream::writeInt32(int32_t value)
{
    return write(value);
}
bool OutputStream::writeInt64(int64_t value)
{
    return write(value);
}
bool OutputStream::writeUInt8(uint8_t value)
{
    return write(value);
}
bool OutputStream::writeUInt16(uint16_t value)
{
    return write(value);
}
bool OutputStream::writeUInt32(uint32_t value)
{
    return write(value);
}
bool OutputStream::writeUInt64(uint64_t value)
{
    return write(value);
}
bool OutputStream::writeFloat(float value)
{
    return write(value);
}
bool OutputStream::writeDouble(double value)
{
    return write(value);
}
bool OutputStream::writeString(std::string value)
{
    return write(value);
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
