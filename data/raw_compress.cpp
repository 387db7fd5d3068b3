#include "data/raw_compress.h"

#include "data/storage.h"

#include <bzlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

namespace Quorvane {

namespace {

constexpr int kBlockSize = 9; // 900,000-byte blocks
constexpr char kStreamHeader[4] = {'B', 'Z', 'h', '0' + kBlockSize};
constexpr long kChunk = 64 * 1024;

struct Buffers {
    std::unique_ptr<char[]> in{new (std::nothrow) char[kChunk]};
    std::unique_ptr<char[]> out{new (std::nothrow) char[kChunk]};
    bool ok() const { return in && out; }
};

// Ends a bzip2 stream whichever way the work ends.
struct CompressStream {
    bz_stream stream{};
    bool open = false;
    ~CompressStream()
    {
        if (open)
            BZ2_bzCompressEnd(&stream);
    }
};

struct ExpandStream {
    bz_stream stream{};
    bool open = false;
    ~ExpandStream()
    {
        if (open)
            BZ2_bzDecompressEnd(&stream);
    }
};

bool compress(CStorage &source, CStorage &destination, long length)
{
    Buffers buffers;
    CompressStream z;
    if (!buffers.ok() || BZ2_bzCompressInit(&z.stream, kBlockSize, 0, 0) != BZ_OK)
        return false;
    z.open = true;

    long headerLeft = sizeof(kStreamHeader); // dropped from the output
    long consumed = 0;
    for (;;) {
        int action = BZ_RUN;
        if (z.stream.avail_in == 0) {
            const long piece = std::min(kChunk, length - consumed);
            if (piece > 0 && !source.GetBuffer(buffers.in.get(), piece))
                return false;
            consumed += piece;
            z.stream.next_in = buffers.in.get();
            z.stream.avail_in = static_cast<unsigned>(piece);
        }
        if (consumed == length)
            action = BZ_FINISH;
        z.stream.next_out = buffers.out.get();
        z.stream.avail_out = kChunk;
        const int result = BZ2_bzCompress(&z.stream, action);
        if (result != BZ_RUN_OK && result != BZ_FINISH_OK && result != BZ_STREAM_END)
            return false;
        const long produced = kChunk - z.stream.avail_out;
        const long skip = std::min(headerLeft, produced);
        headerLeft -= skip;
        if (!destination.PutBuffer(buffers.out.get() + skip, produced - skip))
            return false;
        if (result == BZ_STREAM_END)
            return z.stream.avail_in == 0 && consumed == length;
    }
}

bool expand(CStorage &source, CStorage &destination, uint32_t storedLength)
{
    const long sourceLength = source.GetLength();
    if (sourceLength < 5)
        return false;
    Buffers buffers;
    ExpandStream z;
    if (!buffers.ok() || BZ2_bzDecompressInit(&z.stream, 0, 0) != BZ_OK)
        return false;
    z.open = true;

    // The stored block lacks the stream header; the decoder wants it.
    std::memcpy(buffers.in.get(), kStreamHeader, sizeof(kStreamHeader));
    long pending = sizeof(kStreamHeader);
    long left = sourceLength - 4;
    uint64_t written = 0;
    for (;;) {
        if (z.stream.avail_in == 0) {
            const long piece = std::min(kChunk - pending, left);
            if (piece > 0 && !source.GetBuffer(buffers.in.get() + pending, piece))
                return false;
            left -= piece;
            z.stream.next_in = buffers.in.get();
            z.stream.avail_in = static_cast<unsigned>(pending + piece);
            pending = 0;
            if (z.stream.avail_in == 0)
                return false; // the stream ended before its end marker
        }
        z.stream.next_out = buffers.out.get();
        z.stream.avail_out = kChunk;
        const int result = BZ2_bzDecompress(&z.stream);
        if (result != BZ_OK && result != BZ_STREAM_END)
            return false;
        const long produced = kChunk - z.stream.avail_out;
        written += produced;
        if (written > storedLength)
            return false;
        if (!destination.PutBuffer(buffers.out.get(), produced))
            return false;
        if (result == BZ_STREAM_END)
            return z.stream.avail_in == 0 && left == 0 && written == storedLength;
    }
}

bool rewind(CStorage *source, CStorage *destination)
{
    return source && destination && source->SetPos(0) == 0 && destination->SetPos(0) == 0;
}

} // namespace

CRawCompress::CRawCompress(CStorage *source, CStorage *destination)
{
    if (!rewind(source, destination))
        return;
    const long length = source->GetLength();
    if (length < 0)
        return;
    const uint32_t stored = static_cast<uint32_t>(length);
    if (!destination->Put32(&stored))
        return;
    ok = length == 0 || compress(*source, *destination, length);
}

CRawExpand::CRawExpand(CStorage *source, CStorage *destination)
{
    if (!rewind(source, destination))
        return;
    uint32_t stored = 0;
    if (!source->Get32(&stored))
        return;
    ok = stored == 0 || expand(*source, *destination, stored);
}

} // namespace Quorvane
