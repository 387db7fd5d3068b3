// Little-endian byte strings written by hand, as the stored records lay
// them out.
#pragma once

#include <cstdint>
#include <string>

namespace slice_test {

class Bytes {
public:
    Bytes &i32(int32_t v)
    {
        for (int i = 0; i < 4; ++i)
            s_ += static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
        return *this;
    }
    Bytes &u8(uint8_t v)
    {
        s_ += static_cast<char>(v);
        return *this;
    }
    Bytes &str(const std::string &v)
    {
        i32(static_cast<int32_t>(v.size()));
        s_ += v;
        return *this;
    }
    Bytes &raw(const std::string &v)
    {
        s_ += v;
        return *this;
    }
    // A drum map record: version 1, its name, 128 notes (identity but for
    // one mapped note).
    Bytes &drumMap(const std::string &name, uint8_t from = 0, uint8_t to = 0)
    {
        i32(1).str(name);
        for (int n = 0; n < 128; ++n)
            u8(n == from && from != to ? to : static_cast<uint8_t>(n));
        return *this;
    }
    const std::string &get() const { return s_; }

private:
    std::string s_;
};

} // namespace slice_test
