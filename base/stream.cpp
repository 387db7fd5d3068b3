#include "base/stream.h"

#include <algorithm>

namespace Quorvane {

namespace {

template <typename T> bool readRaw(InputStream &in, T &value)
{
    T tmp;
    if (in.readBytes(&tmp, sizeof(T)) != sizeof(T))
        return false;
    value = tmp;
    return true;
}

template <typename T> bool writeRaw(OutputStream &out, T value)
{
    return out.writeBytes(&value, sizeof(T)) == sizeof(T);
}

template <typename T> T readValue(InputStream &in)
{
    T value{};
    return in.read(value) ? value : T{};
}

} // namespace

bool InputStream::atEnd()
{
    return false;
}

bool InputStream::read(std::string &value)
{
    const int32_t length = readInt32();
    if (length == 0) {
        value.clear();
        return true;
    }
    if (length < 0)
        return false;

    // Read in pieces, so a damaged length never makes us allocate more than
    // the device actually delivers.
    std::string text;
    uint32_t remaining = static_cast<uint32_t>(length);
    char chunk[4096];
    while (remaining > 0) {
        const uint32_t piece = std::min<uint32_t>(remaining, sizeof(chunk));
        if (readBytes(chunk, piece) != piece)
            return false;
        text.append(chunk, piece);
        remaining -= piece;
    }
    const size_t zero = text.find('\0');
    if (zero != std::string::npos)
        text.resize(zero);
    value = std::move(text);
    return true;
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
    return readRaw(*this, value);
}
bool InputStream::read(float &value)
{
    return readRaw(*this, value);
}
bool InputStream::read(uint64_t &value)
{
    return readRaw(*this, value);
}
bool InputStream::read(uint32_t &value)
{
    return readRaw(*this, value);
}
bool InputStream::read(uint16_t &value)
{
    return readRaw(*this, value);
}
bool InputStream::read(uint8_t &value)
{
    return readRaw(*this, value);
}

uint32_t InputStream::readBlocks(void *buffer, uint32_t size, uint32_t count)
{
    return readBytes(buffer, size * count);
}

int8_t InputStream::readInt8()
{
    return readValue<int8_t>(*this);
}
int16_t InputStream::readInt16()
{
    return readValue<int16_t>(*this);
}
int32_t InputStream::readInt32()
{
    return readValue<int32_t>(*this);
}
int64_t InputStream::readInt64()
{
    return readValue<int64_t>(*this);
}
uint8_t InputStream::readUInt8()
{
    return readValue<uint8_t>(*this);
}
uint16_t InputStream::readUInt16()
{
    return readValue<uint16_t>(*this);
}
uint32_t InputStream::readUInt32()
{
    return readValue<uint32_t>(*this);
}
uint64_t InputStream::readUInt64()
{
    return readValue<uint64_t>(*this);
}
float InputStream::readFloat()
{
    return readValue<float>(*this);
}
double InputStream::readDouble()
{
    return readValue<double>(*this);
}
std::string InputStream::readString()
{
    return readValue<std::string>(*this);
}

bool OutputStream::write(const std::string &value)
{
    const uint32_t length = static_cast<uint32_t>(value.size());
    if (!write(static_cast<int32_t>(length)))
        return false;
    if (length == 0)
        return true;
    return writeBytes(value.data(), length) == length;
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
    return writeRaw(*this, value);
}
bool OutputStream::write(float value)
{
    return writeRaw(*this, value);
}
bool OutputStream::write(uint64_t value)
{
    return writeRaw(*this, value);
}
bool OutputStream::write(uint32_t value)
{
    return writeRaw(*this, value);
}
bool OutputStream::write(uint16_t value)
{
    return writeRaw(*this, value);
}
bool OutputStream::write(uint8_t value)
{
    return writeRaw(*this, value);
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

} // namespace Quorvane
