// How values travel through a typed stream: numbers as their little-endian
// bytes, a string as a 32-bit byte count and its bytes. Shared by every
// family of stream interfaces, so each rule exists once. In needs read,
// readInt32 and readBytes; Out needs write(int32_t) and writeBytes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

namespace Quorvane {

template <typename T, typename In> bool readRawFrom(In &in, T &value)
{
    T tmp;
    if (in.readBytes(&tmp, sizeof(T)) != sizeof(T))
        return false;
    value = tmp;
    return true;
}

template <typename T, typename Out> bool writeRawTo(Out &out, T value)
{
    return out.writeBytes(&value, sizeof(T)) == sizeof(T);
}

// A by-value read: 0 (or empty) when the value could not be read.
template <typename T, typename In> T readValueFrom(In &in)
{
    T value{};
    return in.read(value) ? value : T{};
}

template <typename In> bool readStringFrom(In &in, std::string &value)
{
    const int32_t length = in.readInt32();
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
        if (in.readBytes(chunk, piece) != piece)
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

template <typename Out> bool writeStringTo(Out &out, const std::string &value)
{
    const uint32_t length = static_cast<uint32_t>(value.size());
    if (!out.write(static_cast<int32_t>(length)))
        return false;
    if (length == 0)
        return true;
    return out.writeBytes(value.data(), length) == length;
}

} // namespace Quorvane
