#include "plugin/fill/engine/bounded_read.h"

namespace Quorvane {

bool readBoundedBytes(InputStream &in, int32_t length, std::string &bytes)
{
    bytes.clear();
    if (length < 0)
        return false;
    constexpr uint32_t kPiece = 64 * 1024;
    uint32_t left = static_cast<uint32_t>(length);
    while (left > 0) {
        const uint32_t piece = left < kPiece ? left : kPiece;
        const size_t at = bytes.size();
        bytes.resize(at + piece);
        if (in.readBytes(bytes.data() + at, piece) != piece) {
            bytes.clear();
            return false;
        }
        left -= piece;
    }
    return true;
}

} // namespace Quorvane
